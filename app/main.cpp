// The bench's entry: the application, its one window, and the message loop.

#include <QApplication>

#include "app/form_test2d.h"

int main(int argc, char** argv) {
  QApplication application(argc, argv);
  vorlanth::TFormTest2D form;
  form.show();
  return application.exec();
}
