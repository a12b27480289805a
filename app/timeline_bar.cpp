// The timeline's slider, its caption and its memory box.

#include "app/timeline_bar.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QSignalBlocker>
#include <QSlider>
#include <QSpinBox>

namespace vorlanth {

TTimelineBar::TTimelineBar(QWidget* parent) : QWidget(parent) {
  auto* row = new QHBoxLayout(this);
  row->setContentsMargins(4, 2, 4, 2);
  TimelineSlider = new QSlider(Qt::Horizontal, this);
  TimelineSlider->setObjectName(QStringLiteral("TimelineSlider"));
  TimelineSlider->setRange(0, 0);
  TimelineSlider->setPageStep(10);
  TimelineSlider->setToolTip(
      QStringLiteral("Timeline: drag it, or press Left and Right while paused, to show a past cycle. Run, Step, "
                     "saving or any change goes on from the cycle shown; Undo brings back the later cycles."));
  LbTimeline = new QLabel(this);
  LbTimeline->setObjectName(QStringLiteral("LbTimeline"));
  LbTimeline->setMinimumWidth(LbTimeline->fontMetrics().horizontalAdvance(QStringLiteral("Cycle 0000000 of 0000000")));
  EdTimelineMemory = new QSpinBox(this);
  EdTimelineMemory->setObjectName(QStringLiteral("EdTimelineMemory"));
  EdTimelineMemory->setRange(MinBudgetMb, MaxBudgetMb);
  EdTimelineMemory->setValue(DefaultBudgetMb);
  EdTimelineMemory->setSuffix(QStringLiteral(" MB"));
  EdTimelineMemory->setKeyboardTracking(false);  // a number typed counts once whole: none thins on the way
  EdTimelineMemory->setToolTip(
      QStringLiteral("Memory the timeline may take, in megabytes: beyond it, older cycles are thinned out."));
  row->addWidget(TimelineSlider, 1);
  row->addWidget(LbTimeline);
  row->addWidget(EdTimelineMemory);
  connect(TimelineSlider, &QSlider::valueChanged, this, &TTimelineBar::PlaceChosen);
  connect(EdTimelineMemory, &QSpinBox::valueChanged, this, &TTimelineBar::BudgetChanged);
}

void TTimelineBar::ShowPlaces(int32_t places, int32_t shown, int64_t cycle, int64_t newest, int32_t kept,
                              size_t bytes) {
  {
    const QSignalBlocker quiet(TimelineSlider);
    TimelineSlider->setRange(0, std::max(0, places - 1));
    TimelineSlider->setValue(shown);
  }
  LbTimeline->setText(cycle == newest ? QStringLiteral("Cycle %1").arg(cycle)
                                      : QStringLiteral("Cycle %1 of %2").arg(cycle).arg(newest));
  LbTimeline->setToolTip(QStringLiteral("%1 cycles kept, %2 MB").arg(kept).arg(static_cast<double>(bytes) / (1 << 20), 0, 'f', 1));
}

void TTimelineBar::ShowRunning(bool running) {
  // A press in progress is let go: the run shows the newest cycle.
  if (running && TimelineSlider->isSliderDown()) TimelineSlider->setSliderDown(false);
  TimelineSlider->setEnabled(!running);
}

int TTimelineBar::BudgetMb() const { return EdTimelineMemory->value(); }

void TTimelineBar::SetBudgetMb(int megabytes) { EdTimelineMemory->setValue(megabytes); }

}  // namespace vorlanth
