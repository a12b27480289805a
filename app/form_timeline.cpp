// The window's timeline: the bar under the circuit, the past cycle it shows in
// the picture, the boxes and the plots, and the memory the kept cycles may take.
//
// Choosing a place is no command: it changes nothing and shows a kept cycle (the
// window's Track() and SelectedPlayer() are then the cycle's, read only). The
// first change of the world given meanwhile, or Run, Step or saving, goes on
// from it (TSession::Command); a command that changes no world leaves it shown.

#include <QAbstractScrollArea>
#include <QAbstractSlider>
#include <QAbstractSpinBox>
#include <QApplication>
#include <QBoxLayout>
#include <QComboBox>
#include <QKeyEvent>
#include <QKeySequence>
#include <QLineEdit>
#include <QSlider>

#include <functional>
#include <utility>

#include "app/form_test2d.h"
#include "app/player_history.h"
#include "app/plots_dock.h"
#include "app/session.h"
#include "app/timeline.h"
#include "app/timeline_bar.h"
#include "core/team.h"
#include "world2d/track2d.h"

namespace vorlanth {

namespace {

// Left and Right step the timeline from anywhere in the window, paused, except
// where the focus takes the arrows itself (a slider, a box, a list, a text).
class TTimelineKeys : public QObject {
 public:
  TTimelineKeys(QWidget* window, QAbstractSlider* slider, std::function<bool()> paused)
      : QObject(window), window_(window), slider_(slider), paused_(std::move(paused)) {}

  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() != QEvent::KeyPress) return false;
    const auto* key = static_cast<QKeyEvent*>(event);
    const bool arrow = key->key() == Qt::Key_Left || key->key() == Qt::Key_Right;
    const auto* widget = qobject_cast<const QWidget*>(watched);
    if (!arrow || key->modifiers() != Qt::NoModifier || !widget || widget->window() != window_ || !paused_() ||
        !slider_->isEnabled() || TakesArrows(widget))
      return false;
    slider_->triggerAction(key->key() == Qt::Key_Left ? QAbstractSlider::SliderSingleStepSub
                                                       : QAbstractSlider::SliderSingleStepAdd);
    return true;
  }

 private:
  static bool TakesArrows(const QWidget* widget) {
    return qobject_cast<const QAbstractSlider*>(widget) || qobject_cast<const QAbstractSpinBox*>(widget) ||
           qobject_cast<const QComboBox*>(widget) || qobject_cast<const QLineEdit*>(widget) ||
           qobject_cast<const QAbstractScrollArea*>(widget);  // text fields, charts and panels that scroll
  }
  QWidget* window_;
  QAbstractSlider* slider_;
  std::function<bool()> paused_;
};

}  // namespace

// The world shown: the session's own, or the kept cycle shown.
TTrack2D& TFormTest2D::Track() const { return session_->ShownTrack(); }

TPlayer* TFormTest2D::SelectedPlayer() const {
  const TTeam* team = Track().CurrentTeam;
  return team ? team->Selected : nullptr;
}

void TFormTest2D::BuildTimeline(QBoxLayout* column) {
  Timeline = new TTimelineBar(Panel3);
  Timeline->setObjectName(QStringLiteral("Timeline"));
  column->setSpacing(0);
  column->addWidget(Timeline);
  pastPlots_ = std::make_unique<TPlotHistory>();
  // Not commands: a place shown, a budget set, change no world.
  connect(Timeline, &TTimelineBar::PlaceChosen, this, [this](int place) { TimelineSliderChange(place); });
  connect(Timeline, &TTimelineBar::BudgetChanged, this, [this](int megabytes) { EdTimelineMemoryChange(megabytes); });
  connect(session_.get(), &TSession::TimelineChanged, this, [this] { ShowTimeline(); });
  connect(session_.get(), &TSession::ShownCycleChanged, this, [this] { ShowShownCycle(); });
  connect(session_.get(), &TSession::CommandDone, this, [this] { ShowTimeline(); });
  qApp->installEventFilter(new TTimelineKeys(this, Timeline->Slider(), [this] { return !Running(); }));
  // Help > "Keyboard shortcuts" lists the timeline's keys with the menus' own.
  shortcutRows_.append({QKeySequence(Qt::Key_Left).toString(QKeySequence::NativeText),
                        QStringLiteral("Timeline > The cycle before (paused)")});
  shortcutRows_.append({QKeySequence(Qt::Key_Right).toString(QKeySequence::NativeText),
                        QStringLiteral("Timeline > The cycle after (paused)")});
}

void TFormTest2D::TimelineSliderChange(int place) {
  try {
    session_->ShowPlace(place);
  } catch (...) {
    ReportError(QStringLiteral("TimelineSlider \"Show a past cycle\""));
  }
  ShowTimeline();  // where the session stands (a run shows the newest cycle)
}

void TFormTest2D::EdTimelineMemoryChange(int megabytes) {
  session_->SetTimelineBudget(static_cast<size_t>(megabytes) << 20);
}

void TFormTest2D::ShowTimeline() {
  const TTimeline& kept = session_->Timeline();
  Timeline->ShowRunning(Running());
  Timeline->ShowPlaces(session_->TimelinePlaces(), session_->ShownPlace(), session_->ShownCycle(),
                       session_->CycleCount(), kept.Count(), kept.Bytes());
}

void TFormTest2D::ShowShownCycle() {
  ShowTimeline();
  // The shown world's players, selection and values, without writing back.
  FillPlayerList();
  ShowModel();
  // The plots up to the cycle shown.
  const auto selected = [this]() -> const TPlayer* { return SelectedPlayer(); };
  if (session_->ShowingPast()) {
    std::vector<TPlayer*> players;
    if (TPlayer* player = SelectedPlayer()) players.push_back(player);
    pastPlots_->Adopt(session_->PlotHistory(), players, session_->ShownCycle());
    PlotsDock->SetSource(pastPlots_.get(), selected);
  } else {
    PlotsDock->SetSource(&session_->PlotHistory(), selected);
  }
  if (PlotsDock->isVisible()) PlotsDock->Refresh();
}

}  // namespace vorlanth
