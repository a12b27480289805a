#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>

#include <fstream>
#include <random>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "tools/run_sim.h"

namespace vorlanth {
namespace {

// A scene that cannot be written is refused before the first cycle, as the other
// outputs are: the reason, no cycle run (no summary), nothing written.
TEST(RunnerScene, ASaveThatCannotBeWrittenIsRefusedBeforeTheFirstCycle) {
  QTemporaryDir dir;
  const std::string root = dir.path().toStdString();
  ASSERT_TRUE(QDir(dir.path()).mkdir("folder.vorlanth.json"));
  std::ofstream(root + "/file") << "a file";
  ASSERT_TRUE(QFile::link(dir.filePath("nowhere.vorlanth.json"), dir.filePath("link.vorlanth.json")));
  const std::vector<std::pair<std::string, std::string>> cases = {
      {root + "/missing/s.vorlanth.json", "No such file or directory."},
      {root + "/file/s.vorlanth.json", "Not a directory."},
      {root + "/folder.vorlanth.json", "the name is a folder, not a file."},
      {root + "/link.vorlanth.json", "the name is a symbolic link"},
      {root + "/\xff.vorlanth.json", "the name is not valid UTF-8"}};
  for (const auto& [scene, reason] : cases) {
    const TRun run = RunSim({"--cycles", "3", "--futures", "1", "--save-scene", scene, "--stats", root + "/s.csv"});
    EXPECT_EQ(run.Code, 2) << scene;
    EXPECT_EQ(run.Out, "") << scene;
    EXPECT_NE(run.Err.find("vorlanth-sim: Cannot write the scene \"" + scene + "\": " + reason), std::string::npos)
        << run.Err;
  }
  EXPECT_EQ(QDir(dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System)
                .join(' ').toStdString(),
            "file folder.vorlanth.json link.vorlanth.json");
}

// A goal that reads the cursor needs one, whether a flag or a scene brings it, for
// the team or a player: without --mouse the run is refused, naming the goal and
// where the scene holds it; with --mouse the scene runs.
TEST(RunnerScene, MouseGoalsNeedACursorFromFlagsAndScenesAlike) {
  QTemporaryDir dir;
  const std::string root = dir.path().toStdString();
  const std::string team = root + "/team.vorlanth.json", player = root + "/player.vorlanth.json";
  ASSERT_EQ(RunSim({"--cycles", "2", "--futures", "2", "--seed", "1", "--goal", "avoid-mouse", "--mouse", "400,300",
                    "--save-scene", team}).Code, 0);
  // The same goal given to the first player instead (the start's drop goal stays the team's).
  QFile file(QString::fromStdString(team));
  ASSERT_TRUE(file.open(QIODevice::ReadOnly));
  QJsonObject scene = QJsonDocument::fromJson(file.readAll()).object();
  QJsonObject t = scene["teams"].toArray()[0].toObject();
  QJsonObject goals = t["goals"].toObject(), first = t["players"].toArray()[0].toObject();
  QJsonArray items = goals["items"].toArray(), own = first["goals"].toObject()["items"].toArray();
  ASSERT_EQ(items.size(), 2);
  own.append(items.takeAt(1));
  goals["items"] = items;
  first["goals"] = QJsonObject{{"show_goals", false}, {"items", own}};
  t["goals"] = goals;
  t["players"] = QJsonArray{first};
  scene["teams"] = QJsonArray{t};
  QFile edited(QString::fromStdString(player));
  ASSERT_TRUE(edited.open(QIODevice::WriteOnly));
  edited.write(QJsonDocument(scene).toJson());
  edited.close();

  const std::vector<std::pair<std::string, std::string>> scenes = {
      {team, "teams[0].goals.items[1]"}, {player, "teams[0].players[0].goals.items[" +
                                                      std::to_string(own.size() - 1) + "]"}};
  for (const auto& [name, place] : scenes) {
    const TRun refused = RunSim({"--scene", name, "--cycles", "1", "--futures", "1"});
    EXPECT_EQ(refused.Code, 2);
    EXPECT_EQ(refused.Out, "");
    EXPECT_NE(refused.Err.find("vorlanth-sim: The scene \"" + name + "\" holds the goal avoid-mouse (" + place +
                               "), which needs a cursor: give one with --mouse X,Y."),
              std::string::npos)
        << refused.Err;
    const TRun run = RunSim({"--scene", name, "--cycles", "1", "--futures", "1", "--mouse", "400,300"});
    EXPECT_EQ(run.Code, 0) << run.Err;
  }
  const TRun flag = RunSim({"--goal", "follow-mouse", "--cycles", "1"});
  EXPECT_EQ(flag.Code, 2);
  EXPECT_NE(flag.Err.find("--goal follow-mouse needs a cursor: give one with --mouse X,Y."), std::string::npos);
}

// The last line of stdout, as a JSON object.
QJsonObject Summary(const TRun& run) {
  std::string line, last;
  std::istringstream in(run.Out);
  while (std::getline(in, line))
    if (!line.empty()) last = line;
  return QJsonDocument::fromJson(QByteArray::fromStdString(last)).object();
}

std::vector<std::string> Joined(std::vector<std::string> a, const std::vector<std::string>& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

// Every total of a continued run's summary counts from the scene's cycle: a run
// saved at a random cycle and continued sums, total for total, to the run that
// never stopped, and ends where it ends.
TEST(RunnerScene, AContinuedRunCountsItsTotalsFromItsOwnStart) {
  QTemporaryDir dir;
  const std::string root = dir.path().toStdString();
  const std::string scene = root + "/half.vorlanth.json";
  const std::vector<std::pair<std::string, std::vector<std::string>>> worlds = {
      {"evolution", {"--add-karts", "3", "--add-rockets", "3", "--evolution"}},
      {"asteroids", {"--scene", "asteroids", "--goal", "storage", "--goal", "avoid", "--add-karts", "4"}},
      {"circle", {"--scene", "circle"}}};
  constexpr int kCycles = 16;
  std::mt19937 random(32);
  double broughtIn = 0;  // what the scenes held, which the old count added again
  for (const auto& [world, flags] : worlds) {
    const int saveAt = std::uniform_int_distribution<int>(1, kCycles - 1)(random);
    const std::vector<std::string> fixed = {"--futures", "6", "--threads", "1"};
    const std::vector<std::string> setup = Joined(flags, Joined(fixed, {"--seed", "4", "--horizon", "3"}));
    const TRun whole = RunSim(Joined(setup, {"--cycles", std::to_string(kCycles)}));
    const TRun first = RunSim(Joined(setup, {"--cycles", std::to_string(saveAt), "--save-scene", scene}));
    const TRun then = RunSim(Joined(fixed, {"--scene", scene, "--cycles", std::to_string(kCycles - saveAt)}));
    ASSERT_EQ(whole.Code + first.Code + then.Code, 0) << whole.Err << first.Err << then.Err;
    const QJsonObject a = Summary(whole), b = Summary(first), c = Summary(then);
    const std::string label = world + " saved at " + std::to_string(saveAt);
    EXPECT_EQ(b["cycles"].toInt() + c["cycles"].toInt(), kCycles);
    // Overall and per kind: totals add up (each rounded to hundredths); the mean
    // distance times the players is a total too; the end is the same end.
    std::vector<std::pair<std::string, QJsonObject>> groups[3];
    for (const auto& [summary, group] : {std::pair{&a, &groups[0]}, {&b, &groups[1]}, {&c, &groups[2]}}) {
      group->emplace_back("all", *summary);
      for (const QString& kind : summary->value("kinds").toObject().keys())
        group->emplace_back(kind.toStdString(), summary->value("kinds").toObject()[kind].toObject());
    }
    for (size_t g = 0; g < groups[0].size(); ++g) {
      const std::string name = label + ", " + groups[0][g].first;
      const QJsonObject &x = groups[0][g].second, &y = groups[1][g].second, &z = groups[2][g].second;
      for (const char* total : {"drop_energy", "stored_energy", "collisions", "splits"})
        EXPECT_NEAR(y[total].toDouble() + z[total].toDouble(), x[total].toDouble(), 0.02) << name << ": " << total;
      for (const QString& cause : x["deaths"].toObject().keys())
        EXPECT_EQ(y["deaths"].toObject()[cause].toInt() + z["deaths"].toObject()[cause].toInt(),
                  x["deaths"].toObject()[cause].toInt()) << name << ": " << cause.toStdString();
      const double players = x["players"].toDouble();
      EXPECT_NEAR(y["distance"].toDouble() * y["players"].toDouble() + z["distance"].toDouble() * players,
                  x["distance"].toDouble() * players, 0.01 * players + 0.01) << name;
      for (const char* end : {"players", "survivors", "health", "energy"})
        EXPECT_EQ(z[end].toDouble(), x[end].toDouble()) << name << ": " << end;
      if (groups[0][g].first == "all")
        broughtIn += y["drop_energy"].toDouble() + y["stored_energy"].toDouble() + y["collisions"].toDouble();
    }
  }
  EXPECT_GT(broughtIn, 0);  // the scenes held totals to leave out
}

}  // namespace
}  // namespace vorlanth
