#include <gtest/gtest.h>

#include "core/pass_workers.h"

namespace vorlanth {
namespace {

int64_t Drain(TPassCounter& counter) {
  int64_t expected = 0;
  for (int64_t pass = counter.Claim(); pass >= 0; pass = counter.Claim()) {
    EXPECT_EQ(pass, expected);  // numbered from 0, none skipped
    ++expected;
    if (expected > 10000) break;
  }
  return expected;
}

TEST(PassCounter, HandsOutExactlyTheFixedNumberWithoutTheClock) {
  int reads = 0;
  TPassCounter counter(7, 100, 100, [&] { return ++reads, int64_t{0}; });
  EXPECT_EQ(Drain(counter), 7);
  EXPECT_EQ(counter.Count(), 7);
  EXPECT_EQ(reads, 0);
}

TEST(PassCounter, TheMinimumHoldsWhenTheBudgetIsSpentAtOnce) {
  int64_t now = 0;
  TPassCounter counter(0, 5, 100, [&] { return now += 1000; });
  EXPECT_EQ(Drain(counter), 5);
}

TEST(PassCounter, EachPassIsChargedWhatTheMainThreadWillSpendOnItAfterwards) {
  // The clock stands still: only the charge of 10 ms per pass spends the 100 ms.
  TPassCounter counter(0, 1, 100, [] { return int64_t{0}; }, 10);
  EXPECT_EQ(Drain(counter), 10);
}

TEST(PassCounter, TheRestOfARoundIsChargedToo) {
  // 10 ms per pass afterwards and 30 ms of a round still to run: 7 passes fit in 100 ms.
  TPassCounter counter(0, 1, 100, [] { return int64_t{0}; }, 10, 30);
  EXPECT_EQ(Drain(counter), 7);
}

}  // namespace
}  // namespace vorlanth
