#include "app/crash_report.h"

#include <QApplication>
#include <QClipboard>
#include <QDesktopServices>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QLabel>
#include <QPixmap>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSaveFile>
#include <QTextBoundaryFinder>
#include <QVBoxLayout>

#include <cxxabi.h>

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <system_error>
#include <typeinfo>

#include "core/error.h"

namespace vorlanth {

namespace {

constexpr int kMailBodyLimit = 1800;    // mail programs refuse longer links (UTF-16 units)
constexpr int kMailSubjectLimit = 80;   // the message's part of the subject, "…" included
constexpr int kWordCutReach = 20;       // how far back a cut looks for a space

// The longest start of `text` of at most `limit` UTF-16 units that ends between
// two characters as the user sees them: never inside a surrogate pair, nor
// between a letter and its accents or the parts of one emoji.
QString CutAtCharacter(const QString& text, int limit) {
  if (text.size() <= limit) return text;
  QTextBoundaryFinder characters(QTextBoundaryFinder::Grapheme, text);
  characters.setPosition(limit);
  qsizetype cut = characters.isAtBoundary() ? limit : characters.toPreviousBoundary();
  if (cut < 0) cut = 0;
  return text.left(cut);
}

// The message as one line for a mail's subject: control characters and line
// breaks become spaces (runs of them one space); a message longer than `limit`
// units is cut at a space within the last kWordCutReach units when there is
// one, else between two characters, and ends with "…".
QString MailSubjectText(const QString& message, int limit) {
  QString line;
  line.reserve(message.size());
  for (const QChar c : message) {
    const QChar::Category kind = c.category();
    const bool breaks = kind == QChar::Other_Control || kind == QChar::Separator_Line ||
                        kind == QChar::Separator_Paragraph;
    if (!breaks) {
      line += c;
    } else if (!line.isEmpty() && !line.endsWith(QLatin1Char(' '))) {
      line += QLatin1Char(' ');
    }
  }
  line = line.trimmed();
  if (line.size() <= limit) return line;
  const QString ellipsis = QStringLiteral("…");
  QString cut = CutAtCharacter(line, limit - static_cast<int>(ellipsis.size()));
  const qsizetype space = cut.lastIndexOf(QLatin1Char(' '));
  if (space > 0 && space >= cut.size() - kWordCutReach) cut.truncate(space);
  return cut.trimmed() + ellipsis;
}

QString Demangled(const std::type_info* type) {
  if (!type) return QStringLiteral("unknown");
  int status = 0;
  std::unique_ptr<char, void (*)(void*)> name(abi::__cxa_demangle(type->name(), nullptr, nullptr, &status),
                                              std::free);
  return QString::fromLatin1(status == 0 && name ? name.get() : type->name());
}

void WriteFile(const QString& path, const QByteArray& bytes) {
  QSaveFile file(path);
  if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit())
    throw Error("Cannot write " + path.toStdString() + ": " + file.errorString().toStdString());
}

}  // namespace

TCrashReport TCrashReport::FromException(std::exception_ptr error) {
  TCrashReport report;
  report.When = QDateTime::currentDateTime();
  if (!error) {
    report.Message = QStringLiteral("The program was ended without an exception in flight.");
    report.ErrorType = QStringLiteral("none");
    return report;
  }
  try {
    std::rethrow_exception(error);
  } catch (const std::exception& e) {
    report.Message = QString::fromStdString(e.what());
    report.ErrorType = Demangled(&typeid(e));
  } catch (...) {
    report.Message = QStringLiteral("An unknown error occurred.");
    report.ErrorType = Demangled(abi::__cxa_current_exception_type());
  }
  return report;
}

QString TCrashReport::Text() const {
  QString text;
  text += QStringLiteral("Vorlanth error report\n\n");
  text += QStringLiteral("Message: %1\n").arg(Message);
  text += QStringLiteral("Error type: %1\n").arg(ErrorType);
  text += QStringLiteral("Where: %1\n").arg(Where);
  text += QStringLiteral("Cycle: %1\n").arg(Cycle);
  text += QStringLiteral("Players (%1):\n").arg(Players.size());
  for (const QString& player : Players) text += QStringLiteral("  %1\n").arg(player);
  text += QStringLiteral("Program: %1\n").arg(Version);
  text += QStringLiteral("Time: %1\n").arg(When.toString(Qt::ISODate));
  if (!Scene.isEmpty()) {
    text += QStringLiteral("Scene: %1 (the world when it happened; vorlanth-sim --scene opens it)\n").arg(SceneFileName);
  } else if (!SceneProblem.isEmpty()) {
    text += QStringLiteral("Scene: none, the world could not be described: %1\n").arg(SceneProblem);
  }
  return text;
}

QString TCrashReport::SaveInto(const QString& folder) const {
  const QString name = QStringLiteral("vorlanth-report-") + When.toString(QStringLiteral("yyyyMMdd-HHmmss"));
  QDir parent(folder);
  QString leaf = name;
  for (int n = 2; parent.exists(leaf); ++n) leaf = name + QStringLiteral("-%1").arg(n);
  // The system's reason when the folder cannot be made (missing, read-only, full...).
  std::error_code failure;
  const std::filesystem::path path = std::filesystem::path(parent.filePath(leaf).toStdString());
  if (!std::filesystem::create_directory(path, failure)) {
    const std::string reason = failure ? failure.message() : std::string("it exists already");
    throw Error("Cannot create the folder " + parent.filePath(leaf).toStdString() + ": " + reason);
  }
  const QDir report(parent.filePath(leaf));
  WriteFile(report.filePath(QStringLiteral("report.txt")), Text().toUtf8());
  if (!Scene.isEmpty()) {
    if (!CircuitName.isEmpty()) WriteFile(report.filePath(CircuitName), CircuitBytes);
    WriteFile(report.filePath(SceneFileName), Scene);
  }
  if (!Screenshot.isNull()) {
    QSaveFile png(report.filePath(QStringLiteral("screenshot.png")));
    if (!png.open(QIODevice::WriteOnly) || !Screenshot.save(&png, "PNG") || !png.commit())
      throw Error("Cannot write " + png.fileName().toStdString() + ": " + png.errorString().toStdString());
  }
  return report.absolutePath();
}

QUrl TCrashReport::MailLink() const {
  QString body = Text();
  if (body.size() > kMailBodyLimit)
    body = CutAtCharacter(body, kMailBodyLimit) +
           QStringLiteral("\n[cut short: the saved report holds all of it]\n");
  body += QStringLiteral("\n(A screenshot is in the saved report: please attach screenshot.png.)\n");
  const QString subject = QStringLiteral("Vorlanth error: ") + MailSubjectText(Message, kMailSubjectLimit);
  // Each value percent-encoded whole, every delimiter and '%' included, so that
  // no text of the report reads as part of the link: "%26" stays "%26".
  const QByteArray query = "subject=" + QUrl::toPercentEncoding(subject) +
                           "&body=" + QUrl::toPercentEncoding(body);
  QUrl url(QStringLiteral("mailto:"));
  url.setQuery(QString::fromLatin1(query), QUrl::StrictMode);
  return url;
}

// ---------------------------------------------------------------------------

TCrashDialog::TCrashDialog(TCrashReport report, QWidget* parent, TDesktop desktop)
    : QDialog(parent), report_(std::move(report)), desktop_(std::move(desktop)) {
  if (!desktop_.ChooseFolder) {
    desktop_.ChooseFolder = [](QWidget* owner) {
      return QFileDialog::getExistingDirectory(owner, QStringLiteral("Save the report into"));
    };
  }
  if (!desktop_.OpenUrl) desktop_.OpenUrl = [](const QUrl& url) { return QDesktopServices::openUrl(url); };

  setWindowTitle(QStringLiteral("Vorlanth: an error occurred"));
  auto* layout = new QVBoxLayout(this);

  auto* message = new QLabel(report_.Message, this);
  message->setObjectName(QStringLiteral("Message"));
  message->setWordWrap(true);
  QFont bold = message->font();
  bold.setBold(true);
  message->setFont(bold);
  message->setTextInteractionFlags(Qt::TextSelectableByMouse);
  layout->addWidget(message);

  auto* row = new QHBoxLayout;
  auto* details = new QPlainTextEdit(report_.Text(), this);
  details->setReadOnly(true);
  details->setMinimumWidth(360);
  row->addWidget(details, 1);
  auto* thumbnail = new QLabel(this);
  thumbnail->setObjectName(QStringLiteral("Thumbnail"));
  thumbnail->setAlignment(Qt::AlignTop | Qt::AlignHCenter);
  if (!report_.Screenshot.isNull()) {
    thumbnail->setPixmap(QPixmap::fromImage(
        report_.Screenshot.scaledToWidth(ThumbnailWidth, Qt::SmoothTransformation)));
    thumbnail->setToolTip(QStringLiteral("The window when the error happened"));
  } else {
    thumbnail->setText(QStringLiteral("(no screenshot)"));
  }
  row->addWidget(thumbnail);
  layout->addLayout(row, 1);

  outcome_ = new QLabel(QStringLiteral("Nothing has been lost: close this to go on working."), this);
  outcome_->setObjectName(QStringLiteral("Outcome"));
  outcome_->setWordWrap(true);
  layout->addWidget(outcome_);

  auto* buttons = new QDialogButtonBox(this);
  SaveButton = buttons->addButton(QStringLiteral("Save report…"), QDialogButtonBox::ActionRole);
  CopyButton = buttons->addButton(QStringLiteral("Copy"), QDialogButtonBox::ActionRole);
  SendButton = buttons->addButton(QStringLiteral("Send…"), QDialogButtonBox::ActionRole);
  CloseButton = buttons->addButton(QStringLiteral("Close"), QDialogButtonBox::RejectRole);
  SaveButton->setToolTip(QStringLiteral("Writes report.txt and screenshot.png into a new folder"));
  SendButton->setToolTip(QStringLiteral("Opens your mail program with the report; nothing is sent by Vorlanth"));
  CloseButton->setDefault(true);
  connect(SaveButton, &QPushButton::clicked, this, &TCrashDialog::SaveClick);
  connect(CopyButton, &QPushButton::clicked, this, &TCrashDialog::CopyClick);
  connect(SendButton, &QPushButton::clicked, this, &TCrashDialog::SendClick);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  layout->addWidget(buttons);
}

void TCrashDialog::SaveClick() {
  const QString folder = desktop_.ChooseFolder(this);
  if (folder.isEmpty()) return;
  try {
    savedFolder_ = report_.SaveInto(folder);
    outcome_->setText(QStringLiteral("Saved in %1").arg(QDir::toNativeSeparators(savedFolder_)));
  } catch (const std::exception& e) {
    outcome_->setText(QStringLiteral("Not saved: %1").arg(QString::fromStdString(e.what())));
  }
}

void TCrashDialog::CopyClick() {
  QApplication::clipboard()->setText(report_.Text());
  outcome_->setText(QStringLiteral("The report's text is on the clipboard."));
}

void TCrashDialog::SendClick() {
  if (desktop_.OpenUrl(report_.MailLink())) {
    outcome_->setText(QStringLiteral("Your mail program has the report; attach the screenshot if you saved it."));
  } else {
    outcome_->setText(QStringLiteral("No mail program could be opened: use Copy or Save report… instead."));
  }
}

// ---------------------------------------------------------------------------

namespace {

std::function<void(TCrashReport&)>& TerminateDescriber() {
  static std::function<void(TCrashReport&)> describe;
  return describe;
}

[[noreturn]] void ReportAndEnd() {
  static bool ending = false;  // an error while reporting ends at once
  if (!ending) {
    ending = true;
    try {
      TCrashReport report = TCrashReport::FromException(std::current_exception());
      report.Where = QStringLiteral("an exception escaped every handler");
      if (TerminateDescriber()) TerminateDescriber()(report);
      if (QApplication::instance()) {
        TCrashDialog dialog(report);
        dialog.setWindowTitle(QStringLiteral("Vorlanth must end: an error could not be handled"));
        dialog.exec();
      }
    } catch (...) {
    }
  }
  std::abort();
}

}  // namespace

void InstallTerminateReport(std::function<void(TCrashReport&)> describe) {
  TerminateDescriber() = std::move(describe);
  std::set_terminate(ReportAndEnd);
}

}  // namespace vorlanth
