#include <gtest/gtest.h>

#include "core/random.h"

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  vorlanth::RandomSeed(12345);  // every test run is reproducible
  return RUN_ALL_TESTS();
}
