// A window session of seeded commands (clicks, bars, menus, undo and redo),
// given paused and while running, then replayed by the runner from the journal's
// start scene: the same world, byte for byte, on 1 and 3 threads.

#include <QAction>
#include <QLabel>
#include <QSlider>
#include <QTemporaryDir>
#include <QToolButton>
#include <QtTest>

#include <random>
#include <string>

#include "app/choose_player_box.h"
#include "app/widgets.h"
#include "core/goal.h"
#include "core/team.h"
#include "find_control.h"
#include "form_harness.h"
#include "run_cycles.h"
#include "tools/run_sim.h"

using namespace vorlanth;
using namespace vorlanth::testing;

class JournalWindowTest : public QObject {
  Q_OBJECT

 private:
  TFormHarness h;
  std::mt19937 dice;

  int Pick(int n) { return static_cast<int>(dice() % static_cast<unsigned>(n)); }

  void Give() {
    TFormTest2D& f = *h.Form;
    TSession& session = f.Session();
    switch (Pick(12)) {
      case 0: Find<QSlider>(f, "EdFriction")->setValue(1 + Pick(300)); break;
      case 1: Find<QSlider>(f, "EdSize")->setValue(4 + Pick(30)); break;
      case 2:
        if (QLabel* value = f.findChild<QLabel*>(QStringLiteral("STRENGTH_1_T")))
          value->parentWidget()->findChildren<QSlider*>().front()->setValue(Pick(101));
        break;
      case 3: if (h.Team().PlayerCount() < 12) Find<TFlatButton>(f, "BtnAddPlayer")->click(); break;
      case 4: if (h.Team().PlayerCount() < 12) Find<TFlatButton>(f, "SpeedButton7")->click(); break;
      case 5: Find<TFlatButton>(f, "BtnSubPlayer")->click(); break;
      case 6: if (h.Team().PlayerCount() < 12) Find<QAction>(f, "Addatriangle1")->trigger(); break;
      case 7: if (h.Team().Goals->GoalCount() < 4) Find<QAction>(f, "Runfast1")->trigger(); break;
      case 8: {
        auto* list = Find<TPlayerList>(f, "EdPlayerId");
        if (list->count() == 0) break;
        const int index = Pick(list->count());
        list->setCurrentIndex(index);
        emit list->activated(index);
        break;
      }
      case 9: session.Undo(); break;
      case 10: session.Redo(); break;
      default: Find<TFlatButton>(f, "SpeedButton8")->click(); break;  // +E
    }
  }

 private slots:
  void cleanup() { h.Close(); }

  void aWindowSessionReplayedByTheRunnerEndsOnTheSameScene_data() {
    QTest::addColumn<unsigned>("seed");
    QTest::newRow("seed 3") << 3u;
    QTest::newRow("seed 8") << 8u;
  }
  void aWindowSessionReplayedByTheRunnerEndsOnTheSameScene() {
    QFETCH(unsigned, seed);
    dice.seed(seed);
    h.Open();
    for (int round = 0; round < 4; ++round) {
      for (int k = 0; k < 5; ++k) Give();  // paused: at once
      RunCyclesOf(*h.Form, 2 + round, [&](int) {
        for (int k = 0; k < 2; ++k) Give();  // while running: at the next drawing step
      });
    }
    QVERIFY2(h.Errors.isEmpty(), qPrintable(h.Errors.join(QStringLiteral("; "))));
    QTemporaryDir dir;
    const QString end = dir.filePath(QStringLiteral("end.vorlanth.json"));
    h.Form->Session().SaveScene(end);
    const QString journal = dir.filePath(QStringLiteral("run.vorlanth-journal.json"));
    const QString start = h.Form->Session().SaveJournal(journal);
    QVERIFY(h.Form->Session().Journal().Records().size() > 30);
    for (const char* threads : {"1", "3"}) {
      const std::string replayed = dir.filePath(QStringLiteral("replayed-%1.vorlanth.json").arg(threads)).toStdString();
      const TRun run = RunSim({"--scene", start.toStdString(), "--commands", journal.toStdString(), "--threads", threads,
                               "--save-scene", replayed});
      QVERIFY2(run.Code == 0, run.Err.c_str());
      QVERIFY2(Bytes(replayed) == Bytes(end.toStdString()), threads);
    }
  }
};

QTEST_MAIN(JournalWindowTest)
#include "journal_window_test.moc"
