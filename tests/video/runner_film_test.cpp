#include <dirent.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <QDir>
#include <QFileInfo>
#include <QImage>
#include <QTemporaryDir>

#include <cerrno>
#include <iostream>
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

// The bytes of the largest file in `folder` (named or not) that process `pid` holds
// open; -1 when it holds none there.
int64_t OpenFileBytes(pid_t pid, const std::string& folder) {
  const std::string fds = "/proc/" + std::to_string(pid) + "/fd";
  int64_t largest = -1;
  DIR* list = ::opendir(fds.c_str());
  if (list == nullptr) return largest;
  while (const dirent* entry = ::readdir(list)) {
    const std::string fd = fds + "/" + entry->d_name;
    char target[4096];
    const ssize_t size = ::readlink(fd.c_str(), target, sizeof target - 1);
    struct stat info {};
    // An unnamed file reads "FOLDER/#inode (deleted)"; stat follows the link to it.
    if (size > 0 && std::string(target, static_cast<size_t>(size)).rfind(folder + "/", 0) == 0 &&
        ::stat(fd.c_str(), &info) == 0)
      largest = std::max<int64_t>(largest, info.st_size);
  }
  ::closedir(list);
  return largest;
}

// A run killed (SIGKILL: nothing of it runs after) while its film holds bytes
// leaves nothing in the folder, under the film's name or any other.
TEST(RunnerFilm, AKilledRunLeavesNoFileBehind) {
  QTemporaryDir dir;
  const std::string root = QFileInfo(dir.path()).canonicalFilePath().toStdString();
  int bar[2];
  ASSERT_EQ(::pipe(bar), 0);
  const pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    // The runner, drawing its progress bar on the pipe after every cycle.
    ::close(bar[0]);
    ::dup2(bar[1], STDERR_FILENO);
    std::ostringstream out;
    RunSimulator({"--cycles", "3000", "--futures", "1", "--horizon", "1", "--seed", "1", "--video", root + "/k.mp4"},
                 out, std::cerr, true);
    ::_exit(0);
  }
  ::close(bar[1]);
  // After each cycle, look for the film among the runner's open files; kill it once
  // the film holds bytes.
  bool filming = false;
  char text[4096];
  for (ssize_t n = 0; !filming && ((n = ::read(bar[0], text, sizeof text)) > 0 || (n < 0 && errno == EINTR));)
    filming = OpenFileBytes(child, root) > 0;
  ::kill(child, SIGKILL);
  int status = 0;
  ASSERT_EQ(::waitpid(child, &status, 0), child);
  ::close(bar[0]);
  EXPECT_TRUE(filming) << "the run ended before its film held a byte";
  EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL);
  EXPECT_EQ(QDir(dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System)
                .join(' ').toStdString(),
            "");
}

}  // namespace
}  // namespace vorlanth
