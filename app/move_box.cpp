#include "app/move_box.h"

#include <QGridLayout>
#include <QVBoxLayout>

#include "app/widgets.h"

namespace vorlanth {

TMoveBox::TMoveBox(QWidget* parent) : TBox(QStringLiteral("MOVE"), "EdHandMove", parent) {
  auto* grid = new QGridLayout;
  grid->setSpacing(0);
  QFont bold = font();
  bold.setBold(true);

  struct TButtonInfo {
    TFlatButton** field;
    const char* name;
    const char* caption;
    int tag;
    const char* hint;
    int row;
    int column;
  };
  // Arrows as a cross with the turns beside "^"; energy and health on the right.
  const TButtonInfo moves[] = {
      {&SpeedButton6, "SpeedButton6", "Turn left", 5, "", 0, 0},
      {&SpeedButton2, "SpeedButton2", "^", 3, "", 0, 1},
      {&SpeedButton5, "SpeedButton5", "Turn right", 6, "", 0, 2},
      {&SpeedButton1, "SpeedButton1", "<", 1, "", 1, 0},
      {&SpeedButton4, "SpeedButton4", "v", 4, "", 1, 1},
      {&SpeedButton3, "SpeedButton3", ">", 2, "", 1, 2},
  };
  const TButtonInfo levels[] = {
      {&SpeedButton8, "SpeedButton8", "+E", 0, "Gives energy", 0, 4},
      {&SpeedButton9, "SpeedButton9", "+H", 1, "Gives health ", 0, 5},
      {&SpeedButton10, "SpeedButton10", "-E", 2, "Takes energy", 1, 4},
      {&SpeedButton11, "SpeedButton11", "-H", 3, "Takes health", 1, 5},
  };
  for (const TButtonInfo& entry : moves) {
    auto* button = Named(new TFlatButton(QString::fromLatin1(entry.caption), entry.tag, this), entry.name);
    if (entry.tag <= 4) button->setFont(bold);
    *entry.field = button;
    grid->addWidget(button, entry.row, entry.column);
    Relay(button, &QToolButton::pressed, [this, button] { emit MovePressed(button->Tag()); });
    Relay(button, &QToolButton::released, [this] { emit MoveReleased(); });
  }
  for (const TButtonInfo& entry : levels) {
    auto* button = Named(new TFlatButton(QString::fromLatin1(entry.caption), entry.tag, this), entry.name);
    button->setToolTip(QString::fromLatin1(entry.hint));
    *entry.field = button;
    grid->addWidget(button, entry.row, entry.column);
    Relay(button, &QToolButton::clicked, [this, button] { emit LevelClicked(button->Tag()); });
    Relay(button, &TFlatButton::DoubleClicked, [this, button] { emit LevelDoubleClicked(button->Tag()); });
  }
  grid->setColumnStretch(3, 1);
  Column()->addLayout(grid);
  ShowRunning(false);
}

void TMoveBox::ShowRunning(bool running) {
  for (TFlatButton* button : {SpeedButton1, SpeedButton3, SpeedButton2, SpeedButton4, SpeedButton6, SpeedButton5}) {
    button->setEnabled(!running);
    button->setToolTip(running ? QString::fromLatin1(PausedOnlyHint)
                               : QStringLiteral("Moves the selected player while held (only while paused)."));
  }
}

}  // namespace vorlanth
