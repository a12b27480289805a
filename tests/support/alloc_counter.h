#pragma once
// Counts heap allocations made through operator new in this test program.

#include <cstdint>

namespace vorlanth::testing {

uint64_t AllocationCount();

}  // namespace vorlanth::testing
