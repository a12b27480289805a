// The plots: every player's last cycles recorded after each cycle, shown for the
// selected player, bounded, freed with the player, cleared by Reset, saved as PNG.
// Cycles are stepped one at a time (Step), quick (one pass of ten sub-steps), from
// a seeded generator.

#include <QAction>
#include <QBarSet>
#include <QComboBox>
#include <QImage>
#include <QLabel>
#include <QLineSeries>
#include <QTemporaryDir>
#include <QToolButton>
#include <QtTest>

#include <cmath>
#include <vector>

#include "app/player_history.h"
#include "app/plots_dock.h"
#include "bench/player_reading.h"
#include "core/energy_health_goals.h"
#include "core/random.h"
#include "app/widgets.h"
#include "find_control.h"
#include "form_harness.h"

using namespace vorlanth;
using namespace vorlanth::testing;

namespace {

// What the model says after each cycle, for the selected player.
struct TExpected {
  std::vector<double> Cycles, Energy, Health, Speed, Futures, Distinct;
  std::vector<std::vector<double>> Goals;     // per goal line
  std::vector<std::vector<double>> Controls;  // per control
};

std::vector<double> Ys(const QLineSeries* series) {
  std::vector<double> ys;
  for (const QPointF& p : series->points()) ys.push_back(p.y());
  return ys;
}

std::vector<double> Xs(const QLineSeries* series) {
  std::vector<double> xs;
  for (const QPointF& p : series->points()) xs.push_back(p.x());
  return xs;
}

}  // namespace

class PlotsTest : public QObject {
  Q_OBJECT

 private:
  TFormHarness h;
  QString savePlotAnswer;

  TPlotsDock& Dock() { return *Find<TPlotsDock>(*h.Form, "PlotsDock"); }
  const TPlotHistory& Histories() { return h.Form->Session().PlotHistory(); }
  void Step(int cycles = 1) {
    for (int i = 0; i < cycles; ++i) Find<QToolButton>(*h.Form, "StepBtn")->click();
  }
  void Select(int index) {
    Find<TPlayerList>(*h.Form, "EdPlayerId")->setCurrentIndex(index);
    emit Find<TPlayerList>(*h.Form, "EdPlayerId")->activated(index);
  }
  // The goals of the player as the plots must show them: energy and health from
  // their definitions on the present, the others as a reading of the model.
  static std::vector<double> GoalValues(TPlayer& player) {
    std::vector<double> values;
    ForEachGoalReading(player, [&](const TGoalReading& r) {
      if (typeid(*r.Goal) == typeid(TGoalEnergy))
        values.push_back(std::max(player.GetEnergy() - 5, 0.0) / 10);
      else if (typeid(*r.Goal) == typeid(TGoalHealth))
        values.push_back(player.GetHealth() / 10);
      else
        values.push_back(r.Value);
    });
    return values;
  }
  // The bound of one player's history, whatever it holds.
  static size_t OneHistoryBound() {
    return sizeof(TPlayerHistory) + TPlayerHistory::HistoryLength * sizeof(TPlotSample) + 64 * 1024;
  }

 private slots:
  void init() {
    h.Open();
    h.Track().Random.SeedRun(15);
    savePlotAnswer.clear();
    h.Form->Dialogs.SavePlot = [this](const QString&) { return savePlotAnswer; };
  }
  void cleanup() { h.Close(); }

  void theMenuItemAndItsShortcutShowTheDock() {
    QVERIFY(!Dock().isVisible());
    QCOMPARE(Find<QAction>(*h.Form, "menuPlots")->text(), QStringLiteral("Plots"));
    QCOMPARE(Find<QAction>(*h.Form, "menuPlots")->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_P));
    Find<QAction>(*h.Form, "menuPlots")->trigger();
    QVERIFY(Dock().isVisible());
    QVERIFY(Find<QAction>(*h.Form, "menuPlots")->isChecked());
    Find<QAction>(*h.Form, "menuPlots")->trigger();
    QVERIFY(!Dock().isVisible());
  }

  void seriesHoldOnePointPerCycleEqualToTheModel() {
    Find<QAction>(*h.Form, "Runfast1")->trigger();  // a goal more: the speeding goal
    TPlayer& player = *h.Form->SelectedPlayer();
    constexpr int N = 9;
    TExpected e;
    for (int c = 0; c < N; ++c) {
      Step();  // recorded while the dock is hidden
      e.Cycles.push_back(static_cast<double>(h.Form->Session().CycleCount()));
      e.Energy.push_back(player.GetEnergy());
      e.Health.push_back(player.GetHealth());
      e.Speed.push_back(BodySpeed(player));
      e.Futures.push_back(static_cast<double>(h.Track().LastPassCount));
      e.Distinct.push_back(player.Futures->FutureCount());
      const std::vector<double> goals = GoalValues(player);
      e.Goals.resize(goals.size());
      for (size_t g = 0; g < goals.size(); ++g) e.Goals[g].push_back(goals[g]);
      std::vector<double> controls;
      for (int32_t f = 0; f < player.Present->FreeParamCount(); f += 2)
        controls.push_back(player.Present->GetFreeParam(f).Value);
      e.Controls.resize(controls.size());
      for (size_t k = 0; k < controls.size(); ++k) e.Controls[k].push_back(controls[k]);
    }
    Find<QAction>(*h.Form, "menuPlots")->trigger();
    Dock().Refresh();

    QCOMPARE(Xs(Dock().Energy), e.Cycles);
    QCOMPARE(Ys(Dock().Energy), e.Energy);
    QCOMPARE(Ys(Dock().Health), e.Health);
    QCOMPARE(Ys(Dock().Speed), e.Speed);
    QCOMPARE(Ys(Dock().Futures), e.Futures);
    QCOMPARE(Ys(Dock().DistinctFutures), e.Distinct);
    QCOMPARE(Dock().CycleMs->count(), N);
    // One line per goal: the rocket's own (health, energy, speeding), then the team's
    // (drops, speeding).
    QCOMPARE(e.Goals.size(), static_cast<size_t>(player.Goals->GoalCount() + h.Team().Goals->GoalCount()));
    QCOMPARE(e.Goals.size(), size_t{5});
    for (size_t g = 0; g < e.Goals.size(); ++g) {
      QVERIFY(Dock().GoalValues[g]->isVisible());
      QCOMPARE(Ys(Dock().GoalValues[g]), e.Goals[g]);
    }
    QVERIFY(!Dock().GoalValues[e.Goals.size()]->isVisible());
    // Feelings only for goals with a reaction time (energy and health).
    const TPlayerHistory& history = *Histories().Of(&player);
    for (size_t g = 0; g < e.Goals.size(); ++g) {
      const bool reacts = history.GoalLines()[g].HasReaction;
      QCOMPARE(Dock().GoalFeelings[g]->count(), reacts ? N : 0);
    }
    QCOMPARE(history.GoalLines()[0].Name, player.Goals->GetGoal(0).Name);
    QVERIFY(!history.GoalLines()[2].TeamGoal);
    QVERIFY(history.GoalLines()[3].TeamGoal);
    // The controls, without their "_LimPush" companions.
    QCOMPARE(history.ControlNames().size(), e.Controls.size());
    for (size_t k = 0; k < e.Controls.size(); ++k) QCOMPARE(Ys(Dock().Controls[k]), e.Controls[k]);
    // The bars: the support of every option in the last decision.
    QCOMPARE(Dock().Support->count(), player.Futures->OptionCount());
    for (int32_t o = 0; o < player.Futures->OptionCount(); ++o)
      QCOMPARE(Dock().Support->at(o), player.Futures->GetOption(o).GetRawScore());
    QVERIFY(Dock().Caption->text().startsWith(QStringLiteral("Player #1, last 9 cycles")));
  }

  void onlyTheLastMinuteIsKept() {
    const int n = TPlayerHistory::HistoryLength + 7;
    Step(n);
    const TPlayerHistory& history = *Histories().Of(h.Form->SelectedPlayer());
    QCOMPARE(history.Count(), TPlayerHistory::HistoryLength);
    QCOMPARE(history.At(0).Cycle, int64_t{8});
    QCOMPARE(history.Last().Cycle, int64_t{n});
    Find<QAction>(*h.Form, "menuPlots")->trigger();
    Dock().Refresh();
    QCOMPARE(Dock().Energy->count(), TPlayerHistory::HistoryLength);
    QCOMPARE(Dock().Energy->points().front().x(), 8.0);
    QVERIFY(Histories().Bytes() <= OneHistoryBound());
    qInfo("recording after a cycle (1 rocket): %.4f ms; redraw of 600 cycles: %.2f ms",
          Histories().LastRecordMs(), Dock().LastRefreshMs());
  }

  void switchingPlayersShowsEachOwnHistoryInBoundedMemory() {
    Find<QAction>(*h.Form, "menuPlots")->trigger();
    for (int i = 0; i < 3; ++i) Find<QToolButton>(*h.Form, "BtnAddPlayer")->click();
    Step(3);
    QCOMPARE(Histories().PlayerCount(), size_t{4});
    for (int round = 0; round < 40; ++round) {
      const int index = round % 4;
      Select(index);
      Step();
      Dock().Refresh();
      TPlayer* selected = h.Form->SelectedPlayer();
      QCOMPARE(h.Team().IndexOf(selected), index);
      const TPlayerHistory* history = Histories().Of(selected);
      QVERIFY(history);
      QCOMPARE(Dock().Energy->count(), history->Count());
      QCOMPARE(Dock().Energy->points().back().y(), selected->GetEnergy());
      QCOMPARE(Histories().PlayerCount(), size_t{4});
      QVERIFY(Histories().Bytes() <= 4 * OneHistoryBound());
    }
  }

  void removedPlayersTakeTheirHistoryWithThem() {
    for (int i = 0; i < 2; ++i) Find<QToolButton>(*h.Form, "SpeedButton7")->click();
    Step(2);
    QCOMPARE(Histories().PlayerCount(), size_t{3});
    // "-" frees the selected player, and its history at once.
    const TPlayer* removed = h.Form->SelectedPlayer();
    Find<QToolButton>(*h.Form, "BtnSubPlayer")->click();
    QCOMPARE(Histories().PlayerCount(), size_t{2});
    QVERIFY(!Histories().Of(removed));
    // Adding and removing many players never leaves more histories than players.
    for (int i = 0; i < 30; ++i) {
      Find<QToolButton>(*h.Form, "BtnAddPlayer")->click();
      Step();
      Find<QToolButton>(*h.Form, "BtnSubPlayer")->click();
      QCOMPARE(Histories().PlayerCount(), static_cast<size_t>(h.Team().PlayerCount()));
    }
    // The circle of karts replaces every player: no history survives it.
    Find<QAction>(*h.Form, "Addacircleofkarts1")->trigger();
    QCOMPARE(Histories().PlayerCount(), size_t{0});
    Step();
    QCOMPARE(Histories().PlayerCount(), size_t{18});
    QVERIFY(Histories().Bytes() <= 18 * OneHistoryBound());
    for (TPlayer* p : h.Track().Players) QCOMPARE(Histories().Of(p)->Count(), 1);
  }

  void resetClearsTheHistory() {
    Find<QAction>(*h.Form, "menuPlots")->trigger();
    Step(4);
    QCOMPARE(Histories().Of(h.Form->SelectedPlayer())->Count(), 4);
    Find<QToolButton>(*h.Form, "BtnReset")->click();
    QCOMPARE(Histories().PlayerCount(), size_t{0});
    Dock().Refresh();
    QCOMPARE(Dock().Energy->count(), 0);
    Step();
    QCOMPARE(Histories().Of(h.Form->SelectedPlayer())->Count(), 1);
  }

  void thePlotIsSavedAsPngOrTheErrorShown() {
    Find<QAction>(*h.Form, "menuPlots")->trigger();
    Step(3);
    Dock().Refresh();
    QTemporaryDir dir;
    savePlotAnswer = dir.filePath(QStringLiteral("plot"));  // ".png" is added
    Dock().SavePlotItem->trigger();
    QVERIFY2(h.Errors.isEmpty(), qPrintable(h.Errors.join(QStringLiteral("; "))));
    const QImage saved(dir.filePath(QStringLiteral("plot.png")), "PNG");
    QVERIFY(!saved.isNull());
    QVERIFY(saved.width() > 100 && saved.height() > 100);

    // A folder that does not exist: the error dialog says why, nothing is written.
    savePlotAnswer = dir.filePath(QStringLiteral("missing/plot.png"));
    Dock().SavePlotItem->trigger();
    QCOMPARE(h.Errors.size(), 1);
    QVERIFY2(h.Errors.front().contains(QStringLiteral("Cannot save the plot")), qPrintable(h.Errors.front()));
    QVERIFY(!QFile::exists(savePlotAnswer));
    // Cancelling the dialog does nothing.
    savePlotAnswer.clear();
    Dock().SavePlotItem->trigger();
    QCOMPARE(h.Errors.size(), 1);
    QVERIFY(CheckConsistency(*h.Form).isEmpty());
  }
};

QTEST_MAIN(PlotsTest)
#include "plots_test.moc"
