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

#include <bit>
#include <cmath>
#include <cstdint>
#include <limits>
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
#include "support/test_random.h"

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
  const std::unique_ptr<QtPicture> circuit = LoadPicture(SmallCircuit());
  TWorld world;
  world.Track.Random.SeedRun(77);
  Populate(world, *circuit, 1);
  for (int i = 0; i < 4; ++i) world.Track.Cycle();
  for (int32_t i = 0; i < world.Track.PlayerCount(); i += 3) world.Track.GetPlayer(i)->SetEnergy(100);  // ready to split
  const std::string file = Path("run.vorlanth.json");
  const TSceneCircuit source{Path("small.bmp"), ""};
  SaveScene(file, world.Track, source);
  const TWorldRandom atSave = world.Track.Random;
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
    EXPECT_EQ(SceneDocument(copy.Track, read.Circuit, file), saved);  // nothing lost or added
    EXPECT_EQ(copy.Track.Random.Seed, atSave.Seed);
    EXPECT_EQ(copy.Track.Random.Stream.State.s[0], atSave.Stream.State.s[0]);
    copy.Track.FixedFutures = 6;
    copy.Track.Threads = threads;
    for (size_t i = 0; i < expected.size(); ++i) {
      copy.Track.Cycle();
      ASSERT_EQ(Fingerprint(copy), expected[i]) << threads << " threads, cycle " << i + 1 << " after reopening";
    }
  }
}

TEST_F(SceneTest, AChangedCircuitOrANewerFormatIsRefusedWithTheReason) {
  const std::unique_ptr<QtPicture> circuit = LoadPicture(SmallCircuit());
  TWorld world;
  world.Track.Random.SeedRun(5);
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
  SmallCircuit();  // the circuit as it was
  const QJsonObject doc = QJsonDocument::fromJson(SceneDocument(world.Track, {Path("small.bmp"), ""}, file)).object();
  const auto read = [&](QJsonObject changed) {
    TWorld other;
    return ReadSceneDocument(QJsonDocument(changed).toJson(), file, other.Track, other.Team).Model;
  };
  EXPECT_EQ(read(doc), ModelVersion);
  QJsonObject newer = doc;
  newer["version"] = SceneFormatVersion + 1;
  EXPECT_THROW(read(newer), Error);
  newer = doc;
  newer["model"] = ModelVersion + 1;
  EXPECT_THROW(read(newer), Error);
  // A scene of the first format, saved by the first model, still opens.
  QJsonObject first = doc;
  first["version"] = 1;
  first.remove("model");
  EXPECT_EQ(read(first), 1);
  first["model"] = 1;  // unknown to the first format
  EXPECT_THROW(read(first), Error);
}

// Seeded damage of every kind to a saved document: each copy is read or refused
// with a message that names the file and a field; nothing crashes.
TEST_F(SceneTest, DamagedScenesAreRefusedWithTheFieldAndTheReason) {
  const std::unique_ptr<QtPicture> circuit = LoadPicture(SmallCircuit());
  TWorld world;
  world.Track.Random.SeedRun(9);
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
    const TWorldRandom before = world.Track.Random;
    try {
      ReadSceneDocument(bytes, file, copy.Track, copy.Team);
    } catch (const Error& e) {
      ++refused;
      const std::string message = e.what();
      ASSERT_NE(message.find("Cannot open the scene \"" + file + "\": "), std::string::npos) << message;
      ASSERT_GT(message.size(), file.size() + 30) << message;
    }
    // Read or refused, no other world's random stream moves.
    ASSERT_EQ(world.Track.Random.Stream.State.s[0], before.Stream.State.s[0]);
  }
  EXPECT_GT(refused, 1500);
  // Nesting beyond reason and a huge document are refused too.
  TWorld deep;
  EXPECT_THROW(ReadSceneDocument(QByteArray(5000, '[') + QByteArray(5000, ']'), file, deep.Track, deep.Team), Error);
}

// Sets the value at a path such as "teams[0].players[1].state.SIZE[6]" (an object's
// missing key is added).
QJsonValue SetAt(const QJsonValue& node, const std::string& path, const QJsonValue& value) {
  if (path.empty()) return value;
  if (path[0] == '[') {
    const size_t close = path.find(']');
    const auto index = static_cast<qsizetype>(std::stoi(path.substr(1, close - 1)));
    QJsonArray array = node.toArray();
    array[index] = SetAt(array[index], path.substr(close + 1), value);
    return array;
  }
  const size_t start = path[0] == '.' ? 1 : 0;
  const size_t end = path.find_first_of(".[", start);
  const QString key = QString::fromStdString(path.substr(start, end == std::string::npos ? end : end - start));
  QJsonObject object = node.toObject();
  object[key] = SetAt(object[key], end == std::string::npos ? "" : path.substr(end), value);
  return object;
}

// One kind of damage per case, each refused with its field and its reason; the
// document they start from opens.
TEST_F(SceneTest, EachKindOfDamageIsRefusedWithItsFieldAndReason) {
  const std::unique_ptr<QtPicture> circuit = LoadPicture(SmallCircuit());
  TWorld world;
  world.Track.Random.SeedRun(12);
  Populate(world, *circuit, 1, true);  // a rocket, a kart, a rocket, asteroids
  world.Track.Cycle();
  const std::string file = Path("d.vorlanth.json");
  const QByteArray good = SceneDocument(world.Track, {Path("small.bmp"), ""}, file);
  const QJsonObject root = QJsonDocument::fromJson(good).object();
  const auto refusal = [&](const QByteArray& bytes) -> std::string {
    TWorld copy;
    try {
      ReadSceneDocument(bytes, file, copy.Track, copy.Team);
    } catch (const Error& e) {
      return e.what();
    }
    return "read";
  };
  ASSERT_EQ(refusal(good), "read");

  struct TCase {
    std::string Path;
    QJsonValue Value;
    std::string Reason;  // what the message says after the file and the path
    std::string Field = {};  // the path named, when not Path
  };
  const std::string rocket = "teams[0].players[0].";
  const std::string kart = "teams[0].players[1].";
  const std::string outOf = "is out of its bounds";
  const std::vector<TCase> cases = {
      {rocket + "typo_colour", 1, "unknown field"},
      {rocket, QJsonValue(), ""},  // replaced below: an empty key
      {rocket + "state.HEALTH[0]", 1100, "the value 1100 " + outOf + " [0, 100]"},
      {rocket + "state.SIZE[0]", 9007199254740993.0, outOf + " [3, 25]"},
      {rocket + "state.SIZE[0]", 0, "the value 0 " + outOf},
      {rocket + "state.SIZE[1]", "-0", "the value -0 " + outOf},
      {rocket + "state.SIZE[6]", 1e300, "the value 1.0000000000000001e+300 " + outOf + " [3, 25]"},
      {kart + "state.POWER", QJsonArray{0, 0, 0, 0, 0, 50, -50}, "the maximum -50 is not above the minimum 50",
       kart + "state.POWER[6]"},
      {kart + "state.POWER[6]", 90, "the value 90 " + outOf + " [-80, 80]"},
      {kart + "state.POSX[5]", -1, "which has none"},
      {kart + "state.POSX[4]", 1e300, outOf},
      {kart + "state.POSX[0]", 1e308, outOf},
      {kart + "state.VELY[2]", -1e308, outOf},
      {kart + "state.VELX[0]", "inf", outOf},
      {kart + "body.gravity", 1e308, outOf},
      {kart + "body.density", 0, outOf},
      {kart + "determination", "nan", "the value nan " + outOf},
      {kart + "goals.items[0].strength", "-inf", outOf},
      {kart + "state.ENERGY[0]", "nan:7ff00000000000001", "a number is expected"},
      {"random.state", QJsonArray{"0", "0", "0", "0"}, "all zero"},
      {"random.state[1]", QString::fromUtf8("ab\0cd", 5), "lowercase hexadecimal"},
      {"random.state[1]", " 1 ", "lowercase hexadecimal"},
      {"random.state[1]", "0x1234", "lowercase hexadecimal"},
      {"random.state[1]", "+1", "lowercase hexadecimal"},
      {"random.state[1]", "ABC", "lowercase hexadecimal"},
      {"random.state[1]", "10000000000000000", "lowercase hexadecimal"},
      {"random.seed", " 3", "a string of digits"},
      {"random.seed", "03", "a string of digits"},
      {"random.seed", "18446744073709551616", "a string of digits"},
      {"circuit.path", QString::fromUtf8("small.bmp\0x", 11), "without NUL"},
      {"circuit.sha256", QString::fromStdString(root["circuit"]["sha256"].toString().toUpper().toStdString()),
       "64 lowercase hexadecimal digits"},
      {"circuit.sha256", root["circuit"]["sha256"].toString().left(63), "64 lowercase hexadecimal digits"},
  };
  for (const TCase& c : cases) {
    QJsonObject damaged = SetAt(root, c.Path, c.Value).toObject();
    std::string field = c.Field.empty() ? c.Path : c.Field;
    if (c.Reason.empty()) {  // a field with an empty name
      damaged = SetAt(root, rocket + "present", QJsonValue()).toObject();
      QJsonObject player = damaged["teams"][0]["players"][0].toObject();
      player.remove("present");
      player[""] = 1;
      player["present"] = root["teams"][0]["players"][0]["present"];
      damaged = SetAt(damaged, "teams[0].players[0]", player).toObject();
      field = "teams[0].players[0]";
    }
    const std::string message = refusal(QJsonDocument(damaged).toJson());
    const std::string expected = "Cannot open the scene \"" + file + "\": " + field + ": ";
    EXPECT_EQ(message.rfind(expected, 0), 0u) << c.Path << ": " << message;
    EXPECT_NE(message.find(c.Reason.empty() ? "unknown field" : c.Reason), std::string::npos) << message;
  }

  // A key given twice, however it is spelt, is refused before any value is read.
  const auto twice = [&](const char* anchor, const char* inserted) {
    QByteArray bytes = good;
    const qsizetype at = bytes.indexOf(anchor);
    EXPECT_GE(at, 0) << anchor;
    return refusal(bytes.insert(at, inserted));
  };
  EXPECT_NE(twice("\"format\"", "\"version\": 99, ").find("\": version: the field is given twice"), std::string::npos);
  EXPECT_NE(twice("\"format\"", "\"\\u0076ersion\": 1, ").find("\": version: the field is given twice"),
            std::string::npos);
  EXPECT_NE(twice("\"kind\": \"rocket\"", "\"kind\": \"kart\", ").find("teams[0].players[0].kind: the field is given twice"),
            std::string::npos);
  // The same key in two objects is no duplicate.
  EXPECT_EQ(refusal(good), "read");
}

// Every value a continuation reads comes back with its bits, the non-finite ones
// and negative zero included; a world holding a value no scene may hold is not
// saved, and no file appears.
TEST_F(SceneTest, SpecialValuesComeBackWithTheirBitsAndAnUnreadableSaveFails) {
  const std::unique_ptr<QtPicture> circuit = LoadPicture(SmallCircuit());
  TWorld world;
  world.Track.Random.SeedRun(13);
  Populate(world, *circuit, 1, true);
  world.Track.Cycle();
  TState& present = *world.Track.GetPlayer(1)->Present;
  const double payload = std::bit_cast<double>(0x7FF4000000000123ull);
  const std::vector<double> special = {std::numeric_limits<double>::infinity(), -std::numeric_limits<double>::quiet_NaN(),
                                       -0.0, -std::numeric_limits<double>::infinity(), payload};
  present.Gain = special[0];
  present.Weight = special[1];
  present.GainSquares = special[2];
  present.GainFactor = special[3];
  present.WeightFactor = special[4];
  world.Track.GetPlayer(1)->Present->GetParam(0).StartValue = -0.0;
  const std::string file = Path("special.vorlanth.json");
  SaveScene(file, world.Track, {Path("small.bmp"), ""});
  TWorld copy;
  const TSceneRead read = ReadScene(file, copy.Track, copy.Team);
  const TState& back = *copy.Track.GetPlayer(1)->Present;
  const std::vector<double> got = {back.Gain, back.Weight, back.GainSquares, back.GainFactor, back.WeightFactor};
  for (size_t i = 0; i < special.size(); ++i)
    EXPECT_EQ(std::bit_cast<uint64_t>(got[i]), std::bit_cast<uint64_t>(special[i])) << i;
  EXPECT_TRUE(std::signbit(back.GetParam(0).StartValue));

  world.Track.GetPlayer(1)->Determination = std::numeric_limits<double>::quiet_NaN();
  const std::string refused = Path("refused.vorlanth.json");
  try {
    SaveScene(refused, world.Track, {Path("small.bmp"), ""});
    FAIL() << "a world that would not open again was saved";
  } catch (const Error& e) {
    EXPECT_NE(std::string(e.what()).find("Cannot write the scene \"" + refused +
                                         "\": it would not open again: teams[0].players[1].determination: "),
              std::string::npos)
        << e.what();
  }
  EXPECT_FALSE(QFile::exists(QString::fromStdString(refused)));
}

}  // namespace
}  // namespace vorlanth
