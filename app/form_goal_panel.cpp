// The goal panel: one box per goal of the selected player and of the current
// team, rebuilt from the model by UpdateGoals; its bars write the goals directly.

#include <QLabel>
#include <QScrollArea>
#include <QSlider>
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

  // Each bar gets its handler after its position is set: building writes nothing.
  QSlider* strength = box->AddRow(QStringLiteral("Strength"),
                                  QStringLiteral("How strong the goal is for the player."),
                                  QStringLiteral("STRENGTH_"), StrengthPosition(goal),
                                  StrengthText(goal));
  On(strength, &QSlider::valueChanged, [this, strength] { GoalStrengthChange(strength); });
  if (goal.ReactionMs > 0) {
    QSlider* reaction = box->AddRow(
        QStringLiteral("Reaction"), QStringLiteral("How early you want to be warned before a problem."),
        QStringLiteral("REACTION_"), ReactionPosition(goal), ReactionText(goal));
    On(reaction, &QSlider::valueChanged, [this, reaction] { GoalReactionChange(reaction); });
    QSlider* urgency = box->AddRow(
        QStringLiteral("Urgency"), QStringLiteral("Once it start warning you, how fast warning grows."),
        QStringLiteral("URGENCY_"), UrgencyPosition(goal), UrgencyText(goal));
    On(urgency, &QSlider::valueChanged, [this, urgency] { GoalUrgencyChange(urgency); });
  }

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

void TFormTest2D::ShowGoalValue(QSlider* bar, const QString& prefix, const QString& text) {
  for (QLabel* label : bar->parentWidget()->findChildren<QLabel*>())
    if (label->objectName().left(prefix.size()) == prefix) label->setText(text);
}

void TFormTest2D::GoalStrengthChange(QSlider* bar) {
  TGoal* goal = GoalOfTag(bar->property("tag").toInt());
  if (!goal) return;
  goal->SetStrength(bar->value() / kBarFull * goal->MaxStrength);
  ShowGoalValue(bar, QStringLiteral("STREN"), StrengthText(*goal));
}

void TFormTest2D::GoalReactionChange(QSlider* bar) {
  TGoal* goal = GoalOfTag(bar->property("tag").toInt());
  if (!goal) return;
  goal->ReactionMs = Round32(bar->value() / kBarFull * kMaxReactionMs);
  ShowGoalValue(bar, QStringLiteral("REACT"), ReactionText(*goal));
}

void TFormTest2D::GoalUrgencyChange(QSlider* bar) {
  TGoal* goal = GoalOfTag(bar->property("tag").toInt());
  if (!goal) return;
  goal->Urgency = bar->value() / kBarFull * kMaxUrgency;
  ShowGoalValue(bar, QStringLiteral("URGEN"), UrgencyText(*goal));
}

}  // namespace vorlanth
