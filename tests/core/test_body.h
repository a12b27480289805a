#pragma once
// A small body of the tests' own: one or two controls that push a position along
// x, so the core can run whole cycles without the 2D world.

#include <memory>
#include <vector>

#include "core/player.h"
#include "core/track.h"
#include "support/test_random.h"

namespace vorlanth::testing {

class TTestBody : public TPlayer {
 public:
  // controls: number of controls ("PUSH0", "PUSH1"...), each of range 60.
  static std::unique_ptr<TTestBody> Create(int controls = 1, bool positional = true,
                                           TRandomStream& random = TestRandom()) {
    std::unique_ptr<TTestBody> body(new TTestBody(controls, positional));
    body->InitPlayer(random);
    return body;
  }

  int Controls;
  bool Positional;
  int32_t PosIndex = -1;
  std::vector<int32_t> PushIndex;
  int Draws = 0;
  int TraceSteps = 0;
  int EndingPoints = 0;
  std::vector<int> Phases;  // log of Step calls: option-pushed flag per step

  void CreateParams() override {
    TPlayer::CreateParams();
    TState& s = GetState();
    if (Positional) PosIndex = s.AddParam(TStateParam::CreatePositional(&s, 15, 0, "PosX"));
    PushIndex.clear();
    for (int i = 0; i < Controls; ++i)
      PushIndex.push_back(s.AddParam(TStateParam::CreateFree(&s, 60, "Push" + std::to_string(i))));
  }
  std::unique_ptr<TPlayer> Clone(TRandomStream& random) const override {
    auto child = Create(Controls, Positional, random);
    child->Assign(*this);
    return child;
  }
  bool CanClone() const override { return Cloneable; }
  bool Cloneable = true;
  bool ReadyToSplit() override { return GetEnergy() >= 99; }
  void Move() override {
    if (!Positional) return;
    TState& s = GetState();
    double v = 0;
    for (int32_t i : PushIndex) v += s.Params[static_cast<size_t>(i)].Value;
    s.Params[static_cast<size_t>(PosIndex)].SetValue(s.Params[static_cast<size_t>(PosIndex)].Value + v * GetTimeStep());
  }
  double GetPos() const { return GetState().Params[static_cast<size_t>(PosIndex)].Value; }
  void SetPos(double x) { GetState().Params[static_cast<size_t>(PosIndex)].SetValue(x); }
  double GetPush(int i = 0) const { return GetState().Params[static_cast<size_t>(PushIndex[static_cast<size_t>(i)])].Value; }
  void Draw() override { ++Draws; }
  void DrawTraceStep() override { ++TraceSteps; }
  void DrawEndingPoint(const TFuture&) override { ++EndingPoints; }
  bool CollidesWith(TPlayer&) override { return false; }
  void ApplyImpact(double) override {}

 protected:
  TTestBody(int controls, bool positional) : Controls(controls), Positional(positional) {}
};

// A world without space: counts its steps and background draws.
class TTestTrack : public TTrack {
 public:
  int Steps = 0;
  int Backgrounds = 0;
  void Step() override { ++Steps; }
  void DrawBackground() override { ++Backgrounds; }
};

}  // namespace vorlanth::testing
