#include "scene/scene.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSaveFile>

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <functional>
#include <limits>
#include <vector>

#include "core/error.h"
#include "core/team.h"
#include "render/builtin_circuit.h"
#include "render/output_file.h"
#include "render/qt_picture.h"
#include "scene/scene_json.h"
#include "scene/scene_team.h"
#include "world2d/physic2d.h"
#include "world2d/track2d.h"

namespace vorlanth {

using namespace scene_bounds;

namespace {

constexpr char kFormatName[] = "vorlanth-scene";

// ---- The circuit ---------------------------------------------------------------

QString SceneFolder(const std::string& sceneFile) {
  return QFileInfo(DecodeFileName(sceneFile)).absolutePath();
}

// A whole number as the scene writes it: digits of the base (lowercase), no sign,
// space, prefix or leading zero, within 64 bits.
bool ParseWord(const std::string& text, int base, uint64_t& word) {
  if (text.empty() || (text.size() > 1 && text[0] == '0')) return false;
  for (const char c : text)
    if (!((c >= '0' && c <= '9') || (base == 16 && c >= 'a' && c <= 'f'))) return false;
  const char* end = text.data() + text.size();
  const auto [stop, error] = std::from_chars(text.data(), end, word, base);
  return error == std::errc() && stop == end;
}


}  // namespace

std::string CircuitDigest(const Picture& picture) {
  // The same picture gives the same digest in any file format. Hashed a row at a
  // time: one call per pixel would cost more than the hash itself.
  const auto put = [](unsigned char* at, uint32_t v) {
    for (int k = 0; k < 4; ++k) at[k] = static_cast<unsigned char>((v >> (8 * k)) & 0xFF);
  };
  QCryptographicHash hash(QCryptographicHash::Sha256);
  unsigned char size[8];
  put(size, static_cast<uint32_t>(picture.Width()));
  put(size + 4, static_cast<uint32_t>(picture.Height()));
  hash.addData(QByteArrayView(size, 8));
  std::vector<unsigned char> row(4 * static_cast<size_t>(std::max(picture.Width(), 0)));
  for (int32_t y = 0; y < picture.Height(); ++y) {
    for (int32_t x = 0; x < picture.Width(); ++x)
      put(row.data() + 4 * static_cast<size_t>(x), static_cast<uint32_t>(picture.Pixel(x, y)));
    hash.addData(QByteArrayView(row.data(), static_cast<qsizetype>(row.size())));
  }
  return hash.result().toHex().toStdString();
}

bool IsSceneFileName(const std::string& name) {
  const std::string ext = SceneExtension;
  return name.size() > ext.size() && name.compare(name.size() - ext.size(), ext.size(), ext) == 0;
}

namespace {

QByteArray Document(const TTrack2D& track, const TSceneCircuit& circuit, const std::string& sceneFile) {
  if (track.TeamCount() != 1) throw Error("A scene holds one team; this world has " + std::to_string(track.TeamCount()) + ".");
  if (!track.Background) throw Error("A scene needs a circuit: none is loaded.");
  const TTeam& team = *track.Teams.front();
  QJsonObject doc;
  doc["format"] = kFormatName;
  doc["version"] = SceneFormatVersion;
  doc["model"] = ModelVersion;
  QJsonObject c;
  if (circuit.Path.empty()) {
    c["source"] = "builtin";
  } else {
    c["source"] = "file";
    c["path"] = QDir(SceneFolder(sceneFile)).relativeFilePath(QFileInfo(DecodeFileName(circuit.Path)).absoluteFilePath());
  }
  c["sha256"] = QString::fromStdString(circuit.Sha256.empty() ? CircuitDigest(*track.Background) : circuit.Sha256);
  doc["circuit"] = c;
  const TStepContext& settings = track.Settings;
  doc["track"] = QJsonObject{{"step_ms", settings.StepMs},       {"horizon_ms", settings.HorizonMs},
                             {"min_futures", settings.MinFutures}, {"evolution", settings.Evolution},
                             {"friction", RealJson(settings.Friction)},     {"side_friction", RealJson(settings.SideFriction)},
                             {"collisions", settings.Collisions}};
  doc["cycle"] = static_cast<double>(track.CycleCount);
  doc["total_sub_steps"] = static_cast<double>(track.TotalSubSteps);
  const TWorldRandom& random = track.Random;
  QJsonArray words;
  for (const uint64_t word : random.Stream.State.s) words.append(QString::number(word, 16));
  doc["random"] = QJsonObject{{"seed", QString::number(random.Seed)},
                              {"state", words},
                              {"spare_gauss", RealJson(random.Stream.SpareGauss)},
                              {"has_spare_gauss", random.Stream.HasSpareGauss}};
  QJsonArray players;
  for (const auto& player : team.Players) players.append(PlayerJson(*player, team));
  QJsonObject t;
  t["goals"] = GoalSetJson(*team.Goals, team);
  t["players"] = players;
  t["selected"] = IndexOrNone(team.Selected);
  doc["teams"] = QJsonArray{t};
  return QJsonDocument(doc).toJson(QJsonDocument::Indented);
}

TSceneRead ReadDocument(const QByteArray& json, const std::string& sceneFile, const std::string& failure,
                        TTrack2D& track, TTeam& team) {
  QJsonParseError error;
  const QJsonDocument document = QJsonDocument::fromJson(json, &error);
  if (error.error != QJsonParseError::NoError)
    throw Error(failure + "not JSON (" + error.errorString().toStdString() + " at byte " +
                std::to_string(error.offset) + ").");
  if (!document.isObject()) throw Error(failure + "the document is not an object.");
  TSceneReader doc(document.object(), "", failure);
  // Qt keeps the last of two values under one key: a file that names a field twice
  // is refused, so that no value is read other than the one the file shows first.
  const std::string twice = FindDuplicateKey(json);
  if (!twice.empty()) throw Error(failure + twice + ": the field is given twice");
  if (doc.String("format") != kFormatName) doc.Fail("format", "\"" + std::string(kFormatName) + "\" is expected");
  const int64_t version = doc.Integer("version", 1, 1'000'000);
  if (version > SceneFormatVersion)
    doc.Fail("version", "format " + std::to_string(version) + " is newer than this program reads (" +
                            std::to_string(SceneFormatVersion) + ")");
  // Format 1 came before the model's version was kept: its model is the first.
  const auto model = static_cast<int32_t>(version >= 2 ? doc.Integer("model", 1, 1'000'000) : 1);
  if (model > ModelVersion)
    doc.Fail("model", "model " + std::to_string(model) + " is newer than this program's (" +
                          std::to_string(ModelVersion) + ")");

  TSceneRead read;
  read.Model = model;
  {
    TSceneReader c = doc.Child("circuit");
    const std::string source = c.String("source");
    if (source == "builtin") {
      read.Picture = LoadBuiltinCircuit();
    } else if (source == "file") {
      const QString relative = QString::fromStdString(c.String("path"));
      const QString path = QDir(SceneFolder(sceneFile)).absoluteFilePath(relative);
      read.Circuit.Path = EncodeFileName(path);
      try {
        read.Picture = LoadPicture(read.Circuit.Path);
      } catch (const Error& e) {
        c.Fail("path", e.what());
      }
    } else {
      c.Fail("source", "\"builtin\" or \"file\" is expected");
    }
    const std::string digest = c.String("sha256");
    if (digest.size() != 64 || !std::all_of(digest.begin(), digest.end(), [](char d) {
          return (d >= '0' && d <= '9') || (d >= 'a' && d <= 'f');
        }))
      c.Fail("sha256", "a SHA-256 digest of 64 lowercase hexadecimal digits is expected");
    read.Circuit.Sha256 = CircuitDigest(*read.Picture);
    if (digest != read.Circuit.Sha256)
      c.Fail("sha256", "the circuit's pixels are not those the scene was saved with (the picture has changed)");
    c.Done();
  }
  track.LoadFromImage(*read.Picture);
  {
    TSceneReader t = doc.Child("track");
    TStepContext& s = track.Settings;
    s.StepMs = static_cast<int32_t>(t.Integer("step_ms", 1, 60'000));
    s.HorizonMs = static_cast<int32_t>(t.Integer("horizon_ms", 1000, 20'000));
    s.MinFutures = static_cast<int32_t>(t.Integer("min_futures", 1, 1'000'000));
    s.Evolution = t.Bool("evolution");
    s.Friction = t.Number("friction", 0, kMostFriction);
    s.SideFriction = t.Number("side_friction", 0, kMostFriction);
    s.Collisions = t.Bool("collisions");
    t.Done();
  }
  track.CycleCount = static_cast<uint64_t>(doc.Integer("cycle", 0, kLargestWhole));
  track.TotalSubSteps = doc.Integer("total_sub_steps", 0, kLargestWhole);
  // The world's stream goes on where the file left it, once the bodies are built
  // (building one draws its colour, which the file's then replaces).
  TWorldRandom random;
  {
    TSceneReader r = doc.Child("random");
    // Read exactly as written: decimal digits for the seed, lowercase hexadecimal
    // for the words; no sign, space or prefix.
    if (!ParseWord(r.String("seed"), 10, random.Seed))
      r.Fail("seed", "a whole number from 0 to 18446744073709551615 is expected, as a string of digits");
    const QJsonArray words = r.Array("state", 4, 4);
    for (qsizetype i = 0; i < 4; ++i) {
      const std::string at = "state[" + std::to_string(i) + "]";
      if (!words[i].isString() || !ParseWord(words[i].toString().toStdString(), 16, random.Stream.State.s[i]))
        r.Fail(at, "a 64-bit word in lowercase hexadecimal is expected, as a string");
    }
    const auto& state = random.Stream.State.s;
    if (std::all_of(std::begin(state), std::end(state), [](uint64_t w) { return w == 0; }))
      r.Fail("state", "the generator's state is all zero, which it never leaves (every number it drew would be 0)");
    random.Stream.SpareGauss = r.Number("spare_gauss", AnyReal);
    random.Stream.HasSpareGauss = r.Bool("has_spare_gauss");
    r.Done();
  }

  const QJsonArray teams = doc.Array("teams", 1, 1);
  if (!teams[0].isObject()) doc.Fail("teams[0]", "an object is expected");
  TSceneReader t(teams[0].toObject(), "teams[0]", failure);
  track.AddTeam(&team);
  // Players first, then every goal's values: a goal may name any player.
  std::vector<std::function<void()>> later;
  t.Objects("players", kMostPlayers, [&](TSceneReader& p, int32_t) {
    std::unique_ptr<TPhysic2D> body = MakeBody(track.Random.Stream, p, p.String("kind"));
    TPlayer& player = *team.AddPlayer(std::move(body));
    ReadPlayer(p, player);
    ReadGoalSet(p.Child("goals"), *player.Goals, team, later);
    p.Done();
  });
  ReadGoalSet(t.Child("goals"), *team.Goals, team, later);
  for (const auto& step : later) step();
  const int64_t selected = t.Integer("selected", team.PlayerCount() > 0 ? 0 : -1, team.PlayerCount() - 1);
  if (selected >= 0) team.SelectPlayer(team.GetPlayer(static_cast<int32_t>(selected)));
  t.Done();
  doc.Done();
  track.Random = random;
  return read;
}

std::string OpenFailure(const std::string& sceneFile) { return "Cannot open the scene \"" + sceneFile + "\": "; }

}  // namespace

QByteArray SceneDocument(const TTrack2D& track, const TSceneCircuit& circuit, const std::string& sceneFile) {
  return Document(track, circuit, sceneFile);
}

void SaveScene(const std::string& sceneFile, const TTrack2D& track, const TSceneCircuit& circuit) {
  const std::string failure = "Cannot write the scene \"" + sceneFile + "\": ";
  if (track.PlayerCount() > MaxScenePlayers)
    throw Error(failure + "the world has " + std::to_string(track.PlayerCount()) + " players, more than the " +
                std::to_string(MaxScenePlayers) + " a scene may hold.");
  const QByteArray bytes = Document(track, circuit, sceneFile);
  if (bytes.size() > MaxSceneBytes)
    throw Error(failure + "it would take " + std::to_string(bytes.size()) + " bytes, more than the " +
                std::to_string(MaxSceneBytes) + " a scene may hold.");
  // A scene is saved only if it opens again as the very world it holds: read back
  // and written again, it gives the same bytes.
  {
    TTrack2D copy;
    TTeam team;
    const std::string unread = failure + "it would not open again: ";
    const TSceneRead read = ReadDocument(bytes, sceneFile, unread, copy, team);
    if (Document(copy, read.Circuit, sceneFile) != bytes)
      throw Error(unread + "it reads back as another world.");
  }
  QSaveFile file(OutputName(sceneFile, failure));
  if (!file.open(QIODevice::WriteOnly) || !WriteFully(file, bytes.constData(), bytes.size()) || !file.commit())
    throw Error(failure + file.errorString().toStdString() + ".");
}

TSceneRead ReadScene(const std::string& sceneFile, TTrack2D& track, TTeam& team) {
  const std::string failure = OpenFailure(sceneFile);
  QFile file(ExactFileName(sceneFile, failure));
  const QFileInfo info(file);
  if (!info.exists()) throw Error(failure + "the file does not exist.");
  if (!info.isFile()) throw Error(failure + "it is not a regular file.");
  if (info.size() > MaxSceneBytes) throw Error(failure + "it is larger than " + std::to_string(MaxSceneBytes) + " bytes.");
  if (!file.open(QIODevice::ReadOnly)) throw Error(failure + file.errorString().toStdString() + ".");
  return ReadDocument(file.read(MaxSceneBytes + 1), sceneFile, failure, track, team);
}

TSceneRead ReadSceneDocument(const QByteArray& json, const std::string& sceneFile, TTrack2D& track, TTeam& team) {
  return ReadDocument(json, sceneFile, OpenFailure(sceneFile), track, team);
}

}  // namespace vorlanth
