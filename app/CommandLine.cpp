#include "app/CommandLine.h"

#include <QFile>
#include <QFileInfo>
#include <QDir>
#include <QPointer>
#include <QTimer>
#include <QUrl>
#include <algorithm>
#include <iterator>
#include <ostream>

#include "app/MainForm.h"
#include "platform/QtStrings.h"
#include "platform/Registry.h"

#ifndef ARDEL_VERSION
#define ARDEL_VERSION "0.0.0"
#endif

namespace {

constexpr const char* kProgram = "ardel-sorvan";

// The toolkit's options that take a value in the next argument, and those
// that stand alone. The toolkit accepts them with one dash or two; a session
// manager restarts the program with -session.
constexpr const char* kToolkitValueOptions[] = {
    "platform", "platformpluginpath", "platformtheme", "plugin", "qwindowgeometry", "qwindowicon",
    "qwindowtitle", "style", "stylesheet", "session", "display", "geometry", "title", "icon", "name",
};
constexpr const char* kToolkitFlags[] = {"reverse", "widgetcount"};

template <std::size_t N>
bool Contains(const char* const (&names)[N], const std::string& name) {
  return std::any_of(std::begin(names), std::end(names), [&](const char* n) { return name == n; });
}

// A file argument as a path: a file:// URL (as some file managers hand over)
// becomes its local file, anything else is taken as it is.
std::string FilePath(const std::string& argument) {
  if (argument.rfind("file://", 0) != 0) return argument;
  const QUrl url(QString::fromLocal8Bit(argument.c_str()), QUrl::StrictMode);
  if (!url.isValid() || !url.isLocalFile() || url.toLocalFile().isEmpty()) return argument;
  return QFile::encodeName(url.toLocalFile()).toStdString();
}

TCommandLine Failed(std::string error) {
  TCommandLine line;
  line.Action = TCommandLineAction::Fail;
  line.Error = std::move(error);
  return line;
}

}  // namespace

TCommandLine ParseCommandLine(const std::vector<std::string>& arguments) {
  TCommandLine line;
  std::vector<std::string> files;
  bool options = true;
  for (std::size_t i = 0; i < arguments.size(); ++i) {
    const std::string& arg = arguments[i];
    if (!options || arg.size() < 2 || arg[0] != '-') {  // "-" alone is a file name too
      files.push_back(FilePath(arg));
      continue;
    }
    if (arg == "--") {
      options = false;
      continue;
    }
    // The first of --help and --version decides; the rest is still checked.
    if (arg == "-h" || arg == "--help") {
      if (line.Action == TCommandLineAction::Run) line.Action = TCommandLineAction::ShowHelp;
      continue;
    }
    if (arg == "-v" || arg == "--version") {
      if (line.Action == TCommandLineAction::Run) line.Action = TCommandLineAction::ShowVersion;
      continue;
    }
    if (arg == "--print-styles") {
      line.PrintStyles = true;
      continue;
    }
    const std::string name = arg.substr(arg[1] == '-' ? 2 : 1);
    if (Contains(kToolkitFlags, name)) {
      line.ToolkitArguments.push_back(arg);
    } else if (Contains(kToolkitValueOptions, name)) {
      if (i + 1 >= arguments.size()) return Failed("option '" + arg + "' needs a value");
      line.ToolkitArguments.push_back(arg);
      line.ToolkitArguments.push_back(arguments[++i]);
    } else if (name.rfind("style=", 0) == 0 || name.rfind("stylesheet=", 0) == 0) {
      line.ToolkitArguments.push_back(arg);
    } else {
      return Failed("unknown option '" + arg + "'");
    }
  }
  if (!files.empty()) {
    line.PictureFile = files.front();
    line.IgnoredFiles.assign(files.begin() + 1, files.end());
  }
  return line;
}

TCommandLine ParseCommandLine(int argc, const char* const* argv) {
  std::vector<std::string> arguments;
  for (int i = 1; i < argc; ++i) arguments.emplace_back(argv[i]);
  return ParseCommandLine(arguments);
}

std::string VersionText() { return std::string("Ardel Sorvan ") + ARDEL_VERSION; }

std::string UsageText() {
  return std::string("Usage: ") + kProgram +
         " [PICTURE]\n"
         "Composes a one-page photo calendar: a photo above a month calendar, printed or previewed.\n"
         "\n"
         "  PICTURE         a photo to show at start (JPEG, bitmap, icon, enhanced or Windows metafile)\n"
         "  --print-styles  offer named print styles (kept with the settings) when previewing and printing\n"
         "  -h, --help      show this help and exit\n"
         "  -v, --version   show the version and exit\n"
         "\n"
         "The toolkit's own options (-style NAME, -platform NAME, ...) are passed on to it.\n";
}

std::optional<int> HandleCommandLine(const TCommandLine& line, std::ostream& out, std::ostream& err) {
  switch (line.Action) {
    case TCommandLineAction::ShowVersion:
      out << VersionText() << '\n';
      return 0;
    case TCommandLineAction::ShowHelp:
      out << UsageText();
      return 0;
    case TCommandLineAction::Fail:
      err << kProgram << ": " << line.Error << "\nTry '" << kProgram << " --help' for more information.\n";
      return 2;
    case TCommandLineAction::Run:
      break;
  }
  for (const std::string& file : line.IgnoredFiles)
    err << kProgram << ": one photo at a time; '" << file << "' is not opened\n";
  return std::nullopt;
}

void OpenStartPicture(TForm1& form, const TCommandLine& line) {
  if (line.PictureFile.empty()) return;
  // Queued, so the window is on the screen first and an error box about the
  // file has the window behind it.
  QTimer::singleShot(0, &form, [form = QPointer<TForm1>(&form), file = line.PictureFile] {
    if (form) form->LoadPicture(file);
  });
}

void ApplyPrintStyles(TForm1& form, const TCommandLine& line) {
  if (!line.PrintStyles) return;
  const QFileInfo settings(ToQ(RegistryFile()));
  // The folder of the settings may not be there yet; the styles are written into it at the end.
  QDir().mkpath(settings.absolutePath());
  form.UsePrintStyles(FromQ(settings.absoluteDir().filePath(QStringLiteral("print-styles"))));
}
