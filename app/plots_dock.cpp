#include "app/plots_dock.h"

#include <QAction>
#include <QBarCategoryAxis>
#include <QBarSeries>
#include <QBarSet>
#include <QChart>
#include <QChartView>
#include <QElapsedTimer>
#include <QHorizontalBarSeries>
#include <QLabel>
#include <QLegendMarker>
#include <QLineSeries>
#include <QMenu>
#include <QScrollArea>
#include <QTimer>
#include <QValueAxis>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>
#include <limits>

#include "core/error.h"
#include "core/player.h"
#include "core/team.h"

namespace vorlanth {

namespace {

constexpr int kChartHeight = 170;   // pixels: each chart's least height

constexpr int kSmallFontPixels = 9;
constexpr double kSupportRange = 1; // normalised supports sum to 1

// A goal's colour by its place among the player's goals: the first three are red,
// green and blue, as the strengths of the first three goals colour a player;
// then distinct darker hues.
QColor GoalColour(size_t i) {
  static const QColor colours[] = {
      QColor(220, 0, 0),   QColor(0, 160, 0),   QColor(0, 0, 230),   QColor(230, 140, 0),
      QColor(170, 0, 170), QColor(0, 150, 150), QColor(120, 80, 30), QColor(110, 110, 110),
      QColor(240, 90, 150), QColor(90, 60, 200), QColor(140, 170, 0), QColor(0, 90, 140)};
  return colours[i % std::size(colours)];
}

QColor ControlColour(size_t i) {
  static const QColor colours[] = {QColor(0, 90, 200), QColor(200, 60, 0), QColor(0, 140, 60),
                                   QColor(150, 0, 150)};
  return colours[i % std::size(colours)];
}

}  // namespace

TPlotsDock::TPlotsDock(QWidget* parent) : QDockWidget(QStringLiteral("Plots"), parent) {
  setObjectName(QStringLiteral("PlotsDock"));
  setAllowedAreas(Qt::LeftDockWidgetArea | Qt::RightDockWidgetArea | Qt::BottomDockWidgetArea);

  auto* scroll = new QScrollArea(this);
  scroll->setWidgetResizable(true);
  scroll->setFrameShape(QFrame::NoFrame);
  content_ = new QWidget;
  content_->setObjectName(QStringLiteral("PlotsContent"));
  auto* column = new QVBoxLayout(content_);
  column->setContentsMargins(2, 2, 2, 2);
  column->setSpacing(2);

  Caption = new QLabel(QStringLiteral("No player"), content_);
  Caption->setObjectName(QStringLiteral("PlotsCaption"));
  column->addWidget(Caption);

  // Goals: values on the left, feelings (1 is neutral) on the right.
  goals_ = MakeChart(QStringLiteral("Goals: value (solid), feeling (dashed, right)"), true, "GoalsLegend");
  for (size_t i = 0; i < GoalValues.size(); ++i) {
    GoalValues[i] = AddLine(goals_, QString(), GoalColour(i), false);
    GoalFeelings[i] = AddLine(goals_, QString(), GoalColour(i), true, Qt::DashLine);
  }
  column->addWidget(Framed(goals_));

  body_ = MakeChart(QStringLiteral("Body: energy, health (left), speed px/s (right)"), true, "BodyLegend");
  Energy = AddLine(body_, QStringLiteral("energy"), QColor(230, 140, 0), false);
  Health = AddLine(body_, QStringLiteral("health"), QColor(220, 0, 0), false);
  Speed = AddLine(body_, QStringLiteral("speed"), QColor(0, 0, 230), true);
  column->addWidget(Framed(body_));

  // The controls over time, and below them the support each option received in
  // the last decision: one bar per option, its name written whole at its left.
  controls_ = MakeChart(QStringLiteral("Controls"), false, "ControlsLegend");
  for (size_t i = 0; i < Controls.size(); ++i) Controls[i] = AddLine(controls_, QString(), ControlColour(i), false);
  column->addWidget(Framed(controls_));
  support_.Chart = new QChart;
  support_.Chart->setTitle(QStringLiteral("Support, last decision"));
  // One bar per option, its name written across at its left: whole however long.
  supportSeries_ = new QHorizontalBarSeries;
  Support = new QBarSet(QStringLiteral("support"));
  Support->setColor(QColor(0, 120, 200));
  supportSeries_->append(Support);
  support_.Chart->addSeries(supportSeries_);
  SupportOptions = new QBarCategoryAxis;
  SupportOptions->setTruncateLabels(false);  // short names, whole: never "…"
  support_.Chart->addAxis(SupportOptions, Qt::AlignLeft);
  supportSeries_->attachAxis(SupportOptions);
  support_.Left = new QValueAxis;  // the support, along the bars
  support_.Left->setRange(0, kSupportRange);
  support_.Left->setTickCount(3);
  support_.Chart->addAxis(support_.Left, Qt::AlignBottom);
  supportSeries_->attachAxis(support_.Left);
  support_.Chart->legend()->hide();
  support_.View = new QChartView(support_.Chart);
  column->addWidget(support_.View);

  futures_ = MakeChart(QStringLiteral("Futures per cycle (left), cycle ms against the budget (right)"), true,
                       "FuturesLegend");
  Futures = AddLine(futures_, QStringLiteral("futures"), QColor(0, 0, 230), false);
  DistinctFutures = AddLine(futures_, QStringLiteral("distinct"), QColor(0, 160, 0), false);
  CycleMs = AddLine(futures_, QStringLiteral("cycle ms"), QColor(110, 110, 110), true);
  Budget = AddLine(futures_, QStringLiteral("budget"), QColor(220, 0, 0), true, Qt::DotLine);
  column->addWidget(Framed(futures_));

  for (TChart* chart : {&goals_, &body_, &controls_, &support_, &futures_}) {
    QFont small = chart->Chart->titleFont();
    small.setPixelSize(kSmallFontPixels + 1);
    chart->Chart->setTitleFont(small);
    small.setPixelSize(kSmallFontPixels);
    chart->Chart->legend()->hide();  // each chart's legend is a label below it, wrapped, never cut
    if (chart->Legend) chart->Legend->setFont(small);
    for (QAbstractAxis* axis : chart->Chart->axes()) axis->setLabelsFont(small);
    chart->Chart->setMargins(QMargins(2, 2, 2, 2));
    chart->View->setMinimumHeight(kChartHeight);
    chart->View->setContextMenuPolicy(Qt::NoContextMenu);  // the dock's menu
  }
  scroll->setWidget(content_);
  setWidget(scroll);
  setMinimumWidth(DockWidth / 2);

  // The context menu: saving the charts.
  SavePlotItem = new QAction(QStringLiteral("Save plot as PNG…"), this);
  SavePlotItem->setObjectName(QStringLiteral("SavePlotItem"));
  connect(SavePlotItem, &QAction::triggered, this, &TPlotsDock::SavePlotRequested);
  content_->setContextMenuPolicy(Qt::CustomContextMenu);
  connect(content_, &QWidget::customContextMenuRequested, this, [this](const QPoint& at) {
    QMenu menu(this);
    menu.addAction(SavePlotItem);
    menu.exec(content_->mapToGlobal(at));
  });

  timer_ = new QTimer(this);
  timer_->setInterval(1000 / RefreshesPerSecond);
  connect(timer_, &QTimer::timeout, this, [this] { Tick(); });
}

TPlotsDock::TChart TPlotsDock::MakeChart(const QString& title, bool rightAxis, const char* legendName) {
  TChart c;
  c.Chart = new QChart;
  c.Chart->setTitle(title);
  c.Legend = new QLabel;
  c.Legend->setObjectName(QString::fromLatin1(legendName));
  c.Legend->setWordWrap(true);
  c.Legend->setTextFormat(Qt::RichText);
  c.X = new QValueAxis;
  c.X->setLabelFormat(QStringLiteral("%d"));
  c.Chart->addAxis(c.X, Qt::AlignBottom);
  c.Left = new QValueAxis;
  c.Chart->addAxis(c.Left, Qt::AlignLeft);
  if (rightAxis) {
    c.Right = new QValueAxis;
    c.Chart->addAxis(c.Right, Qt::AlignRight);
  }
  c.View = new QChartView(c.Chart);
  return c;
}

QWidget* TPlotsDock::Framed(const TChart& chart) {
  auto* frame = new QWidget;
  auto* column = new QVBoxLayout(frame);
  column->setContentsMargins(0, 0, 0, 0);
  column->setSpacing(0);
  column->addWidget(chart.View);
  column->addWidget(chart.Legend);
  return frame;
}

QLineSeries* TPlotsDock::AddLine(TChart& chart, const QString& name, const QColor& colour, bool right,
                                 Qt::PenStyle style) {
  auto* series = new QLineSeries;
  series->setName(name);
  QPen pen(colour);
  pen.setWidthF(1.5);
  pen.setStyle(style);
  series->setPen(pen);
  chart.Chart->addSeries(series);
  series->attachAxis(chart.X);
  series->attachAxis(right ? chart.Right : chart.Left);
  return series;
}

void TPlotsDock::SetSource(const TPlotHistory* histories, std::function<const TPlayer*()> selected) {
  histories_ = histories;
  selected_ = std::move(selected);
  shownOnce_ = false;
}

void TPlotsDock::showEvent(QShowEvent* event) {
  QDockWidget::showEvent(event);
  timer_->start();
  Refresh();  // what changed while hidden, at once
}

void TPlotsDock::hideEvent(QHideEvent* event) {
  timer_->stop();
  QDockWidget::hideEvent(event);
}

bool TPlotsDock::Stale() const {
  if (!shownOnce_ || !histories_) return !shownOnce_;
  const TPlayer* player = selected_ ? selected_() : nullptr;
  return player != shownPlayer_ || histories_->Version() != shownVersion_;
}

void TPlotsDock::Tick() {
  if (!isVisible() || (Readable && !Readable()) || !Stale()) return;
  // At most RefreshesPerSecond redraws a second, and spaced so that redrawing
  // takes at most MaxCostShare of the time.
  const double spacing = std::max(1000.0 / RefreshesPerSecond, lastRefreshMs_ / MaxCostShare);
  if (sinceRefresh_.isValid() && static_cast<double>(sinceRefresh_.elapsed()) < spacing) return;
  Refresh();
}

void TPlotsDock::Refresh() {
  if (Readable && !Readable()) {
    shownOnce_ = false;  // stale: the next readable Tick redraws
    return;
  }
  QElapsedTimer clock;
  clock.start();
  const TPlayer* player = selected_ ? selected_() : nullptr;
  const TPlayerHistory* history = histories_ && player ? histories_->Of(player) : nullptr;
  shownPlayer_ = player;
  shownVersion_ = histories_ ? histories_->Version() : 0;
  shownOnce_ = true;

  ShowHistory(history);
  ShowSupport(history);
  for (const TChart* chart : {&goals_, &body_, &controls_, &futures_}) ShowLegend(*chart);
  // Painted here, so that the measured time is the whole cost of a redraw.
  if (isVisible()) content_->repaint();

  lastRefreshMs_ = static_cast<double>(clock.nsecsElapsed()) / 1e6;
  sinceRefresh_.start();
  ++refreshCount_;
  QString who = QStringLiteral("No player");
  if (player && player->Team) who = QStringLiteral("Player #%1").arg(player->Team->IndexOf(player) + 1);
  Caption->setText(QStringLiteral("%1, last %2 cycles | recording %3 ms, redraw %4 ms")
                       .arg(who)
                       .arg(history ? history->Count() : 0)
                       .arg(histories_ ? histories_->LastRecordMs() : 0.0, 0, 'f', 3)
                       .arg(lastRefreshMs_, 0, 'f', 1));
}

}  // namespace vorlanth
