// What the window remembers between runs (QSettings, beside the recent files):
// its geometry and docks, Panel View, the Debug flags, the Threads box and the
// folders its dialogs last showed. Help > "Restore defaults" forgets them.

#include <QAction>
#include <QSettings>
#include <QSpinBox>
#include <QUndoStack>

#include "app/form_test2d.h"
#include "app/plots_dock.h"

namespace vorlanth {

namespace {

constexpr char kGroup[] = "window";

}  // namespace

QList<QAction*> TFormTest2D::RememberedItems() const {
  return {menuBasicAIparams, menuGoals, menuChoosePlayer, menuPlayerParams, MenuTrackParams, menuHandMove,
          MenuDebugTraces, MenuDebugFeelings, MenuDebugOptions, MenuDebugLevels, MenuDebugGoals,
          MenuDebugTeamGoals};
}

void TFormTest2D::SaveSettings() const {
  auto settings = Settings();
  settings->beginGroup(QString::fromLatin1(kGroup));
  settings->setValue(QStringLiteral("geometry"), saveGeometry());
  settings->setValue(QStringLiteral("docks"), saveState());
  for (const QAction* item : RememberedItems()) settings->setValue(item->objectName(), item->isChecked());
  settings->setValue(QStringLiteral("threads"), findChild<QSpinBox*>(QStringLiteral("EdThreads"))->value());
  settings->setValue(QStringLiteral("openFolder"), OpenPictureFolder);
  settings->setValue(QStringLiteral("saveFolder"), SaveFolder);
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
  OpenPictureFolder = settings->value(QStringLiteral("openFolder"), OpenPictureFolder).toString();
  SaveFolder = settings->value(QStringLiteral("saveFolder"), SaveFolder).toString();
  settings->endGroup();
  // The window as it was left is where the session starts: nothing to undo or save.
  undo_->clear();
  setWindowModified(false);
}

void TFormTest2D::RestoreDefaultsClick() {
  // Forgotten now; this window keeps its present layout until the next start.
  Settings()->remove(QString::fromLatin1(kGroup));
  restoreDefaults_ = true;
}

}  // namespace vorlanth
