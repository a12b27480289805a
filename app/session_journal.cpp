// The session's command journal: every command the world applied since the world
// was started, opened, given another circuit or reset, with the passes each cycle
// ran; saved with the scene it starts from, the runner replays it
// (`vorlanth-sim --scene <start> --commands <journal>`) to the same world.

#include <algorithm>
#include <iterator>

#include "app/session.h"
#include "core/team.h"
#include "render/output_file.h"
#include "world2d/track2d.h"

namespace vorlanth {

namespace {

bool SameRandom(const TWorldRandom& a, const TWorldRandom& b) {
  return a.Seed == b.Seed && std::equal(std::begin(a.Stream.State.s), std::end(a.Stream.State.s), std::begin(b.Stream.State.s)) &&
         a.Stream.HasSpareGauss == b.Stream.HasSpareGauss &&
         (!a.Stream.HasSpareGauss || a.Stream.SpareGauss == b.Stream.SpareGauss);
}

}  // namespace

void TSession::StartJournal() {
  journal_ = TJournal();
  journalStart_.Take(*track_, circuit_);
}

void TSession::JournalRecord(const QString& name, const TWorldChange& change, bool undo, bool commit) {
  journal_.Record(track_->CycleCount, atDrawingStep_ ? TJournalPoint::Drawing : TJournalPoint::Between,
                  name.toStdString(), change, undo, *track_, *team_, commit);
}

void TSession::BeginRun() {
  track_->Random.SeedFromClock();
  for (TTeam* team : track_->Teams) team->CommitStates();
  JournalRecord(QStringLiteral("Run"), TWorldChange(), false, true);
}

void TSession::RunJournaled(const QString& name, const std::function<void()>& command) {
  // A command that is no change of the world may still draw from its random
  // stream (Run seeds it afresh): the journal keeps where the stream stands.
  const TTrack2D* track = track_.get();
  const TWorldRandom before = track_->Random;
  const size_t records = journal_.Records().size();
  command();
  if (track_.get() == track && journal_.Records().size() == records && !SameRandom(before, track_->Random))
    JournalRecord(name, TWorldChange(), false);
}

QString TSession::SaveJournal(const QString& fileName) {
  if (shown_) ContinueFromShown();
  return DecodeFileName(journalStart_.Save(journal_, EncodeFileName(fileName)));
}

}  // namespace vorlanth
