#pragma once
// Crash reports: what went wrong, where, in what world, with a picture of the
// window at that moment; and the dialog that shows one and can save it, copy it
// or hand it to the user's mail program. The program itself sends nothing.

#include <QByteArray>
#include <QDateTime>
#include <QDialog>
#include <QImage>
#include <QString>
#include <QStringList>
#include <QUrl>

#include <cstdint>
#include <exception>
#include <functional>

class QLabel;
class QPushButton;

namespace vorlanth {

struct TCrashReport {
  static inline const QString SceneFileName = QStringLiteral("scene.vorlanth.json");

  QString Message;      // the error's own text
  QString ErrorType;    // the C++ type of what was thrown
  QString Where;        // the command, or the phase of the cycle, that failed
  int64_t Cycle = 0;    // cycles run since start-up
  QStringList Players;  // one line per player: name, kind, alive or dead
  QString Version;      // program version and build
  QDateTime When;
  QImage Screenshot;    // the window when the error happened
  // The world when the error happened, as a scene document (empty when it could
  // not be described: SceneProblem says why), and the circuit picture it names
  // (its file's bytes; no name for the built-in circuit).
  QByteArray Scene;
  QString SceneProblem;
  QString CircuitName;
  QByteArray CircuitBytes;

  // Message and type from the exception in flight (call inside a catch block or
  // from a terminate handler); an empty pointer says no exception was in flight.
  static TCrashReport FromException(std::exception_ptr error);

  QString Text() const;
  // Writes report.txt, screenshot.png and the scene (scene.vorlanth.json, with
  // its circuit) into a new folder inside `folder`;
  // returns that folder, or throws Error saying what could not be written.
  QString SaveInto(const QString& folder) const;
  // A mailto link for the user's mail program: the message (on one line, cut
  // between characters) as its subject, the report as its body, each value
  // percent-encoded as it is, so the mail shows exactly the report's text.
  QUrl MailLink() const;
};

class TCrashDialog : public QDialog {
  Q_OBJECT

 public:
  // How the dialog reaches the desktop; tests replace them.
  struct TDesktop {
    std::function<QString(QWidget* parent)> ChooseFolder;  // "" = cancelled
    std::function<bool(const QUrl& url)> OpenUrl;
  };

  static constexpr int ThumbnailWidth = 320;

  TCrashDialog(TCrashReport report, QWidget* parent = nullptr, TDesktop desktop = {});

  const TCrashReport& Report() const { return report_; }
  QString SavedFolder() const { return savedFolder_; }
  QPushButton* SaveButton = nullptr;   // "Save report…"
  QPushButton* CopyButton = nullptr;   // "Copy"
  QPushButton* SendButton = nullptr;   // "Send…"
  QPushButton* CloseButton = nullptr;  // "Close"

  void SaveClick();
  void CopyClick();
  void SendClick();

 private:
  TCrashReport report_;
  TDesktop desktop_;
  QLabel* outcome_ = nullptr;  // what the last button did
  QString savedFolder_;
};

// Installs a terminate handler that shows the report of the exception that
// escaped (with the context `describe` adds) before the program ends.
void InstallTerminateReport(std::function<void(TCrashReport&)> describe);

}  // namespace vorlanth
