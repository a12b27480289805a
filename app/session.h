#pragma once
// The bench apart from its widgets: the world (the circuit's picture, the track,
// its team and the population commands), the plots' history, the run loop, frame
// saving, scenes and the undo stack. The window shows a session and sends it
// commands with values; nothing here knows of a widget.
//
// The world's thread. A run's cycles go on a thread of their own, which meets the
// window at the drawing step and after each cycle (session_run.cpp); only in a
// meeting does the window read or change the world, and it never waits for it.
//
// Commands. Everything that may change the world runs through Command(). While
// cycles run, a change of the world waits in the track's inbox for the next
// cycle's drawing step and takes effect there; any other command (Run, Step,
// open, save, a film, closing) waits for the end of the cycle in progress.
// Paused, every command takes effect at once. What a command changed (values
// before and after, players and goals added or removed: TWorldChange) is its step
// of undo; a command that changes nothing is no step. Undo and redo are commands
// too. A world opened, new, or gone on from a past cycle, and another circuit,
// are the steps that keep the whole world (or circuit) they replaced.

#include <QByteArray>
#include <QObject>
#include <QString>

#include <QImage>

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <exception>
#include <mutex>
#include <thread>
#include <functional>
#include <memory>
#include <vector>

#include "app/video_recorder.h"
#include "app/session_parts.h"
#include "scene/journal.h"
#include "scene/scene.h"

class QUndoStack;

namespace vorlanth {

class QtCanvas;
class QtPicture;
class TGoal;
class TPlayer;
class TPlotHistory;
class TPopulation;
class TTeam;
class TTimeline;
struct TKeptCycle;
class TTrack2D;
class TWorldChange;
struct TWorldFacts;

class TSession : public QObject {
  Q_OBJECT

 public:
  static constexpr int32_t FirstFrame = 1;
  static constexpr int UndoLimit = 100;  // steps kept
  static constexpr int32_t DesignedWidth = 800;  // the built-in circuit
  static constexpr int32_t DesignedHeight = 600;

  explicit TSession(QObject* parent = nullptr);
  ~TSession() override;

  // ---- What the owner installs ----
  // Reports the exception in flight, which happened at `where` (the window's dialog).
  std::function<void(const QString& where)> ReportError;
  // The cursor in circuit pixels, or false when it is not over the circuit.
  std::function<bool(int32_t& x, int32_t& y)> ReadMouse;

  // ---- The world ----
  TTrack2D& Track() const { return *track_; }
  TTeam* CurrentTeam() const;
  TPlayer* SelectedPlayer() const;
  TPopulation& Population() const { return *population_; }
  QtPicture& Picture() const { return *picture_; }
  QtCanvas& Canvas() const { return *canvas_; }
  // The picture as last shown: a copy, which the window paints while the world
  // draws the next one.
  const QImage& Frame() const { return frame_; }
  const TPlotHistory& PlotHistory() const { return *plotHistory_; }
  // Where the circuit came from (a picture file, or built in when empty).
  const TSceneCircuit& Circuit() const { return circuit_; }
  // Cycles the world has run: since start-up, or the opened scene's count.
  int64_t CycleCount() const { return cycleCount_; }
  // The built-in start-up scene on the built-in circuit, on `threads` threads.
  void Start(int32_t threads);

  // ---- Commands ----
  // Runs a command; its errors go to ReportError, never further. A change of the
  // world (changesWorld) given while cycles run waits for the next drawing step,
  // unless `waits` is false; that one, and any command that is no change, waits
  // for the end of the cycle in progress (a command that replaces the world).
  void Command(const QString& name, std::function<void()> command, bool changesWorld = true);
  void Command(const QString& name, std::function<void()> command, bool changesWorld, bool waits);
  bool InCommand() const { return commandDepth_ > 0; }
  // Whether a cycle is computing on the world's thread: the window may not read
  // the world now (its commands wait).
  bool WorldBusy() const { return runDepth_ > 0 && serving_ == 0; }
  // Commands waiting for the next drawing step.
  size_t WaitingCommands() const;
  // What the command in progress took out of the world, kept for its step of undo.
  void Keep(std::vector<std::unique_ptr<TPlayer>> players);
  void Keep(std::unique_ptr<TPlayer> player);
  void Keep(std::vector<std::unique_ptr<TGoal>> goals);
  // The Edit menu's commands: while running, they wait for the next drawing step.
  void Undo();
  void Redo();
  // Redraws the track: at once between commands, once at the end of a command.
  void Redraw();
  // The mouse presses seen so far: the steps of undo made while a button stays
  // down (a drag) merge into one.
  int Gesture = 0;

  // ---- The run loop ----
  // Cycles on the world's thread while goOn() says so, handling the window's
  // messages meanwhile; returns once the run has stopped. After each cycle, in
  // the window: `between` (the window's part), the reports of the commands
  // applied in it, CycleDone, the frame shown, saved and recorded, then the
  // commands that waited for the cycle's end. An error stops the run and is
  // reported. While a run goes on, another RunLoop returns at once: the run in
  // progress is the one.
  void RunLoop(const std::function<bool()>& goOn, const std::function<void()>& between);
  // Whether a run loop is in progress.
  bool Running() const { return runDepth_ > 0; }
  // Run pressed: the world's random stream seeded from the clock, and the
  // players' states stored, to come back to at Reset.
  void BeginRun();
  // Ends the picture's painting and, when it was drawn on, takes the frame to
  // show and says FrameShown.
  void ShowFrame();

  // ---- Speed (session_pace.cpp) ----
  // The run's pace as a multiple of real time: 1 is one cycle per StepMs of the
  // world's clock (the passes' own budget makes a cycle that long already), 0.1
  // ten times slower; AsFast: as fast as the cycles go. A cycle quicker than its
  // share waits on the world's thread (never in the window) until its time, a
  // command that waits for the cycle's end, Pause or another speed.
  static constexpr double RealTime = 1;
  static constexpr double SlowestSpeed = 0.1;
  static constexpr double AsFast = 0;
  void SetSpeed(double speed);  // clamped to [SlowestSpeed, RealTime], or AsFast
  double Speed() const { return speed_; }
  // The time a cycle takes at least at this speed, in ms of the world's clock; 0: none.
  double PaceTargetMs() const;
  // Wakes a run that waits for its pace, to ask the window whether it goes on.
  void WakeRun();

  // ---- Frames ----
  bool SavingFrames = false;
  QString FramePrefix;  // the frame files' prefix (a full path)
  int32_t FrameCounter = FirstFrame;
  // The film being recorded: each cycle of a run adds its picture.
  TVideoRecorder Video;
  // Name of a frame file: prefix + "_" + counter as "%5.5d" + ".bmp".
  static QString FrameFileName(const QString& prefix, int32_t counter);
  // Reset: the players back to their stored states, the frames and plots anew.
  void Reset();

  // ---- Circuits and scenes ----
  // A .BMP circuit replaces the circuit (a bad one changes nothing); other names are ignored.
  void LoadCircuit(const QString& fileName);
  // The circuit stored with the program, after another was loaded.
  void UseBuiltinCircuit();
  // Reads the scene into a new world and swaps it in once the whole file was read
  // (a bad file changes nothing). `mayReplace` is asked last: false keeps the world.
  void OpenScene(const QString& fileName, const std::function<bool()>& mayReplace = {});
  void SaveScene(const QString& fileName);
  // A new untitled world: a built-in scene (BuiltinSceneNames) on the built-in
  // circuit, built as the runner builds it; one step of undo named `stepName`.
  // `mayReplace` is asked last: false keeps the world.
  void OpenBuiltinScene(const QString& name, const QString& stepName, const std::function<bool()>& mayReplace = {});
  // The scene's file, empty while it is "untitled"; its caption's name.
  QString SceneFile() const { return sceneFile_; }
  QString SceneName() const;
  // Modified: a step of undo away from the scene as saved or opened, or cycles run since.
  bool Modified() const { return modified_; }
  // False: the world as it is now is the scene's (saved, opened, or where a test starts).
  void SetModified(bool modified);

  // ---- Undo ----
  QUndoStack& UndoStack() const { return *undo_; }

  // ---- The command journal (session_journal.cpp) ----
  // Every command the world applied since it was started, opened, given another
  // circuit or reset, and the passes each cycle ran.
  const TJournal& Journal() const { return journal_; }
  // Writes the journal, and beside it the scene it starts from
  // (<name>.start.vorlanth.json, returned): `vorlanth-sim --scene <start>
  // --commands <journal>` replays them to the same world. Raises with the reason.
  QString SaveJournal(const QString& fileName);

  // ---- The timeline (session_timeline.cpp) ----
  // The world's values after each cycle, to show and to go on from (paused).
  // The slider's places: the kept cycles before the world's own, then the world.
  const TTimeline& Timeline() const { return *timeline_; }
  // The most the kept cycles may take, in bytes (older cycles are thinned).
  void SetTimelineBudget(size_t bytes);
  int32_t TimelinePlaces() const;
  int32_t ShownPlace() const;
  // Paused: shows a kept cycle (its picture redrawn), or the world itself at the
  // last place; ShownCycleChanged tells. While running the world itself is shown.
  void ShowPlace(int32_t place);
  void ShowLive();
  bool ShowingPast() const { return shown_ != nullptr; }
  int64_t ShownCycle() const;
  // The world shown: the world itself, or a kept cycle's values (only to read:
  // any command first continues from the cycle shown).
  TTrack2D& ShownTrack() const;

  // The world's parts, as a step that replaces the world keeps them.
  using TWorldParts = vorlanth::TWorldParts;

 signals:
  void WorldReplaced();        // another track and team: show them anew
  void CircuitReplaced();      // another picture (maybe of another size)
  void PlayerAdded();          // a player joined the team through the population
  void FrameShown();           // the picture was drawn on: show it
  void CycleDone(double cycleMs);  // a cycle ended (counted)
  void FrameRecorded();        // the film took the cycle's picture
  void CommandDone();          // the outermost command ended (or those applied in a cycle)
  void WaitingApplied();       // commands that waited for a drawing step took effect
  void RunStopped(int64_t cycle, const QString& reason);  // an error ended the run
  void ModifiedChanged(bool modified);
  void Restored();             // an undo or redo changed the world: show it anew
  void SceneFileChanged(const QString& name);
  void WorldLeft();            // (from the world's thread) its loop has ended
  void TimelineChanged();      // a cycle kept, or the kept cycles changed
  void ShownCycleChanged(int64_t cycle);  // another world shown: a kept cycle or the world's own

 private:
  // ---- The journal ----
  // A new journal, from the world as it is now.
  void StartJournal();
  // The command just applied, with what it changed.
  void JournalRecord(const QString& name, const TWorldChange& change, bool undo, bool commit = false);
  // Runs a command whose change is not compared; the journal keeps where it left
  // the world's random stream.
  void RunJournaled(const QString& name, const std::function<void()>& command);

  // ---- The world's thread (session_run.cpp) ----
  // The run's body on the world's thread: cycles, each followed by a meeting.
  void WorldLoop(const std::function<bool()>& goOn, const std::function<void()>& between);
  // One cycle on the world's thread; returns its time in ms.
  double CycleOnce();
  // In the window, after a cycle: counts and records it, shows it, saves and
  // records its frame, runs the commands that waited; says whether to go on.
  bool AfterCycle(double cycleMs, const std::function<bool()>& goOn, const std::function<void()>& between);
  // In the window: the commands that waited for the cycle's end, the cursor for
  // the next one; whether to go on.
  bool AskGoOn(const std::function<bool()>& goOn);
  // On the world's thread, before a cycle: the world's clock when the cycle may
  // have to wait for its pace, else NoPaceStart (no reading of the clock).
  static constexpr int64_t NoPaceStart = INT64_MIN;
  int64_t PaceStartMs();
  // On the world's thread, after a cycle begun at `startMs` of the world's clock:
  // waits out the rest of its share of time, meeting the window when woken and
  // once the time is up; says whether to go on.
  bool Pace(int64_t startMs, const std::function<bool()>& goOn);
  // From the world's thread: runs `work` in the window and waits for it (at once
  // when called in the window). Its error is rethrown here.
  void Meet(const std::function<void()>& work);
  // In the window: runs the meeting the world waits in, if any.
  void Serve();
  // In the window, once the event loop of a run has ended: stops the world after
  // its cycle, meeting it until it has.
  void StopWorld();
  // Runs a command at once (paused, or in a meeting with the world).
  void RunNow(const QString& name, const std::function<void()>& command, bool changesWorld, int gesture);
  // A command that waits for the end of the cycle in progress.
  void Defer(const QString& name, std::function<void()> command, bool changesWorld, int gesture);
  // The commands that waited for the end of a cycle, at once.
  void RunDeferred();
  // Reads the cursor for the cycle about to run (in the window).
  void ReadMouseForCycle();
  // Reports the error that ended the run.
  void ReportRunError(std::exception_ptr error);
  // A command taken from the inbox, at the drawing step or once the run has stopped.
  void ApplyWaiting(const QString& name, const std::function<void()>& command, bool recorded, int gesture,
                    bool atDrawingStep);
  // Applies what waits in the inbox and what waited for the cycle's end (the run
  // has stopped), then reports.
  void ApplyWaitingNow();
  // Reports the errors of the commands applied from the inbox, and tells the window.
  void ReportApplied();
  void SaveFrame();
  void RecordFrame();
  // What the session installs on its track: the canvas and the mouse.
  void InstallOnTrack();
  bool MousePosition(int32_t& x, int32_t& y);
  // A step that keeps the world replaced (opening a scene, a new or example world,
  // continuing from a past cycle).
  void PushWorldStep(TWorldParts old, const QString& name);
  // Loads the picture as the circuit (raises before changing anything): one step.
  void ReplaceCircuit(std::unique_ptr<QtPicture> picture, TSceneCircuit circuit);
  // After an undo or redo: forget what left, redraw, tell the window.
  void AfterRestore(bool redraw = true);
  // Puts the world's parts in, handing back those it replaces (nothing here throws).
  TWorldParts SwapWorld(TWorldParts parts);
  // Replaces the world by the one read: one step of undo, keeping the world before.
  void SwapInWorld(std::unique_ptr<TTrack2D> track, std::unique_ptr<TTeam> team, TSceneRead read,
                   const QString& stepName = QStringLiteral("Open Scene"));
  // Shows another picture; hands back the one it replaces.
  std::unique_ptr<QtPicture> ReplacePicture(std::unique_ptr<QtPicture> picture, TSceneCircuit circuit);
  void SetSceneFile(const QString& fileName);
  // A command of the window, around which the world's facts are compared.
  // A command's own work: compared around it when it changes the world (and is the
  // outermost), then the plots keep only the players left.
  void RunBody(const QString& name, const std::function<void()>& command, bool changesWorld);
  void RunRecorded(const QString& name, const std::function<void()>& command);
  // Pushes the step of what changed since `before` (nothing when nothing did).
  void RecordChange(const QString& where, const TWorldFacts& before);
  // The step's name in the Edit menu.
  QString StepName(const QString& where, const TWorldChange& change) const;
  void UpdateModified();
  void Report(const QString& where);
  // ---- The timeline ----
  // After a cycle (and before a run's first): the world's values kept.
  void KeepCycle();
  // Before a command given while a kept cycle is shown: the world becomes its copy
  // and the later kept cycles go, one step of undo.
  void ContinueFromShown();
  // Draws what is shown: the kept cycle, or the world as its last cycle left it.
  void DrawShown();
  // The kept cycles steps of undo hold beyond `room` bytes go, the oldest steps' first;
  // KeepWithinBudget leaves them the room the timeline leaves.
  void ReleaseKeptInSteps(size_t room);
  void KeepWithinBudget();

  friend class TStepCommand;
  friend class TCircuitStep;
  friend class TWorldStep;

  // The picture, the canvas drawing on it, then the model (destroyed in reverse
  // order: the model before the picture it draws on).
  std::unique_ptr<QtPicture> picture_;
  std::unique_ptr<QtCanvas> canvas_;
  std::unique_ptr<TTrack2D> track_;
  std::unique_ptr<TTeam> team_;
  std::unique_ptr<TPopulation> population_;
  std::unique_ptr<TPlotHistory> plotHistory_;  // every player's last cycles, for the plots
  std::unique_ptr<TTimeline> timeline_;        // the world's values after each cycle
  std::shared_ptr<TKeptCycle> shown_;          // the kept cycle shown, or none: the world itself
  QImage frame_;  // the picture as last shown
  TJournal journal_;
  TJournalStart journalStart_;  // the scene the journal starts from
  bool atDrawingStep_ = false;  // the commands applied now take effect at the cycle's drawing step
  bool restartJournal_ = false;  // a new journal once the cycle in progress has ended
  TSceneCircuit circuit_;
  QString sceneFile_;
  bool modified_ = false;
  int64_t cycleCount_ = 0;

  int commandDepth_ = 0;   // commands in progress (outside the run loop's own level)
  int runDepth_ = 0;       // 1 while a run loop is in progress
  int serving_ = 0;        // meetings with the world in progress (the world waits)
  bool redrawPending_ = false;   // the command in progress asked for a redraw
  const char* phase_ = nullptr;  // the run loop's phase in progress, for reports
  // The world's thread and its meetings with the window.
  std::thread world_;
  std::thread::id windowThread_;
  std::mutex meetMutex_;
  std::condition_variable meetChanged_;
  const std::function<void()>* meeting_ = nullptr;  // the work the world waits for
  bool meetingTaken_ = false;
  bool meetingDone_ = false;
  std::exception_ptr meetingError_;
  bool worldDone_ = false;         // the world's thread has left its loop
  std::exception_ptr worldError_;  // what ended it
  std::atomic<bool> stopWorld_ = false;  // the run stops after the cycle in progress
  // The pace: written in the window under paceMutex_, read under it by the world.
  std::mutex paceMutex_;
  std::condition_variable paceChanged_;
  double speed_ = RealTime;
  bool paceWake_ = false;  // the window has something for a world waiting for its pace
  std::vector<TDeferredCommand> deferred_;  // commands waiting for the end of the cycle
  int applying_ = 0;             // commands from the inbox in progress
  std::vector<TCommandFailure> failures_;  // of commands applied in a cycle, reported after it
  bool appliedWaiting_ = false;     // commands from the inbox took effect since the last report
  QUndoStack* undo_ = nullptr;
  bool ranSinceClean_ = false;   // cycles ran since the scene was saved or opened
  std::vector<std::unique_ptr<TPlayer>> keptPlayers_;  // taken out by the command in progress
  std::vector<std::unique_ptr<TGoal>> keptGoals_;
  bool recording_ = false;       // a recorded command is in progress
  int commandGesture_ = -1;      // the drag the command in progress came in, or -1
  bool mouseRead_ = false;       // the cursor has been read for this frame
  bool mouseOk_ = false;
  int32_t mouseX_ = -1;
  int32_t mouseY_ = -1;
};

}  // namespace vorlanth
