#include "tools/simulator.h"

#include <QCommandLineOption>
#include <QCommandLineParser>
#include <QFileInfo>

#include <charconv>
#include <string>
#include <vector>

#include "bench/goal_kinds.h"
#include "bench/scenes.h"
#include "core/error.h"
#include "render/bmp_reader.h"
#include "render/output_file.h"
#include "scene/scene.h"

// The runner's arguments: what each option means, how each is read and checked,
// and the usage text.

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

struct TOptionInfo {
  QStringList Names;
  const char* ValueName;  // nullptr: a switch
  const char* Description;
  const char* Default;    // nullptr: none shown
};

std::vector<TOptionInfo> OptionInfos() {
  // Every kind of goal the bench knows, kinds registered since the last call
  // included. The text lives on after the call (the options point into it), one
  // per thread, so that runs on several threads parse apart.
  static thread_local std::string goalHelp;
  goalHelp = "a team goal, repeatable: " + GoalKindNames() +
             " (follow-mouse and avoid-mouse need --mouse, burnout goes to the selected rocket)";
  return {
      {{"scene"}, "NAME|FILE", "start (the window's start-up), circle (18 karts), asteroids (5 more), or a scene "
       "file (.vorlanth.json)", "start"},
      {{"save-scene"}, "FILE", "write the scene after the last cycle (.vorlanth.json), to be opened with --scene",
       nullptr},
      {{"cycles"}, "N", "cycles to run, 0 to 100000000", "100, or to the last cycle of --commands"},
      {{"commands"}, "FILE", "replay a journal of commands on the scene its session began with: each command at "
       "its cycle, each cycle with the passes it ran", nullptr},
      {{"seed"}, "S", "seed of the random generator; with a scene file, a fresh stream in place of the scene's",
       "the clock, or the scene's stream"},
      {{"min-futures"}, "N", "at least N passes of futures per cycle within its 100 ms budget, 1 to 2000", "100"},
      {{"futures"}, "N", "exactly N passes per cycle, without the clock (excludes --min-futures)", nullptr},
      {{"horizon"}, "SECONDS", "seconds simulated into the future, 1 to 20", "10"},
      {{"threads"}, "N", "threads the passes of futures run on, 1 to 256; the results do not depend on it",
       "the machine's threads"},
      {{"lanes"}, "N", "passes of futures each thread runs side by side, 1 to 16; the results do not depend on it",
       "1"},
      {{"vector-width"}, "N", "the widest vector kernels the passes side by side take: 1 (none, as on a processor "
       "without AVX2), 4 (AVX2) or 8 (AVX-512; slower on the machines measured), never beyond the processor's; "
       "the results do not depend on it",
       "4 where the processor has AVX2"},
      {{"circuit"}, "FILE", "circuit picture (BMP; pure black is wall)", "the built-in circuit"},
      {{"goal"}, "NAME", goalHelp.c_str(), nullptr},
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
  o.CyclesGiven = given("cycles");
  if (given("commands")) o.CommandsFile = FileValue(parser, "commands");
  if (given("seed")) o.Seed = static_cast<uint64_t>(integer("seed", 0, INT64_MAX));
  if (given("min-futures")) o.MinFutures = static_cast<int32_t>(integer("min-futures", 1, 2000));
  if (given("futures")) o.Futures = static_cast<int32_t>(integer("futures", 1, 1'000'000));
  if (given("horizon")) o.HorizonSeconds = static_cast<int32_t>(integer("horizon", 1, 20));
  if (given("threads")) o.Threads = static_cast<int32_t>(integer("threads", 1, TTrack::MaxThreads));
  if (given("lanes")) o.Lanes = static_cast<int32_t>(integer("lanes", 1, TTrack::MaxLanes));
  if (given("vector-width")) {
    const std::string width = text("vector-width");
    if (width != "1" && width != "4" && width != "8")
      throw Error("Bad value \"" + width + "\" for --vector-width: expected 1, 4 or 8.");
    o.VectorWidth = width[0] - '0';
  }
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
    if (!FindGoalKind(goal)) throw Error("Unknown goal \"" + goal + "\": expected one of " + GoalKindNames() + ".");
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
  if (!o.CommandsFile.empty()) {
    // The journal holds the session's world from its scene on: nothing else may change it.
    if (o.SceneFile.empty())
      throw Error("--commands replays a journal on the scene its session began with: give that scene with --scene "
                  "FILE.");
    for (const char* name : {"seed", "add-karts", "add-rockets", "add-asteroids", "goal", "evolution"})
      if (given(name))
        throw Error(std::string("--") + name + " cannot change the world a journal replays: its commands would "
                    "meet another world.");
    for (const auto& [flag, file] : {std::pair<const char*, const std::string&>{"--save-scene", o.SaveSceneFile},
                                     {"--stats", o.StatsFile}, {"--video", o.VideoFile}})
      if (!file.empty() && SameFile(file, o.CommandsFile))
        throw Error(std::string(flag) + " would replace the journal \"" + o.CommandsFile + "\": give another file.");
  }
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

}  // namespace vorlanth
