#include "app/start_stop_box.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QHBoxLayout>
#include <QToolButton>
#include <QVBoxLayout>

namespace vorlanth {

namespace {

// Run and Pause show plainly which one is down: a pressed button is sunken and
// clearly darker.
constexpr const char* kRunButtonStyle =
    "QToolButton { border: 1px solid palette(mid); border-radius: 2px; background: palette(button);"
    " padding: 2px 6px; }"
    "QToolButton:hover { background: palette(light); }"
    "QToolButton:pressed, QToolButton:checked { border-style: inset; border-color: palette(shadow);"
    " background: palette(dark); }";
constexpr int kButtonWidth = 50;  // four buttons side by side in the column

}  // namespace

TStartStopBox::TStartStopBox(QWidget* parent) : TBox(QStringLiteral("START/STOP"), "GroupBox3", parent) {
  auto* row = new QHBoxLayout;
  row->setSpacing(4);
  StartBtn = Named(new QToolButton(this), "StartBtn");
  StartBtn->setText(QStringLiteral("Run"));
  PauseBtn = Named(new QToolButton(this), "PauseBtn");
  PauseBtn->setText(QStringLiteral("Pause"));
  StepBtn = Named(new QToolButton(this), "StepBtn");
  StepBtn->setText(QStringLiteral("Step"));
  BtnReset = Named(new QToolButton(this), "BtnReset");
  BtnReset->setText(QStringLiteral("Reset"));
  StartBtn->setToolTip(QStringLiteral("Run the simulation (Space runs or pauses)"));
  PauseBtn->setToolTip(QStringLiteral("Pause after the cycle in progress (Space)"));
  StepBtn->setToolTip(QStringLiteral("One cycle, then pause (.)"));
  BtnReset->setToolTip(QStringLiteral("Back to the states when Run was last pressed (Ctrl+R)"));
  for (QToolButton* button : {StartBtn, PauseBtn, StepBtn, BtnReset}) {
    button->setToolButtonStyle(Qt::ToolButtonTextOnly);
    button->setStyleSheet(QString::fromLatin1(kRunButtonStyle));
    button->setMinimumWidth(kButtonWidth);
    row->addWidget(button);
  }
  row->addStretch(1);
  // Group 1: pressing one releases the other; a pressed one stays down; at start
  // neither is down.
  StartBtn->setCheckable(true);
  PauseBtn->setCheckable(true);
  RunGroup = Named(new QButtonGroup(this), "RunGroup");
  RunGroup->setExclusive(true);
  RunGroup->addButton(StartBtn, 1);
  RunGroup->addButton(PauseBtn, 2);
  Relay(StartBtn, &QToolButton::clicked, [this] { emit RunClicked(); });
  Relay(StepBtn, &QToolButton::clicked, [this] { emit StepClicked(); });
  Relay(BtnReset, &QToolButton::clicked, [this] { emit ResetClicked(); });

  EdEvolution = Named(new QCheckBox(QStringLiteral("Allow evolution of goal params."), this), "EdEvolution");
  Relay(EdEvolution, &QCheckBox::clicked, [this] { emit EvolutionClicked(EdEvolution->isChecked()); });
  Column()->addLayout(row);
  Column()->addWidget(EdEvolution);
}

bool TStartStopBox::RunDown() const { return StartBtn->isChecked(); }
void TStartStopBox::Pause() { PauseBtn->setChecked(true); }
void TStartStopBox::ClickRun() { StartBtn->click(); }
void TStartStopBox::ClickPause() { PauseBtn->click(); }
void TStartStopBox::ClickStep() { StepBtn->click(); }
void TStartStopBox::ClickReset() { BtnReset->click(); }
bool TStartStopBox::Evolution() const { return EdEvolution->isChecked(); }

void TStartStopBox::ShowEvolution(bool allowed) { EdEvolution->setChecked(allowed); }

}  // namespace vorlanth
