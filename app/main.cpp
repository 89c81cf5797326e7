// Program start: the application object, its title, the main window, the
// message loop.
#include <QApplication>

#include "app/Unit1.h"
#include "platform/Application.h"

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  InitializePlatform();
  Application::SetTitle("Ardel Sorvan");
  TForm1 form;
  form.show();
  return app.exec();
}
