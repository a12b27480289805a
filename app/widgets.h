#pragma once
// The small widgets the window is built from where Qt has no ready equivalent:
// the stretched circuit image, the black panel around it, the clickable colour
// panel, the player list that reports its opening, the flat button that reports
// double clicks.

#include <QComboBox>
#include <QImage>
#include <QLabel>
#include <QToolButton>
#include <QTransform>
#include <QWidget>

#include "core/color.h"

namespace vorlanth {

class QtCanvas;

// ImgRoad: shows the circuit picture stretched to the widget's own size, and a
// dashed ring around the selected player (on the screen only: frames saved from
// the picture carry no ring). The view zooms about the pointer with the wheel and
// pans with the middle button held; a click reads the picture through the view.
class TImageView : public QWidget {
  Q_OBJECT
 public:
  explicit TImageView(QWidget* parent = nullptr);

  // The picture shown (not owned), and the canvas drawing on it, which is closed
  // before each paint so the picture is complete.
  void SetImage(const QImage* image, QtCanvas* canvas);
  const QImage* Image() const { return image_; }
  // The ring's centre and radius in picture pixels; a radius of 0 shows none.
  // While following, the view centres on it.
  void SetMark(QPointF centre, double radius);
  QPointF MarkCentre() const { return markCentre_; }

  // ---- The view (image_view_zoom.cpp) ----
  static constexpr double MinZoom = 0.25;  // of the fitted picture
  static constexpr double MaxZoom = 64;
  static constexpr double WheelStep = 1.25;  // zoom per notch of the wheel
  // Zoom 1: the whole picture fills the widget; 2: twice as large.
  double Zoom() const { return zoom_; }
  // Picture pixels to widget pixels.
  QTransform View() const;
  QPointF ToPicture(QPointF widgetPoint) const;
  // Multiplies the zoom, keeping the picture point under `widgetPoint` there.
  void ZoomAt(QPointF widgetPoint, double factor);
  void Fit();       // the whole picture, as without zoom
  void OneToOne();  // one picture pixel per screen pixel, about the widget's centre
  void CentreOn(QPointF picturePoint);
  // Following: each mark set is centred.
  void SetFollow(bool on);
  bool Following() const { return follow_; }

 signals:
  // The left button went down at this point of the picture (picture pixels).
  void Pressed(QPointF point);

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void wheelEvent(QWheelEvent* event) override;

 private:
  // Widget pixels per picture pixel when fitted (x, y).
  QPointF FitScale() const;
  const QImage* image_ = nullptr;
  QtCanvas* canvas_ = nullptr;
  QPointF markCentre_;
  double markRadius_ = 0;
  double zoom_ = 1;
  QPointF pan_;  // widget pixels: where the picture's origin is shown
  bool follow_ = false;
  bool panning_ = false;
  QPointF panFrom_;  // the pointer when the drag last moved
  QSize fittedSize_;  // the size of the picture the view was last fitted to
};

// PanelImg: the black panel the image sits in; reports its resizes.
class TImagePanel : public QWidget {
  Q_OBJECT
 public:
  explicit TImagePanel(QWidget* parent = nullptr);

 signals:
  void Resized();

 protected:
  void resizeEvent(QResizeEvent* event) override;
};

// The caption colour, black or white, that reads best on the background.
QColor CaptionColorOn(const QColor& background);

// EdColor: a captioned panel whose background is a colour; reports clicks.
class TColorPanel : public QLabel {
  Q_OBJECT
 public:
  explicit TColorPanel(const QString& caption, QWidget* parent = nullptr);

  void SetColor(TColor color);
  TColor Color() const { return color_; }

 signals:
  void Clicked();

 protected:
  void mouseReleaseEvent(QMouseEvent* event) override;

 private:
  TColor color_ = 0;
};

// EdPlayerId: a drop-down list that reports when it is about to open.
class TPlayerList : public QComboBox {
  Q_OBJECT
 public:
  explicit TPlayerList(QWidget* parent = nullptr);
  void showPopup() override;

 signals:
  void Opening();
};

// A flat button that also reports double clicks (after the press Qt reports
// for the same gesture).
class TFlatButton : public QToolButton {
  Q_OBJECT
 public:
  TFlatButton(const QString& caption, int tag, QWidget* parent = nullptr);
  int Tag() const { return tag_; }
  // As narrow as its caption: the column is only 241 pixels wide.
  QSize sizeHint() const override;
  QSize minimumSizeHint() const override { return sizeHint(); }

 signals:
  void DoubleClicked();

 protected:
  void mouseDoubleClickEvent(QMouseEvent* event) override;

 private:
  int tag_ = 0;
};

}  // namespace vorlanth
