// The window's part of the plots: the dock and its Panel View item, recording
// every player after each cycle, freeing a player's history with the player,
// and saving the charts as PNG.

#include <QAction>
#include <QFileDialog>
#include <QFileInfo>
#include <QStyle>

#include "app/form_test2d.h"
#include "app/player_history.h"
#include "app/plots_dock.h"
#include "core/team.h"
#include "world2d/track2d.h"

namespace vorlanth {

void TFormTest2D::BuildPlotsDock() {
  plotHistory_ = std::make_unique<TPlotHistory>();
  PlotsDock = new TPlotsDock(this);
  addDockWidget(Qt::RightDockWidgetArea, PlotsDock);
  PlotsDock->hide();
  PlotsDock->SetSource(plotHistory_.get(), [this]() -> const TPlayer* { return SelectedPlayer(); });
  // The dock's own show/hide action keeps its check mark when the dock is closed
  // by its title bar's button.
  menuPlots = PlotsDock->toggleViewAction();
  menuPlots->setText(QStringLiteral("Plots"));
  menuPlots->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_P));
  menuPlots->setObjectName(QStringLiteral("menuPlots"));
  On(PlotsDock, &TPlotsDock::SavePlotRequested, [this] { PlotsSaveClick(); }, false);
  // The first time it opens beside the circuit, the window grows by the dock's
  // width: the circuit keeps its size.
  connect(PlotsDock, &QDockWidget::visibilityChanged, this, [this](bool visible) {
    if (!visible || PlotsDock->isFloating() || PlotsDock->property("sized").toBool()) return;
    PlotsDock->setProperty("sized", true);
    const bool beside = dockWidgetArea(PlotsDock) != Qt::BottomDockWidgetArea;
    if (!isMaximized() && !isFullScreen()) {
      const int separator = style()->pixelMetric(QStyle::PM_DockWidgetSeparatorExtent, nullptr, this);
      if (beside) resize(width() + TPlotsDock::DockWidth + separator, height());
      else resize(width(), height() + PlotsDock->sizeHint().height());
    }
    resizeDocks({PlotsDock}, {TPlotsDock::DockWidth}, beside ? Qt::Horizontal : Qt::Vertical);
  });
  if (!Dialogs.SavePlot) {
    Dialogs.SavePlot = [this](const QString& folder) {
      return QFileDialog::getSaveFileName(this, QStringLiteral("Save plot as PNG"), folder,
                                          QStringLiteral("PNG image (*.png)"));
    };
  }
}

void TFormTest2D::InstallPlotHistory() {
  // Every way a player leaves its team (the "-" button, the circle of karts, a
  // command of the tests) goes through the track, which tells us first.
  track_->OnForgetPlayer = [this](const TPlayer* player) { plotHistory_->Forget(player); };
}

const TPlotHistory& TFormTest2D::PlotHistory() const { return *plotHistory_; }

void TFormTest2D::RecordPlots(double cycleMs) {
  plotHistory_->RecordCycle(*track_, CycleCount, cycleMs);
}

void TFormTest2D::PlotsSaveClick() {
  QString name = Dialogs.SavePlot(SaveFolder);
  if (name.isEmpty()) return;
  if (QFileInfo(name).suffix().isEmpty()) name += QStringLiteral(".png");
  SaveFolder = QFileInfo(name).absolutePath();
  PlotsDock->SavePng(name);  // raises with the reason; the error dialog shows it
}

}  // namespace vorlanth
