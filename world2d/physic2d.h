#pragma once
// The rigid body: velocities as state parameters, mass and inertia growing with
// the size, semi-implicit integration with drag, wall contact and bounce, body
// overlap and the pair collision response. Base of the kart, rocket and asteroid.

#include <cstdint>

#include "world2d/player2d.h"

namespace vorlanth {

// What a wall or overlap test found: whether there is contact, and where (pixels).
struct TContact {
  bool Touching = false;
  double X = 0;
  double Y = 0;
};

// Gives a new body the goals of its kind besides health and energy. The body's
// creator chooses it (the world knows no goals), and clones inherit it.
using TGoalGiver = void (*)(TPlayer& body);

// What a pair response did to each body: the impulse each received.
struct TPairImpulses {
  double A = 0;
  double B = 0;
};

class TPhysic2D : public TPlayer2D {
 public:
  static constexpr int32_t SamplesPerEdge = 5;
  static constexpr double WallRestitution = 1.3;
  static constexpr double PairRestitution = 1.75;
  static constexpr double LinearDrag = 0.01;  // share of the velocity lost per second
  static constexpr double AngularDrag = 0.2;

  double Gravity = 9.8;       // pixels/s², along +y (down)
  double Density = 1.0;       // mass factor
  double MassCache = -1;      // negative: stale
  double InertiaCache = -1;
  double AccX = 0;            // accelerations of the current sub-step (pixels/s², rad/s²)
  double AccY = 0;
  double AccA = 0;
  double ContactX = 0;        // contact point of the last wall or body test or response (pixels)
  double ContactY = 0;
  TGoalGiver GiveGoals = nullptr;  // the goals this body was given at its creation
  int32_t VelXIndex = -1;     // indices of "VelX", "VelY", "VelA"
  int32_t VelYIndex = -1;
  int32_t VelAIndex = -1;
  // Whether two such bodies whose bounding circles lie 2 pixels apart surely do not
  // overlap (no corner sharper than 76 degrees): the pair pass then skips their
  // overlap test. Set by the classes whose outlines are so (the kart, the rocket).
  bool CirclePretest = false;

  void CreateParams() override;
  void BeginStep() override;
  void ApplyForces() override;
  void Move() override;
  // The slots: the queries below, with their contact kept in ContactX/ContactY; a
  // body clear of walls also keeps its pose as the last one clear of walls.
  bool IsClearOfWalls() override;
  bool CollidesWith(TPlayer& other) override;
  // Pure queries: they change no body (only its caches: the outline, the last pose
  // found clear of walls). The world step's pair pass asks Overlap of every pair
  // whose squares meet.
  TContact WallContact();
  virtual TContact Overlap(TPhysic2D& other);
  // Whether the rectangles of two karts or rockets along their headings lie so far
  // apart that their overlap test would surely find no contact: a test of four
  // axes that builds no outline. False whenever it cannot tell.
  static bool FramesApart(const TPhysic2D& a, const TPhysic2D& b);
  void SetSize(double value) override;

  double GetVelX() const { return GetState().Params[static_cast<size_t>(VelXIndex)].Value; }
  double GetVelY() const { return GetState().Params[static_cast<size_t>(VelYIndex)].Value; }
  double GetVelA() const { return GetState().Params[static_cast<size_t>(VelAIndex)].Value; }
  void SetVelX(double v) { GetState().Params[static_cast<size_t>(VelXIndex)].SetValue(v); }
  void SetVelY(double v) { GetState().Params[static_cast<size_t>(VelYIndex)].SetValue(v); }
  void SetVelA(double v) { GetState().Params[static_cast<size_t>(VelAIndex)].SetValue(v); }
  double GetStartVelX() const { return GetState().Params[static_cast<size_t>(VelXIndex)].StartValue; }
  double GetStartVelY() const { return GetState().Params[static_cast<size_t>(VelYIndex)].StartValue; }

  void SetDensity(double value);
  // Both kept while the size they were computed for stands.
  double GetMass() { return MassCache >= 0 && GetSize() == CacheSize ? MassCache : ComputeMass(); }
  double GetInertia() { return InertiaCache >= 0 && GetSize() == CacheSize ? InertiaCache : ComputeInertia(); }
  double GetKineticEnergy();
  // The wall response: back off toward the last pose clear of walls and reflect.
  void Bounce();
  // The pair response for two overlapping bodies (A earlier in the track's list),
  // from the contact their overlap test found (by default A's ContactX/ContactY).
  static TPairImpulses ResolveCollision(TPhysic2D& a, TPhysic2D& b);
  static TPairImpulses ResolveCollision(TPhysic2D& a, TPhysic2D& b, const TContact& contact);
  // Records the giver and gives its goals to this body.
  void AdoptGoals(TGoalGiver giver);

 protected:
  // Construction steps: the 2D player's, then pose, size 8, gravity 9.8,
  // density 1, CommitState. The creator adds the body's own goals (AdoptGoals).
  void InitPhysic(TRandomStream& random, double x, double y, double angle);

 private:
  // The wall test of the outline's corners, without the clearance's shortcut;
  // and the wall test of a step of the back-off, where the shortcut never holds.
  TContact OutlineWallContact(const TTrack2D& track);
  TContact BackOffWallContact();
  // The forces of a future's sub-step: the velocity kick of the future's noise,
  // and a dead body without goals stopped.
  [[gnu::noinline]] void FutureForces();
  // The size the caches were computed for: a state restored or copied with
  // another size makes them stale even without a SetSize.
  double CacheSize = -1;
  void CheckCaches();
  double ComputeMass();
  double ComputeInertia();
  // Pair motion measure of one body with trial velocities.
  double MotionMeasure(double velX, double velY, double velA);
};

inline TPhysic2D* AsPhysic(TPlayer* player) {
  return player && player->BodyKind >= bkPhysic ? static_cast<TPhysic2D*>(player) : nullptr;
}

}  // namespace vorlanth
