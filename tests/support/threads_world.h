#pragma once
// The world the threaded tests run: an 800 x 600 field with a border and a block
// of wall in its middle, one team, everything drawn onto `paper`, the cursor
// held still, a fixed number of futures.

#include <cstdint>

#include "core/team.h"
#include "support/memory_picture.h"
#include "world2d/track2d.h"

namespace vorlanth::testing {

inline void SetUpThreadsWorld(TTrack2D& track, TTeam& team, Canvas& paper, int32_t threads, int32_t futures,
                              int32_t horizonMs) {
  TMemoryPicture picture(800, 600);
  picture.Border(20);
  picture.Fill(380, 260, 420, 340, 0);
  track.LoadFromImage(picture);
  track.AddTeam(&team);
  track.ImageCanvas = &paper;
  track.FixedFutures = futures;
  track.HorizonMs = horizonMs;
  track.Threads = threads;
  track.MouseSource = [](int32_t& x, int32_t& y) {
    x = 300;
    y = 200;
    return true;
  };
}

}  // namespace vorlanth::testing
