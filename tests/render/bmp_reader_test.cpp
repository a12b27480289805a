// Reading BMP circuits: every kind a writer produces decodes to the same
// colours; streams that would leave pixels undefined, headers whose fields
// disagree, indices beyond the palette and files that are not regular files are
// refused with the file's name and the reason.

#include "render/bmp_reader.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/types.h>

#include <QFile>
#include <QTemporaryDir>

#include <string>
#include <vector>

#include "core/error.h"
#include "render/builtin_circuit.h"
#include "render/qt_picture.h"
#include "tests/render/bmp_files.h"

namespace vorlanth {
namespace {

using testing::IndexedRows;
using testing::Rle8;
using testing::TBmpFile;

const std::vector<QRgb> kPalette = {qRgb(0, 0, 0), qRgb(255, 255, 255), qRgb(200, 10, 10),
                                    qRgb(10, 200, 10)};
// 5 x 3 pixels of the four colours above, top row first.
const std::vector<std::vector<uint8_t>> kIndices = {
    {0, 1, 1, 2, 3}, {3, 3, 3, 3, 0}, {1, 0, 2, 2, 2}};

class BmpReaderTest : public ::testing::Test {
 protected:
  std::string Write(const char* name, const QByteArray& bytes) {
    const QString path = dir_.filePath(QString::fromLatin1(name));
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(bytes);
    return path.toStdString();
  }

  // Loads the file; the picture must match kIndices through kPalette.
  void ExpectIndices(const char* name, const TBmpFile& bmp) {
    const auto picture = LoadPicture(Write(name, bmp.Bytes()));
    ASSERT_EQ(picture->Width(), 5) << name;
    ASSERT_EQ(picture->Height(), 3) << name;
    for (int y = 0; y < 3; ++y)
      for (int x = 0; x < 5; ++x)
        EXPECT_EQ(picture->Image().pixel(x, y), kPalette[kIndices[y][x]])
            << name << " at " << x << ", " << y;
  }

  // Refused, with a message naming the file and containing `reason`.
  void ExpectRefused(const char* name, const QByteArray& bytes, const char* reason) {
    const std::string path = Write(name, bytes);
    try {
      LoadPicture(path);
      ADD_FAILURE() << name << " was loaded";
    } catch (const Error& e) {
      const std::string message = e.what();
      EXPECT_NE(message.find("\"" + path + "\""), std::string::npos) << message;
      EXPECT_NE(message.find(reason), std::string::npos) << name << ": " << message;
    }
  }

  QTemporaryDir dir_;
};

TBmpFile Indexed(uint16_t bits) {
  TBmpFile bmp;
  bmp.Width = 5;
  bmp.Height = 3;
  bmp.Bits = bits;
  bmp.Palette = kPalette;
  bmp.ColorsUsed = 4;
  bmp.Pixels = IndexedRows(kIndices, bits);
  return bmp;
}

TBmpFile Rle8File(const QByteArray& stream) {
  TBmpFile bmp = Indexed(8);
  bmp.Compression = 1;
  bmp.Pixels = stream;
  return bmp;
}

TEST_F(BmpReaderTest, EveryKindOfWriterGivesTheSameColours) {
  ExpectIndices("8.bmp", Indexed(8));
  ExpectIndices("4.bmp", Indexed(4));
  ExpectIndices("rle8.bmp", Rle8File(Rle8(kIndices)));

  TBmpFile core = Indexed(8);  // OS/2: 12-byte header, 3-byte palette of 256 entries
  core.HeaderSize = 12;
  core.Palette.resize(256, qRgb(1, 2, 3));
  ExpectIndices("core.bmp", core);

  TBmpFile gap = Indexed(8);  // a writer that leaves room before the pixels
  gap.Offset = 14 + 40 + 16 + 100;
  ExpectIndices("gap.bmp", gap);

  // RLE4: runs of two alternating indices and an absolute stretch.
  TBmpFile rle4 = Indexed(4);
  rle4.Compression = 2;
  rle4.Pixels = QByteArray::fromHex(
      "0110" "0100" "0322" "0000"  // bottom row: 1 0 2 2 2
      "0433" "0100" "0000"         // 3 3 3 3 0
      "0005" "01123000" "0001");   // absolute 0 1 1 2 3 (padded), end of bitmap
  ExpectIndices("rle4.bmp", rle4);

  // True colour: 16 bits 5-6-5 through masks, 32 bits in a version 5 header,
  // 24 bits top-down.
  TBmpFile masked;
  masked.Width = 2;
  masked.Height = -1;
  masked.Bits = 16;
  masked.Compression = 3;
  masked.Masks = {0xF800, 0x07E0, 0x001F};
  masked.Pixels = QByteArray::fromHex("1F00" "E007");  // blue, green
  const auto m = LoadPicture(Write("565.bmp", masked.Bytes()));
  EXPECT_EQ(m->Image().pixel(0, 0), qRgb(0, 0, 255));
  EXPECT_EQ(m->Image().pixel(1, 0), qRgb(0, 255, 0));

  TBmpFile v5;
  v5.Width = 1;
  v5.Height = 2;  // bottom-up
  v5.Bits = 32;
  v5.HeaderSize = 124;
  v5.Pixels = QByteArray::fromHex("030201ff" "000000ff");
  const auto p = LoadPicture(Write("v5.bmp", v5.Bytes()));
  EXPECT_EQ(p->Image().pixel(0, 1), qRgb(1, 2, 3));
  EXPECT_EQ(p->Pixel(0, 0), 0);  // black: a wall
}

// A stream may leave no pixel to whatever the memory held: each way of leaving
// one is refused, and so is a stream cut short.
TEST_F(BmpReaderTest, CompressedStreamsThatLeavePixelsUndefinedAreRefused) {
  TBmpFile onlyEnd = Rle8File(QByteArray::fromHex("0001"));  // the 800 x 600 file of 64 bytes
  onlyEnd.Width = 800;
  onlyEnd.Height = 600;
  onlyEnd.Pixels.append(QByteArray(8, '\0'));
  EXPECT_LT(onlyEnd.Bytes().size(), 100);
  ExpectRefused("end.bmp", onlyEnd.Bytes(), "cannot hold 800 x 600 pixels");

  const QByteArray whole = Rle8(kIndices);  // 3 rows of 5
  ExpectRefused("early-end.bmp", Rle8File(QByteArray::fromHex("0501" "0000" "0001")).Bytes(),
                "undefined");
  ExpectRefused("short-row.bmp", Rle8File(QByteArray::fromHex("0301" "0000") + whole).Bytes(),
                "end a row early");
  ExpectRefused("delta.bmp", Rle8File(QByteArray::fromHex("0002" "0100") + whole).Bytes(),
                "skip pixels");
  ExpectRefused("long-run.bmp", Rle8File(QByteArray::fromHex("0601") + whole).Bytes(),
                "past the end of a row");
  for (qsizetype cut = 2; cut < whole.size() - 2; cut += 2)
    ExpectRefused("cut.bmp", Rle8File(whole.left(cut)).Bytes(), "");
  TBmpFile claimsMore = Rle8File(whole);  // the header announces bytes the file lacks
  claimsMore.ImageSize = static_cast<uint32_t>(whole.size() + 10);
  ExpectRefused("claims.bmp", claimsMore.Bytes(), "truncated");
}

TEST_F(BmpReaderTest, HeadersWhoseFieldsDisagreeAreRefused) {
  // Longer headers announced with the pixel offset of a 40-byte one: the pixels
  // would be read from inside the header.
  for (const char size : {64, 108, 124}) {
    QByteArray bmp = Indexed(8).Bytes() + QByteArray(200, '\0');  // long enough for any header
    bmp[14] = size;
    ExpectRefused("long-header.bmp", bmp, "inside the header and palette");
  }
  for (const uint32_t colours : {3u, 15u, 17u}) {  // a 1-bit picture indexes 2 colours
    TBmpFile bmp = Indexed(1);
    bmp.ColorsUsed = colours;
    ExpectRefused("1-bit.bmp", bmp.Bytes(), "more than 1 bits per pixel can index (2)");
  }
  TBmpFile relabelled;  // 32-bit plain pixels said to carry masks that are not there
  relabelled.Width = 2;
  relabelled.Height = 2;
  relabelled.Bits = 32;
  relabelled.Compression = 3;
  relabelled.Pixels = QByteArray(16, '\x7f');
  ExpectRefused("masks.bmp", relabelled.Bytes(), "inside the header and palette");
  TBmpFile bits16as8;  // 16-bit rows said to be 8-bit: the palette is not there
  bits16as8.Width = 2;
  bits16as8.Height = 2;
  bits16as8.Bits = 8;
  bits16as8.Pixels = QByteArray(8, '\x7f');
  ExpectRefused("16-as-8.bmp", bits16as8.Bytes(), "inside the header and palette");
  TBmpFile rle24 = Indexed(8);  // RLE8 needs 8 bits per pixel
  rle24.Bits = 24;
  rle24.Compression = 1;
  ExpectRefused("rle24.bmp", rle24.Bytes(), "compression 1 with 24 bits");

  // The built-in circuit relabelled with a 124-byte header would load shifted.
  QFile builtin(QString::fromLatin1(kBuiltinCircuitResource));
  LoadBuiltinCircuit();  // registers the resource
  ASSERT_TRUE(builtin.open(QIODevice::ReadOnly));
  QByteArray circuit = builtin.readAll();
  circuit[14] = 124;
  ExpectRefused("builtin-124.bmp", circuit, "inside the header and palette");
}

// bfSize, planes and an uncompressed biSizeImage: what real writers put there
// loads, a header that describes another file or picture is refused.
TEST_F(BmpReaderTest, SizesAndPlanesInTheHeaderMustFitTheFile) {
  auto setU32 = [](QByteArray& bytes, int at, uint32_t value) {
    for (int i = 0; i < 4; ++i) bytes[at + i] = static_cast<char>((value >> (8 * i)) & 0xFFu);
  };
  const QByteArray good = Indexed(8).Bytes();  // rows of 8 bytes: 24 bytes of pixels
  QByteArray bytes = good;
  setU32(bytes, 2, 0);  // bfSize left 0
  setU32(bytes, 34, 0);  // biSizeImage left 0
  EXPECT_NO_THROW(LoadPicture(Write("zeros.bmp", bytes)));
  bytes = good;
  setU32(bytes, 2, static_cast<uint32_t>(good.size() - 2));  // counted short
  setU32(bytes, 34, 26);                                    // two bytes more
  EXPECT_NO_THROW(LoadPicture(Write("quirks.bmp", bytes)));

  bytes = good;
  setU32(bytes, 2, static_cast<uint32_t>(good.size() + 1));
  ExpectRefused("bfsize.bmp", bytes, "its header says the file holds");
  bytes = good;
  setU32(bytes, 34, 23);
  ExpectRefused("sizeimage.bmp", bytes, "the pixels take 23 bytes, but 5 x 3 pixels of 8 bits need 24");
  bytes = good;
  bytes[26] = 2;
  ExpectRefused("planes.bmp", bytes, "2 colour planes");
  TBmpFile core = Indexed(8);
  core.HeaderSize = 12;
  core.Palette.resize(256);
  bytes = core.Bytes();
  bytes[22] = 0;
  ExpectRefused("core-planes.bmp", bytes, "0 colour planes");
}

TEST_F(BmpReaderTest, AnIndexBeyondThePaletteIsRefused) {
  TBmpFile bmp = Indexed(8);
  bmp.Pixels[2] = 4;  // bottom row, third pixel: colour 4 of a palette of 4
  ExpectRefused("index.bmp", bmp.Bytes(), "the pixel at (2, 2) uses colour 4 of a palette of 4");
  ExpectRefused("rle-index.bmp", Rle8File(QByteArray::fromHex("0509") + Rle8(kIndices)).Bytes(),
                "uses colour 9");
}

TEST_F(BmpReaderTest, OnlyRegularFilesAreRead) {
  try {
    LoadPicture("/dev/zero");
    ADD_FAILURE() << "/dev/zero was read";
  } catch (const Error& e) {
    EXPECT_NE(std::string(e.what()).find("not a regular file"), std::string::npos) << e.what();
  }
  // A pipe that nobody writes to: refused at once instead of waiting.
  const std::string fifo = dir_.filePath(QStringLiteral("x.bmp")).toStdString();
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  EXPECT_THROW(LoadPicture(fifo), Error);

  // A file larger than any circuit is refused before it is read (a sparse file).
  const QString huge = dir_.filePath(QStringLiteral("huge.bmp"));
  QFile file(huge);
  ASSERT_TRUE(file.open(QIODevice::WriteOnly));
  ASSERT_TRUE(file.resize(MaxPicturePixels * 4 + (int64_t{1} << 21)));
  file.close();
  try {
    LoadPicture(huge.toStdString());
    ADD_FAILURE() << "the huge file was read";
  } catch (const Error& e) {
    EXPECT_NE(std::string(e.what()).find("more than a circuit picture may"), std::string::npos)
        << e.what();
  }
}

}  // namespace
}  // namespace vorlanth
