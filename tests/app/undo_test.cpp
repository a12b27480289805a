// Undo and redo: a seeded random sequence of the window's commands, undone all
// the way back and redone all the way forward, scene document by document; the
// Edit menu's names; undo asked for inside a cycle.

#include <QAction>
#include <QComboBox>
#include <QSlider>
#include <QTemporaryDir>
#include <QToolButton>
#include <QUndoStack>
#include <QtTest>

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

  QByteArray Doc() { return SceneDocument(h.Track(), h.Form->Session().Circuit(), "/undo-test.vorlanth.json"); }
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
    RandomSeed(23);
    h.Errors.clear();
    h.Open();
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

    // Undo while running, then Pause: the world is replaced between cycles.
    const int steps = Stack().count();
    int inCycle = -1;
    h.RunCycles(1, [&](int) {
      Find<QAction>(*h.Form, "UndoItem")->trigger();
      inCycle = h.Team().PlayerCount();
    });
    QCOMPARE(inCycle, 1);
    QCOMPARE(h.Team().PlayerCount(), 1);
    QCOMPARE(Stack().count(), steps);
    QCOMPARE(CheckConsistency(*h.Form), QString());
    QVERIFY(h.Errors.isEmpty());
  }
};

QTEST_MAIN(UndoTest)
#include "undo_test.moc"
