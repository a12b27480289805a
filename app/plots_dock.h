#pragma once
// The "Plots" dock: the selected player's last cycles as charts, scrolling while
// the simulation runs. From the top: each goal's value (solid, one colour per
// goal) and its feeling where it has a reaction time (dashed, same colour, right
// axis); energy, health and speed; the controls; the support each option received
// in the last decision (a bar per option, its name whole at its left); futures and
// distinct futures per cycle, and the cycle's time against its 100 ms budget.
// Below each chart of lines, its legend: a wrapped label, every name whole.
//
// The dock only reads: the histories are recorded by the window after every cycle
// (TPlotHistory). It redraws at most RefreshesPerSecond times a second, and less
// often when a redraw costs more than MaxCostShare of the time between two.

#include <QDockWidget>
#include <QElapsedTimer>
#include <QImage>
#include <QList>
#include <QPointF>
#include <QString>

#include <array>
#include <cstdint>
#include <functional>

#include "app/player_history.h"

class QAction;
class QBarCategoryAxis;
class QAbstractBarSeries;
class QBarSet;
class QChart;
class QChartView;
class QLabel;
class QLineSeries;
class QTimer;
class QValueAxis;

namespace vorlanth {

class TPlayer;

class TPlotsDock : public QDockWidget {
  Q_OBJECT

 public:
  static constexpr int RefreshesPerSecond = 10;
  static constexpr double MaxCostShare = 0.03;  // of the time between two redraws
  static constexpr double BudgetMs = 100;       // a cycle's budget of wall-clock time
  static constexpr int DockWidth = 440;         // pixels, when first shown

  explicit TPlotsDock(QWidget* parent = nullptr);

  // Where the dock reads: the histories, and which player is selected (may be null).
  void SetSource(const TPlotHistory* histories, std::function<const TPlayer*()> selected);

  // Whether the dock may read the world now (empty: always). When it may not, a
  // redraw waits for the next Tick that may.
  std::function<bool()> Readable;

  // Redraws now, whatever the time since the last redraw (when readable).
  void Refresh();
  // Redraws when stale, at most RefreshesPerSecond times a second (when readable).
  void Tick();
  // Whether the selection or the histories changed since the last redraw.
  bool Stale() const;
  // Time the last redraw took (series and painting), in ms.
  double LastRefreshMs() const { return lastRefreshMs_; }
  int64_t RefreshCount() const { return refreshCount_; }

  // The charts as one picture, as shown.
  QImage PlotImage();
  // Writes PlotImage() as PNG through a temporary file that takes the name only
  // when complete; raises Error with the system's reason on failure.
  void SavePng(const QString& fileName);

  // "Save plot as PNG…" in the context menu; the window asks for the name.
  QAction* SavePlotItem = nullptr;

  // ---- The series, for the tests ----
  std::array<QLineSeries*, TPlotSample::MaxGoals> GoalValues{};
  std::array<QLineSeries*, TPlotSample::MaxGoals> GoalFeelings{};
  QLineSeries* Energy = nullptr;
  QLineSeries* Health = nullptr;
  QLineSeries* Speed = nullptr;
  std::array<QLineSeries*, TPlotSample::MaxControls> Controls{};
  QBarSet* Support = nullptr;
  QBarCategoryAxis* SupportOptions = nullptr;
  QLineSeries* Futures = nullptr;
  QLineSeries* DistinctFutures = nullptr;
  QLineSeries* CycleMs = nullptr;
  QLineSeries* Budget = nullptr;
  QLabel* Caption = nullptr;  // the player shown and the cost of the last redraw

 signals:
  void SavePlotRequested();

 protected:
  void showEvent(QShowEvent* event) override;
  void hideEvent(QHideEvent* event) override;

 private:
  struct TChart {
    QChart* Chart = nullptr;
    QChartView* View = nullptr;
    QValueAxis* X = nullptr;
    QValueAxis* Left = nullptr;
    QValueAxis* Right = nullptr;
    QLabel* Legend = nullptr;  // below the chart: each shown line's colour and whole name
  };

  TChart MakeChart(const QString& title, bool rightAxis, const char* legendName = "");
  // The chart's view with its legend below it.
  static QWidget* Framed(const TChart& chart);
  // The names of the chart's lines shown (those with a legend marker), in their colours.
  static void ShowLegend(const TChart& chart);
  QLineSeries* AddLine(TChart& chart, const QString& name, const QColor& colour, bool right,
                       Qt::PenStyle style = Qt::SolidLine);
  void ShowHistory(const TPlayerHistory* history);
  void ShowSupport(const TPlayerHistory* history);
  // Fills the series with (cycle, value) for every sample with a finite value.
  void Fill(QLineSeries* series, const TPlayerHistory* history,
            const std::function<double(const TPlotSample&)>& value);

  const TPlotHistory* histories_ = nullptr;
  std::function<const TPlayer*()> selected_;
  const TPlayer* shownPlayer_ = nullptr;
  uint64_t shownVersion_ = 0;
  bool shownOnce_ = false;
  QWidget* content_ = nullptr;
  QTimer* timer_ = nullptr;
  TChart goals_, body_, controls_, support_, futures_;
  QAbstractBarSeries* supportSeries_ = nullptr;
  QList<QPointF> points_;  // reused by Fill
  double lastRefreshMs_ = 0;
  int64_t refreshCount_ = 0;
  QElapsedTimer sinceRefresh_;  // invalid until the first redraw
};

}  // namespace vorlanth
