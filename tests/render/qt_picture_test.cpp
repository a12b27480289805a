// Reading and writing circuit pictures: colour values, BMP depths, and files that
// are not pictures at all.

#include "render/qt_picture.h"

#include <gtest/gtest.h>

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QProcess>
#include <QTemporaryDir>

#include <random>
#include <string>

#include "bmp_files.h"
#include "core/error.h"

namespace vorlanth {
namespace {

using testing::TBmpFile;

class QtPictureTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(dir_.isValid()); }

  std::string Path(const char* name) const { return dir_.filePath(name).toStdString(); }

  void WriteFile(const std::string& path, const QByteArray& bytes) const {
    QFile file(QString::fromStdString(path));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    ASSERT_EQ(file.write(bytes), bytes.size());
  }

  QByteArray ReadFile(const std::string& path) const {
    QFile file(QString::fromStdString(path));
    EXPECT_TRUE(file.open(QIODevice::ReadOnly));
    return file.readAll();
  }

  // A small picture with a handful of distinct colours (so it fits a palette).
  static QImage Sample() {
    QImage image(7, 5, QImage::Format_RGB32);
    const QRgb colours[] = {qRgb(255, 0, 0), qRgb(0, 255, 0), qRgb(0, 0, 255),
                            qRgb(12, 34, 56), qRgb(0, 0, 0), qRgb(255, 255, 255),
                            qRgb(128, 128, 128)};
    for (int y = 0; y < image.height(); ++y) {
      for (int x = 0; x < image.width(); ++x) image.setPixel(x, y, colours[(x + 2 * y) % 7]);
    }
    return image;
  }

  // The message must name the file, so the user knows which one failed.
  void ExpectLoadError(const std::string& path, const char* reason_part) {
    try {
      LoadPicture(path);
      ADD_FAILURE() << "no error for " << path;
    } catch (const Error& e) {
      const std::string message = e.what();
      EXPECT_NE(message.find("\"" + path + "\""), std::string::npos) << message;
      EXPECT_NE(message.find(reason_part), std::string::npos) << message;
    }
  }

  QTemporaryDir dir_;
};

// A 32-bit BMP (BI_RGB, blue-green-red-unused), which Qt itself never writes.
QByteArray Bmp32(const QImage& image) {
  TBmpFile file;
  file.Width = image.width();
  file.Height = image.height();
  file.Bits = 32;
  for (int y = image.height() - 1; y >= 0; --y) {  // bottom row first
    for (int x = 0; x < image.width(); ++x) {
      const QRgb p = image.pixel(x, y);
      file.Pixels.append(static_cast<char>(qBlue(p)));
      file.Pixels.append(static_cast<char>(qGreen(p)));
      file.Pixels.append(static_cast<char>(qRed(p)));
      file.Pixels.append('\0');
    }
  }
  return file.Bytes();
}

TEST_F(QtPictureTest, PixelIsRedPlusGreenTimes256PlusBlueTimes65536) {
  QImage image(2, 1, QImage::Format_RGB32);
  image.setPixel(0, 0, qRgb(1, 2, 3));
  image.setPixel(1, 0, qRgb(255, 0, 0));
  const QtPicture picture(image);
  EXPECT_EQ(picture.Pixel(0, 0), 1 + 2 * 256 + 3 * 65536);
  EXPECT_EQ(picture.Pixel(1, 0), 255);
  EXPECT_EQ(picture.Width(), 2);
  EXPECT_EQ(picture.Height(), 1);
}

TEST_F(QtPictureTest, OutsideThePictureIsBlack) {
  QImage image(3, 3, QImage::Format_RGB32);
  image.fill(Qt::white);
  const QtPicture picture(image);
  EXPECT_EQ(picture.Pixel(-1, 0), 0);
  EXPECT_EQ(picture.Pixel(0, 3), 0);
  EXPECT_EQ(picture.Pixel(INT32_MAX, INT32_MIN), 0);
}

TEST_F(QtPictureTest, CloneIsIndependent) {
  QImage image(3, 3, QImage::Format_RGB32);
  image.fill(Qt::white);
  QtPicture picture(image);
  const std::unique_ptr<Picture> clone = picture.Clone();
  picture.Image().setPixel(1, 1, qRgb(0, 0, 0));
  EXPECT_EQ(picture.Pixel(1, 1), 0);
  EXPECT_EQ(clone->Pixel(1, 1), 0xFFFFFF);
  EXPECT_EQ(clone->Width(), 3);
}

TEST_F(QtPictureTest, BmpRoundTripKeepsEveryColour) {
  const QImage image = Sample();
  SavePicture(image, Path("round.bmp"));
  const auto loaded = LoadPicture(Path("round.bmp"));
  ASSERT_EQ(loaded->Image().size(), image.size());
  for (int y = 0; y < image.height(); ++y) {
    for (int x = 0; x < image.width(); ++x) {
      EXPECT_EQ(loaded->Pixel(x, y), FromQRgb(image.pixel(x, y))) << x << ", " << y;
    }
  }
  EXPECT_EQ(ReadFile(Path("round.bmp")).left(2), QByteArray("BM"));
}

TEST_F(QtPictureTest, EightTwentyFourAndThirtyTwoBitFilesGiveTheSameColours) {
  const QImage image = Sample();
  QImage indexed = image.convertToFormat(QImage::Format_Indexed8);
  indexed.setColorCount(256);  // a short palette would be written with 4 bits per pixel
  ASSERT_TRUE(indexed.save(QString::fromStdString(Path("8.bmp")), "BMP"));
  ASSERT_TRUE(image.convertToFormat(QImage::Format_RGB888)
                  .save(QString::fromStdString(Path("24.bmp")), "BMP"));
  WriteFile(Path("32.bmp"), Bmp32(image));
  // The files really have those depths (bits per pixel at byte 28).
  EXPECT_EQ(ReadFile(Path("8.bmp"))[28], 8);
  EXPECT_EQ(ReadFile(Path("24.bmp"))[28], 24);
  EXPECT_EQ(ReadFile(Path("32.bmp"))[28], 32);

  const auto p8 = LoadPicture(Path("8.bmp"));
  const auto p24 = LoadPicture(Path("24.bmp"));
  const auto p32 = LoadPicture(Path("32.bmp"));
  for (int y = 0; y < image.height(); ++y) {
    for (int x = 0; x < image.width(); ++x) {
      const TColor expected = FromQRgb(image.pixel(x, y));
      EXPECT_EQ(p8->Pixel(x, y), expected) << x << ", " << y;
      EXPECT_EQ(p24->Pixel(x, y), expected) << x << ", " << y;
      EXPECT_EQ(p32->Pixel(x, y), expected) << x << ", " << y;
    }
  }
}

TEST_F(QtPictureTest, MissingEmptyAndFolderPathsAreRefused) {
  ExpectLoadError(Path("nowhere.bmp"), "does not exist");
  WriteFile(Path("empty.bmp"), QByteArray());
  ExpectLoadError(Path("empty.bmp"), "empty");
  ExpectLoadError(dir_.path().toStdString(), "folder");
}

TEST_F(QtPictureTest, TextIsNotAPicture) {
  WriteFile(Path("notes.bmp"), QByteArray("This is a shopping list, not a circuit.\n"));
  ExpectLoadError(Path("notes.bmp"), "not a readable image");
}

TEST_F(QtPictureTest, EveryTruncationOfABmpIsRefused) {
  SavePicture(Sample(), Path("whole.bmp"));
  const QByteArray whole = ReadFile(Path("whole.bmp"));
  for (qsizetype length = 1; length < whole.size(); ++length) {
    WriteFile(Path("cut.bmp"), whole.left(length));
    EXPECT_THROW(LoadPicture(Path("cut.bmp")), Error) << "cut at " << length;
  }
}

TEST_F(QtPictureTest, ZeroSizedBmpIsRefused) {
  QByteArray bmp = Bmp32(Sample());
  bmp[18] = bmp[19] = bmp[20] = bmp[21] = 0;  // width 0
  WriteFile(Path("flat.bmp"), bmp);
  ExpectLoadError(Path("flat.bmp"), "0 pixels");
}

TEST_F(QtPictureTest, AbsurdSizesInTheHeaderAreRefused) {
  // Sizes at the ends of the header's range, top-down (negative height) as well;
  // the rows they announce are far beyond the file.
  const uint32_t sizes[][2] = {{0x7FFFFFFF, 0x7FFFFFFF}, {0x7FFFFFFF, 0x80000000},
                               {0xFFFFFFFF, 0x7FFFFFFF}, {0x7FFFFFFF, 0xFFFFFFFF},
                               {100000, 100000}, {1, 0x80000000}};
  for (const auto& size : sizes) {
    QByteArray bmp = Bmp32(Sample());
    for (int i = 0; i < 4; ++i) {
      bmp[18 + i] = static_cast<char>((size[0] >> (8 * i)) & 0xFF);
      bmp[22 + i] = static_cast<char>((size[1] >> (8 * i)) & 0xFF);
    }
    WriteFile(Path("absurd.bmp"), bmp);
    EXPECT_THROW(LoadPicture(Path("absurd.bmp")), Error) << size[0] << " x " << size[1];
  }
}

TEST_F(QtPictureTest, GarbageNeverCrashes) {
  std::mt19937 random(20240611);
  std::uniform_int_distribution<int> byte(0, 255);
  const QByteArray whole = Bmp32(Sample());
  for (int round = 0; round < 200; ++round) {
    // A real header with random bytes spilled over it, or random bytes after "BM".
    QByteArray data = whole;
    const int flips = 1 + round % 8;
    for (int i = 0; i < flips; ++i) {
      data[static_cast<qsizetype>(random() % static_cast<unsigned>(data.size()))] =
          static_cast<char>(byte(random));
    }
    if (round % 5 == 0) {
      data = QByteArray("BM");
      for (int i = 0; i < round; ++i) data.append(static_cast<char>(byte(random)));
    }
    WriteFile(Path("garbage.bmp"), data);
    try {
      const auto picture = LoadPicture(Path("garbage.bmp"));
      EXPECT_GT(picture->Width(), 0);
      EXPECT_GT(picture->Height(), 0);
    } catch (const Error&) {
      // refused with a message: fine
    }
  }
}

// Qt shows a pixel beyond a PNG's palette in the first colour and one beyond a
// GIF's in white: both are refused as in a BMP, and whole palettes still load.
TEST_F(QtPictureTest, PalettePicturesWithAPixelBeyondThePaletteAreRefused) {
  QImage indexed(5, 3, QImage::Format_Indexed8);
  indexed.setColorCount(200);  // 8 bits per pixel, a palette of 200
  for (int i = 0; i < 200; ++i) indexed.setColor(i, qRgb(i, 255 - i, 7));
  indexed.fill(1);
  indexed.scanLine(2)[4] = 199;
  ASSERT_TRUE(indexed.save(QString::fromStdString(Path("whole.png")), "PNG"));
  const auto whole = LoadPicture(Path("whole.png"));
  EXPECT_EQ(whole->Image().pixel(4, 2), qRgb(199, 56, 7));
  EXPECT_EQ(whole->Image().pixel(0, 0), qRgb(1, 254, 7));

  indexed.scanLine(1)[3] = 250;
  ASSERT_TRUE(indexed.save(QString::fromStdString(Path("beyond.png")), "PNG"));
  ExpectLoadError(Path("beyond.png"), "the pixel at (3, 1) uses a colour beyond its palette of 200 colours");

  // 4 x 1 pixels, a palette of white and red, each pixel coded on its own (3 bits).
  const QByteArray gif = QByteArray::fromHex(
      "474946383961" "04000100" "800000" "ffffff" "c80a0a"  // screen: palette of 2
      "2c" "00000000" "04000100" "00" "02" "04" "04c310" "0500" "3b");
  WriteFile(Path("whole.gif"), gif);
  const auto loaded = LoadPicture(Path("whole.gif"));
  EXPECT_EQ(loaded->Image().pixel(1, 0), qRgb(200, 10, 10));
  QByteArray beyond = gif;
  beyond[beyond.indexOf(QByteArray::fromHex("c310")) + 1] = 0x51;  // the third pixel uses colour 3
  WriteFile(Path("beyond.gif"), beyond);
  ExpectLoadError(Path("beyond.gif"), "the pixel at (2, 0) uses a colour beyond its palette of 2 colours");
}

// What Qt and libpng say about a broken file is told in our message, never
// printed before it.
TEST_F(QtPictureTest, ABrokenPngPrintsNothingButTheMessage) {
  QImage image(6, 4, QImage::Format_RGB32);
  image.fill(Qt::white);
  ASSERT_TRUE(image.save(QString::fromStdString(Path("whole.png")), "PNG"));
  const QByteArray png = ReadFile(Path("whole.png"));
  WriteFile(Path("cut.png"), png.left(png.indexOf("IDAT") + 12));
  QByteArray corrupt = png;
  corrupt[corrupt.indexOf("IDAT") + 6] ^= 0x55;  // the chunk's CRC no longer holds
  WriteFile(Path("crc.png"), corrupt);
  for (const char* name : {"cut.png", "crc.png"}) {
    QProcess child;
    child.start(QStringLiteral(CIRCUIT_WALLS), {QString::fromStdString(Path(name))});
    ASSERT_TRUE(child.waitForFinished(60000));
    const QString printed = QString::fromLocal8Bit(child.readAllStandardError());
    const QString message = QStringLiteral("Cannot read the circuit picture \"%1\": not a readable image (libpng error: ")
                                .arg(QString::fromStdString(Path(name)));
    EXPECT_TRUE(printed.startsWith(message) && printed.endsWith(QStringLiteral(").\n")) &&
                printed.count(QLatin1Char('\n')) == 1)
        << printed.toStdString();
  }
}

TEST_F(QtPictureTest, UnwritablePathsAreReportedWithTheirName) {
  const std::string in_missing_folder = Path("no/such/folder/frame.bmp");
  try {
    SavePicture(Sample(), in_missing_folder);
    ADD_FAILURE() << "no error";
  } catch (const Error& e) {
    EXPECT_NE(std::string(e.what()).find("\"" + in_missing_folder + "\""), std::string::npos)
        << e.what();
  }
  EXPECT_THROW(SavePicture(Sample(), dir_.path().toStdString()), Error);
  EXPECT_THROW(SavePicture(QImage(), Path("nothing.bmp")), Error);
  EXPECT_FALSE(QFile::exists(dir_.filePath("nothing.bmp")));
}

}  // namespace
}  // namespace vorlanth
