// The timeline under the circuit: a past cycle shown is exactly the one that ran
// (its scene, saved then, byte for byte), the world goes on from it exactly, the
// later cycles come back with one undo, and the kept cycles stay within their
// memory, thinned oldest first.

#include <QAction>
#include <QFile>
#include <QLabel>
#include <QLineSeries>
#include <QSlider>
#include <QSpinBox>
#include <QStyle>
#include <QStyleOptionSlider>
#include <QToolButton>
#include <QTemporaryDir>
#include <QUndoStack>
#include <QtTest>

#include "app/player_dock.h"
#include "app/timeline.h"
#include "form_harness.h"
#include "render/output_file.h"
#include "scene/scene.h"

using namespace vorlanth;
using namespace vorlanth::testing;

class TimelineTest : public QObject {
  Q_OBJECT

 private:
  TFormHarness h;
  QTemporaryDir dir;

  QString Path(const QString& name) const { return dir.filePath(name); }
  static QByteArray Bytes(const QString& file) {
    QFile f(file);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
  }
  // The world as the model writes it, in a file of its own.
  void WriteScene(const QString& file) const {
    SaveScene(EncodeFileName(file), h.Form->Session().Track(), h.Form->Session().Circuit());
  }
  QSlider* Slider() const { return Find<QSlider>(*h.Form, "TimelineSlider"); }
  // Drags the slider's handle to its left end with the mouse.
  void DragToStart() {
    QSlider* slider = Slider();
    QStyleOptionSlider option;
    option.initFrom(slider);
    option.orientation = slider->orientation();
    option.minimum = slider->minimum();
    option.maximum = slider->maximum();
    option.sliderPosition = slider->sliderPosition();
    option.sliderValue = slider->value();
    const QRect handle = slider->style()->subControlRect(QStyle::CC_Slider, &option, QStyle::SC_SliderHandle, slider);
    QTest::mousePress(slider, Qt::LeftButton, {}, handle.center());
    QTest::mouseMove(slider, QPoint(0, handle.center().y()));
    QTest::mouseRelease(slider, Qt::LeftButton, {}, QPoint(0, handle.center().y()));
  }

 private slots:
  void initTestCase() {
    QStandardPaths::setTestModeEnabled(true);
    QVERIFY(dir.isValid());
  }
  void init() {
    h.Open();
    h.Track().Random.SeedRun(7);
    h.Errors.clear();
  }
  void cleanup() { h.Close(); }

  void aPastCycleIsTheOneThatRanAndTheWorldGoesOnFromIt() {
    TSession& session = h.Form->Session();
    // A rocket, a kart, a circle of karts; drops to collect and a box to store them.
    Find<QAbstractButton>(*h.Form, "BtnAddPlayer")->click();
    Find<QAction>(*h.Form, "Addacircleofkarts1")->trigger();
    Find<QAction>(*h.Form, "Addateamgoalforstoringcollecteddrops1")->trigger();
    Find<QAction>(*h.Form, "menuPlots")->trigger();
    // Eight cycles; the scenes of cycles 3 and 4 saved as they ran. Running, the
    // slider follows the newest cycle and is not dragged.
    bool followed = true;
    h.RunCycles(8, [&](int cycle) {
      if (cycle == 3) WriteScene(Path(QStringLiteral("at3.vorlanth.json")));
      if (cycle == 4) WriteScene(Path(QStringLiteral("at4.vorlanth.json")));
      followed = followed && !Slider()->isEnabled() && Slider()->value() == Slider()->maximum();
    });
    QVERIFY(followed);
    QCOMPARE(session.CycleCount(), 8);
    WriteScene(Path(QStringLiteral("end.vorlanth.json")));
    const QImage endPicture = h.Form->RoadImage().copy();
    const int steps = session.UndoStack().count();
    QCOMPARE(Slider()->maximum(), 8);  // the run's start and cycles 1 to 7 kept, then the world

    // Dragged to the start, then three steps right by the keys: cycle 3, shown
    // at once, and nothing changed.
    DragToStart();
    QCOMPARE(session.ShownCycle(), 0);
    for (int i = 0; i < 3; ++i) QTest::keyClick(Slider(), Qt::Key_Right);
    QCOMPARE(session.ShownCycle(), 3);
    // The arrows step it from elsewhere in the window too, but not from a box that
    // takes them.
    QTest::keyClick(Find<QToolButton>(*h.Form, "StepBtn"), Qt::Key_Right);
    QCOMPARE(session.ShownCycle(), 4);
    QTest::keyClick(Find<QToolButton>(*h.Form, "StepBtn"), Qt::Key_Left);
    QTest::keyClick(Find<QSpinBox>(*h.Form, "EdThreads"), Qt::Key_Left);
    QCOMPARE(session.ShownCycle(), 3);
    QCOMPARE(Find<QLabel>(*h.Form, "LbTimeline")->text(), QStringLiteral("Cycle 3 of 8"));
    QVERIFY(h.Form->RoadImage() != endPicture);
    QCOMPARE(session.CycleCount(), 8);
    QCOMPARE(session.UndoStack().count(), steps);
    // The boxes and plots show that cycle: its players where they were then, the
    // plots ending there.
    QCOMPARE(h.Form->Track().CycleCount, uint64_t{3});
    bool moved = false;
    for (int32_t i = 0; i < h.Team().PlayerCount(); ++i) {
      const auto* then = static_cast<TPlayer2D*>(h.Form->Track().CurrentTeam->GetPlayer(i));
      const auto* now = static_cast<TPlayer2D*>(h.Team().GetPlayer(i));
      moved = moved || then->GetPosX() != now->GetPosX() || then->GetPosY() != now->GetPosY();
    }
    QVERIFY(moved);
    // The player dock, opened now, shows the selected player as it was then.
    Find<QAction>(*h.Form, "menuPlayerDock")->trigger();
    auto* dock = Find<TPlayerDock>(*h.Form, "PlayerDock");
    QVERIFY(dock->isVisible());
    QCOMPARE(Find<QLabel>(*dock, "LbDockPosition")->text(),
             TPlayerNumbers::Of(h.Form->Track(), h.Form->SelectedPlayer()).Position);
    // A past cycle keeps no futures (the world's own player ran some): the dock
    // does not call them none distinct.
    QVERIFY(!Find<QLabel>(*dock, "LbDockFutures")->text().contains(QStringLiteral("distinct")));
    QCOMPARE(Find<TPlotsDock>(*h.Form, "PlotsDock")->Energy->points().back().x(), 3.0);

    // A command that changes no world (a box hidden) leaves the past cycle shown;
    // saving, like any change, goes on from it.
    Find<QAction>(*h.Form, "menuPlayerParams")->trigger();
    QVERIFY(session.ShowingPast());

    // Saving is a command: the world goes on from cycle 3, and it is the scene
    // saved as it ran, byte for byte; the later cycles are gone; the journal
    // starts from it.
    h.SceneAnswer = Path(QStringLiteral("shown.vorlanth.json"));
    Find<QAction>(*h.Form, "SaveSceneAsItem")->trigger();
    QVERIFY(h.Errors.isEmpty());
    QCOMPARE(Bytes(Path(QStringLiteral("shown.vorlanth.json"))), Bytes(Path(QStringLiteral("at3.vorlanth.json"))));
    QCOMPARE(session.CycleCount(), 3);
    QVERIFY(!session.ShowingPast());
    QCOMPARE(session.Timeline().Count(), 4);  // cycles 0 to 3
    QCOMPARE(Slider()->maximum(), 3);
    QCOMPARE(session.UndoStack().undoText(), QStringLiteral("Continue from cycle 3"));
    const QString start = session.SaveJournal(Path(QStringLiteral("branch.vorlanth-journal.json")));
    QCOMPARE(Bytes(start), Bytes(Path(QStringLiteral("at3.vorlanth.json"))));
    QCOMPARE(CheckConsistency(*h.Form), QString());

    // Step: the cycle that ran after it, exactly.
    Find<QToolButton>(*h.Form, "StepBtn")->click();
    QCOMPARE(session.CycleCount(), 4);
    WriteScene(Path(QStringLiteral("stepped.vorlanth.json")));
    QCOMPARE(Bytes(Path(QStringLiteral("stepped.vorlanth.json"))), Bytes(Path(QStringLiteral("at4.vorlanth.json"))));

    // One undo: the world as the run left it, and its kept cycles.
    Find<QAction>(*h.Form, "UndoItem")->trigger();
    QCOMPARE(session.CycleCount(), 8);
    WriteScene(Path(QStringLiteral("undone.vorlanth.json")));
    QCOMPARE(Bytes(Path(QStringLiteral("undone.vorlanth.json"))), Bytes(Path(QStringLiteral("end.vorlanth.json"))));
    QCOMPARE(session.Timeline().Count(), 9);
    QCOMPARE(Slider()->maximum(), 8);
    QCOMPARE(CheckConsistency(*h.Form), QString());

    // An undo while a past cycle is shown undoes the world's last step; it does
    // not go on from the cycle shown.
    const int32_t goals = h.Team().Goals->GoalCount();
    QTest::keyClick(Slider(), Qt::Key_Left);
    QCOMPARE(session.ShownCycle(), 7);
    Find<QAction>(*h.Form, "UndoItem")->trigger();
    QVERIFY(!session.ShowingPast());
    QCOMPARE(session.CycleCount(), 8);
    QCOMPARE(h.Team().Goals->GoalCount(), goals - 1);  // the storage goal's addition undone
    QVERIFY(h.Errors.isEmpty());
  }

  void theKeptCyclesStayWithinTheirMemoryThinnedOldestFirst() {
    TSession& session = h.Form->Session();
    h.RunCycles(1);
    const size_t perCycle = session.Timeline().At(session.Timeline().Count() - 1).Bytes;
    QVERIFY(perCycle > 0);
    session.SetTimelineBudget(perCycle * 12);
    h.RunCycles(60);
    const TTimeline& kept = session.Timeline();
    QVERIFY(kept.Bytes() <= kept.Budget());
    QVERIFY(kept.Count() >= 6);
    QCOMPARE(kept.At(0).Cycle, 0);  // the run's start stays
    QCOMPARE(kept.At(kept.Count() - 1).Cycle, session.CycleCount());
    // Dense at the newest end, sparse at the oldest.
    QCOMPARE(kept.At(kept.Count() - 1).Cycle - kept.At(kept.Count() - 2).Cycle, 1);
    QVERIFY(kept.At(1).Cycle - kept.At(0).Cycle > 2);

    // Going on from an old cycle, the step of undo keeps the later ones, but
    // within the same budget: as new cycles come, the step lets them go.
    QTest::keyClick(Slider(), Qt::Key_Home);
    QTest::keyClick(Slider(), Qt::Key_Right);
    const int64_t from = session.ShownCycle();
    Find<QToolButton>(*h.Form, "StepBtn")->click();
    QCOMPARE(session.CycleCount(), from + 1);
    h.RunCycles(20);
    QVERIFY(kept.Bytes() <= kept.Budget());
    Find<QAction>(*h.Form, "UndoItem")->trigger();
    QCOMPARE(session.CycleCount(), 61);
    QVERIFY(kept.At(kept.Count() - 1).Cycle <= from);  // the later ones were let go

    // The budget is the box's, in megabytes, remembered with the window.
    Find<QSpinBox>(*h.Form, "EdTimelineMemory")->setValue(64);
    QCOMPARE(kept.Budget(), size_t{64} << 20);
    h.Form->SaveSettings();
    h.Open();
    h.Form->RestoreSettings();
    QCOMPARE(Find<QSpinBox>(*h.Form, "EdTimelineMemory")->value(), 64);
    QCOMPARE(h.Form->Session().Timeline().Budget(), size_t{64} << 20);
  }
};

QTEST_MAIN(TimelineTest)
#include "timeline_test.moc"
