// The model's elementary functions: within their documented error of the true
// value (the C library's long double functions stand in for it) over the ranges
// the model uses, the special values of C, and the bits of SLEEF's one-lane forms
// whichever form computes them.

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <functional>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "core/elementary.h"

namespace vorlanth {
namespace {

// The distance from x to the true value, in units of the last place of the true
// value rounded to double.
double Ulps(double x, long double truth) {
  const double rounded = static_cast<double>(truth);
  if (x == rounded) return 0;
  const double ulp = std::nextafter(std::fabs(rounded), std::numeric_limits<double>::infinity()) - std::fabs(rounded);
  return static_cast<double>(std::fabs(static_cast<long double>(x) - truth) / ulp);
}

constexpr int kPoints = 1'000'000;

TEST(Elementary, EachFunctionStaysWithinItsErrorOverTheModelsRanges) {
  std::mt19937_64 dice(33);
  const auto uniform = [&dice](double low, double high) {
    return std::uniform_real_distribution<double>(low, high)(dice);
  };
  struct TCase {
    std::string Name;
    double Bound;  // ulp
    std::function<double(double&, double&)> Draw;  // draws the arguments, returns the function's value
    std::function<long double(double, double)> Truth;
  };
  const std::vector<TCase> cases = {
      // Angles: headings of bodies that turned for a long run, corner offsets.
      {"Sin", 3.5, [&](double& x, double&) { return elem::Sin(x = uniform(-1e4, 1e4)); },
       [](double x, double) { return std::sin(static_cast<long double>(x)); }},
      {"Cos", 3.5, [&](double& x, double&) { return elem::Cos(x = uniform(-1e4, 1e4)); },
       [](double x, double) { return std::cos(static_cast<long double>(x)); }},
      {"SinCos", 3.5, [&](double& x, double& y) {
         double s = 0, c = 0;
         elem::SinCos(x = uniform(-40, 40), s, c);
         y = c;
         return s;
       },
       [](double x, double) { return std::sin(static_cast<long double>(x)); }},
      // The Gaussian draws take the logarithm of (0, 1].
      {"Log", 3.5, [&](double& x, double&) { return elem::Log(x = uniform(1e-12, 1)); },
       [](double x, double) { return std::log(static_cast<long double>(x)); }},
      {"Exp", 1, [&](double& x, double&) { return elem::Exp(x = uniform(-700, 700)); },
       [](double x, double) { return std::exp(static_cast<long double>(x)); }},
      // Speeds and offsets in pixels.
      {"Hypot", 3.5, [&](double& x, double& y) { return elem::Hypot(x = uniform(-1e4, 1e4), y = uniform(-1e4, 1e4)); },
       [](double x, double y) { return std::hypot(static_cast<long double>(x), static_cast<long double>(y)); }},
      {"Atan2", 3.5, [&](double& x, double& y) { return elem::Atan2(y = uniform(-100, 100), x = uniform(-100, 100)); },
       [](double x, double y) { return std::atan2(static_cast<long double>(y), static_cast<long double>(x)); }},
      {"Acos", 3.5, [&](double& x, double&) { return elem::Acos(x = uniform(-1, 1)); },
       [](double x, double) { return std::acos(static_cast<long double>(x)); }},
  };
  for (const TCase& c : cases) {
    double worst = 0;
    for (int i = 0; i < kPoints; ++i) {
      double x = 0, y = 0;
      const double value = c.Draw(x, y);
      const double error = Ulps(value, c.Truth(x, y));
      worst = std::max(worst, error);
      if (c.Name == "SinCos") worst = std::max(worst, Ulps(y, std::cos(static_cast<long double>(x))));
      ASSERT_LE(error, c.Bound) << c.Name << "(" << x << ", " << y << ")";
    }
    EXPECT_GT(worst, 0) << c.Name << ": the bound is tested against something";
  }

  // The power: levels and shares in [0, 4] raised to strengths and urgencies in
  // [0, 10], within 4 |y ln x| + 2 ulp.
  for (int i = 0; i < kPoints; ++i) {
    const double x = i % 10 == 0 ? uniform(0, 1e-3) : uniform(0, 4);
    const double y = uniform(0, 10);
    const long double truth = std::pow(static_cast<long double>(x), static_cast<long double>(y));
    if (!(truth > std::numeric_limits<double>::min())) continue;  // subnormal results: compared below as zero
    ASSERT_LE(Ulps(elem::Pow(x, y), truth), 4 * std::fabs(y * std::log(x)) + 2) << "Pow(" << x << ", " << y << ")";
  }
}

// Whatever vector form a function goes through, it gives the one-lane form's
// bits: a scene replays the same on a machine whose model uses either.
TEST(Elementary, EachFunctionGivesTheOneLaneFormsBits) {
  std::mt19937_64 dice(34);
  const auto same = [](double a, double b) {
    uint64_t x = 0, y = 0;
    std::memcpy(&x, &a, sizeof x);
    std::memcpy(&y, &b, sizeof y);
    return x == y;
  };
  const double inf = std::numeric_limits<double>::infinity();
  const double nan = std::numeric_limits<double>::quiet_NaN();
  std::vector<double> angles = {0.0, -0.0, 1e-300, 3.14159265358979, 1e9, -1e15, inf, -inf, nan};
  std::vector<double> powers = {0.0, -0.0, 1e-310, 709.78, 709.79, -745.2, -746, inf, -inf, nan};
  for (int i = 0; i < kPoints; ++i) {
    angles.push_back(std::uniform_real_distribution<double>(-1e4, 1e4)(dice));
    powers.push_back(std::uniform_real_distribution<double>(-750, 750)(dice));
  }
  for (const double x : angles) {
    double s = 0, c = 0;
    elem::SinCos(x, s, c);
    const auto both = Sleef_cinz_sincosd1_u35purec(x);
    ASSERT_TRUE(same(elem::Sin(x), Sleef_cinz_sind1_u35purec(x))) << "Sin(" << x << ")";
    ASSERT_TRUE(same(elem::Cos(x), Sleef_cinz_cosd1_u35purec(x))) << "Cos(" << x << ")";
    ASSERT_TRUE(same(s, both.x) && same(c, both.y)) << "SinCos(" << x << ")";
  }
  for (const double x : powers)
    ASSERT_TRUE(same(elem::Exp(x), Sleef_cinz_expd1_u10purec(x))) << "Exp(" << x << ")";
}

TEST(Elementary, SpecialValuesAreThoseOfC) {
  const double inf = std::numeric_limits<double>::infinity();
  const double nan = std::numeric_limits<double>::quiet_NaN();
  for (const double x : {0.0, 0.5, 1.0, 3.0, inf}) EXPECT_EQ(elem::Pow(x, 0), 1) << x;
  for (const double y : {0.0, 2.5, -1.0, nan, inf}) EXPECT_EQ(elem::Pow(1, y), 1) << y;
  EXPECT_EQ(elem::Pow(0, 2.5), 0);
  EXPECT_EQ(elem::Pow(0, -1), inf);
  EXPECT_EQ(elem::Pow(inf, 2), inf);
  EXPECT_TRUE(std::isnan(elem::Pow(nan, 2)));
  EXPECT_EQ(elem::Pow(0.5, 1), 0.5);
  EXPECT_EQ(elem::Sin(0), 0);
  EXPECT_EQ(elem::Cos(0), 1);
  EXPECT_EQ(elem::Log(1), 0);
  EXPECT_EQ(elem::Log(0), -inf);
  EXPECT_TRUE(std::isnan(elem::Log(-1)));
  EXPECT_EQ(elem::Exp(0), 1);
  EXPECT_EQ(elem::Exp(-inf), 0);
  EXPECT_EQ(elem::Hypot(0, 0), 0);
  EXPECT_EQ(elem::Hypot(3, 4), 5);
  EXPECT_EQ(elem::Hypot(inf, nan), inf);
  EXPECT_EQ(elem::Hypot(1e300, 1e300), std::hypot(1e300, 1e300));  // no overflow on the way
  EXPECT_EQ(elem::Atan2(0, 0), 0);
  EXPECT_EQ(elem::Acos(1), 0);
}

}  // namespace
}  // namespace vorlanth
