#pragma once
// The bench's only window: the circuit on the left, kept in proportion, and on
// the right a column of boxes ("SELECT PLAYER", "A.I.", "TRACK", "PLAYER", the
// goal panel, "MOVE", "START/STOP"), the menus, the run loop and frame saving.
//
// Each box is a class owning its controls; the window composes them, hears them
// through their typed signals and shows the model in them through their setters.
//
// The world, the run loop, frames, scenes and undo belong to a session (TSession)
// the window shows and sends commands to. Handlers are named after the control
// and event they serve, and take the value their signal carries; controls sharing
// a handler are told apart by an integer tag. Every handler reached from Qt runs
// through Handle(), which reports errors in a dialog: no exception crosses Qt's
// event loop.
//
// The cycles run on the world's thread while the window handles its messages.
// While the run goes on, a handler that changes the world waits in the track's
// inbox and takes effect at the next cycle's drawing step (any other waits for
// the cycle's end): the window reads and changes the world only when it meets the
// world. Each handler leaves the team, the track's player list and the goal sets
// consistent, since the cycle goes on with them.

#include <QColor>
#include <QList>
#include <QPair>
#include <QRect>
#include <QMainWindow>
#include <QString>

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <type_traits>
#include <vector>

#include "app/goal_panel.h"

class QAction;
class QComboBox;
class QBoxLayout;
class QLabel;
class QMenu;
class QMimeData;
class QSettings;
class QTimer;

namespace vorlanth {

class TAiBox;
class TChoosePlayerBox;
class TGoal;
class TGoalPanel;
class TImagePanel;
class TImageView;
class TMoveBox;
class TPlayer;
class TPlayerBox;
class TPlayerDock;
class TPlotHistory;
class TPlotsDock;
class TStartStopBox;
class TStatusLine;
class TSession;
class TTimelineBar;
class TTrack2D;
class TTrackBox;

struct TCrashReport;

// What the user answers when unsaved changes would be lost.
enum class TSaveAnswer { Save, Discard, Cancel };

// The window's modal dialogs. Each can be replaced (tests drive the window
// without any modal dialog); an empty one gets the Qt dialog.
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
  // File > "Record video…": the film's name (full path), or empty when cancelled.
  std::function<QString(const QString& folder)> SaveVideo;
  // ColorDialog: the chosen colour, or nothing when cancelled.
  std::function<std::optional<QColor>(const QColor& initial)> ChooseColor;
  // Help > About: shows the text.
  std::function<void(const QString& text)> ShowAbout;
  // "Save plot as PNG…": the chosen name (full path), or empty when cancelled.
  std::function<QString(const QString& folder)> SavePlot;
  // "Save command journal…": the journal's name (full path), or empty when cancelled.
  std::function<QString(const QString& folder)> SaveJournal;
  // File > "Save picture…": the PNG's name (full path), or empty when cancelled.
  std::function<QString(const QString& folder)> SavePicture;
  // A file the user named cannot be used: a plain message with the file and the reason.
  std::function<void(const QString& fileName, const QString& reason)> ShowFileProblem;
  // Help > "Keyboard shortcuts": each row a key and the command it gives.
  std::function<void(const QList<QPair<QString, QString>>& rows)> ShowShortcuts;
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
  static constexpr const char* Caption = "Vorlanth Test V2.0";  // after the scene's name
  static constexpr int MaxRecentFiles = 8;  // File > "Open recent"
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

  // The bench the window shows: its world, run loop, frames, scenes and undo.
  TSession& Session() const { return *session_; }
  // The world shown (the session's, or a past cycle the timeline shows) and its
  // selected player.
  TTrack2D& Track() const;
  TPlayer* SelectedPlayer() const;
  // The picture shown by ImgRoad (the circuit with everything drawn on it).
  const QImage& RoadImage() const;
  // Whether a run loop is in progress (Run may be down without one after an error).
  bool Running() const;
  // Whether a command is in progress: clicks and keys wait until it ends.
  bool InCommand() const;

  // The part of the screen the window may take (empty: the screen's available
  // geometry). Tests give it a screen's size.
  std::function<QRect()> ScreenArea;
  // Where the window remembers its settings and recent files (an INI file);
  // empty: the user's settings of the program. Tests point it elsewhere.
  QString SettingsFile;
  // The files last opened or saved, newest first (at most MaxRecentFiles).
  QStringList RecentFiles() const;
  // What the window remembers between runs (form_settings.cpp): geometry and
  // docks, Panel View, Debug flags, Threads, the dialogs' folders.
  void RestoreSettings();
  void SaveSettings() const;
  // Name, version, Qt version and build type, as Help > About shows them.
  static QString AboutText();
  // Adds what the window knows to a report: cycle, players, version, screenshot.
  void DescribeForReport(TCrashReport& report);

  // ---- Handlers: each takes the value its signal carries ----
  // Start-up, run loop, frames, circuit.
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
  void OpenFile(const QString& fileName);
  // `vorlanth FILE`: opens the scene or circuit as File > "Open…" does; a file
  // that is missing or of another kind is reported, and the built-in scene stays.
  void OpenGivenFile(const QString& fileName);
  void UseBuiltinCircuitClick();
  void SaveSceneClick();
  void SaveSceneAsClick();
  // Writes the command journal and the scene it starts from.
  void SaveJournalClick();
  void OpenRecentMenuShow();
  void OpenRecentClick(const QString& fileName);
  void SaveimagestofolderClick(bool checked);
  // Starts a film under a chosen name, or stops the one in progress.
  void RecordVideoClick(bool checked);
  void RestoreDefaultsClick();
  // File > New (the start scene) and File > Examples (a built-in scene by name).
  void NewClick();
  void ExampleClick(const QString& scene);
  void ShortcutsItemClick();
  void PlotsSaveClick();
  // Clicking the circuit selects the player nearest the point (circuit pixels).
  void ImgRoadMouseDown(double x, double y);
  // Panels.
  void EdSecondsChange(int seconds);
  void EdMinFuturesChange(int futures);
  // Between cycles: a cycle runs on one number of threads.
  void EdThreadsChange(int threads);
  void EdFrictionChange(double friction);
  void EdSideFrictionChange(double friction);
  void EdSizeChange(int size);
  void EdDeterminedChange(double determination);
  void EdRadioChange(int gridSize);
  void EdCollisionsClick(bool on);
  void EdSensitivityClick(bool on);
  void EdAutoRadioClick(bool on);
  void EdEvolutionClick(bool allowed);
  void EdColorClick();
  void EdPlayerIdChange(int index);
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
  // Goal panel.
  void UpdateGoals();
  void GoalStrengthChange(int tag, int position);
  void GoalReactionChange(int tag, int position);
  void GoalUrgencyChange(int tag, int position);
  // Menu commands.
  void BtnAddPlayerClick(int tag);
  void Addacircleofkarts1Click();
  void Addlotsofasteroids1Click();
  // An item of "Add goals" (form_goal_menu.cpp): gives the goal of the kind of that name.
  void AddGoalClick(const std::string& kind);
  void Runfast1Click();
  void Keepenergyhunger1Click();
  void Keephealth1Click();
  void Suckenergyfromplayersinfrontofyou1Click();
  void Addateamgoalforcollectingdrops1Click();
  void Addateamgoalforstoringcollecteddrops1Click();
  void AvoidOtherPlayersClick();
  void FollowMouseClick(int tag);  // 0 follows the cursor, 1 avoids it
  void DeleteallTeamsGoals1Click();
  void Deleteallplayerspersonalgoals1Click();
  void menuPlayerParamsClick();
  void EdDebugChange();
  // The view and the run's speed (form_view.cpp).
  void ViewFitClick();
  void ViewOneToOneClick();
  void ViewZoomClick(int tag);  // +1 in, -1 out, by one notch of the wheel
  void FollowSelectedClick(bool on);
  void EdSpeedChange(int index);
  void SpeedStepClick(int tag);  // -1 slower, +1 faster
  void SavePictureClick();
  // The timeline (form_timeline.cpp).
  void TimelineSliderChange(int place);
  void EdTimelineMemoryChange(int megabytes);

 protected:
  // Space and "." reach the run keys wherever the focus is in the window (a spin
  // box would take them), except in a text field, where they type.
  bool eventFilter(QObject* watched, QEvent* event) override;
  // With unsaved changes, asks Save / Discard / Cancel first, then closes if the
  // answer lets it.
  void closeEvent(QCloseEvent* event) override;
  // A scene or circuit file dropped on the window is opened.
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dropEvent(QDropEvent* event) override;

 private:
  // Building the window, one function per part.
  void BuildWindow();
  void BuildColumn(QWidget* column);
  void BuildMenus();
  // Edit > Undo or Redo, named after the step it undoes or redoes.
  QAction* EditItem(bool undo);
  // "Add goals": an item per kind of goal that has one, from the kinds' table.
  void BuildGoalItems(QMenu* menu);
  // Greys out the items of goals the selected player does not take.
  void ShowGoalItemsOffered();
  void BuildPlotsDock();
  void BuildViewParts();  // the speed box, the player dock
  // Makes room for the dock opening beside (or below) the circuit, within the screen.
  void FitDock(bool beside);
  void InstallDefaultDialogs();
  void ConnectSession();
  // Gives every control the name the form gives it, for reports and tests.
  void NameControls();
  // What each slider and box does, and its unit (form_tooltips.cpp).
  void AddTooltips();

  // Runs a handler reached from Qt as a command of the session: errors are
  // reported, never rethrown; a handler that changes the world marks the scene
  // modified and is one step of undo.
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
      // The values are kept: the handler may wait for the next drawing step.
      Handle([handler, args...] { handler(args...); }, CommandName(control ? control : box), changesWorld);
    });
  }
  // A control or menu item as a report names it: its name and caption.
  static QString CommandName(const QObject* sender);
  // Reports the exception in flight, which happened at `where`.
  void ReportError(const QString& where);

  // The cursor in circuit pixels.
  bool MousePosition(int32_t& x, int32_t& y) const;
  // The window's part of each cycle: the players born by splitting, the grid size.
  void AfterCycle();
  void ShowNewbornPlayers();
  // The selected player's numbers in the dock, when it shows (the world waits).
  void ShowPlayerNumbers();
  // Names the current team's players in SELECT PLAYER and shows the selected one.
  void FillPlayerList();
  // Shows the selected player and the track in the boxes, without writing back.
  void ShowModel();
  // ShowModel, and every check mark and box from the world (a new world).
  void ShowWorld();
  void ShowCircuit();
  void ShowRunning(bool running);
  void ShowRecording();
  // Finishes the film in progress; its error, if any, is thrown.
  void StopRecording();
  // The box that shows the goal under the tag.
  TGoalPanel::TBox GoalBox(int tag, const TGoal& goal) const;
  TGoal* GoalOfTag(int tag) const;

  // ---- Scenes and settings (form_scenes.cpp, form_settings.cpp) ----
  // Saves under the scene's name, or a chosen one; false when the user cancelled.
  bool SaveSceneNow(bool chooseName);
  // Asks what to do with unsaved changes (saving if told); false to stop.
  bool AskToSaveChanges();
  void ShowSceneFile(const QString& fileName);
  void AddRecentFile(const QString& fileName);
  void RemoveRecentFile(const QString& fileName);
  std::unique_ptr<QSettings> Settings() const;
  QList<QAction*> RememberedItems() const;  // Panel View and Debug
  // The timeline under the circuit: the places and the cycle shown, the past
  // cycle in the boxes and plots.
  void BuildTimeline(QBoxLayout* column);
  void ShowTimeline();
  void ShowShownCycle();
  // Adds the world as a scene to a report (or why it cannot be described).
  void DescribeSceneForReport(TCrashReport& report) const;
  // The one scene or circuit file the mime data carries, or empty.
  static QString DroppedFile(const QMimeData* data);
  QAction* Item(const char* name) const;  // a menu item by its name
  void BuildExamplesMenu(QMenu* menu);
  // The ring around the selected player, where the picture shown has it.
  void ShowSelectionMark();

  std::unique_ptr<TSession> session_;
  QString openFolder_;  // initial folders of the file dialogs
  QString saveFolder_;
  QList<QPair<QString, QString>> shortcutRows_;  // each key of the action table and the timeline, and its command
  bool restoreDefaults_ = false;  // nothing is saved on closing

  // The controls the window holds itself; the boxes hold theirs, the menus are
  // built from one table (form_menus.cpp) and found by name.
  QWidget* Panel3 = nullptr;
  TImagePanel* PanelImg = nullptr;
  TImageView* ImgRoad = nullptr;
  QWidget* Panel4 = nullptr;
  TStatusLine* StatusLine = nullptr;
  QLabel* RecordingLabel = nullptr;  // the red "REC mm:ss" while a film records
  TPlotsDock* PlotsDock = nullptr;
  TPlayerDock* PlayerDock = nullptr;
  QComboBox* EdSpeed = nullptr;  // the run's speed, in the status bar
  QMenu* OpenRecentMenu = nullptr;
  QTimer* ArrowTimer = nullptr;  // repeats the move of a held button
  int ArrowTimerTag = 0;         // the move the held button repeats
  TChoosePlayerBox* choose_ = nullptr;
  TAiBox* ai_ = nullptr;
  TTrackBox* trackBox_ = nullptr;
  TPlayerBox* playerBox_ = nullptr;
  TGoalPanel* goals_ = nullptr;
  TMoveBox* move_ = nullptr;
  TStartStopBox* startStop_ = nullptr;
  TTimelineBar* Timeline = nullptr;
  std::unique_ptr<TPlotHistory> pastPlots_;  // the plots up to a past cycle shown
};

}  // namespace vorlanth
