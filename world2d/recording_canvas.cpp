#include "world2d/recording_canvas.h"

namespace vorlanth {

void TRecordingCanvas::Polygon(const TPoint* points, int32_t count) {
  Add(TOp::Polygon, static_cast<int32_t>(Points.size()), count);
  if (count > 0) Points.insert(Points.end(), points, points + count);
}

void TRecordingCanvas::Pie(int32_t x1, int32_t y1, int32_t x2, int32_t y2, int32_t x3, int32_t y3,
                           int32_t x4, int32_t y4) {
  Ops.push_back({TOp::Pie, {x1, y1, x2, y2, x3, y3, x4, y4}});
}

void TRecordingCanvas::DrawPicture(const Picture& picture) {
  Add(TOp::DrawPicture, static_cast<int32_t>(Pictures.size()));
  Pictures.push_back(&picture);
}

void TRecordingCanvas::Clear() {
  Ops.clear();
  Points.clear();
  Pictures.clear();
}

void TRecordingCanvas::Replay(size_t from, size_t to, Canvas& target) const {
  for (size_t i = from; i < to && i < Ops.size(); ++i) {
    const TRecord& r = Ops[i];
    const int32_t* a = r.Args;
    switch (r.Op) {
      case TOp::PenColor: target.SetPenColor(static_cast<TColor>(a[0])); break;
      case TOp::PenWidth: target.SetPenWidth(a[0]); break;
      case TOp::PenStyle: target.SetPenStyle(static_cast<PenStyle>(a[0])); break;
      case TOp::PenMode: target.SetPenMode(static_cast<PenMode>(a[0])); break;
      case TOp::BrushColor: target.SetBrushColor(static_cast<TColor>(a[0])); break;
      case TOp::BrushStyle: target.SetBrushStyle(static_cast<BrushStyle>(a[0])); break;
      case TOp::MoveTo: target.MoveTo(a[0], a[1]); break;
      case TOp::LineTo: target.LineTo(a[0], a[1]); break;
      case TOp::Polygon: target.Polygon(Points.data() + a[0], a[1]); break;
      case TOp::Rectangle: target.Rectangle(a[0], a[1], a[2], a[3]); break;
      case TOp::Ellipse: target.Ellipse(a[0], a[1], a[2], a[3]); break;
      case TOp::Pie: target.Pie(a[0], a[1], a[2], a[3], a[4], a[5], a[6], a[7]); break;
      case TOp::SetPixel: target.SetPixel(a[0], a[1], static_cast<TColor>(a[2])); break;
      case TOp::DrawPicture: target.DrawPicture(*Pictures[static_cast<size_t>(a[0])]); break;
    }
  }
}

}  // namespace vorlanth
