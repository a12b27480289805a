#pragma once
// The "Player" dock: the selected player's numbers after the last cycle shown:
// position, speed, heading, energy, health, its goals' values (and feelings where
// they have a reaction time) and its futures in that cycle. The window shows the
// live world in it after each cycle and when the selection changes; a past cycle
// can be shown through the same entry point.

#include <QDockWidget>
#include <QString>
#include <QStringList>

class QLabel;

namespace vorlanth {

class TPlayer;
class TTrack2D;

// What the dock shows of one player, as text.
struct TPlayerNumbers {
  QString Player;    // "#2 kart"
  QString Position;  // "412.3, 188.0 px"
  QString Speed;     // "35.2 px/s"
  QString Heading;   // "-90.0°" (0 is +x, growing clockwise on screen)
  QString Energy;    // "87.5"
  QString Health;
  QString Futures;   // "2,880 run, 1,953 distinct"
  QStringList Goals; // "Get drops: 0.25 (feeling 1.02)"

  // Reads the player's present (after a cycle: nothing changes); no player, dashes.
  static TPlayerNumbers Of(const TTrack2D& track, TPlayer* player);
};

class TPlayerDock : public QDockWidget {
  Q_OBJECT

 public:
  explicit TPlayerDock(QWidget* parent = nullptr);

  // Shows the player's numbers in the track as it is now (the player may be null).
  // Only while the world waits: between cycles or in a meeting.
  void ShowPlayer(const TTrack2D& track, TPlayer* player);
  const TPlayerNumbers& Shown() const { return shown_; }

 private:
  QLabel* LbPlayer;
  QLabel* LbPosition;
  QLabel* LbSpeed;
  QLabel* LbHeading;
  QLabel* LbEnergy;
  QLabel* LbHealth;
  QLabel* LbFutures;
  QLabel* LbGoals;
  TPlayerNumbers shown_;
};

}  // namespace vorlanth
