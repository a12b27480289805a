// Scenes: a saved world reads back to the same document and continues exactly as
// the world that never stopped, on any number of threads; a damaged file is
// refused with its field and reason, never half read.

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>

#include <cstdint>
#include <functional>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "bench/population.h"
#include "core/error.h"
#include "core/goal.h"
#include "core/player.h"
#include "core/random.h"
#include "core/team.h"
#include "render/qt_picture.h"
#include "scene/scene.h"
#include "world2d/track2d.h"

namespace vorlanth {
namespace {

// A world as the window or the runner holds it: a track and its one team.
struct TWorld {
  TTrack2D Track;  // refers to the team: declared first, so that it dies last
  TTeam Team;
  TPopulation Population{Track};
};

// Everything of the world that a cycle changes, as one number (FNV-1a).
uint64_t Fingerprint(const TWorld& world) {
  uint64_t h = 14695981039346656037ull;
  const auto add = [&h](double v) {
    const auto* bytes = reinterpret_cast<const unsigned char*>(&v);
    for (size_t i = 0; i < sizeof v; ++i) h = (h ^ bytes[i]) * 1099511628211ull;
  };
  add(static_cast<double>(world.Track.CycleCount));
  add(static_cast<double>(world.Track.PlayerCount()));
  const auto goals = [&](const TGoalSet& set) {
    for (const auto& g : set.Items)
      for (const double v : {g->Value, g->StartValue, g->Feeling, g->Strength}) add(v);
  };
  goals(*world.Team.Goals);
  for (const TPlayer* p : world.Track.Players) {
    for (const TStateParam& param : p->Present->Params) add(param.Value);
    add(p->GridSize);
    add(p->Color);
    goals(*p->Goals);
  }
  return h;
}

class SceneTest : public ::testing::Test {
 protected:
  QTemporaryDir Dir;
  std::string Path(const char* name) const { return QDir(Dir.path()).filePath(QString::fromLatin1(name)).toStdString(); }

  // A small circuit file, quick to read: a white field with a black border.
  std::string SmallCircuit() {
    QImage image(160, 120, QImage::Format_RGB32);
    image.fill(Qt::white);
    for (int x = 0; x < 160; ++x) image.setPixel(x, 0, 0xFF000000), image.setPixel(x, 119, 0xFF000000);
    const std::string path = Path("small.bmp");
    SavePicture(image, path);
    return path;
  }
};

// Every kind of body and goal, evolution on; the circle of karts unless `small`.
void Populate(TWorld& world, const Picture& circuit, int32_t threads, bool small = false) {
  world.Track.LoadFromImage(circuit);
  world.Track.AddTeam(&world.Team);
  world.Track.FixedFutures = 6;
  world.Track.HorizonMs = 2000;
  world.Track.Threads = threads;
  world.Track.Collisions = true;
  world.Population.AddPlayer(pkRocket);
  world.Population.AddBurnOutGoal();
  if (small) {
    world.Population.AddPlayer(pkKart);
  } else {
    world.Population.AddCircleOfKarts();
  }
  world.Population.AddPlayer(pkRocket);
  world.Population.AddAsteroids(3);
  world.Population.AddDropsGoal();
  world.Population.AddStorageGoal();
  world.Population.AddAvoidGoal();
  world.Population.AddMouseGoal(false);
  world.Track.SetEvolution(true);
}

TEST_F(SceneTest, ASavedWorldReadsBackWholeAndContinuesExactlyOnAnyThreads) {
  RandomSeed(77);
  const std::unique_ptr<QtPicture> circuit = LoadPicture(SmallCircuit());
  TWorld world;
  Populate(world, *circuit, 1);
  for (int i = 0; i < 4; ++i) world.Track.Cycle();
  for (int32_t i = 0; i < world.Track.PlayerCount(); i += 3) world.Track.GetPlayer(i)->SetEnergy(100);  // ready to split
  const std::string file = Path("run.vorlanth.json");
  const TSceneCircuit source{Path("small.bmp"), ""};
  SaveScene(file, world.Track, source);
  const TRandomSnapshot atSave = TakeRandomSnapshot();
  const QByteArray saved = SceneDocument(world.Track, source, file);

  // The run that never stopped.
  std::vector<uint64_t> expected;
  for (int i = 0; i < 5; ++i) {
    world.Track.Cycle();
    expected.push_back(Fingerprint(world));
  }
  EXPECT_GT(world.Track.PlayerCount(), 24);  // evolution split some

  for (const int32_t threads : {1, 3}) {
    TWorld copy;
    const TSceneRead read = ReadScene(file, copy.Track, copy.Team);
    EXPECT_EQ(read.Circuit.Path, source.Path);
    RestoreRandomSnapshot(read.Random);
    EXPECT_EQ(SceneDocument(copy.Track, read.Circuit, file), saved);  // nothing lost or added
    EXPECT_EQ(TakeRandomSnapshot().Stream.State.s[0], atSave.Stream.State.s[0]);
    copy.Track.FixedFutures = 6;
    copy.Track.Threads = threads;
    for (size_t i = 0; i < expected.size(); ++i) {
      copy.Track.Cycle();
      ASSERT_EQ(Fingerprint(copy), expected[i]) << threads << " threads, cycle " << i + 1 << " after reopening";
    }
  }
}

TEST_F(SceneTest, AChangedCircuitOrANewerFormatIsRefusedWithTheReason) {
  RandomSeed(5);
  const std::unique_ptr<QtPicture> circuit = LoadPicture(SmallCircuit());
  TWorld world;
  Populate(world, *circuit, 1);
  const std::string file = Path("s.vorlanth.json");
  SaveScene(file, world.Track, {Path("small.bmp"), ""});
  // The picture changes under the scene.
  QImage changed(160, 120, QImage::Format_RGB32);
  changed.fill(Qt::white);
  SavePicture(changed, Path("small.bmp"));
  TWorld other;
  try {
    ReadScene(file, other.Track, other.Team);
    FAIL() << "a changed circuit was read";
  } catch (const Error& e) {
    EXPECT_NE(std::string(e.what()).find("circuit.sha256"), std::string::npos) << e.what();
  }
  QJsonObject doc = QJsonDocument::fromJson(SceneDocument(world.Track, {}, file)).object();
  doc["version"] = SceneFormatVersion + 1;
  TWorld third;
  EXPECT_THROW(ReadSceneDocument(QJsonDocument(doc).toJson(), file, third.Track, third.Team), Error);
}

// Seeded damage of every kind to a saved document: each copy is read or refused
// with a message that names the file and a field; nothing crashes.
TEST_F(SceneTest, DamagedScenesAreRefusedWithTheFieldAndTheReason) {
  RandomSeed(9);
  const std::unique_ptr<QtPicture> circuit = LoadPicture(SmallCircuit());
  TWorld world;
  Populate(world, *circuit, 1, true);
  world.Track.Cycle();
  const std::string file = Path("d.vorlanth.json");
  const QByteArray good = SceneDocument(world.Track, {Path("small.bmp"), ""}, file);
  const QJsonObject root = QJsonDocument::fromJson(good).object();

  std::mt19937 dice(2024);
  const auto roll = [&dice](size_t n) { return static_cast<size_t>(dice() % n); };
  const std::vector<QJsonValue> strange = {QJsonValue(), QJsonValue(true), QJsonValue(-1), QJsonValue(1e300),
                                           QJsonValue(0.5), QJsonValue("x"), QJsonValue(QJsonArray{}),
                                           QJsonValue(QJsonObject{}), QJsonValue(-1e300), QJsonValue(2147483648.0)};
  // Replaces, removes or adds one field somewhere in the tree.
  std::function<QJsonValue(QJsonValue, int)> damage = [&](QJsonValue v, int depth) -> QJsonValue {
    if (v.isObject() && !v.toObject().isEmpty()) {
      QJsonObject o = v.toObject();
      const QStringList keys = o.keys();
      const QString key = keys[static_cast<qsizetype>(roll(static_cast<size_t>(keys.size())))];
      switch (roll(depth > 6 ? 3 : 6)) {
        case 0: o.remove(key); break;
        case 1: o[key] = strange[roll(strange.size())]; break;
        case 2: o[QStringLiteral("unexpected")] = 1; break;
        default: o[key] = damage(o[key], depth + 1); break;
      }
      return o;
    }
    if (v.isArray() && !v.toArray().isEmpty()) {
      QJsonArray a = v.toArray();
      const auto i = static_cast<qsizetype>(roll(static_cast<size_t>(a.size())));
      switch (roll(4)) {
        case 0: a.removeAt(i); break;
        case 1: a.append(strange[roll(strange.size())]); break;
        default: a[i] = damage(a[i], depth + 1); break;
      }
      return a;
    }
    return strange[roll(strange.size())];
  };

  int refused = 0;
  for (int trial = 0; trial < 2000; ++trial) {
    QByteArray bytes;
    if (trial % 10 == 0) {
      bytes = good.left(static_cast<qsizetype>(roll(static_cast<size_t>(good.size()))));  // cut short
    } else {
      bytes = QJsonDocument(damage(root, 0).toObject()).toJson();
    }
    TWorld copy;
    const TRandomSnapshot before = TakeRandomSnapshot();
    try {
      ReadSceneDocument(bytes, file, copy.Track, copy.Team);
    } catch (const Error& e) {
      ++refused;
      const std::string message = e.what();
      ASSERT_NE(message.find("Cannot open the scene \"" + file + "\": "), std::string::npos) << message;
      ASSERT_GT(message.size(), file.size() + 30) << message;
    }
    // Read or refused, the caller's random stream is untouched.
    ASSERT_EQ(TakeRandomSnapshot().Stream.State.s[0], before.Stream.State.s[0]);
  }
  EXPECT_GT(refused, 1500);
  // Nesting beyond reason and a huge document are refused too.
  TWorld deep;
  EXPECT_THROW(ReadSceneDocument(QByteArray(5000, '[') + QByteArray(5000, ']'), file, deep.Track, deep.Team), Error);
}

}  // namespace
}  // namespace vorlanth
