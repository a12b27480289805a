// The command journal, end to end: a session without its window (every command
// compared around, undoable, recorded; cycles whose passes a seeded clock bounds)
// is replayed by the runner from the scene it began with and ends on the very
// same scene; a journal that is not one is refused with its reason.

#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>

#include <functional>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "bench/population.h"
#include "bench/world_change.h"
#include "core/elementary.h"
#include "core/goal.h"
#include "core/random.h"
#include "core/team.h"
#include "render/qt_picture.h"
#include "scene/journal.h"
#include "scene/scene.h"
#include "tools/run_sim.h"
#include "world2d/player2d.h"
#include "world2d/track2d.h"

namespace vorlanth {
namespace {

// What the window's session does with a command, without the window: the world's
// facts before and after it, its change kept for undo, its record in the journal.
// Running, commands wait in the inbox for the drawing step; paused, they apply at once.
class TSessionDriver {
 public:
  using TRemoved = std::pair<std::vector<std::unique_ptr<TPlayer>>, std::vector<std::unique_ptr<TGoal>>>;

  TSessionDriver(const std::string& scene, int32_t threads, uint32_t seed) : Population(Track), Dice(seed) {
    TSceneRead read = ReadScene(scene, Track, Team);
    Picture = std::move(read.Picture);
    Circuit = read.Circuit;
    Track.Threads = threads;
    // The window's passes stop when the cycle's time is spent: here a seeded
    // clock spends it (read by one thread at a time).
    Track.ClockMs = [this] { return Now += static_cast<int64_t>(Dice() % 40); };
  }

  void Give(bool running, const std::string& name, std::function<TRemoved()> command) {
    Do(running, [this, name, command, running] {
      const TWorldFacts before = TWorldFacts::Take(Track, Team);
      TRemoved removed = command();
      auto change = TWorldChange::Between(before, TWorldFacts::Take(Track, Team), std::move(removed.first),
                                          std::move(removed.second));
      Journal.Record(Track.CycleCount, Point(running), name, *change, false, Track, Team);
      if (!change->Empty()) Done.push_back(std::move(change));
    });
  }
  void Undo(bool running) {
    Do(running, [this, running] {
      if (Done.empty()) return;
      Done.back()->Undo(Track, Team);
      Journal.Record(Track.CycleCount, Point(running), "Undo", *Done.back(), true, Track, Team);
      Done.pop_back();
    });
  }
  void Cycle() {
    Track.Cycle();
    Journal.RecordPasses(Track.CycleCount, Track.LastPassCount);
  }

  TTrack2D Track;
  TTeam Team;
  TPopulation Population;
  TJournal Journal;
  TSceneCircuit Circuit;

 private:
  static TJournalPoint Point(bool running) { return running ? TJournalPoint::Drawing : TJournalPoint::Between; }
  void Do(bool running, std::function<void()> body) {
    if (running) {
      Track.Inbox.Post(std::move(body));
    } else {
      body();
    }
  }

  std::unique_ptr<QtPicture> Picture;
  std::mt19937 Dice;
  int64_t Now = 0;
  std::vector<std::unique_ptr<TWorldChange>> Done;
};

TSessionDriver::TRemoved Nothing() { return {}; }

// One seeded command of those the window gives: values of the track, a player
// and a goal; players added (at random places) and removed; goals added and
// deleted; a move; a selection; an undo.
void GiveOne(TSessionDriver& s, std::mt19937& dice, bool running) {
  auto uniform = [&dice](double low, double high) { return std::uniform_real_distribution<double>(low, high)(dice); };
  auto pick = [&dice](int32_t count) { return static_cast<int32_t>(dice() % static_cast<uint32_t>(count)); };
  TTeam& team = s.Team;
  switch (dice() % 12) {
    case 0: s.Give(running, "Friction", [&s, v = uniform(0, 0.5)] { s.Track.Friction = v; return Nothing(); }); break;
    case 1:
      s.Give(running, "Strength", [&team, v = uniform(0, 5), g = pick(8)] {
        if (team.Goals->GoalCount() > 0) team.Goals->GetGoal(g % team.Goals->GoalCount()).SetStrength(v);
        return Nothing();
      });
      break;
    case 2:
      s.Give(running, "Size", [&team, v = uniform(5, 12)] {
        if (auto* body = dynamic_cast<TPlayer2D*>(team.Selected)) body->SetSize(v);
        return Nothing();
      });
      break;
    case 3: s.Give(running, "Add Kart", [&s] { s.Population.AddPlayer(pkKart); return Nothing(); }); break;
    case 4: s.Give(running, "Add Rocket", [&s] { s.Population.AddPlayer(pkRocket); return Nothing(); }); break;
    case 5:
      s.Give(running, "Remove Player", [&team] {
        TSessionDriver::TRemoved removed;
        if (team.PlayerCount() > 1) removed.first.push_back(team.RemovePlayer(team.Selected, false));
        return removed;
      });
      break;
    case 6: {
      const bool add = dice() % 2 == 0;
      s.Give(running, add ? "Add a speeding goal" : "Delete the team's goals", [&s, add] {
        TSessionDriver::TRemoved removed;
        if (add) s.Population.AddSpeedingGoal(); else removed.second = s.Population.DeleteTeamGoals();
        return removed;
      });
      break;
    }
    case 7:
      s.Give(running, "Move", [&team, dx = uniform(-3, 3)] {
        if (auto* body = dynamic_cast<TPlayer2D*>(team.Selected)) body->SetPosX(body->GetPosX() + dx);
        return Nothing();
      });
      break;
    case 8:
      s.Give(running, "Select Player", [&team, p = pick(64)] {
        team.SelectPlayer(team.GetPlayer(p % team.PlayerCount()));
        return Nothing();
      });
      break;
    default: s.Undo(running); break;
  }
}

TEST(Journal, ASessionOfSeededCommandsReplayedByTheRunnerEndsOnTheSameSceneOnOneOrThreeThreads) {
  QTemporaryDir dir;
  const std::string root = dir.path().toStdString() + "/";
  const std::string start = root + "start.vorlanth.json";
  const TRun made = RunSim({"--add-karts", "3", "--add-rockets", "1", "--goal", "avoid", "--seed", "3", "--horizon",
                            "2", "--min-futures", "2", "--cycles", "0", "--save-scene", start});
  ASSERT_EQ(made.Code, 0) << made.Err;
  // Sessions that met each way a replay can part from its session: a player put
  // back mid-cycle (with the futures it left with), one placed where it touches
  // another (whose contact point the asking moved), one put back that a goal
  // still names by serial.
  for (const auto& [threads, seed] : {std::pair{1, 41u}, {1, 301u}, {1, 1901u}, {3, 43u}}) {
    const std::string tag = std::to_string(threads) + "-" + std::to_string(seed);
    std::mt19937 dice(seed);
    TSessionDriver session(start, threads, 7 + seed);
    for (int cycle = 0; cycle < 60; ++cycle) {
      const bool paused = dice() % 3 == 0;
      for (int c = static_cast<int>(dice() % 3); c > 0; --c) GiveOne(session, dice, !paused);
      session.Cycle();
    }
    for (int c = 0; c < 3; ++c) GiveOne(session, dice, false);
    // What the session went through: players added and removed, running and
    // paused; a removed player given back by an undo.
    int added = 0, removed = 0, givenBack = 0, drawing = 0;
    for (const TJournalRecord& record : session.Journal.Records()) {
      drawing += record.Point == TJournalPoint::Drawing;
      for (const TJournalChange& change : record.Changes) {
        added += change.Kind == TJournalChange::AddPlayer;
        removed += change.Kind == TJournalChange::RemovePlayer;
        givenBack += record.Undo && change.Kind == TJournalChange::AddPlayer;
      }
    }
    EXPECT_GT(added, 0);
    EXPECT_GT(removed, 0);
    EXPECT_GT(givenBack, 0);
    EXPECT_GT(drawing, 0);
    EXPECT_LT(drawing, static_cast<int>(session.Journal.Records().size()));
    const std::string whole = root + "whole" + tag + ".vorlanth.json";
    const std::string journal = root + "session" + tag + ".json";
    SaveScene(whole, session.Track, session.Circuit);
    session.Journal.Save(journal);
    for (const std::string replayThreads : {"1", "3"}) {
      const std::string replayed = root + "replayed" + tag + "-" + replayThreads + ".vorlanth.json";
      const TRun run = RunSim({"--scene", start, "--commands", journal, "--threads", replayThreads, "--save-scene",
                               replayed});
      ASSERT_EQ(run.Code, 0) << run.Err;
      EXPECT_NE(run.Out.find("\"commands\":" + std::to_string(session.Journal.Records().size())), std::string::npos)
          << run.Out;
      ASSERT_TRUE(Bytes(replayed) == Bytes(whole)) << "session on " << threads << " threads, replayed on "
                                                   << replayThreads;
    }
  }
}

// A journal that is not one, or not of this scene, is refused with the field or
// the record and the reason; the runner stops with it and nothing crashes.
TEST(Journal, EveryBadJournalIsRefusedWithItsFieldOrRecordAndReason) {
  QTemporaryDir dir;
  const std::string root = dir.path().toStdString() + "/";
  const std::string start = root + "start.vorlanth.json";
  const TRun made = RunSim({"--add-karts", "1", "--seed", "3", "--horizon", "2", "--min-futures", "2", "--cycles",
                            "0", "--save-scene", start});
  ASSERT_EQ(made.Code, 0) << made.Err;
  const std::string random = R"("random": {"seed": "5", "state": ["1", "2", "3", "4"], "spare_gauss": 0,
                                           "has_spare_gauss": false})";
  const std::string good =
      R"({"format": "vorlanth-journal", "version": 1, "model": )" + std::to_string(ModelVersion) +
      R"(, "records": [
        {"cycle": 0, "at": "between", "command": "Friction", "undo": false, "commit": false,
         "changes": [{"set": "friction", "value": 0.25}], )" + random + R"(},
        {"cycle": 1, "at": "drawing", "command": "Remove Player", "undo": false, "commit": false,
         "changes": [{"remove_player": {"serial": 900, "place": 1}}], )" + random + R"(}@MORE@],
       "passes": [[1, 2], [2, 3]]})";
  auto more = [&random](const std::string& command, const std::string& change) {
    return R"(, {"cycle": 2, "at": "between", "command": ")" + command + R"(", "undo": false, "commit": false, "changes": [)" + change +
           "], " + random + "}";
  };
  struct TCase {
    std::string From, To, Error;
  };
  const std::vector<TCase> cases = {
      {"", "", ""},  // the journal as it is: replayed
      {"{\"format\"", "{\"format\" 5", "not JSON"},
      {"\"undo\": false,", "\"undo\": false, \"colour\": 1,", "records[0].colour: unknown field"},
      {"\"cycle\": 0", "\"cycle\": \"zero\"", "records[0].cycle: a number is expected"},
      {"\"undo\": false,", "\"undo\": false, \"undo\": true,", "records[0].undo: the field is given twice"},
      {"\"cycle\": 1, \"at\": \"drawing\"", "\"cycle\": 0, \"at\": \"drawing\"",
       "records[1]: the record (cycle 0, drawing) comes before the one above it (cycle 0, between)"},
      {"\"friction\"", "\"gravity\"", "records[0].changes[0].set: unknown value \"gravity\""},
      {"0.25", "7", "records[0].changes[0].value: the value 7 is out of its bounds [0, 1]"},
      {"{\"set\": \"friction\",", "{\"remove_goal\": 0, \"set\": \"friction\",", "records[0].changes[0]: one of"},
      {"[[1, 2], [2, 3]]", "[[2, 2], [1, 3]]", "passes[1]: cycle 1 comes after cycle 2: the cycles go up"},
      {"\"version\": 1", "\"version\": 2", "version: format 2 is newer than this program reads (1)"},
      {"\"at\": \"between\", \"command\": \"Friction\"", "\"at\": \"drawing\", \"command\": \"Friction\"",
       "records[0] (\"Friction\", cycle 0, drawing): it took effect before the world's cycle 0"},
      {"\"place\": 1}", "\"place\": 40}",
       "records[1] (\"Remove Player\", cycle 1, drawing): player #900 is not in the world: the journal has it at "
       "place 40, the team has 2 players."},
      {"@MORE@", more("Size", R"({"set": "size", "player": {"serial": 900, "place": 1}, "value": 8})"),
       "records[2] (\"Size\", cycle 2, between): player #900 is no longer in the world."},
      {"@MORE@", more("Add Kart", R"({"add_player": {"serial": 901, "place": 0}, "values": {"kind": "tank"}})"),
       "records[2].changes[0].values.kind: unknown kind \"tank\""},
      {"@MORE@", more("Delete", R"({"remove_goal": 50, "owner": null})"),
       "records[2] (\"Delete\", cycle 2, between): the journal names goal 50 of a set of 1."},
  };
  for (size_t i = 0; i < cases.size(); ++i) {
    std::string text = good;
    if (!cases[i].From.empty()) {
      const size_t at = text.find(cases[i].From);
      ASSERT_NE(at, std::string::npos) << cases[i].From;
      text.replace(at, cases[i].From.size(), cases[i].To);
    }
    if (const size_t at = text.find("@MORE@"); at != std::string::npos) text.erase(at, 6);
    const std::string journal = root + "j" + std::to_string(i) + ".json";
    {
      QFile file(QString::fromStdString(journal));
      ASSERT_TRUE(file.open(QIODevice::WriteOnly));
      file.write(text.data(), static_cast<qint64>(text.size()));
    }
    const TRun run = RunSim({"--scene", start, "--commands", journal, "--threads", "1"});
    if (cases[i].Error.empty()) {
      EXPECT_EQ(run.Code, 0) << run.Err;
      EXPECT_NE(run.Out.find("\"commands\":2"), std::string::npos) << run.Out;
      EXPECT_NE(run.Out.find("\"cycles\":2"), std::string::npos) << run.Out;
      continue;
    }
    EXPECT_EQ(run.Code, 2) << "case " << i;
    EXPECT_NE(run.Err.find(cases[i].Error), std::string::npos) << "case " << i << ": " << run.Err;
    EXPECT_NE(run.Err.find("journal \"" + journal + "\""), std::string::npos) << "case " << i << ": " << run.Err;
  }
  const TRun missing = RunSim({"--scene", start, "--commands", root + "none.json"});
  EXPECT_EQ(missing.Code, 2);
  EXPECT_NE(missing.Err.find("Cannot read the journal \"" + root + "none.json\": the file does not exist."),
            std::string::npos) << missing.Err;
}

}  // namespace
}  // namespace vorlanth
