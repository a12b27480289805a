// What the timeline costs (`make bench`), on the real window:
//   vorlanth-timeline-bench [--karts N] [--cycles C]
// runs C cycles with N karts added to the start scene, then prints the bytes a
// kept cycle takes, the time to keep one, the time from the slider moved to a
// past cycle shown (picture, boxes and plots), and the time to continue from it.

#include <QAction>
#include <QApplication>
#include <QElapsedTimer>
#include <QSlider>
#include <QToolButton>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "app/form_test2d.h"
#include "app/session.h"
#include "app/timeline.h"
#include "bench/population.h"
#include "core/random.h"
#include "world2d/track2d.h"

namespace vorlanth {
namespace {

template <typename T>
T* Find(const QObject& root, const char* name) {
  T* found = root.findChild<T*>(QString::fromLatin1(name));
  if (!found) {
    std::fprintf(stderr, "no control named %s\n", name);
    std::exit(2);
  }
  return found;
}

double Median(std::vector<double> values) {
  if (values.empty()) return 0;
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

int Bench(TFormTest2D& form, int karts, int cycles) {
  TSession& session = form.Session();
  session.Command(QStringLiteral("karts"), [&] {
    for (int i = 0; i < karts; ++i) session.Population().AddPlayer(pkKart);
  });
  // Quick cycles: every pass overruns a clock that jumps a second per reading.
  int64_t clockMs = 0;
  session.Track().ClockMs = [&clockMs] { return clockMs += 1000; };
  Find<QAction>(form, "menuPlots")->trigger();
  int seen = 0;
  QObject::connect(&session, &TSession::CycleDone, &form, [&] {
    if (++seen >= cycles) Find<QToolButton>(form, "PauseBtn")->click();
  });
  Find<QToolButton>(form, "StartBtn")->click();  // returns when the run has stopped

  const TTimeline& kept = session.Timeline();
  const int32_t keptCount = kept.Count();
  std::vector<double> bytes;
  for (int32_t i = 0; i < kept.Count(); ++i) bytes.push_back(static_cast<double>(kept.At(i).Bytes));
  // Keeping one more, on a timeline of its own.
  TTimeline scratch;
  std::vector<double> keepMs;
  QElapsedTimer clock;
  for (int i = 0; i < 30; ++i) {
    clock.start();
    scratch.Keep(session.Track(), i);
    keepMs.push_back(static_cast<double>(clock.nsecsElapsed()) / 1e6);
  }
  // The slider moved to a past cycle, and back to the newest: everything the
  // window does for it, the plots shown.
  QSlider* slider = Find<QSlider>(form, "TimelineSlider");
  std::vector<double> showMs;
  for (int i = 0; i < 60; ++i) {
    clock.start();
    slider->setValue(i % 2 ? slider->maximum() : (i * 7) % std::max(1, slider->maximum()));
    showMs.push_back(static_cast<double>(clock.nsecsElapsed()) / 1e6);
  }
  // The picture alone: a kept cycle drawn on the circuit.
  std::vector<double> drawMs;
  for (int i = 0; i < 30; ++i) {
    clock.start();
    TTimeline::Draw(kept.At(i % kept.Count()), session.Track());
    session.ShowFrame();
    drawMs.push_back(static_cast<double>(clock.nsecsElapsed()) / 1e6);
  }
  session.Redraw();
  // Continuing: a change of the world given at a past cycle (the world replaced,
  // one step of undo), the change itself doing nothing.
  slider->setValue(slider->maximum() / 2);
  clock.start();
  session.Command(QStringLiteral("nothing"), [] {}, true);
  const double continueMs = static_cast<double>(clock.nsecsElapsed()) / 1e6;
  std::printf("timeline, %d players, %d cycles kept: %.1f KB per kept cycle, keeping one %.2f ms; "
              "showing a past cycle %.2f ms (picture, boxes, plots; the picture alone %.2f ms); continuing from one %.1f ms "
              "(medians)\n",
              session.Track().PlayerCount(), keptCount, Median(bytes) / 1024, Median(keepMs), Median(showMs), Median(drawMs),
              continueMs);
  return 0;
}

}  // namespace
}  // namespace vorlanth

int main(int argc, char** argv) {
  using namespace vorlanth;
  int karts = 18;
  int cycles = 50;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--karts") == 0 && i + 1 < argc) {
      karts = std::clamp(std::atoi(argv[++i]), 0, 500);
    } else if (std::strcmp(argv[i], "--cycles") == 0 && i + 1 < argc) {
      cycles = std::clamp(std::atoi(argv[++i]), 2, 100000);
    } else {
      std::fprintf(stderr, "usage: %s [--karts N] [--cycles C]\n", argv[0]);
      return 2;
    }
  }
  QApplication app(argc, argv);
  TFormDialogs dialogs;
  dialogs.ReportError = [](const TCrashReport&) {};
  TFormTest2D form(dialogs);
  form.SettingsFile = QStringLiteral("/dev/null");
  form.show();
  return Bench(form, karts, cycles);
}
