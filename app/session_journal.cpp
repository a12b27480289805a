// The session's command journal: every command the world applied since the world
// was started, opened, given another circuit or reset, with the passes each cycle
// ran; saved with the scene it starts from, the runner replays it
// (`vorlanth-sim --scene <start> --commands <journal>`) to the same world.

#include <QDir>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSaveFile>

#include <algorithm>
#include <iterator>

#include "app/session.h"
#include "core/error.h"
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

// The start scene's name beside the journal's: "run.vorlanth-journal.json" gives
// "run.start.vorlanth.json".
QString StartSceneName(const QString& journalFile) {
  QString base = journalFile;
  for (const QString& suffix : {QStringLiteral(".vorlanth-journal.json"), QStringLiteral(".json")}) {
    if (base.endsWith(suffix, Qt::CaseInsensitive)) {
      base.chop(suffix.size());
      break;
    }
  }
  return base + QStringLiteral(".start") + QString::fromLatin1(SceneExtension);
}

}  // namespace

void TSession::StartJournal() {
  journal_ = TJournal();
  // Its circuit named from the working folder: moved beside the journal when saved.
  journalFolder_ = QDir::currentPath();
  journalStart_ = SceneDocument(*track_, circuit_, EncodeFileName(QDir(journalFolder_).filePath(QStringLiteral("start.json"))));
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
  const QString startName = StartSceneName(fileName);
  QJsonObject start = QJsonDocument::fromJson(journalStart_).object();
  QJsonObject circuit = start[QStringLiteral("circuit")].toObject();
  if (circuit.contains(QStringLiteral("path"))) {
    const QString absolute = QDir(journalFolder_).absoluteFilePath(circuit[QStringLiteral("path")].toString());
    circuit[QStringLiteral("path")] = QFileInfo(startName).absoluteDir().relativeFilePath(absolute);
    start[QStringLiteral("circuit")] = circuit;
  }
  const std::string startFile = EncodeFileName(startName);
  const std::string failure = "Cannot write the journal's start scene \"" + startFile + "\": ";
  QSaveFile file(OutputName(startFile, failure));
  if (!file.open(QIODevice::WriteOnly)) throw Error(failure + file.errorString().toStdString());
  file.write(QJsonDocument(start).toJson(QJsonDocument::Indented));
  if (!file.commit()) throw Error(failure + file.errorString().toStdString());
  journal_.Save(EncodeFileName(fileName));
  return startName;
}

}  // namespace vorlanth
