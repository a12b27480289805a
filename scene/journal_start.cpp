// The scene a journal starts from, written beside the journal.

#include <QByteArray>
#include <QDir>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSaveFile>
#include <QString>

#include "core/error.h"
#include "render/output_file.h"
#include "scene/journal.h"
#include "world2d/track2d.h"

namespace vorlanth {

namespace {

// "run.vorlanth-journal.json" gives "run.start.vorlanth.json".
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

void TJournalStart::Take(const TTrack2D& track, const TSceneCircuit& circuit) {
  // Its circuit named from the working folder: named again from the journal's when saved.
  folder_ = EncodeFileName(QDir::currentPath());
  document_ = SceneDocument(track, circuit, EncodeFileName(QDir(DecodeFileName(folder_)).filePath(QStringLiteral("start.json"))));
}

std::string TJournalStart::Save(const TJournal& journal, const std::string& journalFile) const {
  const QString startName = StartSceneName(DecodeFileName(journalFile));
  QJsonObject start = QJsonDocument::fromJson(document_).object();
  QJsonObject circuit = start[QStringLiteral("circuit")].toObject();
  if (circuit.contains(QStringLiteral("path"))) {
    const QString absolute = QDir(DecodeFileName(folder_)).absoluteFilePath(circuit[QStringLiteral("path")].toString());
    circuit[QStringLiteral("path")] = QFileInfo(startName).absoluteDir().relativeFilePath(absolute);
    start[QStringLiteral("circuit")] = circuit;
  }
  const std::string startFile = EncodeFileName(startName);
  const std::string failure = "Cannot write the journal's start scene \"" + startFile + "\": ";
  QSaveFile file(OutputName(startFile, failure));
  if (!file.open(QIODevice::WriteOnly)) throw Error(failure + file.errorString().toStdString());
  file.write(QJsonDocument(start).toJson(QJsonDocument::Indented));
  if (!file.commit()) throw Error(failure + file.errorString().toStdString());
  journal.Save(journalFile);
  return startFile;
}

}  // namespace vorlanth
