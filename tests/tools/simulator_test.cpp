#include <dirent.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QImage>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <cstdint>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <thread>

#include "tools/run_sim.h"

namespace vorlanth {
namespace {

std::string LastLine(const std::string& text) {
  std::string line, last;
  std::istringstream in(text);
  while (std::getline(in, line))
    if (!line.empty()) last = line;
  return last;
}

// The last line of stdout, as a JSON object.
QJsonObject Summary(const std::string& out) {
  QJsonParseError error;
  const QJsonDocument json = QJsonDocument::fromJson(QByteArray::fromStdString(LastLine(out)), &error);
  EXPECT_EQ(error.error, QJsonParseError::NoError) << out;
  return json.object();
}

TEST(Simulator, BadArgumentsExitWithCodeTwoAndAMessage) {
  const std::vector<std::vector<std::string>> bad = {
      {"--scene", "moon"}, {"--cycles", "ten"}, {"--cycles"}, {"--min-futures", "0"},
      {"--horizon", "21"}, {"--goal", "fly"},   {"--wat"},    {"--seed", "-3"},
      {"--futures", "0"},  {"--futures", "5", "--min-futures", "5"},
      {"--cycles", " 5"},  {"--cycles", "+5"},  {"--cycles", "5 "}, {"--cycles="},
      {"--circuit", ""},   {"--frames", ""},    {"--stats", ""},    {"stray"},
      {"--goal", "follow-mouse"}, {"--goal", "avoid-mouse"}, {"--mouse", "5"},
      {"--mouse", "5,"},   {"--mouse", "-1,5"}, {"--mouse", "5,6,7"},
      {"--threads", "0"},  {"--threads", "257"}, {"--threads", "-1"}, {"--threads", "two"},
      // An option once only (but --goal), a file name that is not an option, no
      // output over another output or over the circuit.
      {"--threads", "300", "--threads", "1"}, {"--threads", "1", "--threads", "1"},
      {"--evolution", "--evolution"}, {"--stats", "--cycles", "3"}, {"--frames", "-x"},
      {"--frames", "fr", "--stats", "fr_00001.bmp"}, {"--frames", "d/fr", "--stats", "./d/fr_123456.bmp"},
      {"--circuit", "c.bmp", "--stats", "./c.bmp"}, {"--circuit", "f_00002.bmp", "--frames", "f"},
      // Films: a file name once, a rate from 1 to 120 and only with a film, no film over
      // another output, the circuit or the scene read, and something to film.
      {"--video", ""}, {"--video", "-v.mp4"}, {"--video", "a.mp4", "--video", "b.mp4"},
      {"--video", "a.mp4", "--video-fps", "0"}, {"--video", "a.mp4", "--video-fps", "121"},
      {"--video", "a.mp4", "--video-fps", "ten"}, {"--video-fps", "10"},
      {"--video", "s.csv", "--stats", "./s.csv"}, {"--video", "f_00001.bmp", "--frames", "f"},
      {"--video", "c.bmp", "--circuit", "c.bmp"}, {"--video", "w.vorlanth.json", "--scene", "w.vorlanth.json"},
      {"--video", "a.mp4", "--cycles", "0"}};
  for (const auto& args : bad) {
    const TRun run = RunSim(args);
    EXPECT_EQ(run.Code, 2) << args[0];
    EXPECT_NE(run.Err.find("vorlanth-sim: "), std::string::npos) << args[0];
    EXPECT_NE(run.Err.find("usage:"), std::string::npos);
    EXPECT_TRUE(run.Out.empty());
  }
}

TEST(Simulator, UsageShowsEveryOptionWithItsDefaultAndTheVersion) {
  TRun run = RunSim({"--help"});
  EXPECT_EQ(run.Code, 0);
  for (const char* text : {"--cycles N", "(default: 100)", "--futures N", "--mouse X,Y",
                           "--stats FILE", "--version", "(default: the built-in circuit)", "--video FILE",
                           "--video-fps N"})
    EXPECT_NE(run.Out.find(text), std::string::npos) << text;
  run = RunSim({"--version"});
  EXPECT_EQ(run.Code, 0);
  EXPECT_EQ(run.Out.rfind("vorlanth-sim ", 0), 0u) << run.Out;
}

// The track runs on the threads asked for, by default on all the machine's.
// (Not named with "Threads": that names the threaded tests the TSan build runs.)
TEST(Simulator, ThreadCountFromOneTo256ReachesTheTrack) {
  for (const char* threads : {"1", "256"}) {
    const TRun run = RunSim({"--threads", threads, "--cycles", "0"});
    ASSERT_EQ(run.Code, 0) << run.Err;
    EXPECT_EQ(Summary(run.Out).value("threads").toInt(), std::stoi(threads));
  }
  const TRun run = RunSim({"--cycles", "0"});
  ASSERT_EQ(run.Code, 0) << run.Err;
  const int machine = static_cast<int>(std::thread::hardware_concurrency());
  EXPECT_EQ(Summary(run.Out).value("threads").toInt(), std::clamp(machine, 1, 256));
}

TEST(Simulator, BadInputExitsWithCodeTwoAndWritesNothing) {
  QTemporaryDir dir;
  const std::string root = dir.path().toStdString();
  std::ofstream(root + "/junk.bmp") << "not a picture";
  const std::string stats = root + "/stats.csv";

  TRun run = RunSim({"--circuit", root + "/junk.bmp", "--stats", stats, "--cycles", "1"});
  EXPECT_EQ(run.Code, 2);
  EXPECT_NE(run.Err.find("junk.bmp"), std::string::npos);

  run = RunSim({"--frames", root + "/missing/folder/f", "--stats", stats, "--cycles", "1"});
  EXPECT_EQ(run.Code, 2);
  EXPECT_NE(run.Err.find("Cannot write frames"), std::string::npos);
  EXPECT_FALSE(QFile::exists(QString::fromStdString(stats)));
  EXPECT_FALSE(QFile::exists(QString::fromStdString(stats + ".part")));
}

TEST(Simulator, ARunPrintsItsSummaryStatisticsAndFrames) {
  QTemporaryDir dir;
  const std::string root = dir.path().toStdString();
  const TRun run = RunSim({"--scene", "asteroids", "--cycles", "3", "--seed", "4", "--min-futures",
                        "5", "--horizon", "1", "--goal", "avoid", "--stats", root + "/s.csv",
                        "--frames", root + "/run"});
  ASSERT_EQ(run.Code, 0) << run.Err;
  const QJsonObject json = Summary(run.Out);
  EXPECT_EQ(json.value("cycles").toInt(), 3);
  EXPECT_EQ(json.value("players").toInt(), 6);
  for (const char* key : {"alive", "futures_per_cycle", "distinct_futures_per_cycle", "cycle_ms",
                          "substeps_per_second", "drop_energy"})
    EXPECT_TRUE(json.value(key).isDouble()) << key;

  std::ifstream stats(root + "/s.csv");
  std::string line;
  int rows = 0;
  std::getline(stats, line);
  EXPECT_EQ(line.rfind("cycle,player,kind,x,y,angle,health,energy,futures", 0), 0u);
  while (std::getline(stats, line)) ++rows;
  EXPECT_EQ(rows, 3 * 6);
  for (const char* frame : {"/run_00001.bmp", "/run_00002.bmp", "/run_00003.bmp"})
    EXPECT_TRUE(QFile::exists(QString::fromStdString(root + frame))) << frame;
}

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// FNV-1a, 64 bits: a stable digest of a statistics file.
uint64_t Digest(const std::string& text) {
  uint64_t h = 1469598103934665603ull;
  for (const unsigned char c : text) h = (h ^ c) * 1099511628211ull;
  return h;
}

// Seeded runs at a fixed number of futures: the statistics file is the fingerprint
// of the bench's behaviour. A change meant to keep behaviour keeps these digests;
// a change of the random stream or of the physics changes them, deliberately.
struct TFingerprint {
  const char* Name;
  std::vector<std::string> Args;
  uint64_t Expected;
};

TEST(Simulator, FixedFuturesRunsExactlyThatManyPassesAndRepeatsItself) {
  QTemporaryDir dir;
  const std::string root = dir.path().toStdString();
  const std::vector<std::string> args = {"--scene", "circle", "--cycles", "4", "--seed", "9",
                                         "--futures", "3"};
  std::vector<std::string> first = args, second = args;
  first.insert(first.end(), {"--stats", root + "/a.csv"});
  second.insert(second.end(), {"--stats", root + "/b.csv"});
  const TRun run = RunSim(first);
  ASSERT_EQ(run.Code, 0) << run.Err;
  EXPECT_EQ(Summary(run.Out).value("futures_per_cycle").toDouble(), 3) << run.Out;
  ASSERT_EQ(RunSim(second).Code, 0);
  EXPECT_EQ(ReadFile(root + "/a.csv"), ReadFile(root + "/b.csv"));
}

// One column per goal named at the start, each holding the player's value of that
// goal; a player without the goal leaves its cell empty.
TEST(Simulator, StatisticsHoldOneColumnPerGoal) {
  QTemporaryDir dir;
  const std::string root = dir.path().toStdString();
  const TRun run = RunSim({"--add-karts", "1", "--add-rockets", "1", "--goal", "burnout", "--cycles", "2",
                           "--seed", "6", "--futures", "2", "--horizon", "1", "--stats", root + "/s.csv"});
  ASSERT_EQ(run.Code, 0) << run.Err;
  std::ifstream stats(root + "/s.csv");
  auto cells = [](const std::string& line) {
    std::vector<std::string> out(1);
    for (char c : line) {
      if (c == ',') out.emplace_back(); else out.back() += c;
    }
    return out;
  };
  std::string line;
  std::getline(stats, line);
  const std::vector<std::string> header = cells(line);
  const std::vector<std::string> goals(header.begin() + 12, header.end());
  EXPECT_EQ(goals, (std::vector<std::string>{"goal:Health", "goal:Energy", "goal:Speeding", "goal:Get drops",
                                              "goal:Stole energy from others"}));
  int rows = 0;
  while (std::getline(stats, line)) {
    const std::vector<std::string> row = cells(line);
    ASSERT_EQ(row.size(), header.size()) << line;
    // The health goal measures health / 10.
    EXPECT_DOUBLE_EQ(std::stod(row[12]), std::stod(row[6]) / 10) << line;
    // Only the rocket that was selected (the last one added) steals energy.
    EXPECT_EQ(row[16].empty(), row[1] != "3") << line;
    ++rows;
  }
  EXPECT_EQ(rows, 2 * 3);
}

// Golden digests: every build (Release and the sanitizers') on every x86-64 machine
// gives these, since the model's arithmetic is IEEE's and its elementary functions
// its own.
TEST(Simulator, SeededRunsKeepTheirFingerprints) {
  QTemporaryDir dir;
  const std::string root = dir.path().toStdString();
  const std::vector<TFingerprint> runs = {
      {"circle", {"--scene", "circle", "--futures", "6", "--cycles", "12", "--seed", "1"}, 9715799419818411393ull},
      {"start", {"--scene", "start", "--horizon", "20", "--futures", "20", "--cycles", "12",
                 "--seed", "2"}, 15762941240641031749ull},
      {"asteroids", {"--scene", "asteroids", "--add-karts", "3", "--add-rockets", "2", "--goal",
                     "avoid", "--goal", "storage", "--futures", "6", "--cycles", "12", "--seed",
                     "3"}, 3429686457224648874ull},
      {"evolution", {"--add-karts", "3", "--add-rockets", "1", "--evolution", "--goal", "drops", "--goal",
                     "burnout", "--futures", "6", "--cycles", "12", "--seed", "4"}, 13422200334012818137ull},
      {"mouse", {"--scene", "asteroids", "--add-karts", "2", "--goal", "follow-mouse", "--mouse", "400,300",
                 "--futures", "6", "--cycles", "12", "--seed", "5"}, 768852322138765535ull},
  };
  // The same on any number of threads; so is the drawing of the futures (the
  // feelings), frame for frame.
  uint64_t lastFrame = 0;
  for (const std::string threads : {"1", "2", "8"}) {
    for (const TFingerprint& fp : runs) {
      std::vector<std::string> args = fp.Args;
      const std::string stats = root + "/" + fp.Name + threads + ".csv";
      const std::string frames = root + "/" + fp.Name + threads;
      args.insert(args.end(), {"--stats", stats, "--threads", threads});
      if (std::string(fp.Name) == "asteroids") args.insert(args.end(), {"--frames", frames});
      const TRun run = RunSim(args);
      ASSERT_EQ(run.Code, 0) << fp.Name << ": " << run.Err;
      EXPECT_EQ(Digest(ReadFile(stats)), fp.Expected) << fp.Name << " on " << threads << " threads";
      if (std::string(fp.Name) != "asteroids") continue;
      const uint64_t frame = Digest(ReadFile(frames + "_00012.bmp"));
      if (threads != "1") {
        EXPECT_EQ(frame, lastFrame) << threads << " threads";
      }
      lastFrame = frame;
    }
  }
}

// A seeded run at fixed futures: its behaviour repeats itself, each kind's
// figures add up to the overall ones, and every player ends as a survivor or a
// death of one cause.
TEST(Simulator, BehaviourAddsUpAndRepeatsItself) {
  const std::vector<std::string> args = {"--scene", "asteroids", "--add-karts", "3", "--add-rockets",
                                         "2", "--goal", "storage", "--futures", "4", "--cycles",
                                         "40", "--seed", "3", "--horizon", "3", "--name", "mixed"};
  const TRun run = RunSim(args);
  ASSERT_EQ(run.Code, 0) << run.Err;
  QJsonObject json = Summary(run.Out);
  EXPECT_EQ(json.value("name").toString(), "mixed");
  EXPECT_EQ(json.value("seed").toInt(), 3);
  auto ended = [](const QJsonObject& tally) {
    int n = tally.value("survivors").toInt();
    for (const QJsonValue death : tally.value("deaths").toObject()) n += death.toInt();
    return n;
  };
  EXPECT_EQ(ended(json), 11);
  int players = 0, collisions = 0;
  double drops = 0, distance = 0;
  for (const QJsonValue value : json.value("kinds").toObject()) {
    const QJsonObject kind = value.toObject();
    players += kind.value("players").toInt();
    EXPECT_EQ(ended(kind), kind.value("players").toInt());
    collisions += kind.value("collisions").toInt();
    drops += kind.value("drop_energy").toDouble();
    distance += kind.value("distance").toDouble() * kind.value("players").toInt();
  }
  EXPECT_EQ(players, json.value("players").toInt());
  EXPECT_EQ(collisions, 2 * json.value("collisions").toInt());
  EXPECT_NEAR(drops, json.value("drop_energy").toDouble(), 0.02);
  EXPECT_NEAR(distance, json.value("distance").toDouble() * players, 0.1);
  EXPECT_GT(distance, 0);

  // Timing aside, the same summary again.
  QJsonObject again = Summary(RunSim(args).Out);
  for (const char* timing : {"cycle_ms", "substeps_per_second"}) {
    json.remove(timing);
    again.remove(timing);
  }
  EXPECT_EQ(json, again);
}

// A run that fails after its statistics were begun: the statistics of the cycle
// that ran replace the user's file of that name, the other files and a symlink
// planted beside them are left as they were, and nothing new remains.
TEST(Simulator, AFailedRunLeavesTheUsersFilesAsTheyWere) {
  QTemporaryDir dir;
  const std::string root = dir.path().toStdString();
  std::ofstream(root + "/s.csv") << "the user's own";
  std::ofstream(root + "/s.csv.part") << "the user's draft";
  std::ofstream(root + "/victim") << "untouched";
  ASSERT_TRUE(QFile::link(QString::fromStdString(root + "/victim"),
                          QString::fromStdString(root + "/planted")));
  ASSERT_TRUE(QDir(dir.path()).mkdir("run_00001.bmp"));  // the first frame cannot be written

  const TRun run = RunSim({"--cycles", "2", "--futures", "1", "--seed", "1", "--stats",
                           root + "/s.csv", "--frames", root + "/run"});
  EXPECT_EQ(run.Code, 2);
  EXPECT_NE(run.Err.find("run_00001.bmp"), std::string::npos) << run.Err;
  EXPECT_EQ(ReadFile(root + "/s.csv").rfind("cycle,player,", 0), 0u);
  EXPECT_EQ(ReadFile(root + "/s.csv.part"), "the user's draft");
  EXPECT_EQ(ReadFile(root + "/victim"), "untouched");
  EXPECT_EQ(QDir(dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::System).size(),
            5);

  // A statistics file that cannot be created says why.
  const TRun missing = RunSim({"--cycles", "1", "--futures", "1", "--stats", root + "/no/s.csv"});
  EXPECT_EQ(missing.Code, 2);
  EXPECT_NE(missing.Err.find("No such file or directory"), std::string::npos) << missing.Err;
}

// A frame that cannot be written stops the run, but the statistics of the cycles
// that ran are kept, as a run of that many cycles writes them, and the summary
// says why the run stopped.
TEST(Simulator, AFailedFrameKeepsTheStatisticsOfTheCyclesThatRan) {
  QTemporaryDir dir;
  const std::string root = dir.path().toStdString();
  ASSERT_TRUE(QDir(dir.path()).mkdir("fr_00003.bmp"));
  const std::vector<std::string> args = {"--futures", "2", "--seed", "3", "--scene", "asteroids"};
  std::vector<std::string> stopped = args, whole = args;
  stopped.insert(stopped.end(), {"--cycles", "6", "--stats", root + "/stopped.csv", "--frames", root + "/fr"});
  whole.insert(whole.end(), {"--cycles", "3", "--stats", root + "/whole.csv", "--frames", root + "/ok"});

  const TRun run = RunSim(stopped);
  EXPECT_EQ(run.Code, 2);
  EXPECT_NE(run.Err.find("vorlanth-sim: Cannot write the picture \"" + root + "/fr_00003.bmp\""),
            std::string::npos) << run.Err;
  const QJsonObject json = Summary(run.Out);
  EXPECT_TRUE(json.value("stopped_early").toBool());
  EXPECT_NE(json.value("error").toString().toStdString().find("fr_00003.bmp"), std::string::npos);
  EXPECT_EQ(json.value("cycles").toInt(), 3);
  ASSERT_EQ(RunSim(whole).Code, 0);
  EXPECT_EQ(ReadFile(root + "/stopped.csv"), ReadFile(root + "/whole.csv"));
  EXPECT_FALSE(Summary(RunSim(whole).Out).value("stopped_early").toBool(true));
}

// No output writes through a symbolic link at its name, even a dangling one: the
// run refuses it and says why.
TEST(Simulator, OutputsNeverWriteThroughALink) {
  QTemporaryDir dir;
  const std::string root = dir.path().toStdString();
  std::ofstream(root + "/victim") << "untouched";
  ASSERT_TRUE(QFile::link(dir.filePath("victim"), dir.filePath("s.csv")));
  ASSERT_TRUE(QFile::link(dir.filePath("nowhere"), dir.filePath("f_00001.bmp")));
  const std::vector<std::string> args = {"--cycles", "1", "--futures", "1"};
  std::vector<std::string> stats = args, frames = args;
  stats.insert(stats.end(), {"--stats", root + "/s.csv"});
  frames.insert(frames.end(), {"--frames", root + "/f"});
  for (const auto& output : {stats, frames}) {
    const TRun run = RunSim(output);
    EXPECT_EQ(run.Code, 2);
    EXPECT_NE(run.Err.find("is a symbolic link"), std::string::npos) << run.Err;
  }
  EXPECT_EQ(ReadFile(root + "/victim"), "untouched");
  EXPECT_FALSE(QFile::exists(dir.filePath("nowhere")));
}

// File names are the bytes given: a circuit whose name is not UTF-8 is read, and an
// output whose name Qt would spell otherwise is refused, never written elsewhere.
TEST(Simulator, FileNamesKeepTheirBytes) {
  QTemporaryDir dir;
  const std::string root = QFile::encodeName(dir.path()).toStdString();
  QImage circuit(200, 150, QImage::Format_RGB32);
  circuit.fill(Qt::white);
  ASSERT_TRUE(circuit.save(dir.filePath("c.bmp"), "BMP"));
  const std::string latin1 = root + "/lat\xe9.bmp";
  ASSERT_EQ(std::rename((root + "/c.bmp").c_str(), latin1.c_str()), 0);

  const TRun run = RunSim({"--cycles", "1", "--futures", "1", "--circuit", latin1});
  EXPECT_EQ(run.Code, 0) << run.Err;
  for (const auto& output : {std::vector<std::string>{"--stats", root + "/st\xe9.csv"},
                             std::vector<std::string>{"--frames", root + "/fr\xe9"}}) {
    const TRun refused = RunSim({"--cycles", "1", "--futures", "1", output[0], output[1]});
    EXPECT_EQ(refused.Code, 2);
    EXPECT_NE(refused.Err.find("not valid UTF-8"), std::string::npos) << refused.Err;
  }
  // Listed by their bytes: Qt would not list the circuit.
  std::vector<std::string> entries;
  if (DIR* folder = ::opendir(root.c_str())) {
    while (const dirent* entry = ::readdir(folder))
      if (entry->d_name != std::string(".") && entry->d_name != std::string("..")) entries.push_back(entry->d_name);
    ::closedir(folder);
  }
  EXPECT_EQ(entries, std::vector<std::string>{"lat\xe9.bmp"});
  ::unlink(latin1.c_str());  // which QTemporaryDir could not remove
}

// The runner's fixed cursor reaches the mouse goals: the cross-hair is drawn at
// it, and following or avoiding it steer differently.
TEST(Simulator, MouseGoalsFollowTheFixedCursor) {
  QTemporaryDir dir;
  const std::string root = dir.path().toStdString();
  const std::vector<std::string> args = {"--cycles", "6", "--futures", "8", "--seed", "5",
                                         "--horizon", "2", "--mouse", "600,120"};
  std::vector<std::string> follow = args, avoid = args;
  follow.insert(follow.end(), {"--goal", "follow-mouse", "--stats", root + "/follow.csv",
                               "--frames", root + "/f"});
  avoid.insert(avoid.end(), {"--goal", "avoid-mouse", "--stats", root + "/avoid.csv"});
  const TRun run = RunSim(follow);
  ASSERT_EQ(run.Code, 0) << run.Err;
  ASSERT_EQ(RunSim(avoid).Code, 0);
  EXPECT_NE(ReadFile(root + "/follow.csv"), ReadFile(root + "/avoid.csv"));
  const QImage frame(QString::fromStdString(root + "/f_00006.bmp"));
  ASSERT_FALSE(frame.isNull());
  EXPECT_EQ(frame.pixel(600, 112), qRgb(0, 0, 255));  // the cross-hair's vertical line
  EXPECT_EQ(frame.pixel(592, 120), qRgb(0, 0, 255));
}

// A run saved at cycle 4 and reopened writes, cycle for cycle, the statistics of
// the run that never stopped, on any number of threads; the flags that add
// players or goals act on top of the scene, and those it holds are refused.
TEST(Simulator, ASavedSceneContinuesExactlyAsTheRunThatNeverStopped) {
  QTemporaryDir dir;
  const std::string root = dir.path().toStdString();
  const std::vector<std::vector<std::string>> worlds = {
      {"--scene", "circle"},
      {"--scene", "asteroids", "--goal", "storage", "--goal", "avoid"},
      {"--add-karts", "3", "--add-rockets", "3", "--evolution"},
  };
  for (size_t w = 0; w < worlds.size(); ++w) {
    const auto run = [&](const std::string& name, std::vector<std::string> args) {
      args.insert(args.end(), {"--futures", "6", "--stats", root + "/" + name + ".csv"});
      const TRun result = RunSim(args);
      EXPECT_EQ(result.Code, 0) << result.Err;
      return ReadFile(root + "/" + name + ".csv");
    };
    std::vector<std::string> whole = worlds[w];
    whole.insert(whole.end(), {"--seed", "4", "--cycles", "8", "--horizon", "3"});
    std::vector<std::string> first = worlds[w];
    const std::string scene = root + "/w" + std::to_string(w) + ".vorlanth.json";
    first.insert(first.end(), {"--seed", "4", "--cycles", "4", "--horizon", "3", "--save-scene", scene});
    const std::string expected = run("whole", whole);
    run("first", first);
    // The rows of cycles 5 to 8, under the same header.
    std::istringstream lines(expected);
    std::string line, rest;
    std::getline(lines, line);
    rest = line + "\n";
    while (std::getline(lines, line))
      if (std::stoi(line.substr(0, line.find(','))) > 4) rest += line + "\n";
    for (const std::string threads : {"1", "3"})
      EXPECT_EQ(run("then", {"--scene", scene, "--cycles", "4", "--threads", threads}), rest)
          << "world " << w << " on " << threads << " threads";
  }
  const std::string scene = root + "/w0.vorlanth.json";
  const TRun added = RunSim({"--scene", scene, "--cycles", "1", "--futures", "2", "--add-karts", "2"});
  EXPECT_EQ(added.Code, 0) << added.Err;
  EXPECT_EQ(Summary(added.Out)["players"].toInt(), 18 + 2);  // the circle, and two more
  // --seed runs the scene's setup on a fresh stream of its own.
  const auto reseeded = [&](const char* seed) {
    const std::string stats = root + "/seeded" + seed + ".csv";
    EXPECT_EQ(RunSim({"--scene", scene, "--cycles", "3", "--futures", "4", "--seed", seed, "--stats", stats}).Code, 0);
    return ReadFile(stats);
  };
  EXPECT_EQ(reseeded("5"), reseeded("5"));
  EXPECT_NE(reseeded("5"), reseeded("6"));
  for (const char* flag : {"--min-futures", "--horizon"}) {
    const TRun refused = RunSim({"--scene", scene, flag, "3"});
    EXPECT_EQ(refused.Code, 2);
    EXPECT_NE(refused.Err.find("the scene holds its own"), std::string::npos) << refused.Err;
  }
}

}  // namespace
}  // namespace vorlanth
