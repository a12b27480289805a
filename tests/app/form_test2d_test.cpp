// The window's start-up and run loop: Run, Pause, Step and closing, frames and
// their folder, commands inside a cycle, the status line, shortcuts and About.

#include "form_fixture.h"

using namespace vorlanth;
using vorlanth::testing::Find;

class FormTest2DTest : public QObject, protected vorlanth::testing::TFormFixture {
  Q_OBJECT

 private slots:
  void init() { Init(); }
  void cleanup() { Cleanup(); }

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
             QStringLiteral("Cycle 12,345  |  2,880 futures per player (2 threads, 1 lane), 1,953 distinct  |  "
                            "200 ms, 0.50 x real time  |  17/18 alive"));
    figures.Threads = 1;
    figures.Lanes = 8;
    QVERIFY(StatusText(figures).contains(QStringLiteral("(1 thread, 8 lanes)")));
    figures.VectorWidth = 8;
    QVERIFY(StatusText(figures).contains(QStringLiteral("(1 thread, 8 lanes, AVX-512)")));
    figures.Lanes = 6;
    figures.VectorWidth = 4;
    QVERIFY(StatusText(figures).contains(QStringLiteral("(1 thread, 6 lanes, AVX2)")));
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
};

QTEST_MAIN(FormTest2DTest)
#include "form_test2d_test.moc"
