#pragma once
// One box of the goal panel: the goal's title and up to three rows (strength,
// reaction, urgency), each a caption, a track bar and a value label. The box and
// all its controls carry the tag that identifies the goal: i >= 1 is goal i - 1
// of the selected player, -j <= -1 goal j - 1 of the current team.

#include <QGroupBox>
#include <QString>

#include <functional>
#include <vector>

class QLabel;
class QSlider;

namespace vorlanth {

// The rows a box can have, in their order from the top.
enum class TGoalRow { Strength, Reaction, Urgency };

class TGoalBox : public QGroupBox {
  Q_OBJECT

 public:
  // Layout of a box, in pixels relative to the box.
  static constexpr int GoalBarLeft = 55;      // left edge of every track bar
  static constexpr int GoalValueMargin = 35;  // room right of the bars for the value labels
  static constexpr int CaptionLeft = 10;
  static constexpr int ValueGap = 10;         // between a value label and the box's edge
  static constexpr int TitleHeight = 34;      // a box with no row
  static constexpr int RowHeight = 14;        // each row adds this much
  static constexpr int FirstRowTop = 24;      // top of the first row's labels
  static constexpr int BarDrop = 4;           // a bar sits this much below its labels
  static constexpr int BarHeight = 17;
  static constexpr int LabelHeight = 14;
  static constexpr int BarMaximum = 100;
  static constexpr int BarTickFrequency = 5;

  TGoalBox(int tag, const QString& title, QWidget* parent);

  int Tag() const { return tag_; }

  // Adds a row below the others: caption (with its hint), value label named
  // "STRENGTH_", "REACTION_" or "URGENCY_" + suffix, and a bar at the given
  // position. Moving the bar afterwards shows textAt(position) at once (when
  // given), then emits RowChanged.
  void AddRow(TGoalRow row, int position, const QString& valueText,
              const std::function<QString(int)>& textAt = {});
  // Shows a new value in the row's value label.
  void ShowValue(TGoalRow row, const QString& text);
  // Puts the row's bar at the position (sending nothing) and shows the value.
  void ShowRow(TGoalRow row, int position, const QString& text);
  int RowCount() const { return static_cast<int>(rows_.size()); }
  TGoalRow RowKind(int index) const { return rows_[static_cast<size_t>(index)].Kind; }

  // The box's name suffix: the tag's absolute value, "_T" added for a team goal.
  QString Suffix() const;

 signals:
  // The user moved the bar of a row to a new position.
  void RowChanged(vorlanth::TGoalRow row, int position);

 protected:
  void resizeEvent(QResizeEvent* event) override;

 private:
  struct Row {
    TGoalRow Kind;
    QLabel* Caption;
    QLabel* Value;
    QSlider* Bar;
  };

  void PlaceRows();

  int tag_;
  // The designed layout, widened where the font's texts would not fit it.
  int barLeft_ = GoalBarLeft;
  int valueMargin_ = GoalValueMargin;
  std::vector<Row> rows_;
};

}  // namespace vorlanth
