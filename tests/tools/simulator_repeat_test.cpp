// Seeded runs repeat themselves: their fingerprints, their statistics, and a saved
// scene that continues as the run that never stopped.

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
#include <array>
#include <cstdio>
#include <cstdint>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "tools/run_sim.h"
#include "tools/run_summary.h"

namespace vorlanth {
namespace {

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
  EXPECT_EQ(Summary(run.Out).value("futures_per_cycle").toDouble(), 3) << run.Out;
  ASSERT_EQ(RunSim(second).Code, 0);
  EXPECT_EQ(ReadFile(root + "/a.csv"), ReadFile(root + "/b.csv"));
}

// One column per goal named at the start, each holding the player's value of that
// goal; a player without the goal leaves its cell empty.
TEST(Simulator, StatisticsHoldOneColumnPerGoal) {
  QTemporaryDir dir;
  const std::string root = dir.path().toStdString();
  const TRun run = RunSim({"--add-karts", "1", "--add-rockets", "1", "--goal", "burnout", "--cycles", "2",
                           "--seed", "6", "--futures", "2", "--horizon", "1", "--stats", root + "/s.csv"});
  ASSERT_EQ(run.Code, 0) << run.Err;
  std::ifstream stats(root + "/s.csv");
  auto cells = [](const std::string& line) {
    std::vector<std::string> out(1);
    for (char c : line) {
      if (c == ',') out.emplace_back(); else out.back() += c;
    }
    return out;
  };
  std::string line;
  std::getline(stats, line);
  const std::vector<std::string> header = cells(line);
  const std::vector<std::string> goals(header.begin() + 12, header.end());
  EXPECT_EQ(goals, (std::vector<std::string>{"goal:Health", "goal:Energy", "goal:Speeding", "goal:Get drops",
                                              "goal:Stole energy from others"}));
  int rows = 0;
  while (std::getline(stats, line)) {
    const std::vector<std::string> row = cells(line);
    ASSERT_EQ(row.size(), header.size()) << line;
    // The health goal measures health / 10.
    EXPECT_DOUBLE_EQ(std::stod(row[12]), std::stod(row[6]) / 10) << line;
    // Only the rocket that was selected (the last one added) steals energy.
    EXPECT_EQ(row[16].empty(), row[1] != "3") << line;
    ++rows;
  }
  EXPECT_EQ(rows, 2 * 3);
}

// Golden digests: every build (Release and the sanitizers') on every x86-64 machine
// gives these, since the model's arithmetic is IEEE's and its elementary functions
// its own.
TEST(Simulator, SeededRunsKeepTheirFingerprints) {
  QTemporaryDir dir;
  const std::string root = dir.path().toStdString();
  const std::vector<TFingerprint> runs = {
      {"circle", {"--scene", "circle", "--futures", "6", "--cycles", "12", "--seed", "1"}, 9715799419818411393ull},
      {"start", {"--scene", "start", "--horizon", "20", "--futures", "20", "--cycles", "12",
                 "--seed", "2"}, 15762941240641031749ull},
      {"asteroids", {"--scene", "asteroids", "--add-karts", "3", "--add-rockets", "2", "--goal",
                     "avoid", "--goal", "storage", "--futures", "6", "--cycles", "12", "--seed",
                     "3"}, 3429686457224648874ull},
      {"evolution", {"--add-karts", "3", "--add-rockets", "1", "--evolution", "--goal", "drops", "--goal",
                     "burnout", "--futures", "6", "--cycles", "12", "--seed", "4"}, 13422200334012818137ull},
      {"mouse", {"--scene", "asteroids", "--add-karts", "2", "--goal", "follow-mouse", "--mouse", "400,300",
                 "--futures", "6", "--cycles", "12", "--seed", "5"}, 768852322138765535ull},
  };
  // The same on any number of threads and of lanes, with the vector kernels of
  // either width or without them (as on a processor without AVX2); so is the
  // drawing of the futures (the feelings), frame for frame.
  uint64_t lastFrame = 0;
  for (const auto& [threads, lanes, width] : std::vector<std::array<std::string, 3>>{
           {"1", "1", "8"}, {"2", "1", "8"}, {"8", "1", "8"}, {"1", "4", "8"}, {"3", "8", "8"}, {"2", "8", "4"},
           {"2", "8", "1"}}) {
    const std::string config = threads + " threads, " + lanes + " lanes, kernels up to " + width;
    for (const TFingerprint& fp : runs) {
      std::vector<std::string> args = fp.Args;
      const std::string name = fp.Name + threads + "-" + lanes + "-" + width;
      const std::string stats = root + "/" + name + ".csv";
      const std::string frames = root + "/" + name;
      args.insert(args.end(), {"--stats", stats, "--threads", threads, "--lanes", lanes, "--vector-width", width});
      if (std::string(fp.Name) == "asteroids") args.insert(args.end(), {"--frames", frames});
      const TRun run = RunSim(args);
      ASSERT_EQ(run.Code, 0) << fp.Name << ": " << run.Err;
      EXPECT_EQ(Digest(ReadFile(stats)), fp.Expected) << fp.Name << " on " << config;
      if (std::string(fp.Name) != "asteroids") continue;
      const uint64_t frame = Digest(ReadFile(frames + "_00012.bmp"));
      if (lastFrame != 0) {
        EXPECT_EQ(frame, lastFrame) << config;
      }
      lastFrame = frame;
    }
  }
}

// A seeded run at fixed futures: its behaviour repeats itself, each kind's
// figures add up to the overall ones, and every player ends as a survivor or a
// death of one cause.
TEST(Simulator, BehaviourAddsUpAndRepeatsItself) {
  const std::vector<std::string> args = {"--scene", "asteroids", "--add-karts", "3", "--add-rockets",
                                         "2", "--goal", "storage", "--futures", "4", "--cycles",
                                         "40", "--seed", "3", "--horizon", "3", "--name", "mixed"};
  const TRun run = RunSim(args);
  ASSERT_EQ(run.Code, 0) << run.Err;
  QJsonObject json = Summary(run.Out);
  EXPECT_EQ(json.value("name").toString(), "mixed");
  EXPECT_EQ(json.value("seed").toInt(), 3);
  auto ended = [](const QJsonObject& tally) {
    int n = tally.value("survivors").toInt();
    for (const QJsonValue death : tally.value("deaths").toObject()) n += death.toInt();
    return n;
  };
  EXPECT_EQ(ended(json), 11);
  int players = 0, collisions = 0;
  double drops = 0, distance = 0;
  for (const QJsonValue value : json.value("kinds").toObject()) {
    const QJsonObject kind = value.toObject();
    players += kind.value("players").toInt();
    EXPECT_EQ(ended(kind), kind.value("players").toInt());
    collisions += kind.value("collisions").toInt();
    drops += kind.value("drop_energy").toDouble();
    distance += kind.value("distance").toDouble() * kind.value("players").toInt();
  }
  EXPECT_EQ(players, json.value("players").toInt());
  EXPECT_EQ(collisions, 2 * json.value("collisions").toInt());
  EXPECT_NEAR(drops, json.value("drop_energy").toDouble(), 0.02);
  EXPECT_NEAR(distance, json.value("distance").toDouble() * players, 0.1);
  EXPECT_GT(distance, 0);

  // Timing aside, the same summary again.
  QJsonObject again = Summary(RunSim(args).Out);
  for (const char* timing : {"cycle_ms", "substeps_per_second"}) {
    json.remove(timing);
    again.remove(timing);
  }
  EXPECT_EQ(json, again);
}

// A run saved at cycle 4 and reopened writes, cycle for cycle, the statistics of
// the run that never stopped, on any number of threads; the flags that add
// players or goals act on top of the scene, and those it holds are refused.
TEST(Simulator, ASavedSceneContinuesExactlyAsTheRunThatNeverStopped) {
  QTemporaryDir dir;
  const std::string root = dir.path().toStdString();
  const std::vector<std::vector<std::string>> worlds = {
      {"--scene", "circle"},
      {"--scene", "asteroids", "--goal", "storage", "--goal", "avoid"},
      {"--add-karts", "3", "--add-rockets", "3", "--evolution"},
  };
  for (size_t w = 0; w < worlds.size(); ++w) {
    const auto run = [&](const std::string& name, std::vector<std::string> args) {
      args.insert(args.end(), {"--futures", "6", "--stats", root + "/" + name + ".csv"});
      const TRun result = RunSim(args);
      EXPECT_EQ(result.Code, 0) << result.Err;
      return ReadFile(root + "/" + name + ".csv");
    };
    std::vector<std::string> whole = worlds[w];
    whole.insert(whole.end(), {"--seed", "4", "--cycles", "8", "--horizon", "3"});
    std::vector<std::string> first = worlds[w];
    const std::string scene = root + "/w" + std::to_string(w) + ".vorlanth.json";
    first.insert(first.end(), {"--seed", "4", "--cycles", "4", "--horizon", "3", "--save-scene", scene});
    const std::string expected = run("whole", whole);
    run("first", first);
    // The rows of cycles 5 to 8, under the same header.
    std::istringstream lines(expected);
    std::string line, rest;
    std::getline(lines, line);
    rest = line + "\n";
    while (std::getline(lines, line))
      if (std::stoi(line.substr(0, line.find(','))) > 4) rest += line + "\n";
    for (const std::string threads : {"1", "3"})
      EXPECT_EQ(run("then", {"--scene", scene, "--cycles", "4", "--threads", threads}), rest)
          << "world " << w << " on " << threads << " threads";
  }
  const std::string scene = root + "/w0.vorlanth.json";
  const TRun added = RunSim({"--scene", scene, "--cycles", "1", "--futures", "2", "--add-karts", "2"});
  EXPECT_EQ(added.Code, 0) << added.Err;
  EXPECT_EQ(Summary(added.Out)["players"].toInt(), 18 + 2);  // the circle, and two more
  // --seed runs the scene's setup on a fresh stream of its own.
  const auto reseeded = [&](const char* seed) {
    const std::string stats = root + "/seeded" + seed + ".csv";
    EXPECT_EQ(RunSim({"--scene", scene, "--cycles", "3", "--futures", "4", "--seed", seed, "--stats", stats}).Code, 0);
    return ReadFile(stats);
  };
  EXPECT_EQ(reseeded("5"), reseeded("5"));
  EXPECT_NE(reseeded("5"), reseeded("6"));
  for (const char* flag : {"--min-futures", "--horizon"}) {
    const TRun refused = RunSim({"--scene", scene, flag, "3"});
    EXPECT_EQ(refused.Code, 2);
    EXPECT_NE(refused.Err.find("the scene holds its own"), std::string::npos) << refused.Err;
  }
}

}  // namespace
}  // namespace vorlanth
