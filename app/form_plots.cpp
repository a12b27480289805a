// The window's part of the plots: the dock showing the session's history of the
// selected player, growing the window as it first opens, and saving the charts
// as PNG.

#include <QAction>
#include <QFileDialog>
#include <QFileInfo>
#include <QStyle>

#include "app/form_test2d.h"
#include "app/player_history.h"
#include "app/session.h"
#include "app/plots_dock.h"
#include "core/team.h"
#include "world2d/track2d.h"

namespace vorlanth {

void TFormTest2D::BuildPlotsDock() {
  PlotsDock = new TPlotsDock(this);
  addDockWidget(Qt::RightDockWidgetArea, PlotsDock);
  PlotsDock->hide();
  PlotsDock->SetSource(&session_->PlotHistory(), [this]() -> const TPlayer* { return SelectedPlayer(); });
  // While a cycle computes, the plots wait for its end (CycleDone) to read the world.
  PlotsDock->Readable = [this] { return !session_->WorldBusy(); };
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

void TFormTest2D::PlotsSaveClick() {
  QString name = Dialogs.SavePlot(saveFolder_);
  if (name.isEmpty()) return;
  if (QFileInfo(name).suffix().isEmpty()) name += QStringLiteral(".png");
  saveFolder_ = QFileInfo(name).absolutePath();
  PlotsDock->SavePng(name);  // raises with the reason; the error dialog shows it
}

}  // namespace vorlanth
