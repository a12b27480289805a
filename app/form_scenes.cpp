// The window's scenes: File > "Open…" (a scene or a circuit picture), "Save
// scene", "Save scene as…", "Open recent", files dropped on the window, the
// caption with the scene's name and its unsaved-changes mark, the question
// before closing, and the scene a crash report carries.
//
// The session reads and writes the scenes; the window asks for the names, keeps
// the recent files and asks before unsaved changes would be lost.

#include <QCloseEvent>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QMenu>
#include <QMimeData>
#include <QSettings>
#include <QStandardPaths>
#include <QStatusBar>
#include <QTimer>
#include <QUrl>

#include "app/ai_box.h"
#include "app/crash_report.h"
#include "app/file_problem.h"
#include "app/form_test2d.h"
#include "app/session.h"
#include "app/start_stop_box.h"
#include "app/status_line.h"
#include "app/widgets.h"
#include "bench/population.h"
#include "core/error.h"
#include "core/random.h"
#include "core/team.h"
#include "render/output_file.h"
#include "render/qt_canvas.h"
#include "render/qt_picture.h"
#include "world2d/track2d.h"

namespace vorlanth {

namespace {

constexpr char kRecentFilesKey[] = "recentFiles";

bool IsCircuitFileName(const QString& name) {
  return QFileInfo(name).suffix().compare(QStringLiteral("bmp"), Qt::CaseInsensitive) == 0;
}

}  // namespace

// ---------------------------------------------------------------------------
// Caption and recent files.

void TFormTest2D::ShowSceneFile(const QString& fileName) {
  // "[*]" shows as "*" while the window is marked modified.
  const QString name = fileName.isEmpty() ? QStringLiteral("untitled") : QFileInfo(fileName).fileName();
  setWindowTitle(QStringLiteral("%1[*] - %2").arg(name, QString::fromLatin1(Caption)));
}

std::unique_ptr<QSettings> TFormTest2D::Settings() const {
  if (!SettingsFile.isEmpty()) return std::make_unique<QSettings>(SettingsFile, QSettings::IniFormat);
  // Where Qt keeps the program's settings (and, in Qt's test mode, a test folder).
  const QString folder = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
  return std::make_unique<QSettings>(folder + QStringLiteral("/Vorlanth/Vorlanth.conf"), QSettings::IniFormat);
}

QStringList TFormTest2D::RecentFiles() const {
  QStringList files = Settings()->value(QString::fromLatin1(kRecentFilesKey)).toStringList();
  files.removeAll(QString());
  return files.mid(0, MaxRecentFiles);
}

void TFormTest2D::AddRecentFile(const QString& fileName) {
  const QString path = QFileInfo(fileName).absoluteFilePath();
  QStringList files = RecentFiles();
  files.removeAll(path);
  files.prepend(path);
  Settings()->setValue(QString::fromLatin1(kRecentFilesKey), files.mid(0, MaxRecentFiles));
}

void TFormTest2D::RemoveRecentFile(const QString& fileName) {
  QStringList files = RecentFiles();
  files.removeAll(fileName);
  Settings()->setValue(QString::fromLatin1(kRecentFilesKey), files);
}

void TFormTest2D::OpenRecentMenuShow() {
  // Filled as it opens: another window may have changed the list meanwhile.
  OpenRecentMenu->clear();
  const QStringList files = RecentFiles();
  if (files.isEmpty()) OpenRecentMenu->addAction(QStringLiteral("(none)"))->setEnabled(false);
  for (int i = 0; i < files.size(); ++i) {
    const QString file = files[i];
    QAction* item = OpenRecentMenu->addAction(
        QStringLiteral("&%1 %2").arg(i + 1).arg(QDir::toNativeSeparators(file).replace(QLatin1Char('&'), QStringLiteral("&&"))));
    item->setObjectName(QStringLiteral("OpenRecent%1").arg(i + 1));
    On(item, &QAction::triggered, [this, file] { OpenRecentClick(file); }, false);
  }
}

void TFormTest2D::OpenRecentClick(const QString& fileName) {
  if (!QFileInfo(fileName).isFile()) {
    RemoveRecentFile(fileName);
    throw TFileProblem(fileName, "Cannot open \"" + fileName.toStdString() +
                                     "\": the file is no longer there (it is taken off the recent files).");
  }
  OpenFile(fileName);
}

// ---------------------------------------------------------------------------
// Opening.

void TFormTest2D::Loadcircuit800x600BMP1Click() {
  const QString fileName = Dialogs.OpenPicture(openFolder_);
  if (fileName.isEmpty()) return;
  openFolder_ = QFileInfo(fileName).absolutePath();
  OpenFile(fileName);
}

void TFormTest2D::OpenFile(const QString& fileName) {
  if (IsSceneFileName(EncodeFileName(fileName))) {
    session_->OpenScene(fileName, [this] { return AskToSaveChanges(); });
    return;
  }
  const QString before = QString::fromStdString(session_->Circuit().Path);
  session_->LoadCircuit(fileName);
  if (QString::fromStdString(session_->Circuit().Path) != before) AddRecentFile(fileName);
}

void TFormTest2D::OpenGivenFile(const QString& fileName) {
  Handle(
      [this, fileName] {
        const QFileInfo info(fileName);
        if (!info.isFile())
          throw TFileProblem(fileName, "Cannot open \"" + EncodeFileName(fileName) + "\": there is no such file.");
        if (!IsSceneFileName(EncodeFileName(fileName)) && !IsCircuitFileName(fileName))
          throw TFileProblem(fileName, "Cannot open \"" + EncodeFileName(fileName) + "\": a scene (" + SceneExtension +
                      ") or a circuit (.bmp) is expected.");
        OpenFile(info.absoluteFilePath());
      },
      QStringLiteral("opening \"%1\" given on the command line").arg(fileName), false);
}

void TFormTest2D::UseBuiltinCircuitClick() { session_->UseBuiltinCircuit(); }

// ---------------------------------------------------------------------------
// Saving.

void TFormTest2D::SaveSceneClick() { SaveSceneNow(false); }

void TFormTest2D::SaveSceneAsClick() { SaveSceneNow(true); }

bool TFormTest2D::SaveSceneNow(bool chooseName) {
  QString fileName = session_->SceneFile();
  if (chooseName || fileName.isEmpty()) {
    const QString folder = fileName.isEmpty() ? openFolder_ : QFileInfo(fileName).absolutePath();
    fileName = Dialogs.SaveScene(folder);
    if (fileName.isEmpty()) return false;
    if (!IsSceneFileName(EncodeFileName(fileName))) fileName += QString::fromLatin1(SceneExtension);
  }
  session_->SaveScene(fileName);  // raises with the reason; nothing changes
  return true;
}

void TFormTest2D::SaveJournalClick() {
  QString fileName = Dialogs.SaveJournal(saveFolder_);
  if (fileName.isEmpty()) return;
  if (!fileName.endsWith(QStringLiteral(".json"), Qt::CaseInsensitive)) fileName += QStringLiteral(".vorlanth-journal.json");
  saveFolder_ = QFileInfo(fileName).absolutePath();
  const QString start = AsFileProblem(fileName, [&] { return session_->SaveJournal(fileName); });
  statusBar()->showMessage(QStringLiteral("Journal of %1 commands saved; it starts from %2")
                               .arg(session_->Journal().Records().size())
                               .arg(QFileInfo(start).fileName()),
                           8000);
}

bool TFormTest2D::AskToSaveChanges() {
  if (!session_->Modified()) return true;
  switch (Dialogs.AskSave(session_->SceneName())) {
    case TSaveAnswer::Save: return SaveSceneNow(false);
    case TSaveAnswer::Discard: return true;
    case TSaveAnswer::Cancel: break;
  }
  return false;
}

// ---------------------------------------------------------------------------
// Closing.

void TFormTest2D::closeEvent(QCloseEvent* event) {
  ArrowTimer->stop();
  if (session_->WorldBusy()) {
    // Closing is a command too: it waits for the end of the cycle in progress.
    event->ignore();
    Handle([this] { close(); }, QStringLiteral("closing the window"), false);
    return;
  }
  if (session_->Modified()) {
    bool goOn = false;
    Handle([this, &goOn] { goOn = AskToSaveChanges(); }, QStringLiteral("closing the window"), false);
    if (!goOn) {
      event->ignore();
      return;
    }
  }
  // The run loop tests only the Run button: releasing it ends every level of the
  // loop after the step in progress, and the program can then quit.
  if (startStop_->RunDown()) startStop_->Pause();
  // A film in progress is finished: it takes its name only complete.
  Handle([this] { StopRecording(); }, QStringLiteral("finishing the film"), false);
  if (!restoreDefaults_) {
    Handle([this] { SaveSettings(); }, QStringLiteral("remembering the window's settings"), false);
  }
  event->accept();
}

// ---------------------------------------------------------------------------
// Dropping files.

QString TFormTest2D::DroppedFile(const QMimeData* data) {
  if (!data || !data->hasUrls() || data->urls().size() != 1) return QString();
  const QUrl url = data->urls().front();
  if (!url.isLocalFile()) return QString();
  const QString file = url.toLocalFile();
  return IsSceneFileName(EncodeFileName(file)) || IsCircuitFileName(file) ? file : QString();
}

void TFormTest2D::dragEnterEvent(QDragEnterEvent* event) {
  if (!DroppedFile(event->mimeData()).isEmpty()) event->acceptProposedAction();
}

void TFormTest2D::dropEvent(QDropEvent* event) {
  const QString file = DroppedFile(event->mimeData());
  if (file.isEmpty()) return;
  event->acceptProposedAction();
  Handle([this, file] { OpenFile(file); }, QStringLiteral("dropping \"%1\" on the window").arg(file), false);
}

// ---------------------------------------------------------------------------
// The crash report's scene.

void TFormTest2D::DescribeSceneForReport(TCrashReport& report) const {
  try {
    if (session_->Circuit().Path.empty()) {
      report.Scene = SceneDocument(Track(), session_->Circuit(), TCrashReport::SceneFileName.toStdString());
      return;
    }
    // The report carries its circuit beside the scene, which names it there.
    const QString circuitFile = DecodeFileName(session_->Circuit().Path);
    QFile circuit(circuitFile);
    if (!circuit.open(QIODevice::ReadOnly))
      throw Error("the circuit \"" + session_->Circuit().Path + "\" cannot be read: " + circuit.errorString().toStdString());
    const QByteArray pixels = circuit.readAll();
    const QString copyName = QStringLiteral("circuit.") + QFileInfo(circuitFile).suffix().toLower();
    const std::string anchor = EncodeFileName(QFileInfo(circuitFile).absoluteDir().filePath(TCrashReport::SceneFileName));
    QJsonObject document = QJsonDocument::fromJson(SceneDocument(Track(), session_->Circuit(), anchor)).object();
    QJsonObject source = document[QStringLiteral("circuit")].toObject();
    source[QStringLiteral("path")] = copyName;
    document[QStringLiteral("circuit")] = source;
    report.Scene = QJsonDocument(document).toJson(QJsonDocument::Indented);
    report.CircuitName = copyName;
    report.CircuitBytes = pixels;
  } catch (...) {
    report.Scene.clear();
    report.SceneProblem = TCrashReport::FromException(std::current_exception()).Message;
  }
}

}  // namespace vorlanth
