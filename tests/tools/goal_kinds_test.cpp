// A kind of goal is its own class and one registration: a kind defined in the
// tests is listed and given by the runner, saved and read back with its own value
// by a scene, and evaluated on replicas on several threads as on one.

#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>

#include <sstream>
#include <string>
#include <vector>

#include "bench/goal_kinds.h"
#include "core/error.h"
#include "support/north_goal.h"
#include "tools/run_sim.h"

namespace vorlanth {
namespace {

using testing::RegisterNorth;

TEST(GoalKinds, AKindRegisteredOnceIsListedGivenSavedReadBackAndReplicated) {
  RegisterNorth();
  EXPECT_THROW(RegisterGoalKind({"north", {}, {}, {}, {}, {}}), Error);  // one kind per name
  EXPECT_THROW(RegisterGoalKind({"south", {}, {}, {}, {}, {"AddNorthGoal", "Head south", TGoalMenuGroup::Team}}),
               Error);  // one menu item per name
  EXPECT_NE(RunSim({"--help"}).Out.find("burnout, north"), std::string::npos);

  QTemporaryDir dir;
  const std::string root = dir.path().toStdString() + "/";
  const auto run = [&](const std::string& threads) {
    const std::string scene = root + "north" + threads + ".vorlanth.json";
    const TRun result = RunSim({"--scene", "circle", "--goal", "north", "--futures", "4", "--horizon", "2",
                                "--cycles", "3", "--seed", "8", "--threads", threads, "--save-scene", scene});
    EXPECT_EQ(result.Code, 0) << result.Err;
    return scene;
  };
  // Saving reads the scene back and writes it again: it holds the kind and its value.
  const QByteArray one = Bytes(run("1"));
  EXPECT_TRUE(one.contains("\"kind\": \"north\"")) << one.left(2000).toStdString();
  EXPECT_TRUE(one.contains("\"bias\": 6.5"));
  EXPECT_EQ(Bytes(run("3")), one);  // its replicas on three threads score as it does on one
  const TRun again = RunSim({"--scene", root + "north1.vorlanth.json", "--cycles", "1", "--futures", "4"});
  EXPECT_EQ(again.Code, 0) << again.Err;

  // A value out of its kind's bounds is refused with the field.
  QByteArray damaged = one;
  damaged.replace("\"bias\": 6.5", "\"bias\": 60");
  const std::string bad = root + "bad.vorlanth.json";
  QFile file(QString::fromStdString(bad));
  ASSERT_TRUE(file.open(QIODevice::WriteOnly));
  file.write(damaged);
  file.close();
  const TRun refused = RunSim({"--scene", bad, "--cycles", "1"});
  EXPECT_EQ(refused.Code, 2);
  EXPECT_NE(refused.Err.find("teams[0].goals.items[1].bias: the value 60 is out of its bounds [-10, 10]"),
            std::string::npos)
      << refused.Err;
}

}  // namespace
}  // namespace vorlanth
