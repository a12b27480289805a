#pragma once
// "A.I.": how far ahead the players simulate, and how many futures at least.

#include "app/box.h"

class QLabel;
class QSlider;

namespace vorlanth {

class TAiBox : public TBox {
  Q_OBJECT

 public:
  explicit TAiBox(QWidget* parent);

  int HorizonSeconds() const;
  int MinFutures() const;
  // Shows the model's values; sends no signal.
  void ShowSettings(int horizonSeconds, int minFutures);

 signals:
  void HorizonChanged(int seconds);
  void MinFuturesChanged(int futures);

 private:
  void ShowLabels();

  QSlider* EdSeconds;
  QLabel* LbSeconds = nullptr;
  QSlider* EdMinFutures;
  QLabel* LbMinFutures = nullptr;
};

}  // namespace vorlanth
