// The window's view of the circuit and of the run: zoom, pan and following the
// selected player (View menu), the speed of the run (a box in the status bar and
// View > Slower, Faster), the selected player's numbers (a dock) and File > "Save
// picture…".

#include <QAction>
#include <QComboBox>
#include <QFileDialog>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QSaveFile>
#include <QStatusBar>
#include <QToolButton>

#include <algorithm>
#include <cmath>
#include <utility>

#include "app/form_test2d.h"
#include "app/player_dock.h"
#include "app/session.h"
#include "app/widgets.h"
#include "core/error.h"
#include "world2d/track2d.h"

namespace vorlanth {

namespace {

constexpr int kNoticeMs = 8000;  // how long a notice stays in the status bar

// The speeds offered, slowest first: multiples of real time, then as fast as the
// cycles go.
struct TSpeedChoice {
  const char* Text;
  double Speed;
};
constexpr TSpeedChoice kSpeeds[] = {
    {"0.1×", 0.1}, {"0.25×", 0.25}, {"0.5×", 0.5}, {"Real time", TSession::RealTime}, {"As fast as it goes", TSession::AsFast},
};
constexpr int kRealTimeChoice = 3;

}  // namespace

void TFormTest2D::BuildViewParts() {
  // The speed, shown and chosen at the right of the status bar.
  auto* speedBox = new QWidget(this);
  auto* row = new QHBoxLayout(speedBox);
  row->setContentsMargins(0, 0, 0, 0);
  row->addWidget(new QLabel(QStringLiteral("Speed"), speedBox));
  EdSpeed = new QComboBox(speedBox);
  EdSpeed->setObjectName(QStringLiteral("EdSpeed"));
  for (const TSpeedChoice& choice : kSpeeds) EdSpeed->addItem(QString::fromUtf8(choice.Text), choice.Speed);
  EdSpeed->setCurrentIndex(kRealTimeChoice);
  EdSpeed->setFocusPolicy(Qt::ClickFocus);
  EdSpeed->setToolTip(QStringLiteral(
      "Speed of the run, in simulated time per real time: real time is one cycle (0.1 s simulated) per 0.1 s; "
      "slower waits between cycles; \"as fast as it goes\" never waits. The thinking per cycle stays the same. "
      "[ slower, ] faster"));
  row->addWidget(EdSpeed);
  statusBar()->addPermanentWidget(speedBox);
  // Not a change of the world: the speed is taken at once, even while a cycle computes.
  connect(EdSpeed, &QComboBox::currentIndexChanged, this, [this](int index) { EdSpeedChange(index); });

  PlayerDock = new TPlayerDock(this);
  addDockWidget(Qt::RightDockWidgetArea, PlayerDock);
  PlayerDock->hide();
  connect(PlayerDock, &QDockWidget::visibilityChanged, this, [this](bool visible) {
    // While a cycle computes, the dock waits for its end to read the world.
    if (visible && !session_->WorldBusy()) ShowPlayerNumbers();
  });
  // Pause, clicked while the run waits for its pace, ends it at once.
  connect(findChild<QToolButton*>(QStringLiteral("PauseBtn")), &QToolButton::toggled, this, [this](bool down) {
    if (down) session_->WakeRun();
  });
  if (!Dialogs.SavePicture) {
    Dialogs.SavePicture = [this](const QString& folder) {
      return QFileDialog::getSaveFileName(this, QStringLiteral("Save picture"), folder,
                                          QStringLiteral("PNG image (*.png)"));
    };
  }
}

void TFormTest2D::EdSpeedChange(int index) {
  if (index < 0) return;
  session_->SetSpeed(EdSpeed->itemData(index).toDouble());
}

void TFormTest2D::SpeedStepClick(int tag) {
  EdSpeed->setCurrentIndex(std::clamp(EdSpeed->currentIndex() + tag, 0, EdSpeed->count() - 1));
}

// ---------------------------------------------------------------------------
// Zoom, pan, follow.

void TFormTest2D::ViewFitClick() { ImgRoad->Fit(); }

void TFormTest2D::ViewOneToOneClick() { ImgRoad->OneToOne(); }

void TFormTest2D::ViewZoomClick(int tag) {
  ImgRoad->ZoomAt(QPointF(ImgRoad->width() / 2.0, ImgRoad->height() / 2.0), std::pow(TImageView::WheelStep, tag));
}

void TFormTest2D::FollowSelectedClick(bool on) { ImgRoad->SetFollow(on); }

// ---------------------------------------------------------------------------
// The selected player's numbers.

void TFormTest2D::ShowPlayerNumbers() {
  if (PlayerDock && PlayerDock->isVisible()) PlayerDock->ShowPlayer(Track(), SelectedPlayer());
}

// ---------------------------------------------------------------------------
// The picture.

void TFormTest2D::SavePictureClick() {
  QString name = Dialogs.SavePicture(saveFolder_);
  if (name.isEmpty()) return;
  if (QFileInfo(name).suffix().isEmpty()) name += QStringLiteral(".png");
  saveFolder_ = QFileInfo(name).absolutePath();
  // The circuit as drawn, at its own size, without the ring or the view's zoom;
  // written whole or not at all.
  const QImage picture = RoadImage();
  QSaveFile file(name);
  if (!file.open(QIODevice::WriteOnly) || !picture.save(&file, "PNG") || !file.commit()) {
    const QString reason = file.errorString().isEmpty() ? QStringLiteral("the picture could not be encoded")
                                                        : file.errorString();
    throw Error(QStringLiteral("Cannot save the picture \"%1\": %2").arg(name, reason).toStdString());
  }
  statusBar()->showMessage(QStringLiteral("Picture saved: %1").arg(QDir::toNativeSeparators(name)), kNoticeMs);
}

}  // namespace vorlanth
