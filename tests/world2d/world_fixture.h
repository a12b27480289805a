#pragma once
// What the 2D world tests share: an in-memory circuit picture, a canvas that
// records what is drawn, a test body with a regular outline (optionally with a
// control), a player that is not a physics body, and a small world around them.

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <memory>
#include <utility>
#include <vector>

#include "core/team.h"
#include "support/memory_picture.h"
#include "support/recording_canvas.h"
#include "world2d/canvas.h"
#include "world2d/polygon2d.h"
#include "world2d/track2d.h"
#include "support/test_random.h"

namespace vorlanth::testing {

// A regular body of the physics world, with one control ("Push") when asked, no
// spin and no future noise; it can log (and refuse) the overlap tests it is asked.
class RegularBody : public TPolygon2D {
 public:
  static std::unique_ptr<RegularBody> Create(int32_t sides, double x, double y, double angle,
                                          bool controls = false) {
    std::unique_ptr<RegularBody> body(new RegularBody(controls));
    body->InitPolygon(TestRandom(), sides, x, y, angle);
    body->SetVelA(0);
    body->FutureNoise = 0;
    body->CommitState();
    return body;
  }

  void CreateParams() override {
    TPolygon2D::CreateParams();
    if (WithControls) GetState().AddParam(TStateParam::CreateFree(&GetState(), 1, "Push"));
  }
  TContact Overlap(TPhysic2D& other) override {
    if (Log) Log->push_back({this, &other});
    if (NeverCollide) return {};
    return TPolygon2D::Overlap(other);
  }

  std::vector<std::pair<const TPlayer*, const TPlayer*>>* Log = nullptr;
  bool NeverCollide = false;

 private:
  explicit RegularBody(bool controls) : WithControls(controls) {}
  bool WithControls;
};

// A player that is not a physics body.
class PlainPlayer : public TPlayer {
 public:
  static std::unique_ptr<PlainPlayer> Create() {
    std::unique_ptr<PlainPlayer> p(new PlainPlayer());
    p->InitPlayer(TestRandom());
    return p;
  }
  std::unique_ptr<TPlayer> Clone(TRandomStream& /*random*/) const override { return nullptr; }
  void Draw() override {}
  void DrawTraceStep() override {}
  void DrawEndingPoint(const TFuture&) override {}
  bool CollidesWith(TPlayer&) override { return false; }
  void ApplyImpact(double) override {}

 private:
  PlainPlayer() = default;
};

// A circuit (white field, by default without walls inside) with one team.
struct World {
  explicit World(const TMemoryPicture& picture) {
    Track.LoadFromImage(picture);
    Track.AddTeam(&Team);
  }
  World() : World(TMemoryPicture(400, 300)) {}

  template <typename T>
  T* Add(std::unique_ptr<T> player) {
    T* raw = player.get();
    Team.AddPlayer(std::move(player));
    return raw;
  }

  TTrack2D Track;
  TTeam Team;
};

}  // namespace vorlanth::testing
