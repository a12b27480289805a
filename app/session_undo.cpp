// The session's undo: each step holds what its command changed (TWorldChange),
// or, for opening a scene or a circuit, the world or circuit it replaced. Undo
// and redo are commands: while running, a step's change waits for the next
// drawing step; a step that replaces the world or the circuit is undone between
// cycles, after the commands given before it.

#include <QUndoStack>

#include <utility>

#include "app/player_history.h"
#include "app/session.h"
#include "app/timeline.h"
#include "bench/world_change.h"
#include "bench/population.h"
#include "core/goal.h"
#include "core/player.h"
#include "core/team.h"
#include "render/qt_picture.h"
#include "world2d/track2d.h"

namespace vorlanth {

// One step: what a command changed.
class TStepCommand : public QUndoCommand {
 public:
  static constexpr int DragId = 1;  // steps of one drag merge into one

  TStepCommand(TSession& session, const QString& name, std::unique_ptr<TWorldChange> change, int gesture)
      : QUndoCommand(name), session_(session), change_(std::move(change)), gesture_(gesture) {}

  void undo() override {
    change_->Undo(*session_.track_, *session_.team_);
    session_.JournalRecord(text(), *change_, true);
    session_.AfterRestore(change_->ChangesPicture());
  }
  void redo() override {
    if (std::exchange(done_, false)) return;  // pushed once done
    change_->Redo(*session_.track_, *session_.team_);
    session_.JournalRecord(text(), *change_, false);
    session_.AfterRestore(change_->ChangesPicture());
  }
  int id() const override { return gesture_ >= 0 ? DragId : -1; }
  bool mergeWith(const QUndoCommand* other) override {
    const auto* next = static_cast<const TStepCommand*>(other);
    return next->gesture_ == gesture_ && next->text() == text() && change_->Merge(*next->change_);
  }

 private:
  TSession& session_;
  std::unique_ptr<TWorldChange> change_;
  int gesture_;  // the mouse press the command came in, or -1
  bool done_ = true;
};

// One step: the circuit replaced, kept here while it is not shown.
class TCircuitStep : public QUndoCommand {
 public:
  TCircuitStep(TSession& session, std::unique_ptr<QtPicture> other, TSceneCircuit circuit)
      : QUndoCommand(QStringLiteral("Open Circuit")), session_(session), other_(std::move(other)),
        circuit_(std::move(circuit)) {}
  void undo() override { Swap(); }
  void redo() override {
    if (!std::exchange(done_, false)) Swap();
  }

 private:
  void Swap() {
    TSceneCircuit shown = session_.circuit_;
    session_.track_->LoadFromImage(*other_);
    other_ = session_.ReplacePicture(std::move(other_), std::move(circuit_));
    circuit_ = std::move(shown);
    session_.StartJournal();
    session_.AfterRestore();
  }
  TSession& session_;
  std::unique_ptr<QtPicture> other_;
  TSceneCircuit circuit_;
  bool done_ = true;
};

// One step: the whole world replaced (a scene opened), kept here while away.
class TWorldStep : public QUndoCommand {
 public:
  TWorldStep(TSession& session, TSession::TWorldParts other, const QString& name)
      : QUndoCommand(name), session_(session), other_(std::move(other)) {}
  void undo() override { Swap(); }
  void redo() override {
    if (!std::exchange(done_, false)) Swap();
  }
  // The kept cycles that went with the world it keeps, and letting them go.
  size_t KeptBytes() const {
    size_t bytes = 0;
    for (const auto& kept : other_.Later) bytes += kept->Bytes;
    return bytes;
  }
  void ReleaseKept() { other_.Later.clear(); }

 private:
  void Swap() {
    // The random stream goes on from where it is: a step of undo never rewinds it,
    // except one that continued from a past cycle, which is the whole world's.
    const bool rewinds = other_.FromCycle >= 0;
    const TWorldRandom random = session_.track_->Random;
    other_ = session_.SwapWorld(std::move(other_));
    if (!rewinds) session_.track_->Random = random;
    session_.AfterRestore();
  }
  TSession& session_;
  TSession::TWorldParts other_;
  bool done_ = true;
};

void TSession::Keep(std::vector<std::unique_ptr<TPlayer>> players) {
  for (auto& player : players) keptPlayers_.push_back(std::move(player));
}

void TSession::Keep(std::unique_ptr<TPlayer> player) {
  if (player) keptPlayers_.push_back(std::move(player));
}

void TSession::Keep(std::vector<std::unique_ptr<TGoal>> goals) {
  for (auto& goal : goals) keptGoals_.push_back(std::move(goal));
}

void TSession::RunRecorded(const QString& name, const std::function<void()>& command) {
  const TWorldFacts before = TWorldFacts::Take(*track_, *team_);
  recording_ = true;
  try {
    command();
  } catch (...) {
    // What it did before failing is a step all the same: nothing is lost.
    recording_ = false;
    RecordChange(name, before);
    throw;
  }
  recording_ = false;
  RecordChange(name, before);
}

void TSession::RecordChange(const QString& where, const TWorldFacts& before) {
  std::unique_ptr<TWorldChange> change = TWorldChange::Between(
      before, TWorldFacts::Take(*track_, *team_), std::exchange(keptPlayers_, {}), std::exchange(keptGoals_, {}));
  // Every command is in the journal, a change or not (a place searched for in
  // vain still drew from the random stream); the steps of a drag each.
  JournalRecord(where, *change, false);
  if (change->Empty()) return;
  const QString name = StepName(where, *change);
  undo_->push(new TStepCommand(*this, name, std::move(change), commandGesture_));
}

QString TSession::StepName(const QString& where, const TWorldChange& change) const {
  QString name = QString::fromStdString(change.Name());
  if (name == QLatin1String(FieldName(TField::Selected)) && team_->Selected)
    return QStringLiteral("Select Player #%1").arg(team_->IndexOf(team_->Selected) + 1);
  if (!name.isEmpty()) return name;
  // The control's caption when it has one ("Add a circle of karts"), else its name.
  static const std::pair<const char*, const char*> kNames[] = {
      {"BtnAddPlayer", "Add Kart"}, {"SpeedButton7", "Add Rocket"}, {"BtnReset", "Reset"},
      {"EdEvolution", "Evolution"}, {"EdColor", "Colour"},
  };
  for (const auto& [control, caption] : kNames)
    if (where.startsWith(QLatin1String(control) + QLatin1Char(' ')) || where == QLatin1String(control))
      return QString::fromLatin1(caption);
  name = where;
  const qsizetype open = where.indexOf(QLatin1Char('"'));
  const qsizetype close = where.lastIndexOf(QLatin1Char('"'));
  if (open >= 0 && close > open) name = where.mid(open + 1, close - open - 1);
  name.remove(QLatin1Char('&'));
  if (const qsizetype details = name.indexOf(QStringLiteral(" (")); details > 0) name.truncate(details);
  return name;
}

void TSession::PushWorldStep(TWorldParts old, const QString& name) {
  undo_->push(new TWorldStep(*this, std::move(old), name));
}

void TSession::ReleaseKeptInSteps(size_t room) {
  std::vector<TWorldStep*> steps;
  size_t held = 0;
  for (int i = 0; i < undo_->count(); ++i) {
    if (auto* step = dynamic_cast<TWorldStep*>(const_cast<QUndoCommand*>(undo_->command(i)))) {
      held += step->KeptBytes();
      steps.push_back(step);
    }
  }
  for (TWorldStep* step : steps) {  // the oldest first
    if (held <= room) break;
    held -= step->KeptBytes();
    step->ReleaseKept();
  }
}

void TSession::ReplaceCircuit(std::unique_ptr<QtPicture> picture, TSceneCircuit circuit) {
  if (shown_) ContinueFromShown();  // the circuit goes under the world shown
  track_->LoadFromImage(*picture);  // raises before changing anything
  TSceneCircuit shown = circuit_;
  std::unique_ptr<QtPicture> old = ReplacePicture(std::move(picture), std::move(circuit));
  undo_->push(new TCircuitStep(*this, std::move(old), std::move(shown)));
  StartJournal();
  Redraw();
}

void TSession::AfterRestore(bool redraw) {
  plotHistory_->KeepOnly(*track_);
  // A value the picture does not show leaves it as the last cycle drew it.
  if (redraw) Redraw();
  emit Restored();
}

namespace {

// Whether the step replaces the world or its circuit: undone between cycles.
bool KeepsAWorld(const QUndoCommand* step) { return step && !dynamic_cast<const TStepCommand*>(step); }

}  // namespace

void TSession::Undo() {
  ShowLive();  // the world itself, not a kept cycle, is undone
  const bool world = KeepsAWorld(undo_->command(undo_->index() - 1));
  if (world && WorldBusy()) {  // between cycles, once the cycle in progress has ended
    Defer(QStringLiteral("Undo"), [this] { Undo(); }, false, -1);
    return;
  }
  if (world) track_->Inbox.Apply();  // the commands given before it first
  Command(QStringLiteral("Undo"), [this] { undo_->undo(); }, false, !world);
  ReportApplied();
}

void TSession::Redo() {
  ShowLive();
  const bool world = KeepsAWorld(undo_->command(undo_->index()));
  if (world && WorldBusy()) {
    Defer(QStringLiteral("Redo"), [this] { Redo(); }, false, -1);
    return;
  }
  if (world) track_->Inbox.Apply();
  Command(QStringLiteral("Redo"), [this] { undo_->redo(); }, false, !world);
  ReportApplied();
}

}  // namespace vorlanth
