#include <gtest/gtest.h>

#include <QDir>
#include <QImage>
#include <QTemporaryDir>

#include <cstdio>
#include <sstream>
#include <string>
#include <vector>

#include "tools/simulator.h"
#include "video/film_reader.h"

namespace vorlanth {
namespace {

using test::Psnr;
using test::ReadFilm;
using test::TFilm;

struct TRun {
  int Code;
  std::string Out, Err;
};

TRun RunSim(const std::vector<std::string>& args) {
  std::ostringstream out, err;
  const int code = RunSimulator(args, out, err, false);
  return {code, out.str(), err.str()};
}

std::string FrameFile(const std::string& prefix, int cycle) {
  char digits[16];
  std::snprintf(digits, sizeof digits, "_%05d.bmp", cycle);
  return prefix + digits;
}

// Every decoded frame against the BMP the runner wrote for the same cycle.
void ExpectFramesMatch(const TFilm& film, const std::string& prefix, double minimumPsnr) {
  for (size_t i = 0; i < film.Frames.size(); ++i) {
    const QImage bmp = QImage(QString::fromStdString(FrameFile(prefix, static_cast<int>(i) + 1)))
                           .convertToFormat(QImage::Format_RGB888);
    ASSERT_FALSE(bmp.isNull()) << i;
    EXPECT_GE(Psnr(film.Frames[i].data(), film.Width * 3, bmp.constBits(), bmp.bytesPerLine(), bmp.width(),
                   bmp.height()),
              minimumPsnr)
        << "cycle " << i + 1;
  }
}

// A 30-cycle run filmed beside its frames: one film frame per cycle, at the
// circuit's size, 10 a second, each the cycle's frame within 35 dB.
TEST(RunnerFilm, EveryCycleIsAFrameOfTheFilmAsTheFramesDrawIt) {
  QTemporaryDir dir;
  const std::string root = dir.path().toStdString();
  const TRun run = RunSim({"--scene", "asteroids", "--cycles", "30", "--seed", "1", "--futures", "3", "--horizon",
                           "2", "--frames", root + "/f", "--video", root + "/run.mp4"});
  ASSERT_EQ(run.Code, 0) << run.Err;
  const TFilm film = ReadFilm(root + "/run.mp4");
  ASSERT_EQ(film.Error, "");
  EXPECT_EQ(film.Codec, "h264");
  EXPECT_EQ(film.Frames.size(), 30u);
  EXPECT_EQ(film.Width, 800);
  EXPECT_EQ(film.Height, 600);
  EXPECT_DOUBLE_EQ(film.Fps, 10);
  ExpectFramesMatch(film, root + "/f", 35);
  EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden).size(), 31);  // no temporary file left
}

// Without --frames the run is drawn all the same; the rate is the one asked for.
TEST(RunnerFilm, AWebmFilmWithoutFramesAtItsOwnRate) {
  QTemporaryDir dir;
  const std::string path = dir.filePath("run.webm").toStdString();
  const TRun run = RunSim({"--cycles", "5", "--seed", "2", "--futures", "2", "--horizon", "1", "--video", path,
                           "--video-fps", "25"});
  ASSERT_EQ(run.Code, 0) << run.Err;
  const TFilm film = ReadFilm(path);
  EXPECT_EQ(film.Codec, "vp9");
  EXPECT_EQ(film.Frames.size(), 5u);
  EXPECT_DOUBLE_EQ(film.Fps, 25);
  EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"run.webm"});
}

// A circuit of odd size is filmed, one pixel larger, not refused.
TEST(RunnerFilm, AnOddCircuitIsPaddedToEvenSize) {
  QTemporaryDir dir;
  const std::string root = dir.path().toStdString();
  QImage circuit(801, 601, QImage::Format_RGB32);
  circuit.fill(Qt::white);
  for (int x = 0; x < 801; ++x) circuit.setPixel(x, 0, 0), circuit.setPixel(x, 600, 0);
  ASSERT_TRUE(circuit.save(dir.filePath("odd.bmp"), "BMP"));
  const TRun run = RunSim({"--circuit", root + "/odd.bmp", "--cycles", "3", "--seed", "3", "--futures", "2",
                           "--frames", root + "/f", "--video", root + "/odd.mp4"});
  ASSERT_EQ(run.Code, 0) << run.Err;
  const TFilm film = ReadFilm(root + "/odd.mp4");
  EXPECT_EQ(film.Width, 802);
  EXPECT_EQ(film.Height, 602);
  EXPECT_EQ(film.Frames.size(), 3u);
  ExpectFramesMatch(film, root + "/f", 35);
}

// A film that cannot be written stops the run before it starts with the system's
// reason and leaves nothing; a run stopped by another failure keeps the film of
// the cycles that ran, as it keeps their statistics.
TEST(RunnerFilm, FailuresSayWhyAndLeaveNoFilmThatLooksComplete) {
  QTemporaryDir dir;
  const std::string root = dir.path().toStdString();
  TRun run = RunSim({"--cycles", "2", "--futures", "1", "--video", root + "/missing/run.mp4", "--stats",
                     root + "/s.csv"});
  EXPECT_EQ(run.Code, 2);
  EXPECT_NE(run.Err.find("Cannot write the film \"" + root + "/missing/run.mp4\": the file cannot be created "
                         "(No such file or directory)."),
            std::string::npos)
      << run.Err;
  ASSERT_TRUE(QDir(dir.path()).mkdir("folder.mp4"));
  run = RunSim({"--cycles", "2", "--futures", "1", "--video", root + "/folder.mp4"});
  EXPECT_EQ(run.Code, 2);
  EXPECT_NE(run.Err.find("is a folder"), std::string::npos) << run.Err;
  EXPECT_EQ(QDir(dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden),
            QStringList{"folder.mp4"});

  ASSERT_TRUE(QDir(dir.path()).mkdir("f_00003.bmp"));  // the third frame cannot be written
  run = RunSim({"--cycles", "6", "--futures", "1", "--seed", "4", "--frames", root + "/f", "--video",
                root + "/kept.mp4"});
  EXPECT_EQ(run.Code, 2);
  EXPECT_NE(run.Err.find("f_00003.bmp"), std::string::npos) << run.Err;
  EXPECT_EQ(ReadFilm(root + "/kept.mp4").Frames.size(), 3u);
}

}  // namespace
}  // namespace vorlanth
