// The journal played on a world: the records between cycles at once, those at a
// cycle's drawing step through the world's inbox, each cycle with the passes it
// ran when the journal was written.

#include <functional>

#include "core/error.h"
#include "core/goal.h"
#include "core/player.h"
#include "core/team.h"
#include "scene/journal.h"
#include "scene/scene_json.h"
#include "scene/scene_team.h"
#include "world2d/physic2d.h"
#include "world2d/track2d.h"

namespace vorlanth {

TJournalReplay::TJournalReplay(const TJournal& journal, TTrack2D& track, TTeam& team)
    : Journal(journal), Track(track), Team(team) {}

void TJournalReplay::CheckStart() const {
  const auto& records = Journal.Records();
  if (records.empty() || !JournalBefore(records.front().Cycle, records.front().Point, Track.CycleCount,
                                        TJournalPoint::Between))
    return;
  Fail(0, "it took effect before the world's cycle " + std::to_string(Track.CycleCount) +
              ": the journal was not written from this scene");
}

void TJournalReplay::BeforeCycle(int32_t otherwise) {
  ApplyBetween();
  const auto& records = Journal.Records();
  const uint64_t cycle = Track.CycleCount + 1;
  for (; next_ < records.size() && records[next_].Cycle == cycle && records[next_].Point == TJournalPoint::Drawing;
       ++next_)
    Track.Inbox.Post([this, index = next_] { Apply(index); });
  const int64_t passes = Journal.PassesOf(cycle);
  Track.FixedFutures = passes > 0 ? static_cast<int32_t>(passes) : otherwise;
}

void TJournalReplay::AfterLastCycle() { ApplyBetween(); }

void TJournalReplay::ApplyBetween() {
  const auto& records = Journal.Records();
  while (next_ < records.size() && records[next_].Cycle == Track.CycleCount &&
         records[next_].Point == TJournalPoint::Between)
    Apply(next_++);
}

void TJournalReplay::Fail(size_t index, const std::string& reason) const {
  const TJournalRecord& record = Journal.Records()[index];
  throw Error("Cannot replay the journal \"" + Journal.Source() + "\": records[" + std::to_string(index) + "] (\"" +
              record.Command + "\", cycle " + std::to_string(record.Cycle) + ", " +
              (record.Point == TJournalPoint::Drawing ? "drawing" : "between") + "): " + reason + ".");
}

void TJournalReplay::Adopt(const TPlayer& player, uint32_t serial) {
  serials_[serial] = player.Serial;
  known_.insert(player.Serial);
}

TPlayer* TJournalReplay::Find(size_t index, const TJournalPlayer& who) {
  const std::string name = "player #" + std::to_string(who.Serial);
  if (const auto mapped = serials_.find(who.Serial); mapped != serials_.end()) {
    TPlayer* player = Team.FindPlayer(TRef{who.Place, mapped->second});
    if (!player) Fail(index, name + " is no longer in the world");
    if (Team.IndexOf(player) != who.Place)
      Fail(index, name + " stands at place " + std::to_string(Team.IndexOf(player)) + ", the journal says " +
                      std::to_string(who.Place) + ": the world is not the one the journal was written on");
    return player;
  }
  // Met for the first time: the player at its place, if no other stands for it.
  if (who.Place >= Team.PlayerCount())
    Fail(index, name + " is not in the world: the journal has it at place " + std::to_string(who.Place) +
                    ", the team has " + std::to_string(Team.PlayerCount()) + " players");
  TPlayer* player = Team.GetPlayer(who.Place);
  if (known_.count(player->Serial))
    Fail(index, name + " is not in the world: at place " + std::to_string(who.Place) +
                    " stands another player of the journal");
  Adopt(*player, who.Serial);
  return player;
}

void TJournalReplay::Apply(size_t index) {
  const TJournalRecord& record = Journal.Records()[index];
  const std::string prefix = "Cannot replay the journal \"" + Journal.Source() + "\": ";
  const std::string path = "records[" + std::to_string(index) + "].changes[";
  auto goalsOf = [&](const TJournalChange& c) -> TGoalSet& {
    return c.Player.Serial ? *Find(index, c.Player)->Goals : *Team.Goals;
  };
  auto goalAt = [&](const TJournalChange& c, TGoalSet& set, int32_t count) {
    if (c.Goal >= count)
      Fail(index, "the journal names goal " + std::to_string(c.Goal) + " of a set of " +
                      std::to_string(set.GoalCount()));
  };
  // Players and goals first, at their places; what they hold is read once all
  // have moved (a goal may name any player of the team), then the values.
  std::vector<std::function<void()>> later;
  for (size_t k = 0; k < record.Changes.size(); ++k) {
    const TJournalChange& c = record.Changes[k];
    const std::string at = path + std::to_string(k) + "].values";
    switch (c.Kind) {
      case TJournalChange::AddPlayer: {
        const auto mapped = serials_.find(c.Player.Serial);
        if (mapped != serials_.end() && Team.FindPlayer(TRef{-1, mapped->second}))
          Fail(index, "player #" + std::to_string(c.Player.Serial) + " comes in, but it is in the world already");
        if (c.Player.Place > Team.PlayerCount())
          Fail(index, "player #" + std::to_string(c.Player.Serial) + " comes in at place " +
                          std::to_string(c.Player.Place) + ", the team has " + std::to_string(Team.PlayerCount()) +
                          " players");
        TSceneReader r(c.Values, at, prefix);
        std::unique_ptr<TPhysic2D> body = MakeBody(Track.Random.Stream, r, r.String("kind"));
        // A player that comes back (an undone removal) is the one the goals may
        // still name, by its serial: as in the world that wrote the journal.
        if (mapped != serials_.end()) body->Serial = mapped->second;
        TPlayer* player = Team.InsertPlayer(c.Player.Place, std::move(body));
        try {
          ReadPlayer(r, *player);
          ReadGoalSet(r.Child("goals"), *player->Goals, Team, later);
          r.Done();
        } catch (...) {
          Team.RemovePlayer(player, true);
          throw;
        }
        Adopt(*player, c.Player.Serial);
        break;
      }
      case TJournalChange::RemovePlayer: Team.RemovePlayer(Find(index, c.Player), true); break;
      case TJournalChange::AddGoal: {
        TGoalSet& set = goalsOf(c);
        goalAt(c, set, set.GoalCount() + 1);
        TSceneReader r(c.Values, at, prefix);
        set.Items.insert(set.Items.begin() + c.Goal, ReadGoalOf(r, set.Owner, Team, later));
        break;
      }
      case TJournalChange::RemoveGoal: {
        TGoalSet& set = goalsOf(c);
        goalAt(c, set, set.GoalCount());
        set.Items.erase(set.Items.begin() + c.Goal);
        break;
      }
      case TJournalChange::SetValue: break;
    }
  }
  for (const auto& step : later) step();
  for (const TJournalChange& c : record.Changes) {
    if (c.Kind != TJournalChange::SetValue) continue;
    if (c.Field == TField::Selected) {
      if (c.Player.Serial) Team.SelectPlayer(Find(index, c.Player));
    } else if (HolderOf(c.Field) == TFieldHolder::Track) {
      WriteField(Track, Team, c.Field, nullptr, nullptr, c.Value);
    } else if (HolderOf(c.Field) == TFieldHolder::Player) {
      WriteField(Track, Team, c.Field, Find(index, c.Player), nullptr, c.Value);
    } else {
      TGoalSet& set = goalsOf(c);
      goalAt(c, set, set.GoalCount());
      WriteField(Track, Team, c.Field, nullptr, set.Items[static_cast<size_t>(c.Goal)].get(), c.Value);
    }
  }
  // The stream as the command left it: a command that drew from it (a player put
  // at a random place) is followed by the same numbers.
  Track.Random = record.Random;
  if (record.Commit)
    for (TTeam* team : Track.Teams) team->CommitStates();
  ++applied_;
}

}  // namespace vorlanth
