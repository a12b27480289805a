// ImgRoad's view: zoom about a point, pan, fit, one to one, and following a point.
// The picture itself is never scaled: frames, films and reports keep it whole.

#include <QMouseEvent>
#include <QWheelEvent>

#include <algorithm>
#include <cmath>

#include "app/widgets.h"

namespace vorlanth {

QPointF TImageView::FitScale() const {
  if (!image_ || image_->width() <= 0 || image_->height() <= 0) return QPointF(1, 1);
  return QPointF(width() / static_cast<double>(image_->width()), height() / static_cast<double>(image_->height()));
}

QTransform TImageView::View() const {
  const QPointF fit = FitScale();
  return QTransform(zoom_ * fit.x(), 0, 0, zoom_ * fit.y(), pan_.x(), pan_.y());
}

QPointF TImageView::ToPicture(QPointF widgetPoint) const { return View().inverted().map(widgetPoint); }

void TImageView::ZoomAt(QPointF widgetPoint, double factor) {
  if (!(factor > 0) || !std::isfinite(factor)) return;
  const double zoom = std::clamp(zoom_ * factor, MinZoom, MaxZoom);
  // The picture point under widgetPoint stays under it.
  pan_ = widgetPoint - (widgetPoint - pan_) * (zoom / zoom_);
  zoom_ = zoom;
  update();
}

void TImageView::Fit() {
  zoom_ = 1;
  pan_ = QPointF();
  update();
}

void TImageView::OneToOne() {
  const QPointF fit = FitScale();
  if (fit.x() <= 0) return;
  ZoomAt(QPointF(width() / 2.0, height() / 2.0), 1 / (fit.x() * zoom_));
}

void TImageView::CentreOn(QPointF picturePoint) {
  const QPointF fit = FitScale();
  const QPointF shown(picturePoint.x() * zoom_ * fit.x(), picturePoint.y() * zoom_ * fit.y());
  const QPointF pan = QPointF(width() / 2.0, height() / 2.0) - shown;
  if (pan == pan_) return;
  pan_ = pan;
  update();
}

void TImageView::SetFollow(bool on) {
  follow_ = on;
  if (on && markRadius_ > 0) CentreOn(markCentre_);
}

void TImageView::mouseMoveEvent(QMouseEvent* event) {
  if (!panning_) {
    QWidget::mouseMoveEvent(event);
    return;
  }
  pan_ += event->position() - panFrom_;
  panFrom_ = event->position();
  update();
}

void TImageView::mouseReleaseEvent(QMouseEvent* event) {
  if (panning_ && event->button() == Qt::MiddleButton) {
    panning_ = false;
    unsetCursor();
    return;
  }
  QWidget::mouseReleaseEvent(event);
}

void TImageView::wheelEvent(QWheelEvent* event) {
  constexpr double kNotch = 120;  // angle delta of one notch
  const double notches = event->angleDelta().y() / kNotch;
  if (notches == 0) {
    event->ignore();
    return;
  }
  ZoomAt(event->position(), std::pow(WheelStep, notches));
  event->accept();
}

}  // namespace vorlanth
