// Thousands of seeded random commands on the real window: every button, menu item,
// bar, check box and dialog, circuits good and bad, frame saving, evolution, hand
// moves, and runs of the loop with commands clicked from inside its cycles (where
// the cycle's drawing processes the window's messages) and between them, Run
// nesting and Pause included. After every command the model seen through the
// window must be consistent (see CheckConsistency); messages in the error dialog
// are allowed, crashes, hangs and leaks are not.
//
// The cycles are quick: one to three passes of ten or twenty sub-steps, with a
// clock that makes every pass overrun the budget. The model's generator is
// reseeded at the first pass of every run, so a seed replays the same session.

#include <QBuffer>
#include <QCheckBox>
#include <QDir>
#include <QMap>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

#include <functional>
#include <memory>
#include <optional>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "app/goal_box.h"
#include "app/widgets.h"
#include "core/random.h"
#include "form_harness.h"

using namespace vorlanth;
using namespace vorlanth::testing;

class ReliabilityTest : public QObject {
  Q_OBJECT

 private:
  // Bounds that keep the cycles quick.
  static constexpr int kMaxPlayers = 40;
  static constexpr int kMaxTeamGoals = 10;
  static constexpr int kMaxPlayerGoals = 8;
  static constexpr int kMaxRunNesting = 3;
  static constexpr int kMaxCyclesPerRun = 4;
  static constexpr int kMaxCommandsPerFrame = 2;
  static constexpr int kLogLength = 25;

  struct TCommand {
    const char* name;
    int weight;
    std::function<void()> run;
    bool readsWorld;  // the test reads the world to issue it, or calls a handler itself
  };

  TFormHarness h;
  QTemporaryDir dir;
  QString framesDir;
  std::vector<std::pair<QString, int>> circuits;  // file and weight for the open dialog
  std::vector<TCommand> commands;
  int totalWeight = 0;
  std::mt19937_64 rng;
  uint64_t modelSeed = 0;
  bool seedPending = false;  // reseed the model at the next pass that starts

  int budget = 0;         // commands left to issue
  int issued = 0;
  int framesLeft = 0;     // cycles to run before Pause is clicked
  int runNesting = 0;     // our Run clicks in progress
  int cyclesRun = 0;
  int errorsSeen = 0;
  QStringList recent;     // the last commands issued, for the report
  QString violation;      // the first inconsistency found, with its context

  int Pick(int n) { return n <= 1 ? 0 : static_cast<int>(rng() % static_cast<uint64_t>(n)); }
  bool Chance(int percent) { return Pick(100) < percent; }
  int Between(int lo, int hi) { return lo + Pick(hi - lo + 1); }

  TTeam& Team() { return h.Team(); }
  int Players() { return Team().PlayerCount(); }

  // ---- The circuit files the open dialog may answer --------------------------

  void MakeCircuits() {
    auto save = [&](const QImage& image, const char* name, const char* format, int weight) {
      const QString path = dir.filePath(QString::fromLatin1(name));
      QVERIFY(image.save(path, format));
      circuits.push_back({path, weight});
    };
    auto write = [&](const QByteArray& bytes, const char* name, int weight) {
      const QString path = dir.filePath(QString::fromLatin1(name));
      QVERIFY(WriteBytes(path, bytes));
      circuits.push_back({path, weight});
    };
    save(FramedCircuit(800, 600), "framed.bmp", "BMP", 6);
    save(FramedCircuit(240, 180), "small.bmp", "BMP", 3);
    save(FramedCircuit(300, 500), "tall.bmp", "BMP", 2);
    save(Filled(800, 600, qRgb(255, 255, 255)), "white.bmp", "BMP", 2);
    save(Filled(800, 600, qRgb(0, 0, 0)), "black.bmp", "BMP", 1);
    save(Filled(1, 1, qRgb(255, 255, 255)), "one.bmp", "BMP", 1);
    save(FramedCircuit(400, 300), "png-inside.bmp", "PNG", 1);
    save(FramedCircuit(400, 300), "other-extension.png", "PNG", 1);
    QByteArray bmp;
    {
      QBuffer buffer(&bmp);
      buffer.open(QIODevice::WriteOnly);
      FramedCircuit(800, 600).save(&buffer, "BMP");
    }
    write(bmp.left(bmp.size() / 3), "truncated.bmp", 1);
    write(BmpHeaderOnly(0, 0), "zero.bmp", 1);
    write(QByteArray("not a picture at all"), "text.bmp", 1);
    circuits.push_back({dir.filePath(QStringLiteral("missing.bmp")), 1});
    circuits.push_back({QString(), 1});  // the dialog cancelled
  }

  QString AnyCircuit() {
    int total = 0;
    for (const auto& [path, weight] : circuits) total += weight;
    int at = Pick(total);
    for (const auto& [path, weight] : circuits) {
      if (at < weight) return path;
      at -= weight;
    }
    return QString();
  }

  // ---- Issuing commands and checking after each -------------------------------

  void Check(const char* name) {
    // While a cycle computes, the window shows the last cycle: checked at its end.
    if (!violation.isEmpty() || h.Form->Session().WorldBusy()) return;
    const QString bad = CheckConsistency(*h.Form);
    if (bad.isEmpty()) return;
    violation = QStringLiteral("after command %1 (%2)%3: %4\nlast commands: %5")
                    .arg(issued)
                    .arg(QString::fromLatin1(name))
                    .arg(h.Form->Running() ? QStringLiteral(" while running") : QString())
                    .arg(bad)
                    .arg(recent.join(QStringLiteral(", ")));
  }

  void Issue(const TCommand& command) {
    ++issued;
    --budget;
    recent << QString::fromLatin1(command.name);
    if (recent.size() > kLogLength) recent.removeFirst();
    command.run();
    Check(command.name);
  }

  // While a cycle computes, the window may not read the world, and neither may
  // the test: a command it must read the world for is skipped then.
  void IssueRandom() {
    int at = Pick(totalWeight);
    for (const TCommand& command : commands) {
      if (at < command.weight) {
        if (command.readsWorld && h.Form->Session().WorldBusy()) return;
        Issue(command);
        return;
      }
      at -= command.weight;
    }
  }

  bool MayGoOn() const { return budget > 0 && violation.isEmpty(); }

  // After each cycle a few commands are clicked (they take effect at the next
  // drawing step), and some more are queued for the run loop's own turn to
  // process messages; Pause is clicked when the run's cycles are done.
  void WrapProcessMessages() {
    QObject::connect(&h.Form->Session(), &TSession::CycleDone, h.Form.get(), [this] {
      ++cyclesRun;
      for (int k = Pick(kMaxCommandsPerFrame + 1); k > 0 && MayGoOn(); --k) IssueRandom();
      if (MayGoOn() && Chance(30)) QueueBetweenCycles();
      if (--framesLeft <= 0 || !MayGoOn()) Find<QToolButton>(*h.Form, "PauseBtn")->click();
      Check("end of the frame");
    });
  }

  // A command that waits, as a click does, until no handler is in progress: it
  // comes while a cycle computes (or idle, when the loop has ended).
  void QueueBetweenCycles() {
    QTimer::singleShot(0, h.Form.get(), [this] {
      if (h.Form->InCommand()) {
        QueueBetweenCycles();
        return;
      }
      if (MayGoOn()) IssueRandom();
    });
  }

  void ClickRun(int cycles) {
    if (runNesting >= kMaxRunNesting) return;
    framesLeft = std::max(framesLeft, cycles);
    seedPending = true;
    ++runNesting;
    Find<QToolButton>(*h.Form, "StartBtn")->click();  // returns when this level of the loop has ended
    --runNesting;
  }

  void RemoveFrames() {
    QDir frames(framesDir);
    for (const QString& name : frames.entryList(QDir::Files)) frames.remove(name);
  }

  // ---- The commands --------------------------------------------------------------

  void AddCommand(const char* name, int weight, std::function<void()> run) {
    static const std::set<std::string> readers = {
        "+Kart", "+Rocket", "asteroid", "5 asteroids", "speeding goal", "energy goal", "health goal",
        "drops goal", "storage goal", "avoid goal", "follow mouse", "avoid mouse", "burnout goal",
        "arrow click", "arrow release", "arrow timer", "hand step", "Run"};
    commands.push_back({name, weight, std::move(run), readers.count(name) > 0});
    totalWeight += weight;
  }

  void BuildCommands() {
    commands.clear();
    totalWeight = 0;
    TFormTest2D& f = *h.Form;
    auto room = [this](int n) { return Players() + n <= kMaxPlayers; };

    // Players.
    AddCommand("+Kart", 6, [&f, room] { if (room(1)) Find<TFlatButton>(f, "BtnAddPlayer")->click(); });
    AddCommand("+Rocket", 6, [&f, room] { if (room(1)) Find<TFlatButton>(f, "SpeedButton7")->click(); });
    AddCommand("-", 8, [&f] { Find<TFlatButton>(f, "BtnSubPlayer")->click(); });
    AddCommand("asteroid", 4, [&f, room] { if (room(1)) Find<QAction>(f, "Addatriangle1")->trigger(); });
    AddCommand("5 asteroids", 2, [&f, room] { if (room(5)) Find<QAction>(f, "Addlotsofasteroids1")->trigger(); });
    AddCommand("circle", 1, [&f] { Find<QAction>(f, "Addacircleofkarts1")->trigger(); });

    // Goals.
    auto teamGoal = [this](QAction* item) {
      return [this, item] { if (Team().Goals->GoalCount() < kMaxTeamGoals) item->trigger(); };
    };
    AddCommand("speeding goal", 1, teamGoal(Find<QAction>(f, "Runfast1")));
    AddCommand("energy goal", 1, teamGoal(Find<QAction>(f, "Keepenergyhunger1")));
    AddCommand("health goal", 1, teamGoal(Find<QAction>(f, "Keephealth1")));
    AddCommand("drops goal", 1, teamGoal(Find<QAction>(f, "Addateamgoalforcollectingdrops1")));
    AddCommand("storage goal", 1, teamGoal(Find<QAction>(f, "Addateamgoalforstoringcollecteddrops1")));
    AddCommand("avoid goal", 1, teamGoal(Find<QAction>(f, "AvoidOtherPlayers")));
    AddCommand("follow mouse", 1, teamGoal(Find<QAction>(f, "FollowMouse")));
    AddCommand("avoid mouse", 1, teamGoal(Find<QAction>(f, "AvoidMouse")));
    AddCommand("burnout goal", 2, [this, &f] {
      TPlayer* player = f.SelectedPlayer();
      if (!player || player->Goals->GoalCount() < kMaxPlayerGoals) Find<QAction>(f, "Suckenergyfromplayersinfrontofyou1")->trigger();
    });
    AddCommand("delete team goals", 1, [&f] { Find<QAction>(f, "DeleteallTeamsGoals1")->trigger(); });
    AddCommand("delete players goals", 1, [&f] { Find<QAction>(f, "Deleteallplayerspersonalgoals1")->trigger(); });
    AddCommand("goal bar", 6, [this, &f] {
      const QList<QSlider*> bars = Find<QWidget>(f, "EdGoals")->findChildren<QSlider*>();
      if (!bars.isEmpty()) bars[Pick(static_cast<int>(bars.size()))]->setValue(Between(0, 100));
    });

    // Choosing, colouring.
    AddCommand("choose player", 6, [this, &f] {
      const int count = Find<TPlayerList>(f, "EdPlayerId")->count();
      if (count == 0) return;
      const int index = Pick(count);
      Find<TPlayerList>(f, "EdPlayerId")->setCurrentIndex(index);
      emit Find<TPlayerList>(f, "EdPlayerId")->activated(index);
    });
    AddCommand("open player list", 2, [&f] { emit Find<TPlayerList>(f, "EdPlayerId")->Opening(); });
    AddCommand("colour", 2, [this, &f] {
      h.ColorAnswer = Chance(25) ? std::nullopt
                                 : std::optional<QColor>(QColor(Pick(256), Pick(256), Pick(256)));
      emit Find<TColorPanel>(f, "EdColor")->Clicked();
    });

    // Hand controls.
    const std::vector<TFlatButton*> arrows = {Find<TFlatButton>(f, "SpeedButton1"), Find<TFlatButton>(f, "SpeedButton3"), Find<TFlatButton>(f, "SpeedButton2"),
                                              Find<TFlatButton>(f, "SpeedButton4"), Find<TFlatButton>(f, "SpeedButton6"), Find<TFlatButton>(f, "SpeedButton5")};
    const std::vector<TFlatButton*> levels = {Find<TFlatButton>(f, "SpeedButton8"), Find<TFlatButton>(f, "SpeedButton9"), Find<TFlatButton>(f, "SpeedButton10"),
                                              Find<TFlatButton>(f, "SpeedButton11")};
    AddCommand("arrow click", 4, [this, &f, arrows] {
      TFlatButton* button = arrows[static_cast<size_t>(Pick(static_cast<int>(arrows.size())))];
      emit button->pressed();
      for (int k = Pick(4); k > 0; --k) f.ArrowTimerTimer();
      emit button->released();
    });
    AddCommand("arrow press", 1, [this, arrows] {
      emit arrows[static_cast<size_t>(Pick(static_cast<int>(arrows.size())))]->pressed();
    });
    AddCommand("arrow release", 1, [&f] { f.MoveButtonMouseUp(); });
    AddCommand("arrow timer", 1, [&f] { f.ArrowTimerTimer(); });
    AddCommand("hand step", 2, [this, &f] { f.HandMoveStep(Between(-1, 7)); });
    AddCommand("level click", 5, [this, levels] {
      levels[static_cast<size_t>(Pick(static_cast<int>(levels.size())))]->click();
    });
    AddCommand("level double click", 2, [this, levels] {
      TFlatButton* button = levels[static_cast<size_t>(Pick(static_cast<int>(levels.size())))];
      button->click();
      emit button->DoubleClicked();
    });

    // Bars and check boxes. The horizon and the number of futures stay small.
    AddCommand("seconds", 2, [this, &f] { Find<QSlider>(f, "EdSeconds")->setValue(Between(1, 2)); });
    AddCommand("futures", 2, [this, &f] { Find<QSlider>(f, "EdMinFutures")->setValue(Between(1, 3)); });
    AddCommand("friction", 1, [this, &f] { Find<QSlider>(f, "EdFriction")->setValue(Between(1, 300)); });
    AddCommand("side friction", 1, [this, &f] { Find<QSlider>(f, "EdSideFriction")->setValue(Between(0, 100)); });
    AddCommand("size", 3, [this, &f] { Find<QSlider>(f, "EdSize")->setValue(Between(4, 40)); });
    AddCommand("determined", 1, [this, &f] { Find<QSlider>(f, "EdDetermined")->setValue(Between(0, 100)); });
    AddCommand("grid", 1, [this, &f] { Find<QSlider>(f, "EdRadio")->setValue(Between(Find<QSlider>(f, "EdRadio")->minimum(), Find<QSlider>(f, "EdRadio")->maximum())); });
    AddCommand("collisions", 2, [&f] { Find<QCheckBox>(f, "EdCollisions")->click(); });
    AddCommand("sensitivity", 1, [&f] { Find<QCheckBox>(f, "EdSensitivity")->click(); });
    AddCommand("auto grid", 1, [&f] { Find<QCheckBox>(f, "EdAutoRadio")->click(); });
    AddCommand("evolution", 3, [&f] { Find<QCheckBox>(f, "EdEvolution")->click(); });

    // Menus of the window.
    AddCommand("load circuit", 3, [this] { h.LoadCircuit(AnyCircuit()); });
    const std::vector<QAction*> panels = {Find<QAction>(f, "menuBasicAIparams"), Find<QAction>(f, "menuGoals"), Find<QAction>(f, "menuChoosePlayer"),
                                          Find<QAction>(f, "menuPlayerParams"), Find<QAction>(f, "MenuTrackParams"), Find<QAction>(f, "menuHandMove")};
    AddCommand("panel view", 1, [this, panels] { panels[static_cast<size_t>(Pick(6))]->trigger(); });
    const std::vector<QAction*> debug = {Find<QAction>(f, "MenuDebugTraces"), Find<QAction>(f, "MenuDebugFeelings"), Find<QAction>(f, "MenuDebugOptions"),
                                         Find<QAction>(f, "MenuDebugLevels"), Find<QAction>(f, "MenuDebugGoals"), Find<QAction>(f, "MenuDebugTeamGoals")};
    AddCommand("debug item", 3, [this, debug] { debug[static_cast<size_t>(Pick(6))]->trigger(); });
    AddCommand("save frames", 2, [this, &f] {
      const int answer = Pick(10);
      h.SaveFileAnswer = answer == 0   ? QString()
                         : answer == 1 ? QStringLiteral("/no-such-folder-for-vorlanth-frames/run")
                                       : QDir(framesDir).filePath(QStringLiteral("run"));
      Find<QAction>(f, "Saveimagestofolder")->trigger();
    });
    AddCommand("resize", 1, [this, &f] { Find<TImagePanel>(f, "PanelImg")->resize(Between(0, 1200), Between(0, 900)); });

    // The loop.
    AddCommand("Reset", 2, [&f] { Find<QToolButton>(f, "BtnReset")->click(); });
    AddCommand("Pause", 2, [&f] { Find<QToolButton>(f, "PauseBtn")->click(); });
    AddCommand("Run", 8, [this] { ClickRun(Between(1, kMaxCyclesPerRun)); });
  }

  void RunSession(uint64_t seed, int commandCount) {
    rng.seed(seed);
    modelSeed = seed;
    h.Track().Random.SeedRun(seed);
    budget = commandCount;
    issued = framesLeft = runNesting = cyclesRun = 0;
    recent.clear();
    violation.clear();
    h.Errors.clear();

    h.Track().ClockMs = [this] {
      if (seedPending) {  // the first pass of a run: the model replays with the seed
        seedPending = false;
        h.Track().Random.SeedRun(++modelSeed);
      }
      return h.ClockMs += 1000;
    };
    WrapProcessMessages();
    BuildCommands();
    Check("start");
    while (MayGoOn()) {
      IssueRandom();
      RemoveFrames();
      // A click between cycles that found no loop to run in is still to come.
      QCoreApplication::processEvents();
    }
    // Idle again: no loop, Run up.
    if (Find<QToolButton>(*h.Form, "StartBtn")->isChecked()) Find<QToolButton>(*h.Form, "PauseBtn")->click();
    QCoreApplication::processEvents();
    Check("end");
    RemoveFrames();
    errorsSeen = static_cast<int>(h.Errors.size());
    // The messages the error dialog showed, each kind once with its count.
    QMap<QString, int> kinds;
    for (const QString& error : h.Errors) ++kinds[error.left(80)];
    for (auto kind = kinds.cbegin(); kind != kinds.cend(); ++kind)
      qInfo("%4d x %s", kind.value(), qPrintable(kind.key()));
    qInfo("seed %llu: %d commands, %d cycles, %d players at the end, %d error messages",
          static_cast<unsigned long long>(seed), issued, cyclesRun, Players(), errorsSeen);
  }

 private slots:
  void initTestCase() {
    QVERIFY(dir.isValid());
    framesDir = dir.filePath(QStringLiteral("frames"));
    QVERIFY(QDir().mkpath(framesDir));
    MakeCircuits();
  }

  void init() { h.Open(); }
  void cleanup() { h.Close(); }

  void randomCommandsKeepTheModelConsistent_data() {
    QTest::addColumn<quint64>("seed");
    QTest::addColumn<int>("count");
    QTest::newRow("seed 1") << quint64{1} << 1500;
    QTest::newRow("seed 2") << quint64{2} << 1500;
    QTest::newRow("seed 3") << quint64{3} << 1500;
  }
  void randomCommandsKeepTheModelConsistent() {
    QFETCH(quint64, seed);
    QFETCH(int, count);
    RunSession(seed, count);
    QVERIFY2(violation.isEmpty(), qPrintable(violation));
    QVERIFY(!h.Form->Running());
    QVERIFY(cyclesRun > 0);
  }
};

QTEST_MAIN(ReliabilityTest)
#include "reliability_test.moc"
