#include "app/player_box.h"

#include <QCheckBox>
#include <QLabel>
#include <QSignalBlocker>
#include <QSlider>
#include <QVBoxLayout>

#include "core/rounding.h"

namespace vorlanth {

namespace {

constexpr int kRadioLineSize = 2;
constexpr double kPercent = 100;

}  // namespace

TPlayerBox::TPlayerBox(QWidget* parent) : TBox(QStringLiteral("PLAYER"), "EdPlayerParams", parent) {
  EdSize = AddBar(QStringLiteral("Player size"), "EdSize", 4, 40, 8, "LbSize", LbSize);
  EdSize->setPageStep(1);
  EdDetermined =
      AddBar(QStringLiteral("Determined/Indecise"), "EdDetermined", 0, 100, 90, "LbDetermined", LbDetermined);
  EdDetermined->setPageStep(1);
  EdSensitivity = Named(new QCheckBox(QStringLiteral("Auto adjust joystick sensitivity"), this), "EdSensitivity");
  EdSensitivity->setChecked(true);
  EdAutoRadio = Named(new QCheckBox(QStringLiteral("Auto adjust grid size."), this), "EdAutoRadio");
  EdAutoRadio->setChecked(true);
  Column()->addWidget(EdSensitivity);
  Column()->addWidget(EdAutoRadio);
  // The grid bar has no caption: its value label sits above its right end.
  EdRadio = AddBar(QString(), "EdRadio", 5, 25, 15, "LbRadio", LbRadio);
  EdRadio->setSingleStep(kRadioLineSize);

  Relay(EdSize, &QSlider::valueChanged, [this] {
    ShowLabels();
    emit SizeChanged(Size());
  });
  Relay(EdDetermined, &QSlider::valueChanged, [this] {
    ShowLabels();
    emit DeterminedChanged(Determination());
  });
  Relay(EdRadio, &QSlider::valueChanged, [this] {
    ShowLabels();
    emit GridSizeChanged(GridSize());
  });
  Relay(EdSensitivity, &QCheckBox::clicked, [this] { emit SensitivityClicked(Sensitivity()); });
  Relay(EdAutoRadio, &QCheckBox::clicked, [this] { emit AutoGridClicked(AutoGrid()); });
}

int TPlayerBox::Size() const { return EdSize->value(); }
double TPlayerBox::Determination() const { return EdDetermined->value() / kPercent; }
int TPlayerBox::GridSize() const { return EdRadio->value(); }
bool TPlayerBox::Sensitivity() const { return EdSensitivity->isChecked(); }
bool TPlayerBox::AutoGrid() const { return EdAutoRadio->isChecked(); }

void TPlayerBox::ShowSize(int pixels) {
  {
    const QSignalBlocker block(EdSize);
    EdSize->setValue(pixels);
  }
  ShowLabels();
}

void TPlayerBox::ShowPlayer(double determination, int minGridSize, int maxGridSize, bool autoGrid,
                            bool sensitivity) {
  {
    const QSignalBlocker blockDetermined(EdDetermined);
    const QSignalBlocker blockRadio(EdRadio);
    EdDetermined->setValue(Round32(determination * kPercent));
    EdRadio->setMaximum(maxGridSize);
    EdRadio->setMinimum(minGridSize);
    EdAutoRadio->setChecked(autoGrid);
    EdSensitivity->setChecked(sensitivity);
  }
  ShowLabels();
}

void TPlayerBox::ShowGridSize(int pixels) {
  {
    const QSignalBlocker block(EdRadio);
    EdRadio->setValue(pixels);
  }
  ShowLabels();
}

void TPlayerBox::ShowLabels() {
  LbSize->setText(QStringLiteral("%1px").arg(EdSize->value()));
  LbDetermined->setText(QStringLiteral("%1%").arg(EdDetermined->value()));
  LbRadio->setText(QStringLiteral("%1px").arg(EdRadio->value()));
}

}  // namespace vorlanth
