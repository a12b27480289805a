#include "python/world.h"

#include <QJsonArray>

#include <cmath>
#include <mutex>

#include "bench/goal_kinds.h"
#include "bench/player_reading.h"
#include "bench/scenes.h"
#include "core/error.h"
#include "core/player.h"
#include "goals/drops_goal.h"
#include "goals/mouse_goal.h"
#include "render/builtin_circuit.h"
#include "render/qt_canvas.h"
#include "render/qt_picture.h"
#include "tools/canvas_frame.h"
#include "video/video_writer.h"
#include "world2d/player2d.h"

namespace vorlanth {
namespace {

double DropEnergyGained(const TTeam& team) {
  double energy = 0;
  for (int32_t g = 0; g < team.Goals->GoalCount(); ++g)
    if (auto* drops = dynamic_cast<TGoal2DSweets*>(&team.Goals->GetGoal(g)))
      energy += drops->PresentEnergyGained;
  return energy;
}

// A whole number within [lo, hi], or a clear refusal naming the setting.
int32_t WholeSetting(const std::string& name, double value, double lo, double hi) {
  if (!(value >= lo && value <= hi) || value != std::floor(value))
    throw Error("Bad value " + std::to_string(value) + " for the setting \"" + name +
                "\": expected a whole number from " + std::to_string(static_cast<int64_t>(lo)) + " to " +
                std::to_string(static_cast<int64_t>(hi)) + ".");
  return static_cast<int32_t>(value);
}

bool FlagSetting(const std::string& name, double value) {
  if (value != 0 && value != 1)
    throw Error("Bad value " + std::to_string(value) + " for the setting \"" + name + "\": expected true or false.");
  return value == 1;
}

// Friction is read by karts each sub-step; a scene holds at most this much.
constexpr double kMostFriction = 1;

// The goals of a set with the names a script gives them.
std::vector<std::string> GoalNames(TGoalSet& goals) {
  std::vector<std::string> names;
  for (int32_t g = 0; g < goals.GoalCount(); ++g) {
    const std::string& name = goals.GetGoal(g).Name;
    int32_t occurrence = 1;
    for (int32_t h = 0; h < g; ++h) occurrence += goals.GetGoal(h).Name == name ? 1 : 0;
    names.push_back(occurrence == 1 ? name : name + " #" + std::to_string(occurrence));
  }
  return names;
}

}  // namespace

TWorldHandle::TWorldHandle() : Population(Track) {
  // The window carries its "Draw Gain/Loose Feelings" check to each new player.
  Population.OnPlayerAdded = [](TPlayer& player) { player.ShowFeelings = true; };
  Track.MouseSource = [this](int32_t& x, int32_t& y) {
    if (!Mouse) return false;
    x = Mouse->first;
    y = Mouse->second;
    return true;
  };
}

TWorldHandle::~TWorldHandle() {
  if (Video) {
    try {
      Video->Finish();
    } catch (const Error&) {
      // A film left unfinished is no film: nothing is kept under its name.
    }
  }
}

std::unique_ptr<TWorldHandle> TWorldHandle::Open(const std::string& path, std::optional<uint64_t> seed) {
  std::unique_ptr<TWorldHandle> world(new TWorldHandle());
  TSceneRead read = ReadScene(path, world->Track, world->Team);
  world->Picture = std::move(read.Picture);
  world->Circuit = read.Circuit;
  world->SceneFile = path;
  if (seed) world->Track.Random.SeedRun(*seed);  // else the scene's stream goes on
  world->Began();
  return world;
}

std::unique_ptr<TWorldHandle> TWorldHandle::Builtin(const TBuiltinWorld& o) {
  if (!IsBuiltinScene(o.Scene))
    throw Error("Unknown scene \"" + o.Scene + "\": expected start, circle or asteroids.");
  const auto within = [](const char* what, int32_t value, int32_t lo, int32_t hi) {
    if (value < lo || value > hi)
      throw Error(std::string("Bad value ") + std::to_string(value) + " for " + what + ": expected " +
                  std::to_string(lo) + " to " + std::to_string(hi) + ".");
  };
  within("horizon", o.HorizonSeconds, 1, 20);
  within("min_futures", o.MinFutures, 1, 2000);
  within("add_karts", o.ExtraKarts, 0, 500);
  within("add_rockets", o.ExtraRockets, 0, 500);
  within("add_asteroids", o.ExtraAsteroids, 0, 500);
  for (const std::string& goal : o.Goals)
    if (!FindGoalKind(goal)) throw Error("Unknown goal \"" + goal + "\": expected one of " + GoalKindNames() + ".");
  std::unique_ptr<TWorldHandle> world(new TWorldHandle());
  TWorldHandle& w = *world;
  w.Track.Random.SeedRun(o.Seed);
  // The window's start-up, as the runner builds it.
  w.Picture = o.Circuit.empty() ? LoadBuiltinCircuit() : LoadPicture(o.Circuit);
  w.Circuit.Path = o.Circuit;
  w.Track.LoadFromImage(*w.Picture);
  w.Track.AddTeam(&w.Team);
  w.Track.HorizonMs = o.HorizonSeconds * 1000;
  w.Track.MinFutures = o.MinFutures;
  w.Track.Collisions = o.Collisions;
  BuildBuiltinScene(w.Population, o.Scene);
  for (int32_t i = 0; i < o.ExtraKarts; ++i) w.Population.AddPlayer(pkKart);
  for (int32_t i = 0; i < o.ExtraRockets; ++i) w.Population.AddPlayer(pkRocket);
  w.Population.AddAsteroids(o.ExtraAsteroids);
  for (const std::string& goal : o.Goals) {
    FindGoalKind(goal)->Add(w.Population);
    if (goal == "burnout") w.Team.Selected->Goals->ShowGoals = true;
  }
  w.Team.CommitStates();
  w.Began();
  return world;
}

void TWorldHandle::Began() {
  Track.Threads = 1;
  Behaviour.Watch(Track);
  DropEnergyBefore = DropEnergyGained(Team);
  JournalStart.Take(Track, Circuit);
}

void TWorldHandle::Journaled(const std::string& name, const std::function<void()>& change) {
  const TWorldFacts before = TWorldFacts::Take(Track, Team);
  change();  // raises before changing anything
  const auto changed = TWorldChange::Between(before, TWorldFacts::Take(Track, Team), {}, {});
  Journal.Record(Track.CycleCount, TJournalPoint::Between, name, *changed, false, Track, Team);
}

std::string TWorldHandle::SaveJournal(const std::string& path) {
  const std::lock_guard<std::recursive_mutex> lock(Lock);
  return JournalStart.Save(Journal, path);
}

void TWorldHandle::CheckPlayer(int32_t player) const {
  if (player < 0 || player >= Track.PlayerCount())
    throw Error("No player " + std::to_string(player) + ": the world has " + std::to_string(Track.PlayerCount()) +
                " players, numbered from 0.");
}

TGoalSet& TWorldHandle::GoalSetOf(int32_t player) const {
  if (player < 0) return *Team.Goals;
  CheckPlayer(player);
  return *Track.GetPlayer(player)->Goals;
}

void TWorldHandle::SetGoalStrength(const std::string& goal, double strength, int32_t player) {
  const std::lock_guard<std::recursive_mutex> lock(Lock);
  TGoalSet& goals = GoalSetOf(player);
  const std::vector<std::string> names = GoalNames(goals);
  std::string known;
  for (size_t g = 0; g < names.size(); ++g) {
    if (names[g] != goal) {
      known += (known.empty() ? "\"" : ", \"") + names[g] + "\"";
      continue;
    }
    TGoal& target = goals.GetGoal(static_cast<int32_t>(g));
    if (!(strength >= 0 && strength <= target.MaxStrength))
      throw Error("Bad strength " + std::to_string(strength) + " for the goal \"" + goal + "\": expected 0 to " +
                  std::to_string(target.MaxStrength) + ".");
    Journaled("Strength", [&] { target.SetStrength(strength); });
    return;
  }
  const std::string owner = player < 0 ? "The team" : "Player " + std::to_string(player);
  throw Error(owner + " has no goal \"" + goal + "\"" + (known.empty() ? " (it has none)." : "; it has " + known + "."));
}

const std::vector<std::string>& TWorldHandle::SettingNames() {
  static const std::vector<std::string> names = {"horizon",  "min_futures",   "futures",    "threads",    "lanes",
                                                 "friction", "side_friction", "collisions", "evolution"};
  return names;
}

void TWorldHandle::SetSetting(const std::string& name, double value) {
  const std::lock_guard<std::recursive_mutex> lock(Lock);
  Journaled(name, [&] { ApplySetting(name, value); });
}

void TWorldHandle::ApplySetting(const std::string& name, double value) {
  if (name == "horizon") {
    Track.HorizonMs = WholeSetting(name, value, 1, 20) * 1000;
  } else if (name == "min_futures") {
    Track.MinFutures = WholeSetting(name, value, 1, 2000);
  } else if (name == "futures") {
    Track.FixedFutures = WholeSetting(name, value, 0, 1'000'000);
  } else if (name == "threads") {
    Track.Threads = WholeSetting(name, value, 1, TTrack::MaxThreads);
  } else if (name == "lanes") {
    Track.Lanes = WholeSetting(name, value, 1, TTrack::MaxLanes);
  } else if (name == "friction" || name == "side_friction") {
    if (!(value >= 0 && value <= kMostFriction))
      throw Error("Bad value " + std::to_string(value) + " for the setting \"" + name + "\": expected 0 to 1.");
    (name == "friction" ? Track.Settings.Friction : Track.Settings.SideFriction) = value;
  } else if (name == "collisions") {
    Track.Collisions = FlagSetting(name, value);
  } else if (name == "evolution") {
    Track.SetEvolution(FlagSetting(name, value));
  } else {
    std::string known;
    for (const std::string& n : SettingNames()) known += (known.empty() ? "" : ", ") + n;
    throw Error("Unknown setting \"" + name + "\": expected one of " + known + ".");
  }
}

double TWorldHandle::Setting(const std::string& name) const {
  const std::lock_guard<std::recursive_mutex> lock(Lock);
  if (name == "horizon") return Track.HorizonMs / 1000.0;
  if (name == "min_futures") return Track.MinFutures;
  if (name == "futures") return Track.FixedFutures;
  if (name == "threads") return Track.Threads;
  if (name == "lanes") return Track.Lanes;
  if (name == "friction") return Track.Settings.Friction;
  if (name == "side_friction") return Track.Settings.SideFriction;
  if (name == "collisions") return Track.Collisions ? 1 : 0;
  if (name == "evolution") return Track.Evolution ? 1 : 0;
  throw Error("Unknown setting \"" + name + "\".");
}

void TWorldHandle::SetControls(int32_t player, const std::vector<double>& controls) {
  const std::lock_guard<std::recursive_mutex> lock(Lock);
  CheckPlayer(player);
  TPlayer& p = *Track.GetPlayer(player);
  TState& present = *p.Present;
  if (static_cast<int32_t>(controls.size()) != present.FreeParamCount())
    throw Error("Player " + std::to_string(player) + " has " + std::to_string(present.FreeParamCount()) +
                " controls, not " + std::to_string(controls.size()) + ".");
  for (size_t c = 0; c < controls.size(); ++c) {
    const TStateParam& control = present.GetFreeParam(static_cast<int32_t>(c));
    if (!(controls[c] >= control.Minimum() && controls[c] <= control.Maximum()))
      throw Error("Bad value " + std::to_string(controls[c]) + " for the control \"" + control.Name() +
                  "\" of player " + std::to_string(player) + ": expected " + std::to_string(control.Minimum()) +
                  " to " + std::to_string(control.Maximum()) + ".");
  }
  for (size_t c = 0; c < controls.size(); ++c) present.GetFreeParam(static_cast<int32_t>(c)).SetValue(controls[c]);
  p.ExternalControls = true;
}

void TWorldHandle::ReleaseControls(int32_t player) {
  const std::lock_guard<std::recursive_mutex> lock(Lock);
  CheckPlayer(player);
  Track.GetPlayer(player)->ExternalControls = false;
}

void TWorldHandle::SetMouse(std::optional<std::pair<int32_t, int32_t>> mouse) {
  const std::lock_guard<std::recursive_mutex> lock(Lock);
  if (mouse) {
    const auto [x, y] = *mouse;
    if (!(0 < x && x < Track.Width() && 0 < y && y < Track.Height()))
      throw Error("The cursor (" + std::to_string(x) + ", " + std::to_string(y) + ") is not over the circuit, "
                  "which is " + std::to_string(Track.Width()) + " x " + std::to_string(Track.Height()) + " pixels.");
  }
  Mouse = mouse;
}

void TWorldHandle::SetDrawing(bool on) {
  const std::lock_guard<std::recursive_mutex> lock(Lock);
  if (!on && Video) throw Error("A film is being made: drawing stays on until it is finished.");
  if (on && !FrameCanvas) {
    FrameCanvas = std::make_unique<QtCanvas>(&Picture->Image());
    Track.ImageCanvas = FrameCanvas.get();
  } else if (!on && FrameCanvas) {
    Track.ImageCanvas = nullptr;
    FrameCanvas.reset();
    Drawn = false;
  }
}

bool TWorldHandle::Drawing() const {
  const std::lock_guard<std::recursive_mutex> lock(Lock);
  return FrameCanvas != nullptr;
}

void TWorldHandle::CheckMouseGoals() const {
  if (Mouse) return;
  const auto holds = [](TGoalSet& goals) {
    for (int32_t g = 0; g < goals.GoalCount(); ++g)
      if (dynamic_cast<const TGoalMouse*>(&goals.GetGoal(g))) return true;
    return false;
  };
  bool found = holds(*Team.Goals);
  for (TPlayer* player : Track.Players) found = found || holds(*player->Goals);
  if (found) throw Error("The world holds a mouse goal, which needs a cursor: give one with mouse=(x, y).");
}

void TWorldHandle::Run(int64_t cycles, const std::function<void()>& beforeCycle) {
  if (cycles < 0) throw Error("Bad number of cycles " + std::to_string(cycles) + ": expected 0 or more.");
  const std::lock_guard<std::recursive_mutex> lock(Lock);
  CheckMouseGoals();
  for (int64_t run = 0; run < cycles; ++run) {
    if (beforeCycle) beforeCycle();
    Track.Cycle();
    Journal.RecordPasses(Track.CycleCount, Track.LastPassCount);
    ++Cycles;
    Passes += Track.LastPassCount;
    double cycleDistinct = 0;
    for (TPlayer* p : Track.Players) cycleDistinct += p->Futures->FutureCount();
    if (Track.PlayerCount() > 0) Distinct += cycleDistinct / Track.PlayerCount();
    Behaviour.Watch(Track);
    if (FrameCanvas) {
      FrameCanvas->End();
      Drawn = true;
    }
    if (Video) Video->AddFrame(CanvasFrame(Picture->Image()));
  }
}

std::vector<TPlayerRow> TWorldHandle::Players() const {
  const std::lock_guard<std::recursive_mutex> lock(Lock);
  std::vector<TPlayerRow> rows;
  for (TPlayer* player : Track.Players) {
    auto& body = static_cast<TPlayer2D&>(*player);
    TPlayerRow row;
    row.Kind = KindName(body);
    row.X = body.GetPosX();
    row.Y = body.GetPosY();
    row.Heading = body.GetAngle();
    row.Speed = BodySpeed(body);
    row.Health = body.GetHealth();
    row.Energy = body.GetEnergy();
    TState& present = *body.Present;
    for (int32_t c = 0; c < present.FreeParamCount(); ++c) {
      row.Controls.push_back(present.GetFreeParam(c).Value);
      row.ControlNames.push_back(present.GetFreeParam(c).Name());
    }
    rows.push_back(std::move(row));
  }
  return rows;
}

std::vector<TGoalRow> TWorldHandle::Goals(int32_t player) const {
  const std::lock_guard<std::recursive_mutex> lock(Lock);
  TGoalSet& goals = GoalSetOf(player);
  const std::vector<std::string> names = GoalNames(goals);
  std::vector<TGoalRow> rows;
  for (size_t g = 0; g < names.size(); ++g) {
    const TGoal& goal = goals.GetGoal(static_cast<int32_t>(g));
    rows.push_back({names[g], goal.Strength, goal.MaxStrength});
  }
  return rows;
}

int64_t TWorldHandle::CycleNumber() const {
  const std::lock_guard<std::recursive_mutex> lock(Lock);
  return static_cast<int64_t>(Track.CycleCount);
}

QImage TWorldHandle::Frame() const {
  const std::lock_guard<std::recursive_mutex> lock(Lock);
  if (!Drawn)
    throw Error("No frame yet: the world draws only while drawing is on (draw=True), from the next cycle run.");
  return Picture->Image().convertToFormat(QImage::Format_RGB888);
}

void TWorldHandle::Save(const std::string& path) {
  if (!IsSceneFileName(path))
    throw Error("A scene is saved under a name ending with " + std::string(SceneExtension) + ", not \"" + path +
                "\".");
  const std::lock_guard<std::recursive_mutex> lock(Lock);
  SaveScene(path, Track, Circuit);
}

QJsonObject TWorldHandle::Metrics() const {
  const std::lock_guard<std::recursive_mutex> lock(Lock);
  QJsonObject metrics = Behaviour.Summary(Track);
  int32_t alive = 0;
  for (TPlayer* p : Track.Players) alive += p->IsDead() ? 0 : 1;
  const double cycles = static_cast<double>(std::max<int64_t>(Cycles, 1));
  metrics[QStringLiteral("cycles")] = static_cast<qint64>(Cycles);
  metrics[QStringLiteral("players")] = Track.PlayerCount();
  metrics[QStringLiteral("alive")] = alive;
  metrics[QStringLiteral("futures_per_cycle")] = RoundFigure(static_cast<double>(Passes) / cycles);
  metrics[QStringLiteral("distinct_futures_per_cycle")] = RoundFigure(Distinct / cycles);
  metrics[QStringLiteral("drop_energy")] = RoundFigure(DropEnergyGained(Team) - DropEnergyBefore);
  return metrics;
}

void TWorldHandle::StartFilm(const std::string& path, int32_t fps) {
  const std::lock_guard<std::recursive_mutex> lock(Lock);
  if (Video) throw Error("A film is already being made: finish it first.");
  if (fps < 1 || fps > MaxVideoFps)
    throw Error("Bad frame rate " + std::to_string(fps) + ": expected 1 to " + std::to_string(MaxVideoFps) + ".");
  TVideoOptions options;
  options.Fps = fps;
  Video = std::make_unique<TVideoWriter>(path, options);
  SetDrawing(true);
}

void TWorldHandle::FinishFilm() {
  const std::lock_guard<std::recursive_mutex> lock(Lock);
  if (!Video) throw Error("No film is being made.");
  std::unique_ptr<TVideoWriter> video = std::move(Video);
  video->Finish();
}

}  // namespace vorlanth
