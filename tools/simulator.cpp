#include "tools/simulator.h"

#include <QDir>
#include <QFileInfo>

#include <chrono>
#include <cstdio>
#include <fstream>
#include <iomanip>
#include <memory>
#include <ostream>
#include <sstream>

#include "bench/population.h"
#include "core/error.h"
#include "core/random.h"
#include "core/team.h"
#include "goals/drops_goal.h"
#include "render/builtin_circuit.h"
#include "render/qt_canvas.h"
#include "render/qt_picture.h"
#include "world2d/kart.h"
#include "world2d/physic2d.h"
#include "world2d/polygon2d.h"
#include "world2d/rocket.h"
#include "world2d/track2d.h"

namespace vorlanth {
namespace {

int64_t ParseInteger(const std::string& flag, const std::string& text, int64_t lo, int64_t hi) {
  size_t used = 0;
  long long value = 0;
  try {
    value = std::stoll(text, &used);
  } catch (const std::exception&) {
    used = 0;
  }
  if (used != text.size() || text.empty() || value < lo || value > hi) {
    throw Error("Bad value \"" + text + "\" for " + flag + ": expected an integer from " +
                std::to_string(lo) + " to " + std::to_string(hi) + ".");
  }
  return value;
}

const char* KindName(const TPlayer& player) {
  if (dynamic_cast<const TRocket*>(&player)) return "rocket";
  if (dynamic_cast<const TKart*>(&player)) return "kart";
  if (dynamic_cast<const TPolygon2D*>(&player)) return "asteroid";
  return "player";
}

// Gives the team a goal through the menu's command of that name.
void AddGoalByName(TPopulation& population, const std::string& name) {
  if (name == "speeding") population.AddSpeedingGoal();
  else if (name == "energy") population.AddEnergyGoal();
  else if (name == "health") population.AddHealthGoal();
  else if (name == "drops") population.AddDropsGoal();
  else if (name == "storage") population.AddStorageGoal();
  else if (name == "avoid") population.AddAvoidGoal();
  else if (name == "follow-mouse") population.AddMouseGoal(false);
  else if (name == "avoid-mouse") population.AddMouseGoal(true);
  else if (name == "burnout") population.AddBurnOutGoal();
  else throw Error("Unknown goal \"" + name + "\".");
}

std::string FrameName(const std::string& prefix, int64_t counter) {
  char digits[32];
  std::snprintf(digits, sizeof digits, "%5.5lld", static_cast<long long>(counter));
  return prefix + "_" + digits + ".bmp";
}

void DrawProgress(std::ostream& err, int64_t done, int64_t total) {
  constexpr int kWidth = 40;
  const int filled = total > 0 ? static_cast<int>(kWidth * done / total) : kWidth;
  err << "\r[" << std::string(static_cast<size_t>(filled), '#')
      << std::string(static_cast<size_t>(kWidth - filled), ' ') << "] " << done << "/" << total
      << std::flush;
}

// Energy gained from drops in the present, summed over the team's drop goals.
double DropEnergyGained(TTeam& team) {
  double energy = 0;
  for (int32_t g = 0; g < team.Goals->GoalCount(); ++g)
    if (auto* drops = dynamic_cast<TGoal2DSweets*>(&team.Goals->GetGoal(g)))
      energy += drops->PresentEnergyGained;
  return energy;
}

class TSimulation {
 public:
  TSimulation(const TSimOptions& options, std::ostream& out, std::ostream& err, bool progress)
      : Options(options), Out(out), Err(err), Progress(progress), Population(Track) {}

  int Run();

 private:
  void BuildScene();
  void OpenOutputs();
  void WriteStats(int64_t cycle);
  void SaveFrame(int64_t counter);

  const TSimOptions& Options;
  std::ostream& Out;
  std::ostream& Err;
  bool Progress;
  TTrack2D Track;
  TTeam Team;
  TPopulation Population;
  std::unique_ptr<QtPicture> Picture;
  std::unique_ptr<QtCanvas> FrameCanvas;
  std::ofstream Stats;
  std::string StatsTemp;
};

void TSimulation::BuildScene() {
  // The window's start-up: circuit, team, a rocket, the drop goal, feelings drawn.
  Picture = Options.Circuit.empty() ? LoadBuiltinCircuit() : LoadPicture(Options.Circuit);
  Track.LoadFromImage(*Picture);
  Track.AddTeam(&Team);
  Track.HorizonMs = Options.HorizonSeconds * 1000;
  Track.MinFutures = Options.MinFutures;
  Track.FixedFutures = Options.Futures;
  Track.Collisions = Options.Collisions;
  // The window carries its "Draw Gain/Loose Feelings" check to each new player.
  Population.OnPlayerAdded = [](TPlayer& player) { player.ShowFeelings = true; };
  Population.AddPlayer(pkRocket);
  Population.AddDropsGoal();
  Team.Goals->ShowGoals = true;

  if (Options.Scene == "circle") Population.AddCircleOfKarts();
  if (Options.Scene == "asteroids") Population.AddAsteroids(TPopulation::AsteroidGroupCount);
  for (int32_t i = 0; i < Options.ExtraKarts; ++i) Population.AddPlayer(pkKart);
  for (int32_t i = 0; i < Options.ExtraRockets; ++i) Population.AddPlayer(pkRocket);
  Population.AddAsteroids(Options.ExtraAsteroids);
  for (const std::string& goal : Options.Goals) {
    AddGoalByName(Population, goal);
    if (goal == "burnout") Team.Selected->Goals->ShowGoals = true;
  }
  if (Options.Evolution) Track.SetEvolution(true);
}

void TSimulation::OpenOutputs() {
  if (!Options.FramesPrefix.empty()) {
    const QFileInfo prefix(QString::fromStdString(Options.FramesPrefix));
    const QFileInfo folder(prefix.absolutePath());
    if (!folder.isDir() || !folder.isWritable())
      throw Error("Cannot write frames: the folder \"" + folder.absoluteFilePath().toStdString() +
                  "\" does not exist or is not writable.");
    FrameCanvas = std::make_unique<QtCanvas>(&Picture->Image());
    Track.ImageCanvas = FrameCanvas.get();
  }
  if (!Options.StatsFile.empty()) {
    // Written beside the target and renamed at the end: nothing half-written.
    StatsTemp = Options.StatsFile + ".part";
    Stats.open(StatsTemp, std::ios::trunc);
    if (!Stats) throw Error("Cannot write the statistics file \"" + Options.StatsFile + "\".");
    Stats << "cycle,player,kind,x,y,angle,health,energy,futures,distinct_futures,grid_size,controls\n";
  }
}

void TSimulation::WriteStats(int64_t cycle) {
  if (!Stats.is_open()) return;
  for (int32_t i = 0; i < Track.PlayerCount(); ++i) {
    auto& p = static_cast<TPlayer2D&>(*Track.GetPlayer(i));
    TState& s = *p.Present;
    Stats << cycle << ',' << i + 1 << ',' << KindName(p) << ',' << p.GetPosX() << ','
          << p.GetPosY() << ',' << p.GetAngle() << ',' << p.GetHealth() << ',' << p.GetEnergy()
          << ',' << Track.LastPassCount << ',' << p.Futures->FutureCount() << ',' << p.GridSize
          << ',';
    for (int32_t f = 0; f < s.FreeParamCount(); ++f) Stats << (f ? " " : "") << s.GetFreeParam(f).Value;
    Stats << '\n';
  }
}

void TSimulation::SaveFrame(int64_t counter) {
  FrameCanvas->End();
  SavePicture(Picture->Image(), FrameName(Options.FramesPrefix, counter));
}

int TSimulation::Run() {
  if (Options.Seed) RandomSeed(*Options.Seed); else RandomizeFromClock();
  BuildScene();
  OpenOutputs();
  Team.CommitStates();

  using Clock = std::chrono::steady_clock;
  const int64_t subStepsBefore = Track.TotalSubSteps;
  int64_t passes = 0;
  double distinct = 0;
  double cycleSeconds = 0;
  for (int64_t cycle = 1; cycle <= Options.Cycles; ++cycle) {
    const auto start = Clock::now();
    Track.Cycle();
    cycleSeconds += std::chrono::duration<double>(Clock::now() - start).count();
    passes += Track.LastPassCount;
    double cycleDistinct = 0;
    for (TPlayer* p : Track.Players) cycleDistinct += p->Futures->FutureCount();
    if (Track.PlayerCount() > 0) distinct += cycleDistinct / Track.PlayerCount();
    WriteStats(cycle);
    if (FrameCanvas) SaveFrame(cycle);
    if (Progress) DrawProgress(Err, cycle, Options.Cycles);
  }
  if (Progress) Err << '\n';
  if (Stats.is_open()) {
    Stats.close();
    if (std::rename(StatsTemp.c_str(), Options.StatsFile.c_str()) != 0)
      throw Error("Cannot write the statistics file \"" + Options.StatsFile + "\".");
  }

  int32_t alive = 0;
  for (TPlayer* p : Track.Players) alive += p->IsDead() ? 0 : 1;
  const double cycles = static_cast<double>(std::max<int64_t>(Options.Cycles, 1));
  const int64_t subSteps = Track.TotalSubSteps - subStepsBefore;
  std::ostringstream json;
  json << std::fixed << std::setprecision(2) << "{\"cycles\": " << Options.Cycles
       << ", \"players\": " << Track.PlayerCount() << ", \"alive\": " << alive
       << ", \"futures_per_cycle\": " << passes / cycles
       << ", \"distinct_futures_per_cycle\": " << distinct / cycles
       << ", \"cycle_ms\": " << 1000 * cycleSeconds / cycles << ", \"substeps_per_second\": "
       << (cycleSeconds > 0 ? static_cast<double>(subSteps) / cycleSeconds : 0.0)
       << ", \"drop_energy\": " << DropEnergyGained(Team) << "}";
  Out << json.str() << std::endl;
  return 0;
}

}  // namespace

TSimOptions ParseSimArguments(const std::vector<std::string>& args) {
  TSimOptions o;
  bool minFuturesGiven = false;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& flag = args[i];
    auto value = [&]() -> const std::string& {
      if (i + 1 >= args.size()) throw Error("Missing value after " + flag + ".");
      return args[++i];
    };
    if (flag == "--help" || flag == "-h") {
      o.Help = true;
    } else if (flag == "--scene") {
      o.Scene = value();
      if (o.Scene != "start" && o.Scene != "circle" && o.Scene != "asteroids")
        throw Error("Unknown scene \"" + o.Scene + "\": expected start, circle or asteroids.");
    } else if (flag == "--cycles") {
      o.Cycles = ParseInteger(flag, value(), 0, 100'000'000);
    } else if (flag == "--seed") {
      o.Seed = static_cast<uint64_t>(ParseInteger(flag, value(), 0, INT64_MAX));
    } else if (flag == "--min-futures") {
      o.MinFutures = static_cast<int32_t>(ParseInteger(flag, value(), 1, 2000));
      minFuturesGiven = true;
    } else if (flag == "--futures") {
      o.Futures = static_cast<int32_t>(ParseInteger(flag, value(), 1, 1'000'000));
    } else if (flag == "--horizon") {
      o.HorizonSeconds = static_cast<int32_t>(ParseInteger(flag, value(), 1, 20));
    } else if (flag == "--add-karts") {
      o.ExtraKarts = static_cast<int32_t>(ParseInteger(flag, value(), 0, 500));
    } else if (flag == "--add-rockets") {
      o.ExtraRockets = static_cast<int32_t>(ParseInteger(flag, value(), 0, 500));
    } else if (flag == "--add-asteroids") {
      o.ExtraAsteroids = static_cast<int32_t>(ParseInteger(flag, value(), 0, 500));
    } else if (flag == "--circuit") {
      o.Circuit = value();
    } else if (flag == "--goal") {
      const std::string& goal = value();
      static const char* const known[] = {"speeding", "energy", "health", "drops", "storage",
                                          "avoid", "follow-mouse", "avoid-mouse", "burnout"};
      bool found = false;
      for (const char* k : known) found = found || goal == k;
      if (!found)
        throw Error("Unknown goal \"" + goal +
                    "\": expected speeding, energy, health, drops, storage, avoid, follow-mouse, "
                    "avoid-mouse or burnout.");
      o.Goals.push_back(goal);
    } else if (flag == "--no-collisions") {
      o.Collisions = false;
    } else if (flag == "--evolution") {
      o.Evolution = true;
    } else if (flag == "--frames") {
      o.FramesPrefix = value();
    } else if (flag == "--stats") {
      o.StatsFile = value();
    } else {
      throw Error("Unknown argument \"" + flag + "\".");
    }
  }
  if (o.Futures > 0 && minFuturesGiven)
    throw Error("--futures and --min-futures exclude each other: --futures runs exactly N passes "
                "per cycle, --min-futures at least N within the cycle's time budget.");
  return o;
}

std::string SimUsage() {
  return "usage: vorlanth-sim [--scene start|circle|asteroids] [--cycles N] [--seed S]\n"
         "                    [--min-futures N | --futures N] [--horizon SECONDS]\n"
         "                    [--circuit FILE.bmp]\n"
         "                    [--goal NAME]... [--no-collisions] [--evolution]\n"
         "                    [--frames PREFIX] [--stats FILE.csv]\n"
         "                    [--add-karts N] [--add-rockets N] [--add-asteroids N]\n"
         "goals: speeding energy health drops storage avoid follow-mouse avoid-mouse burnout\n";
}

int RunSimulator(const std::vector<std::string>& args, std::ostream& out, std::ostream& err,
                 bool progress) {
  TSimOptions options;
  try {
    options = ParseSimArguments(args);
  } catch (const Error& e) {
    err << "vorlanth-sim: " << e.what() << '\n' << SimUsage();
    return 2;
  }
  if (options.Help) {
    out << SimUsage();
    return 0;
  }
  try {
    TSimulation simulation(options, out, err, progress);
    return simulation.Run();
  } catch (const std::exception& e) {
    if (!options.StatsFile.empty()) std::remove((options.StatsFile + ".part").c_str());
    err << "vorlanth-sim: " << e.what() << '\n';
    return 2;
  }
}

}  // namespace vorlanth
