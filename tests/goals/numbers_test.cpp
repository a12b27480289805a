// Numbers from anywhere never bring a NaN or an infinity into a state: extreme and
// absurd sizes, densities of nothing, huge velocities, bodies stacked on each
// other, bodies far outside the picture, and long seeded runs of crowds of every
// kind with every team goal. Drawing such bodies never overflows a coordinate.

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <numbers>
#include <string>
#include <vector>

#include "core/random.h"
#include "goals/avoid_goal.h"
#include "goals/burnout_goal.h"
#include "goals/drops_goal.h"
#include "goals/mouse_goal.h"
#include "goals/storage_goal.h"
#include "world2d/kart.h"
#include "world2d/rocket.h"
#include "../world2d/world_fixture.h"
#include "support/test_random.h"

namespace vorlanth::testing {
namespace {

constexpr double kInf = std::numeric_limits<double>::infinity();
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kPi = std::numbers::pi;

// Every parameter of every state of every player is finite; health and energy
// lie within 0..100.
::testing::AssertionResult StatesAreFinite(TTrack& track) {
  for (int32_t i = 0; i < track.PlayerCount(); ++i) {
    TPlayer& player = *track.GetPlayer(i);
    for (const TState* state : {player.Present.get(), player.Working.get()}) {
      if (state->ParamCount() == 0) continue;  // a working state before the player's first future
      const char* which = state == player.Present.get() ? "present" : "working";
      for (const TStateParam& p : state->Params) {
        if (!std::isfinite(p.Value) || !std::isfinite(p.StartValue) || !std::isfinite(p.KeptValue))
          return ::testing::AssertionFailure()
                 << "player " << i << ", " << which << " " << p.Name() << " = " << p.Value
                 << " (start " << p.StartValue << ", kept " << p.KeptValue << ")";
      }
      for (const int32_t index : {player.HealthIndex, player.EnergyIndex}) {
        const double v = state->GetParam(index).Value;
        if (!(v >= 0 && v <= 100))
          return ::testing::AssertionFailure()
                 << "player " << i << ", " << which << " " << state->GetParam(index).Name() << " = " << v;
      }
    }
  }
  return ::testing::AssertionSuccess();
}

// The first box drawn inside out, or "": every box the model draws runs left to
// right (and, but for the sensitivity bars, top to bottom), so an inverted one is
// a coordinate that wrapped around.
std::string InsideOut(const RecordingCanvas& canvas) {
  using Op = RecordingCanvas::Op;
  for (const RecordingCanvas::Call& call : canvas.Calls) {
    if (call.op != Op::Rectangle && call.op != Op::Ellipse && call.op != Op::Pie) continue;
    const std::vector<int32_t>& a = call.args;
    if (a[0] > a[2] || (call.op != Op::Rectangle && a[1] > a[3]))
      return std::string(call.op == Op::Rectangle ? "rectangle" : call.op == Op::Ellipse ? "ellipse" : "pie") +
             " " + std::to_string(a[0]) + ", " + std::to_string(a[1]) + " - " + std::to_string(a[2]) + ", " +
             std::to_string(a[3]);
  }
  return "";
}

// A small circuit in a black frame, drawn on the recording canvas, with a clock
// that makes every pass overrun the budget and every drawing option on.
class NumbersTest : public ::testing::Test {
 protected:
  NumbersTest() : world(Circuit()) {
    world.Track.ImageCanvas = &canvas;
    world.Track.ClockMs = [this] { return clock += 1000; };
    world.Track.MinFutures = 3;
    world.Track.HorizonMs = 1000;
    world.Track.Collisions = true;
    world.Track.Random.SeedRun(99);
  }

  static TMemoryPicture Circuit() {
    TMemoryPicture picture(240, 180);
    picture.Border(3);
    picture.Fill(150, 60, 180, 120, kBlackPixel);
    return picture;
  }

  template <typename T>
  T* Add(std::unique_ptr<T> body) {
    T* raw = world.Add(std::move(body));
    raw->ShowTraces = raw->ShowFeelings = raw->ShowEndingPoints = raw->ShowLevels = true;
    raw->Goals->ShowGoals = true;
    return raw;
  }
  // One body of each kind.
  std::vector<TPhysic2D*> AddOneOfEach(double x, double y) {
    return {Add(TKart::Create(TestRandom(), x, y, 0)), Add(TRocket::Create(TestRandom(), x + 40, y, -kPi / 2)),
            Add(TPolygon2D::Create(TestRandom(), 5, x + 80, y, 0))};
  }

  // Runs the cycles, then draws; every state must stay finite all along.
  ::testing::AssertionResult RunCycles(int cycles) {
    world.Team.CommitStates();
    for (int c = 0; c < cycles; ++c) {
      world.Track.Cycle();
      if (auto finite = StatesAreFinite(world.Track); !finite) return finite << " after cycle " << c;
      if (const std::string box = InsideOut(canvas); !box.empty())
        return ::testing::AssertionFailure() << "drawn inside out in cycle " << c << ": " << box;
      canvas.Calls.clear();  // a long run keeps one cycle's calls at a time
    }
    world.Track.Draw(-1);
    if (const std::string box = InsideOut(canvas); !box.empty())
      return ::testing::AssertionFailure() << "drawn inside out: " << box;
    return StatesAreFinite(world.Track);
  }

  World world;
  RecordingCanvas canvas;
  int64_t clock = 0;
};

TEST_F(NumbersTest, SizesFromAnywhereStayWithinTheirBounds) {
  const std::vector<TPhysic2D*> bodies = AddOneOfEach(50, 40);
  for (TPhysic2D* body : bodies) {
    for (const double size : {0.0, -1.0, -1e300, 1e300, kNaN, kInf, -kInf, 1e-300, 4.0}) {
      body->SetSize(size);
      EXPECT_TRUE(std::isfinite(body->GetSize())) << size;
      body->GetState().ParamByName("Size").SetValue(size);
      EXPECT_GE(body->GetSize(), 3) << size;
      EXPECT_LE(body->GetSize(), 25) << size;
      EXPECT_TRUE(std::isfinite(body->GetMass()) && body->GetMass() > 0) << size;
    }
  }
  EXPECT_TRUE(RunCycles(5));
}

TEST_F(NumbersTest, StatesWrittenWithAbsurdSizesStayFinite) {
  // A state may come from anywhere (Assign copies the values as they are): a body
  // of no size, or of an enormous one, must not poison the world.
  const std::vector<TPhysic2D*> bodies = AddOneOfEach(50, 40);
  const std::vector<TPhysic2D*> others = AddOneOfEach(50, 120);
  world.Team.Goals->AddGoal(std::make_unique<TGoal2DTeamAway>(&world.Team, &world.Team));
  world.Track.MouseSource = [](int32_t& x, int32_t& y) {
    x = 60;
    y = 50;
    return true;
  };
  world.Team.Goals->AddGoal(std::make_unique<TGoalMouse>(&world.Team, false));
  world.Team.Goals->AddGoal(std::make_unique<TGoalMouse>(&world.Team, true));
  for (TPhysic2D* body : bodies) body->GetState().Params[static_cast<size_t>(body->SizeIndex)].Value = 0;
  for (TPhysic2D* body : others) body->GetState().Params[static_cast<size_t>(body->SizeIndex)].Value = 1e6;
  EXPECT_TRUE(RunCycles(5));
}

TEST_F(NumbersTest, DensitiesOfNothingAndBeyond) {
  const std::vector<TPhysic2D*> bodies = AddOneOfEach(50, 40);
  const std::vector<TPhysic2D*> others = AddOneOfEach(52, 42);  // overlapping the first ones
  for (TPhysic2D* body : bodies) body->SetDensity(0);
  others[0]->SetDensity(-1);
  others[1]->SetDensity(1e300);
  others[2]->SetDensity(kNaN);
  EXPECT_TRUE(RunCycles(10));
}

TEST_F(NumbersTest, HugeVelocitiesAreBroughtBackByTheWalls) {
  const std::vector<TPhysic2D*> bodies = AddOneOfEach(50, 40);
  const std::vector<TPhysic2D*> others = AddOneOfEach(50, 120);
  for (TPhysic2D* body : bodies) {
    body->SetVelX(1e12);
    body->SetVelY(-1e12);
    body->SetVelA(1e12);
  }
  for (TPhysic2D* body : others) {
    body->SetVelX(-1e300);
    body->SetVelY(1e300);
    body->SetVelA(-1e300);
  }
  EXPECT_TRUE(RunCycles(20));
  for (TPhysic2D* body : bodies) {
    EXPECT_GT(body->GetPosX(), 0);
    EXPECT_LT(body->GetPosX(), 240);
  }
}

TEST_F(NumbersTest, BodiesStackedOnEachOtherCollide) {
  for (int i = 0; i < 3; ++i) AddOneOfEach(60, 60);
  for (int i = 0; i < 3; ++i) Add(TKart::Create(TestRandom(), 60, 60, 0));  // exactly on the first kart
  EXPECT_TRUE(RunCycles(20));
}

TEST_F(NumbersTest, BodiesFarOutsideThePictureAreDrawnAndDie) {
  const double far[][2] = {{-1e12, 1e12}, {1e15, -3}, {3e9, 3e9}, {-2.2e9, -2.2e9}, {1e300, 1e300}};
  std::vector<TPhysic2D*> bodies;
  for (const auto& at : far) {
    for (TPhysic2D* body : AddOneOfEach(0, 0)) {
      body->SetPosition(at[0], at[1], body->GetAngle());
      bodies.push_back(body);
    }
  }
  EXPECT_TRUE(RunCycles(3));
  EXPECT_GT(canvas.Asked, 0);
  for (TPhysic2D* body : bodies)
    EXPECT_TRUE(!body->HasControls() || body->IsDead());
}

TEST_F(NumbersTest, LongSeededRunsOfCrowdsWithEveryGoal) {
  world.Track.Random.SeedRun(2026);
  TTeam& team = world.Team;
  for (int i = 0; i < 4; ++i) {
    Add(TKart::Create(TestRandom(), 20 + 30 * i, 30, 0));
    TRocket* rocket = Add(TRocket::Create(TestRandom(), 20 + 30 * i, 90, -kPi / 2));
    if (i % 2 == 0) rocket->Goals->AddGoal(std::make_unique<TGoalBurnOut>(rocket));
    Add(TPolygon2D::Create(TestRandom(), 3 + i, 25 + 30 * i, 150, 0))->SetVelX(40 * (i - 1.5));
  }
  team.Goals->AddGoal(std::make_unique<TGoal2DSweets>(&team));
  team.Goals->AddGoal(std::make_unique<TGoal2DStorage>(&team, 100, 100, StorageBoxHalfSize, 500));
  team.Goals->AddGoal(std::make_unique<TGoal2DTeamAway>(&team, &team));
  team.Goals->AddGoal(std::make_unique<TGoalMouse>(&team, false));
  int64_t tick = 0;
  world.Track.MouseSource = [&tick](int32_t& x, int32_t& y) {  // the cursor wanders, and leaves
    ++tick;
    x = static_cast<int32_t>(tick % 300) - 30;
    y = static_cast<int32_t>(tick % 200) - 10;
    return tick % 7 != 0;
  };
  for (int phase = 0; phase < 4; ++phase) {
    world.Track.SetEvolution(phase % 2 == 1);  // players split and feed each other
    for (int32_t i = 0; i < team.PlayerCount(); i += 3) team.GetPlayer(i)->SetEnergy(100);
    ASSERT_TRUE(RunCycles(40)) << "phase " << phase;
  }
  EXPECT_GT(team.PlayerCount(), 12);  // some split
}

}  // namespace
}  // namespace vorlanth::testing
