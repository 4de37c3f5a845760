#include <QApplication>

#include "app/Application.h"
#include "app/FileDialogs.h"
#include "app/Unit1.h"

int main(int argc, char* argv[]) {
  // The program reads no command line, not even Qt's own options: only its name goes on.
  int qtArgc = argc > 0 ? 1 : 0;
  QApplication application(qtArgc, argv);
  exeicon::app::initApplication(application);
  exeicon::app::QtDialogRunner dialogs;
  TForm1 Form1(dialogs);
  Form1.show();
  return application.exec();
}
