// The comforts a daily user expects, driven through real mouse events: picking a
// player on the circuit, a bar dragged as one step of undo, the MOVE box while
// running, and going back to the built-in circuit.

#include <QAction>
#include <QFileInfo>
#include <QLabel>
#include <QSlider>
#include <QToolButton>
#include <QUndoStack>
#include <QtTest>

#include "core/random.h"
#include "find_control.h"
#include "form_harness.h"
#include "world2d/player2d.h"

using namespace vorlanth;
using namespace vorlanth::testing;

class ComfortsTest : public QObject {
  Q_OBJECT

 private:
  TFormHarness h;
  QTemporaryDir dir;

  // The widget point over a circuit point (the picture is stretched).
  QPoint OnCircuit(double x, double y) {
    const auto* view = Find<TImageView>(*h.Form, "ImgRoad");
    return QPoint(static_cast<int>(x * view->width() / view->Image()->width()),
                  static_cast<int>(y * view->height() / view->Image()->height()));
  }
  const TPlayer2D& Body(int index) { return dynamic_cast<const TPlayer2D&>(*h.Team().GetPlayer(index)); }

 private slots:
  void init() {
    h.Errors.clear();
    h.Open();
    h.Track().Random.SeedRun(5);
    QVERIFY(QTest::qWaitForWindowExposed(h.Form.get()));
  }
  void cleanup() { h.Close(); }

  // A click on a body selects it (the nearest one when two are close); a click
  // on the bare circuit keeps the selection; the list shows the choice.
  void clickingABodySelectsItAndOnlyABody() {
    Find<QAction>(*h.Form, "Addacircleofkarts1")->trigger();
    auto* view = Find<TImageView>(*h.Form, "ImgRoad");
    const int last = h.Team().PlayerCount() - 1;
    QVERIFY(h.Form->SelectedPlayer() == h.Team().GetPlayer(last));
    for (int index : {3, 0, 11}) {
      QTest::mouseClick(view, Qt::LeftButton, {}, OnCircuit(Body(index).GetPosX() + 1, Body(index).GetPosY()));
      QVERIFY(h.Form->SelectedPlayer() == h.Team().GetPlayer(index));
      QCOMPARE(Find<QComboBox>(*h.Form, "EdPlayerId")->currentIndex(), index);
    }
    // Far from every kart: the circle's centre.
    double cx = 0, cy = 0;
    for (int i = 0; i <= last; ++i) {
      cx += Body(i).GetPosX() / (last + 1);
      cy += Body(i).GetPosY() / (last + 1);
    }
    QTest::mouseClick(view, Qt::LeftButton, {}, OnCircuit(cx, cy));
    QVERIFY(h.Form->SelectedPlayer() == h.Team().GetPlayer(11));
    QVERIFY(h.Errors.isEmpty());
  }

  // Pressing a bar, moving it through several values and releasing it is one
  // step of undo, which gives back the value before the drag.
  void aRealDragOfABarIsOneStep() {
    Find<QAction>(*h.Form, "MenuTrackParams")->trigger();
    auto* bar = Find<QSlider>(*h.Form, "EdFriction");
    const int before = bar->value();
    const int steps = h.Form->Session().UndoStack().count();
    const QPoint handle(bar->width() * (before - bar->minimum()) / std::max(1, bar->maximum() - bar->minimum()),
                        bar->height() / 2);
    QTest::mousePress(bar, Qt::LeftButton, {}, handle);
    for (int dx = 4; dx <= 40; dx += 4) QTest::mouseMove(bar, handle + QPoint(dx, 0));
    QTest::mouseRelease(bar, Qt::LeftButton, {}, handle + QPoint(40, 0));
    QVERIFY2(bar->value() != before, "the drag moved the bar");
    QCOMPARE(h.Form->Session().UndoStack().count(), steps + 1);
    Find<QAction>(*h.Form, "UndoItem")->trigger();
    QCOMPARE(bar->value(), before);
    QCOMPARE(h.Track().Friction, before / 10000.0);
    QVERIFY(h.Errors.isEmpty());
  }

  // The moves of MOVE act only while paused, and look so while running.
  void theMovesAreGreyedWhileRunning() {
    auto* left = Find<QToolButton>(*h.Form, "SpeedButton1");
    auto* energy = Find<QToolButton>(*h.Form, "SpeedButton8");
    QVERIFY(left->isEnabled());
    bool greyed = false;
    bool energyOn = false;
    h.RunCycles(1, [&](int) {
      greyed = !left->isEnabled() && left->toolTip().contains(QStringLiteral("paused"));
      energyOn = energy->isEnabled();
    });
    QVERIFY(greyed);
    QVERIFY(energyOn);
    QVERIFY(left->isEnabled());
  }

  // After a loaded circuit, File > "Use the built-in circuit" brings it back,
  // as one step of undo.
  void theBuiltInCircuitComesBack() {
    const QImage builtin = h.Form->RoadImage().copy();
    const QString circuit = dir.filePath(QStringLiteral("framed.bmp"));
    QVERIFY(FramedCircuit(640, 480).save(circuit, "BMP"));
    h.LoadCircuit(circuit);
    QCOMPARE(h.Form->RoadImage().size(), QSize(640, 480));
    QVERIFY(!h.Form->Session().Circuit().Path.empty());
    Find<QAction>(*h.Form, "UseBuiltinCircuitItem")->trigger();
    QCOMPARE(h.Form->RoadImage().size(), QSize(800, 600));
    QVERIFY(h.Form->Session().Circuit().Path.empty());
    QVERIFY(h.Form->isWindowModified());
    Find<QAction>(*h.Form, "UndoItem")->trigger();
    QCOMPARE(h.Form->RoadImage().size(), QSize(640, 480));
    QVERIFY(h.Errors.isEmpty());
  }

  // File > "Record video…": a film of the cycles run, REC in the status bar while
  // it records, the name taken only when it is complete; a film that cannot be
  // written says why and leaves the item unchecked.
  void aFilmRecordsTheCyclesRun() {
    const QString film = dir.filePath(QStringLiteral("run.mp4"));
    QString answer = film;
    h.Form->Dialogs.SaveVideo = [&](const QString&) { return answer; };
    auto* item = Find<QAction>(*h.Form, "RecordVideoItem");
    auto* label = Find<QLabel>(*h.Form, "RecordingLabel");
    item->trigger();
    QVERIFY(item->isChecked());
    QVERIFY(label->isVisibleTo(h.Form.get()));
    for (int i = 0; i < 12; ++i) Find<QToolButton>(*h.Form, "StepBtn")->click();
    QCOMPARE(h.Form->Session().Video.FrameCount(), 12);
    QCOMPARE(label->text(), QStringLiteral("REC 00:01"));
    QVERIFY(!QFile::exists(film));  // not before it is complete
    item->trigger();
    QVERIFY(!item->isChecked());
    QVERIFY(!label->isVisibleTo(h.Form.get()));
    QVERIFY(QFileInfo(film).size() > 0);
    QVERIFY(h.Errors.isEmpty());

    // Checked and unchecked with no cycle between: no film, and no error either.
    item->trigger();
    item->trigger();
    QVERIFY(!item->isChecked());
    QVERIFY(h.Errors.isEmpty());

    answer = QStringLiteral("/no-such-folder-for-films/run.mp4");
    item->trigger();
    QVERIFY(!item->isChecked());
    QCOMPARE(h.Errors.size(), 1);
    QVERIFY(h.Errors[0].contains(QStringLiteral("/no-such-folder-for-films")));
  }
};

QTEST_MAIN(ComfortsTest)
#include "comforts_test.moc"
