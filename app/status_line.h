#pragma once
// The status bar's line: how the bench is doing, refreshed after every cycle.

#include <QLabel>
#include <QString>

#include <cstdint>

namespace vorlanth {

class TTrack;

// What one cycle did, as the status line shows it.
struct TCycleFigures {
  int64_t Cycle = 0;                 // cycles run since start-up
  int64_t FuturesPerPlayer = 0;      // passes of the cycle: every player ran one future per pass
  int32_t Threads = 1;               // threads the passes ran on
  int32_t Lanes = 1;                 // passes each of them ran side by side
  int32_t VectorWidth = 1;           // lanes the vector kernels took at once: 8 AVX-512, 4 AVX2, 1 none
  double DistinctPerPlayer = 0;      // futures left after merging those that ended alike, per player
  double CycleMs = 0;                // wall-clock time of the cycle
  double StepMs = 0;                 // simulated time of the cycle
  int32_t Alive = 0;
  int32_t Players = 0;

  // Simulated time per wall-clock time: 1 is real time.
  double RealTimeRatio() const { return CycleMs > 0 ? StepMs / CycleMs : 0; }
  // The figures of the track's last cycle.
  static TCycleFigures Of(TTrack& track, int64_t cycle, double cycleMs);
};

// "Cycle 12 | 2,880 futures per player (2 threads, 1 lane), 1,953 distinct | 101 ms, 0.99 x real
// time | 1/1 alive"; with a vector kernel, its instruction set: "(2 threads, 4 lanes, AVX2)"
QString StatusText(const TCycleFigures& figures);

class TStatusLine : public QLabel {
 public:
  explicit TStatusLine(QWidget* parent = nullptr);

  // Shows the figures of the track's last cycle.
  void ShowCycle(TTrack& track, int64_t cycle, double cycleMs);
  void ShowIdle(int32_t alive, int32_t players);
  // A run an error stopped: at which cycle, and why.
  void ShowStopped(int64_t cycle, const QString& reason);
  // After a command: the players alive and in all, as they are now (the cycle's
  // other figures stay those of the last cycle).
  void ShowPlayers(TTrack& track);
  const TCycleFigures& Last() const { return last_; }

  // What refreshing the line has cost (figures, text and painting), against the
  // cycles it reported, to check that it stays a small part of a cycle.
  double UpdateMs() const { return updateMs_; }
  double CyclesMs() const { return cyclesMs_; }

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  TCycleFigures last_;
  double updateMs_ = 0;
  double cyclesMs_ = 0;
};

}  // namespace vorlanth
