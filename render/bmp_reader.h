#pragma once
// Decoding BMP files (Windows and OS/2 headers; 1, 4, 8, 16, 24 and 32 bits per
// pixel; uncompressed, run-length encoded or with colour masks) into RGB32 images.
//
// Every header field is checked against the others and against the size of the
// data before anything is allocated, and every pixel of the result is written by
// the decoder: the image is filled with black first, and a compressed stream that
// would leave pixels unwritten is refused, as is a colour index beyond the palette.

#include <QByteArray>
#include <QImage>

#include <cstdint>
#include <string>

namespace vorlanth {

// The largest circuit picture read: each side and the number of pixels.
constexpr int64_t MaxPictureSide = 16384;
constexpr int64_t MaxPicturePixels = int64_t{1} << 26;  // 256 MB as RGB32

// True when the data begins with the BMP signature "BM".
bool IsBmpData(const QByteArray& data);

// The picture held in `data`, in Format_RGB32. Throws Error with the message
// "Cannot read the circuit picture "<path>": <reason>" when the file is not a
// BMP this decoder reads faithfully.
QImage DecodeBmp(const QByteArray& data, const std::string& path);

// The message of every failure to read a circuit picture.
std::string PictureReadError(const std::string& path, const std::string& reason);

}  // namespace vorlanth
