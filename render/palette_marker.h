#pragma once
// Palette pictures decoded by Qt (PNG, GIF). Qt shows a pixel whose index lies
// beyond the palette in a colour of its own (a PNG's first colour, white in a
// GIF), so the decoded image cannot tell it from a pixel that means that colour.
// Before Qt decodes such a file, the palette its first picture uses is filled up
// to every index a pixel can hold with a marker, a colour the palette lacks: a
// pixel of the marker's colour used an index beyond the palette.

#include <QByteArray>
#include <QImage>
#include <QRgb>

#include <cstdint>
#include <optional>
#include <string>

namespace vorlanth {

struct TMarkedPalette {
  QByteArray Data;             // the file, its palette filled up when Marker is set
  std::optional<QRgb> Marker;  // unset: nothing was filled (no palette, or a full one)
  int64_t Colours = 0;         // colours of the palette as the file gives it
};

// `data` as it is when it is not a PNG or GIF whose palette can be filled up
// (a file too broken to walk is left for Qt to refuse).
TMarkedPalette MarkPalette(const QByteArray& data);

// Throws Error naming `path` and the first pixel of the marker's colour, if any.
void RefuseMarkedPixels(const QImage& image, const TMarkedPalette& palette, const std::string& path);

}  // namespace vorlanth
