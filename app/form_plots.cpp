// The window's part of the plots: the dock showing the session's history of the
// selected player, growing the window as it first opens, and saving the charts
// as PNG.

#include <QAction>
#include <QFileDialog>
#include <QFileInfo>
#include <QScreen>
#include <QStyle>

#include <algorithm>

#include "app/file_problem.h"
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
  // width, so the circuit keeps its size, as far as the screen has room: beyond
  // it the circuit gives the dock its room, and the window stays on the screen.
  connect(PlotsDock, &QDockWidget::visibilityChanged, this, [this](bool visible) {
    if (!visible || PlotsDock->isFloating() || PlotsDock->property("sized").toBool()) return;
    PlotsDock->setProperty("sized", true);
    const bool beside = dockWidgetArea(PlotsDock) != Qt::BottomDockWidgetArea;
    if (!isMaximized() && !isFullScreen()) FitDock(beside);
    resizeDocks({PlotsDock}, {TPlotsDock::DockWidth}, beside ? Qt::Horizontal : Qt::Vertical);
  });
  if (!Dialogs.SavePlot) {
    Dialogs.SavePlot = [this](const QString& folder) {
      return QFileDialog::getSaveFileName(this, QStringLiteral("Save plot as PNG"), folder,
                                          QStringLiteral("PNG image (*.png)"));
    };
  }
}

void TFormTest2D::FitDock(bool beside) {
  const int separator = style()->pixelMetric(QStyle::PM_DockWidgetSeparatorExtent, nullptr, this);
  QSize size(width(), height());
  if (beside) size.rwidth() += TPlotsDock::DockWidth + separator;
  else size.rheight() += PlotsDock->sizeHint().height();
  const QScreen* shown = screen();
  const QRect area = ScreenArea ? ScreenArea() : shown ? shown->availableGeometry() : QRect();
  if (area.isEmpty()) {
    resize(size);
    return;
  }
  // The window's frame (title bar, borders) is on the screen too.
  const QSize frame = frameGeometry().size() - QMainWindow::size();
  size = size.boundedTo(area.size() - frame).expandedTo(minimumSizeHint());
  resize(size);
  const int right = std::max(area.left(), area.right() + 1 - size.width() - frame.width());
  const int bottom = std::max(area.top(), area.bottom() + 1 - size.height() - frame.height());
  move(std::clamp(x(), area.left(), right), std::clamp(y(), area.top(), bottom));
}

void TFormTest2D::PlotsSaveClick() {
  QString name = Dialogs.SavePlot(saveFolder_);
  if (name.isEmpty()) return;
  if (QFileInfo(name).suffix().isEmpty()) name += QStringLiteral(".png");
  saveFolder_ = QFileInfo(name).absolutePath();
  AsFileProblem(name, [&] { PlotsDock->SavePng(name); });  // raises with the reason
}

}  // namespace vorlanth
