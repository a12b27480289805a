#include "scene/scene_team.h"

#include <QJsonArray>

#include <algorithm>
#include <cmath>
#include <utility>

#include "bench/body_kinds.h"
#include "bench/goal_kinds.h"
#include "core/error.h"
#include "core/goal.h"
#include "core/team.h"
#include "scene/player_fields.h"
#include "world2d/kart.h"
#include "world2d/polygon2d.h"
#include "world2d/rocket.h"
#include "world2d/track2d.h"

namespace vorlanth {

using namespace scene_bounds;

int32_t IndexOrNone(const TPlayer* player) { return player ? player->TeamIndex : -1; }

namespace {

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


// A player's fields, as JSON fields.
class TPlayerWriter : public TPlayerFields {
 public:
  explicit TPlayerWriter(QJsonObject& object) : Object(&object) {}
  bool Sets() const override { return false; }
  void Group(const char* name, const std::function<void()>& visit) override {
    QJsonObject group;
    QJsonObject* outer = std::exchange(Object, &group);
    visit();
    Object = outer;
    (*Object)[name] = group;
  }
  void Bool(const char* name, bool& value) override { (*Object)[name] = value; }
  void Whole(const char* name, int32_t& value, int32_t, int32_t) override { (*Object)[name] = value; }
  void BigWhole(const char* name, int64_t& value, int64_t, int64_t) override {
    (*Object)[name] = static_cast<double>(value);
  }
  void Real(const char* name, double& value, double, double) override { (*Object)[name] = RealJson(value); }
  void AnyReal(const char* name, double& value) override { (*Object)[name] = RealJson(value); }
  void AnyReals(const char* name, double* values, int32_t count) override {
    QJsonArray list;
    for (int32_t i = 0; i < count; ++i) list.append(RealJson(values[i]));
    (*Object)[name] = list;
  }

 private:
  QJsonObject* Object;
};

// The names of every kind of body, for messages.
std::string BodyKindNames() {
  std::string names;
  for (const TBodyKindInfo& kind : BodyKinds()) names += (names.empty() ? "" : ", ") + kind.Name;
  return names;
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

// A player's fields, read from the JSON fields in the order visited.
class TPlayerReader : public TPlayerFields {
 public:
  explicit TPlayerReader(TSceneReader& reader) : R(&reader) {}
  bool Sets() const override { return true; }
  void Group(const char* name, const std::function<void()>& visit) override {
    TSceneReader group = R->Child(name);
    TSceneReader* outer = std::exchange(R, &group);
    visit();
    group.Done();
    R = outer;
  }
  void Bool(const char* name, bool& value) override { value = R->Bool(name); }
  void Whole(const char* name, int32_t& value, int32_t low, int32_t high) override {
    value = static_cast<int32_t>(R->Integer(name, low, high));
  }
  void BigWhole(const char* name, int64_t& value, int64_t low, int64_t high) override {
    value = R->Integer(name, low, high);
  }
  void Real(const char* name, double& value, double low, double high) override { value = R->Number(name, low, high); }
  void AnyReal(const char* name, double& value) override { value = R->Number(name, vorlanth::AnyReal); }
  void AnyReals(const char* name, double* values, int32_t count) override {
    const std::vector<double> read = R->Numbers(name, count, vorlanth::AnyReal);
    std::copy(read.begin(), read.end(), values);
  }

 private:
  TSceneReader* R;
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




}  // namespace

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

QJsonObject PlayerJson(const TPlayer& player, const TTeam& team) {
  const TBodyKindInfo* kind = BodyKindOf(player);
  const auto* body = AsPhysic(const_cast<TPlayer*>(&player));
  if (!kind || !body) throw Error("A scene cannot hold a player that is not a kart, a rocket or an asteroid.");
  QJsonObject o;
  o["kind"] = QString::fromStdString(kind->Name);
  if (kind->HasSides) o["sides"] = static_cast<const TPolygon2D&>(player).Sides;
  TPlayerWriter writer(o);
  VisitPlayer(*const_cast<TPhysic2D*>(body), writer);
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

// The goals of a set, built first (so that a goal's player references can name
// any member), their values read in a second walk.
void ReadGoalSet(TSceneReader r, TGoalSet& set, TTeam& team, std::vector<std::function<void()>>& later) {
  set.ShowGoals = r.Bool("show_goals");
  set.Clear();
  r.Objects("items", kMostGoals, [&](TSceneReader& g, int32_t) { set.AddGoal(ReadGoalOf(g, set.Owner, team, later)); });
  r.Done();
}

std::unique_ptr<TGoal> ReadGoalOf(TSceneReader& r, TGoalOwner owner, TTeam& team,
                                  std::vector<std::function<void()>>& later) {
  std::unique_ptr<TGoal> goal = MakeGoal(r, r.String("kind"), owner, team);
  // The values wait for every player of the team; the reader keeps its path.
  later.push_back([reader = r, made = goal.get(), &team]() mutable {
    ReadGoal(reader, *made, team);
    reader.Done();
  });
  return goal;
}

std::unique_ptr<TPhysic2D> MakeBody(TRandomStream& random, TSceneReader& r, const std::string& name) {
  const TBodyKindInfo* kind = FindBodyKind(name);
  if (!kind) r.Fail("kind", "unknown kind \"" + name + "\": one of " + BodyKindNames() + " is expected");
  const auto sides = static_cast<int32_t>(kind->HasSides ? r.Integer("sides", TPolygon2D::MinSides, 1000) : 0);
  return kind->Make(random, 0, 0, 0, sides);
}

void ReadPlayer(TSceneReader& r, TPlayer& player) {
  TPlayerReader reader(r);
  VisitPlayer(static_cast<TPhysic2D&>(player), reader);
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

}  // namespace vorlanth
