// The circuit: its grid of walls, bounds, loading, background, mouse, and the
// world step's pair pass and wall pass.

#include <gtest/gtest.h>

#include <algorithm>
#include <limits>
#include <memory>
#include <tuple>

#include "core/error.h"
#include "core/random.h"
#include "world2d/kart.h"
#include "world2d/rocket.h"
#include "world_fixture.h"
#include "support/test_random.h"

namespace vorlanth::testing {
namespace {

TEST(Track2DTest, DefaultsBeforeAnyCircuit) {
  TTrack2D track;
  EXPECT_DOUBLE_EQ(track.Friction, 0.008);
  EXPECT_DOUBLE_EQ(track.SideFriction, 0.1);
  EXPECT_FALSE(track.HasCircuit());
  EXPECT_FALSE(track.IsOnTrack(5, 5));
  track.DrawBackground();  // nothing to draw, nowhere to draw it
}

TEST(Track2DTest, OnlyPureBlackIsWall) {
  TMemoryPicture picture(10, 10);
  picture.Set(3, 4, kBlackPixel);
  picture.Set(5, 4, MakeColor(1, 0, 0));
  TTrack2D track;
  track.LoadFromImage(picture);
  EXPECT_EQ(track.GridWidth, 10);
  EXPECT_EQ(track.GridHeight, 10);
  EXPECT_FALSE(track.IsOnTrack(3, 4));
  EXPECT_TRUE(track.IsOnTrack(5, 4));
  EXPECT_TRUE(track.IsOnTrack(4, 3));   // column-major: (4, 3) is not (3, 4)
  EXPECT_FALSE(track.IsOnTrack(3.4, 3.6));  // rounded onto the wall pixel
}

TEST(Track2DTest, BordersAreOutsideAfterRoundingHalfToEven) {
  TTrack2D track;
  track.LoadFromImage(TMemoryPicture(20, 10));
  EXPECT_FALSE(track.IsOnTrack(0, 5));
  EXPECT_FALSE(track.IsOnTrack(5, 0));
  EXPECT_FALSE(track.IsOnTrack(0.5, 5));   // rounds to 0
  EXPECT_TRUE(track.IsOnTrack(1.5, 5));    // rounds to 2
  EXPECT_FALSE(track.IsOnTrack(20 - 0.4, 5));  // taken as x = GridWidth
  EXPECT_TRUE(track.IsOnTrack(20 - 0.6, 5));
  EXPECT_FALSE(track.IsOnTrack(5, 10));
  EXPECT_FALSE(track.IsOnTrack(-3, 5));
  EXPECT_FALSE(track.InBounds(1e300, 5));  // never a lookup out of the grid
  EXPECT_TRUE(track.InBounds(19, 9));
}

TEST(Track2DTest, PixelBoundsAreStrictOnEveryEdgeAndHoldInReplicas) {
  constexpr int32_t kLow = std::numeric_limits<int32_t>::min();
  constexpr int32_t kHigh = std::numeric_limits<int32_t>::max();
  const int32_t xs[] = {kLow, -1, 0, 1, 2, 18, 19, 20, 21, kHigh};
  const int32_t ys[] = {kLow, -1, 0, 1, 8, 9, 10, 11, kHigh};
  TTrack2D none;
  for (const int32_t x : xs)
    for (const int32_t y : ys) EXPECT_FALSE(none.PixelInBounds({x, y})) << x << ", " << y;

  TTrack2D track;
  track.LoadFromImage(TMemoryPicture(20, 10));
  std::unique_ptr<TTrack> replica = track.NewReplica();
  track.MirrorInto(*replica);
  const auto& copy = static_cast<const TTrack2D&>(*replica);
  for (const int32_t x : xs) {
    for (const int32_t y : ys) {
      const bool inside = 0 < x && x < 20 && 0 < y && y < 10;
      EXPECT_EQ(track.PixelInBounds({x, y}), inside) << x << ", " << y;
      EXPECT_EQ(track.PixelOnTrack({x, y}), inside) << x << ", " << y;
      EXPECT_EQ(copy.PixelInBounds({x, y}), inside) << x << ", " << y;
    }
  }

  // One pixel wide: no pixel lies strictly inside; two wide: only the second.
  track.LoadFromImage(TMemoryPicture(1, 3));
  for (const int32_t x : xs) EXPECT_FALSE(track.PixelInBounds({x, 1})) << x;
  track.LoadFromImage(TMemoryPicture(2, 3));
  for (const int32_t x : xs) EXPECT_EQ(track.PixelInBounds({x, 1}), x == 1) << x;
}

TEST(Track2DTest, EmptyPictureIsRefusedAndThePreviousCircuitKept) {
  TMemoryPicture picture(30, 20);
  picture.Set(7, 7, kBlackPixel);
  TTrack2D track;
  track.LoadFromImage(picture);
  const Picture* background = track.Background.get();

  EXPECT_THROW(track.LoadFromImage(TMemoryPicture(0, 0)), Error);
  EXPECT_THROW(track.LoadFromImage(TMemoryPicture(30, 0)), Error);
  EXPECT_EQ(track.GridWidth, 30);
  EXPECT_EQ(track.GridHeight, 20);
  EXPECT_EQ(track.Background.get(), background);
  EXPECT_FALSE(track.IsOnTrack(7, 7));
  EXPECT_TRUE(track.IsOnTrack(8, 7));
}

// A copied circuit is the one its picture would load, from the world or from a
// replica sharing the world's grid (which has no picture), and stays when the
// original changes; a track without a circuit gives none.
TEST(Track2DTest, ACopiedCircuitIsTheLoadedOne) {
  TRandomStream random;
  random.Seed(35);
  TMemoryPicture picture(64, 48);
  picture.Border(2);
  for (int i = 0; i < 40; ++i) {
    const auto x = static_cast<int32_t>(Random(random) * 64);
    const auto y = static_cast<int32_t>(Random(random) * 48);
    picture.Fill(x, y, x + 3, y + 5, kBlackPixel);
  }
  TTrack2D track;
  track.LoadFromImage(picture);
  std::unique_ptr<TTrack> replica = track.NewReplica();
  track.MirrorInto(*replica);
  const auto* mirrored = static_cast<const TTrack2D*>(replica.get());
  for (const TTrack2D* from : {static_cast<const TTrack2D*>(&track), mirrored}) {
    TTrack2D copy;
    copy.CopyCircuitFrom(*from);
    EXPECT_EQ(copy.Cells, track.Cells);
    EXPECT_EQ(copy.WallClearance, track.WallClearance);
    EXPECT_EQ(copy.CellData, copy.Cells.data());
    EXPECT_EQ(copy.ClearanceData, copy.WallClearance.data());
    EXPECT_EQ(std::tie(copy.GridWidth, copy.GridHeight, copy.CellLimitX, copy.CellLimitY, copy.CircuitSerial),
              std::tie(track.GridWidth, track.GridHeight, track.CellLimitX, track.CellLimitY, track.CircuitSerial));
    ASSERT_EQ(copy.Background != nullptr, from == &track);  // a replica draws on no picture of its own
    for (int32_t x = 0; copy.Background && x < 64; ++x)
      for (int32_t y = 0; y < 48; ++y) ASSERT_EQ(copy.Background->Pixel(x, y), picture.Pixel(x, y));
    track.LoadFromImage(TMemoryPicture(10, 10));  // the copy keeps its own
    EXPECT_EQ(copy.Width(), 64);
    EXPECT_EQ(copy.IsOnTrack(1, 1), false);
    track.LoadFromImage(picture);
    track.MirrorInto(*replica);
  }
  TTrack2D none;
  TTrack2D copy;
  copy.CopyCircuitFrom(none);
  EXPECT_FALSE(copy.HasCircuit());
  EXPECT_EQ(copy.Background, nullptr);
}

TEST(Track2DTest, LoadingAnotherCircuitReplacesGridAndBackground) {
  TTrack2D track;
  track.LoadFromImage(TMemoryPicture(30, 20));
  TMemoryPicture other(50, 40, kBlackPixel);
  other.Set(35, 25, kWhitePixel);
  track.LoadFromImage(other);
  EXPECT_EQ(track.Width(), 50);
  EXPECT_EQ(track.Height(), 40);
  EXPECT_TRUE(track.IsOnTrack(35, 25));
  EXPECT_FALSE(track.IsOnTrack(10, 10));
  EXPECT_EQ(track.Background->Width(), 50);
  EXPECT_EQ(track.Background->Pixel(35, 25), kWhitePixel);
}

TEST(Track2DTest, BackgroundIsDrawnOnlyWhenThereIsACanvas) {
  TTrack2D track;
  RecordingCanvas canvas;
  track.ImageCanvas = &canvas;
  track.DrawBackground();
  EXPECT_TRUE(canvas.Calls.empty());  // no circuit yet
  track.LoadFromImage(TMemoryPicture(30, 20));
  track.Draw(0);
  ASSERT_EQ(canvas.Calls.size(), 1u);
  EXPECT_EQ(canvas.Calls[0].op, RecordingCanvas::Op::Picture);
}

TEST(Track2DTest, MouseIsOverTheCircuitOnlyStrictlyInside) {
  TTrack2D track;
  track.LoadFromImage(TMemoryPicture(30, 20));
  EXPECT_FALSE(track.MouseInTrack());  // no window, no mouse

  int32_t mx = 10;
  int32_t my = 5;
  bool present = true;
  track.MouseSource = [&](int32_t& x, int32_t& y) {
    x = mx;
    y = my;
    return present;
  };
  EXPECT_TRUE(track.MouseInTrack());
  EXPECT_EQ(track.MouseX(), 10);
  EXPECT_EQ(track.MouseY(), 5);
  mx = 0;
  EXPECT_FALSE(track.MouseInTrack());
  mx = 30;
  EXPECT_FALSE(track.MouseInTrack());
  mx = 10;
  present = false;
  EXPECT_FALSE(track.MouseInTrack());
}

TEST(Track2DTest, PlayerThatIsNotABodyCannotStep) {
  World world;
  world.Add(RegularBody::Create(4, 100, 100, 0));
  world.Add(PlainPlayer::Create());
  EXPECT_NO_THROW(world.Track.GetPhysic(0));
  try {
    world.Track.GetPhysic(1);
    FAIL() << "no error";
  } catch (const Error& e) {
    EXPECT_STREQ(e.what(), "Track2D contains a player that is not a Physic2D player.");
  }
  EXPECT_THROW(world.Track.Step(), Error);
}

// ---- The pair pass -------------------------------------------------------------

using Log = std::vector<std::pair<const TPlayer*, const TPlayer*>>;

struct LoggingWorld : World {
  LoggingWorld() { Track.Collisions = true; }
  RegularBody* Logged(double x, double y) {
    RegularBody* body = Add(RegularBody::Create(4, x, y, 0));
    body->SetSize(10);
    body->Log = &Tests;
    body->NeverCollide = true;
    return body;
  }
  Log Tests;  // overlap tests asked, in order
};

TEST(Track2DStepTest, PairsAreVisitedOnceInListOrder) {
  LoggingWorld world;
  RegularBody* a = world.Logged(100, 100);
  RegularBody* b = world.Logged(105, 100);
  RegularBody* c = world.Logged(100, 105);
  world.Track.Step();
  EXPECT_EQ(world.Tests, (Log{{a, b}, {a, c}, {b, c}}));
}

TEST(Track2DStepTest, BoxTestSkipsDistantPairsButNotTouchingOnes) {
  LoggingWorld world;
  RegularBody* a = world.Logged(100, 100);
  RegularBody* touchingRight = world.Logged(120, 100);  // box edges at x = 110
  RegularBody* touchingBelow = world.Logged(99, 120);  // 1 px left of the other box
  world.Logged(200, 100);  // far from all
  world.Track.Step();
  EXPECT_EQ(world.Tests, (Log{{a, touchingRight}, {a, touchingBelow}}));
}

// The pair pass as a plain double loop over the squares, for comparison.
void ReferencePairPass(World& world) {
  TTrack2D& track = world.Track;
  const int32_t n = track.PlayerCount();
  struct Box { double l, r, t, b; };
  auto box = [&](int32_t i) {
    TPhysic2D& p = track.GetPhysic(i);
    return Box{p.GetLeft(), p.GetRight(), p.GetTop(), p.GetBottom()};
  };
  std::vector<Box> boxes;
  for (int32_t i = 0; i < n; ++i) boxes.push_back(box(i));
  for (int32_t i = 0; i + 1 < n; ++i) {
    for (int32_t j = i + 1; j < n; ++j) {
      const Box& a = boxes[static_cast<size_t>(i)];
      const Box& b = boxes[static_cast<size_t>(j)];
      if (b.r < a.l || b.l > a.r || b.b < a.t || b.t > a.b) continue;
      const TContact c = track.GetPhysic(i).Overlap(track.GetPhysic(j));
      if (!c.Touching) continue;
      TPhysic2D::ResolveCollision(track.GetPhysic(i), track.GetPhysic(j), c);
      boxes[static_cast<size_t>(i)] = box(i);
      boxes[static_cast<size_t>(j)] = box(j);
    }
  }
  for (int32_t i = 0; i < n; ++i) track.GetPhysic(i).Bounce();
}

// A crowd of bodies of mixed sizes, many touching, in a square of `spread` pixels:
// resolutions move bodies into squares they did not meet before, and the pair pass
// must follow them as the full double loop does.
void ExpectThePairsOfTheFullLoop(int bodies, double spread, uint64_t seed, size_t minimumTests) {
  TestRandom().Seed(seed);
  World fast(TMemoryPicture(600, 600));
  World slow(TMemoryPicture(600, 600));
  Log fastLog;
  Log slowLog;
  std::vector<RegularBody*> fastBodies;
  std::vector<RegularBody*> slowBodies;
  for (int i = 0; i < bodies; ++i) {
    const double x = 200 + spread * Random(TestRandom());
    const double y = 200 + spread * Random(TestRandom());
    const double size = 3 + 22 * Random(TestRandom());
    for (auto [world, log, list] : {std::tuple{&fast, &fastLog, &fastBodies},
                                    std::tuple{&slow, &slowLog, &slowBodies}}) {
      RegularBody* body = world->Add(RegularBody::Create(3 + i % 5, x, y, i));
      body->SetSize(size);
      body->SetVelX(50 - i);
      body->Log = log;
      list->push_back(body);
    }
  }
  fast.Track.Collisions = true;
  for (int step = 0; step < 3; ++step) {
    fast.Track.Step();
    ReferencePairPass(slow);
  }
  ASSERT_GT(fastLog.size(), minimumTests);
  ASSERT_EQ(fastLog.size(), slowLog.size());
  for (size_t k = 0; k < fastLog.size(); ++k) {
    const auto indexIn = [](const std::vector<RegularBody*>& list, const TPlayer* p) {
      return std::find(list.begin(), list.end(), p) - list.begin();
    };
    EXPECT_EQ(indexIn(fastBodies, fastLog[k].first), indexIn(slowBodies, slowLog[k].first)) << k;
    EXPECT_EQ(indexIn(fastBodies, fastLog[k].second), indexIn(slowBodies, slowLog[k].second)) << k;
  }
  for (size_t i = 0; i < fastBodies.size(); ++i) {
    EXPECT_EQ(fastBodies[i]->GetPosX(), slowBodies[i]->GetPosX()) << i;
    EXPECT_EQ(fastBodies[i]->GetPosY(), slowBodies[i]->GetPosY()) << i;
  }
}

TEST(Track2DStepTest, BroadPhaseTestsThePairsOfTheFullLoopInItsOrder) {
  ExpectThePairsOfTheFullLoop(60, 200, 11, 100);
}

// Few bodies take the plain loop over later squares: the same pairs, in the same order.
TEST(Track2DStepTest, FewBodiesTestThePairsOfTheFullLoopInItsOrder) {
  ExpectThePairsOfTheFullLoop(12, 60, 5, 30);
  ExpectThePairsOfTheFullLoop(24, 90, 6, 60);
}

// A crowd of karts and rockets takes the search by left side and the rectangle
// test: the bodies end where the full double loop puts them.
TEST(Track2DStepTest, ACrowdOfKartsAndRocketsEndsWhereTheFullLoopPutsIt) {
  TestRandom().Seed(17);
  World fast(TMemoryPicture(600, 600));
  World slow(TMemoryPicture(600, 600));
  std::vector<TPhysic2D*> fastBodies;
  std::vector<TPhysic2D*> slowBodies;
  for (int i = 0; i < 50; ++i) {
    const double x = 200 + 200 * Random(TestRandom());
    const double y = 200 + 200 * Random(TestRandom());
    const double angle = 7 * Random(TestRandom());
    const double size = 4 + 12 * Random(TestRandom());
    for (auto [world, list] : {std::tuple{&fast, &fastBodies}, std::tuple{&slow, &slowBodies}}) {
      TPhysic2D* body = i % 4 == 0 ? static_cast<TPhysic2D*>(world->Add(TRocket::Create(TestRandom(), x, y, angle)))
                                   : static_cast<TPhysic2D*>(world->Add(TKart::Create(TestRandom(), x, y, angle)));
      body->SetSize(size);
      body->SetVelX(40 - i);
      list->push_back(body);
    }
  }
  fast.Track.Collisions = true;
  int moved = 0;
  for (int step = 0; step < 3; ++step) {
    fast.Track.Step();
    ReferencePairPass(slow);
  }
  for (size_t i = 0; i < fastBodies.size(); ++i) {
    EXPECT_EQ(fastBodies[i]->GetPosX(), slowBodies[i]->GetPosX()) << i;
    EXPECT_EQ(fastBodies[i]->GetPosY(), slowBodies[i]->GetPosY()) << i;
    EXPECT_EQ(fastBodies[i]->GetAngle(), slowBodies[i]->GetAngle()) << i;
    moved += fastBodies[i]->GetHealth() < 100;
  }
  // Enough pairs collided for the test to mean something.
  EXPECT_GT(moved, 10);
}

TEST(Track2DStepTest, NoPairPassWithoutCollisionsOrWithOneBody) {
  LoggingWorld world;
  world.Logged(100, 100);
  world.Track.Step();
  world.Logged(105, 100);
  world.Track.Collisions = false;
  world.Track.Step();
  EXPECT_TRUE(world.Tests.empty());
}

TEST(Track2DStepTest, OverlappingBodiesAreSeparatedAndThenKeptOffTheWalls) {
  TMemoryPicture picture(200, 200);
  picture.Fill(150, 0, 200, 200, kBlackPixel);
  World world(picture);
  world.Track.Collisions = true;
  RegularBody* a = world.Add(RegularBody::Create(4, 128, 100, 0));
  RegularBody* b = world.Add(RegularBody::Create(4, 138, 100, 0));
  for (RegularBody* body : {a, b}) {
    body->SetSize(10);
    body->IsClearOfWalls();
  }
  world.Track.Step();
  EXPECT_FALSE(a->CollidesWith(*b));
  EXPECT_TRUE(a->IsClearOfWalls());
  EXPECT_TRUE(b->IsClearOfWalls());
  EXPECT_LE(b->GetPosX(), 139);  // the wall stopped b: a took the whole separation
  EXPECT_LT(a->GetPosX(), 128);
}

}  // namespace
}  // namespace vorlanth::testing
