#include "app/ai_box.h"

#include <QLabel>
#include <QSignalBlocker>
#include <QSlider>

namespace vorlanth {

namespace {

constexpr int kMinFuturesTicks = 25;

}  // namespace

TAiBox::TAiBox(QWidget* parent) : TBox(QStringLiteral("A.I."), "EdAIParams", parent) {
  EdSeconds = AddBar(QStringLiteral("Seconds in the future to simulate"), "EdSeconds", 1, 20, 10, "LbSeconds",
                     LbSeconds);
  EdMinFutures =
      AddBar(QStringLiteral("Min. number of futures"), "EdMinFutures", 1, 2000, 100, "LbMinFutures", LbMinFutures);
  EdMinFutures->setTickInterval(kMinFuturesTicks);
  Relay(EdSeconds, &QSlider::valueChanged, [this] {
    ShowLabels();
    emit HorizonChanged(HorizonSeconds());
  });
  Relay(EdMinFutures, &QSlider::valueChanged, [this] {
    ShowLabels();
    emit MinFuturesChanged(MinFutures());
  });
}

int TAiBox::HorizonSeconds() const { return EdSeconds->value(); }
int TAiBox::MinFutures() const { return EdMinFutures->value(); }

void TAiBox::ShowSettings(int horizonSeconds, int minFutures) {
  {
    const QSignalBlocker blockSeconds(EdSeconds);
    const QSignalBlocker blockFutures(EdMinFutures);
    EdSeconds->setValue(horizonSeconds);
    EdMinFutures->setValue(minFutures);
  }
  ShowLabels();
}

void TAiBox::ShowLabels() {
  LbSeconds->setText(QStringLiteral("%1 s.").arg(EdSeconds->value()));
  LbMinFutures->setText(QString::number(EdMinFutures->value()));
}

}  // namespace vorlanth
