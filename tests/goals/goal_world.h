#pragma once
// A small world for the goal tests: a circuit built from an in-memory picture, one
// team on it, bodies made through their factories, and a canvas that records what
// is drawn.

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <vector>

#include "core/team.h"
#include "support/memory_picture.h"
#include "support/recording_canvas.h"
#include "world2d/canvas.h"
#include "world2d/kart.h"
#include "world2d/rocket.h"
#include "world2d/track2d.h"
#include "support/test_random.h"

namespace vorlanth::testing {

// A white field inside a black border of `border` pixels, or all black.
inline TMemoryPicture FieldPicture(int32_t width, int32_t height, int32_t border = 1, bool allBlack = false) {
  TMemoryPicture picture(width, height, allBlack ? kBlackPixel : kWhitePixel);
  picture.Border(border);
  return picture;
}

// One team on a white field with a black border (200 x 200 unless said otherwise).
class GoalWorld : public ::testing::Test {
 protected:
  explicit GoalWorld(int32_t width = 200, int32_t height = 200) {
    Track.LoadFromImage(FieldPicture(width, height));
    Track.AddTeam(&Team);
  }

  TKart* AddKart(double x, double y, double size = 6) {
    auto* kart = static_cast<TKart*>(Team.AddPlayer(TKart::Create(TestRandom(), x, y, 0)));
    kart->SetSize(size);
    return kart;
  }
  TRocket* AddRocket(double x, double y, double angle = 0, double size = 6) {
    auto* rocket = static_cast<TRocket*>(Team.AddPlayer(TRocket::Create(TestRandom(), x, y, angle)));
    rocket->SetSize(size);
    return rocket;
  }
  static void MoveTo(TPlayer2D& body, double x, double y) {
    body.SetPosX(x);
    body.SetPosY(y);
  }

  // The track refers to the team, so it is declared first and dies last.
  TTrack2D Track;
  TTeam Team;
  RecordingCanvas Paper;
};

}  // namespace vorlanth::testing
