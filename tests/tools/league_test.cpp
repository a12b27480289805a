#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>

#include <fstream>
#include <iterator>
#include <sstream>
#include <string>

#include "core/error.h"
#include "tools/league.h"

namespace vorlanth {
namespace {

// A summary as the runner prints it, with the given survivors and distance.
std::string Summary(const std::string& name, int seed, int survivors, double distance) {
  const std::string group = "\"players\":4,\"survivors\":" + std::to_string(survivors) +
                            ",\"deaths\":{\"wall\":" + std::to_string(4 - survivors) +
                            ",\"collision\":0,\"energy\":0,\"left_picture\":0},\"distance\":" +
                            std::to_string(distance) +
                            ",\"health\":50,\"energy\":40,\"drop_energy\":5,\"stored_energy\":0,"
                            "\"collisions\":1,\"splits\":0";
  return "{\"name\":\"" + name + "\",\"seed\":" + std::to_string(seed) +
         ",\"cycles\":10,\"futures_per_cycle\":3," + group + ",\"kinds\":{\"kart\":{" + group +
         "},\"rocket\":{" + group + "},\"asteroid\":{" + group + "}}}";
}

TEST(League, TheSuiteNamesItsScenariosInOrder) {
  int32_t runs = 0;
  const auto scenarios = SuiteScenarios(
      "# comment\n\nsim --name b --seed 1\n  sim --seed 2 --name b\nsim --name a\n", runs);
  EXPECT_EQ(runs, 3);
  EXPECT_EQ(scenarios, (std::vector<std::string>{"b", "a"}));
  EXPECT_THROW(SuiteScenarios("sim --name a\nsim --seed 1\n", runs), Error);
  EXPECT_THROW(SuiteScenarios("sim --name\n", runs), Error);
}

TEST(League, TheTableShowsMeanAndSpreadOverSeedsAndTheCsvOneRowPerRun) {
  const std::vector<std::string> scenarios = {"b", "a"};
  // Arriving in any order, as parallel finishes them.
  const std::vector<TLeagueRun> runs = {
      ParseLeagueRun(Summary("a", 1, 2, 10)), ParseLeagueRun(Summary("b", 2, 4, 3.5)),
      ParseLeagueRun(Summary("b", 1, 2, 1.5))};
  const std::string table = LeagueTable(scenarios, runs);
  // b: survivors 2 and 4 (mean 3, sample spread 1.4), distance 1.5 and 3.5.
  EXPECT_NE(table.find("| b | 2 | 4 ± 0 | 3 ± 1.4 | 1 ± 1.4 |"), std::string::npos) << table;
  EXPECT_NE(table.find("| 2.5 ± 1.4 |"), std::string::npos) << table;
  EXPECT_LT(table.find("| b |"), table.find("| a | 1 | 4 ± 0 | 2 ± 0 |"));

  const std::string csv = LeagueCsv(scenarios, runs);
  std::istringstream lines(csv);
  std::string header, first, second, third;
  std::getline(lines, header);
  std::getline(lines, first);
  std::getline(lines, second);
  std::getline(lines, third);
  EXPECT_EQ(header.rfind("scenario,seed,cycles,futures_per_cycle,players,survivors,deaths_wall,", 0), 0u);
  EXPECT_NE(header.find(",asteroid_splits"), std::string::npos);
  EXPECT_EQ(first.rfind("b,1,10,3,4,2,2,0,0,0,1.50,50,", 0), 0u) << first;
  EXPECT_EQ(second.rfind("b,2,", 0), 0u);
  EXPECT_EQ(third.rfind("a,1,", 0), 0u);
  EXPECT_EQ(std::count(first.begin(), first.end(), ','), std::count(header.begin(), header.end(), ','));
}

TEST(League, MissingOrBadRunsLeaveNoCsv) {
  QTemporaryDir dir;
  const std::string root = dir.path().toStdString();
  std::ofstream(root + "/suite") << "sim --name a --seed 1\nsim --name a --seed 2\n";
  const std::vector<std::string> args = {"--suite", root + "/suite", "--csv", root + "/league.csv"};
  auto run = [&](const std::string& input, std::string& err) {
    std::istringstream in(input);
    std::ostringstream out, errors;
    const int code = RunLeague(args, in, out, errors);
    err = errors.str();
    return code;
  };
  std::string err;
  EXPECT_EQ(run(Summary("a", 1, 4, 1) + "\n", err), 2);
  EXPECT_NE(err.find("1 of the suite's 2 runs"), std::string::npos) << err;
  EXPECT_EQ(run(Summary("a", 1, 4, 1) + "\nvorlanth-sim: oops\n", err), 2);
  EXPECT_NE(err.find("Not the summary of a run"), std::string::npos) << err;
  EXPECT_EQ(run(Summary("z", 1, 4, 1) + "\n" + Summary("a", 2, 4, 1) + "\n", err), 2);
  EXPECT_NE(err.find("\"z\""), std::string::npos) << err;
  EXPECT_FALSE(std::ifstream(root + "/league.csv").good());

  EXPECT_EQ(run(Summary("a", 2, 4, 1) + "\n\n" + Summary("a", 1, 3, 1) + "\n", err), 0) << err;
  EXPECT_NE(err.find("2/2 runs done"), std::string::npos);
  EXPECT_TRUE(std::ifstream(root + "/league.csv").good());
  std::istringstream none;
  std::ostringstream out, errors;
  EXPECT_EQ(RunLeague({"--suite", root + "/suite"}, none, out, errors), 2);
  EXPECT_EQ(RunLeague({"--suite", root + "/nowhere", "--csv", root + "/x.csv"}, none, out, errors), 2);
}

// A run that stopped early, or a link where the table goes, makes no league.
TEST(League, AStoppedRunOrALinkedCsvMakesNoLeague) {
  QTemporaryDir dir;
  const std::string root = dir.path().toStdString();
  std::ofstream(root + "/suite") << "sim --name a --seed 1\n";
  std::ofstream(root + "/victim") << "untouched";
  ASSERT_TRUE(QFile::link(dir.filePath("victim"), dir.filePath("league.csv")));
  const std::vector<std::string> args = {"--suite", root + "/suite", "--csv", root + "/league.csv"};
  std::string stopped = Summary("a", 1, 4, 1);
  stopped.insert(1, "\"stopped_early\":true,\"error\":\"disk full\",");
  for (const std::string& line : {stopped, Summary("a", 1, 4, 1)}) {
    std::istringstream in(line + "\n");
    std::ostringstream out, err;
    EXPECT_EQ(RunLeague(args, in, out, err), 2);
    EXPECT_NE(err.str().find(line == stopped ? "stopped early (disk full)" : "symbolic link"), std::string::npos)
        << err.str();
  }
  std::ifstream victim(root + "/victim");
  EXPECT_EQ(std::string(std::istreambuf_iterator<char>(victim), {}), "untouched");
}

}  // namespace
}  // namespace vorlanth
