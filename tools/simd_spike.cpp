// The SIMD spike's bench: karts on the built-in circuit, one per lane, from
// seeded random states. Checks that 4 lanes (AVX2) and 8 lanes (AVX-512) give
// the bits of the scalar path, then times each path per kart sub-step.
//   vorlanth-simd-spike [--check] [--lanes L] [--steps S] [--path scalar|avx2|avx512]
// --check: the bit-identity check alone (exit 1 on a difference). --path: only
// runs that path S sub-steps (for callgrind's counts), after the set-up.

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <numbers>
#include <string>
#include <vector>

#include "render/builtin_circuit.h"
#include "tools/simd_spike_kernel.h"
#include "world2d/track2d.h"

namespace vorlanth::spike {

void RunScalar(TKartLanes& lanes, const TGround& ground, const TOutline& outline, double reach, int steps);
void RunAvx2(TKartLanes& lanes, const TGround& ground, const TOutline& outline, double reach, int steps);
void RunAvx512(TKartLanes& lanes, const TGround& ground, const TOutline& outline, double reach, int steps);

namespace {

using Runner = void (*)(TKartLanes&, const TGround&, const TOutline&, double, int);

// Lanes with storage of their own.
struct TOwnedLanes {
  std::vector<double> Fields;
  std::vector<uint64_t> Words;
  TKartLanes Lanes;

  explicit TOwnedLanes(size_t count) : Fields(count * TKartLanes::FieldCount), Words(count * 4) {
    Lanes.Count = count;
    for (int f = 0; f < TKartLanes::FieldCount; ++f) Lanes.F[f] = Fields.data() + f * count;
    for (int w = 0; w < 4; ++w) Lanes.Rng[w] = Words.data() + w * count;
  }
  TOwnedLanes(const TOwnedLanes& other) : TOwnedLanes(other.Lanes.Count) { *this = other; }
  // Same counts only: the values travel, the storage stays.
  TOwnedLanes& operator=(const TOwnedLanes& other) {
    std::copy(other.Fields.begin(), other.Fields.end(), Fields.begin());
    std::copy(other.Words.begin(), other.Words.end(), Words.begin());
    return *this;
  }
  bool SameBits(const TOwnedLanes& other) const {
    return std::memcmp(Fields.data(), other.Fields.data(), Fields.size() * sizeof(double)) == 0 &&
           Words == other.Words;
  }
};

uint64_t SplitMix(uint64_t& seed) {
  seed += 0x9E3779B97F4A7C15ull;
  uint64_t z = seed;
  z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
  z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
  return z ^ (z >> 31);
}

struct TCircuit {
  TTrack2D Track;
  std::vector<uint8_t> Cells, Clearance;  // padded for the gathers
  TGround Ground;

  TCircuit() {
    Track.LoadFromImage(*LoadBuiltinCircuit());
    Cells = Track.Cells;
    Clearance = Track.WallClearance;
    Cells.resize(Cells.size() + 8);
    Clearance.resize(Clearance.size() + 8);
    Ground = {Cells.data(), Clearance.data(), Track.GridWidth, Track.GridHeight};
  }
};

// Seeded karts: anywhere on the track, any heading, a spread of speeds, powers,
// energies (some nearly empty), a few dead, every limiter and push.
TOwnedLanes RandomKarts(const TCircuit& circuit, size_t count, uint64_t seed) {
  TOwnedLanes owned(count);
  TKartLanes& k = owned.Lanes;
  auto uniform = [&](double lo, double hi) {
    return lo + (hi - lo) * static_cast<double>(SplitMix(seed) >> 11) * 0x1.0p-53;
  };
  for (size_t i = 0; i < count; ++i) {
    double x, y;
    do {
      x = uniform(5, circuit.Track.GridWidth - 5);
      y = uniform(5, circuit.Track.GridHeight - 5);
    } while (!circuit.Track.IsOnTrack(x, y));
    auto set = [&](int f, double v) { k.F[f][i] = v; };
    set(TKartLanes::PosX, x);
    set(TKartLanes::PosY, y);
    set(TKartLanes::Angle, uniform(-10, 10));
    set(TKartLanes::Size, 10);
    set(TKartLanes::VelX, uniform(-60, 60));
    set(TKartLanes::VelY, uniform(-60, 60));
    set(TKartLanes::VelA, uniform(-1, 1));
    set(TKartLanes::Power, uniform(-80, 80));
    set(TKartLanes::Turn, uniform(-0.78, 0.78));
    set(TKartLanes::Energy, i % 7 == 0 ? uniform(0, 0.01) : uniform(0, 100));
    set(TKartLanes::Health, i % 13 == 0 ? 0 : uniform(1, 100));
    set(TKartLanes::PushPowerLimiter, uniform(0, 1));
    set(TKartLanes::PushTurnLimiter, uniform(0, 1));
    set(TKartLanes::PushPowerLimPush, uniform(-0.25, 0.25));
    set(TKartLanes::PushTurnLimPush, uniform(-0.25, 0.25));
    set(TKartLanes::HasSpare, i % 3 == 0 ? 1 : 0);
    set(TKartLanes::Spare, uniform(-2, 2));
    for (int w = 0; w < 4; ++w) k.Rng[w][i] = SplitMix(seed);
  }
  return owned;
}

TOutline KartOutline(double& reach) {
  constexpr double kPi = std::numbers::pi;
  const double offsets[4] = {0.1 * kPi, 0.8 * kPi, -0.8 * kPi, -0.1 * kPi};
  TOutline outline;
  reach = 0;
  for (int i = 0; i < 4; ++i) {
    outline.X[i] = std::cos(offsets[i]);
    outline.Y[i] = std::sin(offsets[i]);
    reach = std::max(reach, std::hypot(outline.X[i], outline.Y[i]));
  }
  return outline;
}

struct TPath {
  const char* Name;
  int Lanes;
  Runner Run;
  bool Available;
};

std::vector<TPath> Paths() {
  __builtin_cpu_init();
  return {
      {"scalar", 1, RunScalar, true},
      {"avx2", 4, RunAvx2, __builtin_cpu_supports("avx2") != 0},
      {"avx512", 8, RunAvx512, __builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512dq")},
  };
}

// Each path from the same states, several rounds of sub-steps: the bits of every
// field and stream must agree with the scalar path's after each round.
bool Check(const TCircuit& circuit, const TOutline& outline, double reach, size_t count, int steps) {
  bool same = true;
  for (uint64_t seed = 1; seed <= 3; ++seed) {
    const TOwnedLanes start = RandomKarts(circuit, count, seed);
    TOwnedLanes scalar = start;
    for (const TPath& path : Paths()) {
      if (!path.Available || path.Lanes == 1) continue;
      TOwnedLanes lanes = start;
      scalar = start;
      bool agree = true;
      for (int round = 0; round < 4 && agree; ++round) {
        RunScalar(scalar.Lanes, circuit.Ground, outline, reach, steps);
        path.Run(lanes.Lanes, circuit.Ground, outline, reach, steps);
        if (!lanes.SameBits(scalar)) {
          std::printf("seed %llu, %s: differs from the scalar path after %d sub-steps\n",
                      static_cast<unsigned long long>(seed), path.Name, (round + 1) * steps);
          agree = same = false;
        }
      }
      if (agree)
        std::printf("seed %llu, %s: %zu karts x %d sub-steps bit-identical to the scalar path\n",
                    static_cast<unsigned long long>(seed), path.Name, count, 4 * steps);
    }
  }
  return same;
}

}  // namespace
}  // namespace vorlanth::spike

int main(int argc, char** argv) {
  using namespace vorlanth::spike;
  bool checkOnly = false;
  size_t count = 4096;
  int steps = 100;
  std::string only;
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    if (a == "--check") checkOnly = true;
    else if (a == "--lanes" && i + 1 < argc) count = std::stoul(argv[++i]);
    else if (a == "--steps" && i + 1 < argc) steps = std::stoi(argv[++i]);
    else if (a == "--path" && i + 1 < argc) only = argv[++i];
    else {
      std::fprintf(stderr, "usage: %s [--check] [--lanes L] [--steps S] [--path scalar|avx2|avx512]\n", argv[0]);
      return 2;
    }
  }
  count = std::max<size_t>(8, count / 8 * 8);
  const TCircuit circuit;
  double reach = 0;
  const TOutline outline = KartOutline(reach);

  if (!only.empty()) {
    for (const TPath& path : Paths()) {
      if (only != path.Name) continue;
      if (!path.Available) return 1;
      TOwnedLanes lanes = RandomKarts(circuit, count, 1);
      path.Run(lanes.Lanes, circuit.Ground, outline, reach, steps);
      std::printf("%s: %zu karts x %d sub-steps, x of the first %.17g\n", path.Name, count, steps,
                  lanes.Lanes.F[TKartLanes::PosX][0]);
      return 0;
    }
    return 2;
  }

  const bool same = Check(circuit, outline, reach, std::min<size_t>(count, 1024), 25);
  if (checkOnly) return same ? 0 : 1;

  // Times: the best of several runs of every path over the same karts.
  double scalarNs = 0;
  for (const TPath& path : Paths()) {
    if (!path.Available) {
      std::printf("%-7s not on this CPU\n", path.Name);
      continue;
    }
    double best = 1e300;
    double touching = 0;
    for (int run = 0; run < 5; ++run) {
      TOwnedLanes lanes = RandomKarts(circuit, count, 7);
      const auto t0 = std::chrono::steady_clock::now();
      path.Run(lanes.Lanes, circuit.Ground, outline, reach, steps);
      const auto t1 = std::chrono::steady_clock::now();
      best = std::min(best, std::chrono::duration<double, std::nano>(t1 - t0).count() /
                                (static_cast<double>(count) * steps));
      touching = 0;
      for (size_t i = 0; i < count; ++i) touching += lanes.Lanes.F[TKartLanes::Touching][i];
    }
    if (path.Lanes == 1) scalarNs = best;
    std::printf("%-7s %d lane(s): %6.1f ns per kart sub-step (%.2fx the scalar path); %.1f%% of karts touching a wall in the last sub-step\n",
                path.Name, path.Lanes, best, scalarNs / best, 100 * touching / static_cast<double>(count));
  }
  return same ? 0 : 1;
}
