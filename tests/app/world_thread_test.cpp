// The world on its own thread: the window handles real events while a cycle
// computes (the world is held inside its cycle here, so the events surely come
// then), a change waits for the drawing step, any other command for the cycle's
// end; an undo of a value the picture does not show leaves the picture as it was.

#include <QAction>
#include <QCloseEvent>
#include <QGuiApplication>
#include <QLabel>
#include <QSlider>
#include <QToolButton>
#include <QUndoStack>
#include <QtTest>

#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>

#include "core/goal.h"
#include "render/qt_canvas.h"
#include "render/qt_picture.h"
#include "core/team.h"
#include "find_control.h"
#include "form_harness.h"
#include "run_cycles.h"
#include "world2d/track2d.h"

using namespace vorlanth;
using namespace vorlanth::testing;

namespace {

// Holds the world inside cycle `cycle` (at its first reading of the clock, while
// the futures are computed) and runs `inside` in the window meanwhile.
class THold {
 public:
  THold(TFormHarness& h, int cycle, std::function<void()> inside) : h_(h), cycle_(cycle), inside_(std::move(inside)) {
    const std::function<int64_t()> clock = h.Track().ClockMs;
    h.Track().ClockMs = [this, clock] {
      if (++calls_ == 1 && h_.Form->Session().CycleCount() == cycle_ - 1) Hold();
      return clock();
    };
    QObject::connect(&h.Form->Session(), &TSession::CycleDone, h.Form.get(), [this] { calls_ = 0; });
  }
  bool Held() const { return held_; }

 private:
  void Hold() {  // on the world's thread
    held_ = true;
    QMetaObject::invokeMethod(h_.Form.get(), [this] {
      inside_();
      const std::lock_guard lock(mutex_);
      released_ = true;
      released_changed_.notify_all();
    }, Qt::QueuedConnection);
    std::unique_lock lock(mutex_);
    // Were the window to wait for the cycle, it would never come: the test fails
    // instead of hanging.
    released_changed_.wait_for(lock, std::chrono::seconds(20), [this] { return released_; });
  }

  TFormHarness& h_;
  int cycle_;
  std::function<void()> inside_;
  int calls_ = 0;  // the clock's readings in the cycle (on the world's thread)
  bool held_ = false;
  std::mutex mutex_;
  std::condition_variable released_changed_;
  bool released_ = false;
};

QSlider* StrengthBar(TFormTest2D& form) {
  return Find<QLabel>(form, "STRENGTH_1_T")->parentWidget()->findChildren<QSlider*>().front();
}

}  // namespace

class WorldThreadTest : public QObject {
  Q_OBJECT

 private:
  TFormHarness h;

 private slots:
  void cleanup() { h.Close(); }

  void aBarMovedDuringACycleShowsAtOnceAndTakesEffectAtItsDrawingStep() {
    h.Open();
    TGoal& goal = h.Team().Goals->GetGoal(0);
    const double before = goal.Strength;
    const int steps = h.Form->Session().UndoStack().count();
    bool busy = false;
    QString shown;
    double during = -1;
    THold hold(h, 2, [&] {
      busy = h.Form->Session().WorldBusy();
      QTest::keyClick(StrengthBar(*h.Form), Qt::Key_End);  // the bar to its end, as a key does it
      shown = Find<QLabel>(*h.Form, "STRENGTH_1_T")->text();
      during = goal.Strength;  // the world is held: reading it is safe here
    });
    double atEnd = -1;
    RunCyclesOf(*h.Form, 3, [&](int cycle) {
      if (cycle == 2) atEnd = goal.Strength;
    });
    QVERIFY(hold.Held());
    QVERIFY(busy);
    QCOMPARE(during, before);
    QCOMPARE(atEnd, goal.MaxStrength);
    QCOMPARE(shown, QString::asprintf("%3.2f", goal.MaxStrength));
    QCOMPARE(h.Form->Session().UndoStack().count(), steps + 1);
  }

  void aCommandThatIsNoChangeWaitsForTheCycleToEnd() {
    h.Open();
    // Step during cycle 2: the cycle in progress is the last.
    THold hold(h, 2, [&] { Find<QToolButton>(*h.Form, "StepBtn")->click(); });
    QCOMPARE(RunCyclesOf(*h.Form, 6), 2);
    QVERIFY(!h.Form->Running());
    QCOMPARE(h.Form->Session().CycleCount(), 2);
  }

  void closingDuringACycleClosesOnceItHasEnded() {
    h.Open();
    QGuiApplication::setQuitOnLastWindowClosed(false);
    h.SaveAnswer = TSaveAnswer::Discard;
    bool closedAtOnce = true;
    THold hold(h, 2, [&] { closedAtOnce = h.Form->close(); });
    RunCyclesOf(*h.Form, 6);
    QGuiApplication::setQuitOnLastWindowClosed(true);
    QVERIFY(!closedAtOnce);
    QVERIFY(!h.Form->isVisible());
    QVERIFY(!h.Form->Running());
    QCOMPARE(h.Form->Session().CycleCount(), 2);
    QCOMPARE(h.Questions, 1);
  }

  void anUndoOfAValueNotDrawnLeavesThePictureAsTheCycleLeftIt() {
    h.Open();
    RunCyclesOf(*h.Form, 3);
    const QImage picture = h.Form->RoadImage().copy();
    QSlider* bar = StrengthBar(*h.Form);
    const QString text = Find<QLabel>(*h.Form, "STRENGTH_1_T")->text();
    bar->setValue(bar->value() == 0 ? 50 : 0);
    QVERIFY(Find<QLabel>(*h.Form, "STRENGTH_1_T")->text() != text);
    h.Form->Session().Undo();
    // The same box, with the value back, and the picture the last cycle drew.
    QCOMPARE(StrengthBar(*h.Form), bar);
    QCOMPARE(Find<QLabel>(*h.Form, "STRENGTH_1_T")->text(), text);
    QVERIFY(h.Form->RoadImage() == picture);
  }

  void aRedrawWhilePausedKeepsTheLastCyclesTracesAndFeelings() {
    h.Open();
    Find<QAction>(*h.Form, "MenuDebugTraces")->trigger();
    RunCyclesOf(*h.Form, 3);
    TTrack2D& track = h.Track();
    auto picture = [&] {
      h.Form->Session().Canvas().End();
      return h.Form->Session().Picture().Image().copy();
    };
    auto drawn = [](const QImage& image, const QImage& clean) {  // pixels drawn over the circuit
      int count = 0;
      for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) count += image.pixel(x, y) != clean.pixel(x, y);
      return count;
    };
    track.DrawBackground();
    const QImage clean = picture();
    track.Draw(-1);  // the bodies and ending points alone
    const int bare = drawn(picture(), clean);
    h.Form->Session().Redraw();
    const int kept = drawn(picture(), clean);
    QVERIFY2(kept > bare + 50, qPrintable(QStringLiteral("%1 pixels drawn, %2 without the traces").arg(kept).arg(bare)));
  }
};

QTEST_MAIN(WorldThreadTest)
#include "world_thread_test.moc"
