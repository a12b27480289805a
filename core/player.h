#pragma once
// The abstract agent: a present state, a working state run forward in futures,
// a list of futures that turns finished futures into controls, and its own goals.
// It knows nothing of space; the 2D classes fill in the virtual slots.

#include <cstdint>
#include <memory>
#include <typeinfo>

#include "core/color.h"
#include "core/futures.h"
#include "core/goal.h"
#include "core/members.h"
#include "core/random.h"
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

  // Every field below is a value that a replica of the player takes (see
  // core/members.h), except those whose type says they are its place.
  TPlace<TTeam*> Team = nullptr;  // set by TTeam::AddPlayer
  // Names the player in references (TRef): a replica takes it with the values.
  uint32_t Serial = NewSerial();
  int32_t TeamIndex = -1;  // its place in its team's list, kept by the team
  // What kind of body the player is, set by the world's classes as they build it
  // (0: none that the world knows); it lets the hot loop tell kinds apart
  // without walking the class hierarchy.
  uint8_t BodyKind = 0;
  // The settings of the track the player is on (the defaults on none).
  TPlace<const TStepContext*> Context = &DefaultStepContext;
  // The random streams of the track the player is on (none on no track): the
  // present's, and the one of the pass of futures under way.
  TPlace<TWorldRandom*> WorldRandom = nullptr;
  TPlace<TRandomStream*> PassRandom = nullptr;
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
  TPlace<std::unique_ptr<TGoalSet>> Goals;
  bool LimitersOn = true;         // "Auto adjust joystick sensitivity"
  // The controls are set from outside before each cycle (a policy of a front end):
  // the player still runs its futures, but Decide leaves its controls as set.
  bool ExternalControls = false;
  int32_t DeadCache = -1;         // -1 unknown, 0 alive, 1 dead
  bool AutoGridSize = true;       // "Auto adjust grid size."
  double GridTargetRatio = 0.5;
  TOwnedValue<TState> Present;
  TPlace<std::unique_ptr<TState>> Working;
  int32_t EnergyIndex = -1;
  int32_t HealthIndex = -1;
  int32_t EnergyGoalIndex = 1;
  int32_t HealthGoalIndex = 0;
  int32_t GridSize = 10;          // pixels: size of the cells that tell futures apart
  int32_t MaxGridSize = 50;
  int32_t MinGridSize = 5;
  bool ArraysPending = true;      // shape cache flags of the 2D player
  bool ShapeDirty = true;
  TPlace<std::unique_ptr<TListOfFutures>> Futures;

  // Virtual slots, in order.
  virtual bool IsDrawable();
  virtual void CreateParams();
  virtual bool ReadyToSplit() { return false; }
  virtual void SetFutureMode(bool on);
  // A new body of the class, drawing what is random about a new body from `random`.
  virtual std::unique_ptr<TPlayer> Clone(TRandomStream& random) const = 0;
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

  // Replicas of the world, for passes on other threads, given by TReplicable:
  // NewReplica, a player of the same class (nullptr: this kind of player cannot
  // be replicated; its goals are the replica's to give); MirrorInto, every value
  // of this player copied into such a replica.
  virtual std::unique_ptr<TPlayer> NewReplica() const { return nullptr; }
  virtual void MirrorInto(TPlayer& /*replica*/) const {}
  // A reference to this player (its index in its team when taken).
  TRef GetRef() const;

  TState& GetState() { return FutureMode ? *Working : *Present; }
  const TState& GetState() const { return FutureMode ? *Working : *Present; }
  TTrack* GetTrack() const;
  // The stream the player draws from: its pass's in a future, its world's in the
  // present. Throws Error on no track.
  TRandomStream& RandomStream() {
    TRandomStream* stream = FutureMode ? PassRandom.get() : (WorldRandom ? &WorldRandom->Stream : nullptr);
    return stream ? *stream : NoRandomStream();
  }
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
  // RandomizeControls for the same player of `count` replicas of a world.
  static void RandomizeControlsSideBySide(TPlayer* const* same, size_t count);
  void Decide();
  void PrepareFutures() { Futures->Prepare(); }
  void DrawFutures();
  void UpdateDrawScale();
  // One sub-step of the body: BeginStep, ApplyForces, Move.
  void Step();
  // Step for the same player of `count` replicas of a world, passes side by
  // side: same[0] is this one, the others are of its class and in its place.
  // A class may take them at once, with each one's bits as Step gives them.
  virtual void StepSideBySide(TPlayer* const* same, size_t count);

 protected:
  // Copies every value (members.h): only a class's own replication does it.
  TPlayer& operator=(const TPlayer&) = default;
  // The construction steps. They call virtual slots (CreateParams, CommitState), so
  // each class's factory runs them on the finished object, base steps first.
  // What is random about a new body (its colour) is drawn from `random`.
  void InitPlayer(TRandomStream& random);

 private:
  [[noreturn]] static TRandomStream& NoRandomStream();
  TStateParam* LimiterOf(int32_t freeIndex);
  TStateParam& OwnParam(int32_t i) { return GetState().Params[static_cast<size_t>(i)]; }
  const TStateParam& OwnParam(int32_t i) const { return GetState().Params[static_cast<size_t>(i)]; }
};

// A reference to the player, or none.
inline TRef RefOf(const TPlayer* player) { return player ? player->GetRef() : TRef{}; }

// Replication for a player class Self derived from Base: its replicas are made by
// Self::Blank() and take every value of the player by Self's copy assignment.
// A class gets replication by deriving through this template, and only so: a
// class derived from Self in turn is not replicated (its own fields would be
// lost), and keeps the passes on the main thread.
template <class Self, class Base>
class TReplicable : public Base {
 public:
  std::unique_ptr<TPlayer> NewReplica() const override {
    if (typeid(*this) != typeid(Self)) return nullptr;
    return Self::Blank();
  }
  void MirrorInto(TPlayer& replica) const override {
    static_cast<Self&>(replica) = static_cast<const Self&>(*this);
  }
};

}  // namespace vorlanth
