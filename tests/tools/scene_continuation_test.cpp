// Scenes saved from ordinary runs: over the league's scenarios (and the goals whose
// scores run past the largest number), a scene saved at a random cycle opens again,
// and the run continued from it ends on the very scene of the run that never
// stopped, on one thread or three.

#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>

#include <algorithm>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "tools/run_sim.h"

namespace vorlanth {
namespace {

TEST(SceneContinuation, EverySaveReopensAndContinuesAsTheRunThatNeverStoppedOnOneOrThreeThreads) {
  QTemporaryDir dir;
  const std::string root = dir.path().toStdString() + "/";
  // The league's scenarios, then the avoiding goals, whose present's step factor
  // passes the largest number after about 200 cycles (at a horizon of 2 s).
  const std::vector<std::vector<std::string>> scenarios = {
      {"--scene", "start"},
      {"--scene", "circle"},
      {"--scene", "asteroids", "--add-karts", "3", "--add-rockets", "2"},
      {"--add-karts", "3", "--goal", "storage"},
      {"--add-karts", "3", "--add-rockets", "1", "--evolution"},
      {"--scene", "circle", "--add-karts", "21", "--add-rockets", "21"},
      {"--scene", "circle", "--goal", "avoid"},
      {"--scene", "asteroids", "--add-karts", "2", "--goal", "avoid-mouse", "--mouse", "400,300"},
  };
  std::mt19937 dice(31);
  constexpr int kAfter = 3;  // cycles run after the save
  for (size_t s = 0; s < scenarios.size(); ++s) {
    const bool avoids = std::any_of(scenarios[s].begin(), scenarios[s].end(),
                                    [](const std::string& arg) { return arg.find("avoid") != std::string::npos; });
    const int before = (avoids ? 220 : 24) + static_cast<int>(dice() % 16);  // the save's cycle
    const std::string seed = std::to_string(1 + dice() % 1000);
    const auto run = [&](std::vector<std::string> args, int cycles, const std::string& save) {
      args.insert(args.end(), {"--futures", "3", "--cycles", std::to_string(cycles), "--save-scene", save});
      const TRun result = RunSim(args);
      EXPECT_EQ(result.Code, 0) << result.Err;
    };
    std::vector<std::string> fresh = scenarios[s];
    fresh.insert(fresh.end(), {"--seed", seed, "--horizon", "2"});
    const std::string whole = root + "whole" + std::to_string(s) + ".vorlanth.json";
    const std::string saved = root + "saved" + std::to_string(s) + ".vorlanth.json";
    run(fresh, before + kAfter, whole);
    run(fresh, before, saved);
    if (avoids) {
      EXPECT_TRUE(Bytes(saved).contains("\"inf\"")) << "scenario " << s << " holds no infinity";
    }
    for (const std::string threads : {"1", "3"}) {
      const std::string then = root + "then" + std::to_string(s) + "-" + threads + ".vorlanth.json";
      std::vector<std::string> again = {"--scene", saved, "--threads", threads};
      if (scenarios[s].back() == "400,300") again.insert(again.end(), {"--mouse", "400,300"});
      run(again, kAfter, then);
      ASSERT_EQ(Bytes(then), Bytes(whole)) << "scenario " << s << " saved at cycle " << before << ", " << threads
                                           << " threads";
    }
  }
}

}  // namespace
}  // namespace vorlanth
