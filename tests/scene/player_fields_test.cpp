// The player's field visit: whatever values its fields hold, within their bounds,
// the scene writes them and reads them back, every one of them.

#include <gtest/gtest.h>

#include <QJsonObject>

#include <algorithm>
#include <cstdint>
#include <functional>
#include <random>
#include <sstream>
#include <string>

#include "bench/population.h"
#include "core/team.h"
#include "scene/player_fields.h"
#include "scene/scene_json.h"
#include "scene/scene_team.h"
#include "world2d/physic2d.h"
#include "world2d/track2d.h"

namespace vorlanth {
namespace {

// Sets every field visited to a random value within its bounds (at most a
// million away from the lower one), in the order visited.
class TRandomFields : public TPlayerFields {
 public:
  explicit TRandomFields(std::mt19937& rng) : Rng(rng) {}
  bool Sets() const override { return true; }
  void Group(const char*, const std::function<void()>& visit) override { visit(); }
  void Bool(const char*, bool& value) override { value = (Rng() & 1) != 0; }
  void Whole(const char*, int32_t& value, int32_t low, int32_t high) override {
    value = std::uniform_int_distribution<int32_t>(low, std::min(high, low + 1'000'000))(Rng);
  }
  void BigWhole(const char*, int64_t& value, int64_t low, int64_t high) override {
    value = std::uniform_int_distribution<int64_t>(low, std::min(high, low + 1'000'000))(Rng);
  }
  void Real(const char*, double& value, double low, double high) override {
    value = std::uniform_real_distribution<double>(low, std::min(high, low + 1e6))(Rng);
  }
  void AnyReal(const char*, double& value) override { value = std::normal_distribution<double>(0, 1e3)(Rng); }
  void AnyReals(const char* name, double* values, int32_t count) override {
    for (int32_t i = 0; i < count; ++i) AnyReal(name, values[i]);
  }

 private:
  std::mt19937& Rng;
};

// Every field visited, by its path, with its value's exact digits.
class TFieldText : public TPlayerFields {
 public:
  bool Sets() const override { return false; }
  void Group(const char* name, const std::function<void()>& visit) override {
    const std::string outer = Path;
    Path += std::string(name) + ".";
    visit();
    Path = outer;
  }
  void Bool(const char* name, bool& value) override { Add(name, value); }
  void Whole(const char* name, int32_t& value, int32_t, int32_t) override { Add(name, value); }
  void BigWhole(const char* name, int64_t& value, int64_t, int64_t) override { Add(name, value); }
  void Real(const char* name, double& value, double, double) override { Add(name, value); }
  void AnyReal(const char* name, double& value) override { Add(name, value); }
  void AnyReals(const char* name, double* values, int32_t count) override {
    for (int32_t i = 0; i < count; ++i) Add(name, values[i]);
  }
  std::string Text() const { return Out.str(); }

 private:
  template <class T>
  void Add(const char* name, T value) {
    Out.precision(17);
    Out << Path << name << "=" << value << "\n";
  }
  std::string Path;
  std::ostringstream Out;
};

std::string FieldText(TPhysic2D& body) {
  TFieldText text;
  VisitPlayer(body, text);
  return text.Text();
}

TEST(PlayerFieldsTest, EveryFieldVisitedIsWrittenAndReadBack) {
  TTrack2D track;
  TTeam team;
  track.AddTeam(&team);
  TPopulation population(track);
  std::mt19937 rng(17);
  for (const int32_t kind : {pkKart, pkRocket, pkAsteroid}) {
    auto& body = static_cast<TPhysic2D&>(*population.AddPlayer(kind, false));
    auto& copy = static_cast<TPhysic2D&>(*population.AddPlayer(kind, false));
    for (int trial = 0; trial < 20; ++trial) {
      TRandomFields random(rng);
      VisitPlayer(body, random);
      const std::string prefix = "test: ";
      TSceneReader reader(PlayerJson(body, team), "player", prefix);
      ReadPlayer(reader, copy);
      ASSERT_EQ(FieldText(copy), FieldText(body)) << "kind " << kind << ", trial " << trial;
    }
  }
}

}  // namespace
}  // namespace vorlanth
