// The goal panel: one box per goal of the selected player and of the current
// team, rebuilt from the model by UpdateGoals; its bars write the goals directly.

#include <QScrollArea>
#include <QVBoxLayout>

#include <cstdlib>

#include "app/form_test2d.h"
#include "app/goal_box.h"
#include "app/widgets.h"
#include "core/goal.h"
#include "core/player.h"
#include "core/rounding.h"
#include "core/team.h"

namespace vorlanth {

namespace {

constexpr double kMaxReactionMs = 10000;  // a full reaction bar: 10 s
constexpr double kMaxUrgency = 2;         // a full urgency bar
constexpr double kBarFull = TGoalBox::BarMaximum;

// Strength, reaction and urgency as bar positions and value texts.
int StrengthPosition(const TGoal& goal) { return Round32(goal.Strength * kBarFull / goal.MaxStrength); }
int ReactionPosition(const TGoal& goal) { return Round32(goal.ReactionMs / (kMaxReactionMs / kBarFull)); }
int UrgencyPosition(const TGoal& goal) { return Round32(goal.Urgency * kBarFull / kMaxUrgency); }
QString StrengthText(const TGoal& goal) { return QString::asprintf("%3.2f", goal.Strength); }
QString ReactionText(const TGoal& goal) { return QString::asprintf("%3.1fs", goal.ReactionMs / 1000.0); }
QString UrgencyText(const TGoal& goal) { return QString::asprintf("%3.2f", goal.Urgency); }

}  // namespace

QWidget* TFormTest2D::BuildGoalPanel() {
  // The boxes keep the panel's width; when they are higher than the room left in
  // the column, the panel scrolls.
  GoalArea = new QScrollArea(this);
  GoalArea->setObjectName(QStringLiteral("GoalArea"));
  GoalArea->setFrameShape(QFrame::NoFrame);
  GoalArea->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  GoalArea->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
  GoalArea->setWidgetResizable(true);
  EdGoals = new QWidget;
  auto* layout = new QVBoxLayout(EdGoals);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  layout->setAlignment(Qt::AlignTop);
  EdGoals->setFixedHeight(1);
  GoalArea->setWidget(EdGoals);
  return GoalArea;
}

void TFormTest2D::UpdateGoals() {
  for (TGoalBox* box : EdGoals->findChildren<TGoalBox*>(Qt::FindDirectChildrenOnly)) delete box;
  EdGoals->setFixedHeight(1);
  if (TPlayer* player = SelectedPlayer()) {
    for (int32_t i = 1; i <= player->Goals->GoalCount(); ++i)
      AddGoalBox(i, player->Goals->GetGoal(i - 1));
  }
  if (TTeam* team = CurrentTeam()) {
    for (int32_t j = 1; j <= team->Goals->GoalCount(); ++j)
      AddGoalBox(-j, team->Goals->GetGoal(j - 1));
  }
}

void TFormTest2D::AddGoalBox(int tag, TGoal& goal) {
  QString title = QStringLiteral("GOAL \"%1\"").arg(QString::fromStdString(goal.Name));
  if (tag < 0) title += QStringLiteral(" (team)");
  auto* box = new TGoalBox(tag, title, EdGoals);
  box->resize(EdGoals->width(), box->height());
  box->AddRow(TGoalRow::Strength, StrengthPosition(goal), StrengthText(goal));
  if (goal.ReactionMs > 0) {
    box->AddRow(TGoalRow::Reaction, ReactionPosition(goal), ReactionText(goal));
    box->AddRow(TGoalRow::Urgency, UrgencyPosition(goal), UrgencyText(goal));
  }
  connect(box, &TGoalBox::RowChanged, this, [this, box](TGoalRow row, int position) {
    Handle(
        [=, this] {
          switch (row) {
            case TGoalRow::Strength: GoalStrengthChange(box, position); break;
            case TGoalRow::Reaction: GoalReactionChange(box, position); break;
            case TGoalRow::Urgency: GoalUrgencyChange(box, position); break;
          }
        },
        CommandName(box));
  });

  // The newest box goes on top.
  static_cast<QVBoxLayout*>(EdGoals->layout())->insertWidget(0, box);
  EdGoals->setFixedHeight(EdGoals->height() + box->height());
}

TGoal* TFormTest2D::GoalOfTag(int tag) const {
  TGoalSet* set = nullptr;
  if (tag > 0) {
    if (TPlayer* player = SelectedPlayer()) set = player->Goals.get();
  } else if (TTeam* team = CurrentTeam()) {
    set = team->Goals.get();
  }
  const int32_t index = std::abs(tag) - 1;
  if (!set || tag == 0 || index >= set->GoalCount()) return nullptr;
  return &set->GetGoal(index);
}

void TFormTest2D::GoalStrengthChange(TGoalBox* box, int position) {
  TGoal* goal = GoalOfTag(box->Tag());
  if (!goal) return;
  goal->SetStrength(position / kBarFull * goal->MaxStrength);
  box->ShowValue(TGoalRow::Strength, StrengthText(*goal));
}

void TFormTest2D::GoalReactionChange(TGoalBox* box, int position) {
  TGoal* goal = GoalOfTag(box->Tag());
  if (!goal) return;
  goal->ReactionMs = Round32(position / kBarFull * kMaxReactionMs);
  box->ShowValue(TGoalRow::Reaction, ReactionText(*goal));
}

void TFormTest2D::GoalUrgencyChange(TGoalBox* box, int position) {
  TGoal* goal = GoalOfTag(box->Tag());
  if (!goal) return;
  goal->Urgency = position / kBarFull * kMaxUrgency;
  box->ShowValue(TGoalRow::Urgency, UrgencyText(*goal));
}

}  // namespace vorlanth
