#include <gtest/gtest.h>

#include "support/memory_picture.h"
#include "support/recording_canvas.h"
#include "world2d/recording_canvas.h"

namespace vorlanth {
namespace {

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
  testing::RecordingCanvas direct;
  DrawEverything(direct, picture);

  TRecordingCanvas recording;
  recording.LineTo(0, 0);  // before the first mark: not replayed
  const size_t from = recording.Size();
  DrawEverything(recording, picture);
  const size_t to = recording.Size();
  recording.MoveTo(1, 1);  // after the second mark: not replayed
  testing::RecordingCanvas replayed;
  recording.Replay(from, to, replayed);
  EXPECT_EQ(replayed.Calls, direct.Calls);
  EXPECT_EQ(replayed.Asked, direct.Asked);  // the pen and brush changes too, drawn with or not
  EXPECT_EQ(replayed.Digest, direct.Digest);

  recording.Clear();
  EXPECT_EQ(recording.Size(), 0u);
}

}  // namespace
}  // namespace vorlanth
