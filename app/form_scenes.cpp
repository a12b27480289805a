// The window's scenes: File > "Open…" (a scene or a circuit picture), "Save
// scene", "Save scene as…", "Open recent", files dropped on the window, the
// caption with the scene's name and its unsaved-changes mark, the question
// before closing, and the scene a crash report carries.
//
// Opening a scene reads it into a new track and team; the window's world is
// replaced only once the whole file was read, and never while a cycle runs.

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
#include <QTimer>
#include <QUrl>

#include "app/ai_box.h"
#include "app/crash_report.h"
#include "app/form_test2d.h"
#include "app/player_history.h"
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

QString TFormTest2D::SceneName() const {
  return sceneFile_.isEmpty() ? QStringLiteral("untitled") : QFileInfo(sceneFile_).fileName();
}

void TFormTest2D::SetSceneFile(const QString& fileName) {
  sceneFile_ = fileName;
  // "[*]" shows as "*" while the window is marked modified.
  setWindowTitle(QStringLiteral("%1[*] - %2").arg(SceneName(), QString::fromLatin1(Caption)));
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
    throw Error("Cannot open \"" + fileName.toStdString() +
                "\": the file is no longer there (it is taken off the recent files).");
  }
  OpenFile(fileName);
}

// ---------------------------------------------------------------------------
// Opening.

void TFormTest2D::Loadcircuit800x600BMP1Click() {
  const QString fileName = Dialogs.OpenPicture(OpenPictureFolder);
  if (fileName.isEmpty()) return;
  OpenPictureFolder = QFileInfo(fileName).absolutePath();
  OpenFile(fileName);
}

void TFormTest2D::OpenFile(const QString& fileName) {
  if (!IsSceneFileName(EncodeFileName(fileName))) {
    LoadCircuit(fileName);
    return;
  }
  // A world is replaced only between cycles, when no cycle at any level is using it.
  RunOutsideCycle([this, fileName] { OpenSceneNow(fileName); });
}

void TFormTest2D::LoadCircuit(const QString& fileName) {
  // Only a .BMP file is loaded; any other choice keeps the circuit as it is. The
  // circuit is built from the clean picture, never from one with bodies drawn on it.
  if (IsCircuitFileName(fileName)) {
    std::unique_ptr<QtPicture> loaded = LoadPicture(EncodeFileName(fileName));
    track_->LoadFromImage(*loaded);  // raises before changing anything
    canvas_->End();
    canvas_->SetImage(&loaded->Image());
    picture_ = std::move(loaded);
    ImgRoad->SetImage(&picture_->Image(), canvas_.get());
    circuit_ = {EncodeFileName(fileName), CircuitDigest(*picture_)};  // the digest once, for every snapshot
    FormResize();  // a picture of another proportion
    setWindowModified(true);
    AddRecentFile(fileName);
  }
  Redraw();
}

void TFormTest2D::OpenSceneNow(const QString& fileName) {
  // Read into a world of its own: a bad file throws here and the new objects go
  // (the team before the track that lists it), leaving the window's world, and
  // its random stream, as they were.
  auto track = std::make_unique<TTrack2D>();
  auto team = std::make_unique<TTeam>();
  TSceneRead read = ReadScene(EncodeFileName(fileName), *track, *team);
  if (!AskToSaveChanges()) return;
  SwapInWorld(std::move(track), std::move(team), std::move(read));
  SetSceneFile(fileName);
  setWindowModified(false);
  AddRecentFile(fileName);
}

void TFormTest2D::SwapInWorld(std::unique_ptr<TTrack2D> track, std::unique_ptr<TTeam> team, TSceneRead read) {
  ArrowTimer->stop();
  // What the window keeps of the old players goes before they do.
  plotHistory_->Clear();
  track_->ProcessMessages = nullptr;
  track_->MouseSource = nullptr;
  track_->OnForgetPlayer = nullptr;
  // The new track keeps the window's clock and threads; the picture it was read
  // from is the one shown and drawn on.
  track->ClockMs = track_->ClockMs;
  track->Threads = ai_->Threads();
  canvas_->End();
  canvas_->SetImage(&read.Picture->Image());
  ImgRoad->SetImage(&read.Picture->Image(), canvas_.get());

  auto population = std::make_unique<TPopulation>(*track);
  std::swap(population_, population);
  std::swap(team_, team);
  std::swap(track_, track);
  std::swap(picture_, read.Picture);
  // The old world, in the destructor's order.
  population.reset();
  team.reset();
  track.reset();
  read.Picture.reset();

  InstallOnTrack();
  RestoreRandomSnapshot(read.Random);
  circuit_ = read.Circuit;
  CycleCount = static_cast<int64_t>(track_->CycleCount);
  FrameCounter = FirstFrame;
  FormResize();
  FillPlayerList();
  ShowWorld();
  track_->DrawBackground();
  Redraw();
  StatusLine->ShowIdle(track_->PlayerCount(), track_->PlayerCount());
}

// ---------------------------------------------------------------------------
// Saving.

void TFormTest2D::SaveSceneClick() {
  // Saved between cycles: a cycle in progress holds the players in its futures.
  RunOutsideCycle([this] { SaveSceneNow(false); });
}

void TFormTest2D::SaveSceneAsClick() {
  RunOutsideCycle([this] { SaveSceneNow(true); });
}

bool TFormTest2D::SaveSceneNow(bool chooseName) {
  QString fileName = sceneFile_;
  if (chooseName || fileName.isEmpty()) {
    const QString folder = sceneFile_.isEmpty() ? OpenPictureFolder : QFileInfo(sceneFile_).absolutePath();
    fileName = Dialogs.SaveScene(folder);
    if (fileName.isEmpty()) return false;
    if (!IsSceneFileName(EncodeFileName(fileName))) fileName += QString::fromLatin1(SceneExtension);
  }
  SaveScene(EncodeFileName(fileName), *track_, circuit_);  // raises with the reason; nothing changes
  SetSceneFile(fileName);
  setWindowModified(false);
  AddRecentFile(fileName);
  return true;
}

bool TFormTest2D::AskToSaveChanges() {
  if (!isWindowModified()) return true;
  switch (Dialogs.AskSave(SceneName())) {
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
  if (isWindowModified()) {
    if (track_ && track_->InCycle()) {
      // Asked after the cycle in progress: saving needs a world between cycles.
      event->ignore();
      if (!std::exchange(closeQuestioned_, true)) {
        RunOutsideCycle([this] {
          closeQuestioned_ = false;
          close();
        });
      }
      return;
    }
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
    if (!track_) throw Error("the window has no world yet");
    if (circuit_.Path.empty()) {
      report.Scene = SceneDocument(*track_, circuit_, TCrashReport::SceneFileName.toStdString());
      return;
    }
    // The report carries its circuit beside the scene, which names it there.
    const QString circuitFile = DecodeFileName(circuit_.Path);
    QFile circuit(circuitFile);
    if (!circuit.open(QIODevice::ReadOnly))
      throw Error("the circuit \"" + circuit_.Path + "\" cannot be read: " + circuit.errorString().toStdString());
    const QByteArray pixels = circuit.readAll();
    const QString copyName = QStringLiteral("circuit.") + QFileInfo(circuitFile).suffix().toLower();
    const std::string anchor = EncodeFileName(QFileInfo(circuitFile).absoluteDir().filePath(TCrashReport::SceneFileName));
    QJsonObject document = QJsonDocument::fromJson(SceneDocument(*track_, circuit_, anchor)).object();
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
