// The bench's entry: the application, its one window, and the message loop.

#include <QApplication>
#include <QCommandLineParser>

#include <cstdio>

#include "app/crash_report.h"
#include "app/form_test2d.h"

int main(int argc, char** argv) {
  QApplication application(argc, argv);
  QApplication::setApplicationName(QStringLiteral("vorlanth"));
  QApplication::setApplicationVersion(QStringLiteral(VORLANTH_VERSION));
  QCommandLineParser arguments;
  arguments.setApplicationDescription(
      QStringLiteral("A test bench for agents that steer themselves by simulating their own futures."));
  arguments.addHelpOption();
  arguments.addVersionOption();
  arguments.addPositionalArgument(QStringLiteral("file"),
                                  QStringLiteral("A scene (.vorlanth.json) or a circuit (.bmp) to open."),
                                  QStringLiteral("[file]"));
  arguments.process(application);  // --help, --version and unknown options end here
  if (arguments.positionalArguments().size() > 1) {
    std::fprintf(stderr, "vorlanth: one file at most, %d given\n", static_cast<int>(arguments.positionalArguments().size()));
    return 2;
  }
  vorlanth::TFormTest2D form;
  form.RestoreSettings();  // as the window was left last time
  // An exception that escapes every handler still gets its report before the end.
  vorlanth::InstallTerminateReport([&form](vorlanth::TCrashReport& report) { form.DescribeForReport(report); });
  form.show();
  if (!arguments.positionalArguments().isEmpty()) form.OpenGivenFile(arguments.positionalArguments().front());
  return application.exec();
}
