#pragma once
// "START/STOP": Run and Pause (one of them down, or neither at start), Step,
// Reset, and "Allow evolution of goal params.".

#include "app/box.h"

class QButtonGroup;
class QCheckBox;
class QToolButton;

namespace vorlanth {

class TStartStopBox : public TBox {
  Q_OBJECT

 public:
  explicit TStartStopBox(QWidget* parent);

  // Whether Run is down: the run loop goes on while it is.
  bool RunDown() const;
  // Puts Pause down (and Run up) without a click: the loop ends after its cycle.
  void Pause();
  // Clicks, as the keys do.
  void ClickRun();
  void ClickPause();
  void ClickStep();
  void ClickReset();
  bool Evolution() const;
  void ShowEvolution(bool allowed);  // sends no signal

 signals:
  void RunClicked();
  void StepClicked();
  void ResetClicked();
  void EvolutionClicked(bool allowed);

 private:
  QToolButton* StartBtn;
  QToolButton* PauseBtn;
  QToolButton* StepBtn;
  QToolButton* BtnReset;
  QButtonGroup* RunGroup;  // group 1: Run and Pause
  QCheckBox* EdEvolution;
};

}  // namespace vorlanth
