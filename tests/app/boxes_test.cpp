// The boxes of the column on their own: what they report, and that showing the
// model's values reports nothing.

#include <QCheckBox>
#include <QLabel>
#include <QSignalSpy>
#include <QSlider>
#include <QToolButton>
#include <QtTest>

#include "app/ai_box.h"
#include "app/choose_player_box.h"
#include "app/goal_panel.h"
#include "app/player_box.h"
#include "app/start_stop_box.h"
#include "app/track_box.h"
#include "app/widgets.h"
#include "find_control.h"

using namespace vorlanth;
using vorlanth::testing::Find;

class BoxesTest : public QObject {
  Q_OBJECT

  static QString Text(const QObject& box, const char* label) { return Find<QLabel>(box, label)->text(); }

 private slots:
  void aiBoxShowsWithoutReportingAndReportsTheUsersMove() {
    TAiBox box(nullptr);
    QSignalSpy horizon(&box, &TAiBox::HorizonChanged);
    QSignalSpy futures(&box, &TAiBox::MinFuturesChanged);
    box.ShowSettings(3, 250);
    QCOMPARE(horizon.count() + futures.count(), 0);
    QCOMPARE(box.HorizonSeconds(), 3);
    QCOMPARE(Text(box, "LbSeconds"), QStringLiteral("3 s."));
    QCOMPARE(Text(box, "LbMinFutures"), QStringLiteral("250"));

    // While a signal is on its way the bar behind it is the active control.
    QSlider* bar = Find<QSlider>(box, "EdSeconds");
    const QObject* active = nullptr;
    connect(&box, &TAiBox::HorizonChanged, &box, [&] { active = box.ActiveControl(); });
    bar->setValue(7);
    QCOMPARE(horizon.count(), 1);
    QCOMPARE(horizon[0][0].toInt(), 7);
    QCOMPARE(active, bar);
    QCOMPARE(box.ActiveControl(), nullptr);
    QCOMPARE(Text(box, "LbSeconds"), QStringLiteral("7 s."));
  }

  void trackBoxRoundsToItsStepsBothWays() {
    TTrackBox box(nullptr);
    QSignalSpy friction(&box, &TTrackBox::FrictionChanged);
    box.ShowSettings(0.00834, 0.104);
    QCOMPARE(friction.count(), 0);
    QCOMPARE(box.Friction(), 0.0083);
    QCOMPARE(box.SideFriction(), 0.1);
    QCOMPARE(Text(box, "LbFriction"), QStringLiteral("0.83%"));  // the coefficient 0.0083
    QCOMPARE(Text(box, "LbSideFriction"), QStringLiteral("10%"));
    Find<QSlider>(box, "EdFriction")->setValue(35);
    QCOMPARE(friction.count(), 1);
    QCOMPARE(friction[0][0].toDouble(), 0.0035);
    QCOMPARE(Text(box, "LbFriction"), QStringLiteral("0.35%"));
  }

  void playerBoxKeepsItsGridLabelWithItsBar() {
    TPlayerBox box(nullptr);
    QSignalSpy grid(&box, &TPlayerBox::GridSizeChanged);
    QSignalSpy determined(&box, &TPlayerBox::DeterminedChanged);
    box.ShowGridSize(25);
    box.ShowPlayer(0.42, 5, 20, false, true);  // the new range moves the bar
    QCOMPARE(grid.count() + determined.count(), 0);
    QCOMPARE(box.GridSize(), 20);
    QCOMPARE(Text(box, "LbRadio"), QStringLiteral("20px"));
    QCOMPARE(box.Determination(), 0.42);
    QCOMPARE(Text(box, "LbDetermined"), QStringLiteral("42%"));
    QVERIFY(!box.AutoGrid());
    QSignalSpy autoGrid(&box, &TPlayerBox::AutoGridClicked);
    Find<QCheckBox>(box, "EdAutoRadio")->click();
    QCOMPARE(autoGrid.count(), 1);
    QCOMPARE(autoGrid[0][0].toBool(), true);
  }

  void choosePlayerBoxNamesPlayersByPosition() {
    TChoosePlayerBox box(nullptr);
    QSignalSpy chosen(&box, &TChoosePlayerBox::PlayerChosen);
    box.ShowPlayers(3, 1);
    box.AddPlayer(4);
    QCOMPARE(chosen.count(), 0);
    auto* list = Find<TPlayerList>(box, "EdPlayerId");
    QCOMPARE(list->count(), 4);
    QCOMPARE(list->itemText(3), QStringLiteral("Player #4"));
    QCOMPARE(box.ChosenIndex(), 3);
    list->setCurrentIndex(0);
    emit list->activated(0);
    QCOMPARE(chosen.count(), 1);
    QCOMPARE(chosen[0][0].toInt(), 0);
    QSignalSpy added(&box, &TChoosePlayerBox::AddClicked);
    Find<TFlatButton>(box, "SpeedButton7")->click();
    QCOMPARE(added.count(), 1);
    QCOMPARE(added[0][0].toInt(), 2);  // a rocket
  }

  void goalPanelReportsAndShowsByTag() {
    TGoalPanel panel(nullptr);
    panel.AddGoal(1, QStringLiteral("GOAL \"Health\""), {{TGoalRow::Strength, 20, QStringLiteral("1.00")}});
    panel.AddGoal(-1, QStringLiteral("GOAL \"Get drops\" (team)"),
                  {{TGoalRow::Strength, 40, QStringLiteral("2.00")}});
    QSignalSpy rows(&panel, &TGoalPanel::RowChanged);
    const QList<TGoalBox*> boxes = panel.findChildren<TGoalBox*>();
    QCOMPARE(boxes.size(), 2);
    TGoalBox* teamBox = boxes[0]->Tag() == -1 ? boxes[0] : boxes[1];
    const QObject* active = nullptr;
    connect(&panel, &TGoalPanel::RowChanged, &panel, [&] { active = panel.ActiveControl(); });
    teamBox->findChild<QSlider*>()->setValue(60);
    QCOMPARE(rows.count(), 1);
    QCOMPARE(rows[0][0].toInt(), -1);
    QCOMPARE(rows[0][1].value<TGoalRow>(), TGoalRow::Strength);
    QCOMPARE(rows[0][2].toInt(), 60);
    QCOMPARE(active, teamBox);
    panel.ShowValue(-1, TGoalRow::Strength, QStringLiteral("3.00"));
    QCOMPARE(Text(panel, "STRENGTH_1_T"), QStringLiteral("3.00"));
    QCOMPARE(Text(panel, "STRENGTH_1"), QStringLiteral("1.00"));
  }

  void startStopBoxPausesWithoutAClick() {
    TStartStopBox box(nullptr);
    QSignalSpy run(&box, &TStartStopBox::RunClicked);
    Find<QToolButton>(box, "StartBtn")->setChecked(true);
    QVERIFY(box.RunDown());
    box.Pause();
    QVERIFY(!box.RunDown());
    QVERIFY(Find<QToolButton>(box, "PauseBtn")->isChecked());
    QCOMPARE(run.count(), 0);
  }
};

QTEST_MAIN(BoxesTest)
#include "boxes_test.moc"
