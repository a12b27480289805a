#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <cstdint>
#include <fstream>
#include <iterator>
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
      {"--horizon", "21"}, {"--goal", "fly"},   {"--wat"},    {"--seed", "-3"},
      {"--futures", "0"},  {"--futures", "5", "--min-futures", "5"}};
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

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// FNV-1a, 64 bits: a stable digest of a statistics file.
uint64_t Digest(const std::string& text) {
  uint64_t h = 1469598103934665603ull;
  for (const unsigned char c : text) h = (h ^ c) * 1099511628211ull;
  return h;
}

// Seeded runs at a fixed number of futures: the statistics file is the fingerprint
// of the bench's behaviour. A change meant to keep behaviour keeps these digests;
// a change of the random stream or of the physics changes them, deliberately.
struct TFingerprint {
  const char* Name;
  std::vector<std::string> Args;
  uint64_t Expected;
};

TEST(Simulator, FixedFuturesRunsExactlyThatManyPassesAndRepeatsItself) {
  QTemporaryDir dir;
  const std::string root = dir.path().toStdString();
  const std::vector<std::string> args = {"--scene", "circle", "--cycles", "4", "--seed", "9",
                                         "--futures", "3"};
  std::vector<std::string> first = args, second = args;
  first.insert(first.end(), {"--stats", root + "/a.csv"});
  second.insert(second.end(), {"--stats", root + "/b.csv"});
  const TRun run = RunSim(first);
  ASSERT_EQ(run.Code, 0) << run.Err;
  EXPECT_NE(LastLine(run.Out).find("\"futures_per_cycle\": 3.00"), std::string::npos) << run.Out;
  ASSERT_EQ(RunSim(second).Code, 0);
  EXPECT_EQ(ReadFile(root + "/a.csv"), ReadFile(root + "/b.csv"));
}

TEST(Simulator, SeededRunsKeepTheirFingerprints) {
  QTemporaryDir dir;
  const std::string root = dir.path().toStdString();
  const std::vector<TFingerprint> runs = {
      {"circle", {"--scene", "circle", "--futures", "6", "--cycles", "12", "--seed", "1"}, 10510448264639096106ull},
      {"start", {"--scene", "start", "--horizon", "20", "--futures", "20", "--cycles", "12",
                 "--seed", "2"}, 14775960741892468250ull},
      {"asteroids", {"--scene", "asteroids", "--add-karts", "3", "--add-rockets", "2", "--goal",
                     "avoid", "--goal", "storage", "--futures", "6", "--cycles", "12", "--seed",
                     "3"}, 18119300408110501680ull},
  };
  for (const TFingerprint& fp : runs) {
    std::vector<std::string> args = fp.Args;
    const std::string stats = root + "/" + fp.Name + ".csv";
    args.insert(args.end(), {"--stats", stats});
    const TRun run = RunSim(args);
    ASSERT_EQ(run.Code, 0) << fp.Name << ": " << run.Err;
    EXPECT_EQ(Digest(ReadFile(stats)), fp.Expected) << fp.Name;
  }
}

}  // namespace
}  // namespace vorlanth
