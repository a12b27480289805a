// The window changes the world between cycles and from inside them (its handlers
// run while a cycle draws). A thread's replica that missed one of those changes
// would make the passes on several threads differ from the passes on one: seeded
// random sequences of every kind of change, in cycles with and without players or
// goals coming and going, compared whole after every cycle.

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <random>
#include <vector>

#include "bench/population.h"
#include "core/goal.h"
#include "core/random.h"
#include "core/team.h"
#include "support/recording_canvas.h"
#include "support/threads_world.h"
#include "world2d/player2d.h"
#include "world2d/rocket.h"
#include "world2d/track2d.h"
#include "support/test_random.h"

namespace vorlanth {
namespace {

using testing::RecordingCanvas;

constexpr int32_t kCycles = 20;
constexpr int32_t kMostPlayers = 9;

class ChangingWorld {
 public:
  ChangingWorld(int32_t threads, uint32_t seed) : Dice(seed) {
    Track.Random.SeedRun(seed);
    testing::SetUpThreadsWorld(Track, Team, Paper, threads, 5, 2000);
    Population.AddPlayer(pkRocket);
    Population.AddPlayer(pkKart);
    Population.AddPlayer(pkAsteroid);
    Population.AddDropsGoal();
    Population.AddAvoidGoal();
  }

  // The digest of the world after each cycle.
  std::vector<uint64_t> Run() {
    std::vector<uint64_t> digests;
    bool structural = false;
    for (int32_t cycle = 0; cycle < kCycles; ++cycle) {
      structural = Roll(3) == 0;
      // One handler's worth of changes at the cycle's drawing step.
      Track.Inbox.Post([&] { Change(structural, Roll(3)); });
      Change(structural, Roll(4));
      Track.Cycle();
      digests.push_back(Digest());
    }
    return digests;
  }

 private:
  TTrack2D Track;
  TTeam Team;
  TPopulation Population{Track};
  RecordingCanvas Paper{/*keepCalls=*/false};  // the digest of a long run
  std::mt19937 Dice;  // the test's own choices: the model's stream is left alone

  int32_t Roll(int32_t n) { return static_cast<int32_t>(Dice() % static_cast<uint32_t>(n)); }
  double Uniform(double low, double high) {
    return low + (high - low) * std::uniform_real_distribution<double>(0, 1)(Dice);
  }
  TPlayer& Selected() { return *Team.Selected; }
  TPlayer2D& Body() { return static_cast<TPlayer2D&>(Selected()); }
  // A goal of the selected player or of the team, or nullptr when there is none.
  TGoal* AnyGoal() {
    TGoalSet& own = *Selected().Goals;
    const int32_t count = own.GoalCount() + Team.Goals->GoalCount();
    if (count == 0) return nullptr;
    const int32_t g = Roll(count);
    return g < own.GoalCount() ? &own.GetGoal(g) : &Team.Goals->GetGoal(g - own.GoalCount());
  }
  static bool Toggle(bool& flag) { return flag = !flag; }

  // `count` changes the window can make; players and goals come and go only when
  // `structural`.
  void Change(bool structural, int32_t count) {
    const std::vector<std::function<void()>> values = {
        [&] { if (TGoal* g = AnyGoal()) g->SetStrength(Uniform(0, g->MaxStrength)); },
        [&] { if (TGoal* g = AnyGoal()) g->SetReactionTime(Uniform(0, 5)); },
        [&] { if (TGoal* g = AnyGoal()) g->Urgency = Uniform(0, 2); },
        [&] { Track.Friction = Uniform(0, 0.05); },
        [&] { Track.SideFriction = Uniform(0, 1); },
        [&] { Toggle(Track.Collisions); },
        [&] { Track.HorizonMs = 1000 * (1 + Roll(3)); },
        [&] { Track.MinFutures = 1 + Roll(200); },
        [&] { Track.SetEvolution(!Track.Evolution); },
        [&] { Team.SelectPlayer(Team.GetPlayer(Roll(Team.PlayerCount()))); },
        [&] { Body().SetSize(Uniform(4, 16)); },
        [&] { Selected().Determination = Uniform(0, 1); },
        [&] { Selected().SetGridSize(5 + Roll(46)); },
        [&] { Toggle(Selected().AutoGridSize); },
        [&] { Toggle(Selected().LimitersOn); },
        [&] { Selected().SetLimiter(Roll(2), Uniform(0, 1)); },
        [&] { Selected().SetEnergy(Uniform(0, 100)); },
        [&] { Selected().SetHealth(Uniform(1, 100)); },
        [&] { Selected().Color = static_cast<TColor>(Dice() & 0xFFFFFF); },
        [&] { Body().MoveBy(Uniform(-5, 5), Uniform(-5, 5), Uniform(-0.3, 0.3)); },
        [&] { Toggle(Selected().ShowTraces); },
        [&] { Toggle(Selected().ShowFeelings); },
        [&] { Toggle(Selected().ShowEndingPoints); },
        [&] { Toggle(Selected().ShowLevels); },
        [&] { Toggle(Selected().Goals->ShowGoals); },
        [&] { Toggle(Team.Goals->ShowGoals); },
    };
    const std::vector<std::function<void()>> structure = {
        [&] { if (Team.PlayerCount() < kMostPlayers) Population.AddPlayer(1 + Roll(3)); },
        [&] { if (Team.PlayerCount() > 1) Team.RemovePlayer(Team.GetPlayer(Roll(Team.PlayerCount())), true); },
        [&] {
          switch (Roll(5)) {
            case 0: Population.AddDropsGoal(); break;
            case 1: Population.AddStorageGoal(); break;
            case 2: Population.AddAvoidGoal(); break;
            case 3: Population.AddMouseGoal(Roll(2) == 0); break;
            default: Population.AddSpeedingGoal(); break;
          }
        },
        [&] { if (Selected().BodyKind == bkRocket) Population.AddBurnOutGoal(); },
        [&] { Roll(2) == 0 ? Population.DeleteTeamGoals() : Population.DeletePlayersGoals(); },
    };
    for (int32_t k = 0; k < count; ++k) {
      if (structural && Roll(3) == 0) {
        structure[static_cast<size_t>(Roll(static_cast<int32_t>(structure.size())))]();
      } else {
        values[static_cast<size_t>(Roll(static_cast<int32_t>(values.size())))]();
      }
    }
  }

  // Every player's present and recorded futures, every goal's measurement, the
  // sub-steps run, and everything drawn so far.
  uint64_t Digest() {
    const auto goals = [this](const TGoalSet& set) {
      for (const auto& goal : set.Items)
        for (const double v : {goal->Value, goal->StartValue, goal->GainInput, goal->Level, goal->Feeling})
          Paper.Add(&v, sizeof v);
    };
    Paper.Add(&Track.TotalSubSteps, sizeof Track.TotalSubSteps);
    goals(*Team.Goals);
    for (TPlayer* player : Track.Players) {
      for (const TStateParam& p : player->GetState().Params)
        for (const double v : {p.Value, p.StartValue, p.KeptValue}) Paper.Add(&v, sizeof v);
      Paper.Mix(97, player->GridSize);
      Paper.AddFutures(*player->Futures);
      goals(*player->Goals);
    }
    return Paper.Digest;
  }
};

TEST(ReplicaThreads, RandomWindowChangesGiveTheSameResultsOnAnyNumberOfThreads) {
  for (uint32_t seed = 1; seed <= 12; ++seed) {
    const std::vector<uint64_t> expected = ChangingWorld(1, seed).Run();
    for (const int32_t threads : {2, 3}) {
      const std::vector<uint64_t> got = ChangingWorld(threads, seed).Run();
      for (size_t cycle = 0; cycle < expected.size(); ++cycle) {
        ASSERT_EQ(got[cycle], expected[cycle])
            << "seed " << seed << ", " << threads << " threads: the worlds part at cycle " << cycle + 1;
      }
    }
  }
}

}  // namespace
}  // namespace vorlanth
