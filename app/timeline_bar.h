#pragma once
// The timeline under the circuit: a slider over the places of the run (the kept
// cycles, then the world itself), the cycle shown, and the memory the kept
// cycles may take. Dragging the slider, or its arrow keys, chooses a place; the
// window shows it. While running the slider follows the newest cycle and is not
// dragged.

#include <QWidget>

#include <cstdint>

class QLabel;
class QSlider;
class QSpinBox;

namespace vorlanth {

class TTimelineBar : public QWidget {
  Q_OBJECT

 public:
  static constexpr int MinBudgetMb = 16;
  static constexpr int MaxBudgetMb = 65536;
  static constexpr int DefaultBudgetMb = 512;

  explicit TTimelineBar(QWidget* parent = nullptr);

  // Shows `places` places with `shown` chosen: the cycle shown, the newest, and
  // how many cycles are kept in how many bytes. Sends no signal.
  void ShowPlaces(int32_t places, int32_t shown, int64_t cycle, int64_t newest, int32_t kept, size_t bytes);
  // Running: the slider follows and is not dragged.
  void ShowRunning(bool running);
  QSlider* Slider() const { return TimelineSlider; }
  int BudgetMb() const;
  void SetBudgetMb(int megabytes);  // sends BudgetChanged

 signals:
  void PlaceChosen(int place);
  void BudgetChanged(int megabytes);

 private:
  QSlider* TimelineSlider;
  QLabel* LbTimeline;
  QSpinBox* EdTimelineMemory;
};

}  // namespace vorlanth
