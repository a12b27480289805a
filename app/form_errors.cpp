// Errors: a problem with a file the user named gets a plain message naming the
// file and the reason; any other error, the program's own fault or a refused
// command, opens the crash report with what the window knows.

#include <QDir>

#include <exception>

#include "app/crash_report.h"
#include "app/file_problem.h"
#include "app/form_test2d.h"
#include "app/session.h"
#include "bench/body_kinds.h"
#include "core/player.h"
#include "core/team.h"

namespace vorlanth {

void TFormTest2D::ReportError(const QString& where) {
  const std::exception_ptr error = std::current_exception();
  try {
    std::rethrow_exception(error);
  } catch (const TFileProblem& problem) {
    QString reason = QString::fromStdString(problem.what());
    if (!reason.contains(problem.FileName))
      reason = QStringLiteral("\"%1\": %2").arg(QDir::toNativeSeparators(problem.FileName), reason);
    if (Dialogs.ShowFileProblem) Dialogs.ShowFileProblem(problem.FileName, reason);
    return;
  } catch (...) {
  }
  TCrashReport report = TCrashReport::FromException(error);
  report.Where = where;
  DescribeForReport(report);
  if (Dialogs.ReportError) Dialogs.ReportError(report);
}

void TFormTest2D::DescribeForReport(TCrashReport& report) {
  report.Cycle = session_->CycleCount();
  report.Version = QStringLiteral("Vorlanth %1 (%2), Qt %3")
                       .arg(QStringLiteral(VORLANTH_VERSION), QStringLiteral(VORLANTH_BUILD),
                            QString::fromLatin1(qVersion()));
  if (TTeam* team = session_->CurrentTeam()) {
    for (int32_t i = 0; i < team->PlayerCount(); ++i) {
      TPlayer* player = team->GetPlayer(i);
      const QString kind = QString::fromLatin1(BodyKindName(*player));
      report.Players << QStringLiteral("Player #%1: %2, %3%4")
                            .arg(i + 1)
                            .arg(kind, player->IsDead() ? QStringLiteral("dead") : QStringLiteral("alive"),
                                 player == team->Selected ? QStringLiteral(", selected") : QString());
    }
  }
  DescribeSceneForReport(report);
  if (isVisible()) report.Screenshot = grab().toImage();
}

}  // namespace vorlanth
