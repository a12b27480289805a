#include "scene/journal.h"

// The journal's records as they are taken from the world, written to JSON and
// read back. The replay is journal_replay.cpp's.

#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QSaveFile>

#include <algorithm>
#include <charconv>
#include <iterator>

#include "core/error.h"
#include "core/goal.h"
#include "core/player.h"
#include "core/team.h"
#include "render/output_file.h"
#include "render/qt_picture.h"
#include "scene/scene.h"
#include "scene/scene_json.h"
#include "scene/scene_team.h"
#include "world2d/track2d.h"

namespace vorlanth {
namespace {

using namespace scene_bounds;

constexpr char kFormatName[] = "vorlanth-journal";
constexpr int64_t kMostRecords = 100'000'000;
constexpr int64_t kMostPasses = 1'000'000;

const char* PointName(TJournalPoint point) { return point == TJournalPoint::Drawing ? "drawing" : "between"; }

// ---- Taking records from the world ---------------------------------------------

TJournalPlayer Named(const TTeam& team, const TPlayer* player) {
  return player ? TJournalPlayer{player->Serial, team.IndexOf(player)} : TJournalPlayer{};
}

TPlayer* BySerial(const TTeam& team, uint32_t serial) { return serial ? team.FindPlayer(TRef{-1, serial}) : nullptr; }

// The goal set of an owner named by serial (0: the team's); nullptr when gone.
const TGoalSet* SetOf(const TTeam& team, uint32_t owner) {
  if (owner == 0) return team.Goals.get();
  const TPlayer* player = BySerial(team, owner);
  return player ? player->Goals.get() : nullptr;
}

int32_t PlaceIn(const TGoalSet* set, const TGoal* goal) {
  if (!set) return -1;
  for (size_t g = 0; g < set->Items.size(); ++g)
    if (set->Items[g].get() == goal) return static_cast<int32_t>(g);
  return -1;
}

// ---- Writing ---------------------------------------------------------------------

QJsonValue PlayerJsonRef(const TJournalPlayer& who) {
  if (who.Serial == 0) return QJsonValue::Null;
  return QJsonObject{{"serial", static_cast<double>(who.Serial)}, {"place", who.Place}};
}

QJsonObject ChangeJson(const TJournalChange& c) {
  QJsonObject o;
  switch (c.Kind) {
    case TJournalChange::SetValue:
      o["set"] = FieldKey(c.Field);
      if (c.Field == TField::Selected) {
        o["player"] = PlayerJsonRef(c.Player);
        break;
      }
      if (HolderOf(c.Field) == TFieldHolder::Player) o["player"] = PlayerJsonRef(c.Player);
      if (HolderOf(c.Field) == TFieldHolder::Goal) {
        o["owner"] = PlayerJsonRef(c.Player);
        o["goal"] = c.Goal;
      }
      o["value"] = RealJson(c.Value);
      break;
    case TJournalChange::AddPlayer:
      o["add_player"] = PlayerJsonRef(c.Player);
      o["values"] = c.Values;
      break;
    case TJournalChange::RemovePlayer: o["remove_player"] = PlayerJsonRef(c.Player); break;
    case TJournalChange::AddGoal:
      o["add_goal"] = c.Goal;
      o["owner"] = PlayerJsonRef(c.Player);
      o["values"] = c.Values;
      break;
    case TJournalChange::RemoveGoal:
      o["remove_goal"] = c.Goal;
      o["owner"] = PlayerJsonRef(c.Player);
      break;
  }
  return o;
}

// The random stream, as a scene writes it.
QJsonObject RandomJson(const TWorldRandom& random) {
  QJsonArray words;
  for (const uint64_t word : random.Stream.State.s) words.append(QString::number(word, 16));
  return QJsonObject{{"seed", QString::number(random.Seed)},
                     {"state", words},
                     {"spare_gauss", RealJson(random.Stream.SpareGauss)},
                     {"has_spare_gauss", random.Stream.HasSpareGauss}};
}

// ---- Reading ---------------------------------------------------------------------

// A whole number as written: digits of the base (lowercase), no sign, space,
// prefix or leading zero, within 64 bits.
bool ParseWord(const std::string& text, int base, uint64_t& word) {
  if (text.empty() || (text.size() > 1 && text[0] == '0')) return false;
  for (const char c : text)
    if (!((c >= '0' && c <= '9') || (base == 16 && c >= 'a' && c <= 'f'))) return false;
  const auto [stop, error] = std::from_chars(text.data(), text.data() + text.size(), word, base);
  return error == std::errc() && stop == text.data() + text.size();
}

TWorldRandom ReadRandom(TSceneReader r) {
  TWorldRandom random;
  if (!ParseWord(r.String("seed"), 10, random.Seed))
    r.Fail("seed", "a whole number from 0 to 18446744073709551615 is expected, as a string of digits");
  const QJsonArray words = r.Array("state", 4, 4);
  for (qsizetype i = 0; i < 4; ++i)
    if (!words[i].isString() || !ParseWord(words[i].toString().toStdString(), 16, random.Stream.State.s[i]))
      r.Fail("state[" + std::to_string(i) + "]", "a 64-bit word in lowercase hexadecimal is expected, as a string");
  const auto& state = random.Stream.State.s;
  if (std::all_of(std::begin(state), std::end(state), [](uint64_t w) { return w == 0; }))
    r.Fail("state", "the generator's state is all zero, which it never leaves");
  random.Stream.SpareGauss = r.Number("spare_gauss", AnyReal);
  random.Stream.HasSpareGauss = r.Bool("has_spare_gauss");
  r.Done();
  return random;
}

// What a value may be, as the window's controls and the scene's reader bound it.
struct TBounds {
  double Low, High;
  bool Whole;
};

TBounds BoundsOf(TField field) {
  switch (field) {
    case TField::Horizon: return {1000, 20'000, true};
    case TField::MinFutures: return {1, 1'000'000, true};
    case TField::Friction:
    case TField::SideFriction: return {0, kMostFriction, false};
    case TField::Size: return {0, kFarthest, false};
    case TField::Determination: return {0, 1, false};
    case TField::GridSize: return {1, 100'000, true};
    case TField::Colour: return {0, 0xFFFFFF, true};
    case TField::Energy:
    case TField::Health: return {-kLargest, kLargest, false};
    case TField::PosX:
    case TField::PosY:
    case TField::Angle: return {-kFarthest, kFarthest, false};
    case TField::Strength:
    case TField::Urgency: return {0, kLargest, false};
    case TField::Reaction: return {0, 3'600'000, true};
    default: return {0, 1, true};  // a switch
  }
}

// A player named under `key`; null names none where `none` allows it.
TJournalPlayer ReadPlayerRef(TSceneReader& r, const char* key, bool none, const std::string& prefix) {
  const QJsonValue v = r.Take(key);
  if (v.isNull() && none) return {};
  if (!v.isObject())
    r.Fail(key, std::string("a player ({\"serial\": S, \"place\": P})") + (none ? " or null" : "") + " is expected");
  TSceneReader p(v.toObject(), r.Where(key), prefix);
  TJournalPlayer who;
  who.Serial = static_cast<uint32_t>(p.Integer("serial", 1, UINT32_MAX));
  who.Place = static_cast<int32_t>(p.Integer("place", 0, kMostPlayers));
  p.Done();
  return who;
}

TJournalChange ReadChange(TSceneReader& r, const std::string& prefix) {
  static constexpr const char* kKinds[] = {"set", "add_player", "remove_player", "add_goal", "remove_goal"};
  int32_t kinds = 0;
  TJournalChange c;
  for (int32_t k = 0; k < static_cast<int32_t>(std::size(kKinds)); ++k)
    if (r.Has(kKinds[k])) {
      ++kinds;
      c.Kind = static_cast<TJournalChange::TKind>(k);
    }
  if (kinds != 1)
    r.Fail("", "one of \"set\", \"add_player\", \"remove_player\", \"add_goal\" and \"remove_goal\" is expected");
  auto values = [&r]() {
    const QJsonValue v = r.Take("values");
    if (!v.isObject()) r.Fail("values", "an object is expected");
    return v.toObject();
  };
  switch (c.Kind) {
    case TJournalChange::SetValue: {
      const std::string key = r.String("set");
      if (!FieldFromKey(key, c.Field)) r.Fail("set", "unknown value \"" + key + "\"");
      if (c.Field == TField::Selected) {
        c.Player = ReadPlayerRef(r, "player", true, prefix);
        break;
      }
      if (HolderOf(c.Field) == TFieldHolder::Player) c.Player = ReadPlayerRef(r, "player", false, prefix);
      if (HolderOf(c.Field) == TFieldHolder::Goal) {
        c.Player = ReadPlayerRef(r, "owner", true, prefix);
        c.Goal = static_cast<int32_t>(r.Integer("goal", 0, kMostGoals - 1));
      }
      const TBounds bounds = BoundsOf(c.Field);
      c.Value = r.Number("value", bounds.Low, bounds.High);
      if (bounds.Whole) r.WholeCheck("value", c.Value);
      break;
    }
    case TJournalChange::AddPlayer:
      c.Player = ReadPlayerRef(r, "add_player", false, prefix);
      c.Values = values();
      break;
    case TJournalChange::RemovePlayer: c.Player = ReadPlayerRef(r, "remove_player", false, prefix); break;
    case TJournalChange::AddGoal:
    case TJournalChange::RemoveGoal:
      c.Goal = static_cast<int32_t>(r.Integer(c.Kind == TJournalChange::AddGoal ? "add_goal" : "remove_goal", 0,
                                              kMostGoals - 1));
      c.Player = ReadPlayerRef(r, "owner", true, prefix);
      if (c.Kind == TJournalChange::AddGoal) c.Values = values();
      break;
  }
  r.Done();
  return c;
}

TJournalRecord ReadRecord(TSceneReader& r, const std::string& prefix) {
  TJournalRecord record;
  record.Cycle = static_cast<uint64_t>(r.Integer("cycle", 0, kLargestWhole));
  const std::string at = r.String("at");
  if (at == "drawing") {
    record.Point = TJournalPoint::Drawing;
  } else if (at != "between") {
    r.Fail("at", "\"drawing\" or \"between\" is expected");
  }
  record.Command = r.String("command");
  record.Undo = r.Bool("undo");
  record.Commit = r.Bool("commit");
  r.Objects("changes", kMostRecords, [&](TSceneReader& c, int32_t) { record.Changes.push_back(ReadChange(c, prefix)); });
  record.Random = ReadRandom(r.Child("random"));
  r.Done();
  return record;
}

}  // namespace

bool JournalBefore(uint64_t cycleA, TJournalPoint pointA, uint64_t cycleB, TJournalPoint pointB) {
  if (cycleA != cycleB) return cycleA < cycleB;
  return pointA == TJournalPoint::Drawing && pointB == TJournalPoint::Between;
}

void TJournal::Record(uint64_t cycle, TJournalPoint point, const std::string& name, const TWorldChange& change,
                      bool undo, const TTrack2D& track, const TTeam& team, bool commit) {
  if (!records_.empty() && JournalBefore(cycle, point, records_.back().Cycle, records_.back().Point))
    throw Error("The journal cannot take a command at cycle " + std::to_string(cycle) + " (" + PointName(point) +
                ") after one at cycle " + std::to_string(records_.back().Cycle) + " (" +
                PointName(records_.back().Point) + ").");
  TJournalRecord record;
  record.Cycle = cycle;
  record.Point = point;
  record.Command = name;
  record.Undo = undo;
  record.Commit = commit;
  // The players and goals moved, where they stood then; what they hold is as
  // the command left it.
  for (const TWorldChange::TMove& move : change.LastMoves()) {
    TJournalChange c;
    c.Player = {move.Player, move.Kind == TWorldChange::TMove::PlayerIn || move.Kind == TWorldChange::TMove::PlayerOut
                                 ? move.Place
                                 : move.OwnerPlace};
    if (move.Player == 0) c.Player = {};
    c.Goal = move.Place;
    switch (move.Kind) {
      case TWorldChange::TMove::PlayerIn: {
        const TPlayer* player = BySerial(team, move.Player);
        if (!player) continue;
        c.Kind = TJournalChange::AddPlayer;
        c.Values = PlayerJson(*player, team);
        c.Goal = -1;
        break;
      }
      case TWorldChange::TMove::PlayerOut:
        c.Kind = TJournalChange::RemovePlayer;
        c.Goal = -1;
        break;
      case TWorldChange::TMove::GoalIn: {
        const TGoalSet* set = SetOf(team, move.Player);
        const int32_t at = PlaceIn(set, move.Goal);
        if (at < 0) continue;
        c.Kind = TJournalChange::AddGoal;
        c.Values = GoalJson(*set->Items[static_cast<size_t>(at)], team);
        break;
      }
      case TWorldChange::TMove::GoalOut: c.Kind = TJournalChange::RemoveGoal; break;
    }
    record.Changes.push_back(std::move(c));
  }
  // Then the values, as the command left them, on the players and goals where
  // they stand now.
  for (const TWorldChange::TTarget& target : change.Targets()) {
    TJournalChange c;
    c.Field = target.Field;
    if (target.Field == TField::Selected) {
      c.Player = Named(team, team.Selected);
    } else if (HolderOf(target.Field) == TFieldHolder::Track) {
      c.Value = ReadField(track, team, target.Field, nullptr, nullptr);
    } else if (HolderOf(target.Field) == TFieldHolder::Player) {
      const TPlayer* player = BySerial(team, target.Player);
      if (!player) continue;  // gone: the command set nothing
      c.Player = Named(team, player);
      c.Value = ReadField(track, team, target.Field, player, nullptr);
    } else {
      const TGoalSet* set = SetOf(team, target.Player);
      c.Goal = PlaceIn(set, target.Goal);
      if (c.Goal < 0) continue;
      c.Player = Named(team, BySerial(team, target.Player));
      c.Value = ReadField(track, team, target.Field, nullptr, target.Goal);
    }
    record.Changes.push_back(std::move(c));
  }
  record.Random = track.Random;
  records_.push_back(std::move(record));
}

void TJournal::RecordPasses(uint64_t cycle, int64_t passes) {
  // A count of 0 would mean "by the clock" to the replay: a cycle runs at least one pass.
  if (passes < 1 || passes > kMostPasses)
    throw Error("The journal cannot take " + std::to_string(passes) + " passes for cycle " + std::to_string(cycle) +
                ": a cycle runs 1 to " + std::to_string(kMostPasses) + ".");
  passes_[cycle] = passes;
}

int64_t TJournal::PassesOf(uint64_t cycle) const {
  const auto found = passes_.find(cycle);
  return found == passes_.end() ? 0 : found->second;
}

uint64_t TJournal::LastCycle() const {
  uint64_t last = passes_.empty() ? 0 : passes_.rbegin()->first;
  return records_.empty() ? last : std::max(last, records_.back().Cycle);
}

QByteArray TJournal::Document() const {
  QJsonArray records;
  for (const TJournalRecord& r : records_) {
    QJsonArray changes;
    for (const TJournalChange& c : r.Changes) changes.append(ChangeJson(c));
    records.append(QJsonObject{{"cycle", static_cast<double>(r.Cycle)},
                               {"at", PointName(r.Point)},
                               {"command", QString::fromStdString(r.Command)},
                               {"undo", r.Undo},
                               {"commit", r.Commit},
                               {"changes", changes},
                               {"random", RandomJson(r.Random)}});
  }
  QJsonArray passes;
  for (const auto& [cycle, count] : passes_)
    passes.append(QJsonArray{static_cast<double>(cycle), static_cast<double>(count)});
  QJsonObject doc;
  doc["format"] = kFormatName;
  doc["version"] = JournalFormatVersion;
  doc["model"] = ModelVersion;
  doc["records"] = records;
  doc["passes"] = passes;
  return QJsonDocument(doc).toJson(QJsonDocument::Indented);
}

void TJournal::Save(const std::string& path) const {
  const std::string failure = "Cannot write the journal \"" + path + "\": ";
  const QByteArray bytes = Document();
  QSaveFile file(OutputName(path, failure));
  if (!file.open(QIODevice::WriteOnly) || !WriteFully(file, bytes.constData(), bytes.size()) || !file.commit())
    throw Error(failure + file.errorString().toStdString() + ".");
}

TJournal TJournal::Read(const std::string& path) {
  const std::string failure = "Cannot read the journal \"" + path + "\": ";
  QFile file(ExactFileName(path, failure));
  const QFileInfo info(file);
  if (!info.exists()) throw Error(failure + "the file does not exist.");
  if (!info.isFile()) throw Error(failure + "it is not a regular file.");
  if (info.size() > MaxJournalBytes)
    throw Error(failure + "it is larger than " + std::to_string(MaxJournalBytes) + " bytes.");
  if (!file.open(QIODevice::ReadOnly)) throw Error(failure + file.errorString().toStdString() + ".");
  return FromDocument(file.read(MaxJournalBytes + 1), path);
}

TJournal TJournal::FromDocument(const QByteArray& json, const std::string& path) {
  const std::string failure = "Cannot read the journal \"" + path + "\": ";
  QJsonParseError error;
  const QJsonDocument document = QJsonDocument::fromJson(json, &error);
  if (error.error != QJsonParseError::NoError)
    throw Error(failure + "not JSON (" + error.errorString().toStdString() + " at byte " +
                std::to_string(error.offset) + ").");
  if (!document.isObject()) throw Error(failure + "the document is not an object.");
  const std::string twice = FindDuplicateKey(json);
  if (!twice.empty()) throw Error(failure + twice + ": the field is given twice");
  TSceneReader doc(document.object(), "", failure);
  if (doc.String("format") != kFormatName) doc.Fail("format", "\"" + std::string(kFormatName) + "\" is expected");
  const int64_t version = doc.Integer("version", 1, 1'000'000);
  if (version > JournalFormatVersion)
    doc.Fail("version", "format " + std::to_string(version) + " is newer than this program reads (" +
                            std::to_string(JournalFormatVersion) + ")");
  const int64_t model = doc.Integer("model", 1, 1'000'000);
  if (model != ModelVersion)
    doc.Fail("model", "the journal was written by model " + std::to_string(model) + ", this program's is " +
                          std::to_string(ModelVersion) + ": its commands would not give the same world");
  TJournal journal;
  journal.source_ = path;
  doc.Objects("records", kMostRecords, [&](TSceneReader& r, int32_t i) {
    TJournalRecord record = ReadRecord(r, failure);
    if (i > 0 && JournalBefore(record.Cycle, record.Point, journal.records_.back().Cycle, journal.records_.back().Point))
      r.Fail("", std::string("the record (cycle ") + std::to_string(record.Cycle) + ", " + PointName(record.Point) +
                     ") comes before the one above it (cycle " + std::to_string(journal.records_.back().Cycle) +
                     ", " + PointName(journal.records_.back().Point) + ")");
    journal.records_.push_back(std::move(record));
  });
  const QJsonArray passes = doc.Array("passes", 0, kMostRecords);
  for (qsizetype i = 0; i < passes.size(); ++i) {
    const std::string at = "passes[" + std::to_string(i) + "]";
    const QJsonArray pair = passes[i].toArray();
    if (!passes[i].isArray() || pair.size() != 2 || !pair[0].isDouble() || !pair[1].isDouble())
      doc.Fail(at, "a pair [cycle, passes] of whole numbers is expected");
    const auto cycle = static_cast<uint64_t>(doc.WholeCheck(at + "[0]", doc.Check(at + "[0]", pair[0].toDouble(), 1,
                                                                                  static_cast<double>(kLargestWhole))));
    const int64_t count = doc.WholeCheck(at + "[1]", doc.Check(at + "[1]", pair[1].toDouble(), 1, kMostPasses));
    if (!journal.passes_.empty() && cycle <= journal.passes_.rbegin()->first)
      doc.Fail(at, "cycle " + std::to_string(cycle) + " comes after cycle " +
                       std::to_string(journal.passes_.rbegin()->first) + ": the cycles go up");
    journal.passes_[cycle] = count;
  }
  doc.Done();
  return journal;
}

}  // namespace vorlanth
