// What the window costs its user, measured on the real window (`make bench`):
//   vorlanth-window-bench [--paused] [--karts N]  one command and one undo, paused
//                                                 and (unless --paused) while running
//   vorlanth-window-bench --futures C [--karts N] passes of futures per cycle over C
//                                                 cycles while running, plots shown
//   vorlanth-window-bench --latency [--karts N]   a goal bar dragged with real X
//                                                 events (xdotool) while running: from
//                                                 each move to its value painted
// The latency needs an X server (Xvfb) and xdotool; X event times are the
// server's monotonic milliseconds, compared with this process's monotonic clock.

#include <QAction>
#include <QApplication>
#include <QElapsedTimer>
#include <QLabel>
#include <QMouseEvent>
#include <QProcess>
#include <QSlider>
#include <QTimer>
#include <QUndoStack>
#include <QToolButton>

#include <time.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <utility>
#include <vector>

#include "app/form_test2d.h"
#include "app/session.h"
#include "bench/population.h"
#include "core/team.h"
#include "world2d/track2d.h"

namespace vorlanth {
namespace {

uint32_t MonotonicMs() {
  timespec now{};
  clock_gettime(CLOCK_MONOTONIC, &now);
  return static_cast<uint32_t>(static_cast<uint64_t>(now.tv_sec) * 1000 + static_cast<uint64_t>(now.tv_nsec) / 1000000);
}

template <typename T>
T* Find(const QObject& root, const char* name) {
  T* found = root.findChild<T*>(QString::fromLatin1(name));
  if (!found) {
    std::fprintf(stderr, "no control named %s\n", name);
    std::exit(2);
  }
  return found;
}

// The first goal box's strength bar and value (the team's drop goal).
QSlider* StrengthBar(const QObject& form, QLabel*& value) {
  value = Find<QLabel>(form, "STRENGTH_1_T");
  auto* bar = value->parentWidget()->findChild<QSlider*>();
  if (!bar) std::exit(2);
  return bar;
}

double Quantile(std::vector<double> values, double q) {
  if (values.empty()) return 0;
  std::sort(values.begin(), values.end());
  return values[std::min(values.size() - 1, static_cast<size_t>(q * static_cast<double>(values.size())))];
}

double Median(std::vector<double> values) { return Quantile(std::move(values), 0.5); }

void AddKarts(TFormTest2D& form, int karts) {
  TSession& session = form.Session();
  session.Command(QStringLiteral("karts"), [&] {
    for (int i = 0; i < karts; ++i) session.Population().AddPlayer(pkKart);
  });
  session.UndoStack().clear();
  session.SetModified(false);
}

// Paused, then while running: a bar moved (the handler, the command, its step of
// undo, the redraw), then one undo.
int Costs(TFormTest2D& form, bool pausedOnly) {
  // An undo shows the world anew: the goal boxes are built again.
  QLabel* value = nullptr;
  auto bar = [&] { return StrengthBar(form, value); };
  TSession& session = form.Session();
  std::vector<double> commandUs, undoUs;
  QElapsedTimer clock;
  for (int i = 0; i < 200; ++i) {
    clock.start();
    bar()->setValue(i % 2 ? 30 : 70);
    commandUs.push_back(static_cast<double>(clock.nsecsElapsed()) / 1e3);
    clock.start();
    session.Undo();
    undoUs.push_back(static_cast<double>(clock.nsecsElapsed()) / 1e3);
  }
  std::printf("paused: one command %.1f us, one undo %.1f us (medians of 200, %d players)\n", Median(commandUs),
              Median(undoUs), session.Track().PlayerCount());
  if (pausedOnly) return 0;
  // While running: what the window spends giving a command or an undo (they take
  // effect at the next drawing step).
  std::vector<double> runningCommandUs, runningUndoUs;
  int cycles = 0;
  auto* run = Find<QToolButton>(form, "StartBtn");
  QObject::connect(&session, &TSession::CycleDone, &form, [&] {
    if (++cycles >= 20) Find<QToolButton>(form, "PauseBtn")->click();
  });
  QTimer ticker;
  ticker.setInterval(3);
  int k = 0;
  QObject::connect(&ticker, &QTimer::timeout, &form, [&] {
    if (!session.WorldBusy()) return;
    clock.start();
    bar()->setValue(++k % 2 ? 40 : 60);
    runningCommandUs.push_back(static_cast<double>(clock.nsecsElapsed()) / 1e3);
    clock.start();
    session.Undo();
    runningUndoUs.push_back(static_cast<double>(clock.nsecsElapsed()) / 1e3);
  });
  ticker.start();
  run->click();  // returns when the run has stopped
  ticker.stop();
  std::printf("running: one command %.1f us, one undo %.1f us (medians of %zu, %d cycles)\n",
              Median(runningCommandUs), Median(runningUndoUs), runningCommandUs.size(), cycles);
  return 0;
}

// Passes of futures per cycle while running at the window's budget of time, with
// the window's own work beside (the status line, the plots dock open).
int FuturesPerCycle(TFormTest2D& form, int cycles) {
  TSession& session = form.Session();
  Find<QAction>(form, "menuPlots")->trigger();
  double passes = 0;
  int counted = 0, seen = 0;
  QObject::connect(&session, &TSession::CycleDone, &form, [&] {
    if (++seen > 3) {  // the first cycles warm up
      passes += static_cast<double>(session.Track().LastPassCount);
      ++counted;
    }
    if (seen >= cycles) Find<QToolButton>(form, "PauseBtn")->click();
  });
  Find<QToolButton>(form, "StartBtn")->click();  // returns when the run has stopped
  std::printf("while running (%d players): %.1f passes of futures per cycle (mean of %d cycles)\n",
              session.Track().PlayerCount(), counted ? passes / counted : 0.0, counted);
  return 0;
}

// A drag of the bar by real X events while running: per move, the time from the
// event (the server's clock) to the value painted.
int Latency(TFormTest2D& form, int moves) {
  QLabel* value = nullptr;
  QSlider* bar = StrengthBar(form, value);
  struct TWatch : QObject {
    std::vector<uint32_t> pending;  // times of the moves not painted yet
    std::vector<double> latencies;
    int seen = 0;
    QObject* bar = nullptr;
    QObject* value = nullptr;
    bool eventFilter(QObject* watched, QEvent* event) override {
      if (watched == bar && event->type() == QEvent::MouseMove) {
        pending.push_back(static_cast<uint32_t>(static_cast<QMouseEvent*>(event)->timestamp()));
        ++seen;
      } else if (watched == value && event->type() == QEvent::Paint && !pending.empty()) {
        const uint32_t now = MonotonicMs();
        for (uint32_t at : pending) latencies.push_back(static_cast<double>(static_cast<int32_t>(now - at)));
        pending.clear();
      }
      return false;
    }
  } watch;
  watch.bar = bar;
  watch.value = value;
  bar->installEventFilter(&watch);
  value->installEventFilter(&watch);

  const QPoint start = bar->mapToGlobal(QPoint(bar->width() / 4, bar->height() / 2));
  QStringList script = {QStringLiteral("mousemove"), QString::number(start.x()), QString::number(start.y()),
                        QStringLiteral("mousedown"), QStringLiteral("1")};
  for (int i = 1; i <= moves; ++i) {
    const int x = start.x() + (i % 40) * bar->width() / 80;
    script << QStringLiteral("sleep") << QStringLiteral("0.03") << QStringLiteral("mousemove") << QString::number(x)
           << QString::number(start.y());
  }
  script << QStringLiteral("mouseup") << QStringLiteral("1");
  QProcess xdotool;
  QObject::connect(&xdotool, &QProcess::finished, &form, [&] {
    QTimer::singleShot(300, &form, [&] { Find<QToolButton>(form, "PauseBtn")->click(); });
  });
  int cycles = 0;
  QObject::connect(&form.Session(), &TSession::CycleDone, &form, [&] { ++cycles; });
  QTimer::singleShot(500, &form, [&] { xdotool.start(QStringLiteral("xdotool"), script); });
  Find<QToolButton>(form, "StartBtn")->click();  // returns when the run has stopped
  if (watch.latencies.empty()) {
    std::fprintf(stderr, "no move reached the bar (is this an X server with xdotool?)\n");
    return 1;
  }
  const double mean = [&] {
    double sum = 0;
    for (double l : watch.latencies) sum += l;
    return sum / static_cast<double>(watch.latencies.size());
  }();
  std::printf("while running (%d cycles, %d players): %d moves, bar to value shown: mean %.1f ms, median %.1f ms, "
              "95%% within %.0f ms, worst %.0f ms\n",
              cycles, form.Track().PlayerCount(), watch.seen, mean, Median(watch.latencies), Quantile(watch.latencies, 0.95),
              *std::max_element(watch.latencies.begin(), watch.latencies.end()));
  return 0;
}

}  // namespace
}  // namespace vorlanth

int main(int argc, char** argv) {
  using namespace vorlanth;
  bool latency = false;
  bool pausedOnly = false;
  int futureCycles = 0;
  int karts = 60;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--latency") == 0) {
      latency = true;
    } else if (std::strcmp(argv[i], "--futures") == 0 && i + 1 < argc) {
      futureCycles = std::clamp(std::atoi(argv[++i]), 4, 100000);
    } else if (std::strcmp(argv[i], "--paused") == 0) {
      pausedOnly = true;
    } else if (std::strcmp(argv[i], "--karts") == 0 && i + 1 < argc) {
      karts = std::clamp(std::atoi(argv[++i]), 0, 500);
    } else {
      std::fprintf(stderr, "usage: %s [--latency | --paused | --futures CYCLES] [--karts N]\n", argv[0]);
      return 2;
    }
  }
  QApplication app(argc, argv);
  TFormDialogs dialogs;
  dialogs.ReportError = [](const TCrashReport&) {};
  TFormTest2D form(dialogs);
  form.SettingsFile = QStringLiteral("/dev/null");
  form.show();
  AddKarts(form, karts);
  if (futureCycles > 0) return FuturesPerCycle(form, futureCycles);
  return latency ? Latency(form, 100) : Costs(form, pausedOnly);
}
