// The window itself: building it, start-up, fitting the image, selecting a
// player on the circuit, and error reporting.

#include "app/form_test2d.h"

#include <QAction>
#include <QApplication>
#include <QCursor>
#include <QDir>
#include <QFrame>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QScreen>
#include <QStandardPaths>
#include <QStatusBar>
#include <QMenu>
#include <QTimer>
#include <QUndoStack>
#include <QVBoxLayout>

#include <cmath>
#include <limits>
#include <utility>

#include "app/ai_box.h"
#include "app/choose_player_box.h"
#include "app/crash_report.h"
#include "app/goal_panel.h"
#include "app/move_box.h"
#include "app/player_box.h"
#include "app/plots_dock.h"
#include "app/session.h"
#include "app/start_stop_box.h"
#include "app/status_line.h"
#include "app/timeline_bar.h"
#include "app/track_box.h"
#include "app/widgets.h"
#include "core/rounding.h"
#include "core/team.h"
#include "render/qt_canvas.h"
#include "render/qt_picture.h"
#include "world2d/player2d.h"
#include "world2d/track2d.h"

namespace vorlanth {

namespace {

constexpr const char* kFontFamily = "MS Sans Serif";
constexpr int kFontPixels = 11;
constexpr double kPickMarginPx = 4;  // a click this close to a body selects it

}  // namespace

TFormTest2D::TFormTest2D(TFormDialogs dialogs, QWidget* parent)
    : QMainWindow(parent), Dialogs(std::move(dialogs)), session_(std::make_unique<TSession>()) {
  InstallDefaultDialogs();
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
  AddTooltips();
  ConnectSession();
  ShowSceneFile(QString());
  qApp->installEventFilter(this);  // the run keys (eventFilter)
  Handle([this] { FormCreate(); }, QStringLiteral("start-up (FormCreate)"), false);
  session_->UndoStack().clear();
  session_->SetModified(false);
}

TFormTest2D::~TFormTest2D() {
  ArrowTimer->stop();
  PlotsDock->SetSource(nullptr, {});
  Timeline->disconnect(this);
  ImgRoad->SetImage(nullptr, nullptr);
  // The session's signals reach a window being destroyed no more.
  session_->disconnect(this);
  session_->ReportError = nullptr;
  session_->ReadMouse = nullptr;
  session_.reset();
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
  auto* left = new QVBoxLayout;  // the circuit, and the timeline under it
  left->addWidget(PanelImg, 1);
  BuildTimeline(left);
  row->addLayout(left, 1);
  // The window's own geometry: fitted at once, running or not.
  connect(PanelImg, &TImagePanel::Resized, this, [this] { FormResize(); });
  connect(ImgRoad, &TImageView::Pressed, this, [this](QPointF point) {
    Handle([this, point] { ImgRoadMouseDown(point.x(), point.y()); },
           QStringLiteral("ImgRoad \"Select the player clicked\""));
  });

  // The column of boxes: from the top, and from the bottom.
  auto* column = new QFrame(Panel3);
  column->setFrameStyle(QFrame::Panel | QFrame::Raised);
  column->setFixedWidth(ColumnWidth);
  Panel4 = column;
  BuildColumn(column);
  row->addWidget(column);
  ArrowTimer = new QTimer(this);
  ArrowTimer->setInterval(ArrowFirstDelayMs);
  On(ArrowTimer, &QTimer::timeout, [this] { ArrowTimerTimer(); });

  BuildPlotsDock();
  BuildViewParts();
  BuildMenus();
  StatusLine = new TStatusLine(this);
  statusBar()->addWidget(StatusLine, 1);
  RecordingLabel = new QLabel(this);
  RecordingLabel->setStyleSheet(QStringLiteral("QLabel { color: #d00000; font-weight: bold; }"));
  RecordingLabel->hide();
  statusBar()->addPermanentWidget(RecordingLabel);
}

void TFormTest2D::BuildColumn(QWidget* column) {
  auto* boxes = new QVBoxLayout(column);
  boxes->setContentsMargins(2, 2, 2, 2);
  boxes->setSpacing(0);
  choose_ = new TChoosePlayerBox(column);
  OnBox(choose_, &TChoosePlayerBox::ColorClicked, [this] { EdColorClick(); }, false);  // asks, then changes
  OnBox(choose_, &TChoosePlayerBox::PlayerChosen, [this](int index) { EdPlayerIdChange(index); });
  OnBox(choose_, &TChoosePlayerBox::ListOpening, [this] { EdPlayerIdEnter(); }, false);
  OnBox(choose_, &TChoosePlayerBox::AddClicked, [this](int kind) { BtnAddPlayerClick(kind); });
  OnBox(choose_, &TChoosePlayerBox::RemoveClicked, [this] { BtnSubPlayerClick(); });
  boxes->addWidget(choose_);
  ai_ = new TAiBox(column);
  OnBox(ai_, &TAiBox::HorizonChanged, [this](int seconds) { EdSecondsChange(seconds); });
  OnBox(ai_, &TAiBox::MinFuturesChanged, [this](int futures) { EdMinFuturesChange(futures); });
  OnBox(ai_, &TAiBox::ThreadsChanged, [this](int threads) { EdThreadsChange(threads); }, false);  // not the world's
  boxes->addWidget(ai_);
  trackBox_ = new TTrackBox(column);
  OnBox(trackBox_, &TTrackBox::FrictionChanged, [this](double friction) { EdFrictionChange(friction); });
  OnBox(trackBox_, &TTrackBox::SideFrictionChanged, [this](double friction) { EdSideFrictionChange(friction); });
  OnBox(trackBox_, &TTrackBox::CollisionsClicked, [this](bool on) { EdCollisionsClick(on); });
  boxes->addWidget(trackBox_);
  playerBox_ = new TPlayerBox(column);
  OnBox(playerBox_, &TPlayerBox::SizeChanged, [this](int size) { EdSizeChange(size); });
  OnBox(playerBox_, &TPlayerBox::DeterminedChanged, [this](double value) { EdDeterminedChange(value); });
  OnBox(playerBox_, &TPlayerBox::GridSizeChanged, [this](int size) { EdRadioChange(size); });
  OnBox(playerBox_, &TPlayerBox::SensitivityClicked, [this](bool on) { EdSensitivityClick(on); });
  OnBox(playerBox_, &TPlayerBox::AutoGridClicked, [this](bool on) { EdAutoRadioClick(on); });
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
  startStop_ = new TStartStopBox(column);
  // Run and Step are the window's: they start cycles, they change nothing themselves.
  OnBox(startStop_, &TStartStopBox::RunClicked, [this] { StartBtnClick(); }, false);
  OnBox(startStop_, &TStartStopBox::StepClicked, [this] { StepBtnClick(); }, false);
  OnBox(startStop_, &TStartStopBox::ResetClicked, [this] { ResetBtnClick(); });
  OnBox(startStop_, &TStartStopBox::EvolutionClicked, [this](bool allowed) { EdEvolutionClick(allowed); });
  boxes->addWidget(startStop_);
}

void TFormTest2D::NameControls() {
  const std::pair<QObject*, const char*> controls[] = {
      {Panel3, "Panel3"},         {PanelImg, "PanelImg"},     {ImgRoad, "ImgRoad"},
      {Panel4, "Panel4"},         {ArrowTimer, "ArrowTimer"}, {StatusLine, "StatusLine"},
      {PlotsDock, "PlotsDock"},   {OpenRecentMenu, "OpenRecentMenu"}, {RecordingLabel, "RecordingLabel"},
  };
  for (const auto& [control, name] : controls)
    if (control) control->setObjectName(QString::fromLatin1(name));
}

// The window hears the session: a new world or circuit, each cycle, each
// command's end, the frames to show, a run that stopped.
void TFormTest2D::ConnectSession() {
  session_->ReportError = [this](const QString& where) { ReportError(where); };
  session_->ReadMouse = [this](int32_t& x, int32_t& y) { return MousePosition(x, y); };
  connect(session_.get(), &TSession::CircuitReplaced, this, [this] { ShowCircuit(); });
  connect(session_.get(), &TSession::WorldReplaced, this, [this] {
    ArrowTimer->stop();
    FillPlayerList();
    ShowWorld();
    StatusLine->ShowIdle(Track().PlayerCount(), Track().PlayerCount());
  });
  connect(session_.get(), &TSession::PlayerAdded, this, [this] {
    choose_->AddPlayer(Track().PlayerCount());
    CopyParamsFromPlayer();
  });
  connect(session_.get(), &TSession::FrameShown, this, [this] {
    ShowSelectionMark();  // where the picture shown has the selected player
    ImgRoad->update();
  });
  connect(session_.get(), &TSession::CycleDone, this, [this](double cycleMs) {
    StatusLine->ShowCycle(Track(), session_->CycleCount(), cycleMs);
    PlotsDock->Tick();  // while the world waits: the plots read the world
  });
  connect(session_.get(), &TSession::FrameRecorded, this, [this] { ShowRecording(); });
  // An undo or redo: every box and mark shows the world anew.
  connect(session_.get(), &TSession::Restored, this, [this] {
    FillPlayerList();
    ShowWorld();
  });
  // A choice made in the list while running may have found its player gone.
  connect(session_.get(), &TSession::WaitingApplied, this, [this] { FillPlayerList(); });
  connect(session_.get(), &TSession::CommandDone, this, [this] {
    // A command may add, remove, hurt or heal players: the status line says so.
    StatusLine->ShowPlayers(Track());
    ShowRunning(Running());
  });
  connect(session_.get(), &TSession::RunStopped, this, [this](int64_t cycle, const QString& reason) {
    // The run has stopped, and shows it: Run released, the reason in the status bar.
    startStop_->Pause();
    Item("Saveimagestofolder")->setChecked(session_->SavingFrames);  // off when a frame failed
    StatusLine->ShowStopped(cycle, reason);
    ShowRecording();
  });
  connect(session_.get(), &TSession::ModifiedChanged, this, &QWidget::setWindowModified);
  connect(session_.get(), &TSession::SceneFileChanged, this, [this](const QString& name) {
    ShowSceneFile(name);
    if (!name.isEmpty()) AddRecentFile(name);
  });
}

// ---------------------------------------------------------------------------
// Start-up.

void TFormTest2D::FormCreate() {
  // The dialogs first show the user's documents (or home) folder.
  openFolder_ = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
  if (openFolder_.isEmpty() || !QDir(openFolder_).exists()) openFolder_ = QDir::homePath();
  saveFolder_ = openFolder_;
  menuPlayerParamsClick();
  // The built-in start-up scene (one rocket, the drop goal, feelings and the
  // team's goals drawn) on the machine's threads, the box's default.
  session_->Start(ai_->Threads());
  StatusLine->ShowIdle(Track().PlayerCount(), Track().PlayerCount());
}

QString TFormTest2D::AboutText() {
  return QStringLiteral("Vorlanth %1\nA test bench for agents that steer themselves by simulating their own "
                        "futures.\n\nQt %2 (built with %3)\nBuild: %4")
      .arg(QStringLiteral(VORLANTH_VERSION), QString::fromLatin1(qVersion()), QStringLiteral(QT_VERSION_STR),
           QStringLiteral(VORLANTH_BUILD));
}

void TFormTest2D::AboutItemClick() { Dialogs.ShowAbout(AboutText()); }

bool TFormTest2D::Running() const { return session_->Running(); }

bool TFormTest2D::InCommand() const { return session_->InCommand(); }

const QImage& TFormTest2D::RoadImage() const {
  session_->ShowFrame();  // what the canvas drew last, shown
  return session_->Frame();
}

QAction* TFormTest2D::Item(const char* name) const { return findChild<QAction*>(QString::fromLatin1(name)); }

// ---------------------------------------------------------------------------
// Errors.

void TFormTest2D::Handle(const std::function<void()>& handler, const QString& where, bool changesWorld) {
  session_->Command(where, handler, changesWorld);
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

// ---------------------------------------------------------------------------
// The circuit.

void TFormTest2D::ShowCircuit() {
  // The frame the session hands over, which the world does not draw on.
  ImgRoad->SetImage(&session_->Frame(), nullptr);
  FormResize();  // a picture of another proportion
}

void TFormTest2D::FormResize() {
  const int w = PanelImg->width();
  const int h = PanelImg->height();
  // The picture's own proportion: 800 x 600 as designed, whatever size a loaded
  // circuit has.
  const QImage* image = ImgRoad->Image();
  const double pictureWidth = image ? image->width() : CircuitWidth;
  const double pictureHeight = image ? image->height() : CircuitHeight;
  const int height = std::min(Round32(w / pictureWidth * pictureHeight), h);
  const int width = std::min(Round32(h * pictureWidth / pictureHeight), w);
  ImgRoad->setGeometry(0, 0, width, height);
}

bool TFormTest2D::MousePosition(int32_t& x, int32_t& y) const {
  const QImage* image = ImgRoad->Image();
  const int w = ImgRoad->width();
  const int h = ImgRoad->height();
  if (!image || w <= 0 || h <= 0 || !QGuiApplication::primaryScreen()) return false;
  // Widget pixels to circuit pixels through the view (stretched, zoomed, panned).
  const QPointF p = ImgRoad->ToPicture(ImgRoad->mapFromGlobal(QCursor::pos()));
  x = Floor32(p.x());
  y = Floor32(p.y());
  return true;
}

void TFormTest2D::ImgRoadMouseDown(double x, double y) {
  // The body nearest the point, among those the point is on (or close to).
  TTeam* team = session_->CurrentTeam();
  if (!team) return;
  int nearest = -1;
  double nearestDistance = std::numeric_limits<double>::infinity();
  for (int32_t i = 0; i < team->PlayerCount(); ++i) {
    const auto* body = dynamic_cast<const TPlayer2D*>(team->GetPlayer(i));
    if (!body) continue;
    const double distance = std::hypot(body->GetPosX() - x, body->GetPosY() - y);
    if (distance <= body->GetSize() + kPickMarginPx && distance < nearestDistance) {
      nearest = i;
      nearestDistance = distance;
    }
  }
  if (nearest < 0 || team->GetPlayer(nearest) == team->Selected) return;
  choose_->Choose(nearest);
  EdPlayerIdChange(nearest);
}

}  // namespace vorlanth
