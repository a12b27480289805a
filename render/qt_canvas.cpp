#include "render/qt_canvas.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <numbers>

#include "render/qt_picture.h"

namespace vorlanth {

namespace {

// GDI's dotted pen: 3 pixels drawn, 3 skipped.
const QList<qreal> kDotPattern = {3, 3};

// A box from two corners given in any order, with its size; computed in 64 bits
// so that corners far apart cannot overflow.
struct Box {
  int64_t x1, y1, x2, y2;
  int64_t Width() const { return x2 - x1; }
  int64_t Height() const { return y2 - y1; }
  bool Empty() const { return x1 == x2 || y1 == y2; }
};

Box MakeBox(int32_t x1, int32_t y1, int32_t x2, int32_t y2) {
  return Box{std::min<int64_t>(x1, x2), std::min<int64_t>(y1, y2), std::max<int64_t>(x1, x2),
             std::max<int64_t>(y1, y2)};
}

// Parametric angle in degrees, counter-clockwise on screen, of the point where the
// ray from the centre of the ellipse through (x, y) meets it (a, b: half axes).
double ArcAngle(double x, double y, double cx, double cy, double a, double b) {
  return std::atan2(-(y - cy) / b, (x - cx) / a) * (180.0 / std::numbers::pi);
}

}  // namespace

QtCanvas::QtCanvas(QImage* image) { SetImage(image); }

QtCanvas::~QtCanvas() { End(); }

void QtCanvas::End() {
  if (painter_.isActive()) painter_.end();
}

void QtCanvas::SetImage(QImage* image) {
  End();
  image_ = image;
  if (image_ != nullptr && !image_->isNull() && image_->format() != QImage::Format_RGB32) {
    *image_ = image_->convertToFormat(QImage::Format_RGB32);
  }
}

// --- State: remembered here, handed to the painter at the next drawing call. ---

void QtCanvas::SetPenColor(TColor color) {
  if (color == penColor_) return;
  penColor_ = color;
  penDirty_ = true;
}

void QtCanvas::SetPenWidth(int32_t width) {
  width = std::max(1, width);  // 0 is the thinnest pen, like 1
  if (width == penWidth_) return;
  penWidth_ = width;
  penDirty_ = true;
}

void QtCanvas::SetPenStyle(PenStyle style) {
  if (style == penStyle_) return;
  penStyle_ = style;
  penDirty_ = true;
}

void QtCanvas::SetPenMode(PenMode mode) {
  if (mode == penMode_) return;
  penMode_ = mode;
  modeDirty_ = true;
}

void QtCanvas::SetBrushColor(TColor color) {
  if (color == brushColor_) return;
  brushColor_ = color;
  brushDirty_ = true;
}

void QtCanvas::SetBrushStyle(BrushStyle style) {
  if (style == brushStyle_) return;
  brushStyle_ = style;
  brushDirty_ = true;
}

bool QtCanvas::Ready() {
  if (image_ == nullptr || image_->isNull()) return false;
  // Someone took a copy of the image while we were painting: start again on our
  // own buffer so the copy stays as it was.
  if (painter_.isActive() && !image_->isDetached()) painter_.end();
  if (!painter_.isActive()) {
    if (image_->format() != QImage::Format_RGB32) {
      *image_ = image_->convertToFormat(QImage::Format_RGB32);
    }
    if (!painter_.begin(image_)) return false;
    painter_.setRenderHint(QPainter::Antialiasing, false);
    penDirty_ = brushDirty_ = modeDirty_ = true;  // a new painting starts from defaults
  }
  ApplyState();
  return true;
}

void QtCanvas::ApplyState() {
  if (penDirty_) {
    penQColor_ = QColor(ToQRgb(penColor_));
    penBrush_ = QBrush(penQColor_);
    pen_ = QPen(penQColor_);
    pen_.setWidth(penWidth_);
    if (WidePen()) {
      pen_.setCapStyle(Qt::RoundCap);
      pen_.setJoinStyle(Qt::RoundJoin);
    } else {
      pen_.setCapStyle(Qt::FlatCap);  // a line leaves out its last pixel
      if (penStyle_ == PenStyle::Dotted) pen_.setDashPattern(kDotPattern);
    }
    painter_.setPen(pen_);
    penDirty_ = false;
  }
  if (brushDirty_) {
    if (brushStyle_ == BrushStyle::Solid) {
      brush_ = QBrush(QColor(ToQRgb(brushColor_)));
      painter_.setBackground(brush_);  // the gaps of dotted lines
      painter_.setBackgroundMode(Qt::OpaqueMode);
    } else {
      brush_ = QBrush(Qt::NoBrush);
      painter_.setBackgroundMode(Qt::TransparentMode);
    }
    painter_.setBrush(brush_);
    brushDirty_ = false;
  }
  if (modeDirty_) {
    painter_.setCompositionMode(penMode_ == PenMode::Mask
                                    ? QPainter::RasterOp_SourceAndDestination
                                    : QPainter::CompositionMode_Source);
    modeDirty_ = false;
  }
}

// --- Drawing. ---

void QtCanvas::MoveTo(int32_t x, int32_t y) { position_ = QPoint(x, y); }

void QtCanvas::LineTo(int32_t x, int32_t y) {
  const QPoint to(x, y);
  if (Ready()) {
    if (WidePen()) {
      painter_.drawLine(QPointF(position_) + kPixelCentre, QPointF(to) + kPixelCentre);
    } else {
      painter_.drawLine(position_, to);
    }
  }
  position_ = to;
}

void QtCanvas::Polygon(const TPoint* points, int32_t count) {
  if (points == nullptr || count < 2 || !Ready()) return;
  points_.resize(static_cast<size_t>(count));
  for (int32_t i = 0; i < count; ++i) points_[i] = QPoint(points[i].x, points[i].y);
  if (!WidePen()) {
    painter_.drawPolygon(points_.data(), count);
    return;
  }
  // Filled on the pixel grid, outlined through the centres of the corner pixels.
  if (brushStyle_ == BrushStyle::Solid) {
    path_.clear();
    path_.moveTo(points_[0]);
    for (int32_t i = 1; i < count; ++i) path_.lineTo(points_[i]);
    path_.closeSubpath();
    painter_.fillPath(path_, brush_);
  }
  path_.clear();
  path_.moveTo(QPointF(points_[0]) + kPixelCentre);
  for (int32_t i = 1; i < count; ++i) path_.lineTo(QPointF(points_[i]) + kPixelCentre);
  path_.closeSubpath();
  painter_.strokePath(path_, pen_);
}

void QtCanvas::Rectangle(int32_t x1, int32_t y1, int32_t x2, int32_t y2) {
  Box box = MakeBox(x1, y1, x2, y2);
  if (box.Empty() || !Ready()) return;
  // Only the part near the image can show: cut the box down to it (beyond one pen
  // width around the image) so the sizes below stay small.
  const int64_t margin = penWidth_ + 1;
  const int64_t left = -margin, top = -margin;
  const int64_t right = image_->width() + margin, bottom = image_->height() + margin;
  if (box.x2 <= left || box.y2 <= top || box.x1 >= right || box.y1 >= bottom) return;
  box = Box{std::max(box.x1, left), std::max(box.y1, top), std::min(box.x2, right),
            std::min(box.y2, bottom)};
  const int w = static_cast<int>(box.Width());
  const int h = static_cast<int>(box.Height());
  const int x = static_cast<int>(box.x1);
  const int y = static_cast<int>(box.y1);
  const int pen = penWidth_;

  // The inside, within the outline.
  if (brushStyle_ == BrushStyle::Solid && w > 2 * pen && h > 2 * pen) {
    painter_.fillRect(QRect(x + pen, y + pen, w - 2 * pen, h - 2 * pen), brush_);
  }
  if (penStyle_ == PenStyle::Dotted && !WidePen()) {
    path_.clear();
    path_.addRect(QRectF(x, y, w - 1, h - 1));
    painter_.strokePath(path_, pen_);
    return;
  }
  // A solid outline: four bands of the pen width inside the box, not overlapping.
  const int top_band = std::min(pen, h);
  const int bottom_band = std::min(pen, h - top_band);
  const int side_height = h - top_band - bottom_band;
  painter_.fillRect(QRect(x, y, w, top_band), penQColor_);
  if (bottom_band > 0) painter_.fillRect(QRect(x, y + h - bottom_band, w, bottom_band), penQColor_);
  if (side_height > 0) {
    const int left_band = std::min(pen, w);
    const int right_band = std::min(pen, w - left_band);
    painter_.fillRect(QRect(x, y + top_band, left_band, side_height), penQColor_);
    if (right_band > 0) {
      painter_.fillRect(QRect(x + w - right_band, y + top_band, right_band, side_height),
                        penQColor_);
    }
  }
}

void QtCanvas::Ellipse(int32_t x1, int32_t y1, int32_t x2, int32_t y2) {
  const Box box = MakeBox(x1, y1, x2, y2);
  if (box.Empty() || !Ready()) return;
  const double x = static_cast<double>(box.x1);
  const double y = static_cast<double>(box.y1);
  const double w = static_cast<double>(box.Width());
  const double h = static_cast<double>(box.Height());
  const double pen = penWidth_;
  if (w <= 2 * pen || h <= 2 * pen) {
    // No inside left: the outline covers the whole ellipse.
    path_.clear();
    path_.addEllipse(QRectF(x, y, w, h));
    painter_.fillPath(path_, penBrush_);
  } else if (WidePen()) {
    // The stroke is centred on its path: half a pen inside the box.
    painter_.drawEllipse(QRectF(x + pen / 2, y + pen / 2, w - pen, h - pen));
  } else {
    // The thin outline runs through the pixels at the box edges.
    painter_.drawEllipse(QRectF(x, y, w - 1, h - 1));
  }
}

void QtCanvas::Pie(int32_t x1, int32_t y1, int32_t x2, int32_t y2, int32_t x3, int32_t y3,
                   int32_t x4, int32_t y4) {
  const Box box = MakeBox(x1, y1, x2, y2);
  if (box.Empty() || !Ready()) return;
  const double x = static_cast<double>(box.x1);
  const double y = static_cast<double>(box.y1);
  const double w = static_cast<double>(box.Width());
  const double h = static_cast<double>(box.Height());
  const double pen = penWidth_;

  // The arc goes counter-clockwise from the first ray to the second; the same ray
  // twice is the whole ellipse.
  const double cx = x + w / 2;
  const double cy = y + h / 2;
  const double start = ArcAngle(x3, y3, cx, cy, w / 2, h / 2);
  double sweep = ArcAngle(x4, y4, cx, cy, w / 2, h / 2) - start;
  if (sweep <= 0) sweep += 360;

  // The path runs where the outline is drawn: through the edge pixels for a thin
  // pen, half a pen inside the box for a wide one (see Ellipse).
  QRectF arc_box = WidePen() ? QRectF(x + pen / 2, y + pen / 2, w - pen, h - pen)
                             : QRectF(x, y, w - 1, h - 1);
  if (arc_box.width() < 0 || arc_box.height() < 0) {
    arc_box = QRectF(QPointF(cx, cy), QSizeF(0, 0));
  }
  path_.clear();
  path_.moveTo(arc_box.center());
  path_.arcTo(arc_box, start, sweep);
  path_.closeSubpath();
  painter_.drawPath(path_);
}

void QtCanvas::SetPixel(int32_t x, int32_t y, TColor color) {
  if (image_ == nullptr || x < 0 || y < 0 || x >= image_->width() || y >= image_->height()) {
    return;
  }
  // Written straight into the buffer the painter draws on (the pen mode does not
  // apply to single pixels).
  if (painter_.isActive() && !image_->isDetached()) painter_.end();
  reinterpret_cast<QRgb*>(image_->scanLine(y))[x] = ToQRgb(color);
}

void QtCanvas::DrawPicture(const Picture& picture) {
  if (image_ == nullptr) return;
  const auto* qt = dynamic_cast<const QtPicture*>(&picture);
  if (qt != nullptr && !image_->isNull() && qt->Image().size() == image_->size() &&
      image_->format() == QImage::Format_RGB32 &&
      qt->Image().format() == QImage::Format_RGB32) {
    // Same size: copy the pixels into the buffer we already have.
    if (painter_.isActive() && !image_->isDetached()) painter_.end();
    uchar* target = image_->bits();
    const uchar* source = qt->Image().constBits();
    if (target != source) {
      std::memcpy(target, source, static_cast<size_t>(image_->sizeInBytes()));
    }
    return;
  }
  End();
  *image_ = PictureToImage(picture);
}

}  // namespace vorlanth
