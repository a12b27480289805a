// New worlds, help and the rough edges a daily user meets, driven as the user
// does: File > New and Examples (each one step of undo), Help > "Keyboard
// shortcuts" and the tooltips, plain messages for a file the user named, the
// dialogs' first folder, frame names and failures, the film's name, the friction
// label, the selection ring, Restore defaults and the plots dock on a small screen.

#include <QAbstractSlider>
#include <QAbstractSpinBox>
#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QBarCategoryAxis>
#include <QChart>
#include <QChartView>
#include <QLabel>
#include <QLineSeries>
#include <QScrollBar>
#include <QSet>
#include <QStandardPaths>
#include <QStatusBar>
#include <QTableWidget>
#include <QToolButton>
#include <QUndoStack>
#include <QtTest>

#include <stdexcept>

#include "app/file_problem.h"
#include "app/shortcuts_dialog.h"
#include "bench/population.h"
#include "bench/scenes.h"
#include "find_control.h"
#include "form_harness.h"
#include "render/builtin_circuit.h"
#include "render/output_file.h"
#include "scene/scene.h"
#include "world2d/player2d.h"

using namespace vorlanth;
using namespace vorlanth::testing;

class WindowEdgesTest : public QObject {
  Q_OBJECT

 private:
  TFormHarness h;
  QTemporaryDir dir;

  QByteArray World() const { return SceneDocument(h.Track(), h.Form->Session().Circuit(), "world.vorlanth.json"); }
  // The built-in scene as the headless runner builds it, from the same random stream.
  QByteArray RunnerWorld(const char* scene, const TWorldRandom& random) const {
    TTrack2D track;
    TTeam team;
    const auto picture = LoadBuiltinCircuit();
    track.LoadFromImage(*picture);
    track.AddTeam(&team);
    track.Random = random;
    TPopulation population(track);
    population.OnPlayerAdded = [](TPlayer& player) { player.ShowFeelings = true; };
    BuildBuiltinScene(population, scene);
    return SceneDocument(track, h.Form->Session().Circuit(), "world.vorlanth.json");
  }
  QAction* Item(const char* name) const { return Find<QAction>(*h.Form, name); }
  void Step() { Find<QToolButton>(*h.Form, "StepBtn")->click(); }

 private slots:
  void initTestCase() {
    QStandardPaths::setTestModeEnabled(true);
    QVERIFY(dir.isValid());
  }
  void init() {
    h.OpenFileAnswer.clear();
    h.SaveFileAnswer.clear();
    h.SaveAnswer = TSaveAnswer::Discard;
    h.Open();
    h.Track().Random.SeedRun(3);
    h.Errors.clear();
    h.Reports.clear();
    h.FileProblems.clear();
    QVERIFY(QTest::qWaitForWindowExposed(h.Form.get()));
  }
  void cleanup() { h.Close(); }

  // Ctrl+N and each example give the runner's scene, untitled; each is one step
  // of undo back to the world before; unsaved changes are asked about first.
  void newAndExamplesAreTheRunnersScenesEachOneStep() {
    for (const char* scene : BuiltinSceneNames) {
      Find<QAction>(*h.Form, "Addlotsofasteroids1")->trigger();  // a change to lose
      const int32_t playersBefore = h.Team().PlayerCount();
      const TTrack2D* trackBefore = &h.Track();
      const int questions = h.Questions;
      const TWorldRandom random = h.Track().Random;
      if (QLatin1String(scene) == QLatin1String("start"))
        QTest::keyClick(h.Form.get(), Qt::Key_N, Qt::ControlModifier);
      else
        Find<QAction>(*h.Form, qPrintable(QStringLiteral("Example_%1").arg(QLatin1String(scene))))->trigger();
      QCOMPARE(h.Questions, questions + 1);
      QCOMPARE(World(), RunnerWorld(scene, random));
      QCOMPARE(h.Form->windowTitle(), QStringLiteral("untitled[*] - Vorlanth Test V2.0"));
      QVERIFY(!h.Form->isWindowModified());
      QCOMPARE(CheckConsistency(*h.Form), QString());
      const int32_t players = h.Team().PlayerCount();
      Item("UndoItem")->trigger();
      QCOMPARE(&h.Track(), trackBefore);  // the very world before
      QCOMPARE(h.Team().PlayerCount(), playersBefore);
      QCOMPARE(CheckConsistency(*h.Form), QString());
      Item("RedoItem")->trigger();
      QCOMPARE(h.Team().PlayerCount(), players);
    }
    // Cancel keeps the world.
    h.SaveAnswer = TSaveAnswer::Cancel;
    Find<QAction>(*h.Form, "Addlotsofasteroids1")->trigger();
    const QByteArray kept = World();
    Item("NewItem")->trigger();
    QCOMPARE(World(), kept);
    QVERIFY(h.Errors.isEmpty());
  }

  // The dialog lists every key the window's actions have, with its command.
  void theShortcutsListEveryKeyOfTheActions() {
    QList<QPair<QString, QString>> rows;
    h.Form->Dialogs.ShowShortcuts = [&rows](const QList<QPair<QString, QString>>& shown) { rows = shown; };
    Item("ShortcutsItem")->trigger();
    QSet<QString> keys;
    for (const auto& row : rows) keys.insert(row.first);
    int withKeys = 0;
    for (const QAction* action : h.Form->findChildren<QAction*>()) {
      if (action->shortcut().isEmpty()) continue;
      ++withKeys;
      QVERIFY2(keys.contains(action->shortcut().toString(QKeySequence::NativeText)), qPrintable(action->objectName()));
    }
    QVERIFY(withKeys >= 10);
    // Beside the actions' keys, the timeline's arrows, which no action holds.
    QVERIFY(keys.contains(QStringLiteral("Left")) && keys.contains(QStringLiteral("Right")));
    QCOMPARE(rows.size(), withKeys + 2);
    TShortcutsDialog dialog(rows);
    QCOMPARE(dialog.Table->rowCount(), withKeys + 2);
    QVERIFY(rows.contains({QStringLiteral("Ctrl+N"), QStringLiteral("File > New")}));
  }

  // Every slider and box of the column and the goal panel says what it does.
  void everySliderAndBoxHasItsOwnTooltip() {
    Item("Runfast1")->trigger();  // a goal with bars of each row
    Item("Keepenergyhunger1")->trigger();
    QSet<QString> tips;
    int controls = 0;
    for (QWidget* control : h.Form->findChildren<QWidget*>()) {
      if (!qobject_cast<QAbstractSlider*>(control) && !qobject_cast<QAbstractSpinBox*>(control) &&
          !qobject_cast<QCheckBox*>(control) && !qobject_cast<QComboBox*>(control))
        continue;
      if (!Find<QWidget>(*h.Form, "Panel4")->isAncestorOf(control) || qobject_cast<QScrollBar*>(control)) continue;
      ++controls;
      QVERIFY2(!control->toolTip().isEmpty(),
               qPrintable(control->objectName() + QLatin1Char(' ') + QLatin1String(control->metaObject()->className())));
      tips.insert(control->toolTip());
    }
    QVERIFY(controls >= 15);
    QVERIFY(tips.size() >= 14);  // the goal bars of one row share theirs
    QVERIFY(Find<QWidget>(*h.Form, "EdSize")->toolTip().contains(QStringLiteral("pixels")));
    QVERIFY(Find<QWidget>(*h.Form, "EdSeconds")->toolTip().contains(QStringLiteral(" s")));
  }

  // A damaged scene, a missing recent file or a file named on the command line
  // that is not there: a plain message naming it; a refused command keeps the report.
  void aFileTheUserNamedGetsAPlainMessage() {
    const QString bad = dir.filePath(QStringLiteral("damaged.vorlanth.json"));
    QVERIFY(WriteBytes(bad, QByteArray("{\"version\": 2, \"tea")));
    h.OpenFileAnswer = bad;
    QTest::keyClick(h.Form.get(), Qt::Key_O, Qt::ControlModifier);
    const QString gone = dir.filePath(QStringLiteral("gone.vorlanth.json"));
    h.Form->OpenGivenFile(gone);
    QCOMPARE(h.FileProblems.size(), 2);
    QVERIFY2(h.FileProblems[0].contains(bad) && h.FileProblems[0].contains(QStringLiteral("not JSON")),
             qPrintable(h.FileProblems[0]));
    QVERIFY(h.FileProblems[1].contains(gone));
    QVERIFY(h.Reports.isEmpty());

    // The line: the program's message about the file is the file's problem; a
    // fault met while reading it (anything else) keeps its own type, and its report.
    QVERIFY_THROWS_EXCEPTION(TFileProblem, AsFileProblem(bad, [] { throw Error("unreadable"); }));
    QVERIFY_THROWS_EXCEPTION(std::logic_error, AsFileProblem(bad, [] { throw std::logic_error("a broken invariant"); }));

    Find<TFlatButton>(*h.Form, "BtnAddPlayer")->click();  // a kart: energy stealing is refused
    Item("Suckenergyfromplayersinfrontofyou1")->setEnabled(true);
    Item("Suckenergyfromplayersinfrontofyou1")->trigger();
    QCOMPARE(h.Reports.size(), 1);
    QCOMPARE(h.FileProblems.size(), 2);
  }

  // The first Open, Save and Record dialogs show the user's documents (or home).
  void theFirstDialogsStartInTheUsersFolder() {
    QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    if (documents.isEmpty() || !QDir(documents).exists()) documents = QDir::homePath();
    QStringList asked;
    h.Form->Dialogs.SaveScene = [&asked](const QString& folder) { asked << folder; return QString(); };
    h.Form->Dialogs.SaveVideo = [&asked](const QString& folder) { asked << folder; return QString(); };
    h.Form->Dialogs.SaveFile = [&asked](const QString& folder) { asked << folder; return QString(); };
    QTest::keyClick(h.Form.get(), Qt::Key_O, Qt::ControlModifier);
    asked << h.OpenFolderAsked;
    QTest::keyClick(h.Form.get(), Qt::Key_S, Qt::ControlModifier);
    Item("RecordVideoItem")->trigger();
    Item("Saveimagestofolder")->trigger();
    QCOMPARE(asked, QStringList(4, documents));
    QVERIFY(!asked.contains(QCoreApplication::applicationDirPath()));
  }

  // "frame.bmp" gives frame_00001.bmp; a frame that cannot be written unchecks
  // the item, so the next Run does not fail again.
  void framesAreNamedWithoutTheTypedExtensionAndAFailureUnchecks() {
    h.SaveFileAnswer = dir.filePath(QStringLiteral("frame.BMP"));
    Item("Saveimagestofolder")->trigger();
    Step();
    QVERIFY(QFile::exists(dir.filePath(QStringLiteral("frame_00001.bmp"))));
    QVERIFY(Item("Saveimagestofolder")->isChecked());

    h.SaveFileAnswer = QStringLiteral("/no-such-folder-for-frames/frame");
    Item("Saveimagestofolder")->trigger();  // off
    Item("Saveimagestofolder")->trigger();  // on, into nowhere
    QVERIFY(Item("Saveimagestofolder")->isChecked());
    Step();
    QCOMPARE(h.Errors.size(), 1);
    QVERIFY(!Item("Saveimagestofolder")->isChecked());
    Find<QToolButton>(*h.Form, "PauseBtn")->click();
    Step();
    QCOMPARE(h.Errors.size(), 1);
  }

  // Stopping a film says in the status bar which file was written.
  void stoppingAFilmNamesItsFile() {
    const QString film = dir.filePath(QStringLiteral("named.mp4"));
    h.Form->Dialogs.SaveVideo = [&film](const QString&) { return film; };
    Item("RecordVideoItem")->trigger();
    Step();
    Step();
    Item("RecordVideoItem")->trigger();
    QVERIFY(QFileInfo(film).size() > 0);
    QVERIFY2(h.Form->statusBar()->currentMessage().contains(QDir::toNativeSeparators(film)),
             qPrintable(h.Form->statusBar()->currentMessage()));
    QVERIFY(h.Errors.isEmpty());
  }

  // Right after the circle of karts, the ring is on the selected kart.
  void theRingIsOnTheSelectedKartAfterTheCircle() {
    Item("Addacircleofkarts1")->trigger();
    const auto& kart = dynamic_cast<const TPlayer2D&>(*h.Form->SelectedPlayer());
    const QPointF ring = Find<TImageView>(*h.Form, "ImgRoad")->MarkCentre();
    QCOMPARE(ring, QPointF(kart.GetPosX(), kart.GetPosY()));
  }

  // With 7 goals every legend entry is whole, below its chart; opening the dock
  // keeps the window on a 1366 x 768 screen, the dock at least half its width.
  void thePlotsDockFitsASmallScreenWithWholeLegends() {
    const QRect screen(0, 0, 1366, 768);
    h.Form->ScreenArea = [screen] { return screen; };
    h.Form->move(153, 32);  // centred, as at start
    for (const char* goal : {"Keepenergyhunger1", "Keephealth1", "AvoidOtherPlayers"}) Item(goal)->trigger();
    Step();
    Step();
    QTest::keyClick(h.Form.get(), Qt::Key_P, Qt::ControlModifier);
    for (int i = 0; i < 3; ++i) QCoreApplication::processEvents();
    auto* dock = Find<TPlotsDock>(*h.Form, "PlotsDock");
    QVERIFY(dock->isVisible());
    QVERIFY2(screen.contains(h.Form->frameGeometry()), qPrintable(QStringLiteral("%1 %2 %3 %4")
                                                                      .arg(h.Form->frameGeometry().x())
                                                                      .arg(h.Form->frameGeometry().y())
                                                                      .arg(h.Form->frameGeometry().width())
                                                                      .arg(h.Form->frameGeometry().height())));
    QVERIFY(dock->width() >= TPlotsDock::DockWidth / 2);
    dock->Refresh();
    for (int i = 0; i < 3; ++i) QCoreApplication::processEvents();
    int goals = 0;
    for (QLineSeries* line : dock->GoalValues) {
      if (!line->isVisible()) continue;
      ++goals;
      QString whole = line->name().toHtmlEscaped();
      QVERIFY2(Find<QLabel>(*dock, "GoalsLegend")->text().contains(whole.replace(QLatin1Char(' '), QStringLiteral("&nbsp;"))),
               qPrintable(line->name() + QStringLiteral(" not in ") + Find<QLabel>(*dock, "GoalsLegend")->text()));
    }
    QCOMPARE(goals, 7);
    // The support's option names, written across, fit left of its bars.
    for (QChartView* view : dock->findChildren<QChartView*>()) {
      if (!view->chart()->axes().contains(dock->SupportOptions)) continue;
      QVERIFY(!dock->SupportOptions->categories().isEmpty());
      const QFontMetrics metrics(dock->SupportOptions->labelsFont());
      for (const QString& option : dock->SupportOptions->categories())
        QVERIFY2(view->chart()->plotArea().left() >= metrics.horizontalAdvance(option), qPrintable(option));
    }
    for (const char* name : {"GoalsLegend", "BodyLegend", "ControlsLegend", "FuturesLegend"}) {
      const auto* legend = Find<QLabel>(*dock, name);
      QVERIFY2(!legend->text().isEmpty() && legend->height() >= legend->heightForWidth(legend->width()), name);
    }
  }

  // Restore defaults says what it did.
  void restoreDefaultsSaysSo() {
    Item("RestoreDefaultsItem")->trigger();
    QVERIFY(h.Form->statusBar()->currentMessage().contains(QStringLiteral("Defaults restored")));
  }
};

QTEST_MAIN(WindowEdgesTest)
#include "window_edges_test.moc"
