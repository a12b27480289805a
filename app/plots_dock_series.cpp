// Filling the plots' series from the selected player's history: the same window
// of cycles on every chart, axes that show each series whole, the legends.

#include <QBarCategoryAxis>
#include <QBarSet>
#include <QChart>
#include <QLabel>
#include <QLegendMarker>
#include <QLineSeries>
#include <QValueAxis>

#include <algorithm>
#include <cmath>
#include <limits>

#include "app/plots_dock.h"

namespace vorlanth {

namespace {

constexpr char kNoLegend[] = "noLegend";  // a series' property: no entry in the legend
constexpr double kMargin = 0.05;    // share of a range added above and below
constexpr double kSupportRange = 1; // normalised supports sum to 1
constexpr double kFeelingSpan = 0.2; // least span of the feeling axis: a flat feeling stays flat

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
  series->setProperty(kNoLegend, hidden);  // the markers read as hidden while the chart's legend is
}

}  // namespace

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

void TPlotsDock::ShowLegend(const TChart& chart) {
  if (!chart.Legend) return;
  QStringList entries;
  for (QAbstractSeries* series : chart.Chart->series()) {
    const auto* line = qobject_cast<QLineSeries*>(series);
    if (!line || !line->isVisible() || line->name().isEmpty()) continue;
    if (line->property(kNoLegend).toBool()) continue;
    // A non-breaking space inside an entry: lines break only between entries.
    entries << QStringLiteral("<span style=\"color:%1\">&#9632;</span>&nbsp;%2")
                   .arg(line->pen().color().name(), line->name().toHtmlEscaped().replace(QLatin1Char(' '),
                                                                                          QStringLiteral("&nbsp;")));
  }
  const QString text = entries.join(QStringLiteral(" &nbsp; "));
  if (chart.Legend->text() != text) chart.Legend->setText(text);
}

}  // namespace vorlanth
