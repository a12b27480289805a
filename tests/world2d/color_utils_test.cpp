// Building, splitting and shading colour values.

#include <gtest/gtest.h>

#include "world2d/color_utils.h"

namespace vorlanth {
namespace {

struct Parts {
  int r, g, b;
};

Parts Split(TColor c) {
  Parts p{};
  ColorToRGBParts(c, p.r, p.g, p.b);
  return p;
}

TEST(ColorUtilsTest, MakeColorCapsEachPartAt255) {
  EXPECT_EQ(MakeColor(300, 0, 0), 255);
  EXPECT_EQ(MakeColor(0, 255, 0), 65280);
  EXPECT_EQ(MakeColor(0, 0, 255), 0xFF0000);  // blue is the high byte
}

TEST(ColorUtilsTest, SplitMasksEachPart) {
  const Parts p = Split(static_cast<TColor>(0x7F123456));  // a high byte does not leak in
  EXPECT_EQ(p.r, 0x56);
  EXPECT_EQ(p.g, 0x34);
  EXPECT_EQ(p.b, 0x12);
}

TEST(ColorUtilsTest, LightenMovesTowardWhiteRoundingHalfToEven) {
  TColor black = 0;
  LightenColor(black, 0.5);  // 127.5 rounds to the even 128
  const Parts p = Split(black);
  EXPECT_EQ(p.r, 128);
  EXPECT_EQ(p.g, 128);
  EXPECT_EQ(p.b, 128);

  TColor c = MakeColor(10, 100, 200);
  LightenColor(c, 1);
  EXPECT_EQ(c, MakeColor(255, 255, 255));
}

TEST(ColorUtilsTest, NegativeLightenDarkensDownToZero) {
  TColor c = MakeColor(100, 200, 250);
  LightenColor(c, -2);  // 200 + 55 x -2 = 90; 100 + 155 x -2 < 0
  const Parts p = Split(c);
  EXPECT_EQ(p.r, 0);
  EXPECT_EQ(p.g, 90);
  EXPECT_EQ(p.b, 240);
}

TEST(ColorUtilsTest, NeutralFactorsLeaveEvenUnconvertedValuesUntouched) {
  const TColor system = static_cast<TColor>(0x8000000F);  // not a plain RGB value
  TColor a = system;
  LightenColor(a, 0);
  EXPECT_EQ(a, system);
  TColor b = system;
  ScaleColor(b, 1);
  EXPECT_EQ(b, system);
}

TEST(ColorUtilsTest, ScaleBrightensCappedAndDarkensLessForDarkColours) {
  TColor white = MakeColor(255, 255, 255);
  ScaleColor(white, 2);
  EXPECT_EQ(white, MakeColor(255, 255, 255));

  // Brightness 300/765: k = 0.5 ^ ((1 + 0.392) / 2) = 0.6172.
  TColor c = MakeColor(200, 100, 0);
  ScaleColor(c, 0.5);
  const Parts p = Split(c);
  EXPECT_EQ(p.r, 123);
  EXPECT_EQ(p.g, 62);
  EXPECT_EQ(p.b, 0);

  TColor black = 0;
  ScaleColor(black, 0);
  EXPECT_EQ(black, 0);
}

}  // namespace
}  // namespace vorlanth
