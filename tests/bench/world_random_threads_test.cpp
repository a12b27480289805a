#include <gtest/gtest.h>

#include <cstdint>
#include <thread>
#include <utility>

#include "bench/population.h"
#include "core/player.h"
#include "core/team.h"
#include "support/recording_canvas.h"
#include "support/threads_world.h"
#include "world2d/track2d.h"

namespace vorlanth {
namespace {

using testing::RecordingCanvas;

// A seeded world whose present and futures both draw random numbers: asteroids
// with noisy futures, karts and a rocket placed at random, scattered drops,
// evolution (mutation), on `threads` threads of passes.
struct RandomWorld {
  TTrack2D Track;
  TTeam Team;
  TPopulation Population{Track};
  RecordingCanvas Paper{/*keepCalls=*/false};  // the digest of a long run

  RandomWorld(uint64_t seed, int32_t threads) {
    testing::SetUpThreadsWorld(Track, Team, Paper, threads, 4, 2000);
    Track.Random.SeedRun(seed);
    Population.AddPlayer(pkRocket);
    for (int i = 0; i < 2; ++i) Population.AddPlayer(pkKart);
    Population.AddAsteroids(2);
    Population.AddDropsGoal();
    Track.SetEvolution(true);
  }

  // Cycles `from` to `to` - 1; a kart joins at cycle 3, as a command would add it.
  void Run(int from, int to) {
    for (int cycle = from; cycle < to; ++cycle) {
      if (cycle == 3) Population.AddPlayer(pkKart);
      Track.Cycle();
    }
  }

  // The drawing, every value of every player, and where the world's stream stands.
  uint64_t Digest() {
    for (TPlayer* player : Track.Players)
      for (const TStateParam& p : player->GetState().Params) Paper.Add(&p.Value, sizeof p.Value);
    Paper.Add(Track.Random.Stream.State.s, sizeof Track.Random.Stream.State.s);
    return Paper.Digest;
  }
};

constexpr int kCycles = 6;

uint64_t Alone(uint64_t seed, int32_t threads) {
  RandomWorld world(seed, threads);
  world.Run(0, kCycles);
  return world.Digest();
}

TEST(WorldRandomThreads, TwoWorldsRunSideBySideGiveWhatEachGivesAlone) {
  for (const int32_t threads : {1, 2}) {
    const uint64_t first = Alone(11, threads);
    const uint64_t second = Alone(12, threads);
    ASSERT_NE(first, second);  // the seed matters

    // Built on this thread, both run at once on two others, their draws interleaved.
    RandomWorld a(11, threads);
    RandomWorld b(12, threads);
    RandomWorld twin(11, threads);  // the same seed as a: no stream is shared
    {
      std::jthread runA([&a] { a.Run(0, kCycles); });
      std::jthread runB([&b] { b.Run(0, kCycles); });
      std::jthread runTwin([&twin] { twin.Run(0, kCycles); });
    }
    EXPECT_EQ(a.Digest(), first) << threads << " threads of passes";
    EXPECT_EQ(b.Digest(), second) << threads << " threads of passes";
    EXPECT_EQ(twin.Digest(), first) << threads << " threads of passes";
  }
}

TEST(WorldRandomThreads, ACycleOnAnotherThreadGoesOnAsOnOne) {
  const uint64_t expected = Alone(7, 1);
  // Each stretch of cycles on a thread of its own, the world built on this one.
  RandomWorld world(7, 1);
  for (const auto& [from, to] : {std::pair{0, 2}, std::pair{2, 4}, std::pair{4, kCycles}})
    std::jthread([&world, from, to] { world.Run(from, to); }).join();
  EXPECT_EQ(world.Digest(), expected);
}

}  // namespace
}  // namespace vorlanth
