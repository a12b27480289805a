#include "app/widgets.h"

#include <QMouseEvent>
#include <QPainter>
#include <QPen>
#include <QResizeEvent>

#include <algorithm>
#include <cmath>
#include <utility>

#include "render/qt_canvas.h"
#include "render/qt_picture.h"

namespace vorlanth {

TImageView::TImageView(QWidget* parent) : QWidget(parent) {
  // The picture covers every pixel: nothing to erase before painting.
  setAttribute(Qt::WA_OpaquePaintEvent);
}

void TImageView::SetImage(const QImage* image, QtCanvas* canvas) {
  image_ = image;
  canvas_ = canvas;
  // A circuit of another size is shown whole.
  if (image && image->size() != fittedSize_) {
    fittedSize_ = image->size();
    Fit();
  }
  update();
}

void TImageView::paintEvent(QPaintEvent* /*event*/) {
  QPainter painter(this);
  if (!image_ || image_->isNull()) {
    painter.fillRect(rect(), Qt::black);
    return;
  }
  if (canvas_) canvas_->End();
  const QTransform view = View();
  if (zoom_ == 1 && pan_.isNull()) {
    painter.drawImage(rect(), *image_);
  } else {
    // Zoomed or panned: the picture's pixels grow as squares; around it, black.
    painter.fillRect(rect(), Qt::black);
    painter.setTransform(view);
    painter.drawImage(QPointF(0, 0), *image_);
    painter.resetTransform();
  }
  if (markRadius_ <= 0) return;
  constexpr double kMarginPx = 4;  // the ring clears the body's outline
  const QPointF centre = view.map(markCentre_);
  const double rx = markRadius_ * view.m11() + kMarginPx;
  const double ry = markRadius_ * view.m22() + kMarginPx;
  painter.setRenderHint(QPainter::Antialiasing);
  for (const auto& [colour, style] : {std::pair{QColor(Qt::white), Qt::SolidLine}, std::pair{QColor(Qt::black), Qt::DashLine}}) {
    painter.setPen(QPen(colour, 1.5, style));
    painter.drawEllipse(centre, rx, ry);
  }
}

void TImageView::SetMark(QPointF centre, double radius) {
  if (follow_ && radius > 0) CentreOn(centre);
  if (centre == markCentre_ && radius == markRadius_) return;
  markCentre_ = centre;
  markRadius_ = radius;
  update();
}

void TImageView::mousePressEvent(QMouseEvent* event) {
  if (event->button() == Qt::MiddleButton) {
    panning_ = true;
    panFrom_ = event->position();
    setCursor(Qt::ClosedHandCursor);
    return;
  }
  if (event->button() != Qt::LeftButton || !image_ || width() <= 0 || height() <= 0) {
    QWidget::mousePressEvent(event);
    return;
  }
  emit Pressed(ToPicture(event->position()));
}

TImagePanel::TImagePanel(QWidget* parent) : QWidget(parent) {
  setAutoFillBackground(true);
  QPalette palette = this->palette();
  palette.setColor(QPalette::Window, Qt::black);
  setPalette(palette);
}

void TImagePanel::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  emit Resized();
}

QColor CaptionColorOn(const QColor& background) {
  // Relative luminance of sRGB: green looks far brighter than blue at the same
  // value, so pure blue is dark and pure yellow light. Below this luminance white
  // text contrasts more than black.
  constexpr double kEqualContrast = 0.179;
  auto linear = [](double c) { return c <= 0.04045 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4); };
  const double luminance = 0.2126 * linear(background.redF()) + 0.7152 * linear(background.greenF()) +
                           0.0722 * linear(background.blueF());
  return luminance < kEqualContrast ? QColor(Qt::white) : QColor(Qt::black);
}

TColorPanel::TColorPanel(const QString& caption, QWidget* parent) : QLabel(caption, parent) {
  setAlignment(Qt::AlignCenter);
  setAutoFillBackground(true);
  setFrameStyle(QFrame::Panel | QFrame::Raised);
  setCursor(Qt::PointingHandCursor);
  SetColor(color_);
}

void TColorPanel::SetColor(TColor color) {
  color_ = color;
  const QColor background = QColor::fromRgb(ToQRgb(color));
  QPalette palette = this->palette();
  palette.setColor(QPalette::Window, background);
  palette.setColor(QPalette::WindowText, CaptionColorOn(background));
  setPalette(palette);
}

void TColorPanel::mouseReleaseEvent(QMouseEvent* event) {
  QLabel::mouseReleaseEvent(event);
  if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()))
    emit Clicked();
}

TPlayerList::TPlayerList(QWidget* parent) : QComboBox(parent) { setEditable(false); }

void TPlayerList::showPopup() {
  emit Opening();
  QComboBox::showPopup();
}

TFlatButton::TFlatButton(const QString& caption, int tag, QWidget* parent)
    : QToolButton(parent), tag_(tag) {
  setText(caption);
  setAutoRaise(true);
}

QSize TFlatButton::sizeHint() const {
  constexpr int kPadding = 4;
  constexpr int kHeight = 20;
  // At least square, so that the one-character buttons stay easy to hit.
  return QSize(std::max(fontMetrics().horizontalAdvance(text()) + kPadding, kHeight), kHeight);
}

void TFlatButton::mouseDoubleClickEvent(QMouseEvent* event) {
  QToolButton::mouseDoubleClickEvent(event);
  if (event->button() == Qt::LeftButton) emit DoubleClicked();
}

}  // namespace vorlanth
