#include "app/goal_box.h"

#include <QLabel>
#include <QSignalBlocker>
#include <QFontMetrics>
#include <QSlider>

#include <algorithm>

#include <cstdlib>

#include <QWheelEvent>

namespace vorlanth {

namespace {

// A bar of a box in the scrolling panel: the wheel scrolls the panel unless the
// bar has the focus (a click or Tab gives it), so scrolling never changes a goal.
class TPanelBar : public QSlider {
 public:
  explicit TPanelBar(QWidget* parent) : QSlider(Qt::Horizontal, parent) { setFocusPolicy(Qt::StrongFocus); }

 protected:
  void wheelEvent(QWheelEvent* event) override {
    if (!hasFocus()) {
      event->ignore();  // goes on to the panel
      return;
    }
    QSlider::wheelEvent(event);
  }
};

}  // namespace

TGoalBox::TGoalBox(int tag, const QString& title, QWidget* parent)
    : QGroupBox(title, parent), tag_(tag) {
  setProperty("tag", tag);
  // The boxes have an empty context menu: a right click shows nothing.
  setContextMenuPolicy(Qt::PreventContextMenu);
  setFixedHeight(TitleHeight);
  const QFontMetrics metrics(font());
  int caption = 0;
  for (const char* text : {"Strength", "Reaction", "Urgency"})
    caption = std::max(caption, metrics.horizontalAdvance(QString::fromLatin1(text)));
  barLeft_ = std::max(GoalBarLeft, CaptionLeft + caption + 2);
  const int value = metrics.horizontalAdvance(QStringLiteral("10.0s")) + 2;
  valueMargin_ = std::max(GoalValueMargin, value + ValueGap);
}

QString TGoalBox::Suffix() const {
  return QString::number(std::abs(tag_)) + (tag_ < 0 ? QStringLiteral("_T") : QString());
}

namespace {

struct TRowText {
  const char* Caption;
  const char* Hint;
  const char* NamePrefix;
  const char* BarHint;  // what the bar sets, and its unit
};

TRowText TextOf(TGoalRow row) {
  switch (row) {
    case TGoalRow::Strength:
      return {"Strength", "How strong the goal is for the player.", "STRENGTH_",
              "Strength of the goal, from 0 to its maximum strength; the value is shown at the right."};
    case TGoalRow::Reaction:
      return {"Reaction", "How early you want to be warned before a problem.", "REACTION_",
              "How early the goal warns before a problem, from 0 to 10 s of simulated time."};
    case TGoalRow::Urgency:
      break;
  }
  return {"Urgency", "Once it start warning you, how fast warning grows.", "URGENCY_",
          "How fast the warning grows once it starts, from 0 to 2 (no unit: a factor)."};
}

}  // namespace

void TGoalBox::AddRow(TGoalRow kind, int position, const QString& valueText,
                      const std::function<QString(int)>& textAt) {
  const TRowText text = TextOf(kind);
  auto* captionLabel = new QLabel(QString::fromLatin1(text.Caption), this);
  captionLabel->setToolTip(QString::fromLatin1(text.Hint));

  auto* valueLabel = new QLabel(valueText, this);
  valueLabel->setObjectName(QString::fromLatin1(text.NamePrefix) + Suffix());
  valueLabel->setAlignment(Qt::AlignRight | Qt::AlignVCenter);

  QSlider* bar = new TPanelBar(this);
  bar->setRange(0, BarMaximum);
  bar->setTickInterval(BarTickFrequency);
  bar->setTickPosition(QSlider::NoTicks);
  bar->setValue(position);
  bar->setToolTip(QString::fromLatin1(text.BarHint));

  for (QWidget* control : {static_cast<QWidget*>(captionLabel), static_cast<QWidget*>(valueLabel),
                           static_cast<QWidget*>(bar)}) {
    control->setProperty("tag", tag_);
    control->setContextMenuPolicy(Qt::PreventContextMenu);
    control->show();
  }
  rows_.push_back(Row{kind, captionLabel, valueLabel, bar});
  setFixedHeight(TitleHeight + RowHeight * static_cast<int>(rows_.size()));
  PlaceRows();
  // Attached after the position is set: building the box writes nothing.
  // The value follows the bar at once, even while the world is busy with a cycle.
  connect(bar, &QSlider::valueChanged, this, [this, kind, valueLabel, textAt](int value) {
    if (textAt) valueLabel->setText(textAt(value));
    emit RowChanged(kind, value);
  });
}

void TGoalBox::ShowValue(TGoalRow kind, const QString& text) {
  for (const Row& row : rows_)
    if (row.Kind == kind) row.Value->setText(text);
}

void TGoalBox::ShowRow(TGoalRow kind, int position, const QString& text) {
  for (const Row& row : rows_) {
    if (row.Kind != kind) continue;
    const QSignalBlocker quiet(row.Bar);
    row.Bar->setValue(position);
    row.Value->setText(text);
  }
}

void TGoalBox::resizeEvent(QResizeEvent* event) {
  QGroupBox::resizeEvent(event);
  PlaceRows();
}

void TGoalBox::PlaceRows() {
  const int cw = width();
  for (size_t i = 0; i < rows_.size(); ++i) {
    const int top = FirstRowTop + RowHeight * static_cast<int>(i);
    const Row& row = rows_[i];
    row.Caption->setGeometry(CaptionLeft, top, barLeft_ - CaptionLeft, LabelHeight);
    row.Value->setGeometry(cw - valueMargin_, top, valueMargin_ - ValueGap, LabelHeight);
    row.Bar->setGeometry(barLeft_, top + BarDrop, cw - barLeft_ - valueMargin_, BarHeight);
  }
}

}  // namespace vorlanth
