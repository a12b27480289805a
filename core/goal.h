#pragma once
// Goals measure one quantity of a player and turn it into the score of the future
// being simulated. A goal set holds the goals of one owner: a player or a team.

#include <cstdint>
#include <memory>
#include <string>
#include <typeinfo>
#include <vector>

#include "core/members.h"

namespace vorlanth {

class TPlayer;
class TState;
class TTeam;
struct TRandomStream;

// The owner of a goal or goal set: exactly one of the two is set.
struct TGoalOwner {
  TGoalOwner(TPlayer* player) : Player(player) {}  // NOLINT: implicit by design
  TGoalOwner(TTeam* team) : Team(team) {}          // NOLINT
  TPlayer* Player = nullptr;
  TTeam* Team = nullptr;
};

// What a goal measured, as the last evaluation left it.
struct TGoalMeasure {
  double Value = 0;        // the measurement now
  double StartValue = 0;   // the measurement at the start of the sub-step
  double GainInput = 0;    // copy of Value taken by Derive
  double Level = 0;        // Value relative to Scale, taken by Derive
  double Feeling = 1;      // change ratio of the measurement over the sub-step; 1 is neutral
};

// Every field of a goal is a value that its replicas take (see core/members.h):
// only Owner, its place, stays with each copy.
class TGoal : public TGoalMeasure {
 public:
  explicit TGoal(TGoalOwner owner);
  virtual ~TGoal() = default;

  TPlace<TGoalOwner> Owner;
  std::string Name = "Generic goal";
  double Strength = 1;     // within [0, MaxStrength]
  double MaxStrength = 5;
  double LossFactor = 1;   // shapes Feeling; the health goal uses 5
  int32_t ReactionMs = 0;  // 0: the goal never changes a future's weight
  double Urgency = 0.5;    // exponent of the fading of a feeling over the reaction time
  double Scale = 0;        // 0: the goal does not multiply the gain

  // Sealed: every goal measures, derives and stores alike, and the sub-steps of
  // futures call these on every goal without a virtual call.
  virtual double GetValue() const final { return Value; }
  virtual void SetValue(double x) final { Value = x; }
  virtual void Derive() final;
  virtual void DrawInFuture() {}
  // Sets StartValue and Value from the player's current state.
  virtual void Evaluate(TPlayer& player) = 0;
  virtual void ResetFuture() { Feeling = 1; }
  virtual void Draw() {}
  // Called before a player is freed: a goal that remembers it must let it go.
  virtual void ForgetPlayer(const TPlayer* /*player*/) {}
  // A personal goal that also acts on the present world, once per cycle beside the
  // team goals (energy stealing); the others are evaluated in futures only.
  virtual bool ActsInPresent() const { return false; }
  // Called on the main thread before each cycle's passes of futures, for what
  // must not happen inside them (drawing random numbers for the present world).
  virtual void BeforePasses() {}

  // Whether evaluating the goal changes nothing but the goal itself (the player,
  // the others and the world are only read): it may then be evaluated on a copy.
  virtual bool EvaluatesPurely() const { return false; }

  // Replicas, given by TReplicableGoal. Replicate: a copy of this goal, every
  // value with it, for the owner given (nullptr: this kind of goal cannot be
  // replicated). MirrorInto: every value of this goal copied into a goal of its
  // class, whose owner stays.
  virtual std::unique_ptr<TGoal> Replicate(TGoalOwner /*owner*/) const { return nullptr; }
  virtual void MirrorInto(TGoal& /*replica*/) const {}
  // What the last pass of futures left in the measurement (for the plots).
  void TakeFutureValues(const TGoal& replica) { static_cast<TGoalMeasure&>(*this) = replica; }
  // The player or team a reference names, among the owner's team (or the owner
  // itself) and the teams of its track; nullptr when it is gone.
  TPlayer* FindPlayer(TRef ref) const;
  TTeam* FindTeam(TRef ref) const;

  double GetStartValue() const { return StartValue; }
  void SetStrength(double x);
  void SetReactionTime(double seconds);
  // Copies strength (clamped by this goal's maximum), MaxStrength, Scale, ReactionMs, Urgency.
  void Assign(const TGoal& source);
  // Evaluate, Derive and fold into the player's current state (players with controls only).
  void ApplyTo(TPlayer& player);
  // The same on a player with controls, whose current state is given, told whether
  // the player's goals draw themselves.
  void ApplyTo(TPlayer& player, TState& state, bool show);

 protected:
  // Only a goal's own class copies it whole (for its replicas), never a bare TGoal.
  TGoal(const TGoal&) = default;
  TGoal& operator=(const TGoal&) = default;
};

// Replication for a goal class Self derived from Base: a replica is a copy, and
// takes every value again by Self's copy assignment. A class gets replication by
// deriving through this template, and only so: a class derived from Self in turn
// is not replicated (its own fields would be lost), and keeps the passes on the
// main thread.
template <class Self, class Base = TGoal>
class TReplicableGoal : public Base {
 public:
  using Base::Base;
  std::unique_ptr<TGoal> Replicate(TGoalOwner owner) const override {
    if (typeid(*this) != typeid(Self)) return nullptr;
    std::unique_ptr<TGoal> copy(new Self(static_cast<const Self&>(*this)));
    copy->Owner = owner;
    return copy;
  }
  void MirrorInto(TGoal& replica) const override {
    static_cast<Self&>(replica) = static_cast<const Self&>(*this);
  }
};

// The values of a goal set itself, which its replicas take.
struct TGoalSetValues {
  bool ShowGoals = false;  // the goals draw themselves only when set
};

class TGoalSet : public TGoalSetValues {
 public:
  explicit TGoalSet(TGoalOwner owner) : Owner(owner) {}
  TGoalSet(const TGoalSet&) = delete;
  TGoalSet& operator=(const TGoalSet&) = delete;

  TGoalOwner Owner;
  std::vector<std::unique_ptr<TGoal>> Items;  // owned

  int32_t AddGoal(std::unique_ptr<TGoal> goal);
  TGoal& GetGoal(int32_t i) { return *Items.at(static_cast<size_t>(i)); }
  int32_t GoalCount() const { return static_cast<int32_t>(Items.size()); }
  void Clear() { Items.clear(); }

  void ResetFuture();
  // Each goal on the owner (a player), or on each member of the owner team (goals outer).
  void Evaluate();
  void Draw();
  // The goals that act on the present, on the owner player's present state.
  void EvaluateInPresent();
  void ForgetPlayer(const TPlayer* player);
  // Each own goal copies the parameters of the first goal of the same class in Other.
  void CopyParamsFrom(const TGoalSet& other);
  void BeforePasses();
  // A set of replicas of these goals for the owner given (nullptr when a goal
  // cannot be replicated); every value copied into such a set.
  std::unique_ptr<TGoalSet> Replicate(TGoalOwner owner) const;
  void MirrorInto(TGoalSet& replica) const;
  void RandomizeStrengths(TRandomStream& random);
  void MutateStrengths(TRandomStream& random);
  void ColorFromGoals();
};

}  // namespace vorlanth
