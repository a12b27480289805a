// The window driven as a user drives it: clicks on its buttons, its menu items
// and its bars, with the modal dialogs replaced by fakes. Runs are made of a few
// quick cycles: the track's clock is made to overrun the budget at every pass,
// and Pause is clicked from inside a cycle, through the track's message callback.

#include <QAction>
#include <QCheckBox>
#include <QGroupBox>
#include <QImage>
#include <QLabel>
#include <QLayout>
#include <QMouseEvent>
#include <QScrollArea>
#include <QScrollBar>
#include <QStyle>
#include <QStyleOptionComboBox>
#include <QSlider>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QTimer>
#include <QToolButton>
#include <QtTest>

#include <algorithm>
#include <cmath>
#include <functional>
#include <memory>
#include <numbers>
#include <optional>
#include <thread>

#include "app/crash_report.h"
#include "app/form_test2d.h"
#include "app/goal_box.h"
#include "app/session.h"
#include "app/status_line.h"
#include "app/widgets.h"
#include "bench/population.h"
#include "core/goal.h"
#include "core/random.h"
#include "core/team.h"
#include "world2d/kart.h"
#include "world2d/rocket.h"
#include "world2d/track2d.h"
#include "find_control.h"
#include "run_cycles.h"

using namespace vorlanth;
using vorlanth::testing::Find;

class FormTest2DTest : public QObject {
  Q_OBJECT

 private:
  std::unique_ptr<TFormTest2D> form;
  QStringList errors;             // what the error dialog was asked to show
  QList<TCrashReport> reports;    // the reports themselves
  QString openFileAnswer;         // what the open dialog answers ("" = cancel)
  QString saveFileAnswer;         // what the save dialog answers
  std::optional<QColor> colorAnswer;
  int64_t clockMs = 0;
  int cyclesSeen = 0;
  QTemporaryDir settingsDir;      // the recent files of the tests' windows

  TTeam& Team() { return *form->Session().CurrentTeam(); }
  TPlayer2D& Body(int i) { return static_cast<TPlayer2D&>(*Team().GetPlayer(i)); }
  TPlayer2D& Selected() { return static_cast<TPlayer2D&>(*form->SelectedPlayer()); }

  // Runs the loop until `cycles` cycles have ended, then clicks Pause between
  // that cycle and the next. `during`(n) runs after cycle n, before the pause,
  // while the run goes on.
  void RunCycles(int cycles, const std::function<void(int)>& during = {}) {
    form->Track().ClockMs = [this] { return clockMs += 1000; };  // every pass overruns the budget
    cyclesSeen = testing::RunCyclesOf(*form, cycles, during);
  }

  void ChoosePlayer(int index) {
    Find<TPlayerList>(*form, "EdPlayerId")->setCurrentIndex(index);
    emit Find<TPlayerList>(*form, "EdPlayerId")->activated(index);
  }

  // The goal boxes from the top of the panel.
  QList<TGoalBox*> GoalBoxes() {
    QList<TGoalBox*> boxes;
    QLayout* layout = Find<QWidget>(*form, "EdGoals")->layout();
    for (int i = 0; i < layout->count(); ++i)
      if (auto* box = qobject_cast<TGoalBox*>(layout->itemAt(i)->widget())) boxes << box;
    return boxes;
  }
  TGoalBox* GoalBox(const QString& title) {
    for (TGoalBox* box : GoalBoxes())
      if (box->title() == title) return box;
    return nullptr;
  }
  static QList<QSlider*> Bars(TGoalBox* box) { return box->findChildren<QSlider*>(); }
  static QString Label(TGoalBox* box, const QString& name) {
    auto* label = box->findChild<QLabel*>(name);
    return label ? label->text() : QStringLiteral("<none>");
  }

  static QImage Rgb(const QImage& image) { return image.convertToFormat(QImage::Format_RGB32); }

 private slots:
  void init() {
    errors.clear();
    reports.clear();
    openFileAnswer.clear();
    saveFileAnswer.clear();
    colorAnswer.reset();
    TFormDialogs dialogs;
    dialogs.ReportError = [this](const TCrashReport& report) { errors << report.Message; reports << report; };
    dialogs.ShowFileProblem = [this](const QString&, const QString& reason) { errors << reason; };
    dialogs.OpenPicture = [this](const QString&) { return openFileAnswer; };
    dialogs.SaveFile = [this](const QString&) { return saveFileAnswer; };
    dialogs.ChooseColor = [this](const QColor&) { return colorAnswer; };
    dialogs.AskSave = [](const QString&) { return TSaveAnswer::Discard; };
    form = std::make_unique<TFormTest2D>(dialogs);
    form->SettingsFile = settingsDir.filePath(QStringLiteral("settings.ini"));  // never the user's
    form->show();
    QVERIFY(QTest::qWaitForWindowExposed(form.get()));
    // Quick cycles: one pass of ten sub-steps.
    Find<QSlider>(*form, "EdMinFutures")->setValue(1);
    Find<QSlider>(*form, "EdSeconds")->setValue(1);
    form->Track().Random.SeedRun(7);
  }

  void cleanup() { form.reset(); }

  void startUpShowsOneRocketItsGoalsAndTheModelDefaults() {
    form.reset();
    TFormDialogs dialogs;
    dialogs.ReportError = [this](const TCrashReport& report) { errors << report.Message; reports << report; };
    dialogs.ShowFileProblem = [this](const QString&, const QString& reason) { errors << reason; };
    form = std::make_unique<TFormTest2D>(dialogs);

    QCOMPARE(form->windowTitle(), QStringLiteral("untitled[*] - Vorlanth Test V2.0"));
    QVERIFY(!form->isWindowModified());
    QCOMPARE(Team().PlayerCount(), 1);
    QVERIFY(dynamic_cast<TRocket*>(Team().GetPlayer(0)) != nullptr);
    QCOMPARE(Find<TPlayerList>(*form, "EdPlayerId")->count(), 1);
    QCOMPARE(Find<TPlayerList>(*form, "EdPlayerId")->itemText(0), QStringLiteral("Player #1"));

    const QList<TGoalBox*> boxes = GoalBoxes();
    QCOMPARE(boxes.size(), 4);
    QCOMPARE(boxes[0]->title(), QStringLiteral("GOAL \"Get drops\" (team)"));
    QCOMPARE(boxes[1]->title(), QStringLiteral("GOAL \"Speeding\""));
    QCOMPARE(boxes[2]->title(), QStringLiteral("GOAL \"Energy\""));
    QCOMPARE(boxes[3]->title(), QStringLiteral("GOAL \"Health\""));
    QVERIFY(boxes[0]->findChild<QLabel*>(QStringLiteral("STRENGTH_1_T")));
    QVERIFY(boxes[1]->findChild<QLabel*>(QStringLiteral("STRENGTH_3")));
    QVERIFY(boxes[2]->findChild<QLabel*>(QStringLiteral("STRENGTH_2")));
    QVERIFY(boxes[3]->findChild<QLabel*>(QStringLiteral("STRENGTH_1")));
    QVERIFY(boxes[3]->findChild<QLabel*>(QStringLiteral("REACTION_1")));
    QVERIFY(!boxes[1]->findChild<QLabel*>(QStringLiteral("REACTION_3")));

    QVERIFY(Find<QAction>(*form, "MenuDebugFeelings")->isChecked());
    QVERIFY(Find<QAction>(*form, "MenuDebugTeamGoals")->isChecked());
    for (QAction* item : {Find<QAction>(*form, "MenuDebugTraces"), Find<QAction>(*form, "MenuDebugOptions"), Find<QAction>(*form, "MenuDebugLevels"),
                          Find<QAction>(*form, "MenuDebugGoals")})
      QVERIFY(!item->isChecked());
    QVERIFY(Selected().ShowFeelings);
    QVERIFY(Team().Goals->ShowGoals);
    QVERIFY(!Find<QToolButton>(*form, "StartBtn")->isChecked());
    QVERIFY(!Find<QToolButton>(*form, "PauseBtn")->isChecked());

    QCOMPARE(Find<QLabel>(*form, "LbSeconds")->text(), QStringLiteral("10 s."));
    QCOMPARE(Find<QLabel>(*form, "LbMinFutures")->text(), QStringLiteral("100"));
    QCOMPARE(Find<QLabel>(*form, "LbFriction")->text(), QStringLiteral("0.80%"));
    QCOMPARE(Find<QLabel>(*form, "LbSideFriction")->text(), QStringLiteral("10%"));
    QCOMPARE(Find<QLabel>(*form, "LbSize")->text(), QStringLiteral("12px"));
    QCOMPARE(Find<QLabel>(*form, "LbDetermined")->text(), QStringLiteral("100%"));
    QCOMPARE(Find<QLabel>(*form, "LbRadio")->text(), QStringLiteral("10px"));
    QCOMPARE(Find<QSlider>(*form, "EdRadio")->minimum(), 5);
    QCOMPARE(Find<QSlider>(*form, "EdRadio")->maximum(), 50);
    QVERIFY(form->Track().Collisions);  // EdCollisions starts checked
    QCOMPARE(form->Session().FrameCounter, 1);

    QVERIFY(Find<QGroupBox>(*form, "EdTrackParams")->isHidden());
    QVERIFY(Find<QGroupBox>(*form, "EdPlayerParams")->isHidden());
    for (QWidget* box : {static_cast<QWidget*>(Find<QGroupBox>(*form, "EdAIParams")),
                         static_cast<QWidget*>(Find<QGroupBox>(*form, "edChoosePlayer")), Find<QWidget>(*form, "EdGoals"),
                         static_cast<QWidget*>(Find<QGroupBox>(*form, "EdHandMove")),
                         static_cast<QWidget*>(Find<QGroupBox>(*form, "GroupBox3"))})
      QVERIFY(!box->isHidden());
    QVERIFY(errors.isEmpty());
  }

  void panelViewItemsShowAndHideTheirBoxes() {
    Find<QAction>(*form, "MenuTrackParams")->trigger();
    Find<QAction>(*form, "menuHandMove")->trigger();
    QVERIFY(!Find<QGroupBox>(*form, "EdTrackParams")->isHidden());
    QVERIFY(Find<QGroupBox>(*form, "EdHandMove")->isHidden());
    QVERIFY(!Find<QGroupBox>(*form, "GroupBox3")->isHidden());  // START/STOP is always shown
  }

  void runAndPauseRunCyclesThatMoveTheWorld() {
    const double x = Selected().GetPosX();
    const double y = Selected().GetPosY();
    const double a = Selected().GetAngle();
    RunCycles(3);
    QCOMPARE(cyclesSeen, 3);
    QVERIFY(!Find<QToolButton>(*form, "StartBtn")->isChecked());
    QVERIFY(Find<QToolButton>(*form, "PauseBtn")->isChecked());
    QVERIFY(!form->Running());
    QVERIFY(form->Track().LastPassCount >= 1);
    QVERIFY(Selected().GetPosX() != x || Selected().GetPosY() != y || Selected().GetAngle() != a);
    QVERIFY(errors.isEmpty());
  }

  void runClickedWhileRunningNestsAndOnePauseEndsAll() {
    bool nested = false;
    RunCycles(5, [&](int cycle) {
      if (cycle == 2) Find<QToolButton>(*form, "StartBtn")->click();  // enters the loop again from inside
      if (cycle == 4) nested = form->Running();
    });
    QVERIFY(nested);
    QCOMPARE(cyclesSeen, 5);  // no cycle starts after the pause, at any level
    QVERIFY(!form->Running());
    QVERIFY(!Find<QToolButton>(*form, "StartBtn")->isChecked());
  }

  void closingTheWindowDuringARunEndsTheLoop() {
    RunCycles(10, [&](int cycle) {
      if (cycle == 2) form->close();
    });
    QCOMPARE(cyclesSeen, 2);
    QVERIFY(!form->Running());
    QVERIFY(!Find<QToolButton>(*form, "StartBtn")->isChecked());
    QVERIFY(!form->isVisible());
  }

  void framesAreNumberedAndRestartAfterReset() {
    QCOMPARE(TSession::FrameFileName(QStringLiteral("/tmp/run"), 1), QStringLiteral("/tmp/run_00001.bmp"));
    QCOMPARE(TSession::FrameFileName(QStringLiteral("run.bmp"), 1), QStringLiteral("run.bmp_00001.bmp"));
    QCOMPARE(TSession::FrameFileName(QStringLiteral("run"), 100000), QStringLiteral("run_100000.bmp"));

    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    saveFileAnswer = dir.filePath(QStringLiteral("run"));
    Find<QAction>(*form, "Saveimagestofolder")->trigger();
    QVERIFY(Find<QAction>(*form, "Saveimagestofolder")->isChecked());

    RunCycles(2);
    QVERIFY(QFile::exists(dir.filePath(QStringLiteral("run_00001.bmp"))));
    QVERIFY(QFile::exists(dir.filePath(QStringLiteral("run_00002.bmp"))));
    QVERIFY(!QFile::exists(dir.filePath(QStringLiteral("run_00003.bmp"))));
    QCOMPARE(form->Session().FrameCounter, 3);
    // The frame written last is the picture shown: the circuit with the bodies.
    const QImage frame(dir.filePath(QStringLiteral("run_00002.bmp")));
    QCOMPARE(frame.size(), QSize(800, 600));
    QCOMPARE(Rgb(frame), Rgb(form->RoadImage()));

    Find<QToolButton>(*form, "BtnReset")->click();
    QCOMPARE(form->Session().FrameCounter, 1);
    QFile::remove(dir.filePath(QStringLiteral("run_00001.bmp")));
    QFile::remove(dir.filePath(QStringLiteral("run_00002.bmp")));
    RunCycles(1);
    QVERIFY(QFile::exists(dir.filePath(QStringLiteral("run_00001.bmp"))));
    QCOMPARE(form->Session().FrameCounter, 2);

    // Unchecked: nothing is written and the counter stays.
    Find<QAction>(*form, "Saveimagestofolder")->trigger();
    QVERIFY(!Find<QAction>(*form, "Saveimagestofolder")->isChecked());
    RunCycles(1);
    QVERIFY(!QFile::exists(dir.filePath(QStringLiteral("run_00002.bmp"))));
    QCOMPARE(form->Session().FrameCounter, 2);

    // Checking it and cancelling the dialog leaves it unchecked.
    saveFileAnswer.clear();
    Find<QAction>(*form, "Saveimagestofolder")->trigger();
    QVERIFY(!Find<QAction>(*form, "Saveimagestofolder")->isChecked());
    QVERIFY(errors.isEmpty());
  }

  void anUnwritableFrameFolderStopsTheRunAndReleasesRun() {
    saveFileAnswer = QStringLiteral("/no-such-folder-for-frames/run");
    Find<QAction>(*form, "Saveimagestofolder")->trigger();
    RunCycles(3);
    QCOMPARE(cyclesSeen, 1);
    QCOMPARE(errors.size(), 1);
    QVERIFY(errors[0].contains(QStringLiteral("/no-such-folder-for-frames/run_00001.bmp")));
    QVERIFY(!Find<QToolButton>(*form, "StartBtn")->isChecked());  // the stopped run shows as stopped
    QVERIFY(!form->Running());
    QCOMPARE(form->Session().FrameCounter, 1);

    // Saving is off (every Run would fail again); chosen anew into a folder that
    // exists, then Pause, then Run, starts again.
    QVERIFY(!Find<QAction>(*form, "Saveimagestofolder")->isChecked());
    QTemporaryDir dir;
    saveFileAnswer = dir.filePath(QStringLiteral("run"));
    Find<QAction>(*form, "Saveimagestofolder")->trigger();
    Find<QToolButton>(*form, "PauseBtn")->click();
    RunCycles(1);
    QVERIFY(QFile::exists(dir.filePath(QStringLiteral("run_00001.bmp"))));
    QCOMPARE(form->Session().FrameCounter, 2);
    QCOMPARE(errors.size(), 1);
  }

  void commandsInsideACycleLeaveTheModelConsistent() {
    Find<TFlatButton>(*form, "SpeedButton7")->click();  // a second rocket
    int teamGoalsRightAfter = -1;
    RunCycles(3, [&](int cycle) {
      if (cycle == 1) {
        Find<QAction>(*form, "DeleteallTeamsGoals1")->trigger();
        teamGoalsRightAfter = Team().Goals->GoalCount();
      }
      if (cycle == 2) Find<TFlatButton>(*form, "BtnSubPlayer")->click();
      if (cycle == 3) Find<TFlatButton>(*form, "SpeedButton7")->click();
    });
    QCOMPARE(cyclesSeen, 3);
    QCOMPARE(teamGoalsRightAfter, 1);  // waited for the cycle to end
    QCOMPARE(Team().Goals->GoalCount(), 0);
    QVERIFY(!GoalBox(QStringLiteral("GOAL \"Get drops\" (team)")));
    QCOMPARE(Team().PlayerCount(), 2);
    QCOMPARE(form->Track().PlayerCount(), 2);
    QCOMPARE(Find<TPlayerList>(*form, "EdPlayerId")->count(), 2);
    QVERIFY(errors.isEmpty());
  }

  void playersBornBySplittingJoinTheList() {
    Find<QCheckBox>(*form, "EdEvolution")->click();
    Selected().SetEnergy(100);  // rich enough to split
    RunCycles(1);
    QCOMPARE(Team().PlayerCount(), 2);
    QCOMPARE(Find<TPlayerList>(*form, "EdPlayerId")->count(), 2);
    QCOMPARE(Find<TPlayerList>(*form, "EdPlayerId")->currentIndex(), Team().IndexOf(form->SelectedPlayer()));
    QCOMPARE(Find<TColorPanel>(*form, "EdColor")->Color(), form->SelectedPlayer()->Color);
  }

  void fittingTheImageKeepsTheCircuitInProportion() {
    Find<TImagePanel>(*form, "PanelImg")->resize(1000, 500);
    form->FormResize();
    QCOMPARE(Find<TImageView>(*form, "ImgRoad")->geometry(), QRect(0, 0, 667, 500));
    Find<TImagePanel>(*form, "PanelImg")->resize(400, 600);
    form->FormResize();
    QCOMPARE(Find<TImageView>(*form, "ImgRoad")->geometry(), QRect(0, 0, 400, 300));
  }

  void theMouseIsReadInCircuitPixelsThroughTheStretchedImage() {
    form->Track().Draw(-1);  // settles the layout
    const QSize shown = Find<TImageView>(*form, "ImgRoad")->size();
    const QPoint at(shown.width() / 2, shown.height() / 4);
    QCursor::setPos(Find<TImageView>(*form, "ImgRoad")->mapToGlobal(at));
    form->Track().Draw(-1);  // a new frame reads the cursor again
    QCOMPARE(form->Track().MouseX(), static_cast<int>(std::floor(at.x() * 800.0 / shown.width())));
    QCOMPARE(form->Track().MouseY(), static_cast<int>(std::floor(at.y() * 600.0 / shown.height())));
    QVERIFY(form->Track().MouseInTrack());
  }

  void trackBarsWriteTheModelAndTheirLabels() {
    Find<QSlider>(*form, "EdFriction")->setValue(25);
    QCOMPARE(Find<QLabel>(*form, "LbFriction")->text(), QStringLiteral("0.25%"));
    Find<QSlider>(*form, "EdFriction")->setValue(35);
    QCOMPARE(Find<QLabel>(*form, "LbFriction")->text(), QStringLiteral("0.35%"));
    Find<QSlider>(*form, "EdFriction")->setValue(1);
    QCOMPARE(Find<QLabel>(*form, "LbFriction")->text(), QStringLiteral("0.01%"));
    QCOMPARE(form->Track().Friction, 0.0001);
    Find<QSlider>(*form, "EdSideFriction")->setValue(0);
    QCOMPARE(form->Track().SideFriction, 0.0);
    QCOMPARE(Find<QLabel>(*form, "LbSideFriction")->text(), QStringLiteral("0%"));
    Find<QSlider>(*form, "EdSeconds")->setValue(3);
    QCOMPARE(form->Track().HorizonMs, 3000);
    QCOMPARE(Find<QLabel>(*form, "LbSeconds")->text(), QStringLiteral("3 s."));
    Find<QSlider>(*form, "EdSize")->setValue(20);
    QCOMPARE(Selected().GetSize(), 20.0);
    QCOMPARE(Find<QLabel>(*form, "LbSize")->text(), QStringLiteral("20px"));
    Find<QSlider>(*form, "EdDetermined")->setValue(40);
    QCOMPARE(Selected().Determination, 0.4);
    Find<QCheckBox>(*form, "EdEvolution")->click();
    QVERIFY(form->Track().Evolution);
    QVERIFY(Selected().Goals->ShowGoals);
  }

  void theThreadsBoxSetsTheTracksThreadsBetweenCycles() {
    auto* threads = Find<QSpinBox>(*form, "EdThreads");
    const int machine = std::clamp(static_cast<int>(std::thread::hardware_concurrency()), 1, TTrack::MaxThreads);
    QCOMPARE(threads->minimum(), 1);
    QCOMPARE(threads->maximum(), machine);
    QCOMPARE(threads->value(), machine);
    QCOMPARE(form->Track().Threads, machine);
    if (machine == 1) QSKIP("one hardware thread: nothing to change");
    // A cycle runs on one number of threads: a change made while running takes
    // effect between cycles, before the next one.
    int threadsInCycle = 0;
    RunCycles(2, [&](int cycle) {
      if (cycle == 1) threads->setValue(1);
      else threadsInCycle = form->Track().LastPassThreads;
    });
    QCOMPARE(threadsInCycle, 1);
    QCOMPARE(form->Track().Threads, 1);
    threads->setValue(2);
    QCOMPARE(form->Track().Threads, 2);
  }

  void choosingAPlayerPutsTheModelOnTheControlsGrid() {
    form->Track().Friction = 0.00834;
    Selected().SetSize(10.4);
    ChoosePlayer(0);
    QCOMPARE(form->Track().Friction, 0.0083);
    QCOMPARE(Selected().GetSize(), 10.0);
    Selected().SetSize(2);
    ChoosePlayer(0);
    QCOMPARE(Selected().GetSize(), 4.0);
    QCOMPARE(Find<QLabel>(*form, "LbSize")->text(), QStringLiteral("4px"));
  }

  void energyAndHealthButtons() {
    TPlayer2D& player = Selected();
    player.SetEnergy(15);
    Find<TFlatButton>(*form, "SpeedButton10")->click();  // "-E"
    QCOMPARE(player.GetEnergy(), 10.0);
    player.SetEnergy(5);
    Find<TFlatButton>(*form, "SpeedButton10")->click();
    QCOMPARE(player.GetEnergy(), 10.0);
    player.SetEnergy(95);
    Find<TFlatButton>(*form, "SpeedButton8")->click();  // "+E"
    QCOMPARE(player.GetEnergy(), 100.0);
    player.SetHealth(15);
    Find<TFlatButton>(*form, "SpeedButton11")->click();  // "-H"
    QCOMPARE(player.GetHealth(), 10.0);

    // A double click on "-E" fills the health, not the energy.
    player.SetHealth(50);
    player.SetEnergy(50);
    QTest::mouseDClick(Find<TFlatButton>(*form, "SpeedButton10"), Qt::LeftButton);
    QCOMPARE(player.GetHealth(), 100.0);
    QVERIFY(player.GetEnergy() < 100.0);
    player.SetEnergy(50);
    QTest::mouseDClick(Find<TFlatButton>(*form, "SpeedButton8"), Qt::LeftButton);  // "+E": energy
    QCOMPARE(player.GetEnergy(), 100.0);
  }

  void holdingAnArrowRepeatsAtShrinkingIntervals() {
    TPlayer2D& player = Selected();
    const double x = player.GetPosX();
    QTest::mousePress(Find<TFlatButton>(*form, "SpeedButton3"), Qt::LeftButton);  // ">"
    QCOMPARE(player.GetPosX(), x + 5);
    QVERIFY(Find<QTimer>(*form, "ArrowTimer")->isActive());
    QCOMPARE(Find<QTimer>(*form, "ArrowTimer")->interval(), 500);
    form->ArrowTimerTimer();
    QCOMPARE(player.GetPosX(), x + 10);
    QCOMPARE(Find<QTimer>(*form, "ArrowTimer")->interval(), 150);
    form->ArrowTimerTimer();
    QCOMPARE(Find<QTimer>(*form, "ArrowTimer")->interval(), 145);
    for (int i = 0; i < 40; ++i) form->ArrowTimerTimer();
    QCOMPARE(Find<QTimer>(*form, "ArrowTimer")->interval(), 20);
    form->ArrowTimerTimer();
    QCOMPARE(Find<QTimer>(*form, "ArrowTimer")->interval(), 20);
    QTest::mouseRelease(Find<TFlatButton>(*form, "SpeedButton3"), Qt::LeftButton);
    QVERIFY(!Find<QTimer>(*form, "ArrowTimer")->isActive());

    // "Turn right" turns by 15 degrees; "^" moves up the screen.
    const double angle = player.GetAngle();
    const double y = player.GetPosY();
    form->MoveButtonMouseDown(6);
    form->MoveButtonMouseUp();
    QVERIFY(std::abs(player.GetAngle() - (angle + std::numbers::pi / 12)) < 1e-9);
    form->MoveButtonMouseDown(3);
    form->MoveButtonMouseUp();
    QCOMPARE(player.GetPosY(), y - 5);

    // While Run is down an arrow does nothing and starts no timer.
    Find<QToolButton>(*form, "StartBtn")->setChecked(true);
    const double before = player.GetPosX();
    QTest::mousePress(Find<TFlatButton>(*form, "SpeedButton3"), Qt::LeftButton);
    QCOMPARE(player.GetPosX(), before);
    QVERIFY(!Find<QTimer>(*form, "ArrowTimer")->isActive());
    QTest::mouseRelease(Find<TFlatButton>(*form, "SpeedButton3"), Qt::LeftButton);
    Find<QToolButton>(*form, "PauseBtn")->setChecked(true);
  }

  // A tap sends press and release together: both are queued before the press's
  // handler runs. The release must stop what the press started.
  void aQuickClickOnAnArrowLeavesNoTimerRunning() {
    TPlayer2D& player = Selected();
    const double x = player.GetPosX();
    TFlatButton* right = Find<TFlatButton>(*form, "SpeedButton3");  // ">"
    const QPointF at = right->rect().center();
    const QPointF global = right->mapToGlobal(at);
    QCoreApplication::postEvent(right, new QMouseEvent(QEvent::MouseButtonPress, at, global, Qt::LeftButton,
                                                       Qt::LeftButton, Qt::NoModifier));
    QCoreApplication::postEvent(right, new QMouseEvent(QEvent::MouseButtonRelease, at, global, Qt::LeftButton,
                                                       Qt::NoButton, Qt::NoModifier));
    QCoreApplication::processEvents();
    QCOMPARE(player.GetPosX(), x + 5);
    QVERIFY(!Find<QTimer>(*form, "ArrowTimer")->isActive());
  }

  // A command redraws once, and processes no window messages on its way.
  void aCommandRedrawsOnce() {
    int draws = 0;
    int pumpsInside = 0;
    const QMetaObject::Connection shown = connect(&form->Session(), &TSession::FrameShown, this, [&] {
      ++draws;
      // A message processed here would be a nested pump.
      QTimer::singleShot(0, [&] { if (form->InCommand()) ++pumpsInside; });
    });
    auto count = [&](const std::function<void()>& command) {
      draws = 0;
      command();
      const int seen = draws;
      QCoreApplication::processEvents();
      return seen;
    };
    QCOMPARE(count([&] { Find<TFlatButton>(*form, "BtnAddPlayer")->click(); }), 1);               // "+Kart"
    QCOMPARE(count([&] { ChoosePlayer(0); }), 1);
    QCOMPARE(count([&] { Find<QAction>(*form, "Addacircleofkarts1")->trigger(); }), 1);
    QCOMPARE(count([&] { Find<QSlider>(*form, "EdSize")->setValue(20); }), 1);
    QCOMPARE(count([&] { Find<QAction>(*form, "MenuDebugTraces")->trigger(); }), 1);
    QCOMPARE(pumpsInside, 0);
    disconnect(shown);
  }

  // ---- Status, single step, shortcuts ----

  void theStatusBarTellsHowEachCycleWent() {
    Find<TFlatButton>(*form, "SpeedButton7")->click();  // two rockets
    QStringList seen;
    RunCycles(2, [&](int) { seen << Find<TStatusLine>(*form, "StatusLine")->text(); });
    // Shown after each cycle: its own figures.
    QVERIFY(seen[0].startsWith(QStringLiteral("Cycle 1  |")));
    QVERIFY(seen[1].startsWith(QStringLiteral("Cycle 2  |")));
    const QString line = Find<TStatusLine>(*form, "StatusLine")->text();
    QVERIFY2(line.startsWith(QStringLiteral("Cycle 2  |  1 future per player (%1 thread")
                                 .arg(form->Track().LastPassThreads)),
             qPrintable(line));
    QVERIFY2(line.endsWith(QStringLiteral("|  2/2 alive")), qPrintable(line));
    QCOMPARE(form->Session().CycleCount(), 2);
    // Commands between cycles change who is there: the line follows at once.
    Find<TFlatButton>(*form, "BtnAddPlayer")->click();
    QVERIFY2(Find<TStatusLine>(*form, "StatusLine")->text().endsWith(QStringLiteral("|  3/3 alive")),
             qPrintable(Find<TStatusLine>(*form, "StatusLine")->text()));
    QVERIFY(Find<TStatusLine>(*form, "StatusLine")->text().startsWith(QStringLiteral("Cycle 2  |")));

    TCycleFigures figures;
    figures.Cycle = 12345;
    figures.FuturesPerPlayer = 2880;
    figures.DistinctPerPlayer = 1952.6;
    figures.CycleMs = 200;
    figures.StepMs = 100;
    figures.Alive = 17;
    figures.Players = 18;
    figures.Threads = 2;
    QCOMPARE(StatusText(figures),
             QStringLiteral("Cycle 12,345  |  2,880 futures per player (2 threads), 1,953 distinct  |  "
                            "200 ms, 0.50 x real time  |  17/18 alive"));
    figures.CycleMs = 0;  // no division by zero
    QVERIFY(StatusText(figures).contains(QStringLiteral("0 ms, 0.00 x real time")));
    qInfo("status bar: %.4f ms of %.1f ms of cycles", Find<TStatusLine>(*form, "StatusLine")->UpdateMs(), Find<TStatusLine>(*form, "StatusLine")->CyclesMs());
  }

  void stepRunsOneCycleThenIdles() {
    TTrack2D& track = form->Track();
    track.ClockMs = [this] { return clockMs += 1000; };
    const double x = Selected().GetPosX();
    const double y = Selected().GetPosY();
    const int64_t subSteps = track.TotalSubSteps;
    Find<QToolButton>(*form, "StepBtn")->click();  // returns after the cycle
    QCOMPARE(form->Session().CycleCount(), 1);
    QVERIFY(track.TotalSubSteps > subSteps);
    QVERIFY(Selected().GetPosX() != x || Selected().GetPosY() != y);
    QVERIFY(!form->Running());
    QVERIFY(!Find<QToolButton>(*form, "StartBtn")->isChecked());
    QVERIFY(Find<TStatusLine>(*form, "StatusLine")->text().startsWith(QStringLiteral("Cycle 1  |")));

    // While running, Step makes the cycle in progress the last.
    RunCycles(5, [&](int cycle) {
      if (cycle == 2) Find<QToolButton>(*form, "StepBtn")->click();
    });
    QCOMPARE(cyclesSeen, 2);
    QVERIFY(!form->Running());
    QVERIFY(Find<QToolButton>(*form, "PauseBtn")->isChecked());
    QVERIFY(errors.isEmpty());
  }

  void keyboardShortcutsDriveTheBench() {
    form->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(form.get()));
    TTrack2D& track = form->Track();
    track.ClockMs = [this] { return clockMs += 1000; };

    QTest::keyClick(form.get(), Qt::Key_Period);  // Step
    QCOMPARE(form->Session().CycleCount(), 1);
    QVERIFY(!form->Running());

    // Space runs; Space again, after the third cycle, pauses.
    int frames = 0;
    const QMetaObject::Connection each = connect(&form->Session(), &TSession::CycleDone, this, [&] {
      if (++frames == 3) QTest::keyClick(form.get(), Qt::Key_Space);
    });
    QTest::keyClick(form.get(), Qt::Key_Space);
    disconnect(each);
    QCOMPARE(frames, 3);
    QCOMPARE(form->Session().CycleCount(), 4);
    QVERIFY(Find<QToolButton>(*form, "PauseBtn")->isChecked());
    QVERIFY(!form->Running());

    form->Session().FrameCounter = 7;
    QTest::keyClick(form.get(), Qt::Key_R, Qt::ControlModifier);  // Reset
    QCOMPARE(form->Session().FrameCounter, 1);

    int opened = 0;
    form->Dialogs.OpenPicture = [&](const QString&) { ++opened; return QString(); };
    QTest::keyClick(form.get(), Qt::Key_O, Qt::ControlModifier);
    QCOMPARE(opened, 1);

    QTest::keyClick(form.get(), Qt::Key_Q, Qt::ControlModifier);  // Quit
    QVERIFY(!form->isVisible());
    QVERIFY(errors.isEmpty());
  }

  void aboutTellsNameVersionQtAndBuild() {
    QString shown;
    form->Dialogs.ShowAbout = [&](const QString& text) { shown = text; };
    Find<QAction>(*form, "AboutItem")->trigger();
    QVERIFY(shown.startsWith(QStringLiteral("Vorlanth 2.0")));
    QVERIFY(shown.contains(QStringLiteral("Qt ") + QString::fromLatin1(qVersion())));
    QVERIFY(shown.contains(QStringLiteral("Build: ")));
    QVERIFY(shown.contains(QStringLiteral("Release")) || shown.contains(QStringLiteral("Debug")) ||
            shown.contains(QStringLiteral("RelWithDebInfo")) || shown.contains(QStringLiteral("MinSizeRel")));
  }

  // ---- What the user sees ----

  // The list shows a two-digit name whole: its text field is as wide as the text.
  void theListShowsTwoDigitPlayerNamesWhole() {
    Find<QAction>(*form, "Addacircleofkarts1")->trigger();
    TPlayerList* list = Find<TPlayerList>(*form, "EdPlayerId");
    QCOMPARE(list->currentText(), QStringLiteral("Player #18"));
    QStyleOptionComboBox option;
    option.initFrom(list);
    option.editable = false;
    option.frame = list->hasFrame();
    option.currentText = list->currentText();
    const QRect field =
        list->style()->subControlRect(QStyle::CC_ComboBox, &option, QStyle::SC_ComboBoxEditField, list);
    for (const QString& text : {QStringLiteral("Player #18"), QStringLiteral("Player #88")})
      QVERIFY2(field.width() >= list->fontMetrics().horizontalAdvance(text),
               qPrintable(QStringLiteral("%1 px for \"%2\"").arg(field.width()).arg(text)));
    // ...and the row still fits the column: nothing overlaps the buttons.
    QCoreApplication::processEvents();
    QVERIFY(list->geometry().right() < Find<TFlatButton>(*form, "BtnAddPlayer")->geometry().left());
    QVERIFY(Find<TFlatButton>(*form, "BtnSubPlayer")->geometry().right() <= Find<QGroupBox>(*form, "edChoosePlayer")->contentsRect().right());
  }

  // The caption of the colour panel contrasts with the colour as the eye sees it.
  void theColourCaptionIsReadableOnEveryColour() {
    struct TCase {
      TColor color;
      QColor caption;
    };
    const TCase cases[] = {
        {MakeColor(0, 0, 255), Qt::white},      // pure blue is dark to the eye
        {MakeColor(0, 0, 0), Qt::white},        {MakeColor(128, 0, 128), Qt::white},
        {MakeColor(255, 255, 0), Qt::black},    {MakeColor(0, 255, 0), Qt::black},
        {MakeColor(255, 255, 255), Qt::black},  {MakeColor(180, 180, 180), Qt::black},
        {MakeColor(255, 150, 100), Qt::black},
    };
    for (const TCase& c : cases) {
      Find<TColorPanel>(*form, "EdColor")->SetColor(c.color);
      QCOMPARE(Find<TColorPanel>(*form, "EdColor")->palette().color(QPalette::WindowText), c.caption);
    }
  }

  // With every box shown, the goal boxes that do not fit can be scrolled to.
  void theGoalPanelScrollsWhenItsBoxesDoNotFit() {
    Find<QAction>(*form, "MenuTrackParams")->trigger();
    Find<QAction>(*form, "menuPlayerParams")->trigger();
    Find<QAction>(*form, "Keephealth1")->trigger();
    Find<QAction>(*form, "Keepenergyhunger1")->trigger();
    QCoreApplication::processEvents();  // lays the column out
    auto* area = form->findChild<QScrollArea*>(QStringLiteral("GoalArea"));
    QVERIFY(area);
    QVERIFY(area->height() < Find<QWidget>(*form, "EdGoals")->height());
    QScrollBar* bar = area->verticalScrollBar();
    QVERIFY(bar->isVisible());
    QCOMPARE(bar->maximum(), Find<QWidget>(*form, "EdGoals")->height() - area->viewport()->height());
    QVERIFY(area->horizontalScrollBar()->maximum() == 0);  // the boxes fit the width
    // The bottom box can be brought into view.
    const QList<TGoalBox*> boxes = GoalBoxes();
    area->ensureWidgetVisible(boxes.last());
    QCOMPARE(bar->value(), bar->maximum());
  }

  // A pressed Run is clearly darker than a released Pause.
  void thePressedRunButtonIsClearlyDarker() {
    Find<QToolButton>(*form, "StartBtn")->setChecked(true);
    auto lightness = [](QWidget* button) {
      const QImage image = button->grab().toImage().convertToFormat(QImage::Format_RGB32);
      double sum = 0;
      for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) sum += QColor(image.pixel(x, y)).lightnessF();
      return sum / (image.width() * image.height());
    };
    const double run = lightness(Find<QToolButton>(*form, "StartBtn"));
    const double pause = lightness(Find<QToolButton>(*form, "PauseBtn"));
    QVERIFY2(pause - run > 0.15, qPrintable(QStringLiteral("Run %1, Pause %2").arg(run).arg(pause)));
    Find<QToolButton>(*form, "PauseBtn")->setChecked(true);
  }

  void removingAPlayerSelectsTheLastOneAndKeepsTheLastPlayer() {
    Find<TFlatButton>(*form, "BtnSubPlayer")->click();
    QCOMPARE(Team().PlayerCount(), 1);
    QCOMPARE(Find<TPlayerList>(*form, "EdPlayerId")->count(), 1);

    Find<TFlatButton>(*form, "SpeedButton7")->click();
    Find<TFlatButton>(*form, "SpeedButton7")->click();
    QCOMPARE(Team().PlayerCount(), 3);
    QCOMPARE(Find<TPlayerList>(*form, "EdPlayerId")->count(), 3);
    QCOMPARE(Find<TPlayerList>(*form, "EdPlayerId")->currentIndex(), 2);
    TPlayer* second = Team().GetPlayer(1);
    TPlayer* third = Team().GetPlayer(2);

    ChoosePlayer(0);
    QCOMPARE(form->SelectedPlayer(), Team().GetPlayer(0));
    Find<TFlatButton>(*form, "BtnSubPlayer")->click();
    QCOMPARE(Team().PlayerCount(), 2);
    QCOMPARE(Team().GetPlayer(0), second);
    QCOMPARE(form->SelectedPlayer(), third);
    QCOMPARE(Find<TPlayerList>(*form, "EdPlayerId")->count(), 2);
    QCOMPARE(Find<TPlayerList>(*form, "EdPlayerId")->itemText(1), QStringLiteral("Player #2"));
    QCOMPARE(Find<TPlayerList>(*form, "EdPlayerId")->currentIndex(), 1);
  }

  void aCircleOfKartsReplacesThePlayers() {
    Find<QAction>(*form, "Addacircleofkarts1")->trigger();
    QCOMPARE(Team().PlayerCount(), TPopulation::CircleKartCount);
    QCOMPARE(Find<TPlayerList>(*form, "EdPlayerId")->count(), 18);
    for (int i = 0; i < 18; ++i) {
      QVERIFY(dynamic_cast<TKart*>(Team().GetPlayer(i)) != nullptr);
      QCOMPARE(Find<TPlayerList>(*form, "EdPlayerId")->itemText(i), QStringLiteral("Player #%1").arg(i + 1));
    }
    QCOMPARE(Find<TPlayerList>(*form, "EdPlayerId")->currentIndex(), 17);
    QCOMPARE(form->SelectedPlayer(), Team().GetPlayer(17));
    QCOMPARE(Team().Goals->GoalCount(), 1);  // the team's goals stay
    QVERIFY(errors.isEmpty());
  }

  void debugFlagsFollowTheSelectedPlayer() {
    Find<TFlatButton>(*form, "SpeedButton7")->click();
    ChoosePlayer(0);
    Find<QAction>(*form, "MenuDebugTraces")->trigger();
    QVERIFY(Body(0).ShowTraces);
    ChoosePlayer(1);
    QVERIFY(!Find<QAction>(*form, "MenuDebugTraces")->isChecked());
    QVERIFY(Body(0).ShowTraces);
    QVERIFY(!Body(1).ShowTraces);
    // Feelings carry over from one selected player to the next.
    QVERIFY(Find<QAction>(*form, "MenuDebugFeelings")->isChecked());
    QVERIFY(Body(1).ShowFeelings);

    Find<QAction>(*form, "Addatriangle1")->trigger();  // a new asteroid draws its traces
    QCOMPARE(Team().PlayerCount(), 3);
    QVERIFY(Find<QAction>(*form, "MenuDebugTraces")->isChecked());
  }

  void theBurnOutGoalIsGreyedForAKartAndAddedForARocket() {
    Find<TFlatButton>(*form, "BtnAddPlayer")->click();  // "+Kart"
    TPlayer& kart = Selected();
    QVERIFY(dynamic_cast<TKart*>(&kart));
    const int32_t goals = kart.Goals->GoalCount();
    QVERIFY(!Find<QAction>(*form, "Suckenergyfromplayersinfrontofyou1")->isEnabled());
    Find<QAction>(*form, "Suckenergyfromplayersinfrontofyou1")->trigger();
    QVERIFY(errors.isEmpty());
    QCOMPARE(kart.Goals->GoalCount(), goals);
    QVERIFY(!Find<QAction>(*form, "MenuDebugGoals")->isChecked());

    // The window goes on working: the same command on the rocket adds the goal.
    ChoosePlayer(0);
    const int32_t rocketGoals = Selected().Goals->GoalCount();
    Find<QAction>(*form, "Suckenergyfromplayersinfrontofyou1")->trigger();
    QCOMPARE(Selected().Goals->GoalCount(), rocketGoals + 1);
    QVERIFY(Find<QAction>(*form, "MenuDebugGoals")->isChecked());
    QVERIFY(Selected().Goals->ShowGoals);
    QCOMPARE(GoalBoxes().size(), 5);
    QVERIFY(errors.isEmpty());
  }

  void loadingACircuit() {
    QTemporaryDir dir;
    const QImage before = Rgb(form->RoadImage());
    const std::vector<uint8_t> cells = form->Track().Cells;

    // Cancelled, another extension, an unreadable file: the circuit stays.
    Find<QAction>(*form, "Loadcircuit800x600BMP1")->trigger();
    openFileAnswer = dir.filePath(QStringLiteral("circuit.PNG"));
    QImage(800, 600, QImage::Format_RGB32).save(openFileAnswer, "PNG");
    Find<QAction>(*form, "Loadcircuit800x600BMP1")->trigger();
    QVERIFY(errors.isEmpty());
    openFileAnswer = dir.filePath(QStringLiteral("broken.bmp"));
    QFile broken(openFileAnswer);
    QVERIFY(broken.open(QIODevice::WriteOnly));
    broken.write("this is not a bitmap");
    broken.close();
    Find<QAction>(*form, "Loadcircuit800x600BMP1")->trigger();
    QCOMPARE(errors.size(), 1);
    QVERIFY(form->Track().Cells == cells);
    QCOMPARE(Rgb(form->RoadImage()), before);

    // A good bitmap replaces circuit and picture: here a wall along the top.
    QImage circuit(800, 600, QImage::Format_RGB32);
    circuit.fill(Qt::white);
    for (int y = 0; y < 100; ++y)
      for (int x = 0; x < 800; ++x) circuit.setPixel(x, y, qRgb(0, 0, 0));
    openFileAnswer = dir.filePath(QStringLiteral("walled.BMP"));
    QVERIFY(circuit.save(openFileAnswer, "BMP"));
    QVERIFY(form->Track().IsOnTrack(400, 50));
    Find<QAction>(*form, "Loadcircuit800x600BMP1")->trigger();
    QCOMPARE(errors.size(), 1);
    QVERIFY(!form->Track().IsOnTrack(400, 50));
    QVERIFY(form->Track().IsOnTrack(400, 300));
    QCOMPARE(form->RoadImage().pixel(10, 10), qRgb(0, 0, 0));
    QCOMPARE(form->RoadImage().pixel(10, 590), qRgb(255, 255, 255));
    QCOMPARE(Team().PlayerCount(), 1);  // players stay
  }

  void goalBarsWriteTheGoals() {
    TGoalBox* speeding = GoalBox(QStringLiteral("GOAL \"Speeding\""));
    QVERIFY(speeding);
    TGoal& goal = Selected().Goals->GetGoal(2);
    QCOMPARE(goal.Name, std::string("Speeding"));
    QCOMPARE(goal.Strength, 1.0);
    QCOMPARE(goal.MaxStrength, 5.0);
    QCOMPARE(Bars(speeding).size(), 1);
    QCOMPARE(Bars(speeding)[0]->value(), 20);
    QCOMPARE(Label(speeding, QStringLiteral("STRENGTH_3")), QStringLiteral("1.00"));
    Bars(speeding)[0]->setValue(100);
    QCOMPARE(goal.Strength, 5.0);
    QCOMPARE(Label(speeding, QStringLiteral("STRENGTH_3")), QStringLiteral("5.00"));

    // Reaction and urgency rows; a reaction of 0 drops them at the next rebuild.
    TGoal& health = Selected().Goals->GetGoal(0);
    health.Urgency = 0.5;
    form->UpdateGoals();
    TGoalBox* healthBox = GoalBox(QStringLiteral("GOAL \"Health\""));
    QCOMPARE(Bars(healthBox).size(), 3);
    QCOMPARE(Label(healthBox, QStringLiteral("REACTION_1")), QStringLiteral("10.0s"));
    QSlider* reaction = Bars(healthBox)[1];  // the bars in row order
    QSlider* urgency = Bars(healthBox)[2];
    QCOMPARE(reaction->value(), 100);
    QCOMPARE(urgency->value(), 25);
    QCOMPARE(Label(healthBox, QStringLiteral("URGENCY_1")), QStringLiteral("0.50"));
    urgency->setValue(100);
    QCOMPARE(health.Urgency, 2.0);
    reaction->setValue(0);
    QCOMPARE(health.ReactionMs, 0);
    QCOMPARE(Label(healthBox, QStringLiteral("REACTION_1")), QStringLiteral("0.0s"));
    form->UpdateGoals();
    QCOMPARE(Bars(GoalBox(QStringLiteral("GOAL \"Health\""))).size(), 1);

    // A team box writes the team's goal.
    TGoalBox* drops = GoalBox(QStringLiteral("GOAL \"Get drops\" (team)"));
    Bars(drops)[0]->setValue(50);
    QCOMPARE(Team().Goals->GetGoal(0).Strength, 2.5);
    QCOMPARE(Label(drops, QStringLiteral("STRENGTH_1_T")), QStringLiteral("2.50"));
  }

  void deletingGoalsEmptiesThePanelAndKeepsTheSelection() {
    Find<TFlatButton>(*form, "SpeedButton7")->click();
    ChoosePlayer(0);
    TPlayer* chosen = form->SelectedPlayer();
    Find<QAction>(*form, "Deleteallplayerspersonalgoals1")->trigger();
    QCOMPARE(form->SelectedPlayer(), chosen);
    QCOMPARE(Find<TPlayerList>(*form, "EdPlayerId")->currentIndex(), 0);
    QCOMPARE(Body(0).Goals->GoalCount(), 0);
    QCOMPARE(Body(1).Goals->GoalCount(), 0);
    Find<QAction>(*form, "DeleteallTeamsGoals1")->trigger();
    QVERIFY(GoalBoxes().isEmpty());
    QCOMPARE(Find<QWidget>(*form, "EdGoals")->height(), 1);

    RunCycles(2);  // players without goals go on living
    QCOMPARE(cyclesSeen, 2);

    Find<QAction>(*form, "Addateamgoalforcollectingdrops1")->trigger();
    QCOMPARE(Team().Goals->GoalCount(), 1);
    QCOMPARE(GoalBoxes().size(), 1);
    QCOMPARE(GoalBoxes()[0]->title(), QStringLiteral("GOAL \"Get drops\" (team)"));
    QVERIFY(errors.isEmpty());
  }

  void theColourPanelSetsThePlayersColour() {
    const TColor original = Selected().Color;
    form->EdColorClick();  // cancelled
    QCOMPARE(Selected().Color, original);
    colorAnswer = QColor(10, 20, 30);
    QTest::mouseClick(Find<TColorPanel>(*form, "EdColor"), Qt::LeftButton);
    QCOMPARE(Selected().Color, MakeColor(10, 20, 30));
    QCOMPARE(Find<TColorPanel>(*form, "EdColor")->Color(), MakeColor(10, 20, 30));
  }
};

QTEST_MAIN(FormTest2DTest)
#include "form_test2d_test.moc"
