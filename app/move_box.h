#pragma once
// "MOVE": the hand controls. Arrows and turns move the selected player while
// held (tags 1 "<", 2 ">", 3 "^", 4 "v", 5 "Turn left", 6 "Turn right"); the
// level buttons give or take energy and health (tags 0 "+E", 1 "+H", 2 "-E",
// 3 "-H"), and a double click on one fills up.

#include "app/box.h"

namespace vorlanth {

class TFlatButton;

class TMoveBox : public TBox {
  Q_OBJECT

 public:
  explicit TMoveBox(QWidget* parent);

  // The moves act only while paused: while running they look disabled and their
  // hint says why. The level buttons act at any time.
  void ShowRunning(bool running);
  static constexpr const char* PausedOnlyHint = "Hand moves act only while paused: press Pause first.";

 signals:
  void MovePressed(int tag);
  void MoveReleased();
  void LevelClicked(int tag);
  void LevelDoubleClicked(int tag);

 private:
  TFlatButton* SpeedButton1 = nullptr;   // "<"
  TFlatButton* SpeedButton3 = nullptr;   // ">"
  TFlatButton* SpeedButton2 = nullptr;   // "^"
  TFlatButton* SpeedButton4 = nullptr;   // "v"
  TFlatButton* SpeedButton6 = nullptr;   // "Turn left"
  TFlatButton* SpeedButton5 = nullptr;   // "Turn right"
  TFlatButton* SpeedButton8 = nullptr;   // "+E"
  TFlatButton* SpeedButton9 = nullptr;   // "+H"
  TFlatButton* SpeedButton10 = nullptr;  // "-E"
  TFlatButton* SpeedButton11 = nullptr;  // "-H"
};

}  // namespace vorlanth
