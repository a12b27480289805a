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

#include "tools/simulator.h"

namespace vorlanth {
namespace {

struct TRun {
  int Code;
  std::string Out, Err;
};

TRun RunSim(const std::vector<std::string>& args) {
  std::ostringstream out, err;
  const int code = RunSimulator(args, out, err, false);
  return {code, out.str(), err.str()};
}

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

}  // namespace
}  // namespace vorlanth
