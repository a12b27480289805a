#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <fstream>
#include <sstream>
#include <string>

#include "tools/simulator.h"

namespace vorlanth {
namespace {

struct TRun {
  int Code;
  std::string Out, Err;
};

TRun RunSim(std::vector<std::string> args) {
  std::ostringstream out, err;
  const int code = RunSimulator(args, out, err, false);
  return {code, out.str(), err.str()};
}

std::string LastLine(const std::string& text) {
  std::string line, last;
  std::istringstream in(text);
  while (std::getline(in, line))
    if (!line.empty()) last = line;
  return last;
}

TEST(Simulator, BadArgumentsExitWithCodeTwoAndAMessage) {
  const std::vector<std::vector<std::string>> bad = {
      {"--scene", "moon"}, {"--cycles", "ten"}, {"--cycles"}, {"--min-futures", "0"},
      {"--horizon", "21"}, {"--goal", "fly"},   {"--wat"},    {"--seed", "-3"}};
  for (const auto& args : bad) {
    const TRun run = RunSim(args);
    EXPECT_EQ(run.Code, 2) << args[0];
    EXPECT_NE(run.Err.find("vorlanth-sim: "), std::string::npos) << args[0];
    EXPECT_NE(run.Err.find("usage:"), std::string::npos);
    EXPECT_TRUE(run.Out.empty());
  }
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
  const std::string json = LastLine(run.Out);
  for (const char* key : {"\"cycles\": 3", "\"players\": 6", "\"alive\"", "\"futures_per_cycle\"",
                          "\"cycle_ms\"", "\"substeps_per_second\"", "\"drop_energy\""})
    EXPECT_NE(json.find(key), std::string::npos) << key << " in " << json;
  EXPECT_EQ(json.front(), '{');
  EXPECT_EQ(json.back(), '}');

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

}  // namespace
}  // namespace vorlanth
