#pragma once
// "SELECT PLAYER": the selected player's colour, the list naming the team's
// players "Player #1".."Player #n" by position, and the buttons that add a kart
// (tag 1) or a rocket (tag 2) and remove the selected player.

#include "app/box.h"
#include "core/color.h"

namespace vorlanth {

class TColorPanel;
class TFlatButton;
class TPlayerList;

class TChoosePlayerBox : public TBox {
  Q_OBJECT

 public:
  explicit TChoosePlayerBox(QWidget* parent);

  TColor Color() const;
  // The list's items and the one shown (-1: none).
  int PlayerCount() const;
  int ChosenIndex() const;

  // Show the model; none sends a signal.
  void ShowColor(TColor color);
  // Names `count` players and shows item `chosen`.
  void ShowPlayers(int count, int chosen);
  // Names one more player, the `count`th, and shows it.
  void AddPlayer(int count);
  void Choose(int index);

 signals:
  void ColorClicked();
  // The user chose item `index` of the list.
  void PlayerChosen(int index);
  // The list is about to open.
  void ListOpening();
  void AddClicked(int kind);
  void RemoveClicked();

 private:
  TColorPanel* EdColor;
  TPlayerList* EdPlayerId;
  TFlatButton* BtnAddPlayer;  // "+Kart"
  TFlatButton* SpeedButton7;  // "+Rocket"
  TFlatButton* BtnSubPlayer;  // "-"
};

}  // namespace vorlanth
