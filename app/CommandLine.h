// The program's command line: a picture to show at start (so that a desktop's
// "Open with" works), --print-styles, --version and --help. It is read before the application
// object exists, so that --version and --help need no display.
#pragma once

#include <iosfwd>
#include <optional>
#include <string>
#include <vector>

class TForm1;

enum class TCommandLineAction { Run, ShowVersion, ShowHelp, Fail };

struct TCommandLine {
  TCommandLineAction Action = TCommandLineAction::Run;
  // The picture to show in the photo area once the window is open; empty for none.
  std::string PictureFile;
  // Further files: the window has one photo area, so the first file wins and
  // these are only mentioned on the error output.
  std::vector<std::string> IgnoredFiles;
  // --print-styles: the window's report takes its page from named print
  // styles, kept with the program's settings, which the preview and the
  // print dialog offer.
  bool PrintStyles = false;
  // The toolkit's own options (-style fusion, -session id, ...) with their
  // values, in their order, to be handed to the application object.
  std::vector<std::string> ToolkitArguments;
  // What was wrong, for Fail.
  std::string Error;
};

// Reads the arguments after the program name. "--" ends the options; a
// file:// URL names its local file.
TCommandLine ParseCommandLine(const std::vector<std::string>& arguments);
TCommandLine ParseCommandLine(int argc, const char* const* argv);

// "Ardel Sorvan <version>".
std::string VersionText();
// The short usage that --help prints.
std::string UsageText();

// Does what the command line asks for before any window exists: prints the
// version or the usage on out (exit code 0), a wrong command line on err (exit
// code 2). Answers nothing when the program is to start; any ignored files are
// then mentioned on err.
std::optional<int> HandleCommandLine(const TCommandLine& line, std::ostream& out, std::ostream& err);

// Shows the command line's picture in the window's photo area as soon as the
// message loop runs, that is after the window has opened; a file that cannot
// be read gives the same message as "Fotoğraf Seçiniz".
void OpenStartPicture(TForm1& form, const TCommandLine& line);

// With --print-styles: the window's print styles, kept in "print-styles"
// beside the settings file.
void ApplyPrintStyles(TForm1& form, const TCommandLine& line);
