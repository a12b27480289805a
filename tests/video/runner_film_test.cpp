#include <gtest/gtest.h>

#include <QDir>
#include <QImage>
#include <QTemporaryDir>

#include <sstream>

#include "tools/simulator.h"
#include "video/film_reader.h"

namespace vorlanth {
namespace {

int RunSim(const std::vector<std::string>& args, std::string* err = nullptr) {
  std::ostringstream out, errors;
  const int code = RunSimulator(args, out, errors, false);
  if (err) *err = errors.str();
  return code;
}

// Reads the film and checks every frame against the BMP the runner wrote for its cycle.
test::TFilm ReadAndCompare(const std::string& film, const std::string& prefix) {
  test::TFilm read = test::ReadFilm(film);
  for (size_t i = 0; i < read.Frames.size(); ++i) {
    char name[32];
    std::snprintf(name, sizeof name, "_%05zu.bmp", i + 1);
    const QImage bmp = QImage(QString::fromStdString(prefix + name)).convertToFormat(QImage::Format_RGB888);
    EXPECT_GE(test::Psnr(read.Frames[i].data(), read.Width * 3, bmp.constBits(), bmp.bytesPerLine(), bmp.width(),
                         bmp.height()),
              35)
        << "cycle " << i + 1;
  }
  return read;
}

TEST(RunnerFilm, EveryCycleIsAFrameOfTheFilmAsTheFramesDrawIt) {
  QTemporaryDir dir;
  const std::string root = dir.path().toStdString();
  std::string err;
  ASSERT_EQ(RunSim({"--scene", "asteroids", "--cycles", "30", "--seed", "1", "--futures", "3", "--horizon", "2",
                    "--frames", root + "/f", "--video", root + "/run.mp4"}, &err), 0) << err;
  const test::TFilm film = ReadAndCompare(root + "/run.mp4", root + "/f");
  EXPECT_EQ(film.Codec, "h264");
  EXPECT_EQ(film.Frames.size(), 30u);
  EXPECT_EQ(film.Width * 1000 + film.Height, 800'600);
  EXPECT_DOUBLE_EQ(film.Fps, 10);
  EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden).size(), 31);  // no temporary file left
}

// A circuit of odd size is filmed one pixel larger, not refused; the rate is the one asked for.
TEST(RunnerFilm, AnOddCircuitIsPaddedToEvenSize) {
  QTemporaryDir dir;
  const std::string root = dir.path().toStdString();
  QImage circuit(801, 601, QImage::Format_RGB32);
  circuit.fill(Qt::white);
  ASSERT_TRUE(circuit.save(dir.filePath("odd.bmp"), "BMP"));
  ASSERT_EQ(RunSim({"--circuit", root + "/odd.bmp", "--cycles", "3", "--seed", "3", "--futures", "2", "--frames",
                    root + "/f", "--video", root + "/odd.webm", "--video-fps", "25"}), 0);
  const test::TFilm film = ReadAndCompare(root + "/odd.webm", root + "/f");
  EXPECT_EQ(film.Codec, "vp9");
  EXPECT_EQ(film.Width * 1000 + film.Height, 802'602);
  EXPECT_EQ(film.Frames.size(), 3u);
  EXPECT_DOUBLE_EQ(film.Fps, 25);
}

// A film that cannot be created stops the run before it starts, with the system's
// reason, and leaves nothing; a run stopped by another failure keeps the film of
// the cycles that ran, as it keeps their statistics.
TEST(RunnerFilm, FailuresSayWhyAndLeaveNoFilmThatLooksComplete) {
  QTemporaryDir dir;
  const std::string root = dir.path().toStdString();
  std::string err;
  EXPECT_EQ(RunSim({"--cycles", "2", "--video", root + "/missing/run.mp4", "--stats", root + "/s.csv"}, &err), 2);
  EXPECT_NE(err.find("vorlanth-sim: Cannot write the film \"" + root +
                     "/missing/run.mp4\": the file cannot be created (No such file or directory)."),
            std::string::npos) << err;
  EXPECT_TRUE(QDir(dir.path()).isEmpty(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden));

  ASSERT_TRUE(QDir(dir.path()).mkdir("f_00003.bmp"));  // the third frame cannot be written
  EXPECT_EQ(RunSim({"--cycles", "6", "--futures", "1", "--frames", root + "/f", "--video", root + "/kept.mp4"}), 2);
  EXPECT_EQ(test::ReadFilm(root + "/kept.mp4").Frames.size(), 3u);
}

}  // namespace
}  // namespace vorlanth
