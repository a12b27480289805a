// Undo and redo: a seeded random sequence of the window's commands, undone all
// the way back and redone all the way forward, scene document by document (undo
// never rewinds the random stream); the same while running; a drag while
// running; the Edit menu's names; undo asked for while running.

#include <QAction>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QComboBox>
#include <QSlider>
#include <QTemporaryDir>
#include <QToolButton>
#include <QUndoStack>
#include <QtTest>

#include <cmath>
#include <random>

#include "core/random.h"
#include "find_control.h"
#include "form_harness.h"
#include "scene/scene.h"

using namespace vorlanth;
using namespace vorlanth::testing;

class UndoTest : public QObject {
  Q_OBJECT

 private:
  TFormHarness h;
  QTemporaryDir dir;

  // The world as a scene, but for the random stream, which undo never rewinds,
  // and the bodies' last wall contacts, which the placement of a new player
  // leaves behind and the next world step finds anew.
  static QJsonValue WithoutContacts(const QJsonValue& value) {
    if (value.isArray()) {
      QJsonArray items;
      for (const QJsonValue& item : value.toArray()) items.append(WithoutContacts(item));
      return items;
    }
    if (!value.isObject()) return value;
    QJsonObject object;
    const QJsonObject in = value.toObject();
    for (auto it = in.begin(); it != in.end(); ++it)
      if (it.key() != QStringLiteral("contact")) object.insert(it.key(), WithoutContacts(it.value()));
    return object;
  }
  QByteArray Doc() {
    QJsonObject scene =
        QJsonDocument::fromJson(SceneDocument(h.Track(), h.Form->Session().Circuit(), "/undo-test.vorlanth.json"))
            .object();
    scene.remove(QStringLiteral("random"));
    return QJsonDocument(WithoutContacts(scene).toObject()).toJson();
  }
  // Every value a command may set and the cycles leave alone: settings, players
  // (by serial), their sizes, colours, options, drawing marks and goals.
  QStringList Touchable() {
    QStringList values;
    TTrack2D& t = h.Track();
    values << QStringLiteral("track %1 %2 %3 %4 %5 %6")
                  .arg(t.HorizonMs).arg(t.MinFutures).arg(t.Friction).arg(t.SideFriction).arg(t.Collisions)
                  .arg(h.Team().Goals->ShowGoals);
    auto goals = [&values](const TGoalSet& set, const QString& whose) {
      for (const auto& goal : set.Items)
        values << QStringLiteral("%1 %2 %3 %4 %5").arg(whose, QString::fromStdString(goal->Name))
                      .arg(goal->Strength).arg(goal->ReactionMs).arg(goal->Urgency);
    };
    goals(*h.Team().Goals, QStringLiteral("team"));
    for (TPlayer* p : t.Players) {
      const auto* body = dynamic_cast<TPlayer2D*>(p);
      values << QStringLiteral("player %1 %2 %3 %4 %5%6%7%8%9%10%11")
                    .arg(p->Serial).arg(body ? body->GetSize() : 0).arg(p->Color).arg(p->Determination)
                    .arg(p->LimitersOn).arg(p->AutoGridSize).arg(p->ShowTraces).arg(p->ShowFeelings)
                    .arg(p->ShowEndingPoints).arg(p->ShowLevels).arg(p->Goals->ShowGoals);
      goals(*p->Goals, QString::number(p->Serial));
    }
    return values;
  }
  const QUndoStack& Stack() { return h.Form->Session().UndoStack(); }
  void Click(const char* name) { Find<QToolButton>(*h.Form, name)->click(); }
  void Choose(int index) {
    auto* list = Find<QComboBox>(*h.Form, "EdPlayerId");
    list->setCurrentIndex(index);
    emit list->activated(index);
  }

  // One command of the window, drawn from the generator.
  int RandomCommand(std::mt19937& random, const QString& circuit) {
    TFormTest2D& f = *h.Form;
    auto pick = [&random](int n) { return static_cast<int>(random() % static_cast<unsigned>(n)); };
    const int command = pick(18);
    switch (command) {
      case 0: Click("BtnAddPlayer"); break;
      case 1: Click("SpeedButton7"); break;
      case 2: Click("BtnSubPlayer"); break;
      case 3: Find<QAction>(f, "Addatriangle1")->trigger(); break;
      case 4: Find<QAction>(f, "Runfast1")->trigger(); break;
      case 5: Find<QAction>(f, "Keepenergyhunger1")->trigger(); break;
      case 6: Find<QAction>(f, "Keephealth1")->trigger(); break;
      case 7: Find<QAction>(f, "AvoidOtherPlayers")->trigger(); break;
      case 8: Find<QAction>(f, "Addateamgoalforcollectingdrops1")->trigger(); break;
      case 9: (pick(2) ? Find<QAction>(f, "DeleteallTeamsGoals1") : Find<QAction>(f, "Deleteallplayerspersonalgoals1"))->trigger(); break;
      case 10: Find<QAction>(f, "MenuDebugTraces")->trigger(); break;
      case 11: Find<QSlider>(f, "EdSeconds")->setValue(1 + pick(20)); break;
      case 12: Find<QSlider>(f, "EdMinFutures")->setValue(1 + pick(5)); break;
      case 13: Click(pick(2) ? "SpeedButton1" : "SpeedButton2"); break;  // hand moves
      case 14: Click(pick(2) ? "SpeedButton8" : "SpeedButton11"); break;  // energy, health
      case 15: Choose(pick(h.Team().PlayerCount())); break;
      case 16:
        if (pick(8) == 0) Find<QAction>(f, "Addacircleofkarts1")->trigger();
        else Click("BtnAddPlayer");
        break;
      case 17:
        if (pick(10) == 0) h.LoadCircuit(circuit);
        else Find<QAction>(f, "Keephealth1")->trigger();
        break;
    }
    return command;
  }

 private slots:
  void init() {
    h.Errors.clear();
    h.Open();
    h.Track().Random.SeedRun(23);
  }
  void cleanup() { h.Close(); }

  // 220 random commands, then undo as far as the stack goes (its last 100
  // steps), then redo: each step gives back exactly the document it had.
  void aRandomSequenceUndoesAndRedoesByteForByte() {
    const QString circuit = dir.filePath(QStringLiteral("framed.bmp"));
    QVERIFY(FramedCircuit(800, 600).save(circuit, "BMP"));
    std::mt19937 random(20240611);
    QList<QByteArray> docs{Doc()};  // after each step
    const int base = Stack().index();  // the harness's quick settings are steps too
    for (int i = 0; i < 220; ++i) {
      const int command = RandomCommand(random, circuit);
      // Every change of the world is one step (below the limit, the index says so).
      const QByteArray now = Doc();
      if (now != docs.last()) docs << now;
      QVERIFY2(Stack().index() == std::min<int>(base + static_cast<int>(docs.size()) - 1, TSession::UndoLimit),
               qPrintable(QStringLiteral("command %1 (%2): index %3 for %4 changes")
                              .arg(i).arg(command).arg(Stack().index()).arg(docs.size() - 1)));
    }
    QVERIFY2(h.Errors.isEmpty(), qPrintable(h.Errors.join(QLatin1Char('\n'))));
    QVERIFY(docs.size() > TSession::UndoLimit + 1);
    QCOMPARE(Stack().count(), TSession::UndoLimit);

    const qsizetype last = docs.size() - 1;
    for (int step = 1; Stack().canUndo(); ++step) {
      Find<QAction>(*h.Form, "UndoItem")->trigger();
      QVERIFY2(Doc() == docs[last - step], qPrintable(QStringLiteral("undo %1").arg(step)));
    }
    QCOMPARE(Stack().index(), 0);
    QVERIFY(Doc() == docs[last - TSession::UndoLimit]);
    QCOMPARE(Stack().count(), TSession::UndoLimit);  // undoing pushes nothing
    while (Stack().canRedo()) Find<QAction>(*h.Form, "RedoItem")->trigger();
    QVERIFY(Doc() == docs.last());
    QCOMPARE(CheckConsistency(*h.Form), QString());
    QVERIFY(h.Errors.isEmpty());
  }

  // The Edit menu names the step; the keys undo and redo; cycles are no step,
  // and undo inside a cycle waits for its end.
  void theEditMenuNamesTheStepAndUndoWaitsForTheCycle() {
    h.Form->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(h.Form.get()));
    Find<QAction>(*h.Form, "Addacircleofkarts1")->trigger();
    QCOMPARE(Find<QAction>(*h.Form, "UndoItem")->text(), QStringLiteral("Undo Add a circle of karts"));
    QCOMPARE(h.Team().PlayerCount(), 18);
    QTest::keyClick(h.Form.get(), Qt::Key_Z, Qt::ControlModifier);
    QCOMPARE(h.Team().PlayerCount(), 1);
    QCOMPARE(Find<QAction>(*h.Form, "RedoItem")->text(), QStringLiteral("Redo Add a circle of karts"));
    QTest::keyClick(h.Form.get(), Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
    QCOMPARE(h.Team().PlayerCount(), 18);

    // Undo while running, then Pause: it waits for the next drawing step, here
    // the run's end.
    const int steps = Stack().count();
    int inCycle = -1;
    h.RunCycles(1, [&](int) {
      Find<QAction>(*h.Form, "UndoItem")->trigger();
      inCycle = h.Team().PlayerCount();
    });
    QCOMPARE(inCycle, 18);
    QCOMPARE(h.Team().PlayerCount(), 1);
    QCOMPARE(Stack().count(), steps);
    QCOMPARE(CheckConsistency(*h.Form), QString());
    QVERIFY(h.Errors.isEmpty());
  }

  // The friction bar dragged while cycles run, its press, moves and release
  // coming between different cycles, is one step; undone while running, the
  // value comes back at the next drawing step and the cycles go on counting.
  void aDragWhileRunningIsOneStepAndItsUndoWaitsForTheDrawingStep() {
    Find<QAction>(*h.Form, "MenuTrackParams")->trigger();
    auto* bar = Find<QSlider>(*h.Form, "EdFriction");
    const double before = h.Track().Friction;
    const int steps = Stack().count();
    const QPoint handle(bar->width() * (bar->value() - bar->minimum()) / std::max(1, bar->maximum() - bar->minimum()),
                        bar->height() / 2);
    double undoneInCycle = -1;
    int64_t cycleOfUndo = 0;
    h.RunCycles(12, [&](int cycle) {
      if (cycle == 1) QTest::mousePress(bar, Qt::LeftButton, {}, handle);
      if (cycle >= 2 && cycle <= 6) QTest::mouseMove(bar, handle + QPoint(8 * (cycle - 1), 0));
      if (cycle == 7) QTest::mouseRelease(bar, Qt::LeftButton, {}, handle + QPoint(40, 0));
      if (cycle == 8) {
        QCOMPARE(Stack().count(), steps + 1);
        QCOMPARE(Find<QAction>(*h.Form, "UndoItem")->text(), QStringLiteral("Undo Friction"));
        QVERIFY(h.Track().Friction != before);
        cycleOfUndo = h.Form->Session().CycleCount();
        Find<QAction>(*h.Form, "UndoItem")->trigger();
        undoneInCycle = h.Track().Friction;  // not yet: it waits
      }
    });
    QVERIFY(undoneInCycle != before);
    QCOMPARE(h.Track().Friction, before);
    QCOMPARE(bar->value(), static_cast<int>(std::lround(before * 10000)));
    QCOMPARE(h.Form->Session().CycleCount(), cycleOfUndo + 4);  // never back
    QCOMPARE(Stack().index(), steps);
    QVERIFY(h.Errors.isEmpty());
  }

  // A kart added while running, once undone, goes wherever it went; "-" is named
  // after the player it removed.
  void aKartAddedWhileRunningIsRemovedWhereverItWent() {
    const int players = h.Team().PlayerCount();
    uint32_t added = 0;
    h.RunCycles(6, [&](int cycle) {
      if (cycle == 1) Click("BtnAddPlayer");
      if (cycle == 2) added = h.Team().Selected->Serial;
    });
    QCOMPARE(h.Team().PlayerCount(), players + 1);
    QCOMPARE(Find<QAction>(*h.Form, "UndoItem")->text(), QStringLiteral("Undo Add Kart"));
    // Another player before it goes: the kart stands elsewhere in the list.
    h.RunCycles(2, [&](int cycle) {
      if (cycle == 1) {
        Choose(0);
        Click("BtnSubPlayer");
      }
    });
    QCOMPARE(h.Team().IndexOf(h.Team().FindPlayer(TRef{-1, added})), players - 1);
    QCOMPARE(Find<QAction>(*h.Form, "UndoItem")->text(), QStringLiteral("Undo Remove Player #1"));
    Find<QAction>(*h.Form, "UndoItem")->trigger();  // the player back first
    QCOMPARE(h.Team().IndexOf(h.Team().FindPlayer(TRef{-1, added})), players);
    QCOMPARE(Find<QAction>(*h.Form, "UndoItem")->text(), QStringLiteral("Undo Select Player #1"));
    Find<QAction>(*h.Form, "UndoItem")->trigger();
    Find<QAction>(*h.Form, "UndoItem")->trigger();
    QCOMPARE(h.Team().PlayerCount(), players);
    QVERIFY(!h.Team().FindPlayer(TRef{-1, added}));
    Find<QAction>(*h.Form, "RedoItem")->trigger();  // back where it stood when undone
    QVERIFY(h.Team().FindPlayer(TRef{-1, added}));
    QCOMPARE(CheckConsistency(*h.Form), QString());
    QVERIFY(h.Errors.isEmpty());
  }

  // 200 seeded commands, given while running and paused, then undone to the
  // bottom: every value a command touched is as it was before them, while the
  // cycles and the random stream went on. A command that changes nothing is no
  // step, and the caption's mark follows the stack.
  void seededCommandsWhileRunningAndPausedUndoToTheStart() {
    const QString circuit = dir.filePath(QStringLiteral("framed.bmp"));
    QVERIFY(FramedCircuit(800, 600).save(circuit, "BMP"));
    QUndoStack& stack = h.Form->Session().UndoStack();
    stack.clear();
    stack.setUndoLimit(0);  // every step kept: the bottom is the start
    h.Form->Session().SetModified(false);
    const QStringList start = Touchable();
    std::mt19937 random(20240612);
    int given = 0;
    while (given < 200) {
      if (random() % 2) {
        h.RunCycles(3, [&](int) {
          for (int k = 0; k < 3 && given < 200; ++k, ++given) RandomCommand(random, circuit);
        });
      } else {
        for (int k = 0; k < 5 && given < 200; ++k, ++given) RandomCommand(random, circuit);
      }
      QCOMPARE(CheckConsistency(*h.Form), QString());
    }
    QVERIFY2(h.Errors.isEmpty(), qPrintable(h.Errors.join(QLatin1Char('\n'))));
    QVERIFY(stack.count() > 50);
    const int64_t cycles = h.Form->Session().CycleCount();
    h.Form->Session().SetModified(false);  // as if saved here
    QVERIFY(!h.Form->isWindowModified());
    while (stack.canUndo()) Find<QAction>(*h.Form, "UndoItem")->trigger();
    QCOMPARE(Touchable(), start);
    QCOMPARE(h.Form->Session().CycleCount(), cycles);
    QVERIFY(h.Form->isWindowModified());
    while (stack.canRedo()) Find<QAction>(*h.Form, "RedoItem")->trigger();
    QVERIFY(!h.Form->isWindowModified());  // back where it was saved
    // A click on the bare track changes nothing: no step, no mark.
    const int steps = stack.count();
    Find<TImageView>(*h.Form, "ImgRoad")->Pressed(QPointF(1, 1));
    QCOMPARE(stack.count(), steps);
    QVERIFY(!h.Form->isWindowModified());
    QCOMPARE(CheckConsistency(*h.Form), QString());
    QVERIFY(h.Errors.isEmpty());
  }
};

QTEST_MAIN(UndoTest)
#include "undo_test.moc"
