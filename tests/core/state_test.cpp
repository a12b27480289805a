#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdint>
#include <limits>
#include <memory>
#include <random>
#include <utility>
#include <vector>

#include "core/error.h"
#include "core/lane_width.h"
#include "core/random.h"
#include "core/rounding.h"
#include "core/state.h"
#include "test_body.h"
#include "support/test_random.h"

namespace vorlanth {
namespace {

using testing::TestRandom;

TEST(Rounding, HalvesGoToTheEvenNeighbourAndConversionsSaturate) {
  EXPECT_EQ(Round32(2.5), 2);
  EXPECT_EQ(Round32(3.5), 4);
  EXPECT_EQ(Round32(-2.5), -2);
  EXPECT_EQ(Round32(std::nan("")), 0);
  EXPECT_EQ(Round32(1e300), INT32_MAX);
  EXPECT_EQ(Round32(-1e300), INT32_MIN);
  EXPECT_EQ(Round64(std::numeric_limits<double>::infinity()), INT64_MAX);
  EXPECT_EQ(Floor32(-0.5), -1);
  EXPECT_EQ(Ceil32(0.2), 1);
}

TEST(Random, IsUniformInUnitIntervalAndReproducible) {
  TestRandom().Seed(7);
  double first = Random(TestRandom());
  double sum = 0;
  for (int i = 0; i < 10000; ++i) {
    const double r = Random(TestRandom());
    ASSERT_GE(r, 0.0);
    ASSERT_LT(r, 1.0);
    sum += r;
  }
  EXPECT_NEAR(sum / 10000, 0.5, 0.02);
  TestRandom().Seed(7);
  EXPECT_EQ(Random(TestRandom()), first);
  double squares = 0;
  for (int i = 0; i < 10000; ++i) squares += std::pow(RandomGauss(TestRandom(), 2.0), 2);
  EXPECT_NEAR(std::sqrt(squares / 10000), 2.0, 0.1);
}

TEST(Random, GaussianPairsAreIndependentAndReseedingForgetsTheSpare) {
  // Deviates come in pairs from one accepted point: the second of a pair must not
  // echo the first, and each keeps its own scale.
  TestRandom().Seed(3);
  constexpr int kCount = 20000;
  double sum = 0, squares = 0, lagged = 0, previous = 0;
  for (int i = 0; i < kCount; ++i) {
    const double g = RandomGauss(TestRandom(), i % 2 ? 1.0 : 3.0) / (i % 2 ? 1.0 : 3.0);
    sum += g;
    squares += g * g;
    if (i % 2) lagged += g * previous;  // within a pair
    previous = g;
  }
  EXPECT_NEAR(sum / kCount, 0, 0.03);
  EXPECT_NEAR(squares / kCount, 1, 0.04);
  EXPECT_NEAR(lagged / (kCount / 2), 0, 0.04);
  TestRandom().Seed(3);
  const double first = RandomGauss(TestRandom(), 1);
  RandomGauss(TestRandom(), 1);  // the spare
  RandomGauss(TestRandom(), 1);  // a new pair: its spare is left over
  TestRandom().Seed(3);
  EXPECT_EQ(RandomGauss(TestRandom(), 1), first);
}

// Adds the parameter and returns its record (valid until the next addition).
TStateParam& Added(TState& s, const TNewParam& param) { return s.GetParam(s.AddParam(param)); }

TEST(StateParam, CellsRoundHalfToEven) {
  TState s(nullptr);
  TStateParam& p = Added(s, TStateParam::CreatePositional(&s, 15, 22.4, "PosX"));
  EXPECT_EQ(p.GetCell(), 15);
  p.SetValue(22.6);
  EXPECT_EQ(p.GetCell(), 30);
  p.SetValue(-7);
  EXPECT_EQ(p.GetCell(), 0);
  p.CellSize = 0;
  p.SetValue(2.5);
  EXPECT_EQ(p.GetCell(), 2);
  p.SetValue(3.5);
  EXPECT_EQ(p.GetCell(), 4);
}

TEST(StateParam, ClampsOnlyWhenMaximumAboveMinimum) {
  TState s(nullptr);
  TStateParam& positional = Added(s, TStateParam::CreatePositional(&s, 15, 0, "PosX"));
  positional.SetValue(-1e6);
  EXPECT_EQ(positional.Value, -1e6);
  TStateParam& angle = Added(s, TStateParam::CreateBounded(&s, 0, 0, 0, "Angle"));
  angle.SetValue(123.0);
  EXPECT_EQ(angle.Value, 123.0);
  TStateParam& push = Added(s, TStateParam::CreateBounded(&s, -0.25, 0.25, 0, "X_LimPush"));
  push.SetValue(3);
  EXPECT_EQ(push.Value, 0.25);
  push.SetValue(-3);
  EXPECT_EQ(push.Value, -0.25);
}

TEST(StateParam, NonFiniteValuesNeverEnter) {
  TState s(nullptr);
  TStateParam& p = Added(s, TStateParam::CreatePositional(&s, 15, 5, "PosX"));
  p.SetValue(std::nan(""));
  EXPECT_EQ(p.Value, 5);
  p.SetValue(std::numeric_limits<double>::infinity());
  EXPECT_EQ(p.Value, 5);
  TStateParam& health = Added(s, TStateParam::CreateBounded(&s, 0, 100, 50, "Health"));
  health.SetValue(std::numeric_limits<double>::infinity());
  EXPECT_EQ(health.Value, 100);
}

// SetValue's rule written plainly: the very bits it must leave, value kept or not.
double PlainSetValue(double old, double x, double minimum, double maximum) {
  if (maximum > minimum) return std::isnan(x) ? old : std::min(std::max(x, minimum), maximum);
  return std::isfinite(x) ? x : old;
}

TEST(StateParam, SetValueLeavesThePlainRulesBitsOnEveryEdge) {
  const double inf = std::numeric_limits<double>::infinity();
  const double big = std::numeric_limits<double>::max();
  const double tiny = std::numeric_limits<double>::denorm_min();
  const std::vector<double> edges = {0.0, -0.0, 1.0, -1.0, 0.25, -0.25, 100.0, tiny, -tiny, big, -big,
                                     std::nextafter(big, inf), inf, -inf, std::nan(""), -std::nan("")};
  const std::vector<std::pair<double, double>> bounds = {
      {0, 0}, {0, 1}, {-0.25, 0.25}, {0, 100}, {-0.0, 0.0}, {0.0, -0.0}, {1, -1}, {-inf, inf}, {-big, big}};
  TestRandom().Seed(11);
  std::vector<double> values = edges;
  for (int i = 0; i < 200; ++i) values.push_back((Random(TestRandom()) - 0.5) * 300);
  for (const auto& [minimum, maximum] : bounds) {
    TState s(nullptr);
    TStateParam& p = Added(s, TStateParam::CreateBounded(&s, minimum, maximum, 0, "P"));
    for (double x : values) {
      const double old = p.Value;
      p.CellValid = true;
      p.SetValue(x);
      const double expected = PlainSetValue(old, x, minimum, maximum);
      ASSERT_EQ(std::bit_cast<uint64_t>(p.Value), std::bit_cast<uint64_t>(expected))
          << "x " << x << " in [" << minimum << ", " << maximum << "] from " << old;
      // The cell goes stale when a value entered, and only then.
      const bool entered = maximum > minimum ? !std::isnan(x) : std::isfinite(x);
      EXPECT_EQ(p.CellValid, !entered);
    }
  }
}

TEST(StateParam, StoredValueIsThousandthsAndSaturates) {
  TState s(nullptr);
  s.AddParam(TStateParam::CreatePositional(&s, 0, 0.12345, "A"));
  s.StoreValues();
  s.GetParam(0).SetValue(9);
  s.RestoreStoredValues();
  EXPECT_DOUBLE_EQ(s.GetParam(0).Value, 0.123);
  s.GetParam(0).SetValue(1e12);
  s.GetParam(0).StoreValue();
  EXPECT_EQ(s.GetParam(0).StoredValue, INT32_MAX);
}

TEST(State, FreeParamsGetLimiterCompanions) {
  TState s(nullptr);
  s.AddParam(TStateParam::CreatePlain(&s, 3, 25, 6, "Size"));
  s.AddParam(TStateParam::CreateFree(&s, 60, " PushA "));
  s.AddParam(TStateParam::CreateFree(&s, 5, "PushB"));
  EXPECT_EQ(s.ParamCount(), 7);
  EXPECT_EQ(s.FreeParamCount(), 4);
  EXPECT_EQ(s.GetParam(1).Name(), "PUSHA");
  EXPECT_EQ(s.GetParam(2).Name(), "PUSHA_LIMITER");
  EXPECT_EQ(s.GetParam(3).Name(), "PUSHA_LIMPUSH");
  EXPECT_EQ(s.GetFreeParam(1).Name(), "PUSHA_LIMPUSH");
  EXPECT_FALSE(s.GetFreeParam(1).HasLimiter());
  EXPECT_DOUBLE_EQ(s.GetParam(2).Value, 1.0 / 3.0);
  EXPECT_DOUBLE_EQ(s.GetFreeParam(0).GetRange(), 20);
  // Options on odd free indices push a limiter companion.
  TestRandom().Seed(3);
  bool sawLimiter = false, sawControl = false;
  for (int i = 0; i < 200; ++i) {
    s.ChooseRandomOption(TestRandom());
    EXPECT_EQ(s.OptionCode, 2 * s.OptionIndex + s.Direction);
    EXPECT_EQ(s.LimiterOption, s.OptionIndex % 2 == 1);
    const double pushed = s.GetFreeParam(s.OptionIndex).Value;
    EXPECT_DOUBLE_EQ(std::fabs(pushed), s.GetFreeParam(s.OptionIndex).GetRange());
    EXPECT_EQ(pushed > 0, s.Direction == 0);
    (s.LimiterOption ? sawLimiter : sawControl) = true;
  }
  EXPECT_TRUE(sawLimiter && sawControl);
}

TEST(State, LookupsByNameAndIndexRaiseTheirMessages) {
  TState s(nullptr);
  s.AddParam(TStateParam::CreatePositional(&s, 15, 0, "PosX"));
  EXPECT_EQ(s.IndexOfParam("  posx "), 0);
  try {
    s.IndexOfParam(" speed ");
    FAIL();
  } catch (const Error& e) {
    EXPECT_STREQ(e.what(), "TState: Param with name \"SPEED\" not found.");
  }
  EXPECT_THROW(
      {
        try {
          s.GetParam(5);
        } catch (const Error& e) {
          EXPECT_STREQ(e.what(), "TState: Param index 5 out of boundaries.");
          throw;
        }
      },
      Error);
  try {
    s.GetFreeParam(0);
    FAIL();
  } catch (const Error& e) {
    EXPECT_STREQ(e.what(), "TState: FreeParam index 0 out of boundaries.");
  }
  try {
    s.GetPositionalParam(-1);
    FAIL();
  } catch (const Error& e) {
    EXPECT_STREQ(e.what(), "TState: Positional Param index -1 out of boundaries.");
  }
}

TEST(State, AssignReproducesLayoutAndScore) {
  TState source(nullptr);
  source.AddParam(TStateParam::CreatePositional(&source, 15, 7, "PosX"));
  source.AddParam(TStateParam::CreateFree(&source, 60, "Push"));
  source.AddParam(TStateParam::CreatePositional(&source, 15, 9, "PosY"));
  source.OptionCode = 3;
  source.Gain = 2;
  source.Weight = 0.5;
  source.ElapsedMs = 700;

  TState bigger(nullptr);
  for (int i = 0; i < 9; ++i) bigger.AddParam(TStateParam::CreateFree(&bigger, 1, "F"));
  bigger.Assign(source);
  EXPECT_EQ(bigger.ParamCount(), source.ParamCount());
  EXPECT_EQ(bigger.FreeParams(), source.FreeParams());
  EXPECT_EQ(bigger.PositionalParams(), source.PositionalParams());
  EXPECT_EQ(bigger.OptionCode, 3);
  EXPECT_EQ(bigger.GetRawScore(), 1.0);
  EXPECT_EQ(bigger.ElapsedMs, 0);  // not copied
  ASSERT_NE(bigger.GetParam(1).GetLimiter(), nullptr);
  EXPECT_EQ(bigger.GetParam(1).GetLimiter()->Owner, &bigger);

  TState smaller(nullptr);
  smaller.Assign(source);
  EXPECT_EQ(smaller.ParamCount(), source.ParamCount());
  EXPECT_TRUE(smaller.SameCell(source));
}

TEST(State, LimiterLinksFollowTheControlsIntoCopiedLayouts) {
  TState s(nullptr);
  s.AddParam(TStateParam::CreatePlain(&s, 3, 25, 6, "Size"));
  s.AddParam(TStateParam::CreateFree(&s, 60, "PushA"));
  s.AddParam(TStateParam::CreateBounded(&s, 0, 100, 50, "Energy"));
  TState copy(nullptr);
  copy.Assign(s);  // shares the layout, until the copy adds a control of its own
  copy.AddParam(TStateParam::CreateFree(&copy, 5, "PushB"));
  ASSERT_EQ(s.Layout->LimiterLinks.size(), 1u);
  ASSERT_EQ(copy.Layout->LimiterLinks.size(), 2u);
  for (const TState* state : {&s, &copy}) {
    for (size_t c = 0; c < state->Layout->LimiterLinks.size(); ++c) {
      const TStateLayout::TLimiterLink& link = state->Layout->LimiterLinks[c];
      const TStateParam& control = state->GetParam(state->FreeParams()[2 * c]);
      EXPECT_EQ(link.Limiter, control.LimiterIndex());
      EXPECT_EQ(link.Push, control.LimPushIndex());
    }
  }
}

TEST(State, FreeParamsDrawScaledByTheirLimiterEitherWay) {
  // The state's walk over its controls and each parameter's own draw take the
  // same numbers: l x a deviate of the range, l the limiter's value (1/3 for a
  // "_LimPush", whose range is 0.25), clamped to the bounds.
  TState s(nullptr);
  s.AddParam(TStateParam::CreateFree(&s, 60, "PushA"));
  s.AddParam(TStateParam::CreateBounded(&s, 0, 100, 50, "Energy"));
  s.AddParam(TStateParam::CreateFree(&s, 5, "PushB"));
  s.GetParam(1).SetValue(0.75);
  s.GetParam(5).SetValue(0.5);
  for (const bool gaussian : {true, false}) {
    s.SetGaussian(gaussian);
    TestRandom().Seed(11);
    s.RandomizeFreeParams(TestRandom());
    std::vector<double> drawn;
    for (int32_t i = 0; i < s.FreeParamCount(); ++i) drawn.push_back(s.GetFreeParam(i).Value);
    TestRandom().Seed(11);
    const double limits[4] = {0.75, 1.0 / 3.0, 0.5, 1.0 / 3.0};
    const double ranges[4] = {60 * 0.75, 0.25, 5 * 0.5, 0.25};
    for (int32_t i = 0; i < s.FreeParamCount(); ++i) {
      const double l = limits[i];
      const double x = gaussian ? l * RandomGauss(TestRandom(), ranges[i]) : l * (2.0 * Random(TestRandom()) - 1.0) * ranges[i];
      const double bound = s.GetFreeParam(i).Maximum();
      EXPECT_EQ(drawn[static_cast<size_t>(i)], std::min(std::max(x, -bound), bound)) << i;
    }
    TestRandom().Seed(11);
    for (int32_t i = 0; i < s.FreeParamCount(); ++i) {
      s.GetFreeParam(i).Randomize(TestRandom());
      EXPECT_EQ(s.GetFreeParam(i).Value, drawn[static_cast<size_t>(i)]) << i;
    }
  }
}

TEST(State, ScoreOfAGoalLessPlayerIsOne) {
  auto body = testing::TTestBody::Create();
  body->Goals->Clear();
  TState& s = *body->Present;
  s.SetScore(7, 3);
  EXPECT_EQ(s.GetScore(), 1);
  EXPECT_EQ(s.GetRawScore(), 21);
}

// The same state of several replicas randomized side by side, each lane from its
// own stream, gets the bits RandomizeFreeParams gives it, and each stream goes on
// as it would. Seeded states: one to four controls (each with its limiter and
// push), normal or uniform draws, a spare deviate kept or not, limiters from 0
// to 1, lanes beyond a whole vector, and lanes that draw unalike (stepped one by one).
TEST(StateTest, RandomizedSideBySideAsOneByOne) {
  std::mt19937_64 random(33);
  const auto uniform = [&random](double a, double b) { return std::uniform_real_distribution<double>(a, b)(random); };
  const auto chance = [&random](double p) { return std::bernoulli_distribution(p)(random); };
  const auto bits = [](double x) { return std::bit_cast<uint64_t>(x); };
  const int32_t chosen = VectorLaneWidth();
  int64_t compared = 0;
  for (const int32_t width : {4, 8}) {
    ChooseVectorLanes(width);
    for (int trial = 0; trial < 200; ++trial) {
      const size_t count = 2 + random() % 15;
      const int controls = 1 + static_cast<int>(random() % 4);
      const bool gaussian = chance(0.8);
      const size_t unalike = chance(0.05) ? random() % count : count;
      std::vector<double> ranges;
      for (int c = 0; c < controls; ++c) ranges.push_back(uniform(0.1, 100));
      std::vector<std::unique_ptr<TState>> alone, together;
      std::vector<TRandomStream> aloneStreams(count), togetherStreams(count);
      std::vector<TState*> states;
      std::vector<TRandomStream*> streams;
      for (size_t l = 0; l < count; ++l) {
        std::vector<double> limiters;
        for (int c = 0; c < controls; ++c) limiters.push_back(chance(0.1) ? 0.0 : uniform(0, 1));
        const uint64_t seed = random();
        const bool spare = chance(0.5);
        for (auto* set : {&alone, &together}) {
          auto state = std::make_unique<TState>(nullptr);
          for (int c = 0; c < controls; ++c) {
            const int32_t control = state->AddParam(TStateParam::CreateFree(state.get(), ranges[c], "C"));
            state->GetParam(state->GetParam(control).LimiterIndex()).SetValue(limiters[c]);
          }
          state->SetGaussian(l == unalike ? !gaussian : gaussian);
          set->push_back(std::move(state));
        }
        for (TRandomStream* stream : {&aloneStreams[l], &togetherStreams[l]}) {
          stream->Seed(seed);
          if (spare) RandomGauss(*stream, 1);
        }
        states.push_back(together[l].get());
        streams.push_back(&togetherStreams[l]);
      }
      for (int round = 0; round < 3; ++round) {
        for (size_t l = 0; l < count; ++l) alone[l]->RandomizeFreeParams(aloneStreams[l]);
        TState::RandomizeFreeParamsSideBySide(states.data(), streams.data(), count);
      }
      for (size_t l = 0; l < count; ++l) {
        for (int32_t i = 0; i < alone[l]->ParamCount(); ++i)
          ASSERT_EQ(bits(alone[l]->GetParam(i).Value), bits(together[l]->GetParam(i).Value))
              << "width " << width << ", trial " << trial << ", lane " << l << ", parameter " << i;
        for (int w = 0; w < 4; ++w) ASSERT_EQ(aloneStreams[l].State.s[w], togetherStreams[l].State.s[w]);
        ASSERT_EQ(aloneStreams[l].HasSpareGauss, togetherStreams[l].HasSpareGauss);
        ASSERT_EQ(bits(aloneStreams[l].SpareGauss), bits(togetherStreams[l].SpareGauss));
        ++compared;
      }
    }
  }
  ChooseVectorLanes(chosen);
  EXPECT_EQ(VectorLaneWidth(), chosen);
  EXPECT_GT(compared, 3000);
}

}  // namespace
}  // namespace vorlanth
