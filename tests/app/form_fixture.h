#pragma once
// The window of the form tests, driven as a user drives it: clicks on its buttons,
// its menu items and its bars, with the modal dialogs replaced by fakes. Runs are
// made of a few quick cycles: the track's clock is made to overrun the budget at
// every pass, and Pause is clicked from inside a cycle.

#include <QAction>
#include <QCheckBox>
#include <QGroupBox>
#include <QImage>
#include <QLabel>
#include <QLayout>
#include <QMouseEvent>
#include <QScrollArea>
#include <QScrollBar>
#include <QStyle>
#include <QStyleOptionComboBox>
#include <QSlider>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QTimer>
#include <QToolButton>
#include <QtTest>

#include <algorithm>
#include <cmath>
#include <functional>
#include <memory>
#include <numbers>
#include <optional>
#include <thread>

#include "app/crash_report.h"
#include "app/form_test2d.h"
#include "app/goal_box.h"
#include "app/session.h"
#include "app/status_line.h"
#include "app/widgets.h"
#include "bench/population.h"
#include "core/goal.h"
#include "core/random.h"
#include "core/team.h"
#include "world2d/kart.h"
#include "world2d/rocket.h"
#include "world2d/track2d.h"
#include "find_control.h"
#include "run_cycles.h"

namespace vorlanth::testing {

// What each form test class holds and does: it derives from QObject and from this,
// and calls Init and Cleanup from its init and cleanup slots.
class TFormFixture {
 protected:
  std::unique_ptr<TFormTest2D> form;
  QStringList errors;             // what the error dialog was asked to show
  QList<TCrashReport> reports;    // the reports themselves
  QString openFileAnswer;         // what the open dialog answers ("" = cancel)
  QString saveFileAnswer;         // what the save dialog answers
  std::optional<QColor> colorAnswer;
  int64_t clockMs = 0;
  int cyclesSeen = 0;
  QTemporaryDir settingsDir;      // the recent files of the tests' windows

  TTeam& Team() { return *form->Session().CurrentTeam(); }
  TPlayer2D& Body(int i) { return static_cast<TPlayer2D&>(*Team().GetPlayer(i)); }
  TPlayer2D& Selected() { return static_cast<TPlayer2D&>(*form->SelectedPlayer()); }

  // Runs the loop until `cycles` cycles have ended, then clicks Pause between
  // that cycle and the next. `during`(n) runs after cycle n, before the pause,
  // while the run goes on.
  void RunCycles(int cycles, const std::function<void(int)>& during = {}) {
    form->Track().ClockMs = [this] { return clockMs += 1000; };  // every pass overruns the budget
    cyclesSeen = testing::RunCyclesOf(*form, cycles, during);
  }

  void ChoosePlayer(int index) {
    Find<TPlayerList>(*form, "EdPlayerId")->setCurrentIndex(index);
    emit Find<TPlayerList>(*form, "EdPlayerId")->activated(index);
  }

  // The goal boxes from the top of the panel.
  QList<TGoalBox*> GoalBoxes() {
    QList<TGoalBox*> boxes;
    QLayout* layout = Find<QWidget>(*form, "EdGoals")->layout();
    for (int i = 0; i < layout->count(); ++i)
      if (auto* box = qobject_cast<TGoalBox*>(layout->itemAt(i)->widget())) boxes << box;
    return boxes;
  }
  TGoalBox* GoalBox(const QString& title) {
    for (TGoalBox* box : GoalBoxes())
      if (box->title() == title) return box;
    return nullptr;
  }
  static QList<QSlider*> Bars(TGoalBox* box) { return box->findChildren<QSlider*>(); }
  static QString Label(TGoalBox* box, const QString& name) {
    auto* label = box->findChild<QLabel*>(name);
    return label ? label->text() : QStringLiteral("<none>");
  }

  static QImage Rgb(const QImage& image) { return image.convertToFormat(QImage::Format_RGB32); }

  void Init() {
    errors.clear();
    reports.clear();
    openFileAnswer.clear();
    saveFileAnswer.clear();
    colorAnswer.reset();
    TFormDialogs dialogs;
    dialogs.ReportError = [this](const TCrashReport& report) { errors << report.Message; reports << report; };
    dialogs.ShowFileProblem = [this](const QString&, const QString& reason) { errors << reason; };
    dialogs.OpenPicture = [this](const QString&) { return openFileAnswer; };
    dialogs.SaveFile = [this](const QString&) { return saveFileAnswer; };
    dialogs.ChooseColor = [this](const QColor&) { return colorAnswer; };
    dialogs.AskSave = [](const QString&) { return TSaveAnswer::Discard; };
    form = std::make_unique<TFormTest2D>(dialogs);
    form->SettingsFile = settingsDir.filePath(QStringLiteral("settings.ini"));  // never the user's
    form->show();
    QVERIFY(QTest::qWaitForWindowExposed(form.get()));
    // Quick cycles: one pass of ten sub-steps.
    Find<QSlider>(*form, "EdMinFutures")->setValue(1);
    Find<QSlider>(*form, "EdSeconds")->setValue(1);
    form->Track().Random.SeedRun(7);
  }

  void Cleanup() { form.reset(); }
};

}  // namespace vorlanth::testing
