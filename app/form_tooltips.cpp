// Tooltips of the column's sliders and boxes: what each one does, and its unit.
// The goal panel's bars carry their own (goal_box.cpp).

#include <QWidget>

#include "app/form_test2d.h"

namespace vorlanth {

namespace {

struct TTip {
  const char* Control;
  const char* Text;
};

constexpr TTip kTips[] = {
    {"EdColor", "The selected player's colour: click to choose another."},
    {"EdPlayerId", "The selected player: the boxes, the hand moves and the Debug menu act on it."},
    {"EdSeconds", "How far ahead every player simulates its futures, in seconds of simulated time (1 to 20 s)."},
    {"EdMinFutures",
     "The least number of futures each player runs per cycle (1 to 2000); more run until the cycle's 100 ms "
     "are spent."},
    {"EdThreads",
     "Threads the passes of futures run on (1 to the machine's hardware threads); a change made during a "
     "cycle counts from the next one."},
    {"EdFriction", "Rolling friction of the track: a coefficient from 0.0001 to 0.03, shown in percent."},
    {"EdSideFriction",
     "Friction across a body's heading (sliding sideways): a coefficient from 0 to 1, shown in percent."},
    {"EdCollisions", "Whether players bounce off each other (walls always count)."},
    {"EdSize", "The selected player's size: its centre-to-corner distance, in pixels (4 to 40 px)."},
    {"EdDetermined",
     "How determined the selected player is, in percent: the share of its weakest option's score taken off "
     "before it decides (0%: it follows the raw differences; 100%: the weakest option is worth nothing)."},
    {"EdSensitivity",
     "The selected player adjusts how far it pushes each control (its sensitivity, 0 to 1) from its futures."},
    {"EdAutoRadio",
     "The selected player adjusts the size of its end cells after each decision, to keep its futures distinct."},
    {"EdRadio",
     "Size of the selected player's end cells, in pixels: futures that end in one cell with the same first push "
     "count once."},
    {"EdEvolution", "Players rich in energy split in two; the new player's goal strengths are mutated."},
};

}  // namespace

void TFormTest2D::AddTooltips() {
  for (const TTip& tip : kTips)
    if (auto* control = findChild<QWidget*>(QString::fromLatin1(tip.Control)))
      control->setToolTip(QString::fromUtf8(tip.Text));
}

}  // namespace vorlanth
