// The handlers of the boxes ("SELECT PLAYER", "A.I.", "TRACK", "PLAYER", "MOVE",
// "START/STOP"), the hand controls, and the two operations that copy every value
// between the boxes and the model.

#include <QTimer>

#include <algorithm>
#include <array>
#include <numbers>

#include "app/ai_box.h"
#include "app/choose_player_box.h"
#include "app/form_test2d.h"
#include "app/player_box.h"
#include "app/session.h"
#include "app/start_stop_box.h"
#include "app/track_box.h"
#include "app/widgets.h"
#include "core/player.h"
#include "core/rounding.h"
#include "core/team.h"
#include "render/qt_picture.h"
#include "world2d/player2d.h"
#include "world2d/track2d.h"

namespace vorlanth {

namespace {

// Hand moves by tag: pixels along x and y, radians.
struct THandMove {
  double dx;
  double dy;
  double dAngle;
};
constexpr double kHandTurn = std::numbers::pi / 12;  // 15 degrees
constexpr std::array<THandMove, 7> kHandMoves = {{
    {0, 0, 0},                                 // no move
    {-TFormTest2D::HandStepPx, 0, 0},          // 1 "<"
    {TFormTest2D::HandStepPx, 0, 0},           // 2 ">"
    {0, -TFormTest2D::HandStepPx, 0},          // 3 "^" (y grows downwards)
    {0, TFormTest2D::HandStepPx, 0},           // 4 "v"
    {0, 0, -kHandTurn},                        // 5 "Turn left"
    {0, 0, kHandTurn},                         // 6 "Turn right"
}};

}  // namespace

// ---------------------------------------------------------------------------
// Track bars and check boxes.

void TFormTest2D::EdSecondsChange(int seconds) { Track().HorizonMs = seconds * 1000; }

void TFormTest2D::EdMinFuturesChange(int futures) { Track().MinFutures = futures; }

void TFormTest2D::EdThreadsChange(int threads) { session_->Track().Threads = threads; }

void TFormTest2D::EdFrictionChange(double friction) { Track().Friction = friction; }

void TFormTest2D::EdSideFrictionChange(double friction) { Track().SideFriction = friction; }

void TFormTest2D::EdSizeChange(int size) {
  if (auto* body = dynamic_cast<TPlayer2D*>(SelectedPlayer())) body->SetSize(size);
  session_->Redraw();
}

void TFormTest2D::EdDeterminedChange(double determination) {
  if (TPlayer* player = SelectedPlayer()) player->Determination = determination;
  session_->Redraw();
}

void TFormTest2D::EdRadioChange(int gridSize) {
  if (TPlayer* player = SelectedPlayer()) player->SetGridSize(gridSize);
}

void TFormTest2D::EdCollisionsClick(bool on) { Track().Collisions = on; }

void TFormTest2D::EdSensitivityClick(bool on) {
  if (TPlayer* player = SelectedPlayer()) player->LimitersOn = on;
}

void TFormTest2D::EdAutoRadioClick(bool on) {
  if (TPlayer* player = SelectedPlayer()) player->AutoGridSize = on;
}

void TFormTest2D::EdEvolutionClick(bool allowed) { Track().SetEvolution(allowed); }

void TFormTest2D::UpdateRealTimeParams() {
  const auto* player = SelectedPlayer();
  if (player) playerBox_->ShowGridSize(player->GridSize);
  ShowSelectionMark();
}

void TFormTest2D::ShowSelectionMark() {
  // The selected player's ring on the circuit follows it: a command that places
  // its players after adding them (the circle of karts) shows them placed.
  if (const auto* body = dynamic_cast<const TPlayer2D*>(SelectedPlayer()))
    ImgRoad->SetMark(QPointF(body->GetPosX(), body->GetPosY()), body->GetSize());
  else
    ImgRoad->SetMark(QPointF(), 0);
  ShowPlayerNumbers();
}

// ---------------------------------------------------------------------------
// Copying between the panels and the model.

void TFormTest2D::CopyParamsFromPlayer() {
  // The boxes show the model's values without writing them back: the model is
  // written once, by CopyParamsFromScreen.
  ShowModel();
  CopyParamsFromScreen();
}

void TFormTest2D::ShowModel() {
  TPlayer* player = SelectedPlayer();
  ai_->ShowSettings(Round32(Track().HorizonMs / 1000.0), Track().MinFutures);
  trackBox_->ShowSettings(Track().Friction, Track().SideFriction);
  if (auto* body = dynamic_cast<TPlayer2D*>(player)) playerBox_->ShowSize(Round32(body->GetSize()));
  if (player) {
    choose_->ShowColor(player->Color);
    playerBox_->ShowPlayer(player->Determination, player->MinGridSize, player->MaxGridSize, player->AutoGridSize,
                           player->LimitersOn);
  }
  UpdateGoals();
  UpdateRealTimeParams();
  ShowGoalItemsOffered();
  if (player) {
    // Feelings and the team's goals are not the player's: those marks carry over.
    Item("MenuDebugTraces")->setChecked(player->ShowTraces);
    Item("MenuDebugOptions")->setChecked(player->ShowEndingPoints);
    Item("MenuDebugGoals")->setChecked(player->Goals->ShowGoals);
    Item("MenuDebugLevels")->setChecked(player->ShowLevels);
  }
}

void TFormTest2D::ShowWorld() {
  ShowModel();
  // A new world brings its own feelings and team goals marks, collisions and
  // evolution; writing the marks back changes nothing.
  if (const TPlayer* player = SelectedPlayer()) Item("MenuDebugFeelings")->setChecked(player->ShowFeelings);
  if (const TTeam* team = session_->CurrentTeam()) Item("MenuDebugTeamGoals")->setChecked(team->Goals->ShowGoals);
  trackBox_->ShowCollisions(Track().Collisions);
  startStop_->ShowEvolution(Track().Evolution);
  EdDebugChange();
}

void TFormTest2D::CopyParamsFromScreen() {
  // The one place the boxes' values are read back: every handler with its box's value.
  EdSizeChange(playerBox_->Size());
  EdDeterminedChange(playerBox_->Determination());
  EdRadioChange(playerBox_->GridSize());
  EdAutoRadioClick(playerBox_->AutoGrid());
  EdSensitivityClick(playerBox_->Sensitivity());
  EdFrictionChange(trackBox_->Friction());
  EdSideFrictionChange(trackBox_->SideFriction());
  EdSecondsChange(ai_->HorizonSeconds());
  EdMinFuturesChange(ai_->MinFutures());
  EdThreadsChange(ai_->Threads());
  EdCollisionsClick(trackBox_->Collisions());
  EdDebugChange();
}

// ---------------------------------------------------------------------------
// Choosing, colouring and removing the player.

void TFormTest2D::EdPlayerIdChange(int index) {
  TTeam* team = session_->CurrentTeam();
  if (!team || index < 0 || index >= team->PlayerCount()) return;
  team->SelectPlayer(team->GetPlayer(index));
  CopyParamsFromPlayer();
}

void TFormTest2D::FillPlayerList() {
  const TTeam* team = Track().CurrentTeam;  // the world shown
  if (!team) {
    choose_->ShowPlayers(0, -1);
    return;
  }
  choose_->ShowPlayers(team->PlayerCount(),
                       team->PlayerCount() > 0 ? std::max(0, team->IndexOf(team->Selected)) : -1);
}

void TFormTest2D::EdPlayerIdEnter() {
  Track().RebuildPlayerList();
  FillPlayerList();
}

void TFormTest2D::EdColorClick() {
  // The dialog is the window's; the colour chosen is the world's change.
  if (!SelectedPlayer()) return;
  const std::optional<QColor> chosen = Dialogs.ChooseColor(QColor::fromRgb(ToQRgb(choose_->Color())));
  if (!chosen) return;
  const TColor color = FromQRgb(chosen->rgb());
  choose_->ShowColor(color);
  Handle(
      [this, color] {
        if (TPlayer* player = SelectedPlayer()) player->Color = color;
        session_->Redraw();
      },
      CommandName(choose_->ActiveControl() ? choose_->ActiveControl() : choose_));
}

void TFormTest2D::BtnSubPlayerClick() {
  if (Track().PlayerCount() <= 1) return;  // the last player stays
  TTeam* team = session_->CurrentTeam();
  if (!team || !team->Selected) return;
  session_->Keep(team->RemovePlayer(team->Selected, false));  // kept for its step of undo
  // The names are positional: the list is renumbered 1..n (this also mends a
  // list that players born by splitting had outgrown), and the last one is chosen.
  FillPlayerList();
  choose_->Choose(choose_->PlayerCount() - 1);
  EdPlayerIdChange(choose_->ChosenIndex());
  Track().DrawBackground();
  session_->Redraw();
}

// ---------------------------------------------------------------------------
// Hand controls.

void TFormTest2D::HandMoveStep(int tag) {
  if (tag >= 1 && tag < static_cast<int>(kHandMoves.size())) {
    if (auto* body = dynamic_cast<TPlayer2D*>(SelectedPlayer())) {
      const THandMove& move = kHandMoves[static_cast<size_t>(tag)];
      body->MoveBy(move.dx, move.dy, move.dAngle);
    }
  }
  if (!startStop_->RunDown()) session_->Redraw();
  UpdateRealTimeParams();
}

void TFormTest2D::MoveButtonMouseDown(int tag) {
  if (startStop_->RunDown()) return;
  HandMoveStep(tag);
  ArrowTimerTag = tag;
  ArrowTimer->setInterval(ArrowFirstDelayMs);
  ArrowTimer->start();
}

void TFormTest2D::ArrowTimerTimer() {
  HandMoveStep(ArrowTimerTag);
  const int interval = ArrowTimer->interval();
  if (interval == ArrowFirstDelayMs) {
    ArrowTimer->setInterval(ArrowSecondDelayMs);
  } else if (interval > ArrowMinDelayMs) {
    ArrowTimer->setInterval(interval - ArrowDelayStepMs);
  }
}

void TFormTest2D::MoveButtonMouseUp() { ArrowTimer->stop(); }

void TFormTest2D::SpeedButton8Click(int tag) {
  if (TPlayer* player = SelectedPlayer()) {
    switch (tag) {
      case 0: player->SetEnergy(player->GetEnergy() + EnergyStep); break;
      case 1: player->SetHealth(player->GetHealth() + EnergyStep); break;
      case 2: player->SetEnergy(std::max(player->GetEnergy() - EnergyStep, HandMinLevel)); break;
      case 3: player->SetHealth(std::max(player->GetHealth() - EnergyStep, HandMinLevel)); break;
      default: break;
    }
  }
  if (!startStop_->RunDown()) session_->Redraw();
}

void TFormTest2D::SpeedButton8DblClick(int tag) {
  if (TPlayer* player = SelectedPlayer()) {
    if (tag == 0) {
      player->SetEnergy(FullLevel);
    } else {
      player->SetHealth(FullLevel);
    }
  }
  session_->Redraw();
}

}  // namespace vorlanth
