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
#include "app/start_stop_box.h"
#include "app/track_box.h"
#include "app/widgets.h"
#include "core/player.h"
#include "core/rounding.h"
#include "core/team.h"
#include "render/qt_picture.h"
#include "world2d/player2d.h"
#include "world2d/rocket.h"
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

void TFormTest2D::EdSecondsChange() { track_->HorizonMs = ai_->HorizonSeconds() * 1000; }

void TFormTest2D::EdMinFuturesChange() { track_->MinFutures = ai_->MinFutures(); }

void TFormTest2D::EdThreadsChange() {
  RunOutsideCycle([this] { track_->Threads = ai_->Threads(); });
}

void TFormTest2D::EdFrictionChange() { track_->Friction = trackBox_->Friction(); }

void TFormTest2D::EdSideFrictionChange() { track_->SideFriction = trackBox_->SideFriction(); }

void TFormTest2D::EdSizeChange() {
  if (auto* body = dynamic_cast<TPlayer2D*>(SelectedPlayer())) body->SetSize(playerBox_->Size());
  Redraw();
}

void TFormTest2D::EdDeterminedChange() {
  if (TPlayer* player = SelectedPlayer()) player->Determination = playerBox_->Determination();
  Redraw();
}

void TFormTest2D::EdRadioChange() {
  if (TPlayer* player = SelectedPlayer()) player->SetGridSize(playerBox_->GridSize());
}

void TFormTest2D::EdCollisionsClick() { track_->Collisions = trackBox_->Collisions(); }

void TFormTest2D::EdSensitivityClick() {
  if (TPlayer* player = SelectedPlayer()) player->LimitersOn = playerBox_->Sensitivity();
}

void TFormTest2D::EdAutoRadioClick() {
  if (TPlayer* player = SelectedPlayer()) player->AutoGridSize = playerBox_->AutoGrid();
}

void TFormTest2D::EdEvolutionClick() { track_->SetEvolution(startStop_->Evolution()); }

void TFormTest2D::UpdateRealTimeParams() {
  if (const TPlayer* player = SelectedPlayer()) playerBox_->ShowGridSize(player->GridSize);
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
  ai_->ShowSettings(Round32(track_->HorizonMs / 1000.0), track_->MinFutures);
  trackBox_->ShowSettings(track_->Friction, track_->SideFriction);
  if (auto* body = dynamic_cast<TPlayer2D*>(player)) playerBox_->ShowSize(Round32(body->GetSize()));
  if (player) {
    choose_->ShowColor(player->Color);
    playerBox_->ShowPlayer(player->Determination, player->MinGridSize, player->MaxGridSize, player->AutoGridSize,
                           player->LimitersOn);
  }
  UpdateGoals();
  UpdateRealTimeParams();
  // Energy stealing is a rocket's goal: offered only when a rocket is selected.
  const bool rocket = dynamic_cast<TRocket*>(player) != nullptr;
  Suckenergyfromplayersinfrontofyou1->setEnabled(rocket);
  Suckenergyfromplayersinfrontofyou1->setToolTip(
      rocket ? QStringLiteral("The selected rocket burns the energy of the players in front of it.")
             : QStringLiteral("Only a rocket can suck energy: select a rocket first."));
  if (player) {
    // Feelings and the team's goals are not the player's: those marks carry over.
    MenuDebugTraces->setChecked(player->ShowTraces);
    MenuDebugOptions->setChecked(player->ShowEndingPoints);
    MenuDebugGoals->setChecked(player->Goals->ShowGoals);
    MenuDebugLevels->setChecked(player->ShowLevels);
  }
}

void TFormTest2D::ShowWorld() {
  ShowModel();
  // A new world brings its own feelings and team goals marks, collisions and
  // evolution; writing the marks back changes nothing.
  if (const TPlayer* player = SelectedPlayer()) MenuDebugFeelings->setChecked(player->ShowFeelings);
  if (const TTeam* team = CurrentTeam()) MenuDebugTeamGoals->setChecked(team->Goals->ShowGoals);
  trackBox_->ShowCollisions(track_->Collisions);
  startStop_->ShowEvolution(track_->Evolution);
  EdDebugChange();
}

void TFormTest2D::CopyParamsFromScreen() {
  EdSizeChange();
  EdDeterminedChange();
  EdRadioChange();
  EdAutoRadioClick();
  EdSensitivityClick();
  EdFrictionChange();
  EdSideFrictionChange();
  EdSecondsChange();
  EdMinFuturesChange();
  EdThreadsChange();
  EdCollisionsClick();
  EdDebugChange();
}

// ---------------------------------------------------------------------------
// Choosing, colouring and removing the player.

void TFormTest2D::EdPlayerIdChange() {
  TTeam* team = CurrentTeam();
  const int index = choose_->ChosenIndex();
  if (!team || index < 0 || index >= team->PlayerCount()) return;
  team->SelectPlayer(team->GetPlayer(index));
  CopyParamsFromPlayer();
}

void TFormTest2D::FillPlayerList() {
  const TTeam* team = CurrentTeam();
  if (!team) {
    choose_->ShowPlayers(0, -1);
    return;
  }
  choose_->ShowPlayers(team->PlayerCount(),
                       team->PlayerCount() > 0 ? std::max(0, team->IndexOf(team->Selected)) : -1);
}

void TFormTest2D::EdPlayerIdEnter() {
  track_->RebuildPlayerList();
  FillPlayerList();
}

void TFormTest2D::EdColorClick() {
  TPlayer* player = SelectedPlayer();
  if (!player) return;
  const std::optional<QColor> chosen = Dialogs.ChooseColor(QColor::fromRgb(ToQRgb(choose_->Color())));
  if (!chosen) return;
  const TColor color = FromQRgb(chosen->rgb());
  choose_->ShowColor(color);
  player->Color = color;
  Redraw();
}

void TFormTest2D::BtnSubPlayerClick() {
  if (track_->PlayerCount() <= 1) return;  // the last player stays
  TTeam* team = CurrentTeam();
  if (!team || !team->Selected) return;
  team->RemovePlayer(team->Selected, true);
  // The names are positional: the list is renumbered 1..n (this also mends a
  // list that players born by splitting had outgrown), and the last one is chosen.
  FillPlayerList();
  choose_->Choose(choose_->PlayerCount() - 1);
  EdPlayerIdChange();
  track_->DrawBackground();
  Redraw();
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
  if (!startStop_->RunDown()) Redraw();
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
  if (!startStop_->RunDown()) Redraw();
}

void TFormTest2D::SpeedButton8DblClick(int tag) {
  if (TPlayer* player = SelectedPlayer()) {
    if (tag == 0) {
      player->SetEnergy(FullLevel);
    } else {
      player->SetHealth(FullLevel);
    }
  }
  Redraw();
}

}  // namespace vorlanth
