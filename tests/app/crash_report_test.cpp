// Crash reports: what a report holds when a command or a cycle fails, the report
// dialog's buttons, and the report of an exception that escapes every handler.

#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QLabel>
#include <QProcess>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <QUrlQuery>
#include <QtTest>

#include <cstring>
#include <stdexcept>

#include "app/crash_report.h"
#include "core/random.h"
#include "form_harness.h"
#include "core/error.h"
#include "core/goal.h"
#include "core/player.h"
#include "core/team.h"

using namespace vorlanth;
using namespace vorlanth::testing;

namespace {

TCrashReport SampleReport() {
  TCrashReport report;
  try {
    throw Error("Selected player must be a team member.");
  } catch (...) {
    report = TCrashReport::FromException(std::current_exception());
  }
  report.Where = QStringLiteral("BtnSubPlayer \"-\"");
  report.Cycle = 42;
  report.Players << QStringLiteral("Player #1: rocket, alive, selected");
  report.Version = QStringLiteral("Vorlanth 2.0");
  report.Screenshot = QImage(200, 100, QImage::Format_RGB32);
  report.Screenshot.fill(Qt::darkCyan);
  return report;
}

// The mail link as the mail program receives it: its text, parsed anew.
struct TMailFields {
  QString Subject;
  QString Body;
  qsizetype Count = 0;  // query items
};

TMailFields MailFields(const QUrl& link) {
  const QUrl received = QUrl::fromEncoded(link.toEncoded(), QUrl::StrictMode);
  const QUrlQuery query(received);
  return {query.queryItemValue(QStringLiteral("subject"), QUrl::FullyDecoded),
          query.queryItemValue(QStringLiteral("body"), QUrl::FullyDecoded), query.queryItems().size()};
}

const QString kSubjectStart = QStringLiteral("Vorlanth error: ");

// A goal that breaks the first time it scores a player.
class TBrokenGoal : public TGoal {
 public:
  explicit TBrokenGoal(TPlayer* owner) : TGoal(owner) {}
  void Evaluate(TPlayer&) override { throw std::logic_error("a goal broke"); }
};

}  // namespace

class CrashReportTest : public QObject {
  Q_OBJECT

 private:
  TFormHarness h;
  QList<TCrashReport> reports;

  void OpenWindow() {
    h.Open();
    h.Track().Random.SeedRun(11);
    h.Form->Dialogs.ReportError = [this](const TCrashReport& report) { reports << report; };
    QVERIFY(QTest::qWaitForWindowExposed(h.Form.get()));
  }

 private slots:
  void init() { reports.clear(); }
  void cleanup() { h.Close(); }

  void aFailedCommandIsReportedWithItsContext() {
    OpenWindow();
    Find<TFlatButton>(*h.Form, "BtnAddPlayer")->click();  // a kart, selected
    // Greyed out for a kart; run anyway, as a command that reached it regardless.
    Find<QAction>(*h.Form, "Suckenergyfromplayersinfrontofyou1")->setEnabled(true);
    Find<QAction>(*h.Form, "Suckenergyfromplayersinfrontofyou1")->trigger();
    QCOMPARE(reports.size(), 1);
    const TCrashReport& report = reports[0];
    QCOMPARE(report.Message, QStringLiteral("BurnOut goal is only fro Rockets."));
    QCOMPARE(report.ErrorType, QStringLiteral("vorlanth::Error"));
    QCOMPARE(report.Where, QStringLiteral("Suckenergyfromplayersinfrontofyou1 \"Suck energy from players in front of you\""));
    QCOMPARE(report.Players, (QStringList{QStringLiteral("Player #1: rocket, alive"),
                                          QStringLiteral("Player #2: kart, alive, selected")}));
    QVERIFY(report.Version.startsWith(QStringLiteral("Vorlanth 2.0 (")));
    QVERIFY(report.Version.contains(QString::fromLatin1(qVersion())));
    QCOMPARE(report.Screenshot.size(), h.Form->size());
    // The window goes on: Close loses nothing.
    QCOMPARE(h.Team().PlayerCount(), 2);
  }

  // A fault of the program in a cycle (here a goal that breaks as it scores):
  // the report names the cycle and the phase it failed in.
  void aFailedCycleIsReportedWithItsPhase() {
    OpenWindow();
    Find<TFlatButton>(*h.Form, "BtnAddPlayer")->click();
    h.Team().Selected->Goals->AddGoal(std::make_unique<TBrokenGoal>(h.Team().Selected));
    h.RunCycles(3);
    QCOMPARE(reports.size(), 1);
    QCOMPARE(reports[0].Message, QStringLiteral("a goal broke"));
    QCOMPARE(reports[0].ErrorType, QStringLiteral("std::logic_error"));
    QVERIFY2(reports[0].Where.startsWith(QStringLiteral("the run loop, cycle 1, phase: the simulation cycle")),
             qPrintable(reports[0].Where));
    QCOMPARE(reports[0].Cycle, 0);  // none done
  }

  void anythingThrownHasATypeAndAMessage() {
    try {
      throw 42;
    } catch (...) {
      const TCrashReport report = TCrashReport::FromException(std::current_exception());
      QCOMPARE(report.ErrorType, QStringLiteral("int"));
      QCOMPARE(report.Message, QStringLiteral("An unknown error occurred."));
    }
    try {
      throw std::out_of_range("index 7");
    } catch (...) {
      const TCrashReport report = TCrashReport::FromException(std::current_exception());
      QCOMPARE(report.ErrorType, QStringLiteral("std::out_of_range"));
      QCOMPARE(report.Message, QStringLiteral("index 7"));
    }
  }

  void theDialogSavesCopiesAndHandsTheReportToTheMailProgram() {
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    QUrl opened;
    TCrashDialog::TDesktop desktop;
    desktop.ChooseFolder = [&](QWidget*) { return dir.path(); };
    desktop.OpenUrl = [&](const QUrl& url) {
      opened = url;
      return true;
    };
    const TCrashReport report = SampleReport();
    TCrashDialog dialog(report, nullptr, desktop);
    dialog.show();
    QVERIFY(dialog.findChild<QLabel*>(QStringLiteral("Thumbnail"))->pixmap().width() == TCrashDialog::ThumbnailWidth);
    QCOMPARE(dialog.SaveButton->text(), QStringLiteral("Save report…"));
    QCOMPARE(dialog.SendButton->text(), QStringLiteral("Send…"));

    dialog.SaveButton->click();
    QVERIFY(!dialog.SavedFolder().isEmpty());
    QFile text(QDir(dialog.SavedFolder()).filePath(QStringLiteral("report.txt")));
    QVERIFY(text.open(QIODevice::ReadOnly));
    const QString saved = QString::fromUtf8(text.readAll());
    for (const QString& part : {QStringLiteral("Message: Selected player must be a team member."),
                                QStringLiteral("Error type: vorlanth::Error"), QStringLiteral("Where: BtnSubPlayer"),
                                QStringLiteral("Cycle: 42"), QStringLiteral("Player #1: rocket, alive, selected"),
                                QStringLiteral("Program: Vorlanth 2.0")})
      QVERIFY2(saved.contains(part), qPrintable(part));
    const QImage png(QDir(dialog.SavedFolder()).filePath(QStringLiteral("screenshot.png")));
    QCOMPARE(png.size(), QSize(200, 100));
    QCOMPARE(png.pixel(10, 10), QColor(Qt::darkCyan).rgb());

    // Saving again makes another folder; the first stays whole.
    const QString first = dialog.SavedFolder();
    dialog.SaveButton->click();
    QVERIFY(dialog.SavedFolder() != first);
    QVERIFY(QFile::exists(QDir(first).filePath(QStringLiteral("report.txt"))));

    dialog.CopyButton->click();
    QCOMPARE(QApplication::clipboard()->text(), report.Text());

    dialog.SendButton->click();
    QCOMPARE(opened.scheme(), QStringLiteral("mailto"));
    const QUrlQuery query(opened);
    QVERIFY(query.queryItemValue(QStringLiteral("body"), QUrl::FullyDecoded)
                .contains(QStringLiteral("Selected player must be a team member.")));

    dialog.CloseButton->click();
    QCOMPARE(dialog.result(), int(QDialog::Rejected));
  }

  void aReportThatCannotBeSavedSaysSoAndLeavesNothing() {
    TCrashDialog::TDesktop desktop;
    desktop.ChooseFolder = [](QWidget*) { return QStringLiteral("/no-such-folder-for-reports"); };
    TCrashDialog dialog(SampleReport(), nullptr, desktop);
    dialog.SaveButton->click();
    QVERIFY(dialog.SavedFolder().isEmpty());
    QVERIFY(dialog.findChild<QLabel*>(QStringLiteral("Outcome"))->text().startsWith(QStringLiteral("Not saved:")));
    QVERIFY(!QDir(QStringLiteral("/no-such-folder-for-reports")).exists());
  }

  void aLongReportMakesAShortMailLink() {
    TCrashReport report = SampleReport();
    for (int i = 0; i < 500; ++i) report.Players << QStringLiteral("Player #%1: kart, alive").arg(i + 2);
    const QString body = QUrlQuery(report.MailLink()).queryItemValue(QStringLiteral("body"), QUrl::FullyDecoded);
    QVERIFY(body.size() < 2100);
    QVERIFY(body.contains(QStringLiteral("the saved report holds all of it")));
  }

  // Text that looks like encoding or like the link's own delimiters stays text,
  // and each field stays one field.
  void theMailLinkCarriesEveryValueAsGiven() {
    const QString names[] = {QStringLiteral("a%26b.bmp"), QStringLiteral("two%0D%0Alines.bmp"),
                             QStringLiteral("x&body=stolen&subject=y.bmp"), QStringLiteral("c#d?e=f+g.bmp"),
                             QStringLiteral("100%.bmp"), QStringLiteral("%%25%zz%E9.bmp")};
    for (const QString& name : names) {
      TCrashReport report = SampleReport();
      report.Message = name;
      report.Where = QStringLiteral("Open ") + name + QStringLiteral("\r\n\x01");
      const TMailFields mail = MailFields(report.MailLink());
      QCOMPARE(mail.Count, 2);
      QCOMPARE(mail.Subject, kSubjectStart + name);
      QVERIFY2(mail.Body.startsWith(report.Text()), qPrintable(mail.Body));  // line breaks as given
    }
  }

  void theMailSubjectIsOneLineCutBetweenCharacters() {
    TCrashReport report = SampleReport();
    report.Message = QStringLiteral("line one\r\nline two\tand\x01\x7f\u2028end\n");
    QCOMPARE(MailFields(report.MailLink()).Subject, kSubjectStart + QStringLiteral("line one line two and end"));

    // A long message is cut at a space near the end.
    report.Message =
        QStringLiteral("Cannot read the circuit picture \"/home/ana/circuits/long name.bmp\": the file does not exist.");
    QCOMPARE(MailFields(report.MailLink()).Subject,
             kSubjectStart +
                 QStringLiteral("Cannot read the circuit picture \"/home/ana/circuits/long name.bmp\": the file…"));

    // Without a space, never inside a surrogate pair, wherever the emoji falls.
    const QString rocket = QStringLiteral("\U0001F680");
    for (int at = 70; at <= 84; ++at) {
      report.Message = QString(at, QLatin1Char('a')) + rocket + QString(20, QLatin1Char('b'));
      QString subject = MailFields(report.MailLink()).Subject;
      QVERIFY(subject.startsWith(kSubjectStart) && subject.endsWith(QStringLiteral("…")));
      subject = subject.mid(kSubjectStart.size()).chopped(1);
      QVERIFY(subject.size() >= 78 && subject.size() <= 79);
      QVERIFY2(report.Message.startsWith(subject), qPrintable(subject));
    }

    // The body is cut between characters too.
    for (int shift = 0; shift < 2; ++shift) {
      report.Where = QString(shift, QLatin1Char('w'));
      report.Players.clear();
      for (int i = 0; i < 100; ++i) report.Players << rocket.repeated(20);
      const QString body = MailFields(report.MailLink()).Body;
      const qsizetype cut = body.indexOf(QStringLiteral("\n[cut short"));
      QVERIFY(cut > 1700);
      QVERIFY(report.Text().startsWith(body.left(cut)));
    }
  }

  // An exception that escapes every handler: the child process shows the report
  // dialog from its terminate handler, prints what it shows, closes it, and ends.
  void anEscapedExceptionIsReportedBeforeTheEnd() {
    QProcess child;
    child.setProcessChannelMode(QProcess::SeparateChannels);
    child.start(QCoreApplication::applicationFilePath(), {QStringLiteral("--escape")});
    QVERIFY(child.waitForFinished(60000));
    QCOMPARE(child.exitStatus(), QProcess::CrashExit);  // the program ends by abort
    const QString shown = QString::fromUtf8(child.readAllStandardOutput());
    QVERIFY2(shown.contains(QStringLiteral("Message: escaped from a timer")), qPrintable(shown));
    QVERIFY(shown.contains(QStringLiteral("Error type: std::logic_error")));
    QVERIFY(shown.contains(QStringLiteral("Where: an exception escaped every handler")));
    QVERIFY(shown.contains(QStringLiteral("Cycle: 99")));
  }
};

// The child of anEscapedExceptionIsReportedBeforeTheEnd.
static int EscapeChild(int argc, char** argv) {
  QApplication application(argc, argv);
  InstallTerminateReport([](TCrashReport& report) { report.Cycle = 99; });
  // Once the report dialog is up, print its report and close it.
  auto* watcher = new QTimer(&application);
  QObject::connect(watcher, &QTimer::timeout, [] {
    for (QWidget* widget : QApplication::topLevelWidgets()) {
      if (auto* dialog = qobject_cast<TCrashDialog*>(widget); dialog && dialog->isVisible()) {
        std::fputs(dialog->Report().Text().toUtf8().constData(), stdout);
        std::fflush(stdout);
        dialog->CloseButton->click();
      }
    }
  });
  watcher->start(0);
  QTimer::singleShot(0, [] { throw std::logic_error("escaped from a timer"); });
  return application.exec();
}

int main(int argc, char** argv) {
  if (argc > 1 && std::strcmp(argv[1], "--escape") == 0) return EscapeChild(argc, argv);
  QApplication application(argc, argv);
  CrashReportTest test;
  return QTest::qExec(&test, argc, argv);
}

#include "crash_report_test.moc"
