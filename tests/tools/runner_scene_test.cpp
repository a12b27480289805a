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

}  // namespace
}  // namespace vorlanth
