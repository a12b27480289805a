// What the window remembers between runs (QSettings, beside the recent files):
// its geometry and docks, Panel View, the Debug flags, the Threads box and the
// folders its dialogs last showed. Help > "Restore defaults" forgets them.

#include <QAction>
#include <QSettings>
#include <QSpinBox>
#include <QStatusBar>
#include <QUndoStack>

#include "app/form_test2d.h"
#include "app/plots_dock.h"
#include "app/session.h"

namespace vorlanth {

namespace {

constexpr char kGroup[] = "window";
constexpr int kNoticeMs = 8000;  // how long a notice stays in the status bar

}  // namespace

QList<QAction*> TFormTest2D::RememberedItems() const {
  QList<QAction*> items;
  for (const char* name : {"menuBasicAIparams", "menuGoals", "menuChoosePlayer", "menuPlayerParams", "MenuTrackParams",
                           "menuHandMove", "MenuDebugTraces", "MenuDebugFeelings", "MenuDebugOptions", "MenuDebugLevels",
                           "MenuDebugGoals", "MenuDebugTeamGoals"})
    items << Item(name);
  return items;
}

void TFormTest2D::SaveSettings() const {
  auto settings = Settings();
  settings->beginGroup(QString::fromLatin1(kGroup));
  settings->setValue(QStringLiteral("geometry"), saveGeometry());
  settings->setValue(QStringLiteral("docks"), saveState());
  for (const QAction* item : RememberedItems()) settings->setValue(item->objectName(), item->isChecked());
  settings->setValue(QStringLiteral("threads"), findChild<QSpinBox*>(QStringLiteral("EdThreads"))->value());
  settings->setValue(QStringLiteral("timelineMemory"), findChild<QSpinBox*>(QStringLiteral("EdTimelineMemory"))->value());
  settings->setValue(QStringLiteral("openFolder"), openFolder_);
  settings->setValue(QStringLiteral("saveFolder"), saveFolder_);
  settings->endGroup();
}

void TFormTest2D::RestoreSettings() {
  auto settings = Settings();
  settings->beginGroup(QString::fromLatin1(kGroup));
  if (settings->contains(QStringLiteral("geometry"))) {
    restoreGeometry(settings->value(QStringLiteral("geometry")).toByteArray());
    restoreState(settings->value(QStringLiteral("docks")).toByteArray());
    // The dock was sized when it was last open: it does not grow the window again.
    PlotsDock->setProperty("sized", true);
  }
  for (QAction* item : RememberedItems()) {
    const QVariant checked = settings->value(item->objectName());
    if (checked.isValid() && checked.toBool() != item->isChecked()) item->trigger();  // through its handler
  }
  if (const QVariant threads = settings->value(QStringLiteral("threads")); threads.isValid())
    findChild<QSpinBox*>(QStringLiteral("EdThreads"))->setValue(threads.toInt());
  if (const QVariant memory = settings->value(QStringLiteral("timelineMemory")); memory.isValid())
    findChild<QSpinBox*>(QStringLiteral("EdTimelineMemory"))->setValue(memory.toInt());
  openFolder_ = settings->value(QStringLiteral("openFolder"), openFolder_).toString();
  saveFolder_ = settings->value(QStringLiteral("saveFolder"), saveFolder_).toString();
  settings->endGroup();
  // The window as it was left is where the session starts: nothing to undo or save.
  session_->UndoStack().clear();
  session_->SetModified(false);
}

void TFormTest2D::RestoreDefaultsClick() {
  // Forgotten now; this window keeps its present layout until the next start.
  Settings()->remove(QString::fromLatin1(kGroup));
  restoreDefaults_ = true;
  statusBar()->showMessage(QStringLiteral("Defaults restored: the next start uses the default window, panels, "
                                          "Debug flags, Threads and folders (the recent files stay)."),
                           kNoticeMs);
}

}  // namespace vorlanth
