// Seeded fuzzing of circuit files: BMPs of every kind, mutated in their header
// fields, their bytes and their length, are loaded by two processes whose fresh
// memory is filled differently. Every file one of them accepts must give the
// other exactly the same pixels: no pixel may come from memory the decoder did
// not write.

#include <gtest/gtest.h>

#include <QByteArray>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <cstdlib>
#include <random>
#include <vector>

#include "tests/render/bmp_files.h"

namespace vorlanth {
namespace {

using testing::IndexedRows;
using testing::Rle8;
using testing::TBmpFile;

TBmpFile Sized(int32_t width, int32_t height, uint16_t bits) {
  TBmpFile bmp;
  bmp.Width = width;
  bmp.Height = height;
  bmp.Bits = bits;
  return bmp;
}

std::vector<QByteArray> Seeds() {
  std::vector<std::vector<uint8_t>> rows(7, std::vector<uint8_t>(13));
  for (size_t y = 0; y < rows.size(); ++y)
    for (size_t x = 0; x < rows[y].size(); ++x) rows[y][x] = static_cast<uint8_t>((x / 3 + y) % 4);
  const std::vector<QRgb> palette = {qRgb(0, 0, 0), qRgb(255, 255, 255), qRgb(9, 0, 0),
                                     qRgb(40, 50, 60)};
  std::vector<QByteArray> seeds;
  for (const uint16_t bits : {1, 4, 8}) {
    TBmpFile bmp = Sized(13, 7, bits);
    bmp.ColorsUsed = 4;
    bmp.Palette = palette;
    auto indices = rows;
    if (bits == 1) {
      bmp.ColorsUsed = 2;
      bmp.Palette.resize(2);
      for (auto& row : indices)
        for (auto& index : row) index &= 1;
    }
    bmp.Pixels = IndexedRows(indices, bits);
    seeds.push_back(bmp.Bytes());
    if (bits == 8) {
      bmp.Compression = 1;
      bmp.Pixels = Rle8(rows);
      seeds.push_back(bmp.Bytes());
      bmp.HeaderSize = 12;  // and an OS/2 one, uncompressed
      bmp.Compression = 0;
      bmp.Palette.resize(256, qRgb(7, 7, 7));
      bmp.Pixels = IndexedRows(rows, bits);
      seeds.push_back(bmp.Bytes());
    }
  }
  TBmpFile rle4 = Sized(4, 2, 4);
  rle4.Compression = 2;
  rle4.ColorsUsed = 4;
  rle4.Palette = palette;
  rle4.Pixels = QByteArray::fromHex("0412" "0000" "0004" "3210" "0001");
  seeds.push_back(rle4.Bytes());
  TBmpFile masked = Sized(9, -5, 16);
  masked.Compression = 3;
  masked.Masks = {0xF800, 0x07E0, 0x001F};
  TBmpFile v5 = Sized(9, 5, 32);
  v5.HeaderSize = 124;
  TBmpFile plain = Sized(11, 6, 24);
  for (TBmpFile* bmp : {&masked, &v5, &plain}) {
    const int rowBytes = (bmp->Width * bmp->Bits + 31) / 32 * 4;
    for (int i = 0; i < rowBytes * std::abs(bmp->Height); ++i)
      bmp->Pixels.append(static_cast<char>(i % 5 == 0 ? 0 : i * 37));
    seeds.push_back(bmp->Bytes());
  }
  return seeds;
}

// One mutation: header fields set to telling values, random bytes, a cut or an
// extension, an RLE code spliced in.
QByteArray Mutate(QByteArray data, std::mt19937& random) {
  auto pick = [&](uint32_t n) { return static_cast<uint32_t>(random() % n); };
  const int rounds = 1 + static_cast<int>(pick(3));
  for (int r = 0; r < rounds; ++r) {
    switch (pick(5)) {
      case 0: {  // a header field (offset, sizes, depth, compression, colours)
        static const uint32_t fields[] = {2, 10, 14, 18, 22, 28, 30, 34, 46};
        static const uint32_t values[] = {0, 1, 2, 3, 4, 6, 8, 12, 15, 16, 17, 24, 32, 40,
                                          52, 54, 56, 64, 108, 124, 256, 0xFFFF, 0x7FFFFFFF,
                                          0xFFFFFFFF};
        const uint32_t at = fields[pick(9)];
        const uint32_t value = values[pick(24)];
        const int width = at == 28 ? 2 : 4;
        for (int i = 0; i < width && at + i < static_cast<uint32_t>(data.size()); ++i)
          data[at + i] = static_cast<char>((value >> (8 * i)) & 0xFF);
        break;
      }
      case 1:
        for (uint32_t i = pick(4) + 1; i > 0; --i)
          data[pick(static_cast<uint32_t>(data.size()))] = static_cast<char>(pick(256));
        break;
      case 2:
        data.truncate(pick(static_cast<uint32_t>(data.size())) + 1);
        break;
      case 3:
        data.append(QByteArray(static_cast<qsizetype>(pick(64)), static_cast<char>(pick(256))));
        break;
      default: {  // an RLE escape: end of line, end of bitmap, delta
        const uint32_t at = pick(static_cast<uint32_t>(data.size()));
        const QByteArray codes[] = {QByteArray::fromHex("0000"), QByteArray::fromHex("0001"),
                                    QByteArray::fromHex("00020101")};
        data.insert(at, codes[pick(3)]);
      }
    }
  }
  return data;
}

QStringList LoadInChild(const QStringList& files, int fill) {
  QProcess child;
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  env.insert(QStringLiteral("MALLOC_PERTURB_"), QString::number(fill));
  QString asan = env.value(QStringLiteral("ASAN_OPTIONS"));
  if (!asan.isEmpty()) asan += QLatin1Char(':');
  env.insert(QStringLiteral("ASAN_OPTIONS"),
             asan + QStringLiteral("malloc_fill_byte=%1:max_malloc_fill_size=268435456").arg(fill));
  child.setProcessEnvironment(env);
  child.start(QStringLiteral(CIRCUIT_WALLS), files);
  EXPECT_TRUE(child.waitForFinished(120000));
  EXPECT_EQ(child.exitStatus(), QProcess::NormalExit);
  EXPECT_EQ(child.exitCode(), 0) << child.readAllStandardError().toStdString();
  return QString::fromUtf8(child.readAllStandardOutput()).split(QLatin1Char('\n'),
                                                                Qt::SkipEmptyParts);
}

TEST(CircuitFuzz, AcceptedFilesLoadToTheSamePixelsWhateverMemoryHeld) {
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  std::mt19937 random(16);
  QStringList files;
  const std::vector<QByteArray> seeds = Seeds();
  constexpr int kPerSeed = 250;
  for (size_t s = 0; s < seeds.size(); ++s) {
    for (int i = 0; i < kPerSeed; ++i) {
      const QString name = dir.filePath(QStringLiteral("f%1-%2.bmp").arg(s).arg(i));
      QFile file(name);
      ASSERT_TRUE(file.open(QIODevice::WriteOnly));
      file.write(i == 0 ? seeds[s] : Mutate(seeds[s], random));
      files << name;
    }
  }
  const QStringList first = LoadInChild(files, 0x55);
  const QStringList second = LoadInChild(files, 0xAA);
  ASSERT_EQ(first.size(), files.size());
  ASSERT_EQ(second.size(), files.size());
  int accepted = 0;
  for (qsizetype i = 0; i < files.size(); ++i) {
    EXPECT_EQ(first[i], second[i]);
    accepted += first[i].endsWith(QStringLiteral("refused")) ? 0 : 1;
  }
  // Every seed loads, and mutations are both accepted and refused.
  for (size_t s = 0; s < seeds.size(); ++s)
    EXPECT_FALSE(first[static_cast<qsizetype>(s) * kPerSeed].endsWith(QStringLiteral("refused")))
        << first[static_cast<qsizetype>(s) * kPerSeed].toStdString();
  EXPECT_GT(accepted, files.size() / 10);
  EXPECT_LT(accepted, files.size() * 9 / 10);
}

}  // namespace
}  // namespace vorlanth
