#pragma once
// "PLAYER": the selected player's size, determination, joystick sensitivity
// and grid size (set by hand, or adjusted by the player itself).

#include "app/box.h"

class QCheckBox;
class QLabel;
class QSlider;

namespace vorlanth {

class TPlayerBox : public TBox {
  Q_OBJECT

 public:
  explicit TPlayerBox(QWidget* parent);

  int Size() const;              // pixels
  double Determination() const;  // 0..1
  int GridSize() const;          // pixels
  bool Sensitivity() const;      // "Auto adjust joystick sensitivity"
  bool AutoGrid() const;         // "Auto adjust grid size."

  // Show the model's values; none sends a signal.
  void ShowSize(int pixels);
  void ShowPlayer(double determination, int minGridSize, int maxGridSize, bool autoGrid, bool sensitivity);
  void ShowGridSize(int pixels);

 signals:
  void SizeChanged(int pixels);
  void DeterminedChanged(double determination);
  void GridSizeChanged(int pixels);
  void SensitivityClicked(bool automatic);
  void AutoGridClicked(bool automatic);

 private:
  void ShowLabels();

  QSlider* EdSize;
  QLabel* LbSize = nullptr;
  QSlider* EdDetermined;
  QLabel* LbDetermined = nullptr;
  QCheckBox* EdSensitivity;
  QCheckBox* EdAutoRadio;
  QSlider* EdRadio;
  QLabel* LbRadio = nullptr;
};

}  // namespace vorlanth
