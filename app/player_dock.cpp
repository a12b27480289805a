#include "app/player_dock.h"

#include <QFormLayout>
#include <QLabel>
#include <QLocale>

#include <cmath>
#include <numbers>

#include "bench/body_kinds.h"
#include "bench/player_reading.h"
#include "core/futures.h"
#include "core/goal.h"
#include "core/player.h"
#include "core/team.h"
#include "world2d/player2d.h"
#include "world2d/track2d.h"

namespace vorlanth {

namespace {

const QString kNone = QStringLiteral("-");

QString Number(double value, int decimals = 1) { return QLocale::system().toString(value, 'f', decimals); }

}  // namespace

TPlayerNumbers TPlayerNumbers::Of(const TTrack2D& track, TPlayer* player) {
  TPlayerNumbers numbers;
  for (QString* text : {&numbers.Player, &numbers.Position, &numbers.Speed, &numbers.Heading, &numbers.Energy,
                        &numbers.Health, &numbers.Futures})
    *text = kNone;
  if (!player) return numbers;
  int index = 0;
  if (TTeam* team = track.CurrentTeam)
    for (int32_t i = 0; i < team->PlayerCount(); ++i)
      if (team->GetPlayer(i) == player) index = i + 1;
  numbers.Player = QStringLiteral("#%1 %2%3")
                       .arg(index)
                       .arg(QString::fromLatin1(BodyKindName(*player)), player->IsDead() ? QStringLiteral(" (dead)") : QString());
  if (const auto* body = dynamic_cast<const TPlayer2D*>(player)) {
    numbers.Position = QStringLiteral("%1, %2 px").arg(Number(body->GetPosX()), Number(body->GetPosY()));
    // Degrees from +x, growing clockwise on the screen, in (-180, 180].
    double degrees = std::remainder(body->GetAngle(), 2 * std::numbers::pi) * 180 / std::numbers::pi;
    if (degrees == -180) degrees = 180;
    numbers.Heading = QStringLiteral("%1°").arg(Number(degrees));
  }
  numbers.Speed = QStringLiteral("%1 px/s").arg(Number(BodySpeed(*player)));
  numbers.Energy = Number(player->GetEnergy());
  numbers.Health = Number(player->GetHealth());
  // A past cycle of the timeline keeps no futures: it says how many ran, not how
  // many were distinct.
  const QString run = QLocale::system().toString(static_cast<qlonglong>(track.LastPassCount));
  const int64_t distinct = player->Futures->FutureCount();
  numbers.Futures = distinct > 0 || track.LastPassCount == 0
                        ? QStringLiteral("%1 run, %2 distinct").arg(run, QLocale::system().toString(distinct))
                        : QStringLiteral("%1 run").arg(run);
  ForEachGoalReading(*player, [&numbers](const TGoalReading& reading) {
    QString line = QStringLiteral("%1%2: %3")
                       .arg(QString::fromStdString(GoalKey(reading)),
                            reading.TeamGoal ? QStringLiteral(" (team)") : QString(), Number(reading.Value, 3));
    if (reading.HasReaction) line += QStringLiteral(", feeling %1").arg(Number(reading.Feeling, 3));
    numbers.Goals << line;
  });
  return numbers;
}

TPlayerDock::TPlayerDock(QWidget* parent) : QDockWidget(QStringLiteral("Player"), parent) {
  setObjectName(QStringLiteral("PlayerDock"));
  auto* body = new QWidget(this);
  auto* rows = new QFormLayout(body);
  auto add = [&](const QString& caption, const char* name, const QString& tip) {
    auto* label = new QLabel(kNone, body);
    label->setObjectName(QString::fromLatin1(name));
    label->setTextInteractionFlags(Qt::TextSelectableByMouse);
    label->setToolTip(tip);
    rows->addRow(caption, label);
    return label;
  };
  LbPlayer = add(QStringLiteral("Player"), "LbDockPlayer", QStringLiteral("The selected player: its number and kind"));
  LbPosition = add(QStringLiteral("Position"), "LbDockPosition",
                   QStringLiteral("Centre of the body, in pixels of the circuit (x to the right, y down)"));
  LbSpeed = add(QStringLiteral("Speed"), "LbDockSpeed", QStringLiteral("In pixels per second"));
  LbHeading = add(QStringLiteral("Heading"), "LbDockHeading",
                  QStringLiteral("In degrees from the +x axis, growing clockwise on the screen"));
  LbEnergy = add(QStringLiteral("Energy"), "LbDockEnergy", QStringLiteral("0 to 100"));
  LbHealth = add(QStringLiteral("Health"), "LbDockHealth", QStringLiteral("0 to 100"));
  LbFutures = add(QStringLiteral("Futures"), "LbDockFutures",
                  QStringLiteral("Futures the player ran in the last cycle, and how many ended apart"));
  LbGoals = add(QStringLiteral("Goals"), "LbDockGoals",
                QStringLiteral("Each goal's value on the player's present; the feeling where the goal has a "
                               "reaction time (1 is neutral)"));
  LbGoals->setWordWrap(true);
  setWidget(body);
}

void TPlayerDock::ShowPlayer(const TTrack2D& track, TPlayer* player) {
  shown_ = TPlayerNumbers::Of(track, player);
  LbPlayer->setText(shown_.Player);
  LbPosition->setText(shown_.Position);
  LbSpeed->setText(shown_.Speed);
  LbHeading->setText(shown_.Heading);
  LbEnergy->setText(shown_.Energy);
  LbHealth->setText(shown_.Health);
  LbFutures->setText(shown_.Futures);
  LbGoals->setText(shown_.Goals.isEmpty() ? kNone : shown_.Goals.join(QLatin1Char('\n')));
}

}  // namespace vorlanth
