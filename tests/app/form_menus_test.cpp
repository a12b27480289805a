// The window's menu commands and its goal panel: removing and adding players,
// debug drawing flags, goals given and deleted, circuits loaded, goal bars.

#include "form_fixture.h"

using namespace vorlanth;
using vorlanth::testing::Find;

class FormMenusTest : public QObject, protected vorlanth::testing::TFormFixture {
  Q_OBJECT

 private slots:
  void init() { Init(); }
  void cleanup() { Cleanup(); }

  // With every box shown, the goal boxes that do not fit can be scrolled to.
  void theGoalPanelScrollsWhenItsBoxesDoNotFit() {
    Find<QAction>(*form, "MenuTrackParams")->trigger();
    Find<QAction>(*form, "menuPlayerParams")->trigger();
    Find<QAction>(*form, "Keephealth1")->trigger();
    Find<QAction>(*form, "Keepenergyhunger1")->trigger();
    QCoreApplication::processEvents();  // lays the column out
    auto* area = form->findChild<QScrollArea*>(QStringLiteral("GoalArea"));
    QVERIFY(area);
    QVERIFY(area->height() < Find<QWidget>(*form, "EdGoals")->height());
    QScrollBar* bar = area->verticalScrollBar();
    QVERIFY(bar->isVisible());
    QCOMPARE(bar->maximum(), Find<QWidget>(*form, "EdGoals")->height() - area->viewport()->height());
    QVERIFY(area->horizontalScrollBar()->maximum() == 0);  // the boxes fit the width
    // The bottom box can be brought into view.
    const QList<TGoalBox*> boxes = GoalBoxes();
    area->ensureWidgetVisible(boxes.last());
    QCOMPARE(bar->value(), bar->maximum());
  }

  void removingAPlayerSelectsTheLastOneAndKeepsTheLastPlayer() {
    Find<TFlatButton>(*form, "BtnSubPlayer")->click();
    QCOMPARE(Team().PlayerCount(), 1);
    QCOMPARE(Find<TPlayerList>(*form, "EdPlayerId")->count(), 1);

    Find<TFlatButton>(*form, "SpeedButton7")->click();
    Find<TFlatButton>(*form, "SpeedButton7")->click();
    QCOMPARE(Team().PlayerCount(), 3);
    QCOMPARE(Find<TPlayerList>(*form, "EdPlayerId")->count(), 3);
    QCOMPARE(Find<TPlayerList>(*form, "EdPlayerId")->currentIndex(), 2);
    TPlayer* second = Team().GetPlayer(1);
    TPlayer* third = Team().GetPlayer(2);

    ChoosePlayer(0);
    QCOMPARE(form->SelectedPlayer(), Team().GetPlayer(0));
    Find<TFlatButton>(*form, "BtnSubPlayer")->click();
    QCOMPARE(Team().PlayerCount(), 2);
    QCOMPARE(Team().GetPlayer(0), second);
    QCOMPARE(form->SelectedPlayer(), third);
    QCOMPARE(Find<TPlayerList>(*form, "EdPlayerId")->count(), 2);
    QCOMPARE(Find<TPlayerList>(*form, "EdPlayerId")->itemText(1), QStringLiteral("Player #2"));
    QCOMPARE(Find<TPlayerList>(*form, "EdPlayerId")->currentIndex(), 1);
  }

  void aCircleOfKartsReplacesThePlayers() {
    Find<QAction>(*form, "Addacircleofkarts1")->trigger();
    QCOMPARE(Team().PlayerCount(), TPopulation::CircleKartCount);
    QCOMPARE(Find<TPlayerList>(*form, "EdPlayerId")->count(), 18);
    for (int i = 0; i < 18; ++i) {
      QVERIFY(dynamic_cast<TKart*>(Team().GetPlayer(i)) != nullptr);
      QCOMPARE(Find<TPlayerList>(*form, "EdPlayerId")->itemText(i), QStringLiteral("Player #%1").arg(i + 1));
    }
    QCOMPARE(Find<TPlayerList>(*form, "EdPlayerId")->currentIndex(), 17);
    QCOMPARE(form->SelectedPlayer(), Team().GetPlayer(17));
    QCOMPARE(Team().Goals->GoalCount(), 1);  // the team's goals stay
    QVERIFY(errors.isEmpty());
  }

  void debugFlagsFollowTheSelectedPlayer() {
    Find<TFlatButton>(*form, "SpeedButton7")->click();
    ChoosePlayer(0);
    Find<QAction>(*form, "MenuDebugTraces")->trigger();
    QVERIFY(Body(0).ShowTraces);
    ChoosePlayer(1);
    QVERIFY(!Find<QAction>(*form, "MenuDebugTraces")->isChecked());
    QVERIFY(Body(0).ShowTraces);
    QVERIFY(!Body(1).ShowTraces);
    // Feelings carry over from one selected player to the next.
    QVERIFY(Find<QAction>(*form, "MenuDebugFeelings")->isChecked());
    QVERIFY(Body(1).ShowFeelings);

    Find<QAction>(*form, "Addatriangle1")->trigger();  // a new asteroid draws its traces
    QCOMPARE(Team().PlayerCount(), 3);
    QVERIFY(Find<QAction>(*form, "MenuDebugTraces")->isChecked());
  }

  void theBurnOutGoalIsGreyedForAKartAndAddedForARocket() {
    Find<TFlatButton>(*form, "BtnAddPlayer")->click();  // "+Kart"
    TPlayer& kart = Selected();
    QVERIFY(dynamic_cast<TKart*>(&kart));
    const int32_t goals = kart.Goals->GoalCount();
    QVERIFY(!Find<QAction>(*form, "Suckenergyfromplayersinfrontofyou1")->isEnabled());
    Find<QAction>(*form, "Suckenergyfromplayersinfrontofyou1")->trigger();
    QVERIFY(errors.isEmpty());
    QCOMPARE(kart.Goals->GoalCount(), goals);
    QVERIFY(!Find<QAction>(*form, "MenuDebugGoals")->isChecked());

    // The window goes on working: the same command on the rocket adds the goal.
    ChoosePlayer(0);
    const int32_t rocketGoals = Selected().Goals->GoalCount();
    Find<QAction>(*form, "Suckenergyfromplayersinfrontofyou1")->trigger();
    QCOMPARE(Selected().Goals->GoalCount(), rocketGoals + 1);
    QVERIFY(Find<QAction>(*form, "MenuDebugGoals")->isChecked());
    QVERIFY(Selected().Goals->ShowGoals);
    QCOMPARE(GoalBoxes().size(), 5);
    QVERIFY(errors.isEmpty());
  }

  void loadingACircuit() {
    QTemporaryDir dir;
    const QImage before = Rgb(form->RoadImage());
    const std::vector<uint8_t> cells = form->Track().Cells;

    // Cancelled, another extension, an unreadable file: the circuit stays.
    Find<QAction>(*form, "Loadcircuit800x600BMP1")->trigger();
    openFileAnswer = dir.filePath(QStringLiteral("circuit.PNG"));
    QImage(800, 600, QImage::Format_RGB32).save(openFileAnswer, "PNG");
    Find<QAction>(*form, "Loadcircuit800x600BMP1")->trigger();
    QVERIFY(errors.isEmpty());
    openFileAnswer = dir.filePath(QStringLiteral("broken.bmp"));
    QFile broken(openFileAnswer);
    QVERIFY(broken.open(QIODevice::WriteOnly));
    broken.write("this is not a bitmap");
    broken.close();
    Find<QAction>(*form, "Loadcircuit800x600BMP1")->trigger();
    QCOMPARE(errors.size(), 1);
    QVERIFY(form->Track().Cells == cells);
    QCOMPARE(Rgb(form->RoadImage()), before);

    // A good bitmap replaces circuit and picture: here a wall along the top.
    QImage circuit(800, 600, QImage::Format_RGB32);
    circuit.fill(Qt::white);
    for (int y = 0; y < 100; ++y)
      for (int x = 0; x < 800; ++x) circuit.setPixel(x, y, qRgb(0, 0, 0));
    openFileAnswer = dir.filePath(QStringLiteral("walled.BMP"));
    QVERIFY(circuit.save(openFileAnswer, "BMP"));
    QVERIFY(form->Track().IsOnTrack(400, 50));
    Find<QAction>(*form, "Loadcircuit800x600BMP1")->trigger();
    QCOMPARE(errors.size(), 1);
    QVERIFY(!form->Track().IsOnTrack(400, 50));
    QVERIFY(form->Track().IsOnTrack(400, 300));
    QCOMPARE(form->RoadImage().pixel(10, 10), qRgb(0, 0, 0));
    QCOMPARE(form->RoadImage().pixel(10, 590), qRgb(255, 255, 255));
    QCOMPARE(Team().PlayerCount(), 1);  // players stay
  }

  void goalBarsWriteTheGoals() {
    TGoalBox* speeding = GoalBox(QStringLiteral("GOAL \"Speeding\""));
    QVERIFY(speeding);
    TGoal& goal = Selected().Goals->GetGoal(2);
    QCOMPARE(goal.Name, std::string("Speeding"));
    QCOMPARE(goal.Strength, 1.0);
    QCOMPARE(goal.MaxStrength, 5.0);
    QCOMPARE(Bars(speeding).size(), 1);
    QCOMPARE(Bars(speeding)[0]->value(), 20);
    QCOMPARE(Label(speeding, QStringLiteral("STRENGTH_3")), QStringLiteral("1.00"));
    Bars(speeding)[0]->setValue(100);
    QCOMPARE(goal.Strength, 5.0);
    QCOMPARE(Label(speeding, QStringLiteral("STRENGTH_3")), QStringLiteral("5.00"));

    // Reaction and urgency rows; a reaction of 0 drops them at the next rebuild.
    TGoal& health = Selected().Goals->GetGoal(0);
    health.Urgency = 0.5;
    form->UpdateGoals();
    TGoalBox* healthBox = GoalBox(QStringLiteral("GOAL \"Health\""));
    QCOMPARE(Bars(healthBox).size(), 3);
    QCOMPARE(Label(healthBox, QStringLiteral("REACTION_1")), QStringLiteral("10.0s"));
    QSlider* reaction = Bars(healthBox)[1];  // the bars in row order
    QSlider* urgency = Bars(healthBox)[2];
    QCOMPARE(reaction->value(), 100);
    QCOMPARE(urgency->value(), 25);
    QCOMPARE(Label(healthBox, QStringLiteral("URGENCY_1")), QStringLiteral("0.50"));
    urgency->setValue(100);
    QCOMPARE(health.Urgency, 2.0);
    reaction->setValue(0);
    QCOMPARE(health.ReactionMs, 0);
    QCOMPARE(Label(healthBox, QStringLiteral("REACTION_1")), QStringLiteral("0.0s"));
    form->UpdateGoals();
    QCOMPARE(Bars(GoalBox(QStringLiteral("GOAL \"Health\""))).size(), 1);

    // A team box writes the team's goal.
    TGoalBox* drops = GoalBox(QStringLiteral("GOAL \"Get drops\" (team)"));
    Bars(drops)[0]->setValue(50);
    QCOMPARE(Team().Goals->GetGoal(0).Strength, 2.5);
    QCOMPARE(Label(drops, QStringLiteral("STRENGTH_1_T")), QStringLiteral("2.50"));
  }

  void deletingGoalsEmptiesThePanelAndKeepsTheSelection() {
    Find<TFlatButton>(*form, "SpeedButton7")->click();
    ChoosePlayer(0);
    TPlayer* chosen = form->SelectedPlayer();
    Find<QAction>(*form, "Deleteallplayerspersonalgoals1")->trigger();
    QCOMPARE(form->SelectedPlayer(), chosen);
    QCOMPARE(Find<TPlayerList>(*form, "EdPlayerId")->currentIndex(), 0);
    QCOMPARE(Body(0).Goals->GoalCount(), 0);
    QCOMPARE(Body(1).Goals->GoalCount(), 0);
    Find<QAction>(*form, "DeleteallTeamsGoals1")->trigger();
    QVERIFY(GoalBoxes().isEmpty());
    QCOMPARE(Find<QWidget>(*form, "EdGoals")->height(), 1);

    RunCycles(2);  // players without goals go on living
    QCOMPARE(cyclesSeen, 2);

    Find<QAction>(*form, "Addateamgoalforcollectingdrops1")->trigger();
    QCOMPARE(Team().Goals->GoalCount(), 1);
    QCOMPARE(GoalBoxes().size(), 1);
    QCOMPARE(GoalBoxes()[0]->title(), QStringLiteral("GOAL \"Get drops\" (team)"));
    QVERIFY(errors.isEmpty());
  }
};

QTEST_MAIN(FormMenusTest)
#include "form_menus_test.moc"
