// The built-in circuit suits how the program places players: the start places,
// the ring of karts and the rocket's floor are where they are expected.

#include "render/builtin_circuit.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

namespace vorlanth {
namespace {

constexpr TColor kBlack = 0;
constexpr TColor kWhite = 0xFFFFFF;
constexpr int kMargin = 6;  // pixels of track kept around a body's outline

class BuiltinCircuitTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { circuit_ = LoadBuiltinCircuit().release(); }
  static void TearDownTestSuite() {
    delete circuit_;
    circuit_ = nullptr;
  }

  static bool Open(int x, int y) { return circuit_->Pixel(x, y) != kBlack; }

  // Every pixel within the radius of the centre is track.
  static void ExpectOpenDisc(int cx, int cy, int radius) {
    int closed = 0;
    for (int y = cy - radius; y <= cy + radius; ++y) {
      for (int x = cx - radius; x <= cx + radius; ++x) {
        if ((x - cx) * (x - cx) + (y - cy) * (y - cy) <= radius * radius && !Open(x, y)) {
          ++closed;
        }
      }
    }
    EXPECT_EQ(closed, 0) << "around (" << cx << ", " << cy << ") radius " << radius;
  }

  static double OpenFraction(int x1, int y1, int x2, int y2) {
    int open = 0;
    for (int y = y1; y <= y2; ++y) {
      for (int x = x1; x <= x2; ++x) open += Open(x, y);
    }
    return static_cast<double>(open) / ((x2 - x1 + 1) * (y2 - y1 + 1));
  }

  static QtPicture* circuit_;
};

QtPicture* BuiltinCircuitTest::circuit_ = nullptr;

TEST_F(BuiltinCircuitTest, Is800By600) {
  EXPECT_EQ(circuit_->Width(), 800);
  EXPECT_EQ(circuit_->Height(), 600);
}

TEST_F(BuiltinCircuitTest, HoldsOnlyBlackWhiteAndGreys) {
  int greys = 0;
  for (int y = 0; y < 600; ++y) {
    for (int x = 0; x < 800; ++x) {
      const TColor c = circuit_->Pixel(x, y);
      const int r = c & 0xFF, g = (c >> 8) & 0xFF, b = (c >> 16) & 0xFF;
      ASSERT_TRUE(r == g && g == b) << "colour " << c << " at " << x << ", " << y;
      greys += c != kBlack && c != kWhite;
    }
  }
  EXPECT_GT(greys, 0) << "the edges are smoothed";
  EXPECT_LT(greys, 800 * 600 / 50) << "greys only along the edges";
}

TEST_F(BuiltinCircuitTest, RocketStartAndTheColumnAboveAreOpen) {
  constexpr int kRocketSize = 12;
  for (int y = 400; y >= 40; y -= 30) ExpectOpenDisc(350, y, kRocketSize + kMargin);
}

TEST_F(BuiltinCircuitTest, KartStartIsOpen) { ExpectOpenDisc(330, 305, 10 + kMargin); }

TEST_F(BuiltinCircuitTest, RingOfKartsIsOpen) {
  // 18 karts of size 8 at radius 90 around (400, 300): the whole square around it.
  for (int y = 200 - kMargin; y <= 400 + kMargin; ++y) {
    for (int x = 300 - kMargin; x <= 500 + kMargin; ++x) {
      ASSERT_TRUE(Open(x, y)) << x << ", " << y;
    }
  }
}

TEST_F(BuiltinCircuitTest, FlatFloorUnderTheRocket) {
  for (int x = 330; x <= 370; ++x) {
    EXPECT_EQ(circuit_->Pixel(x, 544), kWhite) << "x = " << x;
    for (int y = 546; y <= 560; ++y) EXPECT_EQ(circuit_->Pixel(x, y), kBlack) << x << ", " << y;
  }
  // Straight: the same line from x = 150 to 650.
  for (int x = 150; x <= 650; ++x) {
    EXPECT_TRUE(Open(x, 544)) << "x = " << x;
    EXPECT_FALSE(Open(x, 545)) << "x = " << x;
  }
}

TEST_F(BuiltinCircuitTest, PlacesForDropsAndAsteroidsAreMostlyOpen) {
  EXPECT_GT(OpenFraction(80, 60, 720, 540), 0.85);
  EXPECT_GT(OpenFraction(120, 60, 680, 240), 0.8);
}

// Labels the 4-connected regions of black (or of track) pixels.
int CountRegions(const QtPicture& picture, bool black) {
  const int w = picture.Width(), h = picture.Height();
  std::vector<char> seen(static_cast<size_t>(w * h), 0);
  std::vector<int> stack;
  int regions = 0;
  for (int start = 0; start < w * h; ++start) {
    if (seen[start] || (picture.Pixel(start % w, start / w) == kBlack) != black) continue;
    ++regions;
    seen[start] = 1;
    stack.push_back(start);
    while (!stack.empty()) {
      const int p = stack.back();
      stack.pop_back();
      const int x = p % w, y = p / w;
      const int next[4][2] = {{x + 1, y}, {x - 1, y}, {x, y + 1}, {x, y - 1}};
      for (const auto& [nx, ny] : next) {
        if (nx < 0 || ny < 0 || nx >= w || ny >= h) continue;
        const int q = ny * w + nx;
        if (seen[q] || (picture.Pixel(nx, ny) == kBlack) != black) continue;
        seen[q] = 1;
        stack.push_back(q);
      }
    }
  }
  return regions;
}

TEST_F(BuiltinCircuitTest, OneOpenAreaWithThreeIslands) {
  EXPECT_EQ(CountRegions(*circuit_, false), 1) << "the track is one piece";
  EXPECT_EQ(CountRegions(*circuit_, true), 4) << "the surround and three islands";
}

}  // namespace
}  // namespace vorlanth
