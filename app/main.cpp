// Program start: the application object, its title, the main window, the
// message loop; at the end the engine's singletons go in reverse order of
// creation and the custom colours are written back.
#include <QApplication>

#include "app/PrintingUnits.h"
#include "app/Unit1.h"
#include "platform/Application.h"
#include "report/dxPSEngn.h"
#include "report/dxPSSngltn.h"

int main(int argc, char** argv) {
  int code;
  {
    QApplication app(argc, argv);
    InitializePlatform();
    RegisterPrintingUnits();
    dxPSLoadCustomColors();
    Application::SetTitle("Ardel Sorvan");
    {
      TForm1 form;
      form.show();
      code = app.exec();
    }
    dxPSFinalizeSingletons();
    dxPSSaveCustomColors();
  }
  return code;
}
