// The "Add goals" menu is built from the kinds of goals: each kind's item in its
// group, in the table's order, and a kind registered by the tests alone is
// offered and given like the bench's own, as one step of undo.

#include <QMenu>
#include <QMenuBar>
#include <QUndoStack>

#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "bench/goal_kinds.h"
#include "core/error.h"
#include "core/player.h"
#include "form_fixture.h"
#include "support/north_goal.h"

using namespace vorlanth;
using vorlanth::testing::Find;

class GoalMenuTest : public QObject, protected vorlanth::testing::TFormFixture {
  Q_OBJECT

  // The object names of the "Add goals" menu's items, "-" for a line.
  QStringList AddGoalsItems() {
    for (QAction* top : form->menuBar()->actions()) {
      if (top->text() != QStringLiteral("Add goals")) continue;
      QStringList names;
      for (QAction* item : top->menu()->actions())
        names << (item->isSeparator() ? QStringLiteral("-") : item->objectName());
      return names;
    }
    return {};
  }

  // Goals of that kind, the team's and every player's.
  int GoalsOfKind(const std::string& name) {
    int count = 0;
    const auto tally = [&](const TGoalSet& set) {
      for (const auto& goal : set.Items) count += GoalKindOf(*goal) == FindGoalKind(name);
    };
    tally(*Team().Goals);
    for (int32_t i = 0; i < Team().PlayerCount(); ++i) tally(*Team().GetPlayer(i)->Goals);
    return count;
  }

  int NorthGoals() {
    int count = 0;
    for (int32_t g = 0; g < Team().Goals->GoalCount(); ++g)
      if (const auto* north = dynamic_cast<const testing::TGoalNorth*>(&Team().Goals->GetGoal(g)))
        count += north->Bias == testing::kNorthBias;
    return count;
  }

 private slots:
  void initTestCase() { testing::RegisterNorth(); }  // before any window is built
  void init() { Init(); }
  void cleanup() { Cleanup(); }

  void theMenuListsEveryKindInItsGroupAndTheTestsKindAmongTheTeamGoals() {
    const QStringList expected = {
        "Runfast1", "Keepenergyhunger1", "Keephealth1", "Suckenergyfromplayersinfrontofyou1", "-",
        "Addateamgoalforcollectingdrops1", "Addateamgoalforstoringcollecteddrops1", "AvoidOtherPlayers",
        "AddNorthGoal", "-", "FollowMouse", "AvoidMouse", "-", "DeleteallTeamsGoals1",
        "Deleteallplayerspersonalgoals1"};
    QCOMPARE(AddGoalsItems(), expected);
    QCOMPARE(Find<QAction>(*form, "AddNorthGoal")->text(), QStringLiteral("Head north (all players)"));
    QCOMPARE(Find<QAction>(*form, "Runfast1")->text(), QStringLiteral("Love speeding"));
    QVERIFY(Find<QAction>(*form, "AddNorthGoal")->isEnabled());  // a kind with no rule is always offered
  }

  void theTestsKindIsGivenThroughTheMenuAndUndoneAsOneStep() {
    const int32_t goals = Team().Goals->GoalCount();
    QCOMPARE(NorthGoals(), 0);
    Find<QAction>(*form, "AddNorthGoal")->trigger();
    QVERIFY(errors.isEmpty());
    QCOMPARE(Team().Goals->GoalCount(), goals + 1);
    QCOMPARE(NorthGoals(), 1);
    QVERIFY(GoalBox(QStringLiteral("GOAL \"North\" (team)")));  // the goal panel shows it
    QVERIFY(Find<QAction>(*form, "UndoItem")->text().contains(QStringLiteral("Head north")));

    Find<QAction>(*form, "UndoItem")->trigger();
    QCOMPARE(Team().Goals->GoalCount(), goals);
    QCOMPARE(NorthGoals(), 0);
    Find<QAction>(*form, "RedoItem")->trigger();
    QCOMPARE(NorthGoals(), 1);
  }

  // The items' handlers by the window's own names give their items' kinds (the
  // start scene's rocket is selected, which takes every kind).
  void eachItemsHandlerGivesItsItemsKind() {
    const std::vector<std::pair<std::function<void()>, std::string>> handlers = {
        {[this] { form->Runfast1Click(); }, "speeding"},
        {[this] { form->Keepenergyhunger1Click(); }, "energy"},
        {[this] { form->Keephealth1Click(); }, "health"},
        {[this] { form->Suckenergyfromplayersinfrontofyou1Click(); }, "burnout"},
        {[this] { form->Addateamgoalforcollectingdrops1Click(); }, "drops"},
        {[this] { form->Addateamgoalforstoringcollecteddrops1Click(); }, "storage"},
        {[this] { form->AvoidOtherPlayersClick(); }, "avoid"},
        {[this] { form->FollowMouseClick(0); }, "follow-mouse"},
        {[this] { form->FollowMouseClick(1); }, "avoid-mouse"},
    };
    for (const auto& [handler, name] : handlers) {
      const int before = GoalsOfKind(name);
      handler();
      QVERIFY2(GoalsOfKind(name) == before + 1, name.c_str());
    }
    QVERIFY_THROWS_EXCEPTION(Error, form->AddGoalClick("no-such-kind"));
  }
};

QTEST_MAIN(GoalMenuTest)
#include "goal_menu_test.moc"
