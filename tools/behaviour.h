#pragma once
// Behaviour metrics of a run: the runner watches the players after every cycle
// (who drove how far, who died and of what, who was born) and sums up, overall
// and per kind of body, how they did.

#include <QJsonObject>

#include <unordered_map>

#include "world2d/player2d.h"

namespace vorlanth {

class TPlayer;
class TTrack;

// The name of a player's kind of body (bench/body_kinds), or "player" for another body.
const char* KindName(const TPlayer& player);

// Rounded to hundredths, as every figure of the summary.
double RoundFigure(double x);

class TBehaviour {
 public:
  // Once before the first cycle, then after every cycle. A player first seen
  // after the first call was born during the run: the runner adds none itself,
  // so it was born by splitting.
  void Watch(const TTrack& track);

  // The metrics of the players now on the track, overall at the top level and
  // per kind under "kinds", every total counted over the cycles watched (what a
  // scene's players brought in is not this run's):
  //  players, survivors (health and energy left), deaths by cause: wall,
  //  collision, left_picture (what took the last health), energy (alive but
  //  with no energy left: stranded); distance, health and energy: means per
  //  player; drop_energy, stored_energy, splits: totals; collisions: pair
  //  collisions overall, and per kind those its bodies took part in, counted
  //  per body.
  QJsonObject Summary(const TTrack& track) const;

 private:
  struct TWatch {
    bool Split = false;   // born during the run
    bool Alive = true;    // health above 0 after the last cycle
    TDamage Cause = TDamage::None;  // what took the last health, from the cycle it died in
    double X = 0;         // position after the last cycle
    double Y = 0;
    double Distance = 0;  // path of its centre over the cycles it began alive
    TPresentRecord Start;  // its record when first seen (none for one born in the run)
  };
  bool Started = false;
  std::unordered_map<const TPlayer*, TWatch> Watches;
};

}  // namespace vorlanth
