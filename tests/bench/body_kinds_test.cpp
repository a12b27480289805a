// The table of body kinds: each kind is found by its name, its population kind
// and its bodies, and takes a tag of its own, by which the hot loop's casts agree
// with the classes.

#include <gtest/gtest.h>

#include <memory>
#include <set>

#include "bench/body_kinds.h"
#include "support/test_random.h"
#include "world2d/kart.h"
#include "world2d/polygon2d.h"
#include "world2d/rocket.h"

namespace vorlanth {
namespace {

using testing::TestRandom;

TEST(BodyKinds, EachKindHasATagOfItsOwnAndTheCastsByTagAgreeWithTheClasses) {
  std::set<int> tags;
  for (const TBodyKindInfo& kind : BodyKinds()) {
    std::unique_ptr<TPhysic2D> body =
        kind.Make(TestRandom(), kind.StartX, kind.StartY, kind.StartAngle, kind.StartSides);
    EXPECT_GT(body->BodyKind, bkPhysic) << kind.Name;
    EXPECT_TRUE(tags.insert(body->BodyKind).second) << kind.Name << " takes another kind's tag";
    EXPECT_EQ(FindBodyKind(kind.Name), &kind);
    EXPECT_EQ(BodyKindOf(kind.Kind), &kind);
    TPlayer* player = body.get();
    EXPECT_EQ(BodyKindOf(*player), &kind);
    EXPECT_STREQ(BodyKindName(*player), kind.Name.c_str());
    EXPECT_EQ(As2D(player), dynamic_cast<TPlayer2D*>(player)) << kind.Name;
    EXPECT_EQ(AsPhysic(player), dynamic_cast<TPhysic2D*>(player)) << kind.Name;
    EXPECT_EQ(AsKart(player), dynamic_cast<TKart*>(player)) << kind.Name;
    EXPECT_EQ(AsRocket(player), dynamic_cast<TRocket*>(player)) << kind.Name;
    EXPECT_EQ(player->BodyKind == bkPolygon, dynamic_cast<TPolygon2D*>(player) != nullptr) << kind.Name;
  }
  EXPECT_EQ(tags.size(), BodyKinds().size());
  EXPECT_EQ(As2D(nullptr), nullptr);
  EXPECT_EQ(AsKart(nullptr), nullptr);
  EXPECT_EQ(FindBodyKind("hovercraft"), nullptr);
}

}  // namespace
}  // namespace vorlanth
