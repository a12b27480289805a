#include "scene/player_fields.h"

#include "goals/speeding_goal.h"
#include "scene/scene_team.h"
#include "world2d/physic2d.h"

namespace vorlanth {

using namespace scene_bounds;

namespace {

// A value the model keeps in another type, visited as `T` and set back when read.
template <class T, class Model, class Visit>
void As(TPlayerFields& f, Model& value, Visit visit) {
  T copy = static_cast<T>(value);
  visit(copy);
  if (f.Sets()) value = static_cast<Model>(copy);
}

}  // namespace

void VisitPlayer(TPhysic2D& body, TPlayerFields& f) {
  TPlayer& player = body;
  As<int64_t>(f, player.Color, [&](int64_t& v) { f.BigWhole("color", v, 0, 0xFFFFFF); });
  f.Real("determination", player.Determination, 0, 1);
  f.Real("future_noise", player.FutureNoise, 0, kMostFutureNoise);
  f.Bool("sensitivity", player.LimitersOn);
  f.Group("grid", [&] {
    f.Whole("min", player.MinGridSize, 1, 100000);
    f.Whole("max", player.MaxGridSize, player.MinGridSize, 100000);
    f.Whole("size", player.GridSize, player.MinGridSize, player.MaxGridSize);
    f.Bool("auto", player.AutoGridSize);
    f.Real("target_ratio", player.GridTargetRatio, 0, kLargest);
  });
  f.Group("show", [&] {
    f.Bool("traces", player.ShowTraces);
    f.Bool("feelings", player.ShowFeelings);
    f.Bool("ending_points", player.ShowEndingPoints);
    f.Bool("levels", player.ShowLevels);
  });
  As<double>(f, player.DrawScale, [&](double& v) { f.AnyReal("draw_scale", v); });
  As<double>(f, player.LargestScore, [&](double& v) { f.AnyReal("largest_score", v); });
  f.Group("body", [&] {
    f.Real("gravity", body.Gravity, -kMostGravity, kMostGravity);
    double density = body.Density;
    f.Real("density", density, kLeastDensity, kMostDensity);
    if (f.Sets()) body.SetDensity(density);
    double acceleration[3] = {body.AccX, body.AccY, body.AccA};
    f.AnyReals("acceleration", acceleration, 3);
    double contact[2] = {body.ContactX, body.ContactY};
    f.AnyReals("contact", contact, 2);
    bool gives = body.GiveGoals != nullptr;
    f.Bool("gives_body_goals", gives);
    if (f.Sets()) {
      body.AccX = acceleration[0];
      body.AccY = acceleration[1];
      body.AccA = acceleration[2];
      body.ContactX = contact[0];
      body.ContactY = contact[1];
      body.GiveGoals = gives ? GiveBodyGoals : nullptr;
    }
  });
  f.Group("record", [&] {
    TPresentRecord& record = body.Record;
    As<int32_t>(f, record.LastDamage,
                [&](int32_t& v) { f.Whole("last_damage", v, 0, static_cast<int32_t>(TDamage::Border)); });
    f.BigWhole("collisions", record.Collisions, 0, kLargestWhole);
    f.AnyReal("drop_energy", record.DropEnergy);
    f.AnyReal("stored_energy", record.StoredEnergy);
  });
}

}  // namespace vorlanth
