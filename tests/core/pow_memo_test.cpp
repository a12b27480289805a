// The memo of the power function: the very bits elem::Pow gives, whatever was asked before.

#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <cmath>
#include <limits>
#include <random>
#include <vector>

#include "core/elementary.h"
#include "core/pow_memo.h"

namespace vorlanth {
namespace {

uint64_t Bits(double x) { return std::bit_cast<uint64_t>(x); }

TEST(PowMemoTest, AnswersWithTheBitsOfThePowerThroughRepeatsAndEvictions) {
  std::mt19937_64 rng(42);
  std::uniform_real_distribution<double> unit(0, 1);
  constexpr double inf = std::numeric_limits<double>::infinity();
  const double nan = std::numeric_limits<double>::quiet_NaN();
  // The fading's own arguments, and the corners of pow: signed zeros, negative
  // bases, infinities, NaNs, 0 and 1 on either side.
  std::vector<std::pair<double, double>> args;
  for (int k = 0; k < 100; ++k)
    for (const double urgency : {0.8, 2.0, 0.4, 0.5}) args.push_back({k / 100.0, urgency});
  for (const double x : {0.0, -0.0, 1.0, -1.0, -2.5, inf, -inf, nan, 1e-310})
    for (const double y : {0.0, -0.0, 0.5, 2.0, 3.0, -1.0, inf, -inf, nan}) args.push_back({x, y});
  for (int k = 0; k < 2000; ++k) args.push_back({unit(rng) * 2, unit(rng) * 3});  // more than the slots
  TPowMemo memo;
  for (int round = 0; round < 3; ++round) {
    std::shuffle(args.begin(), args.end(), rng);
    for (const auto& [x, y] : args) ASSERT_EQ(Bits(memo.Pow(x, y)), Bits(elem::Pow(x, y))) << x << " ^ " << y;
  }
}

}  // namespace
}  // namespace vorlanth
