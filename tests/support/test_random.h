#pragma once
// The stream the tests draw from where no world is at hand: bodies built before
// they join a world (their colour), test data. Each world draws from its own.

#include "core/random.h"

namespace vorlanth::testing {

inline TRandomStream& TestRandom() {
  static TRandomStream stream;
  return stream;
}

}  // namespace vorlanth::testing
