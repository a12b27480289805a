#pragma once
// What the boxes of the column share: a captioned group box whose parts stack
// from the top, track bars with their value labels, and the naming of the
// control behind each signal a box sends.
//
// A box owns its controls. It reports what the user did through typed signals
// and shows values from the model through setters that send no signal.

#include <QGroupBox>
#include <QString>

#include <functional>
#include <utility>

class QLabel;
class QSlider;
class QVBoxLayout;

namespace vorlanth {

class TBox : public QGroupBox {
  Q_OBJECT

 public:
  // Track bars: horizontal, 209 x 17, no tick marks.
  static constexpr int BarWidth = 209;
  static constexpr int BarHeight = 17;
  static constexpr int DefaultPageSize = 2;

  // `name` is the box's object name (the form's name for it).
  TBox(const QString& caption, const char* name, QWidget* parent);

  // The control whose signal the box is passing on right now, or null: reports
  // name the command after it.
  const QObject* ActiveControl() const { return active_; }

 protected:
  QVBoxLayout* Column() const;
  // A row with a caption and, at its right, a value label showing "-" until a
  // value is shown; the bar below it. Both get their names.
  QSlider* AddBar(const QString& caption, const char* barName, int minimum, int maximum, int design,
                  const char* labelName, QLabel*& value);
  // Names a control of the box.
  template <typename Control>
  Control* Named(Control* control, const char* name) {
    control->setObjectName(QString::fromLatin1(name));
    return control;
  }
  // Runs `pass` whenever `control` sends `signal`, with the control active.
  template <typename Sender, typename Signal>
  void Relay(Sender* control, Signal signal, std::function<void()> pass) {
    connect(control, signal, this, [this, control, pass] {
      const QObject* outer = std::exchange(active_, control);
      pass();
      active_ = outer;
    });
  }

 private:
  const QObject* active_ = nullptr;
};

}  // namespace vorlanth
