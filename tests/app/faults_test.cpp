// Faults a user met: each driven here as the user met it, through real events
// (wheel, keys with the focus where the user left it, a run that fails, the
// plots opened and read back from what they draw).

#include <QAction>
#include <QApplication>
#include <QBarCategoryAxis>
#include <QChart>
#include <QChartView>
#include <QGraphicsScene>
#include <QGraphicsTextItem>
#include <QLineEdit>
#include <QLineSeries>
#include <QScrollArea>
#include <QScrollBar>
#include <QSpinBox>
#include <QStatusBar>
#include <QToolButton>
#include <QUndoStack>
#include <QValueAxis>
#include <QWheelEvent>
#include <QtTest>
#include <QtTest/qtestspontaneevent.h>

#include "app/crash_report.h"
#include "app/plots_dock.h"
#include "app/status_line.h"
#include "core/random.h"
#include "find_control.h"
#include "form_harness.h"

using namespace vorlanth;
using namespace vorlanth::testing;

namespace {

// A notch of the wheel over the widget's middle, as the platform delivers it
// (spontaneous: Qt passes it on to the parents while it is ignored).
void WheelNotch(QWidget* widget, int notches) {
  const QPointF at(widget->width() / 2.0, widget->height() / 2.0);
  QWheelEvent wheel(at, widget->mapToGlobal(at), QPoint(), QPoint(0, 120 * notches), Qt::NoButton,
                    Qt::NoModifier, Qt::NoScrollPhase, false);
  QSpontaneKeyEvent::setSpontaneous(&wheel);
  qApp->notify(widget, &wheel);  // as QTest delivers its mouse events (sendEvent is never spontaneous)
}

QValueAxis* AxisOf(QLineSeries* series, Qt::Alignment side) {
  for (QAbstractAxis* axis : series->attachedAxes())
    if (axis->alignment() == side) return qobject_cast<QValueAxis*>(axis);
  return nullptr;
}

}  // namespace

class FaultsTest : public QObject {
  Q_OBJECT

 private:
  TFormHarness h;

  void Step(int cycles = 1) {
    for (int i = 0; i < cycles; ++i) Find<QToolButton>(*h.Form, "StepBtn")->click();
  }
  QString Status() { return Find<QLabel>(*h.Form, "StatusLine")->text(); }

 private slots:
  void init() {
    h.Errors.clear();
    h.Open();
    h.Track().Random.SeedRun(11);
    QVERIFY(QTest::qWaitForWindowExposed(h.Form.get()));
  }
  void cleanup() { h.Close(); }

  // The wheel over the goal panel scrolls it; a bar under the pointer keeps its
  // value unless the user gave it the focus.
  void theWheelScrollsTheGoalPanelNotItsBars() {
    Find<QAction>(*h.Form, "MenuTrackParams")->trigger();
    Find<QAction>(*h.Form, "menuPlayerParams")->trigger();
    for (QAction* item : {Find<QAction>(*h.Form, "Keephealth1"), Find<QAction>(*h.Form, "Keepenergyhunger1"), Find<QAction>(*h.Form, "Runfast1")}) item->trigger();
    QCoreApplication::processEvents();
    auto* area = h.Form->findChild<QScrollArea*>(QStringLiteral("GoalArea"));
    QVERIFY(area->verticalScrollBar()->maximum() > 0);
    QSlider* bar = Find<QWidget>(*h.Form, "EdGoals")->findChildren<QSlider*>().first();
    const int position = bar->value();
    const double strength = h.Form->SelectedPlayer()->Goals->GetGoal(0).Strength;

    WheelNotch(bar, -3);  // down
    QCOMPARE(bar->value(), position);
    QCOMPARE(h.Form->SelectedPlayer()->Goals->GetGoal(0).Strength, strength);
    QVERIFY(area->verticalScrollBar()->value() > 0);
    QVERIFY(!bar->hasFocus());

    // Focused (a click or Tab), the bar takes the wheel.
    area->verticalScrollBar()->setValue(0);
    bar->setFocus(Qt::TabFocusReason);
    WheelNotch(bar, 1);
    QVERIFY(bar->value() != position);
  }

  // Space and "." run and step wherever the focus is, the Threads box included;
  // in a text field they type.
  void theRunKeysWorkWhereverTheFocusIs() {
    h.Form->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(h.Form.get()));
    auto* threads = Find<QSpinBox>(*h.Form, "EdThreads");
    threads->setFocus(Qt::MouseFocusReason);
    QWidget* focus = QApplication::focusWidget();
    QVERIFY(focus == threads || focus->parent() == threads);
    const int threadCount = threads->value();

    QTest::keyClick(focus, Qt::Key_Period);
    QCOMPARE(h.Form->Session().CycleCount(), 1);
    QTest::keyClick(focus, Qt::Key_Period);
    QCOMPARE(h.Form->Session().CycleCount(), 2);

    // Space runs; Space again after the second cycle pauses.
    int frames = 0;
    const QMetaObject::Connection each = connect(&h.Form->Session(), &TSession::CycleDone, this, [&] {
      if (++frames == 2) QTest::keyClick(QApplication::focusWidget(), Qt::Key_Space);
    });
    QTest::keyClick(focus, Qt::Key_Space);
    disconnect(each);
    QCOMPARE(frames, 2);
    QCOMPARE(h.Form->Session().CycleCount(), 4);
    QVERIFY(!h.Form->Running());
    QCOMPARE(threads->value(), threadCount);

    // A text field types them.
    auto* field = new QLineEdit(h.Form.get());
    h.Form->statusBar()->addWidget(field);
    field->show();
    field->setFocus(Qt::MouseFocusReason);
    QTest::keyClick(field, Qt::Key_Space);
    QTest::keyClick(field, Qt::Key_Period);
    QCOMPARE(field->text(), QStringLiteral(" ."));
    QCOMPARE(h.Form->Session().CycleCount(), 4);
    QVERIFY(h.Errors.isEmpty());
  }

  // A run an error stopped shows as stopped: Run released, the reason and the
  // cycle in the status bar; Run starts it again.
  void aRunStoppedByAnErrorShowsStopped() {
    h.SaveFileAnswer = QStringLiteral("/no-such-folder-for-frames/run");
    Find<QAction>(*h.Form, "Saveimagestofolder")->trigger();
    QCOMPARE(h.RunCycles(3), 1);
    QCOMPARE(h.Errors.size(), 1);
    QCOMPARE(h.FileProblems.size(), 1);  // the user's to fix: a plain message, no crash report
    QVERIFY(h.FileProblems.front().contains(QStringLiteral("run_00001.bmp")));
    QVERIFY(!Find<QToolButton>(*h.Form, "StartBtn")->isChecked());
    QVERIFY(!h.Form->Running());
    QVERIFY2(Status().startsWith(QStringLiteral("Stopped at cycle 1: ")), qPrintable(Status()));
    QVERIFY(Status().contains(QStringLiteral("/no-such-folder-for-frames/run_00001.bmp")));

    QVERIFY(!Find<QAction>(*h.Form, "Saveimagestofolder")->isChecked());  // saving is off
    QCOMPARE(h.RunCycles(2), 2);
    QVERIFY(Status().startsWith(QStringLiteral("Cycle 3")));
  }

  // The plots: the support's option names whole, the feeling axis not blown up,
  // figures that are never negative on axes that stay at or above zero, and the
  // circuit kept at its size when the dock opens.
  void thePlotsReadWholeOnSensibleAxes() {
    h.Form->ScreenArea = [] { return QRect(0, 0, 2560, 1440); };  // room beside the window
    Find<QAction>(*h.Form, "Keephealth1")->trigger();
    QCoreApplication::processEvents();
    const QSize circuit = Find<TImageView>(*h.Form, "ImgRoad")->size();
    Find<QAction>(*h.Form, "menuPlots")->trigger();
    for (int i = 0; i < 3; ++i) QCoreApplication::processEvents();
    QCOMPARE(Find<TImageView>(*h.Form, "ImgRoad")->size(), circuit);

    Step(3);
    TPlotsDock& dock = *Find<TPlotsDock>(*h.Form, "PlotsDock");
    dock.Refresh();
    QCoreApplication::processEvents();

    QChartView* supportView = nullptr;
    for (QChartView* view : dock.findChildren<QChartView*>())
      if (view->chart()->axes().contains(dock.SupportOptions)) supportView = view;
    QVERIFY(supportView);
    supportView->grab();  // lays the labels out
    QStringList drawn;
    for (QGraphicsItem* item : supportView->scene()->items())
      if (auto* text = dynamic_cast<QGraphicsTextItem*>(item)) drawn << text->toPlainText();
    QVERIFY(!dock.SupportOptions->categories().isEmpty());
    for (const QString& option : dock.SupportOptions->categories())
      QVERIFY2(drawn.contains(option), qPrintable(option + " not among " + drawn.join(QLatin1Char('|'))));

    // The health goal has a reaction time: its feeling is drawn on the right axis.
    QLineSeries* feeling = nullptr;
    for (QLineSeries* series : dock.GoalFeelings)
      if (series->isVisible() && series->count() > 0) feeling = series;
    QVERIFY(feeling);
    const QValueAxis* right = AxisOf(feeling, Qt::AlignRight);
    QVERIFY(right->max() - right->min() >= 0.2);
    for (QLineSeries* series : {dock.Speed, dock.Futures, dock.CycleMs, dock.Energy}) {
      for (QAbstractAxis* axis : series->attachedAxes())
        if (auto* values = qobject_cast<QValueAxis*>(axis); values && axis->orientation() == Qt::Vertical)
          QVERIFY2(values->min() >= 0, qPrintable(series->name()));
    }
    QVERIFY(h.Errors.isEmpty());
  }

  // The small ones: the system's reason when a report cannot be saved, hints that
  // tell the players' buttons apart, energy stealing offered only to a rocket.
  void smallFaults() {
    TCrashReport report;
    report.Message = QStringLiteral("boom");
    QTemporaryDir dir;
    const QString missing = dir.filePath(QStringLiteral("gone"));
    try {
      report.SaveInto(missing);
      QFAIL("saved into a folder that does not exist");
    } catch (const std::exception& e) {
      QVERIFY2(QString::fromUtf8(e.what()).contains(QStringLiteral("No such file or directory")), e.what());
    }

    const QString kart = Find<QToolButton>(*h.Form, "BtnAddPlayer")->toolTip();
    const QString rocket = Find<QToolButton>(*h.Form, "SpeedButton7")->toolTip();
    const QString remove = Find<QToolButton>(*h.Form, "BtnSubPlayer")->toolTip();
    QVERIFY(rocket.contains(QStringLiteral("rocket")));
    QVERIFY(remove.startsWith(QStringLiteral("Remove")));
    QVERIFY(kart != rocket && rocket != remove);

    QVERIFY(Find<QAction>(*h.Form, "Suckenergyfromplayersinfrontofyou1")->isEnabled());  // the rocket
    Find<QToolButton>(*h.Form, "BtnAddPlayer")->click();                // a kart, selected
    QVERIFY(!Find<QAction>(*h.Form, "Suckenergyfromplayersinfrontofyou1")->isEnabled());
    QVERIFY(Find<QAction>(*h.Form, "Suckenergyfromplayersinfrontofyou1")->toolTip().contains(QStringLiteral("rocket")));
    Find<QAction>(*h.Form, "Suckenergyfromplayersinfrontofyou1")->trigger();
    QVERIFY2(h.Errors.isEmpty(), qPrintable(h.Errors.join(QLatin1Char('\n'))));
  }

  // What the window remembers survives a new window; "Restore defaults" forgets it.
  void settingsSurviveANewWindow() {
    QTemporaryDir folder;
    Find<QAction>(*h.Form, "menuPlayerParams")->trigger();  // shown
    Find<QAction>(*h.Form, "MenuDebugTraces")->trigger();   // on
    Find<QSpinBox>(*h.Form, "EdThreads")->setValue(1);
    h.OpenFileAnswer = folder.filePath(QStringLiteral("missing.txt"));  // not a circuit: nothing is loaded
    Find<QAction>(*h.Form, "Loadcircuit800x600BMP1")->trigger();
    h.Form->resize(900, 650);
    QVERIFY(h.Form->close());

    h.Open();
    h.Form->RestoreSettings();
    QVERIFY(Find<QAction>(*h.Form, "menuPlayerParams")->isChecked());
    QVERIFY(Find<QAction>(*h.Form, "MenuDebugTraces")->isChecked());
    QVERIFY(h.Form->SelectedPlayer()->ShowTraces);
    QCOMPARE(Find<QSpinBox>(*h.Form, "EdThreads")->value(), 1);
    QCOMPARE(h.Track().Threads, 1);
    h.OpenFileAnswer.clear();
    Find<QAction>(*h.Form, "Loadcircuit800x600BMP1")->trigger();
    QCOMPARE(h.OpenFolderAsked, folder.path());
    QCOMPARE(h.Form->size(), QSize(900, 650));
    QVERIFY(!h.Form->Session().UndoStack().canUndo());

    Find<QAction>(*h.Form, "RestoreDefaultsItem")->trigger();
    QVERIFY(h.Form->close());
    h.Open();
    h.Form->RestoreSettings();
    QVERIFY(!Find<QAction>(*h.Form, "menuPlayerParams")->isChecked());
    QVERIFY(!Find<QAction>(*h.Form, "MenuDebugTraces")->isChecked());
    Find<QAction>(*h.Form, "Loadcircuit800x600BMP1")->trigger();
    QVERIFY(h.OpenFolderAsked != folder.path());
    QVERIFY(h.Errors.isEmpty());
  }
};

QTEST_MAIN(FaultsTest)
#include "faults_test.moc"
