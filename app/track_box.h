#pragma once
// "TRACK": the circuit's friction along and across the players' way, and
// whether players collide with each other.

#include "app/box.h"

class QCheckBox;
class QLabel;
class QSlider;

namespace vorlanth {

class TTrackBox : public TBox {
  Q_OBJECT

 public:
  explicit TTrackBox(QWidget* parent);

  // The coefficients the bars stand for (hundredths of a percent and percent).
  double Friction() const;
  double SideFriction() const;
  bool Collisions() const;
  // Shows the model's coefficients, rounded to the bars' steps; sends no signal.
  void ShowSettings(double friction, double sideFriction);
  void ShowCollisions(bool detect);  // sends no signal

 signals:
  void FrictionChanged(double friction);
  void SideFrictionChanged(double sideFriction);
  void CollisionsClicked(bool detect);

 private:
  void ShowLabels();

  QSlider* EdFriction;
  QLabel* LbFriction = nullptr;
  QSlider* EdSideFriction;
  QLabel* LbSideFriction = nullptr;
  QCheckBox* EdCollisions;
};

}  // namespace vorlanth
