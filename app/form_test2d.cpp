// The window itself: building it, start-up, the run loop, frame saving, reset,
// loading another circuit, fitting the image, and error reporting.

#include "app/form_test2d.h"

#include <QApplication>
#include <QAbstractButton>
#include <QAction>
#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QSpinBox>
#include <QTextEdit>
#include <QLabel>
#include <QMenu>
#include <QScrollArea>
#include <QSlider>
#include <QCloseEvent>
#include <QColorDialog>
#include <QCursor>
#include <QElapsedTimer>
#include <QFileDialog>
#include <QFileInfo>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QMessageBox>
#include <QScreen>
#include <QStatusBar>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>
#include <cstdio>
#include <limits>
#include <string_view>
#include <utility>

#include "app/ai_box.h"
#include "app/choose_player_box.h"
#include "app/crash_report.h"
#include "app/goal_panel.h"
#include "app/move_box.h"
#include "app/player_box.h"
#include "app/start_stop_box.h"
#include "app/player_history.h"
#include "app/plots_dock.h"
#include "app/status_line.h"
#include "app/track_box.h"
#include "app/widgets.h"
#include "bench/population.h"
#include "bench/scenes.h"
#include "core/error.h"
#include "core/random.h"
#include "core/rounding.h"
#include "core/team.h"
#include "render/builtin_circuit.h"
#include "render/output_file.h"
#include "render/qt_canvas.h"
#include "render/qt_picture.h"
#include "world2d/kart.h"
#include "world2d/polygon2d.h"
#include "world2d/rocket.h"
#include "world2d/track2d.h"

namespace vorlanth {

namespace {

constexpr const char* kFontFamily = "MS Sans Serif";
constexpr int kFontPixels = 11;

}  // namespace

TFormTest2D::TFormTest2D(TFormDialogs dialogs, QWidget* parent)
    : QMainWindow(parent), Dialogs(std::move(dialogs)) {
  InstallDefaultDialogs();
  SetSceneFile(QString());
  setAcceptDrops(true);
  // The designed small font; where it is missing, the narrowest close match.
  QFont::insertSubstitutions(QString::fromLatin1(kFontFamily),
                             {QStringLiteral("Microsoft Sans Serif"), QStringLiteral("Tahoma"),
                              QStringLiteral("Arial"), QStringLiteral("Liberation Sans"),
                              QStringLiteral("DejaVu Sans Condensed")});
  QFont font(QString::fromLatin1(kFontFamily));
  font.setPixelSize(kFontPixels);
  setFont(font);

  BuildWindow();
  resize(DesignedWidth, DesignedHeight);
  if (const QScreen* screen = this->screen()) {
    const QRect area = screen->availableGeometry();
    move(area.center() - QPoint(DesignedWidth / 2, DesignedHeight / 2));
  }

  NameControls();
  qApp->installEventFilter(this);  // the run keys (eventFilter)
  Handle([this] { FormCreate(); }, QStringLiteral("start-up (FormCreate)"), false);
  // From now on the model's drawing shows the frame and lets the window breathe.
  if (track_) track_->ProcessMessages = [this] { ProcessMessages(); };
  setWindowModified(false);
}

TFormTest2D::~TFormTest2D() {
  ArrowTimer->stop();
  if (track_) {
    track_->ProcessMessages = nullptr;
    track_->MouseSource = nullptr;
    track_->OnForgetPlayer = nullptr;
  }
  PlotsDock->SetSource(nullptr, {});
  population_.reset();
  team_.reset();
  track_.reset();
  ImgRoad->SetImage(nullptr, nullptr);
  canvas_.reset();
  picture_.reset();
}

void TFormTest2D::InstallDefaultDialogs() {
  if (!Dialogs.ReportError) {
    Dialogs.ReportError = [this](const TCrashReport& report) {
      TCrashDialog dialog(report, this);
      dialog.exec();
    };
  }
  if (!Dialogs.ShowAbout) {
    Dialogs.ShowAbout = [this](const QString& text) {
      QMessageBox::about(this, QStringLiteral("About Vorlanth"), text);
    };
  }
  if (!Dialogs.OpenPicture) {
    Dialogs.OpenPicture = [this](const QString& folder) {
      return QFileDialog::getOpenFileName(
          this, QStringLiteral("Open a scene or a circuit"), folder,
          QStringLiteral("Scenes and circuits (*%1 *.bmp *.BMP);;Scenes (*%1);;Circuits: BMP at 800x600 (*.bmp *.BMP)")
              .arg(QString::fromLatin1(SceneExtension)));
    };
  }
  if (!Dialogs.SaveScene) {
    Dialogs.SaveScene = [this](const QString& folder) {
      return QFileDialog::getSaveFileName(this, QStringLiteral("Save scene as"), folder,
                                          QStringLiteral("Scenes (*%1)").arg(QString::fromLatin1(SceneExtension)));
    };
  }
  if (!Dialogs.AskSave) {
    Dialogs.AskSave = [this](const QString& sceneName) {
      QMessageBox box(QMessageBox::Warning, QString::fromLatin1(Caption),
                      QStringLiteral("The scene \"%1\" has unsaved changes.").arg(sceneName),
                      QMessageBox::Save | QMessageBox::Discard | QMessageBox::Cancel, this);
      box.setInformativeText(QStringLiteral("Save them first?"));
      box.setDefaultButton(QMessageBox::Save);
      switch (box.exec()) {
        case QMessageBox::Save: return TSaveAnswer::Save;
        case QMessageBox::Discard: return TSaveAnswer::Discard;
        default: return TSaveAnswer::Cancel;
      }
    };
  }
  if (!Dialogs.SaveFile) {
    Dialogs.SaveFile = [this](const QString& folder) {
      // The name is a prefix: nothing is overwritten by choosing it.
      return QFileDialog::getSaveFileName(this, QString(), folder, QString(), nullptr,
                                          QFileDialog::DontConfirmOverwrite);
    };
  }
  if (!Dialogs.ChooseColor) {
    Dialogs.ChooseColor = [this](const QColor& initial) -> std::optional<QColor> {
      const QColor chosen = QColorDialog::getColor(initial, this);
      if (!chosen.isValid()) return std::nullopt;
      return chosen;
    };
  }
}

// ---------------------------------------------------------------------------
// Building the window.

void TFormTest2D::BuildWindow() {
  Panel3 = new QWidget(this);
  setCentralWidget(Panel3);
  auto* row = new QHBoxLayout(Panel3);
  row->setContentsMargins(0, 0, 0, 0);
  row->setSpacing(0);

  // The circuit, at the top-left of a black panel.
  PanelImg = new TImagePanel(Panel3);
  ImgRoad = new TImageView(PanelImg);
  ImgRoad->move(0, 0);
  row->addWidget(PanelImg, 1);
  connect(PanelImg, &TImagePanel::Resized, this,
          [this] { Handle([this] { FormResize(); }, QStringLiteral("fitting the image (FormResize)"), false); });

  // The column of boxes: from the top, and from the bottom.
  auto* column = new QFrame(Panel3);
  column->setFrameStyle(QFrame::Panel | QFrame::Raised);
  column->setFixedWidth(ColumnWidth);
  Panel4 = column;
  auto* boxes = new QVBoxLayout(column);
  boxes->setContentsMargins(2, 2, 2, 2);
  boxes->setSpacing(0);
  choose_ = new TChoosePlayerBox(column);
  OnBox(choose_, &TChoosePlayerBox::ColorClicked, [this] { EdColorClick(); });
  OnBox(choose_, &TChoosePlayerBox::PlayerChosen, [this](int) { EdPlayerIdChange(); });
  OnBox(choose_, &TChoosePlayerBox::ListOpening, [this] { EdPlayerIdEnter(); }, false);
  OnBox(choose_, &TChoosePlayerBox::AddClicked, [this](int kind) { BtnAddPlayerClick(kind); });
  OnBox(choose_, &TChoosePlayerBox::RemoveClicked, [this] { BtnSubPlayerClick(); });
  boxes->addWidget(choose_);
  ai_ = new TAiBox(column);
  OnBox(ai_, &TAiBox::HorizonChanged, [this](int) { EdSecondsChange(); });
  OnBox(ai_, &TAiBox::MinFuturesChanged, [this](int) { EdMinFuturesChange(); });
  OnBox(ai_, &TAiBox::ThreadsChanged, [this](int) { EdThreadsChange(); }, false);  // not the world's
  boxes->addWidget(ai_);
  trackBox_ = new TTrackBox(column);
  OnBox(trackBox_, &TTrackBox::FrictionChanged, [this](double) { EdFrictionChange(); });
  OnBox(trackBox_, &TTrackBox::SideFrictionChanged, [this](double) { EdSideFrictionChange(); });
  OnBox(trackBox_, &TTrackBox::CollisionsClicked, [this](bool) { EdCollisionsClick(); });
  boxes->addWidget(trackBox_);
  playerBox_ = new TPlayerBox(column);
  OnBox(playerBox_, &TPlayerBox::SizeChanged, [this](int) { EdSizeChange(); });
  OnBox(playerBox_, &TPlayerBox::DeterminedChanged, [this](double) { EdDeterminedChange(); });
  OnBox(playerBox_, &TPlayerBox::GridSizeChanged, [this](int) { EdRadioChange(); });
  OnBox(playerBox_, &TPlayerBox::SensitivityClicked, [this](bool) { EdSensitivityClick(); });
  OnBox(playerBox_, &TPlayerBox::AutoGridClicked, [this](bool) { EdAutoRadioClick(); });
  boxes->addWidget(playerBox_);
  goals_ = new TGoalPanel(column);
  OnBox(goals_, &TGoalPanel::RowChanged, [this](int tag, TGoalRow row, int position) {
    switch (row) {
      case TGoalRow::Strength: GoalStrengthChange(tag, position); break;
      case TGoalRow::Reaction: GoalReactionChange(tag, position); break;
      case TGoalRow::Urgency: GoalUrgencyChange(tag, position); break;
    }
  });
  boxes->addWidget(goals_, 1);
  move_ = new TMoveBox(column);
  OnBox(move_, &TMoveBox::MovePressed, [this](int tag) { MoveButtonMouseDown(tag); });
  OnBox(move_, &TMoveBox::MoveReleased, [this] { MoveButtonMouseUp(); });
  OnBox(move_, &TMoveBox::LevelClicked, [this](int tag) { SpeedButton8Click(tag); });
  OnBox(move_, &TMoveBox::LevelDoubleClicked, [this](int tag) { SpeedButton8DblClick(tag); });
  boxes->addWidget(move_);
  ArrowTimer = new QTimer(this);
  ArrowTimer->setInterval(ArrowFirstDelayMs);
  On(ArrowTimer, &QTimer::timeout, [this] { ArrowTimerTimer(); });
  startStop_ = new TStartStopBox(column);
  OnBox(startStop_, &TStartStopBox::RunClicked, [this] { StartBtnClick(); });
  OnBox(startStop_, &TStartStopBox::StepClicked, [this] { StepBtnClick(); });
  OnBox(startStop_, &TStartStopBox::ResetClicked, [this] { ResetBtnClick(); });
  OnBox(startStop_, &TStartStopBox::EvolutionClicked, [this](bool) { EdEvolutionClick(); });
  boxes->addWidget(startStop_);
  row->addWidget(column);

  BuildPlotsDock();
  BuildMenus();
  StatusLine = new TStatusLine(this);
  statusBar()->addWidget(StatusLine, 1);

  // ImgRoad's picture: the circuit stored with the window.
  try {
    picture_ = LoadBuiltinCircuit();
  } catch (const std::exception&) {
    ReportError(QStringLiteral("loading the built-in circuit"));
    QImage blank(CircuitWidth, CircuitHeight, QImage::Format_RGB32);
    blank.fill(Qt::white);
    picture_ = std::make_unique<QtPicture>(std::move(blank));
  }
  circuit_.Sha256 = CircuitDigest(*picture_);  // once, for every snapshot of the world
  canvas_ = std::make_unique<QtCanvas>(&picture_->Image());
  ImgRoad->SetImage(&picture_->Image(), canvas_.get());
}

void TFormTest2D::NameControls() {
  const std::pair<QObject*, const char*> controls[] = {
      {Panel3, "Panel3"},
      {PanelImg, "PanelImg"},
      {ImgRoad, "ImgRoad"},
      {Panel4, "Panel4"},
      {ArrowTimer, "ArrowTimer"},
      {StatusLine, "StatusLine"},
      {Loadcircuit800x600BMP1, "Loadcircuit800x600BMP1"},
      {SaveSceneItem, "SaveSceneItem"},
      {SaveSceneAsItem, "SaveSceneAsItem"},
      {OpenRecentMenu, "OpenRecentMenu"},
      {Saveimagestofolder, "Saveimagestofolder"},
      {QuitItem, "QuitItem"},
      {RunPauseKey, "RunPauseKey"},
      {AboutItem, "AboutItem"},
      {Addacircleofkarts1, "Addacircleofkarts1"},
      {Addatriangle1, "Addatriangle1"},
      {Addlotsofasteroids1, "Addlotsofasteroids1"},
      {Runfast1, "Runfast1"},
      {Keepenergyhunger1, "Keepenergyhunger1"},
      {Keephealth1, "Keephealth1"},
      {Suckenergyfromplayersinfrontofyou1, "Suckenergyfromplayersinfrontofyou1"},
      {Addateamgoalforcollectingdrops1, "Addateamgoalforcollectingdrops1"},
      {Addateamgoalforstoringcollecteddrops1, "Addateamgoalforstoringcollecteddrops1"},
      {AvoidOtherPlayers, "AvoidOtherPlayers"},
      {FollowMouse, "FollowMouse"},
      {AvoidMouse, "AvoidMouse"},
      {DeleteallTeamsGoals1, "DeleteallTeamsGoals1"},
      {Deleteallplayerspersonalgoals1, "Deleteallplayerspersonalgoals1"},
      {menuBasicAIparams, "menuBasicAIparams"},
      {menuGoals, "menuGoals"},
      {menuChoosePlayer, "menuChoosePlayer"},
      {menuPlayerParams, "menuPlayerParams"},
      {MenuTrackParams, "MenuTrackParams"},
      {menuHandMove, "menuHandMove"},
      {Graphicdebuglevels1, "Graphicdebuglevels1"},
      {MenuDebugTraces, "MenuDebugTraces"},
      {MenuDebugFeelings, "MenuDebugFeelings"},
      {MenuDebugOptions, "MenuDebugOptions"},
      {MenuDebugLevels, "MenuDebugLevels"},
      {MenuDebugGoals, "MenuDebugGoals"},
      {MenuDebugTeamGoals, "MenuDebugTeamGoals"},
  };
  for (const auto& [control, name] : controls)
    if (control) control->setObjectName(QString::fromLatin1(name));
}

// ---------------------------------------------------------------------------
// Start-up.

void TFormTest2D::FormCreate() {
  RandomizeFromClock();
  OpenPictureFolder = QCoreApplication::applicationDirPath();
  SaveFolder = OpenPictureFolder;
  FrameCounter = FirstFrame;
  menuPlayerParamsClick();

  // The track, its circuit from ImgRoad's picture, and its team. (The team and the
  // commands exist before the circuit is read, so no handler ever meets a window
  // without them.)
  track_ = std::make_unique<TTrack2D>();
  track_->ImageCanvas = canvas_.get();
  EdThreadsChange();  // the machine's threads, the box's default
  team_ = std::make_unique<TTeam>();
  population_ = std::make_unique<TPopulation>(*track_);
  track_->LoadFromImage(*picture_);
  track_->AddTeam(team_.get());
  InstallOnTrack();
  track_->ProcessMessages = nullptr;  // until the window is built (the constructor installs it)

  // The built-in start-up scene (one rocket, the drop goal, feelings and the
  // team's goals drawn), and the check marks that go with it.
  BuildBuiltinScene(*population_, "start");
  ShowWorld();
  Redraw();
  StatusLine->ShowIdle(track_->PlayerCount(), track_->PlayerCount());
}

void TFormTest2D::InstallOnTrack() {
  track_->ImageCanvas = canvas_.get();
  track_->ProcessMessages = [this] { ProcessMessages(); };
  track_->MouseSource = [this](int32_t& x, int32_t& y) { return MousePosition(x, y); };
  InstallPlotHistory();
  // The window's part of adding a player: list it, show it in the panels, redraw.
  population_->OnPlayerAdded = [this](TPlayer& /*player*/) {
    choose_->AddPlayer(track_->PlayerCount());
    CopyParamsFromPlayer();
    Redraw();
  };
}

QString TFormTest2D::AboutText() {
  return QStringLiteral("Vorlanth %1\nA test bench for agents that steer themselves by simulating their own "
                        "futures.\n\nQt %2 (built with %3)\nBuild: %4")
      .arg(QStringLiteral(VORLANTH_VERSION), QString::fromLatin1(qVersion()), QStringLiteral(QT_VERSION_STR),
           QStringLiteral(VORLANTH_BUILD));
}

void TFormTest2D::AboutItemClick() { Dialogs.ShowAbout(AboutText()); }

TTeam* TFormTest2D::CurrentTeam() const { return track_ ? track_->CurrentTeam : nullptr; }

TPlayer* TFormTest2D::SelectedPlayer() const {
  const TTeam* team = CurrentTeam();
  return team ? team->Selected : nullptr;
}

const QImage& TFormTest2D::RoadImage() const {
  canvas_->End();
  return picture_->Image();
}

// ---------------------------------------------------------------------------
// The run keys.

namespace {

// Where Space and "." are typed rather than run or step: an editable text that is
// not a spin box's number.
bool TypesText(const QObject* widget) {
  if (const auto* edit = qobject_cast<const QLineEdit*>(widget))
    return !edit->isReadOnly() && !qobject_cast<const QAbstractSpinBox*>(edit->parent());
  if (const auto* text = qobject_cast<const QTextEdit*>(widget)) return !text->isReadOnly();
  if (const auto* text = qobject_cast<const QPlainTextEdit*>(widget)) return !text->isReadOnly();
  if (const auto* box = qobject_cast<const QComboBox*>(widget)) return box->isEditable();
  return false;
}

}  // namespace

bool TFormTest2D::eventFilter(QObject* watched, QEvent* event) {
  // A widget that wants a key for itself says so in its ShortcutOverride; here the
  // run keys refuse it to all but text fields, so their shortcuts fire.
  if (event->type() == QEvent::MouseButtonPress) ++gesture_;  // a new drag
  if (event->type() == QEvent::ShortcutOverride) {
    const auto* key = static_cast<QKeyEvent*>(event);
    const bool runKey = (key->key() == Qt::Key_Space || key->key() == Qt::Key_Period) &&
                        (key->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier;
    const auto* widget = qobject_cast<const QWidget*>(watched);
    if (runKey && widget && widget->window() == this && !TypesText(widget)) {
      event->ignore();
      return true;
    }
  }
  return QMainWindow::eventFilter(watched, event);
}

// ---------------------------------------------------------------------------
// Errors and window messages.

void TFormTest2D::Handle(const std::function<void()>& handler, const QString& where, bool changesWorld) {
  // The outermost command between cycles is a step of undo when it changes the
  // world (a run or a step of cycles is none).
  const bool outermost = commandDepth_ == 0 && undo_ && track_ && !track_->InCycle();
  std::optional<QByteArray> before;
  const int64_t cycles = CycleCount;
  if (outermost) {
    restoringWorld_ = false;
    commandName_ = where;
    try {
      before = WorldSnapshot();
    } catch (...) {
      // A world a scene cannot describe: the command is no step of undo.
    }
  }
  ++commandDepth_;
  try {
    handler();
    if (changesWorld) setWindowModified(true);
    // The command's one redraw, still inside the command: it shows the frame and
    // processes no messages.
    if (commandDepth_ == 1 && std::exchange(redrawPending_, false)) track_->Draw(-1);
    // A command may add, remove, hurt or heal players: the status line says so.
    if (commandDepth_ == 1 && StatusLine) StatusLine->ShowPlayers(*track_);
    if (before && CycleCount == cycles && !restoringWorld_ && !track_->InCycle()) RecordCommand(where, *before);
  } catch (...) {
    ReportError(track_ && track_->InCycle()
                    ? QStringLiteral("%1, during cycle %2").arg(where).arg(CycleCount + 1)
                    : where);
  }
  if (--commandDepth_ == 0) redrawPending_ = false;
}

void TFormTest2D::Redraw() {
  if (commandDepth_ > 0) {
    redrawPending_ = true;
  } else {
    track_->Draw(-1);
  }
}

void TFormTest2D::ReportError(const QString& where) {
  TCrashReport report = TCrashReport::FromException(std::current_exception());
  report.Where = where;
  DescribeForReport(report);
  if (Dialogs.ReportError) Dialogs.ReportError(report);
}

void TFormTest2D::DescribeForReport(TCrashReport& report) {
  report.Cycle = CycleCount;
  report.Version = QStringLiteral("Vorlanth %1 (%2), Qt %3")
                       .arg(QStringLiteral(VORLANTH_VERSION), QStringLiteral(VORLANTH_BUILD),
                            QString::fromLatin1(qVersion()));
  if (TTeam* team = CurrentTeam()) {
    for (int32_t i = 0; i < team->PlayerCount(); ++i) {
      TPlayer* player = team->GetPlayer(i);
      QString kind = QStringLiteral("player");
      if (dynamic_cast<TRocket*>(player)) kind = QStringLiteral("rocket");
      else if (dynamic_cast<TKart*>(player)) kind = QStringLiteral("kart");
      else if (dynamic_cast<TPolygon2D*>(player)) kind = QStringLiteral("asteroid");
      report.Players << QStringLiteral("Player #%1: %2, %3%4")
                            .arg(i + 1)
                            .arg(kind, player->IsDead() ? QStringLiteral("dead") : QStringLiteral("alive"),
                                 player == team->Selected ? QStringLiteral(", selected") : QString());
    }
  }
  DescribeSceneForReport(report);
  if (isVisible()) report.Screenshot = grab().toImage();
}

QString TFormTest2D::CommandName(const QObject* sender) {
  QString caption;
  if (const auto* action = qobject_cast<const QAction*>(sender)) caption = action->text();
  else if (const auto* button = qobject_cast<const QAbstractButton*>(sender)) caption = button->text();
  else if (const auto* box = qobject_cast<const QGroupBox*>(sender)) caption = box->title();
  const QString name = sender->objectName().isEmpty() ? QString::fromLatin1(sender->metaObject()->className())
                                                      : sender->objectName();
  return caption.isEmpty() ? name : QStringLiteral("%1 \"%2\"").arg(name, caption);
}

void TFormTest2D::ShowFrame() {
  // Only a picture drawn on since it was last shown needs showing again.
  if (!canvas_->Painting()) return;
  canvas_->End();
  ImgRoad->update();
}

void TFormTest2D::ProcessMessages() {
  ShowFrame();
  mouseRead_ = false;
  // Only the run loop's own level lets the window breathe. A command processes no
  // messages at all: a click arriving while it runs (the release of the button
  // that started it, say) is delivered after it, in the order it came. Processing
  // with user input excluded would hold such a click back, on some platforms
  // until the next mouse event.
  if (commandDepth_ == 0) QCoreApplication::processEvents(QEventLoop::AllEvents);
}

bool TFormTest2D::MousePosition(int32_t& x, int32_t& y) {
  if (!mouseRead_) {
    mouseRead_ = true;
    const int w = ImgRoad->width();
    const int h = ImgRoad->height();
    mouseOk_ = w > 0 && h > 0 && picture_ && QGuiApplication::primaryScreen();
    if (mouseOk_) {
      // The image is stretched: widget pixels scale to circuit pixels.
      const QPoint p = ImgRoad->mapFromGlobal(QCursor::pos());
      mouseX_ = Floor32(p.x() * static_cast<double>(picture_->Width()) / w);
      mouseY_ = Floor32(p.y() * static_cast<double>(picture_->Height()) / h);
    }
  }
  if (!mouseOk_) return false;
  x = mouseX_;
  y = mouseY_;
  return true;
}

// ---------------------------------------------------------------------------
// The run loop.

void TFormTest2D::StartBtnClick() { RunSimulation(); }

void TFormTest2D::RunSimulation() {
  RandomizeFromClock();
  for (TTeam* team : track_->Teams) team->CommitStates();
  loopFailed_ = false;
  RunLoop([this] { return startStop_->RunDown(); });
}

void TFormTest2D::StepBtnClick() {
  if (Running()) {
    // The cycle in progress is the step: the loop ends after it.
    startStop_->Pause();
    return;
  }
  loopFailed_ = false;
  bool done = false;
  RunLoop([&done] { return !std::exchange(done, true); });
}

void TFormTest2D::RunPauseKeyPress() {
  if (startStop_->RunDown()) {
    startStop_->ClickPause();
  } else {
    startStop_->ClickRun();
  }
}

void TFormTest2D::RunLoop(const std::function<bool()>& goOn) {
  // Handlers run from this loop are commands of their own, not nested in the
  // click that started it.
  const int outerDepth = std::exchange(commandDepth_, 0);
  ++runDepth_;
  try {
    while (!loopFailed_ && goOn()) {
      phase_ = "the simulation cycle (futures, team goals, drawing, decision, world step)";
      CycleOnce();
      phase_ = "listing the players born by splitting";
      ShowNewbornPlayers();
      phase_ = "showing the grid size";
      UpdateRealTimeParams();
      phase_ = "processing window messages";
      ProcessMessages();
      phase_ = "saving the frame";
      if (!loopFailed_ && Saveimagestofolder->isChecked()) SaveFrame();
      phase_ = nullptr;
    }
  } catch (...) {
    loopFailed_ = true;
    // A failed cycle is not counted: it is the one after the last counted.
    const bool inCycle = phase_ && std::string_view(phase_).starts_with("the simulation");
    const int64_t cycle = CycleCount + (inCycle ? 1 : 0);
    // The run has stopped, and shows it: Run released, the reason in the status bar.
    startStop_->Pause();
    const QString message = TCrashReport::FromException(std::current_exception()).Message;
    StatusLine->ShowStopped(cycle, message);
    ReportError(QStringLiteral("the run loop, cycle %1, phase: %2")
                    .arg(cycle)
                    .arg(QString::fromLatin1(phase_ ? phase_ : "between cycles")));
    phase_ = nullptr;
  }
  --runDepth_;
  commandDepth_ = outerDepth;
}

void TFormTest2D::CycleOnce() {
  mouseRead_ = false;
  QElapsedTimer clock;
  clock.start();
  try {
    track_->Cycle();
  } catch (...) {
    setWindowModified(true);
    RunPendingCommands();
    throw;
  }
  ++CycleCount;
  setWindowModified(true);
  const double cycleMs = static_cast<double>(clock.nsecsElapsed()) / 1e6;
  StatusLine->ShowCycle(*track_, CycleCount, cycleMs);
  RecordPlots(cycleMs);
  RunPendingCommands();
}

void TFormTest2D::ShowNewbornPlayers() {
  // Players born by splitting join the team, and the newest is selected, without
  // the window's knowing: the list and the panels catch up here.
  const TTeam* team = CurrentTeam();
  if (!team || choose_->PlayerCount() == team->PlayerCount()) return;
  FillPlayerList();
  CopyParamsFromPlayer();
}

void TFormTest2D::RunOutsideCycle(std::function<void()> command) {
  if (track_->InCycle()) {
    pendingCommands_.push_back({commandName_, std::move(command)});
  } else {
    command();
  }
}

void TFormTest2D::RunPendingCommands() {
  // A cycle run from a handler inside another cycle (Run clicked while running)
  // ends inside the outer one: the commands wait for the outermost to end.
  if (track_->InCycle()) return;
  std::vector<TPendingCommand> commands;
  commands.swap(pendingCommands_);
  // Each marked the scene modified when it was asked for; its undo step keeps its name.
  for (const auto& command : commands)
    Handle(command.Run, QStringLiteral("%1, which waited for cycle %2 to end").arg(command.Name).arg(CycleCount), false);
}

QString TFormTest2D::FrameFileName(const QString& prefix, int32_t counter) {
  char digits[16];
  std::snprintf(digits, sizeof digits, "%5.5d", static_cast<int>(counter));
  return prefix + QStringLiteral("_") + QString::fromLatin1(digits) + QStringLiteral(".bmp");
}

void TFormTest2D::SaveFrame() {
  canvas_->End();
  SavePicture(picture_->Image(), EncodeFileName(FrameFileName(SaveFileName, FrameCounter)));
  if (FrameCounter < std::numeric_limits<int32_t>::max()) ++FrameCounter;
}

void TFormTest2D::SaveimagestofolderClick() {
  if (!Saveimagestofolder->isChecked()) return;  // saving stops at once
  const QString name = Dialogs.SaveFile(SaveFolder);
  if (name.isEmpty()) {
    Saveimagestofolder->setChecked(false);
    return;
  }
  SaveFileName = name;
  SaveFolder = QFileInfo(name).absolutePath();
}

void TFormTest2D::ResetBtnClick() {
  FrameCounter = FirstFrame;
  plotHistory_->Clear();
  for (TTeam* team : track_->Teams) team->RestoreStoredStates();
  CopyParamsFromScreen();
  Redraw();
}

// ---------------------------------------------------------------------------
// The circuit.

void TFormTest2D::FormResize() {
  const int w = PanelImg->width();
  const int h = PanelImg->height();
  // The picture's own proportion: 800 x 600 as designed, whatever size a loaded
  // circuit has.
  const double pictureWidth = picture_ ? picture_->Width() : CircuitWidth;
  const double pictureHeight = picture_ ? picture_->Height() : CircuitHeight;
  const int height = std::min(Round32(w / pictureWidth * pictureHeight), h);
  const int width = std::min(Round32(h * pictureWidth / pictureHeight), w);
  ImgRoad->setGeometry(0, 0, width, height);
  mouseRead_ = false;
}

}  // namespace vorlanth
