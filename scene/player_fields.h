#pragma once
// A player's settings and body values as a scene keeps them, described once: one
// visit lists every field with its name in the file and its bounds, and serves
// both the scene's writer (which reads the fields) and its reader (which sets
// them, in the order visited, so a bound may follow a field set before). A new
// saved setting of a player is its field and one line of VisitPlayer.

#include <cstdint>
#include <functional>

namespace vorlanth {

class TPhysic2D;

class TPlayerFields {
 public:
  virtual ~TPlayerFields() = default;
  // Whether the visit sets the fields (reading a scene) or only reads them.
  virtual bool Sets() const = 0;
  // The fields that `visit` visits, kept together under `name`.
  virtual void Group(const char* name, const std::function<void()>& visit) = 0;
  virtual void Bool(const char* name, bool& value) = 0;
  virtual void Whole(const char* name, int32_t& value, int32_t low, int32_t high) = 0;
  // A whole number kept in the file as a real (a colour, a counter).
  virtual void BigWhole(const char* name, int64_t& value, int64_t low, int64_t high) = 0;
  // A real within [low, high].
  virtual void Real(const char* name, double& value, double low, double high) = 0;
  // A scratch real, which the model may carry past the largest number; and a list
  // of `count` of them.
  virtual void AnyReal(const char* name, double& value) = 0;
  virtual void AnyReals(const char* name, double* values, int32_t count) = 0;
};

// Visits the settings of the body (colour, thinking, grid, what is drawn), its
// physics values and its record. Its present state and parameters are not
// visited: the scene writes and reads them whole.
void VisitPlayer(TPhysic2D& body, TPlayerFields& fields);

}  // namespace vorlanth
