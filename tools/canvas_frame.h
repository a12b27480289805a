#pragma once
// The picture the Qt canvas drew, handed to a film as it is (RGB32, no copy):
// the runner's and the Python module's films take their frames through this.

#include <QImage>

#include "video/video_writer.h"

namespace vorlanth {

inline TVideoFrame CanvasFrame(const QImage& image) {
  TVideoFrame frame;
  frame.Pixels = image.constBits();
  frame.Width = image.width();
  frame.Height = image.height();
  frame.Stride = image.bytesPerLine();
  frame.Layout = TPixelLayout::Xrgb32;  // the canvas draws in RGB32
  return frame;
}

}  // namespace vorlanth
