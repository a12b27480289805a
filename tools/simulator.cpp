#include "tools/simulator.h"

// The runner's run: builds the world, opens the outputs, runs the cycles, writes
// the statistics, frames and film, and prints the summary (tools/behaviour).
// Its arguments are read in simulator_args.cpp.

#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSaveFile>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <memory>
#include <ostream>
#include <sstream>
#include <tuple>
#include <utility>

#include "bench/goal_kinds.h"
#include "bench/player_reading.h"
#include "bench/population.h"
#include "bench/scenes.h"
#include "core/error.h"
#include "core/lane_width.h"
#include "core/random.h"
#include "core/team.h"
#include "goals/drops_goal.h"
#include "goals/mouse_goal.h"
#include "render/builtin_circuit.h"
#include "render/output_file.h"
#include "scene/journal.h"
#include "scene/scene.h"
#include "render/qt_canvas.h"
#include "render/qt_picture.h"
#include "tools/behaviour.h"
#include "tools/canvas_frame.h"
#include "video/video_writer.h"
#include "world2d/kart.h"
#include "world2d/physic2d.h"
#include "world2d/polygon2d.h"
#include "world2d/rocket.h"
#include "world2d/track2d.h"

namespace vorlanth {
namespace {

void DrawProgress(std::ostream& err, int64_t done, int64_t total) {
  constexpr int kWidth = 40;
  const int filled = total > 0 ? static_cast<int>(kWidth * done / total) : kWidth;
  err << "\r[" << std::string(static_cast<size_t>(filled), '#')
      << std::string(static_cast<size_t>(kWidth - filled), ' ') << "] " << done << "/" << total
      << std::flush;
}

// A goal that reads the cursor in a goal set, as --goal names it, with its index;
// empty when the set has none.
std::pair<std::string, int32_t> MouseGoalIn(TGoalSet& goals) {
  for (int32_t g = 0; g < goals.GoalCount(); ++g)
    if (const auto* mouse = dynamic_cast<const TGoalMouse*>(&goals.GetGoal(g)))
      return {mouse->AvoidMouse ? "avoid-mouse" : "follow-mouse", g};
  return {"", -1};
}

// Energy gained from drops in the present, summed over the team's drop goals.
double DropEnergyGained(TTeam& team) {
  double energy = 0;
  for (int32_t g = 0; g < team.Goals->GoalCount(); ++g)
    if (auto* drops = dynamic_cast<TGoal2DSweets*>(&team.Goals->GetGoal(g)))
      energy += drops->PresentEnergyGained;
  return energy;
}

// A CSV cell: quoted when it holds a comma, a quote or a line break.
std::string CsvCell(const std::string& text) {
  if (text.find_first_of(",\"\r\n") == std::string::npos) return text;
  std::string quoted = "\"";
  for (char c : text) quoted += c == '"' ? std::string("\"\"") : std::string(1, c);
  return quoted + "\"";
}

class TSimulation {
 public:
  TSimulation(const TSimOptions& options, std::ostream& out, std::ostream& err, bool progress)
      : Options(options), Out(out), Err(err), Progress(progress), Population(Track) {}

  int Run();

 private:
  void BuildScene();
  // A goal that reads the cursor needs one: a run whose team or players hold such a
  // goal, from the scene or the flags, is refused without --mouse.
  void CheckMouseGoals();
  void OpenOutputs();
  void WriteStats(int64_t cycle);
  void WriteStatsText(const std::string& text);
  // Drops the statistics, which can no longer be whole, and throws why.
  [[noreturn]] void StatsFailed();
  // The goal columns: every goal of every player at the start, in order of first appearance.
  void ChooseGoalColumns();
  void SaveFrame(int64_t counter);
  void AddVideoFrame();
  // Completes the film (a failed one leaves nothing); appends a failure not yet told to `failure`.
  void FinishVideo(std::string& failure);

  const TSimOptions& Options;
  std::ostream& Out;
  std::ostream& Err;
  bool Progress;
  TTrack2D Track;
  TTeam Team;
  TPopulation Population;
  std::unique_ptr<QtPicture> Picture;
  std::unique_ptr<QtCanvas> FrameCanvas;
  // Written under a unique temporary name, put in place only when every write
  // succeeded.
  std::unique_ptr<QSaveFile> Stats;
  // Encoded on a thread of its own; written under a temporary name until finished.
  std::unique_ptr<TVideoWriter> Video;
  TBehaviour Behaviour;
  std::vector<std::string> GoalColumns;  // goal keys (GoalKey), fixed for the run
  TSceneCircuit Circuit;                 // where the circuit came from, for a saved scene
  // --commands: the journal and its replay on this world.
  std::unique_ptr<TJournal> Journal;
  std::unique_ptr<TJournalReplay> Replay;
};

void TSimulation::BuildScene() {
  if (!Options.SceneFile.empty()) {
    // A scene file: its world, its settings, its random stream (or, with --seed,
    // one seeded afresh: the same setup, another run); the flags that add players
    // or goals act on top of it.
    TSceneRead read = ReadScene(Options.SceneFile, Track, Team);
    Picture = std::move(read.Picture);
    Circuit = read.Circuit;
    if (Options.Seed) Track.Random.SeedRun(*Options.Seed);
  } else {
    // The window's start-up: circuit, team, a rocket, the drop goal, feelings drawn.
    Picture = Options.Circuit.empty() ? LoadBuiltinCircuit() : LoadPicture(Options.Circuit);
    Circuit.Path = Options.Circuit;
    Track.LoadFromImage(*Picture);
    Track.AddTeam(&Team);
    Track.HorizonMs = Options.HorizonSeconds * 1000;
    Track.MinFutures = Options.MinFutures;
    Track.Collisions = Options.Collisions;
  }
  Track.FixedFutures = Options.Futures;
  Track.Threads = Options.Threads;
  Track.Lanes = Options.Lanes;
  // Every run chooses, so that one run of the process leaves nothing to the next.
  ChooseVectorLanes(Options.VectorWidth > 0 ? Options.VectorWidth : DefaultVectorLanes());
  if (Options.Mouse) {
    // A fixed cursor: the window's mouse, held still over the circuit.
    const auto [x, y] = *Options.Mouse;
    if (!(0 < x && x < Track.Width() && 0 < y && y < Track.Height()))
      throw Error("--mouse " + std::to_string(x) + "," + std::to_string(y) +
                  " is not over the circuit, which is " + std::to_string(Track.Width()) + " x " +
                  std::to_string(Track.Height()) + " pixels.");
    Track.MouseSource = [x, y](int32_t& mouseX, int32_t& mouseY) {
      mouseX = x;
      mouseY = y;
      return true;
    };
  }
  // The window carries its "Draw Gain/Loose Feelings" check to each new player.
  Population.OnPlayerAdded = [](TPlayer& player) { player.ShowFeelings = true; };
  if (Options.SceneFile.empty()) BuildBuiltinScene(Population, Options.Scene);
  for (int32_t i = 0; i < Options.ExtraKarts; ++i) Population.AddPlayer(pkKart);
  for (int32_t i = 0; i < Options.ExtraRockets; ++i) Population.AddPlayer(pkRocket);
  Population.AddAsteroids(Options.ExtraAsteroids);
  for (const std::string& goal : Options.Goals) {
    FindGoalKind(goal)->Add(Population);  // the name was checked with the arguments
    if (goal == "burnout") Team.Selected->Goals->ShowGoals = true;
  }
  if (Options.Evolution) Track.SetEvolution(true);
  CheckMouseGoals();
  if (!Options.CommandsFile.empty()) {
    Journal = std::make_unique<TJournal>(TJournal::Read(Options.CommandsFile));
    Replay = std::make_unique<TJournalReplay>(*Journal, Track, Team);
    Replay->CheckStart();
  }
}

void TSimulation::CheckMouseGoals() {
  if (Options.Mouse) return;
  // Where the goal is, as the scene file names its place.
  std::string place;
  auto [goal, index] = MouseGoalIn(*Team.Goals);
  if (!goal.empty()) place = "teams[0].goals.items[" + std::to_string(index) + "]";
  for (int32_t i = 0; i < Team.PlayerCount() && goal.empty(); ++i) {
    std::tie(goal, index) = MouseGoalIn(*Team.GetPlayer(i)->Goals);
    if (!goal.empty())
      place = "teams[0].players[" + std::to_string(i) + "].goals.items[" + std::to_string(index) + "]";
  }
  if (goal.empty()) return;
  const std::string holder = Options.SceneFile.empty() ? "The run" : "The scene \"" + Options.SceneFile + "\"";
  throw Error(holder + " holds the goal " + goal + " (" + place + "), which needs a cursor: give one with "
              "--mouse X,Y.");
}

void TSimulation::OpenOutputs() {
  if (!Options.SaveSceneFile.empty()) {
    // Written after the last cycle, but tried before the first, so that no run is
    // lost to a name it cannot write: the trial's temporary file goes uncommitted.
    const std::string failure = "Cannot write the scene \"" + Options.SaveSceneFile + "\": ";
    QSaveFile trial(OutputName(Options.SaveSceneFile, failure));
    if (!trial.open(QIODevice::WriteOnly)) throw Error(failure + trial.errorString().toStdString() + ".");
  }
  if (!Options.FramesPrefix.empty()) {
    // The frames' names are the prefix's followed by ASCII: if Qt spells the prefix
    // unchanged, it spells them too.
    const QFileInfo prefix(
        ExactFileName(Options.FramesPrefix, "Cannot write frames \"" + Options.FramesPrefix + "_*.bmp\": "));
    const QFileInfo folder(prefix.absolutePath());
    if (!folder.isDir() || !folder.isWritable())
      throw Error("Cannot write frames: the folder \"" + folder.absoluteFilePath().toStdString() +
                  "\" does not exist or is not writable.");
  }
  if (!Options.VideoFile.empty()) {
    OutputName(Options.VideoFile, "Cannot write the film \"" + Options.VideoFile + "\": ");
    TVideoOptions video;
    video.Fps = Options.VideoFps;
    Video = std::make_unique<TVideoWriter>(Options.VideoFile, video);
  }
  if (!Options.FramesPrefix.empty() || Video) {
    // Frames and films show what the window shows: everything is drawn.
    FrameCanvas = std::make_unique<QtCanvas>(&Picture->Image());
    Track.ImageCanvas = FrameCanvas.get();
  }
  if (!Options.StatsFile.empty()) {
    Stats = std::make_unique<QSaveFile>(
        OutputName(Options.StatsFile, "Cannot write the statistics file \"" + Options.StatsFile + "\": "));
    // Unbuffered: a failing write reports the system's reason at once.
    if (!Stats->open(QIODevice::WriteOnly | QIODevice::Unbuffered)) StatsFailed();
    ChooseGoalColumns();
    std::string header = "cycle,player,kind,x,y,angle,health,energy,futures,distinct_futures,grid_size,controls";
    for (const std::string& key : GoalColumns) header += "," + CsvCell("goal:" + key);
    WriteStatsText(header + "\n");
  }
}

void TSimulation::ChooseGoalColumns() {
  for (TPlayer* player : Track.Players) {
    ForEachGoalReading(*player, [&](const TGoalReading& reading) {
      const std::string key = GoalKey(reading);
      if (std::find(GoalColumns.begin(), GoalColumns.end(), key) == GoalColumns.end())
        GoalColumns.push_back(key);
    });
  }
}

void TSimulation::StatsFailed() {
  const std::string message = "Cannot write the statistics file \"" + Options.StatsFile + "\": " +
                              Stats->errorString().toStdString() + ".";
  Stats.reset();  // its temporary file goes; nothing is left to commit
  throw Error(message);
}

void TSimulation::WriteStatsText(const std::string& text) {
  if (!WriteFully(*Stats, text.data(), static_cast<qint64>(text.size()))) StatsFailed();
}

void TSimulation::WriteStats(int64_t cycle) {
  if (!Stats) return;
  std::ostringstream rows;
  std::vector<std::pair<std::string, double>> readings;
  for (int32_t i = 0; i < Track.PlayerCount(); ++i) {
    auto& p = static_cast<TPlayer2D&>(*Track.GetPlayer(i));
    TState& s = *p.Present;
    rows << cycle << ',' << i + 1 << ',' << KindName(p) << ',' << p.GetPosX() << ','
         << p.GetPosY() << ',' << p.GetAngle() << ',' << p.GetHealth() << ',' << p.GetEnergy()
         << ',' << Track.LastPassCount << ',' << p.Futures->FutureCount() << ',' << p.GridSize
         << ',';
    for (int32_t f = 0; f < s.FreeParamCount(); ++f) rows << (f ? " " : "") << s.GetFreeParam(f).Value;
    // The goal columns: this player's value of each, empty for a goal it lacks.
    readings.clear();
    ForEachGoalReading(p, [&](const TGoalReading& reading) { readings.emplace_back(GoalKey(reading), reading.Value); });
    for (const std::string& key : GoalColumns) {
      rows << ',';
      for (const auto& [name, value] : readings)
        if (name == key) {
          rows << value;
          break;
        }
    }
    rows << '\n';
  }
  WriteStatsText(rows.str());
}

void TSimulation::SaveFrame(int64_t counter) {
  FrameCanvas->End();
  SavePicture(Picture->Image(), FrameFileName(Options.FramesPrefix, counter));
}

void TSimulation::AddVideoFrame() {
  FrameCanvas->End();
  Video->AddFrame(CanvasFrame(Picture->Image()));
}

void TSimulation::FinishVideo(std::string& failure) {
  if (!Video) return;
  try {
    Video->Finish();
  } catch (const Error& e) {
    // A film that failed during the run may have said why already (its frame stopped the run).
    if (failure.find(e.what()) == std::string::npos) failure += (failure.empty() ? "" : " ") + std::string(e.what());
  }
  Video.reset();
}

int TSimulation::Run() {
  if (Options.Seed) Track.Random.SeedRun(*Options.Seed); else Track.Random.SeedFromClock();
  BuildScene();
  OpenOutputs();
  // A fresh world commits its start; a scene's present is taken as it was saved.
  if (Options.SceneFile.empty()) Team.CommitStates();
  // Every total of the summary counts from here: a scene's players and goals bring
  // in what they gathered before it was saved.
  Behaviour.Watch(Track);
  const double dropEnergyBefore = DropEnergyGained(Team);

  using Clock = std::chrono::steady_clock;
  const int64_t subStepsBefore = Track.TotalSubSteps;
  int64_t passes = 0;
  double distinct = 0;
  double cycleSeconds = 0;
  int64_t cyclesRun = 0;
  // A failure stops the run, but what is complete is kept: the statistics of the
  // cycles that ran and the summary, which says why the run stopped.
  std::string failure;
  // A journal's run goes, unless told otherwise, to the last cycle it names.
  const int64_t cycleCount =
      Journal && !Options.CyclesGiven
          ? static_cast<int64_t>(Journal->LastCycle() > Track.CycleCount ? Journal->LastCycle() - Track.CycleCount : 0)
          : Options.Cycles;
  try {
    for (int64_t run = 1; run <= cycleCount; ++run) {
      if (Replay) Replay->BeforeCycle(Options.Futures);
      const auto start = Clock::now();
      Track.Cycle();
      // Numbered as the world counts them: a scene goes on from its own cycle.
      const auto cycle = static_cast<int64_t>(Track.CycleCount);
      cycleSeconds += std::chrono::duration<double>(Clock::now() - start).count();
      ++cyclesRun;
      passes += Track.LastPassCount;
      double cycleDistinct = 0;
      for (TPlayer* p : Track.Players) cycleDistinct += p->Futures->FutureCount();
      if (Track.PlayerCount() > 0) distinct += cycleDistinct / Track.PlayerCount();
      Behaviour.Watch(Track);
      WriteStats(cycle);
      if (Video) AddVideoFrame();
      if (!Options.FramesPrefix.empty()) SaveFrame(cycle);
      if (Progress) DrawProgress(Err, run, cycleCount);
    }
    if (Replay) Replay->AfterLastCycle();
    if (!Options.SaveSceneFile.empty()) SaveScene(Options.SaveSceneFile, Track, Circuit);
  } catch (const Error& e) {
    failure = e.what();
  }
  const bool stoppedEarly = !failure.empty();
  if (Progress) Err << '\n';
  if (Stats && !Stats->commit()) {
    try {
      StatsFailed();
    } catch (const Error& e) {
      failure += (failure.empty() ? "" : " ") + std::string(e.what());
    }
  }
  FinishVideo(failure);

  int32_t alive = 0;
  for (TPlayer* p : Track.Players) alive += p->IsDead() ? 0 : 1;
  const double cycles = static_cast<double>(std::max<int64_t>(cyclesRun, 1));
  const int64_t subSteps = Track.TotalSubSteps - subStepsBefore;
  auto figure = RoundFigure;
  QJsonObject summary = Behaviour.Summary(Track);
  if (!Options.Name.empty()) summary[QStringLiteral("name")] = QString::fromStdString(Options.Name);
  if (Options.Seed) summary[QStringLiteral("seed")] = static_cast<qint64>(*Options.Seed);
  summary[QStringLiteral("cycles")] = static_cast<qint64>(cyclesRun);
  if (Replay) summary[QStringLiteral("commands")] = static_cast<qint64>(Replay->Applied());
  summary[QStringLiteral("threads")] = Track.Threads;
  summary[QStringLiteral("lanes")] = Track.Lanes;
  summary[QStringLiteral("vector_lanes")] = KernelWidth(static_cast<size_t>(Track.Lanes));
  summary[QStringLiteral("players")] = Track.PlayerCount();
  summary[QStringLiteral("alive")] = alive;
  summary[QStringLiteral("futures_per_cycle")] = figure(static_cast<double>(passes) / cycles);
  summary[QStringLiteral("distinct_futures_per_cycle")] = figure(distinct / cycles);
  summary[QStringLiteral("cycle_ms")] = figure(1000 * cycleSeconds / cycles);
  summary[QStringLiteral("substeps_per_second")] =
      figure(cycleSeconds > 0 ? static_cast<double>(subSteps) / cycleSeconds : 0.0);
  summary[QStringLiteral("drop_energy")] = figure(DropEnergyGained(Team) - dropEnergyBefore);
  summary[QStringLiteral("stopped_early")] = stoppedEarly;
  if (!failure.empty()) summary[QStringLiteral("error")] = QString::fromStdString(failure);
  Out << QJsonDocument(summary).toJson(QJsonDocument::Compact).toStdString() << std::endl;
  if (failure.empty()) return 0;
  Err << "vorlanth-sim: " << failure << '\n';
  return 2;
}

}  // namespace

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
  if (options.Version) {
    out << "vorlanth-sim " << VORLANTH_VERSION << '\n';
    return 0;
  }
  try {
    TSimulation simulation(options, out, err, progress);
    return simulation.Run();
  } catch (const std::exception& e) {
    err << "vorlanth-sim: " << e.what() << '\n';
    return 2;
  }
}

}  // namespace vorlanth
