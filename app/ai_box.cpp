#include "app/ai_box.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QSignalBlocker>
#include <QSlider>
#include <QSpinBox>
#include <QVBoxLayout>

#include "core/hardware_threads.h"

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

  EdThreads = Named(new QSpinBox(this), "EdThreads");
  EdThreads->setRange(1, HardwareThreads());
  EdThreads->setValue(HardwareThreads());
  EdThreads->setKeyboardTracking(false);  // a typed number counts once it is complete
  auto* threadsRow = new QHBoxLayout;
  threadsRow->setContentsMargins(0, 2, 0, 0);
  threadsRow->setSpacing(4);
  auto* threadsCaption = new QLabel(QStringLiteral("Threads"), this);
  threadsCaption->setBuddy(EdThreads);
  threadsRow->addWidget(threadsCaption);
  threadsRow->addStretch(1);
  threadsRow->addWidget(EdThreads);
  Column()->addLayout(threadsRow);

  Relay(EdSeconds, &QSlider::valueChanged, [this] {
    ShowLabels();
    emit HorizonChanged(HorizonSeconds());
  });
  Relay(EdMinFutures, &QSlider::valueChanged, [this] {
    ShowLabels();
    emit MinFuturesChanged(MinFutures());
  });
  Relay(EdThreads, &QSpinBox::valueChanged, [this] { emit ThreadsChanged(Threads()); });
}

int TAiBox::HorizonSeconds() const { return EdSeconds->value(); }
int TAiBox::MinFutures() const { return EdMinFutures->value(); }
int TAiBox::Threads() const { return EdThreads->value(); }

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
