// The window's view and pace, through real events: the run's speed from its box
// and keys (a slow run waits between cycles on the world's thread, and Pause
// ends the wait), the wheel zooming about the pointer with a click still
// selecting the body under it, panning, Fit and 1:1, following the selected
// player, the player's numbers in their dock, and File > "Save picture…".

#include <QAction>
#include <QComboBox>
#include <QDockWidget>
#include <QLabel>
#include <QLocale>
#include <QStatusBar>
#include <QTimer>
#include <QToolButton>
#include <QWheelEvent>
#include <QtTest>

#include <cmath>

#include "app/player_dock.h"
#include "bench/player_reading.h"
#include "find_control.h"
#include "form_harness.h"
#include "world2d/physic2d.h"
#include "world2d/player2d.h"

using namespace vorlanth;
using namespace vorlanth::testing;

class ViewTest : public QObject {
  Q_OBJECT

 private:
  TFormHarness h;
  QTemporaryDir dir;

  TImageView& View() { return *Find<TImageView>(*h.Form, "ImgRoad"); }
  const TPlayer2D& Body(int index) { return dynamic_cast<const TPlayer2D&>(*h.Team().GetPlayer(index)); }
  QPointF At(const TPlayer2D& body) { return QPointF(body.GetPosX(), body.GetPosY()); }
  void Key(int key, Qt::KeyboardModifiers modifiers = {}) {
    QTest::keyClick(h.Form.get(), static_cast<Qt::Key>(key), modifiers);
  }
  // One turn of the wheel over the circuit, of `notches` notches (fractions too).
  void Wheel(QPointF at, double notches) {
    const QPoint delta(0, static_cast<int>(std::lround(notches * 120)));
    QWheelEvent event(at, View().mapToGlobal(at), QPoint(), delta, Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase,
                      false);
    QCoreApplication::sendEvent(&View(), &event);
  }
  static bool Near(QPointF a, QPointF b, double within) { return std::hypot(a.x() - b.x(), a.y() - b.y()) <= within; }

 private slots:
  void init() {
    h.Errors.clear();
    h.Open();
    h.Track().Random.SeedRun(11);
    QVERIFY(QTest::qWaitForWindowExposed(h.Form.get()));
  }
  void cleanup() { h.Close(); }

  // The speed box in the status bar starts at real time (a cycle's share is the
  // world's 100 ms step); "[" and "]" step through the speeds down to 0.1x, whose
  // share is 1 s, and up to as fast as the cycles go, which has none; the box
  // itself takes the arrow keys.
  void theSpeedIsChosenByKeysAndShownInTheStatusBar() {
    auto* speed = Find<QComboBox>(*h.Form, "EdSpeed");
    QVERIFY(h.Form->statusBar()->isAncestorOf(speed));
    QCOMPARE(speed->currentText(), QStringLiteral("Real time"));
    QCOMPARE(h.Form->Session().PaceTargetMs(), 100.0);
    for (int i = 0; i < 5; ++i) Key(Qt::Key_BracketLeft);  // one more than there are
    QCOMPARE(speed->currentText(), QStringLiteral("0.1×"));
    QCOMPARE(h.Form->Session().Speed(), 0.1);
    QCOMPARE(h.Form->Session().PaceTargetMs(), 1000.0);
    for (int i = 0; i < 5; ++i) Key(Qt::Key_BracketRight);
    QCOMPARE(speed->currentText(), QStringLiteral("As fast as it goes"));
    QCOMPARE(h.Form->Session().PaceTargetMs(), 0.0);
    speed->setFocus();
    QTest::keyClick(speed, Qt::Key_Up);
    QCOMPARE(speed->currentText(), QStringLiteral("Real time"));
    QCOMPARE(h.Form->Session().PaceTargetMs(), 100.0);
  }

  // At 0.1x a cycle that took less than its second waits on the world's thread:
  // the window handles a Pause clicked right after the cycle, and the run ends
  // before another cycle begins (without the wait, the next cycle would already
  // be under way and would run to its end).
  void aSlowRunWaitsBetweenCyclesAndPauseEndsTheWait() {
    int64_t clock = 0;
    h.Track().ClockMs = [&clock] { return clock += 1; };  // a cycle takes about 100 ms of it
    for (int i = 0; i < 3; ++i) Key(Qt::Key_BracketLeft);
    QCOMPARE(h.Form->Session().PaceTargetMs(), 1000.0);
    int cycles = 0;
    connect(&h.Form->Session(), &TSession::CycleDone, h.Form.get(), [&] {
      if (++cycles == 1)
        QTimer::singleShot(0, h.Form.get(), [&] { Find<QToolButton>(*h.Form, "PauseBtn")->click(); });
    });
    Find<QToolButton>(*h.Form, "StartBtn")->click();  // returns when the run has ended
    QCOMPARE(cycles, 1);
    QCOMPARE(h.Form->Session().CycleCount(), 1);
    QVERIFY(!h.Form->Running());
    QVERIFY(h.Errors.isEmpty());
  }

  // The wheel zooms to 4x about the pointer (the circuit point under it stays);
  // a click there selects the body under the pointer, not the one the unzoomed
  // picture has at that widget point. A middle-button drag pans; Fit and 1:1
  // (Ctrl+0, Ctrl+1) bring the whole picture back, and one pixel per pixel.
  void theWheelZoomsAboutThePointerAndAClickSelectsTheBodyUnderIt() {
    Find<QAction>(*h.Form, "Addacircleofkarts1")->trigger();
    const int target = 4;
    int neighbour = -1;  // the kart nearest the target, which stays in view at 4x
    for (int i = 0; i < h.Team().PlayerCount(); ++i) {
      if (i == target || i == h.Team().PlayerCount() - 1) continue;
      if (neighbour < 0 || QLineF(At(Body(i)), At(Body(target))).length() <
                               QLineF(At(Body(neighbour)), At(Body(target))).length())
        neighbour = i;
    }
    const QPointF pointer = View().View().map(At(Body(target)));
    Wheel(pointer, std::log(4.0) / std::log(TImageView::WheelStep));
    QVERIFY(std::abs(View().Zoom() - 4) < 0.01);
    QVERIFY(Near(View().ToPicture(pointer), At(Body(target)), 0.01));
    for (int index : {neighbour, target}) {
      const QPoint click = View().View().map(At(Body(index)) + QPointF(1, 0)).toPoint();
      QVERIFY(View().rect().contains(click));
      QTest::mouseClick(&View(), Qt::LeftButton, {}, click);
      QVERIFY(h.Form->SelectedPlayer() == h.Team().GetPlayer(index));
    }
    // Dragging with the middle button moves the picture with the pointer.
    const QPointF before = View().ToPicture(QPointF(100, 100));
    QTest::mousePress(&View(), Qt::MiddleButton, {}, QPoint(100, 100));
    QTest::mouseMove(&View(), QPoint(140, 130));
    QTest::mouseRelease(&View(), Qt::MiddleButton, {}, QPoint(140, 130));
    QVERIFY(Near(View().ToPicture(QPointF(140, 130)), before, 0.01));
    QVERIFY(h.Form->SelectedPlayer() == h.Team().GetPlayer(target));  // panning selects nothing
    Key(Qt::Key_1, Qt::ControlModifier);
    QVERIFY(std::abs(View().View().m11() - 1) < 1e-9);
    Key(Qt::Key_0, Qt::ControlModifier);
    QCOMPARE(View().Zoom(), 1.0);
    QVERIFY(Near(View().View().map(QPointF(View().Image()->width(), View().Image()->height())),
                 QPointF(View().width(), View().height()), 1e-9));
    QVERIFY(h.Errors.isEmpty());
  }

  // Following, the selected player stays at the centre of the view after every
  // cycle, while it moves; the frames stay the whole circuit at its size.
  void followingKeepsTheSelectedPlayerCentred() {
    Find<QAction>(*h.Form, "Runfast1")->trigger();
    Wheel(QPointF(10, 10), 6);
    Key(Qt::Key_F);
    QVERIFY(Find<QAction>(*h.Form, "FollowSelectedItem")->isChecked());
    auto& body = dynamic_cast<TPhysic2D&>(*h.Form->SelectedPlayer());
    // Every Run seeds the world afresh: pushed, the player surely moves whatever
    // its futures choose.
    body.SetVelX(150);
    const QPointF start = At(body);
    const QPointF centre(View().width() / 2.0, View().height() / 2.0);
    int centred = 0;
    h.RunCycles(8, [&](int) {
      if (Near(View().View().map(At(body)), centre, 1e-6)) ++centred;
    });
    QCOMPARE(centred, 8);
    QVERIFY(!Near(At(body), start, 1));  // it did move
    QCOMPARE(h.Form->RoadImage().size(), QSize(TSession::DesignedWidth, TSession::DesignedHeight));
    QVERIFY(h.Errors.isEmpty());
  }

  // The dock shows the selected player's numbers after each cycle, and another
  // player's once it is selected.
  void thePlayerDockShowsTheSelectedPlayerLive() {
    Find<QAction>(*h.Form, "Keephealth1")->trigger();
    Key(Qt::Key_I, Qt::ControlModifier);
    auto* dock = Find<TPlayerDock>(*h.Form, "PlayerDock");
    QVERIFY(dock->isVisible());
    auto shows = [](const QString& text, double value) {
      return text.contains(QLocale::system().toString(value, 'f', 1));
    };
    int live = 0;
    h.RunCycles(4, [&](int) {
      const auto& body = dynamic_cast<const TPlayer2D&>(*h.Form->SelectedPlayer());
      const QString position = Find<QLabel>(*h.Form, "LbDockPosition")->text();
      if (shows(position, body.GetPosX()) && shows(position, body.GetPosY()) &&
          shows(Find<QLabel>(*h.Form, "LbDockEnergy")->text(), h.Form->SelectedPlayer()->GetEnergy()) &&
          Find<QLabel>(*h.Form, "LbDockFutures")->text().startsWith(QString::number(h.Track().LastPassCount)))
        ++live;
    });
    QCOMPARE(live, 4);
    // Every goal of the rocket, then the team's.
    TPlayer& rocket = *h.Form->SelectedPlayer();
    QCOMPARE(dock->Shown().Goals.size(), PersonalGoalCount(rocket) + TeamGoalCount(rocket));
    QVERIFY(dock->Shown().Goals.last().contains(QStringLiteral("(team)")));
    Find<QToolButton>(*h.Form, "BtnAddPlayer")->click();
    QVERIFY(dock->Shown().Player.startsWith(QStringLiteral("#2 kart")));
    QVERIFY(h.Errors.isEmpty());
  }

  // File > "Save picture…" (Ctrl+Shift+P) writes the circuit as drawn, at the
  // circuit's own size whatever the zoom, as PNG; a folder that cannot be written
  // is reported and leaves nothing.
  void savePictureWritesTheCircuitAsDrawn() {
    const QString circuit = dir.filePath(QStringLiteral("small.bmp"));
    QVERIFY(FramedCircuit(640, 480).save(circuit, "BMP"));
    h.LoadCircuit(circuit);
    h.RunCycles(2);
    Wheel(QPointF(50, 50), 4);
    QString answer = dir.filePath(QStringLiteral("shot"));
    h.Form->Dialogs.SavePicture = [&answer](const QString&) { return answer; };
    Key(Qt::Key_P, Qt::ControlModifier | Qt::ShiftModifier);
    QImage written(dir.filePath(QStringLiteral("shot.png")), "PNG");
    QCOMPARE(written.size(), QSize(640, 480));
    const QImage frame = h.Form->Session().Frame();
    QCOMPARE(written.convertToFormat(QImage::Format_RGB32), frame.convertToFormat(QImage::Format_RGB32));
    QVERIFY(h.Errors.isEmpty());
    answer = dir.filePath(QStringLiteral("missing/shot.png"));
    Find<QAction>(*h.Form, "SavePictureItem")->trigger();
    QCOMPARE(h.Errors.size(), 1);
    QVERIFY(h.Errors.first().contains(QStringLiteral("missing/shot.png")));
    QVERIFY(!QFileInfo::exists(answer));
  }
};

QTEST_MAIN(ViewTest)
#include "view_test.moc"
