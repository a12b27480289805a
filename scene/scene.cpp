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
#include <cmath>
#include <cstdio>
#include <functional>
#include <limits>
#include <set>
#include <vector>

#include "bench/goal_kinds.h"
#include "core/error.h"
#include "core/goal.h"
#include "core/team.h"
#include "goals/speeding_goal.h"
#include "render/builtin_circuit.h"
#include "render/output_file.h"
#include "render/qt_picture.h"
#include "world2d/body_cast.h"
#include "world2d/kart.h"
#include "world2d/polygon2d.h"
#include "world2d/rocket.h"
#include "world2d/track2d.h"
#include "scene/scene_json.h"

namespace vorlanth {
namespace {

constexpr char kFormatName[] = "vorlanth-scene";
constexpr double kLargest = std::numeric_limits<double>::max();  // any finite real
constexpr int64_t kLargestWhole = int64_t{1} << 52;           // whole numbers a double holds exactly
constexpr int64_t kMostPlayers = MaxScenePlayers;
// Bounds of the values the model leaves unbounded: far beyond any circuit and any
// speed a body reaches, and small enough that their squares and sums stay finite.
constexpr double kFarthest = 1e9;            // positions (pixels), speeds (pixels/s, radians/s), angles, pushes
constexpr double kMostGravity = 1e6;         // pixels/s²
constexpr double kLeastDensity = 1e-6;       // a body without mass would divide by zero
constexpr double kMostDensity = 1e6;
constexpr double kMostFutureNoise = 1e6;     // pixels/s
constexpr double kMostFriction = 1;          // share of the speed lost, rolling and sideways
constexpr int32_t kMostGoals = 1000;

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

int32_t IndexOrNone(const TPlayer* player) { return player ? player->TeamIndex : -1; }

// ---- Writing -------------------------------------------------------------------

// A goal kind's own values, as JSON fields.
class TFieldWriter : public TGoalFields {
 public:
  explicit TFieldWriter(QJsonObject& object) : Object(object) {}
  bool Sets() const override { return false; }
  void Bool(const char* name, bool& value) override { Object[name] = value; }
  void Whole(const char* name, int32_t& value, int32_t, int32_t) override { Object[name] = value; }
  void Real(const char* name, double& value, double, double) override { Object[name] = RealJson(value); }
  void AnyReal(const char* name, double& value) override { Object[name] = RealJson(value); }
  void Wholes(const char* name, int32_t* values, const int32_t*, const int32_t*, int32_t count) override {
    QJsonArray list;
    for (int32_t i = 0; i < count; ++i) list.append(values[i]);
    Object[name] = list;
  }
  void WholeRows(const char* name, int32_t* values, int32_t rows, int32_t columns, int32_t, int32_t) override {
    QJsonArray list;
    for (int32_t r = 0; r < rows; ++r) {
      QJsonArray row;
      for (int32_t c = 0; c < columns; ++c) row.append(values[r * columns + c]);
      list.append(row);
    }
    Object[name] = list;
  }
  void Player(const char* name, TRef&, const TPlayer* current) override { Object[name] = IndexOrNone(current); }

 private:
  QJsonObject& Object;
};

QJsonObject GoalJson(const TGoal& goal, const TTeam& team) {
  const TGoalKind* kind = GoalKindOf(goal);
  if (!kind) throw Error("A scene cannot hold the goal \"" + goal.Name + "\": its kind is not one of the bench's.");
  QJsonObject o;
  o["kind"] = QString::fromStdString(kind->Name);
  o["strength"] = RealJson(goal.Strength);
  o["max_strength"] = RealJson(goal.MaxStrength);
  o["loss_factor"] = RealJson(goal.LossFactor);
  o["reaction_ms"] = goal.ReactionMs;
  o["urgency"] = RealJson(goal.Urgency);
  o["scale"] = RealJson(goal.Scale);
  o["measure"] = RealsJson({goal.Value, goal.StartValue, goal.GainInput, goal.Level, goal.Feeling});
  if (kind->Visit) {
    // The writer only reads the fields it visits.
    TFieldWriter writer(o);
    kind->Visit(const_cast<TGoal&>(goal), writer, team);
  }
  return o;
}

QJsonObject GoalSetJson(const TGoalSet& set, const TTeam& team) {
  QJsonArray goals;
  for (const auto& goal : set.Items) goals.append(GoalJson(*goal, team));
  QJsonObject o;
  o["show_goals"] = set.ShowGoals;
  o["items"] = goals;
  return o;
}

std::string KindOf(const TPlayer& player) {
  switch (player.BodyKind) {
    case bkKart: return "kart";
    case bkRocket: return "rocket";
    case bkPolygon: return "asteroid";
    default: return {};
  }
}

QJsonObject PlayerJson(const TPlayer& player, const TTeam& team) {
  const std::string kind = KindOf(player);
  const auto* body = AsPhysic(const_cast<TPlayer*>(&player));
  if (kind.empty() || !body) throw Error("A scene cannot hold a player that is not a kart, a rocket or an asteroid.");
  QJsonObject o;
  o["kind"] = QString::fromStdString(kind);
  if (const auto* polygon = dynamic_cast<const TPolygon2D*>(&player)) o["sides"] = polygon->Sides;
  o["color"] = static_cast<double>(player.Color);
  o["determination"] = RealJson(player.Determination);
  o["future_noise"] = RealJson(player.FutureNoise);
  o["sensitivity"] = player.LimitersOn;
  o["grid"] = QJsonObject{{"size", player.GridSize},         {"min", player.MinGridSize},
                          {"max", player.MaxGridSize},       {"auto", player.AutoGridSize},
                          {"target_ratio", RealJson(player.GridTargetRatio)}};
  o["show"] = QJsonObject{{"traces", player.ShowTraces},
                          {"feelings", player.ShowFeelings},
                          {"ending_points", player.ShowEndingPoints},
                          {"levels", player.ShowLevels}};
  o["draw_scale"] = RealJson(static_cast<double>(player.DrawScale));
  o["largest_score"] = RealJson(static_cast<double>(player.LargestScore));
  o["body"] = QJsonObject{{"gravity", RealJson(body->Gravity)},
                          {"density", RealJson(body->Density)},
                          {"acceleration", RealsJson({body->AccX, body->AccY, body->AccA})},
                          {"contact", RealsJson({body->ContactX, body->ContactY})},
                          {"gives_body_goals", body->GiveGoals != nullptr}};
  o["record"] = QJsonObject{{"last_damage", static_cast<int>(body->Record.LastDamage)},
                            {"collisions", static_cast<double>(body->Record.Collisions)},
                            {"drop_energy", RealJson(body->Record.DropEnergy)},
                            {"stored_energy", RealJson(body->Record.StoredEnergy)}};
  const TState& s = *player.Present;
  o["present"] = QJsonObject{{"option", RealsJson({static_cast<double>(s.OptionIndex), static_cast<double>(s.Direction),
                                                 static_cast<double>(s.OptionCode)})},
                             {"limiter_option", s.LimiterOption},
                             {"gaussian", s.Gaussian},
                             {"score", RealsJson({s.Gain, s.Weight, s.GainSquares, s.GainFactor, s.WeightFactor})},
                             {"elapsed_ms", static_cast<double>(s.ElapsedMs)}};
  // Every parameter by name: value, start value, kept value, stored value
  // (thousandths), cell size, minimum and maximum.
  QJsonObject params;
  for (const TStateParam& p : s.Params)
    params[QString::fromStdString(p.Name())] = RealsJson(
        {p.Value, p.StartValue, p.KeptValue, static_cast<double>(p.StoredValue), p.CellSize, p.Minimum(), p.Maximum()});
  o["state"] = params;
  o["goals"] = GoalSetJson(*player.Goals, team);
  return o;
}

// ---- Reading -------------------------------------------------------------------

std::unique_ptr<TGoal> MakeGoal(TSceneReader& r, const std::string& name, TGoalOwner owner, TTeam& team) {
  const TGoalKind* kind = FindGoalKind(name);
  if (!kind) r.Fail("kind", "unknown kind \"" + name + "\": one of " + GoalKindNames() + " is expected");
  try {
    return kind->Make(owner, team);
  } catch (const Error& e) {
    r.Fail("kind", e.what());
  }
}

// The reference to the team's player at `index` (-1: none).
TRef PlayerRef(TSceneReader& r, const char* key, const TTeam& team) {
  const int64_t index = r.Integer(key, -1, team.PlayerCount() - 1);
  return index < 0 ? TRef{} : team.Players[static_cast<size_t>(index)]->GetRef();
}

// A goal kind's own values, read from the JSON fields in the order visited.
class TFieldReader : public TGoalFields {
 public:
  TFieldReader(TSceneReader& reader, TTeam& team) : R(reader), Team(team) {}
  bool Sets() const override { return true; }
  void Bool(const char* name, bool& value) override { value = R.Bool(name); }
  void Whole(const char* name, int32_t& value, int32_t low, int32_t high) override {
    value = static_cast<int32_t>(R.Integer(name, low, high));
  }
  void Real(const char* name, double& value, double low, double high) override { value = R.Number(name, low, high); }
  void AnyReal(const char* name, double& value) override { value = R.Number(name, vorlanth::AnyReal); }
  void Wholes(const char* name, int32_t* values, const int32_t* lows, const int32_t* highs, int32_t count) override {
    const QJsonArray list = R.Array(name, count, count);
    for (int32_t i = 0; i < count; ++i) values[i] = WholeAt(name + Index(i), list[i], lows[i], highs[i]);
  }
  void WholeRows(const char* name, int32_t* values, int32_t rows, int32_t columns, int32_t low,
                 int32_t high) override {
    const QJsonArray list = R.Array(name, rows, rows);
    for (int32_t r = 0; r < rows; ++r) {
      const std::string at = name + Index(r);
      if (!list[r].isArray() || list[r].toArray().size() != columns)
        R.Fail(at, "an array of " + std::to_string(columns) + " whole numbers is expected");
      const QJsonArray row = list[r].toArray();
      for (int32_t c = 0; c < columns; ++c) values[r * columns + c] = WholeAt(at + Index(c), row[c], low, high);
    }
  }
  void Player(const char* name, TRef& player, const TPlayer*) override { player = PlayerRef(R, name, Team); }

 private:
  static std::string Index(int32_t i) { return "[" + std::to_string(i) + "]"; }
  int32_t WholeAt(const std::string& at, const QJsonValue& v, int32_t low, int32_t high) const {
    if (!v.isDouble()) R.Fail(at, "a number is expected");
    return static_cast<int32_t>(R.WholeCheck(at, R.Check(at, v.toDouble(), low, high)));
  }
  TSceneReader& R;
  TTeam& Team;
};

void ReadGoal(TSceneReader& r, TGoal& goal, TTeam& team) {
  goal.MaxStrength = r.Number("max_strength", 0, kLargest);
  goal.Strength = r.Number("strength", 0, goal.MaxStrength);
  goal.LossFactor = r.Number("loss_factor", 0, kLargest);
  goal.ReactionMs = static_cast<int32_t>(r.Integer("reaction_ms", 0, 3'600'000));
  goal.Urgency = r.Number("urgency", 0, kLargest);
  goal.Scale = r.Number("scale", 0, kLargest);
  const std::vector<double> m = r.Numbers("measure", 5, AnyReal);
  static_cast<TGoalMeasure&>(goal) = {m[0], m[1], m[2], m[3], m[4]};
  const TGoalKind* kind = GoalKindOf(goal);
  if (kind && kind->Visit) {
    TFieldReader reader(r, team);
    kind->Visit(goal, reader, team);
  }
}

// The goals of a set, built first (so that a goal's player references can name
// any member), their values read in a second walk.
void ReadGoalSet(TSceneReader r, TGoalSet& set, TTeam& team, std::vector<std::function<void()>>& later) {
  set.ShowGoals = r.Bool("show_goals");
  set.Clear();
  r.Objects("items", kMostGoals, [&](TSceneReader& g, int32_t) {
    set.AddGoal(MakeGoal(g, g.String("kind"), set.Owner, team));
    TGoal* goal = set.Items.back().get();
    // The values wait for every player of the team; the reader keeps its path.
    later.push_back([reader = g, goal, &team]() mutable {
      ReadGoal(reader, *goal, team);
      reader.Done();
    });
  });
  r.Done();
}

std::unique_ptr<TPhysic2D> MakeBody(TSceneReader& r, const std::string& kind) {
  if (kind == "kart") return TKart::Create(0, 0, 0);
  if (kind == "rocket") return TRocket::Create(0, 0, 0);
  if (kind == "asteroid")
    return TPolygon2D::Create(static_cast<int32_t>(r.Integer("sides", TPolygon2D::MinSides, 1000)), 0, 0, 0);
  r.Fail("kind", "unknown kind \"" + kind + "\": kart, rocket or asteroid is expected");
}

void ReadPlayer(TSceneReader& r, TPlayer& player) {
  auto& body = static_cast<TPhysic2D&>(player);
  player.Color = static_cast<TColor>(r.Integer("color", 0, 0xFFFFFF));
  player.Determination = r.Number("determination", 0, 1);
  player.FutureNoise = r.Number("future_noise", 0, kMostFutureNoise);
  player.LimitersOn = r.Bool("sensitivity");
  {
    TSceneReader g = r.Child("grid");
    player.MinGridSize = static_cast<int32_t>(g.Integer("min", 1, 100000));
    player.MaxGridSize = static_cast<int32_t>(g.Integer("max", player.MinGridSize, 100000));
    player.GridSize = static_cast<int32_t>(g.Integer("size", player.MinGridSize, player.MaxGridSize));
    player.AutoGridSize = g.Bool("auto");
    player.GridTargetRatio = g.Number("target_ratio", 0, kLargest);
    g.Done();
  }
  {
    TSceneReader s = r.Child("show");
    player.ShowTraces = s.Bool("traces");
    player.ShowFeelings = s.Bool("feelings");
    player.ShowEndingPoints = s.Bool("ending_points");
    player.ShowLevels = s.Bool("levels");
    s.Done();
  }
  player.DrawScale = r.Number("draw_scale", AnyReal);
  player.LargestScore = r.Number("largest_score", AnyReal);
  {
    TSceneReader b = r.Child("body");
    body.Gravity = b.Number("gravity", -kMostGravity, kMostGravity);
    body.SetDensity(b.Number("density", kLeastDensity, kMostDensity));
    const std::vector<double> acc = b.Numbers("acceleration", 3, AnyReal);
    body.AccX = acc[0];
    body.AccY = acc[1];
    body.AccA = acc[2];
    const std::vector<double> contact = b.Numbers("contact", 2, AnyReal);
    body.ContactX = contact[0];
    body.ContactY = contact[1];
    body.GiveGoals = b.Bool("gives_body_goals") ? GiveBodyGoals : nullptr;
    b.Done();
  }
  {
    TSceneReader c = r.Child("record");
    body.Record.LastDamage = static_cast<TDamage>(c.Integer("last_damage", 0, static_cast<int>(TDamage::Border)));
    body.Record.Collisions = c.Integer("collisions", 0, kLargestWhole);
    body.Record.DropEnergy = c.Number("drop_energy", AnyReal);
    body.Record.StoredEnergy = c.Number("stored_energy", AnyReal);
    c.Done();
  }
  TState& s = *player.Present;
  {
    TSceneReader p = r.Child("present");
    const std::vector<double> option = p.Numbers("option", 3, 0, 1e6);
    s.OptionIndex = static_cast<int32_t>(p.WholeCheck("option[0]", option[0]));
    s.Direction = static_cast<int32_t>(p.WholeCheck("option[1]", p.Check("option[1]", option[1], 0, 1)));
    s.OptionCode = static_cast<int32_t>(p.WholeCheck("option[2]", option[2]));
    s.LimiterOption = p.Bool("limiter_option");
    s.Gaussian = p.Bool("gaussian");
    const std::vector<double> score = p.Numbers("score", 5, AnyReal);
    s.Gain = score[0];
    s.Weight = score[1];
    s.GainSquares = score[2];
    s.GainFactor = score[3];
    s.WeightFactor = score[4];
    s.ElapsedMs = p.Integer("elapsed_ms", 0, kLargestWhole);
    p.Done();
  }
  {
    // Every parameter of the player's class, by name: none missing, none unknown.
    TSceneReader state = r.Child("state");
    for (int32_t i = 0; i < s.ParamCount(); ++i) {
      TStateParam& param = s.GetParam(i);
      const std::string name = param.Name();
      const std::vector<double> v = state.Numbers(name.c_str(), 7, -kLargest, kLargest);
      const std::string at = name + "[";
      // Bounds of the class's own (the class clamps), or narrower ones set apart
      // within them (a kart's power); a parameter the class leaves unbounded stays so.
      const double low = param.Minimum();
      const double high = param.Maximum();
      const bool bounded = high > low;
      if (v[5] != low || v[6] != high) {
        if (!bounded)
          state.Fail(at + "5]", "the bounds [" + TSceneReader::Text(v[5]) + ", " + TSceneReader::Text(v[6]) +
                                    "] are not those of the parameter, which has none");
        state.Check(at + "5]", v[5], low, high);
        state.Check(at + "6]", v[6], low, high);
        if (!(v[5] < v[6]))
          state.Fail(at + "6]", "the maximum " + TSceneReader::Text(v[6]) + " is not above the minimum " +
                                    TSceneReader::Text(v[5]));
        TParamInfo& info = s.MutableInfo(i);
        info.Minimum = v[5];
        info.Maximum = v[6];
      }
      // Value, start value and kept value: within the bounds, or within reach.
      for (size_t k = 0; k < 3; ++k)
        state.Check(at + std::to_string(k) + "]", v[k], bounded ? v[5] : -kFarthest, bounded ? v[6] : kFarthest);
      param.Value = v[0];
      param.StartValue = v[1];
      param.KeptValue = v[2];
      param.StoredValue = static_cast<int32_t>(state.WholeCheck(at + "3]", state.Check(at + "3]", v[3], INT32_MIN, INT32_MAX)));
      param.CellSize = state.Check(at + "4]", v[4], 0, kFarthest);
      param.CellValid = false;
    }
    state.Done();
  }
  player.ShapeDirty = true;
  player.DeadCache = -1;
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

QByteArray Document(const TTrack2D& track, const TSceneCircuit& circuit, const std::string& sceneFile,
                    const TRandomSnapshot& random) {
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
  // Building bodies draws random numbers (their colours, overwritten by the
  // file's): the caller's stream is left as it was, whether the file is read or not.
  const TRandomStreamKeeper keeper;
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
  {
    TSceneReader r = doc.Child("random");
    // Read exactly as written: decimal digits for the seed, lowercase hexadecimal
    // for the words; no sign, space or prefix.
    if (!ParseWord(r.String("seed"), 10, read.Random.Seed))
      r.Fail("seed", "a whole number from 0 to 18446744073709551615 is expected, as a string of digits");
    const QJsonArray words = r.Array("state", 4, 4);
    for (qsizetype i = 0; i < 4; ++i) {
      const std::string at = "state[" + std::to_string(i) + "]";
      if (!words[i].isString() || !ParseWord(words[i].toString().toStdString(), 16, read.Random.Stream.State.s[i]))
        r.Fail(at, "a 64-bit word in lowercase hexadecimal is expected, as a string");
    }
    const auto& state = read.Random.Stream.State.s;
    if (std::all_of(std::begin(state), std::end(state), [](uint64_t w) { return w == 0; }))
      r.Fail("state", "the generator's state is all zero, which it never leaves (every number it drew would be 0)");
    read.Random.Stream.SpareGauss = r.Number("spare_gauss", AnyReal);
    read.Random.Stream.HasSpareGauss = r.Bool("has_spare_gauss");
    r.Done();
  }

  const QJsonArray teams = doc.Array("teams", 1, 1);
  if (!teams[0].isObject()) doc.Fail("teams[0]", "an object is expected");
  TSceneReader t(teams[0].toObject(), "teams[0]", failure);
  track.AddTeam(&team);
  // Players first, then every goal's values: a goal may name any player.
  std::vector<std::function<void()>> later;
  t.Objects("players", kMostPlayers, [&](TSceneReader& p, int32_t) {
    std::unique_ptr<TPhysic2D> body = MakeBody(p, p.String("kind"));
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
  return read;
}

std::string OpenFailure(const std::string& sceneFile) { return "Cannot open the scene \"" + sceneFile + "\": "; }

}  // namespace

QByteArray SceneDocument(const TTrack2D& track, const TSceneCircuit& circuit, const std::string& sceneFile) {
  return Document(track, circuit, sceneFile, TakeRandomSnapshot());
}

void SaveScene(const std::string& sceneFile, const TTrack2D& track, const TSceneCircuit& circuit) {
  const std::string failure = "Cannot write the scene \"" + sceneFile + "\": ";
  if (track.PlayerCount() > MaxScenePlayers)
    throw Error(failure + "the world has " + std::to_string(track.PlayerCount()) + " players, more than the " +
                std::to_string(MaxScenePlayers) + " a scene may hold.");
  const TRandomSnapshot random = TakeRandomSnapshot();
  const QByteArray bytes = Document(track, circuit, sceneFile, random);
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
    if (Document(copy, read.Circuit, sceneFile, read.Random) != bytes)
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
