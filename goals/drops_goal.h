#pragma once
// "Get drops": a team goal that scatters energy drops over the circuit and rewards
// the players of its team for picking them up. Every drop keeps two counts of its
// units: the present one, which the real players consume, and a future one, which
// each future starts from and may consume without touching the present.

#include <array>
#include <cstdint>

#include "core/goal.h"

namespace vorlanth {

class TPlayer2D;

inline constexpr int32_t DropCount = 25;      // drops in use
inline constexpr int32_t EnergyPerDrop = 5;   // energy per unit taken
inline constexpr int32_t MinDropsLeft = 5;    // scatter again at this many drops left or fewer
inline constexpr int32_t DropSlots = 100;     // room in the arrays; only DropCount are used
// Draws of a place for one drop before giving up on a circuit with no clear spot.
inline constexpr int32_t MaxDropPlaceTries = 10000;

class TGoal2DSweets : public TReplicableGoal<TGoal2DSweets> {
 public:
  explicit TGoal2DSweets(TGoalOwner owner);

  bool ReplaceDrops = true;                   // scatter the used-up drops before the next evaluation
  std::array<int32_t, DropSlots> DropX{};     // drop centres (circuit pixels)
  std::array<int32_t, DropSlots> DropY{};
  std::array<int32_t, DropSlots> DropUnits{};        // units left, in the present
  std::array<int32_t, DropSlots> FutureDropUnits{};  // units left, in the future being simulated
  int32_t DropsLeft = 0;               // drops not used up in the present since the last scattering
  TRef LastPlayer;  // the player evaluated last
  double PresentEnergyGained = 0;      // energy players gained from drops in the present, for statistics

  void Evaluate(TPlayer& player) override;
  // Scatters the drops when they are to be replaced: on the main thread, never in a future.
  void BeforePasses() override;
  // Copies the present units into the future ones (a future starts from the present).
  void ResetFuture() override;
  // The present drops, cream circles outlined in green.
  void Draw() override;
  // The player evaluated last, nullptr before the first evaluation or once it has gone.
  TPlayer2D* GetLastPlayer() const;

  // Units of drop i in the future when LastPlayer simulates one, else in the present.
  int32_t GetDropLeft(int32_t i) const;
  void SetDropLeft(int32_t i, int32_t units);
  // Gives a used-up drop new units and a clear spot on the circuit. When no clear
  // spot turns up within MaxDropPlaceTries draws, the drop is left empty.
  void PlaceDrop(int32_t i, TRandomStream& random);
  void PlaceAllDrops(TRandomStream& random);

 private:
  // The drops the future under way can still reach, in a uniform grid of cells
  // over their centres, indexed at its first evaluation: an evaluation then
  // tests only the drops of the cells within reach. A drop lies in the cells of a
  // rectangle when its column and its row are in the rectangle's ranges, so the
  // grid keeps, as bits (bit i: drop i), the drops of the columns before each
  // column and of the rows before each row: a range is two looks.
  static constexpr int32_t GridCells = 64;  // cells along each axis
  struct TReachable {
    bool Ready = false;
    // Whole numbers, kept as the doubles an evaluation computes with.
    double MostUnits = 0;  // a bound on any drop's reach beyond the body's size
    double Left = 0;       // the grid's corner: the least x and y of the drops (pixels)
    double Top = 0;
    double Span = 0;       // the grid's width: GridCells cells of 2^shift pixels
    double CellScale = 1;  // 2^-shift
    std::array<uint32_t, GridCells + 1> ColumnsBefore{};
    std::array<uint32_t, GridCells + 1> RowsBefore{};
  };
  TReachable Reachable;
  bool InFuture() const;
  // Builds the grid above, once per future at its first evaluation (a call apart,
  // so that the evaluation of every other sub-step stays short).
  [[gnu::noinline]] void IndexReachableDrops();
};

}  // namespace vorlanth
