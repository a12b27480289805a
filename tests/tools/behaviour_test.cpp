// The behaviour metrics on small worlds whose outcome is known: a kart driven
// into a wall, two karts driven into each other, a kart over the picture's
// border, on a drop, on the storage box, out of energy, rich enough to split.

#include <gtest/gtest.h>

#include <QJsonObject>

#include <cmath>
#include <memory>

#include "core/random.h"
#include "core/team.h"
#include "goals/drops_goal.h"
#include "goals/storage_goal.h"
#include "support/memory_picture.h"
#include "tools/behaviour.h"
#include "world2d/kart.h"
#include "world2d/track2d.h"
#include "support/test_random.h"

namespace vorlanth {
namespace {

using testing::TestRandom;

class BehaviourTest : public ::testing::Test {
 protected:
  // A white field of 300 x 100 pixels in a black frame 2 pixels thick, with a
  // wall block from x = 240 to the right.
  explicit BehaviourTest(int32_t border = 2) : Picture(300, 100) {
    Track.Random.SeedRun(7);
    if (border > 0) Picture.Border(border);
    Picture.Fill(240, 0, 300, 100, 0);
    Track.LoadFromImage(Picture);
    Track.AddTeam(&Team);
    Track.FixedFutures = 2;
    Track.HorizonMs = 1000;
    Track.Collisions = true;
  }

  TKart& AddKart(double x, double y, double velX) {
    auto* kart = static_cast<TKart*>(Team.AddPlayer(TKart::Create(TestRandom(), x, y, 0)));
    kart->SetVelX(velX);
    kart->CommitState();
    return *kart;
  }

  // Runs the cycles as the runner does and returns the summary.
  QJsonObject Run(int cycles) {
    Behaviour.Watch(Track);
    for (int i = 0; i < cycles; ++i) {
      Track.Cycle();
      Behaviour.Watch(Track);
    }
    return Behaviour.Summary(Track);
  }

  static QJsonObject Kart(const QJsonObject& summary) {
    return summary["kinds"].toObject()["kart"].toObject();
  }
  static int Deaths(const QJsonObject& tally, const char* cause) {
    return tally["deaths"].toObject()[QLatin1String(cause)].toInt();
  }

  testing::TMemoryPicture Picture;
  TTrack2D Track;
  TTeam Team;
  TBehaviour Behaviour;
};

TEST_F(BehaviourTest, AKartDrivenIntoAWallDiesOfTheWall) {
  TKart& kart = AddKart(200, 50, 900);
  const QJsonObject summary = Run(3);
  ASSERT_TRUE(kart.IsDead());
  for (const QJsonObject& tally : {summary, Kart(summary)}) {
    EXPECT_EQ(Deaths(tally, "wall"), 1);
    EXPECT_EQ(Deaths(tally, "collision") + Deaths(tally, "energy") + Deaths(tally, "left_picture"), 0);
    EXPECT_EQ(tally["survivors"].toInt(), 0);
    EXPECT_EQ(tally["health"].toDouble(), 0);
  }
  // It drove at least to the wall, and no further once dead.
  EXPECT_GE(Kart(summary)["distance"].toDouble(), 240 - 200 - 2 * kart.GetSize());
  EXPECT_LT(Kart(summary)["distance"].toDouble(), 2 * 90);
}

TEST_F(BehaviourTest, KartsDrivenIntoEachOtherDieOfTheCollisionWhichCountsOnce) {
  AddKart(100, 50, 200);
  AddKart(125, 50, -200);
  const QJsonObject summary = Run(1);
  EXPECT_EQ(Deaths(summary, "collision"), 2);
  EXPECT_EQ(Deaths(summary, "wall"), 0);
  const int collisions = summary["collisions"].toInt();
  EXPECT_GE(collisions, 1);
  // Per kind, each body counts the collisions it took part in.
  EXPECT_EQ(Kart(summary)["collisions"].toInt(), 2 * collisions);
}

TEST_F(BehaviourTest, WhatFuturesLiveThroughLeavesTheRecordAlone) {
  // Its futures reach the wall and the other kart; its present does not.
  TKart& kart = AddKart(150, 50, 100);
  AddKart(200, 50, 0);
  Track.HorizonMs = 3000;
  const QJsonObject summary = Run(1);
  EXPECT_EQ(kart.Record.LastDamage, TDamage::None);
  EXPECT_EQ(summary["collisions"].toInt(), 0);
  EXPECT_EQ(summary["survivors"].toInt(), 2);
  EXPECT_EQ(summary["health"].toDouble(), 100);
}

class BorderlessTest : public BehaviourTest {
 protected:
  BorderlessTest() : BehaviourTest(0) {}
};

TEST_F(BorderlessTest, AKartOverThePicturesBorderLeftThePicture) {
  AddKart(3, 50, 0);
  AddKart(100, 50, 0);
  const QJsonObject summary = Run(1);
  EXPECT_EQ(Deaths(summary, "left_picture"), 1);
  EXPECT_EQ(Deaths(summary, "wall"), 0);
  EXPECT_EQ(summary["survivors"].toInt(), 1);
  EXPECT_EQ(summary["health"].toDouble(), 50);
}

TEST_F(BehaviourTest, AKartOnADropGainsItsEnergyAndOneOnTheBoxStoresIt) {
  TKart& collector = AddKart(60, 30, 0);
  TKart& storer = AddKart(160, 70, 0);
  storer.SetEnergy(80);
  storer.CommitState();
  auto drops = std::make_unique<TGoal2DSweets>(&Team);
  drops->ReplaceDrops = false;
  drops->DropX[0] = 60;
  drops->DropY[0] = 30;
  drops->DropUnits[0] = 10;
  drops->DropsLeft = DropCount;  // the other drops hold nothing
  TGoal2DSweets& goal = *drops;
  Team.Goals->AddGoal(std::move(drops));
  Team.Goals->AddGoal(std::make_unique<TGoal2DStorage>(&Team, 160, 70, StorageBoxHalfSize, 500));

  const QJsonObject summary = Run(2);
  // One unit per cycle while the kart stays on the drop.
  EXPECT_EQ(Kart(summary)["drop_energy"].toDouble(), 2 * EnergyPerDrop);
  EXPECT_EQ(summary["drop_energy"].toDouble(), goal.PresentEnergyGained);
  EXPECT_EQ(collector.Record.StoredEnergy, 0);
  // Everything above the reserve of 25 goes into the box, once.
  EXPECT_EQ(summary["stored_energy"].toDouble(), 80 - StorageReserve);
  EXPECT_EQ(storer.Record.DropEnergy, 0);
}

TEST_F(BehaviourTest, AKartWithNoEnergyLeftIsStrandedNotASurvivor) {
  TKart& dry = AddKart(60, 50, 0);
  dry.SetEnergy(0);
  dry.CommitState();
  AddKart(150, 50, 0);
  const QJsonObject summary = Run(1);
  EXPECT_FALSE(dry.IsDead());
  EXPECT_EQ(Deaths(summary, "energy"), 1);
  EXPECT_EQ(summary["survivors"].toInt(), 1);
}

TEST_F(BehaviourTest, ChildrenBornBySplittingAreCountedAndOnlyTheLivingDrive) {
  TKart& rich = AddKart(60, 50, 0);
  rich.SetEnergy(100);
  rich.CommitState();
  TKart& dead = AddKart(150, 50, 300);
  dead.SetHealth(0);  // dead before the run: drifts, but drives nothing and is no death of it
  dead.CommitState();
  Track.SetEvolution(true);
  const QJsonObject summary = Run(1);
  EXPECT_EQ(summary["players"].toInt(), 3);
  EXPECT_EQ(Kart(summary)["splits"].toInt(), 1);
  EXPECT_EQ(summary["survivors"].toInt(), 2);
  for (const char* cause : {"wall", "collision", "energy", "left_picture"})
    EXPECT_EQ(Deaths(summary, cause), 0) << cause;
  EXPECT_NE(dead.GetPosX(), 150);
  // The rich kart's path over one cycle, averaged over three players.
  EXPECT_NEAR(summary["distance"].toDouble() * 3, std::hypot(rich.GetPosX() - 60, rich.GetPosY() - 50), 0.02);
}

}  // namespace
}  // namespace vorlanth
