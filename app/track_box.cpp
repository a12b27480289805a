#include "app/track_box.h"

#include <QCheckBox>
#include <QLabel>
#include <QSignalBlocker>
#include <QSlider>
#include <QVBoxLayout>

#include "core/rounding.h"

namespace vorlanth {

namespace {

constexpr double kFrictionScale = 10000;  // a step of EdFriction
constexpr double kSideFrictionScale = 100;

}  // namespace

TTrackBox::TTrackBox(QWidget* parent) : TBox(QStringLiteral("TRACK"), "EdTrackParams", parent) {
  EdFriction = AddBar(QStringLiteral("Track friction coef."), "EdFriction", 1, 300, 20, "LbFriction", LbFriction);
  EdSideFriction = AddBar(QStringLiteral("Slide friction coeficient"), "EdSideFriction", 0, 100, 50,
                          "LbSideFriction", LbSideFriction);
  EdCollisions =
      Named(new QCheckBox(QStringLiteral("Detect collisions \"player to player\"."), this), "EdCollisions");
  EdCollisions->setChecked(true);
  Column()->addWidget(EdCollisions);
  Relay(EdFriction, &QSlider::valueChanged, [this] {
    ShowLabels();
    emit FrictionChanged(Friction());
  });
  Relay(EdSideFriction, &QSlider::valueChanged, [this] {
    ShowLabels();
    emit SideFrictionChanged(SideFriction());
  });
  Relay(EdCollisions, &QCheckBox::clicked, [this] { emit CollisionsClicked(Collisions()); });
}

double TTrackBox::Friction() const { return EdFriction->value() / kFrictionScale; }
double TTrackBox::SideFriction() const { return EdSideFriction->value() / kSideFrictionScale; }
bool TTrackBox::Collisions() const { return EdCollisions->isChecked(); }

void TTrackBox::ShowCollisions(bool detect) { EdCollisions->setChecked(detect); }

void TTrackBox::ShowSettings(double friction, double sideFriction) {
  {
    const QSignalBlocker blockFriction(EdFriction);
    const QSignalBlocker blockSide(EdSideFriction);
    EdFriction->setValue(Round32(friction * kFrictionScale));
    EdSideFriction->setValue(Round32(sideFriction * kSideFrictionScale));
  }
  ShowLabels();
}

void TTrackBox::ShowLabels() {
  // The coefficient the bar stands for, in percent: position 80 is 0.008, "0.80%".
  LbFriction->setText(QStringLiteral("%1%").arg(EdFriction->value() / 100.0, 0, 'f', 2));
  LbSideFriction->setText(QStringLiteral("%1%").arg(EdSideFriction->value()));
}

}  // namespace vorlanth
