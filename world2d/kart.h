#pragma once
// The ground vehicle: four corners, power and turn integrated from the controls
// "PushPower" and "PushTurn", rolling friction, braking, side grip, energy costs.

#include <memory>

#include "world2d/physic2d.h"

namespace vorlanth {

struct TKartLanes;

class TKart : public TReplicable<TKart, TPhysic2D> {
 public:
  // What is random about a new kart (its colour) is drawn from `random`.
  static std::unique_ptr<TKart> Create(TRandomStream& random, double x, double y, double angle);
  // A blank kart, for a replica to fill in.
  static std::unique_ptr<TKart> Blank() {
    TRandomStream unused;  // the replica takes every value, its colour too
    return Create(unused, 0, 0, 0);
  }

  int32_t PowerIndex = -1;  // "Power": engine power, negative brakes
  int32_t TurnIndex = -1;   // "Turn": rad/s reached at 10 pixels/s or more
  int32_t PushPowerIndex = -1;
  int32_t PushTurnIndex = -1;

  void CreateParams() override;
  std::unique_ptr<TPlayer> Clone(TRandomStream& random) const override;
  bool CanClone() const override { return true; }
  void ApplyForces() override;
  // The same kart of several replicas, in vector lanes where the processor has
  // them: each one's bits as Step gives them.
  void StepSideBySide(TPlayer* const* same, size_t count) override;
  // Around the vector kernel: the kart's values into lane `lane` of `lanes`, the
  // kart's laws into `lanes`, and the kernel's results back into the kart.
  void ToLanes(TKartLanes& lanes, int lane);
  void LawsToLanes(TKartLanes& lanes) const;
  void FromLanes(const TKartLanes& lanes, int lane);
  // The vector kernel over the lanes [0, count), `width` (4 or 8) at a time.
  static void RunLanes(TKartLanes& lanes, int count, int32_t width);
  void Draw() override;
  void UpdateShape() override;

  double GetPower() const;
  void SetPower(double v);
  double GetTurn() const;
  void SetTurn(double v);
  double GetMaxPower() const;
  double GetMinPower() const;
  void SetMaxPower(double v);
  double GetMaxTurn() const;
  double GetPushPower() const;
  double GetPushTurn() const;

 protected:
  TKart() = default;
  void InitKart(TRandomStream& random, double x, double y, double angle);
};

// The kart's tag among the kinds of bodies (world2d/body_kind.h).
inline constexpr TBodyKind bkKart = static_cast<TBodyKind>(3);

inline TKart* AsKart(TPlayer* player) {
  return player && player->BodyKind == bkKart ? static_cast<TKart*>(player) : nullptr;
}

}  // namespace vorlanth
