#pragma once
// A world driven from a script: the runner's world (a built-in scene or a scene
// file, on the Qt canvas without a display) behind one handle. Every change a
// script makes to the world (a goal's strength, a setting, a player's controls)
// goes through one of the handle's few setters, the places that become commands
// of the world's journal once the world runs on a thread of its own.
//
// Random numbers: each world owns its seed and stream (core/random.h), so two
// worlds driven from two threads run side by side and give what each gives alone.
// Every operation on a world takes that world's lock, so a world is read and
// changed from any thread; a caller holding another lock (Python's) lets go of it
// first.

#include <QImage>
#include <QJsonObject>

#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "bench/population.h"
#include "core/random.h"
#include "core/team.h"
#include "scene/journal.h"
#include "scene/scene.h"
#include "tools/behaviour.h"
#include "world2d/track2d.h"

namespace vorlanth {

class QtCanvas;
class QtPicture;
class TVideoWriter;

// How a built-in world is made, as the runner's flags make it.
struct TBuiltinWorld {
  std::string Scene = "start";      // start | circle | asteroids
  uint64_t Seed = 0;
  std::string Circuit;              // a BMP file; empty: the built-in circuit
  int32_t HorizonSeconds = 10;      // 1..20
  int32_t MinFutures = 100;         // 1..2000
  bool Collisions = true;
  std::vector<std::string> Goals;   // team goals by the runner's --goal names
  int32_t ExtraKarts = 0;           // 0..500 each
  int32_t ExtraRockets = 0;
  int32_t ExtraAsteroids = 0;
};

// One player as it stands after the last cycle.
struct TPlayerRow {
  std::string Kind;                   // kart, rocket, asteroid or player
  double X = 0, Y = 0;                // pixels
  double Heading = 0;                 // radians
  double Speed = 0;                   // pixels/s
  double Health = 0, Energy = 0;
  std::vector<double> Controls;       // the free parameters, in order
  std::vector<std::string> ControlNames;
};

// A goal as a script names it: its name, " #2" for the second of that name.
struct TGoalRow {
  std::string Name;
  double Strength = 0;
  double MaxStrength = 0;
};

class TWorldHandle {
 public:
  ~TWorldHandle();
  TWorldHandle(const TWorldHandle&) = delete;
  TWorldHandle& operator=(const TWorldHandle&) = delete;

  // A scene file, going on with its own stream or, given a seed, a fresh one.
  static std::unique_ptr<TWorldHandle> Open(const std::string& path, std::optional<uint64_t> seed);
  static std::unique_ptr<TWorldHandle> Builtin(const TBuiltinWorld& options);

  // The setters: each checks its value and changes the world or nothing.
  // A goal of the team (player < 0) or of a player's own set, by name.
  void SetGoalStrength(const std::string& goal, double strength, int32_t player = -1);
  // horizon (s), min_futures, futures (0: by the clock), threads, friction,
  // side_friction, collisions, evolution.
  void SetSetting(const std::string& name, double value);
  // The player's controls, held until released: it runs its futures but no
  // longer decides.
  void SetControls(int32_t player, const std::vector<double>& controls);
  void ReleaseControls(int32_t player);
  // A fixed cursor over the circuit for the mouse goals; none: the cursor is off.
  void SetMouse(std::optional<std::pair<int32_t, int32_t>> mouse);
  // Cycles draw the picture (frames, films) while on.
  void SetDrawing(bool on);

  // Runs the cycles on the calling thread. Before each cycle, `beforeCycle` (when
  // set) may call the setters: it is where an external controller acts.
  void Run(int64_t cycles, const std::function<void()>& beforeCycle = {});

  std::vector<TPlayerRow> Players() const;
  std::vector<TGoalRow> Goals(int32_t player = -1) const;
  double Setting(const std::string& name) const;
  static const std::vector<std::string>& SettingNames();
  bool Drawing() const;
  int64_t CycleNumber() const;  // cycles of the world since it began
  // The picture as the last cycle drew it (RGB32); raises when cycles do not draw.
  QImage Frame() const;
  void Save(const std::string& path);
  // The command journal since the world was opened or built: every goal strength
  // and setting set, and the passes each cycle ran; written with the scene it
  // starts from, whose name it returns (`vorlanth-sim --scene <start> --commands
  // <journal>` replays them). Controls set by a script are not in it.
  std::string SaveJournal(const std::string& path);
  // The league's behaviour metrics since the world was opened, with the runner's
  // summary figures that do not depend on the clock.
  QJsonObject Metrics() const;

  // A film of every cycle run until FinishFilm (drawing on meanwhile).
  void StartFilm(const std::string& path, int32_t fps);
  void FinishFilm();

 private:
  TWorldHandle();
  void Began();
  void CheckPlayer(int32_t player) const;
  TGoalSet& GoalSetOf(int32_t player) const;
  void CheckMouseGoals() const;
  // A setter's change, as the window's commands are: compared around it, journaled.
  void Journaled(const std::string& name, const std::function<void()>& change);
  void ApplySetting(const std::string& name, double value);

  // Taken by every operation. Recursive, so that a controller called from the
  // world's cycles may read and change the world.
  mutable std::recursive_mutex Lock;
  TTrack2D Track;
  TTeam Team;
  TPopulation Population;
  std::unique_ptr<QtPicture> Picture;
  std::unique_ptr<QtCanvas> FrameCanvas;
  std::unique_ptr<TVideoWriter> Video;
  TSceneCircuit Circuit;
  TBehaviour Behaviour;
  std::optional<std::pair<int32_t, int32_t>> Mouse;
  double DropEnergyBefore = 0;
  int64_t Cycles = 0;
  int64_t Passes = 0;
  double Distinct = 0;
  bool Drawn = false;      // a cycle has drawn the picture
  std::string SceneFile;   // empty for a built-in world
  TJournal Journal;
  TJournalStart JournalStart;
};

}  // namespace vorlanth
