#pragma once
// The goal panel: one box per goal, the newest on top, scrolling vertically when
// the boxes are higher than the room the column leaves it. Boxes are told apart
// by their tags (see TGoalBox).

#include <QScrollArea>
#include <QString>

#include <functional>
#include <vector>

#include "app/goal_box.h"

namespace vorlanth {

class TGoalPanel : public QScrollArea {
  Q_OBJECT

 public:
  // A row of a new box: its bar's position, its value's text, and the text a
  // position of the bar gives (shown as the bar moves, before the world takes it).
  struct TRow {
    TGoalRow Kind;
    int Position;
    QString Text;
    std::function<QString(int)> TextAt = {};
  };

  explicit TGoalPanel(QWidget* parent);

  // A box as SetGoals shows it.
  struct TBox {
    int Tag;
    QString Title;
    std::vector<TRow> Rows;
  };

  // Removes every box.
  void Clear();
  // Shows these boxes, the first at the bottom: the boxes shown already keep their
  // widgets and take the values when they are the same goals' (same tags, titles
  // and rows), as after an undo; otherwise they are built anew. Sends no signal.
  void SetGoals(const std::vector<TBox>& boxes);
  // Puts a box on top of the others; building it sends no signal.
  void AddGoal(int tag, const QString& title, const std::vector<TRow>& rows);
  // Shows a new value in a row of the box with the tag.
  void ShowValue(int tag, TGoalRow row, const QString& text);
  // Shows or hides the boxes ("Player's Goals").
  void ShowBoxes(bool shown);

  // The box whose signal the panel is passing on right now, or null.
  const QObject* ActiveControl() const { return active_; }

 signals:
  // The user moved the bar of a row of the box with the tag.
  void RowChanged(int tag, vorlanth::TGoalRow row, int position);

 private:
  QWidget* EdGoals;
  const QObject* active_ = nullptr;
};

}  // namespace vorlanth
