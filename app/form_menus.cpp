// The main menu: opening and saving scenes and circuits, saving frames, adding players and goals,
// deleting goals, choosing the panels shown, and the drawing options. The model
// side of every populating command is TPopulation; the window adds its list, its
// panels, its check marks and the redraws around it.

#include <QAction>
#include <QComboBox>
#include <QGroupBox>
#include <QMenu>
#include <QMenuBar>

#include "app/ai_box.h"
#include "app/choose_player_box.h"
#include "app/form_test2d.h"
#include "app/goal_panel.h"
#include "app/move_box.h"
#include "app/player_box.h"
#include "app/start_stop_box.h"
#include "app/track_box.h"
#include "app/widgets.h"
#include "bench/population.h"
#include "core/player.h"
#include "core/team.h"
#include "world2d/track2d.h"

namespace vorlanth {

namespace {

QAction* AddCheckItem(QMenu* menu, const QString& caption, bool checked) {
  QAction* item = menu->addAction(caption);
  item->setCheckable(true);
  item->setChecked(checked);
  return item;
}

}  // namespace

void TFormTest2D::BuildMenus() {
  QMenuBar* bar = menuBar();

  QMenu* file = bar->addMenu(QStringLiteral("File"));
  Loadcircuit800x600BMP1 = file->addAction(QStringLiteral("Open… (a scene, or a circuit: 800x600 BMP, pure black is out of track)"));
  OpenRecentMenu = file->addMenu(QStringLiteral("Open recent"));
  SaveSceneItem = file->addAction(QStringLiteral("Save scene"));
  SaveSceneAsItem = file->addAction(QStringLiteral("Save scene as…"));
  file->addSeparator();
  Saveimagestofolder = AddCheckItem(
      file, QStringLiteral("Chose folder for saving images (give it a file name before pressing OK)"),
      false);
  file->addSeparator();
  QuitItem = file->addAction(QStringLiteral("Quit"));
  Loadcircuit800x600BMP1->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_O));
  SaveSceneItem->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_S));
  SaveSceneAsItem->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_S));
  QuitItem->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Q));
  // Opening a circuit marks the scene modified itself; opening or saving a scene
  // leaves it unmodified.
  On(Loadcircuit800x600BMP1, &QAction::triggered, [this] { Loadcircuit800x600BMP1Click(); }, false);
  On(SaveSceneItem, &QAction::triggered, [this] { SaveSceneClick(); }, false);
  On(SaveSceneAsItem, &QAction::triggered, [this] { SaveSceneAsClick(); }, false);
  On(OpenRecentMenu, &QMenu::aboutToShow, [this] { OpenRecentMenuShow(); }, false);
  On(QuitItem, &QAction::triggered, [this] { close(); }, false);
  On(Saveimagestofolder, &QAction::triggered, [this] { SaveimagestofolderClick(); }, false);

  BuildEditMenu();

  QMenu* players = bar->addMenu(QStringLiteral("Add players"));
  Addacircleofkarts1 = players->addAction(QStringLiteral("Add a circle of karts"));
  Addatriangle1 = players->addAction(QStringLiteral("Add an asteroid"));
  Addlotsofasteroids1 = players->addAction(QStringLiteral("Add group of 5 asteroids"));
  On(Addacircleofkarts1, &QAction::triggered, [this] { Addacircleofkarts1Click(); });
  On(Addatriangle1, &QAction::triggered, [this] { BtnAddPlayerClick(pkAsteroid); });
  On(Addlotsofasteroids1, &QAction::triggered, [this] { Addlotsofasteroids1Click(); });

  QMenu* goals = bar->addMenu(QStringLiteral("Add goals"));
  goals->setToolTipsVisible(true);  // why an item is greyed out
  Runfast1 = goals->addAction(QStringLiteral("Love speeding"));
  Keepenergyhunger1 = goals->addAction(QStringLiteral("Take care of energy"));
  Keephealth1 = goals->addAction(QStringLiteral("Take care of health"));
  Suckenergyfromplayersinfrontofyou1 =
      goals->addAction(QStringLiteral("Suck energy from players in front of you"));
  goals->addSeparator();
  Addateamgoalforcollectingdrops1 =
      goals->addAction(QStringLiteral("Collect energy drops (all players)"));
  Addateamgoalforstoringcollecteddrops1 =
      goals->addAction(QStringLiteral("Store energy in a box (all players)"));
  AvoidOtherPlayers = goals->addAction(QStringLiteral("Avoid other players (all players)"));
  goals->addSeparator();
  FollowMouse = goals->addAction(QStringLiteral("Follow mouse (all players)"));
  AvoidMouse = goals->addAction(QStringLiteral("Avoid mouse (all players)"));
  goals->addSeparator();
  DeleteallTeamsGoals1 = goals->addAction(QStringLiteral("Delete all Team's goals"));
  Deleteallplayerspersonalgoals1 =
      goals->addAction(QStringLiteral("Delete all players individual goals"));
  On(Runfast1, &QAction::triggered, [this] { Runfast1Click(); });
  On(Keepenergyhunger1, &QAction::triggered, [this] { Keepenergyhunger1Click(); });
  On(Keephealth1, &QAction::triggered, [this] { Keephealth1Click(); });
  On(Suckenergyfromplayersinfrontofyou1, &QAction::triggered,
     [this] { Suckenergyfromplayersinfrontofyou1Click(); });
  On(Addateamgoalforcollectingdrops1, &QAction::triggered,
     [this] { Addateamgoalforcollectingdrops1Click(); });
  On(Addateamgoalforstoringcollecteddrops1, &QAction::triggered,
     [this] { Addateamgoalforstoringcollecteddrops1Click(); });
  On(AvoidOtherPlayers, &QAction::triggered, [this] { AvoidOtherPlayersClick(); });
  On(FollowMouse, &QAction::triggered, [this] { FollowMouseClick(0); });
  On(AvoidMouse, &QAction::triggered, [this] { FollowMouseClick(1); });
  On(DeleteallTeamsGoals1, &QAction::triggered, [this] { DeleteallTeamsGoals1Click(); });
  On(Deleteallplayerspersonalgoals1, &QAction::triggered,
     [this] { Deleteallplayerspersonalgoals1Click(); });

  QMenu* view = bar->addMenu(QStringLiteral("Panel View"));
  menuBasicAIparams = AddCheckItem(view, QStringLiteral("Basic AI params."), true);
  menuGoals = AddCheckItem(view, QStringLiteral("Player's Goals"), true);
  view->addSeparator();
  menuChoosePlayer = AddCheckItem(view, QStringLiteral("Choose a player"), true);
  menuPlayerParams = AddCheckItem(view, QStringLiteral("Player's Params"), false);
  MenuTrackParams = AddCheckItem(view, QStringLiteral("Track's params"), false);
  view->addSeparator();
  menuHandMove = AddCheckItem(view, QStringLiteral("Hand move/rotate player"), true);
  view->addSeparator();
  view->addAction(menuPlots);  // the plots dock (Ctrl+P)
  for (QAction* item : {menuBasicAIparams, menuGoals, menuChoosePlayer, menuPlayerParams,
                        MenuTrackParams, menuHandMove})
    On(item, &QAction::triggered, [this] { menuPlayerParamsClick(); }, false);

  Graphicdebuglevels1 = bar->addMenu(QStringLiteral("Debug"));
  MenuDebugTraces = AddCheckItem(Graphicdebuglevels1, QStringLiteral("Draw the traces of the futures"), false);
  MenuDebugFeelings = AddCheckItem(Graphicdebuglevels1, QStringLiteral("Draw Gain/Loose Feelings"), false);
  MenuDebugOptions = AddCheckItem(Graphicdebuglevels1, QStringLiteral("Draw the ending points"), false);
  MenuDebugLevels = AddCheckItem(Graphicdebuglevels1, QStringLiteral("Draw sensitivity level"), false);
  MenuDebugGoals =
      AddCheckItem(Graphicdebuglevels1, QStringLiteral("Draw the \"goals\" of the player"), false);
  MenuDebugTeamGoals =
      AddCheckItem(Graphicdebuglevels1, QStringLiteral("Draw the \"goals\" of the team"), false);
  for (QAction* item : {MenuDebugTraces, MenuDebugFeelings, MenuDebugOptions, MenuDebugLevels,
                        MenuDebugGoals, MenuDebugTeamGoals})
    On(item, &QAction::triggered, [this] { EdDebugChange(); });

  QMenu* help = bar->addMenu(QStringLiteral("Help"));
  AboutItem = help->addAction(QStringLiteral("About"));
  On(AboutItem, &QAction::triggered, [this] { AboutItemClick(); }, false);
  RestoreDefaultsItem = help->addAction(QStringLiteral("Restore defaults"));
  RestoreDefaultsItem->setObjectName(QStringLiteral("RestoreDefaultsItem"));
  On(RestoreDefaultsItem, &QAction::triggered, [this] { RestoreDefaultsClick(); }, false);

  // Keys of START/STOP, from anywhere in the window; they are no menu items. Each
  // clicks its button at once.
  auto key = [this](const QKeySequence& keys, const QString& name) {
    auto* action = new QAction(name, this);
    action->setShortcut(keys);
    action->setShortcutContext(Qt::WindowShortcut);
    addAction(action);
    return action;
  };
  RunPauseKey = key(QKeySequence(Qt::Key_Space), QStringLiteral("Run/Pause"));
  On(RunPauseKey, &QAction::triggered, [this] { RunPauseKeyPress(); });
  On(key(QKeySequence(Qt::Key_Period), QStringLiteral("Step")), &QAction::triggered, [this] { startStop_->ClickStep(); });
  On(key(QKeySequence(Qt::CTRL | Qt::Key_R), QStringLiteral("Reset")), &QAction::triggered,
     [this] { startStop_->ClickReset(); });
}

// ---------------------------------------------------------------------------
// Players.

void TFormTest2D::BtnAddPlayerClick(int tag) {
  population_->AddPlayer(tag);
  Redraw();
}

void TFormTest2D::Addacircleofkarts1Click() {
  // The list is emptied once the old players are gone; each new kart appends
  // itself. Whatever happens, the list ends up naming the team's players.
  struct TListMender {
    TFormTest2D& form;
    ~TListMender() { form.FillPlayerList(); }
  } mender{*this};
  choose_->ShowPlayers(0, -1);
  population_->AddCircleOfKarts();
  Redraw();
}

void TFormTest2D::Addlotsofasteroids1Click() {
  population_->AddAsteroids(TPopulation::AsteroidGroupCount);
  Redraw();
}

// ---------------------------------------------------------------------------
// Goals.

void TFormTest2D::Runfast1Click() {
  population_->AddSpeedingGoal();
  UpdateGoals();
}

void TFormTest2D::Keepenergyhunger1Click() {
  population_->AddEnergyGoal();
  UpdateGoals();
}

void TFormTest2D::Keephealth1Click() {
  population_->AddHealthGoal();
  UpdateGoals();
}

void TFormTest2D::Suckenergyfromplayersinfrontofyou1Click() {
  population_->AddBurnOutGoal();  // raises for a player that is not a rocket
  UpdateGoals();
  MenuDebugGoals->setChecked(true);
  EdDebugChange();
}

void TFormTest2D::Addateamgoalforcollectingdrops1Click() {
  population_->AddDropsGoal();
  UpdateGoals();
  MenuDebugTeamGoals->setChecked(true);
  EdDebugChange();
}

void TFormTest2D::Addateamgoalforstoringcollecteddrops1Click() {
  population_->AddStorageGoal();
  UpdateGoals();
  MenuDebugTeamGoals->setChecked(true);
  EdDebugChange();
}

void TFormTest2D::AvoidOtherPlayersClick() {
  population_->AddAvoidGoal();
  UpdateGoals();
}

void TFormTest2D::FollowMouseClick(int tag) {
  population_->AddMouseGoal(tag == 1);
  UpdateGoals();
  MenuDebugTeamGoals->setChecked(true);
  EdDebugChange();
}

// Goals are freed by these two. Inside a cycle they wait for it to end, so no
// goal can be freed while the cycle might still be using it.
void TFormTest2D::DeleteallTeamsGoals1Click() {
  RunOutsideCycle([this] {
    population_->DeleteTeamGoals();
    UpdateGoals();
  });
}

void TFormTest2D::Deleteallplayerspersonalgoals1Click() {
  RunOutsideCycle([this] {
    const int remembered = choose_->ChosenIndex();
    population_->DeletePlayersGoals();
    choose_->Choose(remembered);
    EdPlayerIdChange();
    UpdateGoals();
  });
}

// ---------------------------------------------------------------------------
// Panels and drawing options.

void TFormTest2D::menuPlayerParamsClick() {
  ai_->setVisible(menuBasicAIparams->isChecked());
  choose_->setVisible(menuChoosePlayer->isChecked());
  playerBox_->setVisible(menuPlayerParams->isChecked());
  goals_->ShowBoxes(menuGoals->isChecked());
  move_->setVisible(menuHandMove->isChecked());
  trackBox_->setVisible(MenuTrackParams->isChecked());
}

void TFormTest2D::EdDebugChange() {
  if (TPlayer* player = SelectedPlayer()) {
    player->ShowTraces = MenuDebugTraces->isChecked();
    player->ShowFeelings = MenuDebugFeelings->isChecked();
    player->ShowEndingPoints = MenuDebugOptions->isChecked();
    player->ShowLevels = MenuDebugLevels->isChecked();
    player->Goals->ShowGoals = MenuDebugGoals->isChecked();
  }
  if (TTeam* team = CurrentTeam()) team->Goals->ShowGoals = MenuDebugTeamGoals->isChecked();
  Redraw();
}

}  // namespace vorlanth
