// The main menu: opening and saving scenes and circuits, saving frames, adding players and goals,
// deleting goals, choosing the panels shown, and the drawing options. The model
// side of every populating command is TPopulation; the window adds its list, its
// panels, its check marks and the redraws around it.

#include <QAction>
#include <QComboBox>
#include <QGroupBox>
#include <QMenu>
#include <QMenuBar>
#include <QUndoStack>

#include <functional>
#include <map>
#include <string>

#include "app/ai_box.h"
#include "app/choose_player_box.h"
#include "app/form_test2d.h"
#include "app/goal_panel.h"
#include "app/move_box.h"
#include "app/player_box.h"
#include "app/player_dock.h"
#include "app/plots_dock.h"
#include "app/session.h"
#include "app/start_stop_box.h"
#include "app/track_box.h"
#include "app/widgets.h"
#include "bench/population.h"
#include "core/player.h"
#include "core/team.h"
#include "world2d/track2d.h"

namespace vorlanth {

namespace {

// One item of the menus, or a key of the window (no menu).
struct TMenuEntry {
  const char* Menu;     // the menu's caption; nullptr: a key of the window
  const char* Name;     // its object name; nullptr: a separator
  const char* Text;
  QKeySequence Keys;
  enum { Plain, Check, Checked } Mark;
  std::function<void(bool checked)> Handler;
  bool ChangesWorld;
};

}  // namespace

void TFormTest2D::BuildMenus() {
  using K = QKeySequence;
  const auto plain = TMenuEntry::Plain;
  const auto check = TMenuEntry::Check;
  const auto checked = TMenuEntry::Checked;
  auto panels = [this](bool) { menuPlayerParamsClick(); };
  auto debug = [this](bool) { EdDebugChange(); };
  // Opening a circuit marks the scene modified itself; opening or saving a scene
  // leaves it unmodified: they are no plain changes of the world.
  const TMenuEntry items[] = {
      {"File", "NewItem", "New", K(Qt::CTRL | Qt::Key_N), plain, [this](bool) { NewClick(); }, false},
      {"File", "ExamplesMenu", "Examples", K(), plain, {}, false},
      {"File", "Loadcircuit800x600BMP1", "Open… (a scene, or a circuit: 800x600 BMP, pure black is out of track)",
       K(Qt::CTRL | Qt::Key_O), plain, [this](bool) { Loadcircuit800x600BMP1Click(); }, false},
      {"File", "OpenRecentMenu", "Open recent", K(), plain, {}, false},
      {"File", "UseBuiltinCircuitItem", "Use the built-in circuit", K(), plain,
       [this](bool) { UseBuiltinCircuitClick(); }, false},
      {"File", "SaveSceneItem", "Save scene", K(Qt::CTRL | Qt::Key_S), plain, [this](bool) { SaveSceneClick(); },
       false},
      {"File", "SaveSceneAsItem", "Save scene as…", K(Qt::CTRL | Qt::SHIFT | Qt::Key_S), plain,
       [this](bool) { SaveSceneAsClick(); }, false},
      {"File", "SaveJournalItem", "Save command journal…", K(), plain, [this](bool) { SaveJournalClick(); }, false},
      {"File", "SavePictureItem", "Save picture…", K(Qt::CTRL | Qt::SHIFT | Qt::Key_P), plain,
       [this](bool) { SavePictureClick(); }, false},
      {"File", nullptr, "", K(), plain, {}, false},
      {"File", "Saveimagestofolder", "Chose folder for saving images (give it a file name before pressing OK)", K(),
       check, [this](bool on) { SaveimagestofolderClick(on); }, false},
      {"File", "RecordVideoItem", "Record video…", K(), check, [this](bool on) { RecordVideoClick(on); }, false},
      {"File", nullptr, "", K(), plain, {}, false},
      {"File", "QuitItem", "Quit", K(Qt::CTRL | Qt::Key_Q), plain, [this](bool) { close(); }, false},
      {"Edit", "UndoItem", "Undo", K(Qt::CTRL | Qt::Key_Z), plain, {}, false},
      {"Edit", "RedoItem", "Redo", K(Qt::CTRL | Qt::SHIFT | Qt::Key_Z), plain, {}, false},
      {"Add players", "Addacircleofkarts1", "Add a circle of karts", K(), plain,
       [this](bool) { Addacircleofkarts1Click(); }, true},
      {"Add players", "Addatriangle1", "Add an asteroid", K(), plain, [this](bool) { BtnAddPlayerClick(pkAsteroid); },
       true},
      {"Add players", "Addlotsofasteroids1", "Add group of 5 asteroids", K(), plain,
       [this](bool) { Addlotsofasteroids1Click(); }, true},
      // The goals of every kind the bench knows, by groups, each followed by a line.
      {"Add goals", "GoalKindItems", "", K(), plain, {}, false},
      {"Add goals", "DeleteallTeamsGoals1", "Delete all Team's goals", K(), plain,
       [this](bool) { DeleteallTeamsGoals1Click(); }, true},
      {"Add goals", "Deleteallplayerspersonalgoals1", "Delete all players individual goals", K(), plain,
       [this](bool) { Deleteallplayerspersonalgoals1Click(); }, true},
      {"Panel View", "menuBasicAIparams", "Basic AI params.", K(), checked, panels, false},
      {"Panel View", "menuGoals", "Player's Goals", K(), checked, panels, false},
      {"Panel View", nullptr, "", K(), plain, {}, false},
      {"Panel View", "menuChoosePlayer", "Choose a player", K(), checked, panels, false},
      {"Panel View", "menuPlayerParams", "Player's Params", K(), check, panels, false},
      {"Panel View", "MenuTrackParams", "Track's params", K(), check, panels, false},
      {"Panel View", nullptr, "", K(), plain, {}, false},
      {"Panel View", "menuHandMove", "Hand move/rotate player", K(), checked, panels, false},
      {"Panel View", nullptr, "", K(), plain, {}, false},
      {"Panel View", "menuPlots", "Plots", K(Qt::CTRL | Qt::Key_P), plain, {}, false},
      {"Debug", "MenuDebugTraces", "Draw the traces of the futures", K(), check, debug, true},
      {"Debug", "MenuDebugFeelings", "Draw Gain/Loose Feelings", K(), check, debug, true},
      {"Debug", "MenuDebugOptions", "Draw the ending points", K(), check, debug, true},
      {"Debug", "MenuDebugLevels", "Draw sensitivity level", K(), check, debug, true},
      {"Debug", "MenuDebugGoals", "Draw the \"goals\" of the player", K(), check, debug, true},
      {"Debug", "MenuDebugTeamGoals", "Draw the \"goals\" of the team", K(), check, debug, true},
      {"View", "ViewFitItem", "Fit", K(Qt::CTRL | Qt::Key_0), plain, [this](bool) { ViewFitClick(); }, false},
      {"View", "ViewOneToOneItem", "1:1", K(Qt::CTRL | Qt::Key_1), plain, [this](bool) { ViewOneToOneClick(); }, false},
      {"View", "ViewZoomInItem", "Zoom in", K(K::ZoomIn), plain, [this](bool) { ViewZoomClick(1); }, false},
      {"View", "ViewZoomOutItem", "Zoom out", K(K::ZoomOut), plain, [this](bool) { ViewZoomClick(-1); }, false},
      {"View", "FollowSelectedItem", "Follow the selected player", K(Qt::Key_F), check,
       [this](bool on) { FollowSelectedClick(on); }, false},
      {"View", nullptr, "", K(), plain, {}, false},
      {"View", "SpeedSlowerItem", "Slower", K(Qt::Key_BracketLeft), plain, [this](bool) { SpeedStepClick(-1); }, false},
      {"View", "SpeedFasterItem", "Faster", K(Qt::Key_BracketRight), plain, [this](bool) { SpeedStepClick(1); }, false},
      {"View", nullptr, "", K(), plain, {}, false},
      {"View", "menuPlayerDock", "Player's numbers", K(Qt::CTRL | Qt::Key_I), plain, {}, false},
      {"Help", "AboutItem", "About", K(), plain, [this](bool) { AboutItemClick(); }, false},
      {"Help", "ShortcutsItem", "Keyboard shortcuts", K(), plain, [this](bool) { ShortcutsItemClick(); }, false},
      {"Help", "RestoreDefaultsItem", "Restore defaults", K(), plain, [this](bool) { RestoreDefaultsClick(); }, false},
      // Keys of START/STOP, from anywhere in the window; each clicks its button at once.
      {nullptr, "RunPauseKey", "Run/Pause", K(Qt::Key_Space), plain, [this](bool) { RunPauseKeyPress(); }, false},
      {nullptr, "StepKey", "Step", K(Qt::Key_Period), plain, [this](bool) { startStop_->ClickStep(); }, false},
      {nullptr, "ResetKey", "Reset", K(Qt::CTRL | Qt::Key_R), plain, [this](bool) { startStop_->ClickReset(); }, false},
  };

  QMenuBar* bar = menuBar();
  std::map<std::string, QMenu*> menus;
  for (const TMenuEntry& entry : items) {
    QMenu* menu = nullptr;
    if (entry.Menu) {
      QMenu*& found = menus[entry.Menu];
      if (!found) {
        found = bar->addMenu(QString::fromUtf8(entry.Menu));
        found->setToolTipsVisible(true);  // why an item is greyed out
      }
      menu = found;
    }
    if (!entry.Name) {
      menu->addSeparator();
      continue;
    }
    const QString name = QString::fromLatin1(entry.Name);
    if (!entry.Keys.isEmpty()) {
      // Help > "Keyboard shortcuts" lists the table's keys, commands without their details.
      QString text = QString::fromUtf8(entry.Text);
      if (const qsizetype details = text.indexOf(QStringLiteral(" (")); details > 0) text.truncate(details);
      if (entry.Menu) text = QStringLiteral("%1 > %2").arg(QString::fromUtf8(entry.Menu), text);
      shortcutRows_.append({entry.Keys.toString(QKeySequence::NativeText), text});
    }
    QAction* item = nullptr;
    if (name == QStringLiteral("ExamplesMenu")) {
      BuildExamplesMenu(menu->addMenu(QString::fromUtf8(entry.Text)));
      continue;
    }
    if (name == QStringLiteral("GoalKindItems")) {
      BuildGoalItems(menu);
      continue;
    }
    if (name == QStringLiteral("OpenRecentMenu")) {
      OpenRecentMenu = menu->addMenu(QString::fromUtf8(entry.Text));  // filled when it opens
      On(OpenRecentMenu, &QMenu::aboutToShow, [this] { OpenRecentMenuShow(); }, false);
      continue;
    }
    if (name == QStringLiteral("UndoItem") || name == QStringLiteral("RedoItem")) {
      item = EditItem(name == QStringLiteral("UndoItem"));
      item->setObjectName(name);
      item->setShortcut(entry.Keys);
      menu->addAction(item);
      continue;
    }
    if (name == QStringLiteral("menuPlots")) item = PlotsDock->toggleViewAction();  // keeps its mark when the dock closes
    else if (name == QStringLiteral("menuPlayerDock")) item = PlayerDock->toggleViewAction();
    else item = new QAction(QString::fromUtf8(entry.Text), this);
    item->setText(QString::fromUtf8(entry.Text));
    item->setObjectName(name);
    item->setShortcut(entry.Keys);
    if (entry.Mark != TMenuEntry::Plain) {
      item->setCheckable(true);
      item->setChecked(entry.Mark == TMenuEntry::Checked);
    }
    if (menu) {
      menu->addAction(item);
    } else {
      item->setShortcutContext(Qt::WindowShortcut);
      addAction(item);
    }
    if (entry.Handler) {
      connect(item, &QAction::triggered, this, [this, item, handler = entry.Handler, world = entry.ChangesWorld](bool on) {
        Handle([handler, on] { handler(on); }, CommandName(item), world);
      });
    }
  }
}

QAction* TFormTest2D::EditItem(bool undo) {
  // Named after the step, as QUndoStack's own actions are; triggered, a command
  // of the session (while running, it waits for the next drawing step).
  QUndoStack& stack = session_->UndoStack();
  auto* item = new QAction(this);
  const QString verb = undo ? QStringLiteral("Undo") : QStringLiteral("Redo");
  auto show = [item, &stack, verb, undo] {
    const QString step = undo ? stack.undoText() : stack.redoText();
    item->setText(step.isEmpty() ? verb : QStringLiteral("%1 %2").arg(verb, step));
    item->setEnabled(undo ? stack.canUndo() : stack.canRedo());
  };
  connect(&stack, &QUndoStack::indexChanged, item, show);
  connect(&stack, &QUndoStack::cleanChanged, item, show);
  show();
  connect(item, &QAction::triggered, this, [this, undo] { undo ? session_->Undo() : session_->Redo(); });
  return item;
}

// ---------------------------------------------------------------------------
// Players.

void TFormTest2D::BtnAddPlayerClick(int tag) {
  session_->Population().AddPlayer(tag);
  session_->Redraw();
}

void TFormTest2D::Addacircleofkarts1Click() {
  // The list is emptied once the old players are gone; each new kart appends
  // itself. Whatever happens, the list ends up naming the team's players.
  struct TListMender {
    TFormTest2D& form;
    ~TListMender() { form.FillPlayerList(); }
  } mender{*this};
  choose_->ShowPlayers(0, -1);
  session_->Keep(session_->Population().AddCircleOfKarts());
  session_->Redraw();
}

void TFormTest2D::Addlotsofasteroids1Click() {
  session_->Population().AddAsteroids(TPopulation::AsteroidGroupCount);
  session_->Redraw();
}

// ---------------------------------------------------------------------------
// Goals.

// Goals are freed by these two; at the drawing step no goal is being evaluated.
void TFormTest2D::DeleteallTeamsGoals1Click() {
  session_->Keep(session_->Population().DeleteTeamGoals());
  UpdateGoals();
}

void TFormTest2D::Deleteallplayerspersonalgoals1Click() {
  const int remembered = choose_->ChosenIndex();
  session_->Keep(session_->Population().DeletePlayersGoals());
  choose_->Choose(remembered);
  EdPlayerIdChange(choose_->ChosenIndex());
  UpdateGoals();
}

// ---------------------------------------------------------------------------
// Panels and drawing options.

void TFormTest2D::menuPlayerParamsClick() {
  ai_->setVisible(Item("menuBasicAIparams")->isChecked());
  choose_->setVisible(Item("menuChoosePlayer")->isChecked());
  playerBox_->setVisible(Item("menuPlayerParams")->isChecked());
  goals_->ShowBoxes(Item("menuGoals")->isChecked());
  move_->setVisible(Item("menuHandMove")->isChecked());
  trackBox_->setVisible(Item("MenuTrackParams")->isChecked());
}

void TFormTest2D::EdDebugChange() {
  // The marks written to the model; the picture is drawn again only when one changed.
  bool changed = false;
  auto write = [&changed](bool& flag, bool value) {
    changed = changed || flag != value;
    flag = value;
  };
  if (TPlayer* player = SelectedPlayer()) {
    write(player->ShowTraces, Item("MenuDebugTraces")->isChecked());
    write(player->ShowFeelings, Item("MenuDebugFeelings")->isChecked());
    write(player->ShowEndingPoints, Item("MenuDebugOptions")->isChecked());
    write(player->ShowLevels, Item("MenuDebugLevels")->isChecked());
    write(player->Goals->ShowGoals, Item("MenuDebugGoals")->isChecked());
  }
  if (TTeam* team = session_->CurrentTeam()) write(team->Goals->ShowGoals, Item("MenuDebugTeamGoals")->isChecked());
  if (changed) session_->Redraw();
}

}  // namespace vorlanth
