// The Qt canvas against the drawing conventions the model relies on: boxes cover
// x1..x2-1, outlines stay inside them, mask mode ANDs, pies turn counter-clockwise.

#include "render/qt_canvas.h"

#include <gtest/gtest.h>

#include <QImage>

#include <climits>
#include <utility>

#include "render/qt_picture.h"
#include "support/memory_picture.h"

namespace vorlanth {
namespace {

constexpr TColor kWhite = 0xFFFFFF;
constexpr TColor kBlack = 0;
const TColor kRed = MakeColor(255, 0, 0);
const TColor kBlue = MakeColor(0, 0, 255);

// The pixels a drawing changed, as a box x1..x2-1, y1..y2-1.
struct Extent {
  int x1 = INT_MAX, y1 = INT_MAX, x2 = INT_MIN, y2 = INT_MIN;
  bool operator==(const Extent&) const = default;
};
std::ostream& operator<<(std::ostream& out, const Extent& e) {
  return out << "(" << e.x1 << ", " << e.y1 << ")-(" << e.x2 << ", " << e.y2 << ")";
}

class QtCanvasTest : public ::testing::Test {
 protected:
  static constexpr int kSize = 40;

  QtCanvasTest() : image_(kSize, kSize, QImage::Format_RGB32), canvas_(&image_) {
    image_.fill(Qt::white);
  }

  TColor At(int x, int y) {
    canvas_.End();
    return FromQRgb(image_.pixel(x, y));
  }

  Extent Changed(TColor background = kWhite) {
    canvas_.End();
    Extent e;
    for (int y = 0; y < image_.height(); ++y) {
      for (int x = 0; x < image_.width(); ++x) {
        if (FromQRgb(image_.pixel(x, y)) == background) continue;
        e.x1 = std::min(e.x1, x);
        e.y1 = std::min(e.y1, y);
        e.x2 = std::max(e.x2, x + 1);
        e.y2 = std::max(e.y2, y + 1);
      }
    }
    return e;
  }

  int CountOf(TColor color) {
    canvas_.End();
    int n = 0;
    for (int y = 0; y < image_.height(); ++y) {
      for (int x = 0; x < image_.width(); ++x) n += FromQRgb(image_.pixel(x, y)) == color;
    }
    return n;
  }

  void Clear(TColor color = kWhite) {
    canvas_.End();
    image_.fill(ToQRgb(color));
  }

  QImage image_;
  QtCanvas canvas_;
};

TEST_F(QtCanvasTest, ColourValuesHaveRedInTheLowestByte) {
  canvas_.SetPixel(1, 1, MakeColor(255, 0, 0));
  canvas_.SetPixel(2, 1, MakeColor(0, 0, 255));
  canvas_.End();
  EXPECT_EQ(image_.pixel(1, 1), qRgb(255, 0, 0));
  EXPECT_EQ(image_.pixel(2, 1), qRgb(0, 0, 255));
  EXPECT_EQ(ToQRgb(MakeColor(1, 2, 3)), qRgb(1, 2, 3));
  EXPECT_EQ(FromQRgb(qRgb(1, 2, 3)), 1 + 2 * 256 + 3 * 65536);
}

TEST_F(QtCanvasTest, RectangleCoversBoxWithoutItsRightAndBottomEdges) {
  canvas_.SetPenColor(kBlack);
  canvas_.SetBrushColor(kRed);
  canvas_.Rectangle(2, 3, 8, 7);
  EXPECT_EQ(Changed(), (Extent{2, 3, 8, 7}));
  EXPECT_EQ(At(2, 3), kBlack);
  EXPECT_EQ(At(7, 6), kBlack);
  EXPECT_EQ(At(4, 4), kRed);
  EXPECT_EQ(At(6, 5), kRed);
  EXPECT_EQ(CountOf(kBlack), 2 * 6 + 2 * 2);  // the outline, each pixel once
}

TEST_F(QtCanvasTest, RectangleCornersMayComeInAnyOrder) {
  canvas_.Rectangle(8, 7, 2, 3);
  EXPECT_EQ(Changed(), (Extent{2, 3, 8, 7}));
  Clear();
  canvas_.Rectangle(2, 7, 8, 3);
  EXPECT_EQ(Changed(), (Extent{2, 3, 8, 7}));
}

TEST_F(QtCanvasTest, WidePenOutlineStaysInsideTheBox) {
  canvas_.SetPenWidth(3);
  canvas_.SetBrushColor(kRed);
  canvas_.Rectangle(5, 5, 20, 15);
  EXPECT_EQ(Changed(), (Extent{5, 5, 20, 15}));
  EXPECT_EQ(At(7, 10), kBlack);
  EXPECT_EQ(At(8, 10), kRed);
  EXPECT_EQ(At(17, 10), kBlack);
  EXPECT_EQ(At(16, 10), kRed);
  EXPECT_EQ(At(12, 12), kBlack);
  EXPECT_EQ(At(12, 11), kRed);
}

TEST_F(QtCanvasTest, ClearBrushLeavesTheInsideAlone) {
  canvas_.SetBrushStyle(Canvas::BrushStyle::Clear);
  canvas_.Rectangle(2, 2, 12, 12);
  canvas_.Ellipse(20, 2, 36, 18);
  EXPECT_EQ(At(7, 7), kWhite);
  EXPECT_EQ(At(28, 10), kWhite);
  EXPECT_EQ(At(2, 7), kBlack);
  EXPECT_EQ(At(20, 10), kBlack);
}

TEST_F(QtCanvasTest, EllipseCoversItsBoxForEverySizeAndPen) {
  const std::pair<int, int> sizes[] = {{1, 1}, {2, 2}, {3, 5}, {4, 4}, {7, 3},
                                       {10, 6}, {15, 15}, {16, 9}, {30, 31}};
  for (const int pen : {1, 2, 3}) {
    for (const auto& [w, h] : sizes) {
      Clear();
      canvas_.SetPenWidth(pen);
      canvas_.SetBrushColor(kRed);
      canvas_.Ellipse(3, 4, 3 + w, 4 + h);
      EXPECT_EQ(Changed(), (Extent{3, 4, 3 + w, 4 + h})) << w << " x " << h << ", pen " << pen;
      if (w > 2 * pen + 2 && h > 2 * pen + 2) {
        EXPECT_EQ(At(3 + w / 2, 4 + h / 2), kRed) << w << " x " << h << ", pen " << pen;
        EXPECT_EQ(At(3, 4), kWhite) << "corner of " << w << " x " << h;
        EXPECT_EQ(At(3 + w - 1, 4 + h - 1), kWhite) << "corner of " << w << " x " << h;
      }
    }
  }
}

TEST_F(QtCanvasTest, MaskModeAndsPenAndBrushWithThePicture) {
  const TColor ground = MakeColor(0x0F, 0xF0, 0x3C);
  const TColor pen = MakeColor(0x33, 0x55, 0xFF);
  const TColor brush = MakeColor(0xF0, 0xF0, 0xF0);
  Clear(ground);
  canvas_.SetPenMode(Canvas::PenMode::Mask);
  canvas_.SetPenColor(pen);
  canvas_.SetBrushColor(brush);
  canvas_.Rectangle(2, 2, 12, 12);
  canvas_.Ellipse(20, 2, 36, 18);
  canvas_.MoveTo(2, 30);
  canvas_.LineTo(30, 30);
  EXPECT_EQ(At(2, 5), ground & pen);
  EXPECT_EQ(At(6, 6), ground & brush);
  EXPECT_EQ(At(28, 10), ground & brush);
  EXPECT_EQ(At(10, 30), ground & pen);
  EXPECT_EQ(At(10, 35), ground);

  // Back to copy: the colours themselves.
  canvas_.SetPenMode(Canvas::PenMode::Copy);
  canvas_.Rectangle(2, 2, 12, 12);
  EXPECT_EQ(At(2, 5), pen);
  EXPECT_EQ(At(6, 6), brush);
}

TEST_F(QtCanvasTest, PieTurnsCounterClockwiseFromTheFirstRayToTheSecond) {
  canvas_.SetPenColor(kRed);
  canvas_.SetBrushColor(kRed);
  // A quarter from the ray to the right to the ray upwards: the upper-right quadrant.
  canvas_.Pie(0, 0, 31, 31, 31, 15, 15, 0);
  EXPECT_EQ(At(22, 8), kRed);
  EXPECT_EQ(At(8, 8), kWhite);
  EXPECT_EQ(At(8, 22), kWhite);
  EXPECT_EQ(At(22, 22), kWhite);
  EXPECT_EQ(Changed(), (Extent{15, 0, 31, 16}));

  // The other way round: everything but that quadrant.
  Clear();
  canvas_.Pie(0, 0, 31, 31, 15, 0, 31, 15);
  EXPECT_EQ(At(22, 8), kWhite);
  EXPECT_EQ(At(8, 8), kRed);
  EXPECT_EQ(At(8, 22), kRed);
  EXPECT_EQ(At(22, 22), kRed);
  EXPECT_EQ(Changed(), (Extent{0, 0, 31, 31}));
}

TEST_F(QtCanvasTest, PieEdgesFollowTheRaysOnAFlatEllipse) {
  // On a flat ellipse the ray at 45 degrees is not the point at parameter 45.
  canvas_.SetPenColor(kRed);
  canvas_.SetBrushColor(kRed);
  canvas_.Pie(0, 10, 40, 30, 40, 20, 30, 10);  // from the right to the ray at 45 degrees
  // Centre (20, 20): a pixel at about 30 degrees is inside, one at about 60 is not.
  EXPECT_EQ(At(27, 16), kRed);
  EXPECT_EQ(At(23, 14), kWhite);
  EXPECT_EQ(At(27, 23), kWhite);
}

TEST_F(QtCanvasTest, ThinLineLeavesOutItsLastPixel) {
  canvas_.MoveTo(2, 5);
  canvas_.LineTo(10, 5);
  canvas_.LineTo(10, 12);  // continues from where the last line ended
  EXPECT_EQ(At(2, 5), kBlack);
  EXPECT_EQ(At(9, 5), kBlack);
  EXPECT_EQ(At(10, 5), kBlack);  // drawn by the second line
  EXPECT_EQ(At(10, 11), kBlack);
  EXPECT_EQ(At(10, 12), kWhite);
  EXPECT_EQ(CountOf(kBlack), 8 + 7);
}

TEST_F(QtCanvasTest, WideLineIsCentredOnItsPoints) {
  canvas_.SetPenWidth(3);
  canvas_.MoveTo(10, 20);
  canvas_.LineTo(30, 20);
  EXPECT_EQ(At(20, 18), kWhite);
  EXPECT_EQ(At(20, 19), kBlack);
  EXPECT_EQ(At(20, 20), kBlack);
  EXPECT_EQ(At(20, 21), kBlack);
  EXPECT_EQ(At(20, 22), kWhite);
  // Round ends reach past both points.
  EXPECT_EQ(At(9, 20), kBlack);
  EXPECT_EQ(At(31, 20), kBlack);
  EXPECT_EQ(At(33, 20), kWhite);
}

TEST_F(QtCanvasTest, DottedPenDrawsThreeOnThreeOff) {
  canvas_.SetBrushStyle(Canvas::BrushStyle::Clear);
  canvas_.SetPenStyle(Canvas::PenStyle::Dotted);
  canvas_.MoveTo(0, 5);
  canvas_.LineTo(30, 5);
  for (int x = 0; x < 30; ++x) {
    EXPECT_EQ(At(x, 5), (x / 3) % 2 == 0 ? kBlack : kWhite) << "x = " << x;
  }
}

TEST_F(QtCanvasTest, DottedGapsTakeTheSolidBrushColour) {
  canvas_.SetBrushColor(kRed);
  canvas_.SetPenStyle(Canvas::PenStyle::Dotted);
  canvas_.MoveTo(0, 5);
  canvas_.LineTo(12, 5);
  EXPECT_EQ(At(1, 5), kBlack);
  EXPECT_EQ(At(4, 5), kRed);
  EXPECT_EQ(At(7, 5), kBlack);
}

TEST_F(QtCanvasTest, PolygonIsFilledAndOutlinedThroughItsCorners) {
  canvas_.SetBrushColor(kRed);
  const TPoint square[] = {{5, 5}, {25, 5}, {25, 20}, {5, 20}};
  canvas_.Polygon(square, 4);
  EXPECT_EQ(Changed(), (Extent{5, 5, 26, 21}));
  EXPECT_EQ(At(5, 5), kBlack);
  EXPECT_EQ(At(25, 20), kBlack);
  EXPECT_EQ(At(15, 12), kRed);

  Clear();
  canvas_.SetPenWidth(3);
  canvas_.Polygon(square, 4);
  EXPECT_EQ(At(15, 12), kRed);
  EXPECT_EQ(At(15, 4), kBlack);  // the wide outline is centred on the corner pixels
  EXPECT_EQ(At(15, 6), kBlack);
  EXPECT_EQ(At(15, 3), kWhite);
}

TEST_F(QtCanvasTest, SetPixelWritesTheColourWhateverTheModeAndIgnoresOutside) {
  Clear(MakeColor(0x0F, 0x0F, 0x0F));
  canvas_.SetPenMode(Canvas::PenMode::Mask);
  canvas_.Rectangle(0, 0, 2, 2);  // the painter is open
  canvas_.SetPixel(10, 10, kRed);
  canvas_.SetPixel(-1, 10, kRed);
  canvas_.SetPixel(10, kSize, kRed);
  canvas_.SetPixel(INT32_MIN, INT32_MAX, kRed);
  EXPECT_EQ(At(10, 10), kRed);
  EXPECT_EQ(CountOf(kRed), 1);
}

TEST_F(QtCanvasTest, StateOutlivesEndOfPainting) {
  canvas_.SetPenColor(kBlue);
  canvas_.SetPenWidth(3);
  canvas_.SetBrushColor(kRed);
  canvas_.MoveTo(0, 2);
  canvas_.LineTo(10, 2);
  EXPECT_TRUE(canvas_.Painting());
  canvas_.End();
  EXPECT_FALSE(canvas_.Painting());
  // The painter opens again with the same pen and brush.
  const TPoint square[] = {{10, 10}, {30, 10}, {30, 30}, {10, 30}};
  canvas_.Polygon(square, 4);
  EXPECT_TRUE(canvas_.Painting());
  EXPECT_EQ(At(20, 9), kBlue);
  EXPECT_EQ(At(20, 11), kBlue);
  EXPECT_EQ(At(20, 20), kRed);
}

TEST_F(QtCanvasTest, ACopyTakenWhilePaintingStaysAsItWas) {
  canvas_.MoveTo(0, 0);
  canvas_.LineTo(5, 0);
  ASSERT_TRUE(canvas_.Painting());
  const QImage copy = image_;
  canvas_.LineTo(5, 30);
  canvas_.Rectangle(10, 10, 15, 15);
  canvas_.SetPixel(20, 20, kRed);
  canvas_.End();
  EXPECT_EQ(FromQRgb(copy.pixel(0, 0)), kBlack);
  EXPECT_EQ(FromQRgb(copy.pixel(10, 10)), kWhite);
  EXPECT_EQ(FromQRgb(copy.pixel(20, 20)), kWhite);
  EXPECT_EQ(FromQRgb(copy.pixel(5, 20)), kWhite);
  EXPECT_EQ(At(10, 10), kBlack);
  EXPECT_EQ(At(20, 20), kRed);
  EXPECT_EQ(At(5, 20), kBlack);
}

TEST_F(QtCanvasTest, DrawPictureReplacesTheWholeDrawing) {
  QImage source(kSize, kSize, QImage::Format_RGB32);
  source.fill(qRgb(1, 2, 3));
  source.setPixel(7, 8, qRgb(200, 100, 50));
  const QtPicture picture(source);
  canvas_.Rectangle(0, 0, 30, 30);  // drawn while the painter is open
  canvas_.DrawPicture(picture);
  canvas_.SetPixel(0, 0, kRed);
  EXPECT_EQ(At(7, 8), MakeColor(200, 100, 50));
  EXPECT_EQ(At(1, 1), MakeColor(1, 2, 3));
  EXPECT_EQ(At(0, 0), kRed);
  EXPECT_EQ(picture.Pixel(0, 0), MakeColor(1, 2, 3)) << "the picture itself is untouched";
}

TEST_F(QtCanvasTest, DrawPictureTakesTheSizeOfAnyPicture) {
  testing::TMemoryPicture gradient(12, 9);  // a picture that is not a QImage, as the model's tests have
  for (int32_t x = 0; x < 12; ++x)
    for (int32_t y = 0; y < 9; ++y) gradient.Set(x, y, MakeColor(x, y, 7));
  canvas_.DrawPicture(gradient);
  canvas_.End();
  ASSERT_EQ(image_.size(), QSize(12, 9));
  EXPECT_EQ(At(11, 8), MakeColor(11, 8, 7));
  canvas_.Rectangle(0, 0, 3, 3);  // still draws on the resized image
  EXPECT_EQ(At(0, 0), kBlack);
}

TEST_F(QtCanvasTest, FarAwayCoordinatesNeitherCrashNorSpoilTheVisiblePart) {
  canvas_.MoveTo(-1000000000, 5);
  canvas_.LineTo(1000000000, 5);
  for (const int x : {0, 20, kSize - 1}) EXPECT_EQ(At(x, 5), kBlack) << "x = " << x;
  Clear();
  canvas_.Rectangle(INT32_MIN, INT32_MIN, INT32_MAX, INT32_MAX);  // outline far outside
  EXPECT_EQ(CountOf(0xFFFFFF), kSize * kSize);
  canvas_.SetBrushColor(kRed);
  const TPoint huge[] = {{-2000000000, -2000000000}, {2000000000, -2000000000}, {0, 2000000000}};
  canvas_.Polygon(huge, 3);
  canvas_.Ellipse(INT32_MIN, INT32_MIN, INT32_MAX, INT32_MAX);
  canvas_.Pie(INT32_MIN, 0, INT32_MAX, 10, 0, 0, 5, 5);
  canvas_.SetPenWidth(5);
  canvas_.MoveTo(INT32_MAX, INT32_MIN);
  canvas_.LineTo(INT32_MIN, INT32_MAX);
  canvas_.Polygon(huge, 3);
  canvas_.End();
}

TEST_F(QtCanvasTest, NoImageMeansNothingIsDrawn) {
  QtCanvas nowhere(nullptr);
  nowhere.Rectangle(0, 0, 5, 5);
  nowhere.SetPixel(0, 0, kRed);
  nowhere.DrawPicture(testing::TMemoryPicture(3, 3));
  EXPECT_FALSE(nowhere.Painting());
  QImage empty;
  QtCanvas on_empty(&empty);
  on_empty.Ellipse(0, 0, 5, 5);
  EXPECT_FALSE(on_empty.Painting());
}

TEST_F(QtCanvasTest, ImagesOfOtherFormatsAreTakenAsRgb32) {
  QImage argb(10, 10, QImage::Format_ARGB32);
  argb.fill(Qt::white);
  QtCanvas canvas(&argb);
  EXPECT_EQ(argb.format(), QImage::Format_RGB32);
  canvas.SetPenMode(Canvas::PenMode::Mask);
  canvas.SetPenColor(kRed);
  canvas.SetBrushColor(kRed);
  canvas.Rectangle(0, 0, 4, 4);
  canvas.End();
  EXPECT_EQ(argb.pixel(1, 1), qRgb(255, 0, 0));
}

}  // namespace
}  // namespace vorlanth
