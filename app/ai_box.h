#pragma once
// "A.I.": how far ahead the players simulate, how many futures at least, and on
// how many threads.

#include "app/box.h"

class QLabel;
class QSlider;
class QSpinBox;

namespace vorlanth {

class TAiBox : public TBox {
  Q_OBJECT

 public:
  explicit TAiBox(QWidget* parent);

  int HorizonSeconds() const;
  int MinFutures() const;
  // The track's number of threads is the window's own setting, which the model
  // never changes: it is not shown back from the model.
  int Threads() const;
  // Shows the model's values; sends no signal.
  void ShowSettings(int horizonSeconds, int minFutures);

 signals:
  void HorizonChanged(int seconds);
  void MinFuturesChanged(int futures);
  void ThreadsChanged(int threads);

 private:
  void ShowLabels();

  QSlider* EdSeconds;
  QLabel* LbSeconds = nullptr;
  QSlider* EdMinFutures;
  QLabel* LbMinFutures = nullptr;
  QSpinBox* EdThreads;  // 1 to the machine's threads, which it starts at
};

}  // namespace vorlanth
