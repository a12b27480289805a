#pragma once
// The canvas the model draws on, painting into a QImage with one QPainter.
//
// The painter opens at the first drawing call and stays open until End(): a whole
// cycle of traces and bodies goes through one painter. End() must be called
// before the image is destroyed or assigned, and before it is shown or saved (a
// copy taken while painting is a full copy of the pixels).
//
// Drawing follows the classic GDI conventions the model was drawn for:
// - no antialiasing, crisp pixels;
// - a 1-pixel line leaves out its last pixel, wider lines have round ends;
// - a rectangle, ellipse or pie from (x1, y1) to (x2, y2) covers x1..x2-1 and
//   y1..y2-1, its outline drawn inside that box with the pen;
// - a dotted pen is 3 pixels on, 3 off, and only exists 1 pixel wide; its gaps
//   take the brush colour while the brush is solid;
// - pen mode Mask ANDs what is drawn (pen and brush) with the picture;
// - SetPixel writes the colour as it is, whatever the pen mode.
//
// Rectangles and ellipses are written row by row straight into the image (QPainter
// rounds ellipses a pixel off the box now and then); lines, polygons and pies go
// through the painter.

#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <QPen>
#include <QPoint>

#include <vector>

#include "world2d/canvas.h"

namespace vorlanth {

class QtCanvas : public Canvas {
 public:
  // Draws on the image (not owned), which is converted to Format_RGB32 if needed.
  explicit QtCanvas(QImage* image);
  ~QtCanvas() override;
  QtCanvas(const QtCanvas&) = delete;
  QtCanvas& operator=(const QtCanvas&) = delete;

  // Closes the painter so the image can be read; the next drawing call reopens it.
  void End();
  bool Painting() const { return painter_.isActive(); }
  // Draws on another image from now on (ends the current painting first).
  void SetImage(QImage* image);
  QImage* Image() const { return image_; }

  void SetPenColor(TColor color) override;
  void SetPenWidth(int32_t width) override;
  void SetPenStyle(PenStyle style) override;
  void SetPenMode(PenMode mode) override;
  void SetBrushColor(TColor color) override;
  void SetBrushStyle(BrushStyle style) override;

  void MoveTo(int32_t x, int32_t y) override;
  void LineTo(int32_t x, int32_t y) override;
  void Polygon(const TPoint* points, int32_t count) override;
  void Rectangle(int32_t x1, int32_t y1, int32_t x2, int32_t y2) override;
  void Ellipse(int32_t x1, int32_t y1, int32_t x2, int32_t y2) override;
  void Pie(int32_t x1, int32_t y1, int32_t x2, int32_t y2, int32_t x3, int32_t y3, int32_t x4,
           int32_t y4) override;
  void SetPixel(int32_t x, int32_t y, TColor color) override;
  void DrawPicture(const Picture& picture) override;
  // A copy of the image; forgotten when the canvas is given another image.
  void KeepLayer() override;
  bool PutBackLayer() override;

 private:
  QImage kept_;  // the layer kept, or null
  // Wide strokes are centred on pixel centres (QPainter centres them on pixel corners).
  static constexpr QPointF kPixelCentre{0.5, 0.5};

  // Opens the painter if needed and brings its pen, brush and mode up to date;
  // false when there is nothing to draw on.
  bool Ready();
  void ApplyState();
  // A pen wider than one pixel is stroked as a filled outline with round ends.
  bool WidePen() const { return penWidth_ > 1; }
  // Prepares writing pixels straight into the image (bits_, stride_); false when
  // there is no image.
  bool DirectAccess();
  // Writes the pixels first..last of a row in the pen mode, clipped to the image.
  void FillRun(int64_t y, int64_t first, int64_t last, QRgb color);

  QImage* image_ = nullptr;
  QPainter painter_;

  // What was asked for (the defaults of a fresh canvas).
  TColor penColor_ = 0;  // black
  int32_t penWidth_ = 1;  // pixels, at least 1
  PenStyle penStyle_ = PenStyle::Solid;
  PenMode penMode_ = PenMode::Copy;
  TColor brushColor_ = 0xFFFFFF;  // white
  BrushStyle brushStyle_ = BrushStyle::Solid;
  // Which of the above the painter does not have yet.
  bool penDirty_ = true;
  bool brushDirty_ = true;
  bool modeDirty_ = true;

  // What the painter has, built from the above.
  QPen pen_;
  QBrush brush_;

  QPoint position_;             // the pen position of MoveTo/LineTo
  std::vector<QPoint> points_;  // reused polygon storage
  QPainterPath path_;           // reused path storage (pies, wide and dotted outlines)
  uchar* bits_ = nullptr;       // the image's pixels while writing them directly
  qsizetype stride_ = 0;        // bytes per row of bits_
};

}  // namespace vorlanth
