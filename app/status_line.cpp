#include "app/status_line.h"

#include <QElapsedTimer>
#include <QLocale>

#include <algorithm>

#include "core/futures.h"
#include "core/lane_width.h"
#include "core/player.h"
#include "core/track.h"

namespace vorlanth {

TCycleFigures TCycleFigures::Of(TTrack& track, int64_t cycle, double cycleMs) {
  TCycleFigures figures;
  figures.Cycle = cycle;
  figures.FuturesPerPlayer = track.LastPassCount;
  figures.Threads = track.LastPassThreads;
  figures.Lanes = track.LastPassLanes;
  figures.VectorWidth = KernelWidth(static_cast<size_t>(std::max(track.LastPassLanes, 1)));
  figures.CycleMs = cycleMs;
  figures.StepMs = track.StepMs;
  figures.Players = track.PlayerCount();
  double distinct = 0;
  for (TPlayer* player : track.Players) {
    distinct += player->Futures->FutureCount();
    if (!player->IsDead()) ++figures.Alive;
  }
  if (figures.Players > 0) figures.DistinctPerPlayer = distinct / figures.Players;
  return figures;
}

QString StatusText(const TCycleFigures& f) {
  const QLocale english(QLocale::English);  // thousands separated by commas
  const QString futures = f.FuturesPerPlayer == 1 ? QStringLiteral("future") : QStringLiteral("futures");
  const QString threads = (f.Threads == 1 ? QStringLiteral("1 thread") : QStringLiteral("%1 threads").arg(f.Threads)) +
                          (f.Lanes == 1 ? QStringLiteral(", 1 lane") : QStringLiteral(", %1 lanes").arg(f.Lanes)) +
                          (f.VectorWidth == 8   ? QStringLiteral(", AVX-512")
                           : f.VectorWidth == 4 ? QStringLiteral(", AVX2")
                                                : QString());
  return QStringLiteral("Cycle %1  |  %2 %3 per player (%4), %5 distinct  |  %6 ms, %7 x real time  |  %8/%9 alive")
      .arg(english.toString(static_cast<qlonglong>(f.Cycle)))
      .arg(english.toString(static_cast<qlonglong>(f.FuturesPerPlayer)), futures, threads)
      .arg(english.toString(f.DistinctPerPlayer, 'f', 0))
      .arg(english.toString(f.CycleMs, 'f', 0))
      .arg(english.toString(f.RealTimeRatio(), 'f', 2))
      .arg(f.Alive)
      .arg(f.Players);
}

TStatusLine::TStatusLine(QWidget* parent) : QLabel(parent) {
  setTextFormat(Qt::PlainText);
  setObjectName(QStringLiteral("StatusLine"));
}

void TStatusLine::ShowCycle(TTrack& track, int64_t cycle, double cycleMs) {
  QElapsedTimer clock;
  clock.start();
  last_ = TCycleFigures::Of(track, cycle, cycleMs);
  setText(StatusText(last_));
  cyclesMs_ += cycleMs;
  updateMs_ += static_cast<double>(clock.nsecsElapsed()) / 1e6;
}

void TStatusLine::paintEvent(QPaintEvent* event) {
  QElapsedTimer clock;
  clock.start();
  QLabel::paintEvent(event);
  updateMs_ += static_cast<double>(clock.nsecsElapsed()) / 1e6;
}

void TStatusLine::ShowIdle(int32_t alive, int32_t players) {
  last_.Alive = alive;
  last_.Players = players;
  setText(QStringLiteral("Idle: Run (Space) or Step (.)  |  %1/%2 alive").arg(alive).arg(players));
}

void TStatusLine::ShowStopped(int64_t cycle, const QString& reason) {
  setText(QStringLiteral("Stopped at cycle %1: %2").arg(cycle).arg(reason.simplified()));
}

void TStatusLine::ShowPlayers(TTrack& track) {
  int32_t alive = 0;
  for (TPlayer* player : track.Players) alive += player->IsDead() ? 0 : 1;
  const int32_t players = track.PlayerCount();
  if (alive == last_.Alive && players == last_.Players) return;
  if (last_.Cycle == 0) {
    ShowIdle(alive, players);
    return;
  }
  last_.Alive = alive;
  last_.Players = players;
  setText(StatusText(last_));
}

}  // namespace vorlanth
