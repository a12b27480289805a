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
  for (const TRow& row : rows) box->AddRow(row.Kind, row.Position, row.Text, row.TextAt);
  connect(box, &TGoalBox::RowChanged, this, [this, box, tag](TGoalRow row, int position) {
    const QObject* outer = std::exchange(active_, box);
    emit RowChanged(tag, row, position);
    active_ = outer;
  });
  static_cast<QVBoxLayout*>(EdGoals->layout())->insertWidget(0, box);
  EdGoals->setFixedHeight(EdGoals->height() + box->height());
}

void TGoalPanel::SetGoals(const std::vector<TBox>& boxes) {
  const QList<TGoalBox*> shown = EdGoals->findChildren<TGoalBox*>(Qt::FindDirectChildrenOnly);
  bool same = shown.size() == static_cast<qsizetype>(boxes.size());
  for (size_t i = 0; same && i < boxes.size(); ++i) {
    const TGoalBox& box = *shown[static_cast<qsizetype>(i)];
    const TBox& next = boxes[i];
    same = box.Tag() == next.Tag && box.title() == next.Title && box.RowCount() == static_cast<int>(next.Rows.size());
    for (size_t r = 0; same && r < next.Rows.size(); ++r) same = box.RowKind(static_cast<int>(r)) == next.Rows[r].Kind;
  }
  if (same) {
    for (size_t i = 0; i < boxes.size(); ++i)
      for (const TRow& row : boxes[i].Rows) shown[static_cast<qsizetype>(i)]->ShowRow(row.Kind, row.Position, row.Text);
    return;
  }
  Clear();
  for (const TBox& box : boxes) AddGoal(box.Tag, box.Title, box.Rows);
}

void TGoalPanel::ShowValue(int tag, TGoalRow row, const QString& text) {
  for (TGoalBox* box : EdGoals->findChildren<TGoalBox*>(Qt::FindDirectChildrenOnly))
    if (box->Tag() == tag) box->ShowValue(row, text);
}

void TGoalPanel::ShowBoxes(bool shown) { EdGoals->setVisible(shown); }

}  // namespace vorlanth
