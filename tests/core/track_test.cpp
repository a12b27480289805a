#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <memory>
#include <vector>

#include "core/random.h"
#include "core/team.h"
#include "support/alloc_counter.h"
#include "test_body.h"
#include "support/test_random.h"

namespace vorlanth {
namespace {

using testing::TestRandom;

using testing::TTestBody;
using testing::TTestTrack;

// Records in which phase each sub-step of a body ran.
class TPhaseBody : public TTestBody {
 public:
  static TPhaseBody* AddTo(TTeam& team) {
    std::unique_ptr<TPhaseBody> body(new TPhaseBody());
    body->InitPlayer(TestRandom());
    return static_cast<TPhaseBody*>(team.AddPlayer(std::move(body)));
  }
  std::vector<bool> PushedAtStep;  // per sub-step in future mode: a control at an extreme
  void ApplyForces() override {
    TTestBody::ApplyForces();
    if (!FutureMode) return;
    bool extreme = false;
    for (int32_t i = 0; i < GetState().FreeParamCount(); ++i) {
      const TStateParam& p = GetState().GetFreeParam(i);
      extreme = extreme || (p.Value != 0 && std::fabs(p.Value) == p.GetRange());
    }
    PushedAtStep.push_back(extreme);
  }

 private:
  TPhaseBody() : TTestBody(1, true) {}
};

class TrackTest : public ::testing::Test {
 protected:
  TTestTrack track;
  TTeam team;
  int64_t now = 0;
  int64_t tick = 1;
  void SetUp() override {
    track.Random.SeedRun(99);
    track.AddTeam(&team);
    track.ClockMs = [this] { return now += tick; };
  }
};

TEST_F(TrackTest, PlayersStepWithTheTracksSettingsWhileTheyAreOnIt) {
  TTestBody* body = static_cast<TTestBody*>(team.AddPlayer(TTestBody::Create(1)));
  track.StepMs = 50;
  track.HorizonMs = 3000;
  EXPECT_EQ(body->GetTimeStep(), 0.05);  // changes reach players at once
  EXPECT_EQ(body->GetHorizonMs(), 3000);
  std::unique_ptr<TPlayer> kept = team.RemovePlayer(body, false);
  ASSERT_EQ(kept.get(), body);
  EXPECT_EQ(body->GetTimeStep(), DefaultStepContext.TimeStep());  // off the track: defaults
  EXPECT_EQ(body->GetHorizonMs(), DefaultStepContext.HorizonMs);
}

TEST_F(TrackTest, SubStepsPerFutureHaveAMinimumOfTwo) {
  track.HorizonMs = 1000;
  EXPECT_EQ(track.SubStepCount(), 10);
  track.HorizonMs = 100;
  EXPECT_EQ(track.SubStepCount(), 2);
  track.HorizonMs = 10000;
  EXPECT_EQ(track.SubStepCount(), 100);
}

TEST_F(TrackTest, PassesRunTheMinimumThenUntilTheBudgetIsSpent) {
  team.AddPlayer(TTestBody::Create());
  track.HorizonMs = 300;
  track.MinFutures = 1;
  tick = 1;  // every clock read advances 1 ms: the budget of 100 ms needs 101 passes
  track.Cycle();
  EXPECT_EQ(track.LastPassCount, 101);

  track.MinFutures = 2000;
  tick = 1000;  // slow passes: exactly the minimum
  track.Cycle();
  EXPECT_EQ(track.LastPassCount, 2000);

  TTeam empty;
  TTestTrack bare;
  bare.AddTeam(&empty);
  int64_t t = 0;
  bare.ClockMs = [&] { return t += 10; };
  bare.MinFutures = 1;
  bare.Cycle();  // a track without players still waits for its budget
  EXPECT_EQ(bare.LastPassCount, 11);  // 110 ms > 100 ms after 11 passes
}

TEST_F(TrackTest, OnlyTheFirstSubStepOfAFuturePushesAnOption) {
  TPhaseBody* body = TPhaseBody::AddTo(team);
  track.HorizonMs = 500;
  track.MinFutures = 20;
  tick = 1000;
  track.Cycle();
  ASSERT_EQ(body->PushedAtStep.size(), 20u * 5u);
  for (size_t i = 0; i < body->PushedAtStep.size(); ++i) {
    if (i % 5 == 0) {
      EXPECT_TRUE(body->PushedAtStep[i]) << i;
    } else {
      EXPECT_FALSE(body->PushedAtStep[i]) << i;
    }
  }
  EXPECT_EQ(track.Steps, 20 * 5 + 1);
  EXPECT_EQ(track.Backgrounds, 1);
}

// A team goal that counts where it is evaluated.
class TCountingGoal : public TGoal {
 public:
  using TGoal::TGoal;
  int InFuture = 0, InPresent = 0;
  void Evaluate(TPlayer& player) override { (player.FutureMode ? InFuture : InPresent)++; }
};

TEST_F(TrackTest, TeamGoalsActOnThePresentOncePerCycle) {
  auto* goal = new TCountingGoal(&team);
  team.Goals->AddGoal(std::unique_ptr<TGoal>(goal));
  team.AddPlayer(TTestBody::Create());
  track.HorizonMs = 300;
  track.MinFutures = 10;
  tick = 1000;
  track.Cycle();
  EXPECT_EQ(goal->InPresent, 1);
  EXPECT_EQ(goal->InFuture, 30);
}

TEST_F(TrackTest, DecisionMovesTowardTheBetterFutures) {
  // A goal rewarding the position along x: the control must push up.
  class TRightGoal : public TGoal {
   public:
    using TGoal::TGoal;
    void Evaluate(TPlayer& player) override {
      StartValue = Value;
      SetValue(std::max(0.0, static_cast<TTestBody&>(player).GetPos() + 100));
    }
  };
  TTestBody* body = static_cast<TTestBody*>(team.AddPlayer(TTestBody::Create()));
  body->Goals->AddGoal(std::make_unique<TRightGoal>(body));
  track.HorizonMs = 1000;
  track.MinFutures = 200;
  tick = 1000;
  track.Cycle();
  EXPECT_GT(body->GetPush(0), 0);
  EXPECT_GT(body->Futures->FutureCount(), 2);
}

TEST_F(TrackTest, GetPlayerOutsideTheListGivesNothing) {
  team.AddPlayer(TTestBody::Create());
  EXPECT_EQ(track.GetPlayer(-1), nullptr);
  EXPECT_EQ(track.GetPlayer(track.PlayerCount()), nullptr);
  EXPECT_NE(track.GetPlayer(0), nullptr);
}

TEST_F(TrackTest, APlayerAddedDuringTheDrawingKeepsItsControls) {
  team.AddPlayer(TTestBody::Create());
  TTestBody* late = nullptr;
  track.Inbox.Post([&] {
    auto body = TTestBody::Create();
    body->Present->GetFreeParam(0).SetValue(9);
    late = static_cast<TTestBody*>(team.AddPlayer(std::move(body)));
  });
  track.MinFutures = 5;
  track.HorizonMs = 300;
  tick = 1000;
  track.Cycle();
  ASSERT_NE(late, nullptr);
  EXPECT_EQ(late->GetPush(0), 9);
  track.Cycle();  // its first full cycle decides
  EXPECT_EQ(late->Futures->FutureCount() > 0, true);
}

TEST_F(TrackTest, SubStepsOfAFutureAllocateNothing) {
  TTestBody* a = static_cast<TTestBody*>(team.AddPlayer(TTestBody::Create(2)));
  team.AddPlayer(TTestBody::Create(1));
  track.HorizonMs = 2000;
  // Warm up: one cycle grows every buffer once.
  track.MinFutures = 20;
  tick = 1000;
  track.Cycle();

  team.PrepareFutures();
  team.SetFutureMode(true);
  const uint64_t before = testing::AllocationCount();
  for (int s = 1; s <= track.SubStepCount(); ++s) {
    if (s == 1) team.StartFutureStep(); else team.ContinueFutureStep();
    track.Step();
    team.EvaluateGoals();
    for (TPlayer* p : track.Players) p->GetState().EndStep();
  }
  EXPECT_EQ(testing::AllocationCount(), before);
  team.SetFutureMode(false);
  // Recording a future reuses the storage of earlier cycles.
  const uint64_t afterPass = testing::AllocationCount();
  team.PrepareFutures();
  team.SetFutureMode(true);
  team.SetFutureMode(false);
  EXPECT_EQ(testing::AllocationCount(), afterPass);
  EXPECT_EQ(a->Futures->FutureCount(), 1);
}

// Passes side by side give each replica the sub-steps of its pass alone: five
// alike (the draws in vector lanes, 4 at a time where the processor has them),
// and five where one replica holds a player of another class (all step one by
// one). Each set is compared with copies stepped by PassSubStep, value for value
// and stream for stream.
TEST(TrackSideBySide, EachReplicaStepsAsItsPassAlone) {
  struct TWorld {
    TTestTrack Track;
    TTeam Team;
  };
  const auto build = [](bool odd, uint64_t pass) {
    auto world = std::make_unique<TWorld>();
    world->Track.AddTeam(&world->Team);
    for (int i = 0; i < 3; ++i) {
      if (odd && i == 1) {
        TPhaseBody::AddTo(world->Team);
      } else {
        world->Team.AddPlayer(TTestBody::Create(1 + i));
      }
    }
    world->Track.PassRandom.SeedPass(7, 1, pass);
    world->Track.BeginPass();
    return world;
  };
  const auto bits = [](double x) { return std::bit_cast<uint64_t>(x); };
  for (const bool unalike : {false, true}) {
    std::vector<std::unique_ptr<TWorld>> together, alone;
    std::vector<TTrack*> tracks;
    for (uint64_t pass = 0; pass < 5; ++pass) {
      together.push_back(build(unalike && pass == 3, pass));
      alone.push_back(build(unalike && pass == 3, pass));
      tracks.push_back(&together.back()->Track);
    }
    for (int32_t s = 1; s <= 6; ++s) {
      TTrack::PassSubStepSideBySide(tracks.data(), tracks.size(), s);
      for (auto& world : alone) world->Track.PassSubStep(s);
    }
    for (size_t l = 0; l < tracks.size(); ++l) {
      TTestTrack& a = alone[l]->Track;
      TTestTrack& b = together[l]->Track;
      EXPECT_EQ(a.TotalSubSteps, b.TotalSubSteps);
      EXPECT_EQ(b.Steps, 6);
      for (int w = 0; w < 4; ++w) EXPECT_EQ(a.PassRandom.State.s[w], b.PassRandom.State.s[w]);
      for (size_t i = 0; i < a.Players.size(); ++i) {
        const TState& x = a.Players[i]->GetState();
        const TState& y = b.Players[i]->GetState();
        for (int32_t p = 0; p < x.ParamCount(); ++p)
          ASSERT_EQ(bits(x.Params[static_cast<size_t>(p)].Value), bits(y.Params[static_cast<size_t>(p)].Value))
              << (unalike ? "unalike" : "alike") << ", replica " << l << ", player " << i << ", parameter " << p;
      }
    }
  }
}

}  // namespace
}  // namespace vorlanth
