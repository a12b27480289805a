// The runner's arguments, its usage text, and the summary, statistics and frames of a run.

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
#include <utility>

#include "core/lane_width.h"
#include "tools/run_sim.h"
#include "tools/run_summary.h"

namespace vorlanth {
namespace {

TEST(Simulator, BadArgumentsExitWithCodeTwoAndAMessage) {
  const std::vector<std::vector<std::string>> bad = {
      {"--scene", "moon"}, {"--cycles", "ten"}, {"--cycles"}, {"--min-futures", "0"},
      {"--horizon", "21"}, {"--goal", "fly"},   {"--wat"},    {"--seed", "-3"},
      {"--futures", "0"},  {"--futures", "5", "--min-futures", "5"},
      {"--cycles", " 5"},  {"--cycles", "+5"},  {"--cycles", "5 "}, {"--cycles="},
      {"--circuit", ""},   {"--frames", ""},    {"--stats", ""},    {"stray"},
      {"--goal", "follow-mouse"}, {"--goal", "avoid-mouse"}, {"--mouse", "5"},
      {"--mouse", "5,"},   {"--mouse", "-1,5"}, {"--mouse", "5,6,7"},
      {"--threads", "0"},  {"--threads", "257"}, {"--threads", "-1"}, {"--threads", "two"},
      // An option once only (but --goal), a file name that is not an option, no
      // output over another output or over the circuit.
      {"--threads", "300", "--threads", "1"}, {"--threads", "1", "--threads", "1"},
      {"--evolution", "--evolution"}, {"--stats", "--cycles", "3"}, {"--frames", "-x"},
      {"--frames", "fr", "--stats", "fr_00001.bmp"}, {"--frames", "d/fr", "--stats", "./d/fr_123456.bmp"},
      {"--circuit", "c.bmp", "--stats", "./c.bmp"}, {"--circuit", "f_00002.bmp", "--frames", "f"},
      // Films: a file name once, a rate from 1 to 120 and only with a film, no film over
      // another output, the circuit or the scene read, and something to film.
      {"--video", ""}, {"--video", "-v.mp4"}, {"--video", "a.mp4", "--video", "b.mp4"},
      {"--video", "a.mp4", "--video-fps", "0"}, {"--video", "a.mp4", "--video-fps", "121"},
      {"--video", "a.mp4", "--video-fps", "ten"}, {"--video-fps", "10"},
      {"--video", "s.csv", "--stats", "./s.csv"}, {"--video", "f_00001.bmp", "--frames", "f"},
      {"--video", "c.bmp", "--circuit", "c.bmp"}, {"--video", "w.vorlanth.json", "--scene", "w.vorlanth.json"},
      {"--video", "a.mp4", "--cycles", "0"}};
  for (const auto& args : bad) {
    const TRun run = RunSim(args);
    EXPECT_EQ(run.Code, 2) << args[0];
    EXPECT_NE(run.Err.find("vorlanth-sim: "), std::string::npos) << args[0];
    EXPECT_NE(run.Err.find("usage:"), std::string::npos);
    EXPECT_TRUE(run.Out.empty());
  }
}

TEST(Simulator, UsageShowsEveryOptionWithItsDefaultAndTheVersion) {
  TRun run = RunSim({"--help"});
  EXPECT_EQ(run.Code, 0);
  for (const char* text : {"--cycles N", "(default: 100)", "--futures N", "--mouse X,Y",
                           "--stats FILE", "--version", "(default: the built-in circuit)", "--video FILE",
                           "--video-fps N"})
    EXPECT_NE(run.Out.find(text), std::string::npos) << text;
  run = RunSim({"--version"});
  EXPECT_EQ(run.Code, 0);
  EXPECT_EQ(run.Out.rfind("vorlanth-sim ", 0), 0u) << run.Out;
}

// The track runs on the threads asked for, by default on all the machine's, and
// each runs the passes side by side asked for, by default one.
// (Not named with "Threads": that names the threaded tests the TSan build runs.)
TEST(Simulator, ThreadCountFromOneTo256ReachesTheTrack) {
  for (const char* threads : {"1", "256"}) {
    const TRun run = RunSim({"--threads", threads, "--cycles", "0"});
    ASSERT_EQ(run.Code, 0) << run.Err;
    EXPECT_EQ(Summary(run.Out).value("threads").toInt(), std::stoi(threads));
  }
  for (const auto& [lanes, code] : {std::pair{"16", 0}, {"0", 2}, {"17", 2}}) {
    const TRun run = RunSim({"--lanes", lanes, "--cycles", "0"});
    ASSERT_EQ(run.Code, code) << run.Err;
    if (code == 0) {
      EXPECT_EQ(Summary(run.Out).value("lanes").toInt(), 16);
      // Sixteen passes side by side: the default kernels, 4 lanes wide where the machine has AVX2.
      EXPECT_EQ(Summary(run.Out).value("vector_lanes").toInt(), DefaultVectorLanes());
    } else {
      EXPECT_NE(run.Err.find("--lanes: expected an integer from 1 to 16"), std::string::npos) << run.Err;
    }
  }
  // The kernels chosen, never wider than the processor's; a run leaves its choice to none after it.
  for (const auto& [width, code] : {std::pair{"1", 0}, {"4", 0}, {"8", 0}, {"2", 2}, {"16", 2}, {"", 2}}) {
    const TRun run = RunSim({"--lanes", "16", "--vector-width", width, "--cycles", "0"});
    ASSERT_EQ(run.Code, code) << width << ": " << run.Err;
    if (code == 0) {
      EXPECT_EQ(Summary(run.Out).value("vector_lanes").toInt(), std::min(std::stoi(width), WidestVectorLanes()));
      const TRun next = RunSim({"--lanes", "16", "--cycles", "0"});
      EXPECT_EQ(Summary(next.Out).value("vector_lanes").toInt(), DefaultVectorLanes()) << "after " << width;
    } else {
      EXPECT_NE(run.Err.find("--vector-width: expected 1, 4 or 8"), std::string::npos) << run.Err;
    }
  }
  const TRun run = RunSim({"--cycles", "0"});
  ASSERT_EQ(run.Code, 0) << run.Err;
  EXPECT_EQ(Summary(run.Out).value("lanes").toInt(), 1);
  EXPECT_EQ(Summary(run.Out).value("vector_lanes").toInt(), 1);
  const int machine = static_cast<int>(std::thread::hardware_concurrency());
  EXPECT_EQ(Summary(run.Out).value("threads").toInt(), std::clamp(machine, 1, 256));
}

TEST(Simulator, BadInputExitsWithCodeTwoAndWritesNothing) {
  QTemporaryDir dir;
  const std::string root = dir.path().toStdString();
  std::ofstream(root + "/junk.bmp") << "not a picture";
  const std::string stats = root + "/stats.csv";

  TRun run = RunSim({"--circuit", root + "/junk.bmp", "--stats", stats, "--cycles", "1"});
  EXPECT_EQ(run.Code, 2);
  EXPECT_NE(run.Err.find("junk.bmp"), std::string::npos);

  run = RunSim({"--frames", root + "/missing/folder/f", "--stats", stats, "--cycles", "1"});
  EXPECT_EQ(run.Code, 2);
  EXPECT_NE(run.Err.find("Cannot write frames"), std::string::npos);
  EXPECT_FALSE(QFile::exists(QString::fromStdString(stats)));
  EXPECT_FALSE(QFile::exists(QString::fromStdString(stats + ".part")));
}

TEST(Simulator, ARunPrintsItsSummaryStatisticsAndFrames) {
  QTemporaryDir dir;
  const std::string root = dir.path().toStdString();
  const TRun run = RunSim({"--scene", "asteroids", "--cycles", "3", "--seed", "4", "--min-futures",
                        "5", "--horizon", "1", "--goal", "avoid", "--stats", root + "/s.csv",
                        "--frames", root + "/run"});
  ASSERT_EQ(run.Code, 0) << run.Err;
  const QJsonObject json = Summary(run.Out);
  EXPECT_EQ(json.value("cycles").toInt(), 3);
  EXPECT_EQ(json.value("players").toInt(), 6);
  for (const char* key : {"alive", "futures_per_cycle", "distinct_futures_per_cycle", "cycle_ms",
                          "substeps_per_second", "drop_energy"})
    EXPECT_TRUE(json.value(key).isDouble()) << key;

  std::ifstream stats(root + "/s.csv");
  std::string line;
  int rows = 0;
  std::getline(stats, line);
  EXPECT_EQ(line.rfind("cycle,player,kind,x,y,angle,health,energy,futures", 0), 0u);
  while (std::getline(stats, line)) ++rows;
  EXPECT_EQ(rows, 3 * 6);
  for (const char* frame : {"/run_00001.bmp", "/run_00002.bmp", "/run_00003.bmp"})
    EXPECT_TRUE(QFile::exists(QString::fromStdString(root + frame))) << frame;
}


// The runner's fixed cursor reaches the mouse goals: the cross-hair is drawn at
// it, and following or avoiding it steer differently.
TEST(Simulator, MouseGoalsFollowTheFixedCursor) {
  QTemporaryDir dir;
  const std::string root = dir.path().toStdString();
  const std::vector<std::string> args = {"--cycles", "6", "--futures", "8", "--seed", "5",
                                         "--horizon", "2", "--mouse", "600,120"};
  std::vector<std::string> follow = args, avoid = args;
  follow.insert(follow.end(), {"--goal", "follow-mouse", "--stats", root + "/follow.csv",
                               "--frames", root + "/f"});
  avoid.insert(avoid.end(), {"--goal", "avoid-mouse", "--stats", root + "/avoid.csv"});
  const TRun run = RunSim(follow);
  ASSERT_EQ(run.Code, 0) << run.Err;
  ASSERT_EQ(RunSim(avoid).Code, 0);
  EXPECT_NE(ReadFile(root + "/follow.csv"), ReadFile(root + "/avoid.csv"));
  const QImage frame(QString::fromStdString(root + "/f_00006.bmp"));
  ASSERT_FALSE(frame.isNull());
  EXPECT_EQ(frame.pixel(600, 112), qRgb(0, 0, 255));  // the cross-hair's vertical line
  EXPECT_EQ(frame.pixel(592, 120), qRgb(0, 0, 255));
}

}  // namespace
}  // namespace vorlanth
