#pragma once
// The forces and the motion of one kart in K passes side by side: the same kart
// of K replicas of a world, one per lane of a vector, stored as structures of
// arrays. Every operation is one that IEEE 754 rounds exactly (+ - * /,
// comparisons, selections), nothing is contracted to FMA and the sine, cosine
// and hypotenuse are SLEEF's deterministic forms: each lane gives the very bits
// of TKart::ApplyForces and TPhysic2D::Move (a test compares them over random
// karts).
//
// The kernels are compiled for AVX2 (4 lanes) and AVX-512 (8 lanes) in files of
// their own, and chosen at run time (core/lane_width.h). This header and the
// lanes' arithmetic (core/lane_types.h, internal to each file) are all those files
// include: nothing inline of the rest of the model may be compiled there, or the
// linker could keep that copy, with instructions the processor may lack, for
// every caller.

#include <cstdint>

namespace vorlanth {

// The kart's laws, as kart.cpp and physic2d.cpp give them.
struct TKartLaws {
  double IdleRate = 0;         // energy per second while the engine runs idle
  double ReverseThrust = 0;    // the thrust backward of a standing kart
  double ThrustPerEnergy = 0;  // thrust at most this times the energy left
  double FullTurnSpeed = 0;    // pixels/s from which the turn takes full effect
  double MinSlide = 0;         // pixels/s
  double StopsSurely[2] = {};  // the side grip's bounds on the squared slide
  double LinearDrag = 0;       // share of the velocity lost per second
  double AngularDrag = 0;
};

struct TKartLanes {
  static constexpr int MaxLanes = 16;
  enum Field {
    // The parameters the kernel sets, with the bounds of their setters (below).
    Power, Turn, Energy, VelX, VelY, VelA, PosX, PosY, Angle, ParamCount,
    // Read only.
    PushPower = ParamCount, PushTurn, Dead, Mass, Size, ReferenceSize, Gravity, Dt, Friction, SideFriction,
    // Read and written: AccX on entry is BeginStep's; the heading's cache.
    AccX, AccY, HeadingAngle, HeadingX, HeadingY,
    Minimum, Maximum = Minimum + ParamCount,
    FieldCount = Maximum + ParamCount
  };
  TKartLaws Laws;
  // F[field][lane]; a param's field is its value. Lanes from the count up to a
  // whole vector are computed and ignored.
  alignas(64) double F[FieldCount][MaxLanes] = {};
};

// ApplyForces then Move of the kart, for the lanes [0, count) of `lanes`.
using TKartLanesKernel = void (*)(TKartLanes& lanes, int count);
void KartLanesAvx2(TKartLanes& lanes, int count);
void KartLanesAvx512(TKartLanes& lanes, int count);

}  // namespace vorlanth
