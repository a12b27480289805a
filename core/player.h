#pragma once
// The abstract agent: a present state, a working state run forward in futures,
// a list of futures that turns finished futures into controls, and its own goals.
// It knows nothing of space; the 2D classes fill in the virtual slots.

#include <cstdint>
#include <memory>

#include "core/color.h"
#include "core/futures.h"
#include "core/goal.h"
#include "core/state.h"
#include "core/step_context.h"

namespace vorlanth {

class TTeam;
class TTrack;

class TPlayer {
 public:
  TPlayer();
  virtual ~TPlayer();
  TPlayer(const TPlayer&) = delete;
  TPlayer& operator=(const TPlayer&) = delete;

  TTeam* Team = nullptr;  // set by TTeam::AddPlayer
  // What kind of body the player is, set by the world's classes as they build it
  // (0: none that the world knows); it lets the hot loop tell kinds apart
  // without walking the class hierarchy.
  uint8_t BodyKind = 0;
  // The settings of the track the player is on (the defaults on none).
  const TStepContext* Context = &DefaultStepContext;
  TColor Color = 0;       // body colour
  bool ShowTraces = false;        // "Draw the traces of the futures"
  bool ShowFeelings = false;      // "Draw Gain/Loose Feelings"
  bool ShowEndingPoints = false;  // "Draw the ending points"
  bool ShowLevels = false;        // "Draw sensitivity level"
  long double DrawScale = 1;      // scale of the ending-point marks
  long double LargestScore = 0;   // largest future score drawn since the last UpdateDrawScale
  bool FutureMode = false;        // a future of this player is being simulated
  double FutureNoise = 0;         // std. deviation of the velocity kick in futures (pixels/s)
  double Determination = 1;       // share of the weakest option's score subtracted
  std::unique_ptr<TGoalSet> Goals;
  bool LimitersOn = true;         // "Auto adjust joystick sensitivity"
  int32_t DeadCache = -1;         // -1 unknown, 0 alive, 1 dead
  bool AutoGridSize = true;       // "Auto adjust grid size."
  double GridTargetRatio = 0.5;
  std::unique_ptr<TState> Present;
  std::unique_ptr<TState> Working;
  int32_t EnergyIndex = -1;
  int32_t HealthIndex = -1;
  int32_t EnergyGoalIndex = 1;
  int32_t HealthGoalIndex = 0;
  int32_t GridSize = 10;          // pixels: size of the cells that tell futures apart
  int32_t MaxGridSize = 50;
  int32_t MinGridSize = 5;
  bool ArraysPending = true;      // shape cache flags of the 2D player
  bool ShapeDirty = true;
  std::unique_ptr<TListOfFutures> Futures;

  // Virtual slots, in order.
  virtual bool IsDrawable();
  virtual void CreateParams();
  virtual bool ReadyToSplit() { return false; }
  virtual void SetFutureMode(bool on);
  virtual std::unique_ptr<TPlayer> Clone() const = 0;
  virtual void BeginStep();
  virtual void ApplyForces();
  virtual void Move() {}
  virtual void RestoreStoredState();
  virtual void Assign(const TPlayer& source);
  virtual void Draw() = 0;
  virtual TColor GetOptionColor(const TState& state);
  // The same colour for a recorded future.
  TColor GetOptionColor(const TFuture& future) const;
  virtual void DrawTraceStep() = 0;
  virtual void DrawEndingPoint(const TFuture& future) = 0;
  virtual void AdaptGridSize();
  virtual void CommitState();
  virtual bool IsClearOfWalls() { return true; }
  virtual bool CollidesWith(TPlayer& other) = 0;
  virtual void ApplyImpact(double speed) = 0;
  // Adds a clone to the team (evolution halves the energy); returns the child.
  virtual TPlayer* Split();
  // Whether Clone is provided: a body that cannot be cloned is never asked to split.
  virtual bool CanClone() const { return false; }

  // Replicas of the world, for passes on other threads. NewReplica: a player of
  // the same class, whose values MirrorInto fills in (its goals are the replica's
  // to give); nullptr: this kind of player cannot be replicated. MirrorInto:
  // everything a future of the replica reads, copied from this player.
  virtual std::unique_ptr<TPlayer> NewReplica() const { return nullptr; }
  virtual void MirrorInto(TPlayer& replica) const;

  TState& GetState() { return FutureMode ? *Working : *Present; }
  const TState& GetState() const { return FutureMode ? *Working : *Present; }
  TTrack* GetTrack() const;
  int32_t GetTimeStepMs() const { return Context->StepMs; }
  double GetTimeStep() const { return Context->TimeStep(); }
  int32_t GetHorizonMs() const { return Context->HorizonMs; }

  bool HasControls() const { return GetState().HasFreeParams(); }
  bool HasNoGoals() const { return Goals->GoalCount() == 0; }
  // Health and energy are read and written many times per sub-step: through the
  // indices kept at construction, which every state of the player has.
  double GetHealth() const { return OwnParam(HealthIndex).Value; }
  void SetHealth(double x);
  double GetStartHealth() const { return OwnParam(HealthIndex).StartValue; }
  double GetEnergy() const { return OwnParam(EnergyIndex).Value; }
  void SetEnergy(double x) { OwnParam(EnergyIndex).SetValue(x); }
  double GetStartEnergy() const { return OwnParam(EnergyIndex).StartValue; }
  bool IsDead();
  TGoal& GetHealthGoal() { return Goals->GetGoal(HealthGoalIndex); }

  void SetLimiter(int32_t i, double x);
  double GetLimiter(int32_t i);
  double GetLimPush(int32_t i);
  void SetGridSize(int32_t n);
  void ChooseRandomOption();
  void RandomizeControls();
  void Decide();
  void PrepareFutures() { Futures->Prepare(); }
  void DrawFutures();
  void UpdateDrawScale();
  // One sub-step of the body: BeginStep, ApplyForces, Move.
  void Step();

 protected:
  // The construction steps. They call virtual slots (CreateParams, CommitState), so
  // each class's factory runs them on the finished object, base steps first.
  void InitPlayer();

 private:
  TStateParam* LimiterOf(int32_t freeIndex);
  TStateParam& OwnParam(int32_t i) { return GetState().Params[static_cast<size_t>(i)]; }
  const TStateParam& OwnParam(int32_t i) const { return GetState().Params[static_cast<size_t>(i)]; }
};

}  // namespace vorlanth
