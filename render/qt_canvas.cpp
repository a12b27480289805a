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

// An inclusive run of pixels first..last of one row; empty when first > last.
struct Span {
  int64_t first = 0;
  int64_t last = -1;
  bool Empty() const { return first > last; }
};

Span Intersect(const Span& a, const Span& b) {
  return Span{std::max(a.first, b.first), std::min(a.last, b.last)};
}

// The rows of the filled ellipse of a box, as GDI draws it: pixels whose centres
// lie inside the ellipse inscribed in the box, plus the rows and columns through
// the middle, which always reach the box edges (a flat ellipse still touches
// all four sides).
class EllipseRows {
 public:
  EllipseRows(int64_t x1, int64_t y1, int64_t x2, int64_t y2)
      : y1_(y1),
        y2_(y2),
        x1_(x1),
        x2_(x2),
        cx_(0.5 * static_cast<double>(x1 + x2 - 1)),
        cy_(0.5 * static_cast<double>(y1 + y2 - 1)),
        a_(0.5 * static_cast<double>(x2 - x1)),
        b_(0.5 * static_cast<double>(y2 - y1)) {}

  Span Row(int64_t y) const {
    if (x2_ <= x1_ || y < y1_ || y >= y2_) return Span{};
    const double dy = static_cast<double>(y) - cy_;
    // Half the run: from the ellipse, at least the middle pixel(s), the whole box
    // width in the middle row(s).
    double half = 0.5;
    if (std::abs(dy) <= 0.5) {
      half = a_;
    } else {
      const double t = dy / b_;
      half = std::max(half, a_ * std::sqrt(std::max(0.0, 1 - t * t)));
    }
    constexpr double kSlack = 1e-9;  // pixel centres exactly on the edge are in
    return Span{std::max(x1_, static_cast<int64_t>(std::ceil(cx_ - half - kSlack))),
                std::min(x2_ - 1, static_cast<int64_t>(std::floor(cx_ + half + kSlack)))};
  }

  // The pixels of the row whose four neighbours are all in the ellipse.
  Span Inside(int64_t y) const {
    Span row = Row(y);
    row.first += 1;
    row.last -= 1;
    return Intersect(Intersect(row, Row(y - 1)), Row(y + 1));
  }

 private:
  int64_t y1_, y2_, x1_, x2_;  // the box: x1..x2-1, y1..y2-1
  double cx_, cy_;             // centre, in pixel indices
  double a_, b_;               // half the box width and height
};

}  // namespace

QtCanvas::QtCanvas(QImage* image) { SetImage(image); }

QtCanvas::~QtCanvas() { End(); }

void QtCanvas::End() {
  if (painter_.isActive()) painter_.end();
}

void QtCanvas::SetImage(QImage* image) {
  End();
  kept_ = QImage();
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
    pen_ = QPen(QColor(ToQRgb(penColor_)));
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
  const Box box = MakeBox(x1, y1, x2, y2);
  if (box.Empty() || !DirectAccess()) return;
  const bool dotted = penStyle_ == PenStyle::Dotted && !WidePen();
  const bool filled = brushStyle_ == BrushStyle::Solid;
  const QRgb pen = ToQRgb(penColor_);
  const QRgb brush = ToQRgb(brushColor_);

  // Bands of the pen width along the inside of the box, the brush within them.
  const int64_t band = penWidth_;
  const Box inside{box.x1 + band, box.y1 + band, box.x2 - band, box.y2 - band};
  const int64_t first_row = std::max<int64_t>(box.y1, 0);
  const int64_t last_row = std::min<int64_t>(box.y2 - 1, image_->height() - 1);
  for (int64_t y = first_row; y <= last_row; ++y) {
    const bool inside_row = y >= inside.y1 && y < inside.y2 && inside.x1 < inside.x2;
    if (dotted) {
      // The dots come later; the gaps between them take the brush colour anyway.
      if (filled) FillRun(y, box.x1, box.x2 - 1, brush);
    } else if (!inside_row) {
      FillRun(y, box.x1, box.x2 - 1, pen);
    } else {
      FillRun(y, box.x1, inside.x1 - 1, pen);
      FillRun(y, inside.x2, box.x2 - 1, pen);
      if (filled) FillRun(y, inside.x1, inside.x2 - 1, brush);
    }
  }
  if (dotted && Ready()) {
    // Through the edge pixels; far edges are brought just outside the image so the
    // painter gets sizes it can handle.
    const auto near = [](int64_t v, int64_t size) { return std::clamp<int64_t>(v, -2, size + 1); };
    const int64_t left = near(box.x1, image_->width()), right = near(box.x2 - 1, image_->width());
    const int64_t top = near(box.y1, image_->height());
    const int64_t bottom = near(box.y2 - 1, image_->height());
    path_.clear();
    path_.addRect(QRectF(static_cast<double>(left), static_cast<double>(top),
                         static_cast<double>(right - left), static_cast<double>(bottom - top)));
    painter_.strokePath(path_, pen_);
  }
}

void QtCanvas::Ellipse(int32_t x1, int32_t y1, int32_t x2, int32_t y2) {
  const Box box = MakeBox(x1, y1, x2, y2);
  if (box.Empty() || !DirectAccess()) return;
  const bool dotted = penStyle_ == PenStyle::Dotted && !WidePen();
  const bool filled = brushStyle_ == BrushStyle::Solid;
  const QRgb pen = ToQRgb(penColor_);
  const QRgb brush = ToQRgb(brushColor_);

  // The outline is what lies outside the inside of the ellipse of the box shrunk by
  // the pen width less one: the 4-connected edge for a thin pen, thicker for a wide one.
  const EllipseRows outer(box.x1, box.y1, box.x2, box.y2);
  const int64_t inset = penWidth_ - 1;
  const EllipseRows inner(box.x1 + inset, box.y1 + inset, box.x2 - inset, box.y2 - inset);
  const int64_t first_row = std::max<int64_t>(box.y1, 0);
  const int64_t last_row = std::min<int64_t>(box.y2 - 1, image_->height() - 1);
  for (int64_t y = first_row; y <= last_row; ++y) {
    const Span row = outer.Row(y);
    if (dotted) {
      // The dots come later; the gaps between them take the brush colour anyway.
      if (filled) FillRun(y, row.first, row.last, brush);
      continue;
    }
    const Span inside = Intersect(inner.Inside(y), row);
    if (inside.Empty()) {
      FillRun(y, row.first, row.last, pen);
      continue;
    }
    FillRun(y, row.first, inside.first - 1, pen);
    FillRun(y, inside.last + 1, row.last, pen);
    if (filled) FillRun(y, inside.first, inside.last, brush);
  }
  if (dotted && Ready()) {
    // Through the centres of the edge pixels.
    path_.clear();
    path_.addEllipse(QRectF(static_cast<double>(box.x1) + 0.5, static_cast<double>(box.y1) + 0.5,
                            static_cast<double>(box.Width() - 1),
                            static_cast<double>(box.Height() - 1)));
    painter_.strokePath(path_, pen_);
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

  // The path runs where the outline is drawn: through the centres of the edge
  // pixels for a thin pen (QPainter puts a thin stroke at x on pixel floor(x)), half
  // a pen inside the box for a wide one, whose stroke is centred on the path.
  QRectF arc_box = WidePen() ? QRectF(x + pen / 2, y + pen / 2, w - pen, h - pen)
                             : QRectF(x + 0.5, y + 0.5, w - 1, h - 1);
  if (arc_box.width() < 0 || arc_box.height() < 0) {
    arc_box = QRectF(QPointF(cx, cy), QSizeF(0, 0));
  }
  path_.clear();
  path_.moveTo(arc_box.center());
  path_.arcTo(arc_box, start, sweep);
  path_.closeSubpath();
  painter_.drawPath(path_);
}

bool QtCanvas::DirectAccess() {
  if (image_ == nullptr || image_->isNull()) return false;
  // While the painter is open the image owns its buffer (QImage copies it deeply
  // when copied during painting), so these writes land where the painter draws.
  if (image_->format() != QImage::Format_RGB32) {
    End();
    *image_ = image_->convertToFormat(QImage::Format_RGB32);
  }
  bits_ = image_->bits();
  stride_ = image_->bytesPerLine();
  return true;
}

void QtCanvas::FillRun(int64_t y, int64_t first, int64_t last, QRgb color) {
  first = std::max<int64_t>(first, 0);
  last = std::min<int64_t>(last, image_->width() - 1);
  if (first > last || y < 0 || y >= image_->height()) return;
  QRgb* pixel = reinterpret_cast<QRgb*>(bits_ + y * stride_) + first;
  QRgb* const end = pixel + (last - first + 1);
  if (penMode_ == PenMode::Mask) {
    for (; pixel != end; ++pixel) *pixel &= color;  // alpha stays 0xFF
  } else {
    std::fill(pixel, end, color);
  }
}

void QtCanvas::SetPixel(int32_t x, int32_t y, TColor color) {
  if (image_ == nullptr || x < 0 || y < 0 || x >= image_->width() || y >= image_->height()) {
    return;
  }
  // The pen mode does not apply to single pixels.
  if (!DirectAccess()) return;
  reinterpret_cast<QRgb*>(bits_ + y * stride_)[x] = ToQRgb(color);
}

void QtCanvas::KeepLayer() {
  if (image_ == nullptr || image_->isNull()) return;
  End();
  kept_ = image_->copy();
}

bool QtCanvas::PutBackLayer() {
  if (image_ == nullptr || kept_.isNull() || kept_.size() != image_->size() || kept_.format() != image_->format())
    return false;
  End();
  std::memcpy(image_->bits(), kept_.constBits(), static_cast<size_t>(image_->sizeInBytes()));
  return true;
}

void QtCanvas::DrawPicture(const Picture& picture) {
  if (image_ == nullptr) return;
  const auto* qt = dynamic_cast<const QtPicture*>(&picture);
  if (qt != nullptr && !image_->isNull() && qt->Image().size() == image_->size() &&
      image_->format() == QImage::Format_RGB32 &&
      qt->Image().format() == QImage::Format_RGB32) {
    // Same size: copy the pixels into the buffer we already have.
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
