// A run's outputs: a failed run or frame leaves the user's files as they were, no
// output writes through a link, and file names keep their bytes.

#include <dirent.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QImage>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <cstdint>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <thread>

#include "tools/run_sim.h"
#include "tools/run_summary.h"

namespace vorlanth {
namespace {

// A run that fails after its statistics were begun: the statistics of the cycle
// that ran replace the user's file of that name, the other files and a symlink
// planted beside them are left as they were, and nothing new remains.
TEST(Simulator, AFailedRunLeavesTheUsersFilesAsTheyWere) {
  QTemporaryDir dir;
  const std::string root = dir.path().toStdString();
  std::ofstream(root + "/s.csv") << "the user's own";
  std::ofstream(root + "/s.csv.part") << "the user's draft";
  std::ofstream(root + "/victim") << "untouched";
  ASSERT_TRUE(QFile::link(QString::fromStdString(root + "/victim"),
                          QString::fromStdString(root + "/planted")));
  ASSERT_TRUE(QDir(dir.path()).mkdir("run_00001.bmp"));  // the first frame cannot be written

  const TRun run = RunSim({"--cycles", "2", "--futures", "1", "--seed", "1", "--stats",
                           root + "/s.csv", "--frames", root + "/run"});
  EXPECT_EQ(run.Code, 2);
  EXPECT_NE(run.Err.find("run_00001.bmp"), std::string::npos) << run.Err;
  EXPECT_EQ(ReadFile(root + "/s.csv").rfind("cycle,player,", 0), 0u);
  EXPECT_EQ(ReadFile(root + "/s.csv.part"), "the user's draft");
  EXPECT_EQ(ReadFile(root + "/victim"), "untouched");
  EXPECT_EQ(QDir(dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::System).size(),
            5);

  // A statistics file that cannot be created says why.
  const TRun missing = RunSim({"--cycles", "1", "--futures", "1", "--stats", root + "/no/s.csv"});
  EXPECT_EQ(missing.Code, 2);
  EXPECT_NE(missing.Err.find("No such file or directory"), std::string::npos) << missing.Err;
}

// A frame that cannot be written stops the run, but the statistics of the cycles
// that ran are kept, as a run of that many cycles writes them, and the summary
// says why the run stopped.
TEST(Simulator, AFailedFrameKeepsTheStatisticsOfTheCyclesThatRan) {
  QTemporaryDir dir;
  const std::string root = dir.path().toStdString();
  ASSERT_TRUE(QDir(dir.path()).mkdir("fr_00003.bmp"));
  const std::vector<std::string> args = {"--futures", "2", "--seed", "3", "--scene", "asteroids"};
  std::vector<std::string> stopped = args, whole = args;
  stopped.insert(stopped.end(), {"--cycles", "6", "--stats", root + "/stopped.csv", "--frames", root + "/fr"});
  whole.insert(whole.end(), {"--cycles", "3", "--stats", root + "/whole.csv", "--frames", root + "/ok"});

  const TRun run = RunSim(stopped);
  EXPECT_EQ(run.Code, 2);
  EXPECT_NE(run.Err.find("vorlanth-sim: Cannot write the picture \"" + root + "/fr_00003.bmp\""),
            std::string::npos) << run.Err;
  const QJsonObject json = Summary(run.Out);
  EXPECT_TRUE(json.value("stopped_early").toBool());
  EXPECT_NE(json.value("error").toString().toStdString().find("fr_00003.bmp"), std::string::npos);
  EXPECT_EQ(json.value("cycles").toInt(), 3);
  ASSERT_EQ(RunSim(whole).Code, 0);
  EXPECT_EQ(ReadFile(root + "/stopped.csv"), ReadFile(root + "/whole.csv"));
  EXPECT_FALSE(Summary(RunSim(whole).Out).value("stopped_early").toBool(true));
}

// No output writes through a symbolic link at its name, even a dangling one: the
// run refuses it and says why.
TEST(Simulator, OutputsNeverWriteThroughALink) {
  QTemporaryDir dir;
  const std::string root = dir.path().toStdString();
  std::ofstream(root + "/victim") << "untouched";
  ASSERT_TRUE(QFile::link(dir.filePath("victim"), dir.filePath("s.csv")));
  ASSERT_TRUE(QFile::link(dir.filePath("nowhere"), dir.filePath("f_00001.bmp")));
  const std::vector<std::string> args = {"--cycles", "1", "--futures", "1"};
  std::vector<std::string> stats = args, frames = args;
  stats.insert(stats.end(), {"--stats", root + "/s.csv"});
  frames.insert(frames.end(), {"--frames", root + "/f"});
  for (const auto& output : {stats, frames}) {
    const TRun run = RunSim(output);
    EXPECT_EQ(run.Code, 2);
    EXPECT_NE(run.Err.find("is a symbolic link"), std::string::npos) << run.Err;
  }
  EXPECT_EQ(ReadFile(root + "/victim"), "untouched");
  EXPECT_FALSE(QFile::exists(dir.filePath("nowhere")));
}

// File names are the bytes given: a circuit whose name is not UTF-8 is read, and an
// output whose name Qt would spell otherwise is refused, never written elsewhere.
TEST(Simulator, FileNamesKeepTheirBytes) {
  QTemporaryDir dir;
  const std::string root = QFile::encodeName(dir.path()).toStdString();
  QImage circuit(200, 150, QImage::Format_RGB32);
  circuit.fill(Qt::white);
  ASSERT_TRUE(circuit.save(dir.filePath("c.bmp"), "BMP"));
  const std::string latin1 = root + "/lat\xe9.bmp";
  ASSERT_EQ(std::rename((root + "/c.bmp").c_str(), latin1.c_str()), 0);

  const TRun run = RunSim({"--cycles", "1", "--futures", "1", "--circuit", latin1});
  EXPECT_EQ(run.Code, 0) << run.Err;
  for (const auto& output : {std::vector<std::string>{"--stats", root + "/st\xe9.csv"},
                             std::vector<std::string>{"--frames", root + "/fr\xe9"}}) {
    const TRun refused = RunSim({"--cycles", "1", "--futures", "1", output[0], output[1]});
    EXPECT_EQ(refused.Code, 2);
    EXPECT_NE(refused.Err.find("not valid UTF-8"), std::string::npos) << refused.Err;
  }
  // Listed by their bytes: Qt would not list the circuit.
  std::vector<std::string> entries;
  if (DIR* folder = ::opendir(root.c_str())) {
    while (const dirent* entry = ::readdir(folder))
      if (entry->d_name != std::string(".") && entry->d_name != std::string("..")) entries.push_back(entry->d_name);
    ::closedir(folder);
  }
  EXPECT_EQ(entries, std::vector<std::string>{"lat\xe9.bmp"});
  ::unlink(latin1.c_str());  // which QTemporaryDir could not remove
}

}  // namespace
}  // namespace vorlanth
