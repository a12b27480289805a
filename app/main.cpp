// The bench's entry: the application, its one window, and the message loop.

#include <QApplication>

#include "app/crash_report.h"
#include "app/form_test2d.h"

int main(int argc, char** argv) {
  QApplication application(argc, argv);
  vorlanth::TFormTest2D form;
  form.RestoreSettings();  // as the window was left last time
  // An exception that escapes every handler still gets its report before the end.
  vorlanth::InstallTerminateReport([&form](vorlanth::TCrashReport& report) { form.DescribeForReport(report); });
  form.show();
  return application.exec();
}
