#include <gtest/gtest.h>

#include <string>

#include "support/memory_picture.h"
#include "world2d/recording_canvas.h"

namespace vorlanth {
namespace {

// Writes every call with its arguments.
class LogCanvas : public Canvas {
 public:
  std::string Log;
  void SetPenColor(TColor c) override { Put("pen", {c}); }
  void SetPenWidth(int32_t w) override { Put("width", {w}); }
  void SetPenStyle(PenStyle s) override { Put("style", {static_cast<int32_t>(s)}); }
  void SetPenMode(PenMode m) override { Put("mode", {static_cast<int32_t>(m)}); }
  void SetBrushColor(TColor c) override { Put("brush", {c}); }
  void SetBrushStyle(BrushStyle s) override { Put("brushstyle", {static_cast<int32_t>(s)}); }
  void MoveTo(int32_t x, int32_t y) override { Put("move", {x, y}); }
  void LineTo(int32_t x, int32_t y) override { Put("line", {x, y}); }
  void Polygon(const TPoint* p, int32_t n) override {
    Put("polygon", {n});
    for (int32_t i = 0; i < n; ++i) Put("", {p[i].x, p[i].y});
  }
  void Rectangle(int32_t a, int32_t b, int32_t c, int32_t d) override { Put("rect", {a, b, c, d}); }
  void Ellipse(int32_t a, int32_t b, int32_t c, int32_t d) override { Put("ellipse", {a, b, c, d}); }
  void Pie(int32_t a, int32_t b, int32_t c, int32_t d, int32_t e, int32_t f, int32_t g, int32_t h) override {
    Put("pie", {a, b, c, d, e, f, g, h});
  }
  void SetPixel(int32_t x, int32_t y, TColor c) override { Put("pixel", {x, y, c}); }
  void DrawPicture(const Picture& p) override { Put("picture", {p.Width()}); }

 private:
  void Put(const char* name, std::initializer_list<int32_t> numbers) {
    Log += name;
    for (const int32_t n : numbers) Log += " " + std::to_string(n);
    Log += ";";
  }
};

void DrawEverything(Canvas& c, const Picture& picture) {
  const TPoint triangle[3] = {{1, 2}, {3, 4}, {5, 6}};
  c.SetPenColor(0x123456);
  c.SetPenWidth(3);
  c.SetPenStyle(Canvas::PenStyle::Dotted);
  c.SetPenMode(Canvas::PenMode::Mask);
  c.SetBrushColor(0x654321);
  c.SetBrushStyle(Canvas::BrushStyle::Clear);
  c.MoveTo(7, 8);
  c.LineTo(-9, 10);
  c.Polygon(triangle, 3);
  c.Polygon(triangle, 0);
  c.Rectangle(1, 2, 3, 4);
  c.Ellipse(5, 6, 7, 8);
  c.Pie(1, 2, 3, 4, 5, 6, 7, 8);
  c.SetPixel(11, 12, 0xABCDEF);
  c.DrawPicture(picture);
  c.LineTo(13, 14);
}

TEST(RecordingCanvas, ReplaysEveryCallWithItsArgumentsBetweenTwoMarks) {
  const testing::TMemoryPicture picture(31, 17);
  LogCanvas direct;
  DrawEverything(direct, picture);

  TRecordingCanvas recording;
  recording.LineTo(0, 0);  // before the first mark: not replayed
  const size_t from = recording.Size();
  DrawEverything(recording, picture);
  const size_t to = recording.Size();
  recording.MoveTo(1, 1);  // after the second mark: not replayed
  LogCanvas replayed;
  recording.Replay(from, to, replayed);
  EXPECT_EQ(replayed.Log, direct.Log);

  recording.Clear();
  EXPECT_EQ(recording.Size(), 0u);
}

}  // namespace
}  // namespace vorlanth
