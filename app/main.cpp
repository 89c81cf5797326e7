// Program start: the command line (read before anything needs a display), the
// application object, its title, the main window with the picture named on the
// command line, the message loop; at the end the engine's singletons go in
// reverse order of creation and the custom colours are written back.
#include <QApplication>
#include <iostream>

#include "app/CommandLine.h"
#include "app/PrintingUnits.h"
#include "app/MainForm.h"
#include "platform/Application.h"
#include "report/EngineSettings.h"
#include "report/Singletons.h"

int main(int argc, char** argv) {
  const TCommandLine line = ParseCommandLine(argc, argv);
  if (std::optional<int> exitCode = HandleCommandLine(line, std::cout, std::cerr)) return *exitCode;

  // The application object sees the program name and the toolkit's options only.
  std::vector<std::string> toolkitArguments{argv[0]};
  toolkitArguments.insert(toolkitArguments.end(), line.ToolkitArguments.begin(), line.ToolkitArguments.end());
  std::vector<char*> toolkitArgv;
  for (std::string& argument : toolkitArguments) toolkitArgv.push_back(argument.data());
  toolkitArgv.push_back(nullptr);
  int toolkitArgc = int(toolkitArguments.size());

  int code;
  {
    QApplication app(toolkitArgc, toolkitArgv.data());
    // Ties the window to its menu entry (and icon) where the desktop asks.
    QGuiApplication::setDesktopFileName(QStringLiteral("org.ardelsorvan.ArdelSorvan"));
    InitializePlatform();
    RegisterPrintingUnits();
    dxPSLoadCustomColors();
    Application::SetTitle("Ardel Sorvan");
    {
      TForm1 form;
      ApplyPrintStyles(form, line);
      form.show();
      OpenStartPicture(form, line);
      code = Application::Run();
    }
    dxPSFinalizeSingletons();
    dxPSSaveCustomColors();
  }
  return code;
}
