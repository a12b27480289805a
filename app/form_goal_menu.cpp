// The goal items of the "Add goals" menu, one per kind of goal in the bench's
// table: its object name and text, its group, whether the selected player takes
// it, and what the window draws once it is given. A kind registered before the
// window is built is offered like the bench's own.

#include <QAction>
#include <QMenu>

#include <string>

#include "app/form_test2d.h"
#include "app/session.h"
#include "bench/goal_kinds.h"
#include "core/error.h"

namespace vorlanth {

void TFormTest2D::BuildGoalItems(QMenu* menu) {
  for (const TGoalMenuGroup group : {TGoalMenuGroup::Player, TGoalMenuGroup::Team, TGoalMenuGroup::Cursor}) {
    bool any = false;
    for (const TGoalKind& kind : GoalKinds()) {
      if (kind.Menu.Name.empty() || kind.Menu.Group != group) continue;
      auto* item = new QAction(QString::fromStdString(kind.Menu.Text), this);
      item->setObjectName(QString::fromStdString(kind.Menu.Name));
      menu->addAction(item);
      // By name: the table may grow (and move its entries) after the menu is built.
      connect(item, &QAction::triggered, this, [this, item, name = kind.Name] {
        Handle([this, name] { AddGoalClick(name); }, CommandName(item), true);
      });
      any = true;
    }
    if (any) menu->addSeparator();
  }
}

void TFormTest2D::AddGoalClick(const std::string& name) {
  const TGoalKind* kind = FindGoalKind(name);
  if (!kind) throw Error("There is no goal kind named \"" + name + "\".");
  kind->Add(session_->Population());  // raises for a player that does not take it: nothing added
  UpdateGoals();
  const char* drawing = kind->Menu.Draws == TGoalMenuDraws::PlayerGoals ? "MenuDebugGoals"
                        : kind->Menu.Draws == TGoalMenuDraws::TeamGoals ? "MenuDebugTeamGoals"
                                                                         : nullptr;
  if (drawing) {
    Item(drawing)->setChecked(true);
    EdDebugChange();
  }
}

void TFormTest2D::ShowGoalItemsOffered() {
  const TPlayer* player = SelectedPlayer();
  for (const TGoalKind& kind : GoalKinds()) {
    if (kind.Menu.Name.empty() || !kind.Menu.Offered) continue;
    QAction* item = Item(kind.Menu.Name.c_str());
    if (!item) continue;  // registered after the menu was built
    const bool offered = kind.Menu.Offered(player);
    item->setEnabled(offered);
    item->setToolTip(QString::fromStdString(offered ? kind.Menu.OfferedTip : kind.Menu.RefusedTip));
  }
}

// The items' handlers by the window's own names, for whatever drives the window by
// them; each gives the goal of its kind as its item does.
void TFormTest2D::Runfast1Click() { AddGoalClick("speeding"); }
void TFormTest2D::Keepenergyhunger1Click() { AddGoalClick("energy"); }
void TFormTest2D::Keephealth1Click() { AddGoalClick("health"); }
void TFormTest2D::Suckenergyfromplayersinfrontofyou1Click() { AddGoalClick("burnout"); }
void TFormTest2D::Addateamgoalforcollectingdrops1Click() { AddGoalClick("drops"); }
void TFormTest2D::Addateamgoalforstoringcollecteddrops1Click() { AddGoalClick("storage"); }
void TFormTest2D::AvoidOtherPlayersClick() { AddGoalClick("avoid"); }
void TFormTest2D::FollowMouseClick(int tag) { AddGoalClick(tag == 1 ? "avoid-mouse" : "follow-mouse"); }

}  // namespace vorlanth
