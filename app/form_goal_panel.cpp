// The goal panel's handlers: one box per goal of the selected player and of the
// current team, rebuilt from the model by UpdateGoals; its bars write the goals directly.

#include <cstdlib>
#include <utility>
#include <vector>

#include "app/form_test2d.h"
#include "app/goal_panel.h"
#include "app/session.h"
#include "core/goal.h"
#include "core/player.h"
#include "core/rounding.h"
#include "core/team.h"
#include "world2d/track2d.h"

namespace vorlanth {

namespace {

constexpr double kMaxReactionMs = 10000;  // a full reaction bar: 10 s
constexpr double kMaxUrgency = 2;         // a full urgency bar
constexpr double kBarFull = TGoalBox::BarMaximum;

// Strength, reaction and urgency as bar positions and value texts.
int StrengthPosition(const TGoal& goal) { return Round32(goal.Strength * kBarFull / goal.MaxStrength); }
int ReactionPosition(const TGoal& goal) { return Round32(goal.ReactionMs / (kMaxReactionMs / kBarFull)); }
int UrgencyPosition(const TGoal& goal) { return Round32(goal.Urgency * kBarFull / kMaxUrgency); }
QString StrengthText(double strength) { return QString::asprintf("%3.2f", strength); }
QString ReactionText(int32_t reactionMs) { return QString::asprintf("%3.1fs", reactionMs / 1000.0); }
QString UrgencyText(double urgency) { return QString::asprintf("%3.2f", urgency); }
QString StrengthText(const TGoal& goal) { return StrengthText(goal.Strength); }
QString ReactionText(const TGoal& goal) { return ReactionText(goal.ReactionMs); }
QString UrgencyText(const TGoal& goal) { return UrgencyText(goal.Urgency); }
// What a bar's position sets.
double StrengthAt(int position, double maxStrength) { return position / kBarFull * maxStrength; }
int32_t ReactionAt(int position) { return Round32(position / kBarFull * kMaxReactionMs); }
double UrgencyAt(int position) { return position / kBarFull * kMaxUrgency; }

}  // namespace

void TFormTest2D::UpdateGoals() {
  std::vector<TGoalPanel::TBox> boxes;
  if (TPlayer* player = SelectedPlayer()) {
    for (int32_t i = 1; i <= player->Goals->GoalCount(); ++i)
      boxes.push_back(GoalBox(i, player->Goals->GetGoal(i - 1)));
  }
  if (TTeam* team = Track().CurrentTeam) {  // the world shown
    for (int32_t j = 1; j <= team->Goals->GoalCount(); ++j)
      boxes.push_back(GoalBox(-j, team->Goals->GetGoal(j - 1)));
  }
  goals_->SetGoals(boxes);
}

TGoalPanel::TBox TFormTest2D::GoalBox(int tag, const TGoal& goal) const {
  QString title = QStringLiteral("GOAL \"%1\"").arg(QString::fromStdString(goal.Name));
  if (tag < 0) title += QStringLiteral(" (team)");
  const double maxStrength = goal.MaxStrength;
  std::vector<TGoalPanel::TRow> rows = {{TGoalRow::Strength, StrengthPosition(goal), StrengthText(goal),
                                         [maxStrength](int at) { return StrengthText(StrengthAt(at, maxStrength)); }}};
  if (goal.ReactionMs > 0) {
    rows.push_back({TGoalRow::Reaction, ReactionPosition(goal), ReactionText(goal),
                    [](int at) { return ReactionText(ReactionAt(at)); }});
    rows.push_back({TGoalRow::Urgency, UrgencyPosition(goal), UrgencyText(goal),
                    [](int at) { return UrgencyText(UrgencyAt(at)); }});
  }
  return {tag, title, std::move(rows)};
}

TGoal* TFormTest2D::GoalOfTag(int tag) const {
  TGoalSet* set = nullptr;
  if (tag > 0) {
    if (TPlayer* player = SelectedPlayer()) set = player->Goals.get();
  } else if (TTeam* team = session_->CurrentTeam()) {
    set = team->Goals.get();
  }
  const int32_t index = std::abs(tag) - 1;
  if (!set || tag == 0 || index >= set->GoalCount()) return nullptr;
  return &set->GetGoal(index);
}

void TFormTest2D::GoalStrengthChange(int tag, int position) {
  TGoal* goal = GoalOfTag(tag);
  if (!goal) return;
  goal->SetStrength(StrengthAt(position, goal->MaxStrength));
  goals_->ShowValue(tag, TGoalRow::Strength, StrengthText(*goal));
}

void TFormTest2D::GoalReactionChange(int tag, int position) {
  TGoal* goal = GoalOfTag(tag);
  if (!goal) return;
  goal->ReactionMs = ReactionAt(position);
  goals_->ShowValue(tag, TGoalRow::Reaction, ReactionText(*goal));
}

void TFormTest2D::GoalUrgencyChange(int tag, int position) {
  TGoal* goal = GoalOfTag(tag);
  if (!goal) return;
  goal->Urgency = UrgencyAt(position);
  goals_->ShowValue(tag, TGoalRow::Urgency, UrgencyText(*goal));
}

}  // namespace vorlanth
