#include "tools/behaviour.h"

#include <algorithm>
#include <cmath>
#include <iterator>
#include <string>
#include <vector>

#include "bench/body_kinds.h"
#include "core/track.h"
#include "world2d/kart.h"
#include "world2d/polygon2d.h"
#include "world2d/rocket.h"

namespace vorlanth {
namespace {

// How a player's run ended, when it did not survive.
enum TEnd : int32_t { eWall, eCollision, eEnergy, eLeftPicture, eEndCount };
constexpr const char* kEndNames[eEndCount] = {"wall", "collision", "energy", "left_picture"};

// A group of players (all, or one kind): counts and sums.
struct TTally {
  qint64 Players = 0;
  qint64 Survivors = 0;
  qint64 Deaths[eEndCount] = {};
  qint64 Collisions = 0;  // per body taking part
  qint64 Splits = 0;
  double Distance = 0;
  double Health = 0;
  double Energy = 0;
  double DropEnergy = 0;
  double StoredEnergy = 0;
};

QJsonObject TallyJson(const TTally& t) {
  const double n = static_cast<double>(std::max<qint64>(t.Players, 1));
  QJsonObject deaths;
  for (int32_t e = 0; e < eEndCount; ++e) deaths[QLatin1String(kEndNames[e])] = t.Deaths[e];
  QJsonObject json;
  json[QStringLiteral("players")] = t.Players;
  json[QStringLiteral("survivors")] = t.Survivors;
  json[QStringLiteral("deaths")] = deaths;
  json[QStringLiteral("distance")] = RoundFigure(t.Distance / n);
  json[QStringLiteral("health")] = RoundFigure(t.Health / n);
  json[QStringLiteral("energy")] = RoundFigure(t.Energy / n);
  json[QStringLiteral("drop_energy")] = RoundFigure(t.DropEnergy);
  json[QStringLiteral("stored_energy")] = RoundFigure(t.StoredEnergy);
  json[QStringLiteral("collisions")] = t.Collisions;
  json[QStringLiteral("splits")] = t.Splits;
  return json;
}

}  // namespace

const char* KindName(const TPlayer& player) { return BodyKindName(player); }

double RoundFigure(double x) { return std::round(x * 100) / 100; }

void TBehaviour::Watch(const TTrack& track) {
  for (TPlayer* player : track.Players) {
    auto& body = static_cast<TPlayer2D&>(*player);
    const auto [entry, born] = Watches.try_emplace(player);
    TWatch& watch = entry->second;
    if (born) {
      watch.Split = Started;
      watch.Alive = !body.IsDead();
      // A child's record begins at its birth: all of it is the run's.
      if (!Started) watch.Start = body.Record;
    } else if (watch.Alive) {
      watch.Distance += std::hypot(body.GetPosX() - watch.X, body.GetPosY() - watch.Y);
      if (body.IsDead()) {
        watch.Alive = false;
        // Dead bodies are still pushed around: the cause is read when they die.
        watch.Cause = body.Record.LastDamage;
      }
    }
    watch.X = body.GetPosX();
    watch.Y = body.GetPosY();
  }
  Started = true;
}

QJsonObject TBehaviour::Summary(const TTrack& track) const {
  TTally all;
  std::vector<TTally> kinds(BodyKinds().size());
  for (TPlayer* player : track.Players) {
    auto& body = static_cast<TPlayer2D&>(*player);
    const auto found = Watches.find(player);
    const TWatch watch = found == Watches.end() ? TWatch{} : found->second;
    TTally* tallies[2] = {&all, nullptr};
    for (size_t k = 0; k < BodyKinds().size(); ++k)
      if (BodyKinds()[k].Is(body)) tallies[1] = &kinds[k];
    for (TTally* t : tallies) {
      if (!t) continue;
      ++t->Players;
      if (!body.IsDead()) {
        if (body.GetEnergy() > 0) ++t->Survivors; else ++t->Deaths[eEnergy];
      } else if (watch.Cause == TDamage::Wall) {
        ++t->Deaths[eWall];
      } else if (watch.Cause == TDamage::Collision) {
        ++t->Deaths[eCollision];
      } else if (watch.Cause == TDamage::Border) {
        ++t->Deaths[eLeftPicture];
      }  // dead before it was watched: not a death of this run
      t->Collisions += body.Record.Collisions - watch.Start.Collisions;
      t->Splits += watch.Split ? 1 : 0;
      t->Distance += watch.Distance;
      t->Health += body.GetHealth();
      t->Energy += body.GetEnergy();
      t->DropEnergy += body.Record.DropEnergy - watch.Start.DropEnergy;
      t->StoredEnergy += body.Record.StoredEnergy - watch.Start.StoredEnergy;
    }
  }
  QJsonObject json = TallyJson(all);
  // Overall, a pair collision counts once; both of its bodies counted it.
  json[QStringLiteral("collisions")] = all.Collisions / 2;
  QJsonObject byKind;
  for (size_t k = 0; k < BodyKinds().size(); ++k)
    byKind[QString::fromStdString(BodyKinds()[k].Name)] = TallyJson(kinds[k]);
  json[QStringLiteral("kinds")] = byKind;
  return json;
}

}  // namespace vorlanth
