#pragma once
// The bench's only window: the circuit on the left, kept in proportion, and on
// the right a column of boxes ("SELECT PLAYER", "A.I.", "TRACK", "PLAYER", the
// goal panel, "MOVE", "START/STOP"), the menus, the run loop and frame saving.
//
// Each box is a class owning its controls; the window composes them, hears them
// through their typed signals and shows the model in them through their setters.
//
// The window owns the track, the team and the population commands. Handlers are
// named after the control and event they serve; controls sharing a handler are
// told apart by an integer tag. Every handler reached from Qt runs through
// Handle(), which reports errors in a dialog: no exception crosses Qt's event loop.
//
// Window messages are processed inside the simulation cycle (the track's
// ProcessMessages callback), so handlers may run in the middle of a cycle; each
// leaves the team, the track's player list and the goal sets consistent.

#include <QColor>
#include <QList>
#include <QMainWindow>
#include <QString>

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <type_traits>
#include <vector>

#include "scene/scene.h"

class QAction;
class QMenu;
class QMimeData;
class QSettings;
class QTimer;
class QUndoStack;

namespace vorlanth {

class QtCanvas;
class QtPicture;
class TAiBox;
class TChoosePlayerBox;
class TGoal;
class TGoalPanel;
class TImagePanel;
class TImageView;
class TMoveBox;
class TPlayer;
class TPlayerBox;
class TPlayerList;
class TPlotHistory;
class TPlotsDock;
class TPopulation;
class TStartStopBox;
class TStatusLine;
class TTeam;
class TTrackBox;
class TTrack2D;

// The window's modal dialogs. Each can be replaced (tests drive the window
// without any modal dialog); an empty one gets the Qt dialog.
struct TCrashReport;

// What the user answers when unsaved changes would be lost.
enum class TSaveAnswer { Save, Discard, Cancel };

struct TFormDialogs {
  // The application's error reporting: shows the report (the crash dialog).
  std::function<void(const TCrashReport& report)> ReportError;
  // File > "Open…": the chosen scene or circuit file, or empty when cancelled.
  std::function<QString(const QString& folder)> OpenPicture;
  // "Save scene as…": the chosen name (full path), or empty when cancelled.
  std::function<QString(const QString& folder)> SaveScene;
  // The scene (named) has unsaved changes that closing or opening would lose.
  std::function<TSaveAnswer(const QString& sceneName)> AskSave;
  // SaveDialog: the chosen name (full path), or empty when cancelled.
  std::function<QString(const QString& folder)> SaveFile;
  // ColorDialog: the chosen colour, or nothing when cancelled.
  std::function<std::optional<QColor>(const QColor& initial)> ChooseColor;
  // Help > About: shows the text.
  std::function<void(const QString& text)> ShowAbout;
  // "Save plot as PNG…": the chosen name (full path), or empty when cancelled.
  std::function<QString(const QString& folder)> SavePlot;
};

class TFormTest2D : public QMainWindow {
  Q_OBJECT

 public:
  // The designed window and picture.
  static constexpr int DesignedWidth = 1060;
  static constexpr int DesignedHeight = 703;
  static constexpr int ColumnWidth = 241;    // Panel4
  static constexpr int CircuitWidth = 800;   // the designed picture (a loaded one keeps its own size)
  static constexpr int CircuitHeight = 600;
  static constexpr int32_t FirstFrame = 1;
  static constexpr const char* Caption = "Vorlanth Test V2.0";  // after the scene's name
  // Hand controls.
  static constexpr double HandStepPx = 5;           // "<", ">", "^", "v"
  static constexpr int ArrowFirstDelayMs = 500;     // a held button repeats after this...
  static constexpr int ArrowSecondDelayMs = 150;    // ...then after this...
  static constexpr int ArrowDelayStepMs = 5;        // ...shrinking by this...
  static constexpr int ArrowMinDelayMs = 20;        // ...down to this
  static constexpr double EnergyStep = 10;          // "+E", "+H", "-E", "-H"
  static constexpr double HandMinLevel = 10;        // "-E" and "-H" stop here
  static constexpr double FullLevel = 100;          // a double click fills up

  explicit TFormTest2D(TFormDialogs dialogs = {}, QWidget* parent = nullptr);
  ~TFormTest2D() override;

  TFormDialogs Dialogs;

  // The model. The window owns the track and the team.
  TTrack2D& Track() const { return *track_; }
  TPopulation& Population() const { return *population_; }
  TTeam* CurrentTeam() const;
  TPlayer* SelectedPlayer() const;
  // The picture shown by ImgRoad (the circuit with everything drawn on it).
  const QImage& RoadImage() const;

  // Frame saving: the counter of the next frame, and SaveDialog's file name.
  int32_t FrameCounter = FirstFrame;
  QString SaveFileName;
  QString OpenPictureFolder;  // initial folders of the two file dialogs
  QString SaveFolder;
  // Cycles the world has run (the status bar's cycle number): since start-up, or
  // the opened scene's count.
  int64_t CycleCount = 0;

  // ---- Scenes ----
  static constexpr int MaxRecentFiles = 8;  // File > "Open recent"
  // Where the circuit came from (a picture file, or built in when empty).
  const TSceneCircuit& Circuit() const { return circuit_; }
  // The scene's file, empty while it is "untitled" (never saved nor opened).
  QString SceneFile() const { return sceneFile_; }
  // The caption's name of the scene: the file's name, or "untitled".
  QString SceneName() const;
  // Where the recent files are remembered (an INI file); empty: the user's
  // settings of the program. Tests point it elsewhere.
  QString SettingsFile;
  // The files last opened or saved, newest first (at most MaxRecentFiles).
  QStringList RecentFiles() const;
  // What the window remembers between runs (form_settings.cpp): geometry and
  // docks, Panel View, Debug flags, Threads, the dialogs' folders. Restored once
  // the settings file is chosen; saved when the window closes.
  void RestoreSettings();
  void SaveSettings() const;
  // Help > "Restore defaults": forgets them (the next start uses the defaults).
  void RestoreDefaultsClick();
  QAction* RestoreDefaultsItem = nullptr;
  // Name, version, Qt version and build type, as Help > About shows them.
  static QString AboutText();
  // Adds what the window knows to a report: cycle, players, version, screenshot.
  void DescribeForReport(TCrashReport& report);

  // Name of a frame file: prefix + "_" + counter as "%5.5d" + ".bmp".
  static QString FrameFileName(const QString& prefix, int32_t counter);

  // ---- Controls the window holds itself (the boxes hold theirs) ----
  QWidget* Panel3 = nullptr;
  TImagePanel* PanelImg = nullptr;
  TImageView* ImgRoad = nullptr;
  QWidget* Panel4 = nullptr;
  int ArrowTimerTag = 0;  // the move the held button repeats
  // The status bar: how the last cycle went.
  TStatusLine* StatusLine = nullptr;
  // Menus.
  QAction* Loadcircuit800x600BMP1 = nullptr;  // File > "Open…", Ctrl+O: a scene or a circuit
  QAction* SaveSceneItem = nullptr;           // "Save scene", Ctrl+S
  QAction* SaveSceneAsItem = nullptr;         // "Save scene as…", Ctrl+Shift+S
  QMenu* OpenRecentMenu = nullptr;            // "Open recent", filled when it opens
  QAction* Saveimagestofolder = nullptr;
  QAction* QuitItem = nullptr;       // File > Quit, Ctrl+Q
  QAction* RunPauseKey = nullptr;    // Space: Run or Pause
  QAction* AboutItem = nullptr;      // Help > About
  QAction* Addacircleofkarts1 = nullptr;
  QAction* Addatriangle1 = nullptr;
  QAction* Addlotsofasteroids1 = nullptr;
  QAction* Runfast1 = nullptr;
  QAction* Keepenergyhunger1 = nullptr;
  QAction* Keephealth1 = nullptr;
  QAction* Suckenergyfromplayersinfrontofyou1 = nullptr;
  QAction* Addateamgoalforcollectingdrops1 = nullptr;
  QAction* Addateamgoalforstoringcollecteddrops1 = nullptr;
  QAction* AvoidOtherPlayers = nullptr;
  QAction* FollowMouse = nullptr;
  QAction* AvoidMouse = nullptr;
  QAction* DeleteallTeamsGoals1 = nullptr;
  QAction* Deleteallplayerspersonalgoals1 = nullptr;
  QAction* menuBasicAIparams = nullptr;
  QAction* menuGoals = nullptr;
  QAction* menuChoosePlayer = nullptr;
  QAction* menuPlayerParams = nullptr;
  QAction* MenuTrackParams = nullptr;
  QAction* menuHandMove = nullptr;
  QMenu* Graphicdebuglevels1 = nullptr;
  QAction* MenuDebugTraces = nullptr;
  QAction* MenuDebugFeelings = nullptr;
  QAction* MenuDebugOptions = nullptr;
  QAction* MenuDebugLevels = nullptr;
  QAction* MenuDebugGoals = nullptr;
  QAction* MenuDebugTeamGoals = nullptr;
  // Edit > Undo (Ctrl+Z) and Redo (Ctrl+Shift+Z), named after the command.
  static constexpr int UndoLimit = 100;  // steps kept
  QAction* UndoItem = nullptr;
  QAction* RedoItem = nullptr;
  const QUndoStack& UndoStack() const { return *undo_; }
  // Replaces the world by the scene (after the cycle in progress), as one command.
  void ApplySnapshot(const QByteArray& document, const QString& name);
  // The plots of the selected player (Panel View > "Plots", Ctrl+P).
  TPlotsDock* PlotsDock = nullptr;
  QAction* menuPlots = nullptr;
  const TPlotHistory& PlotHistory() const;
  // The dock's "Save plot as PNG…".
  void PlotsSaveClick();

  // ---- Start-up, run loop, frames, circuit ----
  void FormCreate();
  void FormResize();
  void StartBtnClick();
  void RunSimulation();
  // One cycle, then idle; while the loop runs, the cycle in progress is the last.
  void StepBtnClick();
  // Space: Pause while Run is down, Run otherwise.
  void RunPauseKeyPress();
  void AboutItemClick();
  void ResetBtnClick();
  // File > "Open…": a scene file (by its extension) or a circuit picture.
  void Loadcircuit800x600BMP1Click();
  // Opens a scene (after the cycle in progress) or loads a circuit picture.
  void OpenFile(const QString& fileName);
  void SaveSceneClick();
  void SaveSceneAsClick();
  // Lists the recent files in "Open recent" (when it opens).
  void OpenRecentMenuShow();
  void OpenRecentClick(const QString& fileName);
  void SaveimagestofolderClick();
  // Whether a run loop is in progress (Run may be down without one after an error).
  bool Running() const { return runDepth_ > 0; }
  // Whether a handler is in progress: clicks and keys wait until it ends.
  bool InCommand() const { return commandDepth_ > 0; }
  // Redraws the track: at once between commands, and once at the end of a command
  // however many of its steps asked for it.
  void Redraw();

  // ---- Panels and hand controls ----
  void EdSecondsChange();
  void EdMinFuturesChange();
  // Waits for the cycle in progress to end: a cycle runs on one number of threads.
  void EdThreadsChange();
  void EdFrictionChange();
  void EdSideFrictionChange();
  void EdSizeChange();
  void EdDeterminedChange();
  void EdRadioChange();
  void EdCollisionsClick();
  void EdSensitivityClick();
  void EdAutoRadioClick();
  void EdEvolutionClick();
  void EdColorClick();
  void EdPlayerIdChange();
  void EdPlayerIdEnter();
  void BtnSubPlayerClick();
  void MoveButtonMouseDown(int tag);
  void MoveButtonMouseUp();
  void ArrowTimerTimer();
  void HandMoveStep(int tag);
  void SpeedButton8Click(int tag);
  void SpeedButton8DblClick(int tag);
  void UpdateRealTimeParams();
  void CopyParamsFromPlayer();
  void CopyParamsFromScreen();

  // ---- Goal panel ----
  void UpdateGoals();
  void AddGoalBox(int tag, TGoal& goal);
  // The bar of the goal box with the tag moved: writes the goal and the box's value label.
  void GoalStrengthChange(int tag, int position);
  void GoalReactionChange(int tag, int position);
  void GoalUrgencyChange(int tag, int position);

  // ---- Menu commands ----
  void BtnAddPlayerClick(int tag);
  void Addacircleofkarts1Click();
  void Addlotsofasteroids1Click();
  void Runfast1Click();
  void Keepenergyhunger1Click();
  void Keephealth1Click();
  void Suckenergyfromplayersinfrontofyou1Click();
  void Addateamgoalforcollectingdrops1Click();
  void Addateamgoalforstoringcollecteddrops1Click();
  void AvoidOtherPlayersClick();
  void FollowMouseClick(int tag);
  void DeleteallTeamsGoals1Click();
  void Deleteallplayerspersonalgoals1Click();
  void menuPlayerParamsClick();
  void EdDebugChange();

 protected:
  // Space and "." reach the run keys wherever the focus is in the window (a spin
  // box would take them), except in a text field, where they type.
  bool eventFilter(QObject* watched, QEvent* event) override;
  // With unsaved changes, asks Save / Discard / Cancel first (after the cycle in
  // progress, then closing if the answer lets it).
  void closeEvent(QCloseEvent* event) override;
  // A scene or circuit file dropped on the window is opened.
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dropEvent(QDropEvent* event) override;

 private:
  // Building the window, one function per part.
  void BuildWindow();
  void BuildMenus();
  void BuildPlotsDock();
  // Frees a player's history when it leaves its team (once the track exists).
  void InstallPlotHistory();
  // Records every player's present for the plots, after each cycle.
  void RecordPlots(double cycleMs);
  void InstallDefaultDialogs();

  // Runs a handler reached from Qt: errors are reported, never rethrown. A
  // handler that changes the world marks the scene modified when it succeeds.
  void Handle(const std::function<void()>& handler, const QString& where, bool changesWorld = true);
  // Connects a signal to a handler run through Handle.
  template <typename Sender, typename Signal>
  void On(Sender* sender, Signal signal, std::function<void()> handler, bool changesWorld = true) {
    connect(sender, signal, this,
            [this, sender, handler, changesWorld] { Handle(handler, CommandName(sender), changesWorld); });
  }
  // Connects a box's signal to a handler run through Handle, named after the
  // control behind the signal.
  template <typename Box, typename... Args>
  void OnBox(Box* box, void (Box::*signal)(Args...),
             std::type_identity_t<std::function<void(Args...)>> handler, bool changesWorld = true) {
    connect(box, signal, this, [this, box, handler, changesWorld](Args... args) {
      const QObject* control = box->ActiveControl();
      Handle([&] { handler(args...); }, CommandName(control ? control : box), changesWorld);
    });
  }
  // A control or menu item as a report names it: its name and caption.
  static QString CommandName(const QObject* sender);
  // Reports the exception in flight, which happened at `where`.
  void ReportError(const QString& where);
  // Gives every control the name the form gives it, for reports and tests.
  void NameControls();

  // The track's ProcessMessages: shows the frame, then processes pending window
  // messages. Inside a command, user input waits for the command to end.
  void ProcessMessages();
  void ShowFrame();
  // The cursor in circuit pixels, read at most once per frame.
  bool MousePosition(int32_t& x, int32_t& y);
  // Cycles while goOn() says so, each followed by the window's part (status,
  // real-time parameters, messages, frame saving); errors end the loop.
  void RunLoop(const std::function<bool()>& goOn);
  // One cycle, then the commands that waited for it to end.
  void CycleOnce();
  void SaveFrame();
  // Lists players the model added on its own (splitting) and shows the selected one.
  void ShowNewbornPlayers();
  // Runs the command now, or after the cycle in progress when inside one.
  void RunOutsideCycle(std::function<void()> command);
  void RunPendingCommands();
  // Names the current team's players in SELECT PLAYER and shows the selected one.
  void FillPlayerList();
  // Shows the selected player and the track in the boxes, without writing back.
  void ShowModel();
  // ShowModel, and every check mark and box from the world (a new world).
  void ShowWorld();
  // What the window installs on its track: messages, the mouse, the plots.
  void InstallOnTrack();

  QList<QAction*> RememberedItems() const;  // Panel View and Debug
  bool restoreDefaults_ = false;           // nothing is saved on closing

  // ---- Undo (form_undo.cpp) ----
  void BuildEditMenu();
  // The world as a scene document (throws when a scene cannot describe it).
  QByteArray WorldSnapshot() const;
  // The step's name in the Edit menu, from the command's report name.
  static QString UndoName(const QString& where);
  // Pushes the command's step when it changed the world since `before`.
  void RecordCommand(const QString& where, const QByteArray& before);

  // ---- Scenes (form_scenes.cpp) ----
  void LoadCircuit(const QString& fileName);
  // Reads the scene into a new world and swaps it in; a bad file changes nothing.
  void OpenSceneNow(const QString& fileName);
  // Replaces the window's world by the one read (nothing here throws).
  void SwapInWorld(std::unique_ptr<TTrack2D> track, std::unique_ptr<TTeam> team, TSceneRead read);
  // Saves under the scene's name, or a chosen one; false when the user cancelled.
  bool SaveSceneNow(bool chooseName);
  // Asks what to do with unsaved changes (saving if told); false to stop.
  bool AskToSaveChanges();
  void SetSceneFile(const QString& fileName);
  void AddRecentFile(const QString& fileName);
  void RemoveRecentFile(const QString& fileName);
  std::unique_ptr<QSettings> Settings() const;
  // Adds the world as a scene to a report (or why it cannot be described).
  void DescribeSceneForReport(TCrashReport& report) const;
  // The one scene or circuit file the mime data carries, or empty.
  static QString DroppedFile(const QMimeData* data);
  TGoal* GoalOfTag(int tag) const;

  // The boxes of the column.
  TChoosePlayerBox* choose_ = nullptr;
  TAiBox* ai_ = nullptr;
  TTrackBox* trackBox_ = nullptr;
  TPlayerBox* playerBox_ = nullptr;
  TGoalPanel* goals_ = nullptr;
  TMoveBox* move_ = nullptr;
  TStartStopBox* startStop_ = nullptr;
  QTimer* ArrowTimer = nullptr;  // repeats the move of a held button

  // ImgRoad's picture, the canvas drawing on it, then the model (destroyed in
  // reverse order: the model before the picture it draws on).
  std::unique_ptr<QtPicture> picture_;
  std::unique_ptr<QtCanvas> canvas_;
  std::unique_ptr<TTrack2D> track_;
  std::unique_ptr<TTeam> team_;
  std::unique_ptr<TPopulation> population_;
  std::unique_ptr<TPlotHistory> plotHistory_;  // every player's last cycles, for the plots
  TSceneCircuit circuit_;     // where the circuit came from (empty: built in)
  QString sceneFile_;         // empty while untitled
  bool closeQuestioned_ = false;  // a close waits for the cycle to end to ask its question

  int commandDepth_ = 0;   // handlers in progress (outside the run loop's own level)
  int runDepth_ = 0;       // nested run loops in progress
  bool loopFailed_ = false;      // an error ended a run loop: every level stops
  bool redrawPending_ = false;   // the command in progress asked for a redraw
  const char* phase_ = nullptr;  // the run loop's phase in progress, for reports
  struct TPendingCommand {
    QString Name;  // the command that asked, for its undo step
    std::function<void()> Run;
  };
  std::vector<TPendingCommand> pendingCommands_;
  QString commandName_;          // the outermost command in progress
  QUndoStack* undo_ = nullptr;
  bool restoringWorld_ = false;  // the command in progress is an undo or redo
  int gesture_ = 0;              // mouse presses so far: the steps of one drag merge
  bool mouseRead_ = false;   // the cursor has been read for this frame
  bool mouseOk_ = false;
  int32_t mouseX_ = -1;
  int32_t mouseY_ = -1;
};

}  // namespace vorlanth
