#include "world2d/recording_canvas.h"

#include <algorithm>

namespace vorlanth {

void TRecordingCanvas::Polygon(const TPoint* points, int32_t count) {
  Add(TOp::Polygon, {count});
  for (int32_t i = 0; i < count; ++i) Words.insert(Words.end(), {points[i].x, points[i].y});
}

void TRecordingCanvas::DrawPicture(const Picture& picture) {
  Add(TOp::DrawPicture, {static_cast<int32_t>(Pictures.size())});
  Pictures.push_back(&picture);
}

void TRecordingCanvas::Clear() {
  Words.clear();
  Pictures.clear();
}

void TRecordingCanvas::Replay(size_t from, size_t to, Canvas& target) const {
  std::vector<TPoint> points;
  to = std::min(to, Words.size());
  for (size_t i = from; i < to;) {
    const auto op = static_cast<TOp>(Words[i]);
    const int32_t* a = Words.data() + i + 1;
    size_t numbers = 0;
    switch (op) {
      case TOp::PenColor: target.SetPenColor(a[0]); numbers = 1; break;
      case TOp::PenWidth: target.SetPenWidth(a[0]); numbers = 1; break;
      case TOp::PenStyle: target.SetPenStyle(static_cast<PenStyle>(a[0])); numbers = 1; break;
      case TOp::PenMode: target.SetPenMode(static_cast<PenMode>(a[0])); numbers = 1; break;
      case TOp::BrushColor: target.SetBrushColor(a[0]); numbers = 1; break;
      case TOp::BrushStyle: target.SetBrushStyle(static_cast<BrushStyle>(a[0])); numbers = 1; break;
      case TOp::MoveTo: target.MoveTo(a[0], a[1]); numbers = 2; break;
      case TOp::LineTo: target.LineTo(a[0], a[1]); numbers = 2; break;
      case TOp::Polygon:
        points.resize(static_cast<size_t>(std::max(a[0], 0)));
        for (size_t k = 0; k < points.size(); ++k) points[k] = {a[1 + 2 * k], a[2 + 2 * k]};
        target.Polygon(points.data(), a[0]);
        numbers = 1 + 2 * points.size();
        break;
      case TOp::Rectangle: target.Rectangle(a[0], a[1], a[2], a[3]); numbers = 4; break;
      case TOp::Ellipse: target.Ellipse(a[0], a[1], a[2], a[3]); numbers = 4; break;
      case TOp::Pie: target.Pie(a[0], a[1], a[2], a[3], a[4], a[5], a[6], a[7]); numbers = 8; break;
      case TOp::SetPixel: target.SetPixel(a[0], a[1], a[2]); numbers = 3; break;
      case TOp::DrawPicture:
        target.DrawPicture(*Pictures[static_cast<size_t>(a[0])]);
        numbers = 1;
        break;
    }
    i += 1 + numbers;
  }
}

}  // namespace vorlanth
