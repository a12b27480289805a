#pragma once
// "Store drops": a team goal with a storage box, a small square on the circuit
// into which the players unload the energy they hold beyond a reserve of 25.
// The box is emptied at once when a deposit fills it beyond 90 %.

#include <cstdint>

#include "core/goal.h"

namespace vorlanth {

class TPlayer2D;

inline constexpr int32_t StorageBoxHalfSize = 6;  // half side of the box the window places
inline constexpr double StorageReserve = 25;      // energy a player keeps for itself
inline constexpr double StorageEmptyShare = 0.9;  // the box empties beyond this share of capacity
inline constexpr double StorageNeutralValue = 10; // the value when nothing is stored

class TGoal2DStorage : public TReplicableGoal<TGoal2DStorage> {
 public:
  TGoal2DStorage(TGoalOwner owner, int32_t x, int32_t y, int32_t halfSize, int32_t capacity);

  TRef LastPlayer;  // the player evaluated last
  int32_t BoxX = 0;                 // centre of the box (circuit pixels)
  int32_t BoxY = 0;
  int32_t BoxHalfSize = 1;          // half the side of the square, at least 1
  double Capacity = 0;              // most energy the box holds
  double Stored = 0;                // energy in the box

  void Evaluate(TPlayer& player) override;
  // The box outline in blue and its fill level in aqua.
  void Draw() override;
  // The player evaluated last, nullptr before the first evaluation or once it has gone.
  TPlayer2D* GetLastPlayer() const;
};

}  // namespace vorlanth
