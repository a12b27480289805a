#include "app/plots_dock.h"

#include <QAction>
#include <QBarCategoryAxis>
#include <QBarSeries>
#include <QBarSet>
#include <QChart>
#include <QChartView>
#include <QElapsedTimer>
#include <QHBoxLayout>
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
constexpr double kMargin = 0.05;    // share of a range added above and below
constexpr double kSupportRange = 1; // normalised supports sum to 1
constexpr double kFeelingSpan = 0.2; // least span of the feeling axis: a flat feeling stays flat

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

// A range that shows [lo, hi] with a margin, at least `minSpan` wide around its
// middle; a flat or empty range gets room. Figures that are never negative keep
// the axis at or above zero.
void SetRange(QValueAxis* axis, double lo, double hi, double minSpan = 0) {
  if (!(lo <= hi)) {
    lo = 0;
    hi = 1;
  }
  if (hi - lo < minSpan) {
    const double middle = (lo + hi) / 2;
    lo = middle - minSpan / 2;
    hi = middle + minSpan / 2;
  }
  double margin = (hi - lo) * kMargin;
  if (margin == 0) margin = std::max(std::abs(hi) * kMargin, 0.5);
  const double bottom = lo >= 0 ? std::max(lo - margin, 0.0) : lo - margin;
  axis->setRange(bottom, hi + margin);
}

void HideMarker(QChart* chart, QLineSeries* series, bool hidden) {
  for (QLegendMarker* marker : chart->legend()->markers(series)) marker->setVisible(!hidden);
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
  goals_ = MakeChart(QStringLiteral("Goals: value (solid), feeling (dashed, right)"), true);
  for (size_t i = 0; i < GoalValues.size(); ++i) {
    GoalValues[i] = AddLine(goals_, QString(), GoalColour(i), false);
    GoalFeelings[i] = AddLine(goals_, QString(), GoalColour(i), true, Qt::DashLine);
  }
  column->addWidget(goals_.View);

  body_ = MakeChart(QStringLiteral("Body: energy, health (left), speed px/s (right)"), true);
  Energy = AddLine(body_, QStringLiteral("energy"), QColor(230, 140, 0), false);
  Health = AddLine(body_, QStringLiteral("health"), QColor(220, 0, 0), false);
  Speed = AddLine(body_, QStringLiteral("speed"), QColor(0, 0, 230), true);
  column->addWidget(body_.View);

  // The controls over time, and beside them the last decision's support.
  auto* row = new QHBoxLayout;
  row->setSpacing(2);
  controls_ = MakeChart(QStringLiteral("Controls"), false);
  for (size_t i = 0; i < Controls.size(); ++i) Controls[i] = AddLine(controls_, QString(), ControlColour(i), false);
  row->addWidget(controls_.View, 3);
  support_.Chart = new QChart;
  support_.Chart->setTitle(QStringLiteral("Support, last decision"));
  supportSeries_ = new QBarSeries;
  Support = new QBarSet(QStringLiteral("support"));
  Support->setColor(QColor(0, 120, 200));
  supportSeries_->append(Support);
  support_.Chart->addSeries(supportSeries_);
  SupportOptions = new QBarCategoryAxis;
  SupportOptions->setLabelsAngle(-90);  // one narrow column per option
  SupportOptions->setTruncateLabels(false);  // short names, whole: never "…"
  support_.Chart->addAxis(SupportOptions, Qt::AlignBottom);
  supportSeries_->attachAxis(SupportOptions);
  support_.Left = new QValueAxis;
  support_.Left->setRange(0, kSupportRange);
  support_.Chart->addAxis(support_.Left, Qt::AlignLeft);
  supportSeries_->attachAxis(support_.Left);
  support_.Chart->legend()->hide();
  support_.View = new QChartView(support_.Chart);
  row->addWidget(support_.View, 2);
  column->addLayout(row);

  futures_ = MakeChart(QStringLiteral("Futures per cycle (left), cycle ms against the budget (right)"), true);
  Futures = AddLine(futures_, QStringLiteral("futures"), QColor(0, 0, 230), false);
  DistinctFutures = AddLine(futures_, QStringLiteral("distinct"), QColor(0, 160, 0), false);
  CycleMs = AddLine(futures_, QStringLiteral("cycle ms"), QColor(110, 110, 110), true);
  Budget = AddLine(futures_, QStringLiteral("budget"), QColor(220, 0, 0), true, Qt::DotLine);
  column->addWidget(futures_.View);

  for (TChart* chart : {&goals_, &body_, &controls_, &support_, &futures_}) {
    QFont small = chart->Chart->titleFont();
    small.setPixelSize(kSmallFontPixels + 1);
    chart->Chart->setTitleFont(small);
    small.setPixelSize(kSmallFontPixels);
    chart->Chart->legend()->setFont(small);
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

TPlotsDock::TChart TPlotsDock::MakeChart(const QString& title, bool rightAxis) {
  TChart c;
  c.Chart = new QChart;
  c.Chart->setTitle(title);
  c.Chart->legend()->setAlignment(Qt::AlignBottom);
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

void TPlotsDock::Fill(QLineSeries* series, const TPlayerHistory* history,
                      const std::function<double(const TPlotSample&)>& value) {
  points_.clear();
  const int32_t n = history ? history->Count() : 0;
  for (int32_t i = 0; i < n; ++i) {
    const TPlotSample& s = history->At(i);
    const double v = value(s);
    if (std::isfinite(v)) points_.append(QPointF(static_cast<double>(s.Cycle), v));
  }
  series->replace(points_);
}

void TPlotsDock::ShowHistory(const TPlayerHistory* history) {
  const int32_t n = history ? history->Count() : 0;
  // The same window of cycles on every chart.
  const double lastCycle = n > 0 ? static_cast<double>(history->Last().Cycle) : 0;
  const double firstCycle = std::max(lastCycle - (TPlayerHistory::HistoryLength - 1),
                                     n > 0 ? static_cast<double>(history->At(0).Cycle) : 0.0);
  for (TChart* chart : {&goals_, &body_, &controls_, &futures_})
    chart->X->setRange(firstCycle, std::max(lastCycle, firstCycle + 1));

  // Each series' finite range, gathered as it is filled.
  constexpr double kInf = std::numeric_limits<double>::infinity();
  struct TRange {
    double Lo = kInf, Hi = -kInf;
    void Add(const QLineSeries* series) {
      for (const QPointF& p : series->points()) {
        Lo = std::min(Lo, p.y());
        Hi = std::max(Hi, p.y());
      }
    }
  };

  TRange values, feelings;
  const size_t lines = history ? history->GoalLines().size() : 0;
  for (size_t i = 0; i < GoalValues.size(); ++i) {
    const bool used = i < lines;
    const bool feels = used && history->GoalLines()[i].HasReaction;
    if (used) {
      const TGoalLine& line = history->GoalLines()[i];
      QString name = QString::fromStdString(line.Name);
      if (line.Occurrence > 1) name += QStringLiteral(" #%1").arg(line.Occurrence);
      if (line.TeamGoal) name += QStringLiteral(" (team)");
      GoalValues[i]->setName(name);
      GoalFeelings[i]->setName(name + QStringLiteral(" feeling"));
      Fill(GoalValues[i], history, [i](const TPlotSample& s) { return s.GoalValues[i]; });
      values.Add(GoalValues[i]);
    } else if (GoalValues[i]->count() > 0) {
      GoalValues[i]->clear();
    }
    if (feels) {
      Fill(GoalFeelings[i], history, [i](const TPlotSample& s) { return s.GoalFeelings[i]; });
      feelings.Add(GoalFeelings[i]);
    } else if (GoalFeelings[i]->count() > 0) {
      GoalFeelings[i]->clear();
    }
    GoalValues[i]->setVisible(used);
    GoalFeelings[i]->setVisible(feels);
    HideMarker(goals_.Chart, GoalValues[i], !used);
    // A feeling is its goal's colour, dashed (the title says so): its own legend
    // entry would only crowd the goals' names out.
    HideMarker(goals_.Chart, GoalFeelings[i], true);
  }
  SetRange(goals_.Left, values.Lo, values.Hi);
  SetRange(goals_.Right, std::min(feelings.Lo, 1.0), std::max(feelings.Hi, 1.0), kFeelingSpan);

  Fill(Energy, history, [](const TPlotSample& s) { return s.Energy; });
  Fill(Health, history, [](const TPlotSample& s) { return s.Health; });
  Fill(Speed, history, [](const TPlotSample& s) { return s.Speed; });
  body_.Left->setRange(0, 100);
  TRange speed;
  speed.Add(Speed);
  SetRange(body_.Right, 0, std::max(speed.Hi, 1.0));

  TRange controls;
  const size_t controlCount = history ? history->ControlNames().size() : 0;
  for (size_t i = 0; i < Controls.size(); ++i) {
    const bool used = i < controlCount;
    if (used) {
      Controls[i]->setName(QString::fromStdString(history->ControlNames()[i]).toLower());
      Fill(Controls[i], history, [i](const TPlotSample& s) { return s.Controls[i]; });
      controls.Add(Controls[i]);
    } else if (Controls[i]->count() > 0) {
      Controls[i]->clear();
    }
    Controls[i]->setVisible(used);
    HideMarker(controls_.Chart, Controls[i], !used);
  }
  SetRange(controls_.Left, controls.Lo, controls.Hi);

  Fill(Futures, history, [](const TPlotSample& s) { return s.Futures; });
  Fill(DistinctFutures, history, [](const TPlotSample& s) { return s.DistinctFutures; });
  Fill(CycleMs, history, [](const TPlotSample& s) { return s.CycleMs; });
  TRange futures, cycle;
  futures.Add(Futures);
  futures.Add(DistinctFutures);
  cycle.Add(CycleMs);
  SetRange(futures_.Left, 0, std::max(futures.Hi, 1.0));
  SetRange(futures_.Right, 0, std::max(cycle.Hi, BudgetMs));
  Budget->replace(n > 0 ? QList<QPointF>{{firstCycle, BudgetMs}, {lastCycle, BudgetMs}} : QList<QPointF>{});
}

void TPlotsDock::ShowSupport(const TPlayerHistory* history) {
  QStringList names;
  QList<qreal> support;
  if (history && history->Count() > 0) {
    for (const std::string& name : history->OptionNames()) names << QString::fromStdString(name).toLower();
    for (double s : history->Support()) support << s;
  }
  if (SupportOptions->categories() != names) {
    SupportOptions->clear();
    SupportOptions->append(names);
  }
  if (Support->count() != support.size()) {
    Support->remove(0, Support->count());
    Support->append(support);
  } else {
    for (qsizetype i = 0; i < support.size(); ++i) Support->replace(i, support[i]);
  }
  double hi = kSupportRange;
  for (double s : support) hi = std::max(hi, s);
  double lo = 0;
  for (double s : support) lo = std::min(lo, s);
  support_.Left->setRange(lo, hi);
}

}  // namespace vorlanth
