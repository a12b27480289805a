#pragma once
// The command journal: every command the world applied, in order, with what it
// changed, and how many passes of futures each cycle ran. Replayed from the scene
// the session began with, it gives the same world, byte for byte: a command's
// record holds the values it left (never the amounts), the players and goals it
// added (every value, as a scene writes them) or removed, and the world's random
// stream as the command left it.
//
// A record says when the command took effect by the world's cycle count then
// (TTrack::CycleCount) and the point: at that cycle's drawing step, or between
// cycles (paused), after that many cycles and before the next began. The file is
// JSON (.vorlanth-journal.json), read back with the scene's strictness: an unknown
// or missing field, a wrong type, records out of order, each refused with the
// file, the field's path (records[3].changes[0].value) and the reason.

#include <QJsonObject>

#include <cstdint>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "bench/world_change.h"
#include "core/random.h"
#include "scene/scene.h"

namespace vorlanth {

class TPlayer;
class TTeam;
class TTrack2D;

inline constexpr int32_t JournalFormatVersion = 1;
// Journals larger than this are refused before they are read.
inline constexpr int64_t MaxJournalBytes = 256 * 1024 * 1024;

// Where in a cycle a command took effect.
enum class TJournalPoint : int32_t {
  Drawing,  // at the cycle's drawing step, while running
  Between,  // after the cycle, before the next began (paused)
};

// A player as the journal names it: its serial in the world that wrote the
// journal, and its place in the team at that moment (the replay knows a player
// it meets for the first time by its place).
struct TJournalPlayer {
  uint32_t Serial = 0;  // 0: none (the team, or no selection)
  int32_t Place = -1;
};

// One thing a command did.
struct TJournalChange {
  enum TKind : int32_t { SetValue, AddPlayer, RemovePlayer, AddGoal, RemoveGoal };
  TKind Kind = SetValue;
  TField Field = TField::Horizon;  // SetValue: the field, set to Value
  double Value = 0;
  TJournalPlayer Player;   // the player set, added or removed, selected, or the goal's owner
  int32_t Goal = -1;       // the goal's place in its set
  QJsonObject Values;      // AddPlayer, AddGoal: every value, as a scene writes them
};

struct TJournalRecord {
  uint64_t Cycle = 0;
  TJournalPoint Point = TJournalPoint::Between;
  std::string Command;     // its name, as the Edit menu says it
  bool Undo = false;       // applied as an undo
  bool Commit = false;     // the players' states were stored, to come back to at Reset (Run)
  std::vector<TJournalChange> Changes;  // in order: players and goals moved, then values
  TWorldRandom Random;  // the world's random stream after the command
};

// The session records every command the world applies, on the thread that
// applied it, right after it: one that changed nothing too (it may have drawn
// from the random stream: a player that found no free place), one that failed
// half-way, and one that only reseeded the stream (Run: an empty change).
class TJournal {
 public:
  // After a command took effect on the world: `change` as it was just made,
  // undone (`undo`) or redone (before a drag's change is merged into the one
  // before it). `cycle` is the world's TTrack::CycleCount then. Throws Error when
  // the record would come before the last one, or the world holds a player or a
  // goal a scene cannot describe.
  // `commit`: the command stored the players' states (Run).
  void Record(uint64_t cycle, TJournalPoint point, const std::string& name, const TWorldChange& change, bool undo,
              const TTrack2D& track, const TTeam& team, bool commit = false);
  // After a cycle: its count (TTrack::CycleCount) and the passes it ran
  // (TTrack::LastPassCount, 1 or more; Error otherwise).
  void RecordPasses(uint64_t cycle, int64_t passes);

  // Writes the journal under a temporary name, renamed once every byte is
  // written; throws Error naming the file and the reason.
  void Save(const std::string& path) const;
  // Throws Error naming the file, the field and the reason.
  static TJournal Read(const std::string& path);
  static TJournal FromDocument(const QByteArray& json, const std::string& path);
  QByteArray Document() const;

  const std::vector<TJournalRecord>& Records() const { return records_; }
  // The passes recorded for a cycle, 0 when none were.
  int64_t PassesOf(uint64_t cycle) const;
  // The last cycle a record or a pass count names (0: none).
  uint64_t LastCycle() const;
  // What names the journal in messages: its file, once read.
  const std::string& Source() const { return source_; }

 private:
  std::vector<TJournalRecord> records_;
  std::map<uint64_t, int64_t> passes_;  // by cycle
  std::string source_;
};

// Whether a record comes after another (at the same cycle, the drawing step
// comes before the pause after it).
bool JournalBefore(uint64_t cycleA, TJournalPoint pointA, uint64_t cycleB, TJournalPoint pointB);

// Plays a journal's records on a world (the runner's): each record's changes in
// order, then its random stream. The journal's players are found by serial once
// met; a player met for the first time is the one at its place.
class TJournalReplay {
 public:
  TJournalReplay(const TJournal& journal, TTrack2D& track, TTeam& team);

  // Before the world's next cycle: the records between cycles at the world's
  // count are applied, those at the next cycle's drawing step are posted to the
  // inbox, and the cycle is set to run the passes recorded for it (or
  // `otherwise` when none were: TTrack::FixedFutures' meaning).
  void BeforeCycle(int32_t otherwise);
  // After the last cycle: the records between cycles at the world's count.
  void AfterLastCycle();
  // Throws Error naming the record when one comes before the world's cycle.
  void CheckStart() const;
  int64_t Applied() const { return applied_; }

 private:
  void ApplyBetween();
  void Apply(size_t index);
  [[noreturn]] void Fail(size_t index, const std::string& reason) const;
  TPlayer* Find(size_t index, const TJournalPlayer& who);
  void Adopt(const TPlayer& player, uint32_t serial);

  const TJournal& Journal;
  TTrack2D& Track;
  TTeam& Team;
  size_t next_ = 0;      // the first record not yet applied or posted
  int64_t applied_ = 0;
  std::map<uint32_t, uint32_t> serials_;  // the journal's serial: the world's
  std::set<uint32_t> known_;              // the world's serials met
};

// The scene a journal starts from: the world taken when the journal began
// (between cycles), written beside the journal when it is saved.
class TJournalStart {
 public:
  void Take(const TTrack2D& track, const TSceneCircuit& circuit);
  // Writes the journal under `journalFile` and the start scene beside it
  // (run.vorlanth-journal.json: run.start.vorlanth.json), its circuit named from
  // there; returns the start scene's name. Throws Error with the file and reason.
  std::string Save(const TJournal& journal, const std::string& journalFile) const;

 private:
  QByteArray document_;  // as SceneDocument wrote it for a scene in folder_
  std::string folder_;
};

}  // namespace vorlanth
