#pragma once
// The headless runner behind vorlanth-sim: builds the window's start-up scene (or
// a variant, or opens a scene file), runs whole cycles exactly as the window's run loop does, and writes
// frames, per-player statistics and a JSON summary.

#include <cstdint>
#include <iosfwd>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "core/hardware_threads.h"
#include "video/video_writer.h"

namespace vorlanth {

struct TSimOptions {
  std::string Scene = "start";  // start | circle | asteroids
  std::string SceneFile;        // a scene file to open instead (its name's bytes)
  std::string SaveSceneFile;    // where to write the scene after the last cycle
  int64_t Cycles = 100;
  bool CyclesGiven = false;      // without: a journal's run goes to its last cycle
  std::string CommandsFile;      // a journal of commands to replay on the scene (its name's bytes)
  std::optional<uint64_t> Seed;  // none: seeded from the clock
  int32_t MinFutures = 100;      // 1..2000, as the window's bar
  int32_t Futures = 0;           // > 0: exactly this many passes per cycle, no clock
  int32_t HorizonSeconds = 10;   // 1..20, as the window's bar
  int32_t Threads = HardwareThreads();  // 1..TTrack::MaxThreads
  int32_t Lanes = 1;             // 1..TTrack::MaxLanes
  int32_t VectorWidth = 0;       // 1, 4 or 8: the widest kernels allowed; 0: the processor's widest
  std::string Circuit;           // empty: the built-in circuit
  std::vector<std::string> Goals;
  int32_t ExtraKarts = 0;        // players added after the scene, as "+Kart" does
  int32_t ExtraRockets = 0;
  int32_t ExtraAsteroids = 0;
  bool Collisions = true;        // the window's check box starts checked
  bool Evolution = false;
  std::string FramesPrefix;      // empty: nothing is drawn
  std::string StatsFile;         // empty: no statistics
  std::string VideoFile;         // empty: no film; *.webm: VP9 in WebM, else H.264 in MP4
  int32_t VideoFps = DefaultVideoFps;  // frames per second of the film
  std::optional<std::pair<int32_t, int32_t>> Mouse;  // a fixed cursor, circuit pixels
  std::string Name;              // copied into the summary
  bool Help = false;
  bool Version = false;
};

// Parses the arguments (without the program name); throws Error with a message
// naming the bad argument.
TSimOptions ParseSimArguments(const std::vector<std::string>& args);

std::string SimUsage();

// Runs the whole tool: returns the exit code (0, or 2 for bad arguments or input).
// Results go to `out` (last line: one JSON object), messages to `err`; the
// progress bar is drawn on `err` when `progress` is set.
int RunSimulator(const std::vector<std::string>& args, std::ostream& out, std::ostream& err,
                 bool progress);

}  // namespace vorlanth
