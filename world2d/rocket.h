#pragma once
// The flying body: five corners under gravity, a main engine along the heading
// and a rotation thruster, tail-first landing tolerance and the landing pad service.

#include <memory>

#include "world2d/physic2d.h"

namespace vorlanth {

class TRocket : public TReplicable<TRocket, TPhysic2D> {
 public:
  // What is random about a new rocket (its colour) is drawn from `random`.
  static std::unique_ptr<TRocket> Create(TRandomStream& random, double x, double y, double angle);
  // A blank rocket, for a replica to fill in.
  static std::unique_ptr<TRocket> Blank() {
    TRandomStream unused;  // the replica takes every value, its colour too
    return Create(unused, 0, 0, 0);
  }

  int32_t MainPowerIndex = -1;
  int32_t RotaPowerIndex = -1;
  int32_t MainPushIndex = -1;
  int32_t RotaPushIndex = -1;

  void CreateParams() override;
  std::unique_ptr<TPlayer> Clone(TRandomStream& random) const override;
  bool CanClone() const override { return true; }
  void ApplyForces() override;
  void ApplyImpact(double speed) override;
  void Draw() override;
  void UpdateShape() override;

  double GetMainPower() const;
  void SetMainPower(double v);
  double GetRotaPower() const;
  void SetRotaPower(double v);
  double GetMainPush() const;
  void SetMainPush(double v);
  double GetRotaPush() const;

 protected:
  TRocket() = default;
  void InitRocket(TRandomStream& random, double x, double y, double angle);
};

// The rocket's tag among the kinds of bodies (world2d/body_kind.h).
inline constexpr TBodyKind bkRocket = static_cast<TBodyKind>(4);

inline TRocket* AsRocket(TPlayer* player) {
  return player && player->BodyKind == bkRocket ? static_cast<TRocket*>(player) : nullptr;
}

}  // namespace vorlanth
