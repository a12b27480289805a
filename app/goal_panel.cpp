#include "app/goal_panel.h"

#include <QVBoxLayout>

#include <utility>

namespace vorlanth {

TGoalPanel::TGoalPanel(QWidget* parent) : QScrollArea(parent) {
  // The boxes keep the panel's width; when they are higher than the room left in
  // the column, the panel scrolls.
  setObjectName(QStringLiteral("GoalArea"));
  setFrameShape(QFrame::NoFrame);
  setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
  setWidgetResizable(true);
  EdGoals = new QWidget;
  EdGoals->setObjectName(QStringLiteral("EdGoals"));
  auto* layout = new QVBoxLayout(EdGoals);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  layout->setAlignment(Qt::AlignTop);
  EdGoals->setFixedHeight(1);
  setWidget(EdGoals);
}

void TGoalPanel::Clear() {
  for (TGoalBox* box : EdGoals->findChildren<TGoalBox*>(Qt::FindDirectChildrenOnly)) delete box;
  EdGoals->setFixedHeight(1);
}

void TGoalPanel::AddGoal(int tag, const QString& title, const std::vector<TRow>& rows) {
  auto* box = new TGoalBox(tag, title, EdGoals);
  box->resize(EdGoals->width(), box->height());
  for (const TRow& row : rows) box->AddRow(row.Kind, row.Position, row.Text);
  connect(box, &TGoalBox::RowChanged, this, [this, box, tag](TGoalRow row, int position) {
    const QObject* outer = std::exchange(active_, box);
    emit RowChanged(tag, row, position);
    active_ = outer;
  });
  static_cast<QVBoxLayout*>(EdGoals->layout())->insertWidget(0, box);
  EdGoals->setFixedHeight(EdGoals->height() + box->height());
}

void TGoalPanel::ShowValue(int tag, TGoalRow row, const QString& text) {
  for (TGoalBox* box : EdGoals->findChildren<TGoalBox*>(Qt::FindDirectChildrenOnly))
    if (box->Tag() == tag) box->ShowValue(row, text);
}

void TGoalPanel::ShowBoxes(bool shown) { EdGoals->setVisible(shown); }

}  // namespace vorlanth
