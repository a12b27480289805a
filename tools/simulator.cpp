#include "tools/simulator.h"

#include <QCommandLineOption>
#include <QCommandLineParser>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSaveFile>

#include <algorithm>
#include <charconv>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <memory>
#include <ostream>
#include <sstream>
#include <tuple>
#include <utility>

#include "bench/player_reading.h"
#include "bench/population.h"
#include "bench/scenes.h"
#include "core/error.h"
#include "core/random.h"
#include "core/team.h"
#include "goals/drops_goal.h"
#include "goals/mouse_goal.h"
#include "render/bmp_reader.h"
#include "render/builtin_circuit.h"
#include "render/output_file.h"
#include "scene/scene.h"
#include "render/qt_canvas.h"
#include "render/qt_picture.h"
#include "tools/behaviour.h"
#include "video/video_writer.h"
#include "world2d/kart.h"
#include "world2d/physic2d.h"
#include "world2d/polygon2d.h"
#include "world2d/rocket.h"
#include "world2d/track2d.h"

namespace vorlanth {
namespace {

// Digits only, with an optional minus sign: " 5", "+5", "5x" and "" are refused.
int64_t ParseInteger(const std::string& flag, const std::string& text, int64_t lo, int64_t hi) {
  int64_t value = 0;
  const char* begin = text.data();
  const char* end = begin + text.size();
  const auto [stop, error] = std::from_chars(begin, end, value);
  if (error != std::errc() || stop != end || value < lo || value > hi) {
    throw Error("Bad value \"" + text + "\" for " + flag + ": expected an integer from " +
                std::to_string(lo) + " to " + std::to_string(hi) + ".");
  }
  return value;
}

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
};

void TSimulation::BuildScene() {
  if (!Options.SceneFile.empty()) {
    // A scene file: its world, its settings, its random stream (or, with --seed,
    // one seeded afresh: the same setup, another run); the flags that add players
    // or goals act on top of it.
    TSceneRead read = ReadScene(Options.SceneFile, Track, Team);
    Picture = std::move(read.Picture);
    Circuit = read.Circuit;
    if (!Options.Seed) RestoreRandomSnapshot(read.Random);
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
    AddGoalByName(Population, goal);
    if (goal == "burnout") Team.Selected->Goals->ShowGoals = true;
  }
  if (Options.Evolution) Track.SetEvolution(true);
  CheckMouseGoals();
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
  const QImage& image = Picture->Image();
  TVideoFrame frame;
  frame.Pixels = image.constBits();
  frame.Width = image.width();
  frame.Height = image.height();
  frame.Stride = image.bytesPerLine();
  frame.Layout = TPixelLayout::Xrgb32;  // the canvas draws in RGB32
  Video->AddFrame(frame);
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
  if (Options.Seed) RandomSeed(*Options.Seed); else RandomizeFromClock();
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
  try {
    for (int64_t run = 1; run <= Options.Cycles; ++run) {
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
      if (Progress) DrawProgress(Err, run, Options.Cycles);
    }
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
  summary[QStringLiteral("threads")] = Track.Threads;
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

namespace {

struct TOptionInfo {
  QStringList Names;
  const char* ValueName;  // nullptr: a switch
  const char* Description;
  const char* Default;    // nullptr: none shown
};

const char* const kGoalNames[] = {"speeding", "energy", "health", "drops", "storage",
                                  "avoid", "follow-mouse", "avoid-mouse", "burnout"};

const std::vector<TOptionInfo>& OptionInfos() {
  static const std::vector<TOptionInfo> options = {
      {{"scene"}, "NAME|FILE", "start (the window's start-up), circle (18 karts), asteroids (5 more), or a scene "
       "file (.vorlanth.json)", "start"},
      {{"save-scene"}, "FILE", "write the scene after the last cycle (.vorlanth.json), to be opened with --scene",
       nullptr},
      {{"cycles"}, "N", "cycles to run, 0 to 100000000", "100"},
      {{"seed"}, "S", "seed of the random generator; with a scene file, a fresh stream in place of the scene's",
       "the clock, or the scene's stream"},
      {{"min-futures"}, "N", "at least N passes of futures per cycle within its 100 ms budget, 1 to 2000", "100"},
      {{"futures"}, "N", "exactly N passes per cycle, without the clock (excludes --min-futures)", nullptr},
      {{"horizon"}, "SECONDS", "seconds simulated into the future, 1 to 20", "10"},
      {{"threads"}, "N", "threads the passes of futures run on, 1 to 256; the results do not depend on it",
       "the machine's threads"},
      {{"circuit"}, "FILE", "circuit picture (BMP; pure black is wall)", "the built-in circuit"},
      {{"goal"}, "NAME", "a team goal, repeatable: speeding, energy, health, drops, storage, avoid, "
       "follow-mouse, avoid-mouse (both need --mouse), burnout (the selected rocket)", nullptr},
      {{"mouse"}, "X,Y", "a fixed mouse cursor, in pixels of the circuit", "no cursor"},
      {{"no-collisions"}, nullptr, "no collisions between players", nullptr},
      {{"evolution"}, nullptr, "players rich in energy split", nullptr},
      {{"frames"}, "PREFIX", "draw every frame and write PREFIX_00001.bmp, ...", nullptr},
      {{"stats"}, "FILE", "one CSV row per player and cycle", nullptr},
      {{"video"}, "FILE", "draw every frame into a film: FILE.mp4 (H.264) or FILE.webm (VP9)", nullptr},
      {{"video-fps"}, "N", "frames per second of the film, 1 to 120; 10 runs in simulated real time", "10"},
      {{"add-karts"}, "N", "karts added after the scene, 0 to 500", "0"},
      {{"add-rockets"}, "N", "rockets added after the scene, 0 to 500", "0"},
      {{"add-asteroids"}, "N", "asteroids added after the scene, 0 to 500", "0"},
      {{"name"}, "NAME", "a name for the run, copied into the summary", nullptr},
      {{"h", "help"}, nullptr, "this help", nullptr},
      {{"version"}, nullptr, "the program's version", nullptr},
  };
  return options;
}

// Arguments are bytes. The parser reads them as UTF-8, each byte that is not part
// of valid UTF-8 kept as a lone surrogate U+DC80..U+DCFF (which decoded UTF-8
// never holds), so that a file name comes back byte for byte.
constexpr char16_t kEscapedByte = 0xDC00;

QString ArgumentText(const std::string& bytes) {
  QString text;
  const auto* data = reinterpret_cast<const unsigned char*>(bytes.data());
  const size_t size = bytes.size();
  for (size_t i = 0; i < size;) {
    const unsigned char lead = data[i];
    // The length of a well-formed sequence starting here, 0 when there is none.
    size_t length = 0;
    if (lead < 0x80) length = 1;
    else if (lead >= 0xC2 && lead <= 0xDF) length = 2;
    else if (lead >= 0xE0 && lead <= 0xEF) length = 3;
    else if (lead >= 0xF0 && lead <= 0xF4) length = 4;
    if (length > size - i) length = 0;
    for (size_t k = 1; k < length; ++k) {
      const unsigned char c = data[i + k];
      unsigned char lo = 0x80, hi = 0xBF;  // the second byte's range excludes overlongs and surrogates
      if (k == 1 && lead == 0xE0) lo = 0xA0;
      if (k == 1 && lead == 0xED) hi = 0x9F;
      if (k == 1 && lead == 0xF0) lo = 0x90;
      if (k == 1 && lead == 0xF4) hi = 0x8F;
      if (c < lo || c > hi) length = 0;
    }
    if (length == 0) {
      text += QChar(static_cast<char16_t>(kEscapedByte + lead));
      ++i;
    } else {
      text += QString::fromUtf8(bytes.data() + i, static_cast<qsizetype>(length));
      i += length;
    }
  }
  return text;
}

std::string ArgumentBytes(const QString& text) {
  std::string bytes;
  for (qsizetype i = 0; i < text.size(); ++i) {
    const char16_t unit = text[i].unicode();
    const bool paired = QChar::isHighSurrogate(unit) && i + 1 < text.size() && text[i + 1].isLowSurrogate();
    if (paired) {
      bytes += text.mid(i, 2).toStdString();
      ++i;
    } else if (unit >= kEscapedByte + 0x80 && unit <= kEscapedByte + 0xFF) {
      bytes += static_cast<char>(unit - kEscapedByte);
    } else {
      bytes += QString(text[i]).toStdString();
    }
  }
  return bytes;
}

// A value that names a file may be neither empty nor look like an option (an
// option given without its value takes the next option as one). It is the bytes given.
std::string FileValue(const QCommandLineParser& parser, const char* name) {
  const std::string value = ArgumentBytes(parser.value(QString::fromLatin1(name)));
  if (value.empty()) throw Error(std::string("--") + name + " needs a file name, not an empty one.");
  if (value[0] == '-')
    throw Error(std::string("--") + name + " needs a file name, not \"" + value +
                "\" (a file whose name begins with - can be given as ./" + value + ").");
  return value;
}

// The same file, by its absolute, cleaned path.
bool SameFile(const std::string& a, const std::string& b) {
  const auto path = [](const std::string& name) {
    return QFileInfo(ArgumentText(name)).absoluteFilePath();
  };
  return path(a) == path(b);
}

// Whether `name` is one of the frames PREFIX_00001.bmp, ... would write.
bool IsFrameOf(const std::string& prefix, const std::string& name) {
  const QString frame = QFileInfo(ArgumentText(name)).absoluteFilePath();
  const QString head = QFileInfo(ArgumentText(prefix)).absoluteFilePath() + QStringLiteral("_");
  if (!frame.startsWith(head) || !frame.endsWith(QStringLiteral(".bmp"))) return false;
  const QString number = frame.mid(head.size(), frame.size() - head.size() - 4);
  return number.size() >= 5 && std::all_of(number.begin(), number.end(), [](QChar c) { return c.isDigit(); });
}

std::pair<int32_t, int32_t> ParseMouse(const std::string& text) {
  const size_t comma = text.find(',');
  if (comma == std::string::npos)
    throw Error("Bad value \"" + text + "\" for --mouse: expected X,Y in pixels of the circuit.");
  return {static_cast<int32_t>(ParseInteger("--mouse", text.substr(0, comma), 0, MaxPictureSide)),
          static_cast<int32_t>(ParseInteger("--mouse", text.substr(comma + 1), 0, MaxPictureSide))};
}

}  // namespace

TSimOptions ParseSimArguments(const std::vector<std::string>& args) {
  QCommandLineParser parser;
  for (const TOptionInfo& info : OptionInfos()) {
    QCommandLineOption option(info.Names, QString::fromUtf8(info.Description));
    if (info.ValueName) option.setValueName(QString::fromLatin1(info.ValueName));
    parser.addOption(option);
  }
  QStringList arguments{QStringLiteral("vorlanth-sim")};
  for (const std::string& arg : args) arguments << ArgumentText(arg);
  if (!parser.parse(arguments)) throw Error(parser.errorText().toStdString());
  if (!parser.positionalArguments().isEmpty())
    throw Error("Unknown argument \"" + parser.positionalArguments().front().toStdString() + "\".");

  // Only --goal means something when given again: the others would silently take the last value.
  const QStringList used = parser.optionNames();  // every occurrence, in order
  for (const TOptionInfo& info : OptionInfos()) {
    const QString& name = info.Names.back();
    if (name == QStringLiteral("goal")) continue;
    qsizetype times = 0;
    for (const QString& alias : info.Names) times += used.count(alias);
    if (times > 1)
      throw Error("--" + name.toStdString() + " is given " + std::to_string(times) + " times: give it once.");
  }

  TSimOptions o;
  o.Help = parser.isSet(QStringLiteral("help"));
  o.Version = parser.isSet(QStringLiteral("version"));
  auto text = [&](const char* name) { return parser.value(QString::fromLatin1(name)).toStdString(); };
  auto given = [&](const char* name) { return parser.isSet(QString::fromLatin1(name)); };
  auto integer = [&](const char* name, int64_t lo, int64_t hi) {
    return ParseInteger(std::string("--") + name, text(name), lo, hi);
  };
  if (given("scene")) {
    o.Scene = text("scene");
    if (IsSceneFileName(o.Scene)) {
      o.SceneFile = FileValue(parser, "scene");
      o.Scene.clear();
    } else if (!IsBuiltinScene(o.Scene)) {
      throw Error("Unknown scene \"" + o.Scene + "\": expected start, circle, asteroids or a scene file (" +
                  SceneExtension + ").");
    }
  }
  if (given("save-scene")) {
    o.SaveSceneFile = FileValue(parser, "save-scene");
    if (!IsSceneFileName(o.SaveSceneFile))
      throw Error("--save-scene needs a name ending with " + std::string(SceneExtension) + ", not \"" +
                  o.SaveSceneFile + "\".");
  }
  if (given("cycles")) o.Cycles = integer("cycles", 0, 100'000'000);
  if (given("seed")) o.Seed = static_cast<uint64_t>(integer("seed", 0, INT64_MAX));
  if (given("min-futures")) o.MinFutures = static_cast<int32_t>(integer("min-futures", 1, 2000));
  if (given("futures")) o.Futures = static_cast<int32_t>(integer("futures", 1, 1'000'000));
  if (given("horizon")) o.HorizonSeconds = static_cast<int32_t>(integer("horizon", 1, 20));
  if (given("threads")) o.Threads = static_cast<int32_t>(integer("threads", 1, TTrack::MaxThreads));
  if (given("add-karts")) o.ExtraKarts = static_cast<int32_t>(integer("add-karts", 0, 500));
  if (given("add-rockets")) o.ExtraRockets = static_cast<int32_t>(integer("add-rockets", 0, 500));
  if (given("add-asteroids")) o.ExtraAsteroids = static_cast<int32_t>(integer("add-asteroids", 0, 500));
  if (given("circuit")) o.Circuit = FileValue(parser, "circuit");
  if (given("frames")) o.FramesPrefix = FileValue(parser, "frames");
  if (given("stats")) o.StatsFile = FileValue(parser, "stats");
  if (given("video")) o.VideoFile = FileValue(parser, "video");
  if (given("video-fps")) {
    if (!given("video")) throw Error("--video-fps sets the film's frame rate: give the film with --video FILE.");
    o.VideoFps = static_cast<int32_t>(integer("video-fps", 1, MaxVideoFps));
  }
  if (given("name")) {
    o.Name = text("name");
    if (o.Name.empty()) throw Error("--name needs a name, not an empty one.");
  }
  if (given("mouse")) o.Mouse = ParseMouse(text("mouse"));
  for (const QString& value : parser.values(QStringLiteral("goal"))) {
    const std::string goal = value.toStdString();
    bool found = false;
    for (const char* k : kGoalNames) found = found || goal == k;
    if (!found)
      throw Error("Unknown goal \"" + goal +
                  "\": expected speeding, energy, health, drops, storage, avoid, follow-mouse, "
                  "avoid-mouse or burnout.");
    if ((goal == "follow-mouse" || goal == "avoid-mouse") && !o.Mouse)
      throw Error("--goal " + goal + " needs a cursor: give one with --mouse X,Y.");
    o.Goals.push_back(goal);
  }
  o.Collisions = !given("no-collisions");
  o.Evolution = given("evolution");
  // A scene file holds its circuit, settings and random stream: no flag contradicts it.
  if (!o.SceneFile.empty())
    for (const char* name : {"circuit", "horizon", "min-futures", "no-collisions"})
      if (given(name))
        throw Error(std::string("--") + name + " cannot change a scene file: the scene holds its own. Open it in "
                    "the window, or save it again with another setting.");
  if (!o.SaveSceneFile.empty() && !o.StatsFile.empty() && SameFile(o.SaveSceneFile, o.StatsFile))
    throw Error("--save-scene and --stats name the same file: give two.");
  // No output may replace another output or the circuit it reads.
  if (!o.StatsFile.empty() && !o.Circuit.empty() && SameFile(o.StatsFile, o.Circuit))
    throw Error("--stats would replace the circuit \"" + o.Circuit + "\": give another file.");
  if (!o.StatsFile.empty() && !o.FramesPrefix.empty() && IsFrameOf(o.FramesPrefix, o.StatsFile))
    throw Error("--stats \"" + o.StatsFile + "\" is one of the frames --frames writes: give another file.");
  if (!o.Circuit.empty() && !o.FramesPrefix.empty() && IsFrameOf(o.FramesPrefix, o.Circuit))
    throw Error("--frames would replace the circuit \"" + o.Circuit + "\": give another prefix.");
  if (!o.VideoFile.empty()) {
    const std::vector<std::pair<const char*, std::string>> others = {
        {"--circuit", o.Circuit}, {"--scene", o.SceneFile}, {"--stats", o.StatsFile},
        {"--save-scene", o.SaveSceneFile}};
    for (const auto& [flag, file] : others)
      if (!file.empty() && SameFile(o.VideoFile, file))
        throw Error(std::string("--video and ") + flag + " name the same file: give two.");
    if (!o.FramesPrefix.empty() && IsFrameOf(o.FramesPrefix, o.VideoFile))
      throw Error("--video \"" + o.VideoFile + "\" is one of the frames --frames writes: give another file.");
    if (o.Cycles == 0) throw Error("--video needs at least one cycle to film: give --cycles 1 or more.");
  }
  if (given("futures") && given("min-futures"))
    throw Error("--futures and --min-futures exclude each other: --futures runs exactly N passes "
                "per cycle, --min-futures at least N within the cycle's time budget.");
  return o;
}

std::string SimUsage() {
  std::string usage = "usage: vorlanth-sim [options]\n";
  for (const TOptionInfo& option : OptionInfos()) {
    std::string names;
    for (const QString& name : option.Names)
      names += (names.empty() ? "" : ", ") + std::string(name.size() == 1 ? "-" : "--") +
               name.toStdString();
    if (option.ValueName) names += std::string(" ") + option.ValueName;
    usage += "  " + names + std::string(names.size() < 22 ? 22 - names.size() : 1, ' ') +
             option.Description + (option.Default ? std::string(" (default: ") + option.Default + ")" : "") +
             "\n";
  }
  return usage;
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
