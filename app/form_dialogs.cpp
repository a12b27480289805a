// The window's modal dialogs, where a test has not replaced them: Qt's own.

#include <QColorDialog>
#include <QFileDialog>
#include <QMessageBox>

#include "app/crash_report.h"
#include "app/form_test2d.h"
#include "app/shortcuts_dialog.h"
#include "scene/scene.h"

namespace vorlanth {

void TFormTest2D::InstallDefaultDialogs() {
  if (!Dialogs.ReportError) {
    Dialogs.ReportError = [this](const TCrashReport& report) {
      TCrashDialog dialog(report, this);
      dialog.exec();
    };
  }
  if (!Dialogs.ShowAbout) {
    Dialogs.ShowAbout = [this](const QString& text) {
      QMessageBox::about(this, QStringLiteral("About Vorlanth"), text);
    };
  }
  if (!Dialogs.OpenPicture) {
    Dialogs.OpenPicture = [this](const QString& folder) {
      return QFileDialog::getOpenFileName(
          this, QStringLiteral("Open a scene or a circuit"), folder,
          QStringLiteral("Scenes and circuits (*%1 *.bmp *.BMP);;Scenes (*%1);;Circuits: BMP at 800x600 (*.bmp *.BMP)")
              .arg(QString::fromLatin1(SceneExtension)));
    };
  }
  if (!Dialogs.SaveScene) {
    Dialogs.SaveScene = [this](const QString& folder) {
      return QFileDialog::getSaveFileName(this, QStringLiteral("Save scene as"), folder,
                                          QStringLiteral("Scenes (*%1)").arg(QString::fromLatin1(SceneExtension)));
    };
  }
  if (!Dialogs.AskSave) {
    Dialogs.AskSave = [this](const QString& sceneName) {
      QMessageBox box(QMessageBox::Warning, QString::fromLatin1(Caption),
                      QStringLiteral("The scene \"%1\" has unsaved changes.").arg(sceneName),
                      QMessageBox::Save | QMessageBox::Discard | QMessageBox::Cancel, this);
      box.setInformativeText(QStringLiteral("Save them first?"));
      box.setDefaultButton(QMessageBox::Save);
      switch (box.exec()) {
        case QMessageBox::Save: return TSaveAnswer::Save;
        case QMessageBox::Discard: return TSaveAnswer::Discard;
        default: return TSaveAnswer::Cancel;
      }
    };
  }
  if (!Dialogs.SaveFile) {
    Dialogs.SaveFile = [this](const QString& folder) {
      // The name is a prefix: nothing is overwritten by choosing it.
      return QFileDialog::getSaveFileName(this, QString(), folder, QString(), nullptr,
                                          QFileDialog::DontConfirmOverwrite);
    };
  }
  if (!Dialogs.SaveJournal) {
    Dialogs.SaveJournal = [this](const QString& folder) {
      return QFileDialog::getSaveFileName(this, QStringLiteral("Save command journal"), folder,
                                          QStringLiteral("Command journals (*.vorlanth-journal.json)"));
    };
  }
  if (!Dialogs.SaveVideo) {
    Dialogs.SaveVideo = [this](const QString& folder) {
      return QFileDialog::getSaveFileName(this, QStringLiteral("Record video"), folder,
                                          QStringLiteral("Films: H.264 in MP4 (*.mp4);;Films: VP9 in WebM (*.webm)"));
    };
  }
  if (!Dialogs.ShowFileProblem) {
    Dialogs.ShowFileProblem = [this](const QString&, const QString& reason) {
      QMessageBox::warning(this, QString::fromLatin1(Caption), reason);
    };
  }
  if (!Dialogs.ShowShortcuts) {
    Dialogs.ShowShortcuts = [this](const QList<QPair<QString, QString>>& rows) {
      TShortcutsDialog dialog(rows, this);
      dialog.exec();
    };
  }
  if (!Dialogs.ChooseColor) {
    Dialogs.ChooseColor = [this](const QColor& initial) -> std::optional<QColor> {
      const QColor chosen = QColorDialog::getColor(initial, this);
      if (!chosen.isValid()) return std::nullopt;
      return chosen;
    };
  }
}

}  // namespace vorlanth
