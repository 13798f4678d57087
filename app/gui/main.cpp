// vorla: the window. Usage: vorla [--dir DIR] [--db URI]
#include <cxxabi.h>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMessageBox>
#include <QScreen>
#include <QStandardPaths>
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <memory>
#include <string>
#include <typeinfo>

#include "app/common/ProgramDirectory.h"
#include "gui/TAForm2.h"
#include "gui/WindowSettings.h"
#include "store/CaseLocation.h"

namespace {

const char* const Usage =
    "Usage: vorla [--dir DIR] [--db URI] [--version]\n"
    "\n"
    "Age at death by transition analysis: the window.\n"
    "\n"
    "  --dir DIR   the folder holding Parameters.dat, TAData.db and TATree.txt\n"
    "              (default: the case folder opened last, else the folder of\n"
    "              the program)\n"
    "  --db URI    keep the case table on a PostgreSQL server,\n"
    "              postgresql://HOST/DATABASE (as a TAData.conn in the folder does);\n"
    "              the password comes from ~/.pgpass, PGPASSFILE or the service file\n"
    "\n"
    "Without a desktop, vorla-cli does the same analysis from the command line.\n";

// The name of an error's type, as a person can read it.
std::string TypeName(const std::type_info& type) {
  int status = 0;
  char* readable = abi::__cxa_demangle(type.name(), nullptr, nullptr, &status);
  std::string name = status == 0 && readable ? readable : type.name();
  std::free(readable);
  return name;
}

bool HasDisplay() {
#if defined(__linux__) || defined(__unix__)
  const auto set = [](const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr && *value != '\0';
  };
  return set("QT_QPA_PLATFORM") || set("DISPLAY") || set("WAYLAND_DISPLAY");
#else
  return true;
#endif
}

// The user's own case folder for an installed program started the first
// time: offered, made with copies of the shipped files; empty when the
// person chose none.
std::string FirstCaseFolder(vorla::gui::UserInteraction& ui, const std::string& shipped) {
  const QString home =
      QDir(QStandardPaths::writableLocation(QStandardPaths::HomeLocation)).absoluteFilePath(QStringLiteral("VORLA"));
  const QString demonstration = QStringLiteral(
      "\n\nThe parameter set that comes with VORLA is a demonstration with invented numbers: its ages mean "
      "nothing. For casework, put a parameter set calibrated on a documented reference collection in its place.");
  QString folder = home;
  if (!QFileInfo::exists(home + QStringLiteral("/Parameters.dat")) &&
      !ui.AskYesNo(QStringLiteral("VORLA keeps your cases in a folder of your own. Make %1, with a copy of the "
                                  "shipped parameter set and the blank score form?")
                       .arg(QDir::toNativeSeparators(home)) +
                   demonstration))
    folder = ui.FolderName(nullptr, QStringLiteral("Choose the folder for your cases"), QDir::homePath());
  if (folder.isEmpty()) return {};
  QDir().mkpath(folder);
  for (const char* name : {"Parameters.dat", "Transition Analysis Score Form.pdf"}) {
    const QString target = QDir(folder).absoluteFilePath(QString::fromLatin1(name));
    if (!QFileInfo::exists(target)) QFile::copy(QString::fromStdString(shipped) + QString::fromLatin1(name), target);
  }
  return QDir::toNativeSeparators(QDir(folder).absolutePath() + QLatin1Char('/')).toStdString();
}

}  // namespace

int main(int argc, char** argv) {
  std::string dirOption;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--help" || arg == "-h") {
      std::cout << Usage;
      return 0;
    }
    if (arg == "--version") {
      std::cout << "vorla " << vorla::cli::VersionText() << "\n";
      return 0;
    }
    if (arg == "--dir" && i + 1 < argc) {
      dirOption = argv[++i];
    } else if (arg.rfind("--dir=", 0) == 0) {
      dirOption = arg.substr(6);
    } else if (arg == "--db" && i + 1 < argc) {
      vorla::ChooseDatabaseForCaseFolders(std::string(argv[++i]));
    } else if (arg.rfind("--db=", 0) == 0) {
      vorla::ChooseDatabaseForCaseFolders(arg.substr(5));
    } else {
      std::cerr << "vorla: unexpected argument " << arg << "\n\n" << Usage;
      return 2;
    }
  }
  if (!HasDisplay()) {
    std::cerr << "vorla: there is no display to open the window on (neither DISPLAY nor WAYLAND_DISPLAY is set).\n"
                 "Run it on a desktop, or analyse the cases with vorla-cli.\n";
    return 2;
  }
  QApplication app(argc, argv);
  QApplication::setApplicationName(QString::fromLatin1(vorla::gui::ApplicationTitle));
  // Remembered in the user's configuration folder (~/.config/VORLA/vorla.ini).
  vorla::gui::WindowSettings settings;
  vorla::gui::DesktopInteraction ui;
  std::string directory = vorla::cli::WorkingDirectory(dirOption, argv[0]);
  if (dirOption.empty()) {
    const std::string last = settings.LastFolder();
    std::error_code error;
    if (!last.empty() && std::filesystem::is_directory(last, error))
      directory = last;
    else if (vorla::cli::RunsInstalled(argv[0]))
      directory = FirstCaseFolder(ui, vorla::cli::ShippedDataDirectory(argv[0]));
    if (directory.empty()) return 0;
  }

  std::unique_ptr<vorla::gui::TTAForm2> window;
  try {
    window = std::make_unique<vorla::gui::TTAForm2>(directory, ui, &settings);
  } catch (const std::exception& error) {
    QMessageBox::critical(nullptr, QStringLiteral("Error"), QString::fromStdString(TypeName(typeid(error))));
    return 3;
  } catch (...) {
    QMessageBox::critical(nullptr, QStringLiteral("Error"), QStringLiteral("unknown error"));
    return 3;
  }
  window->ShippedDirectory = vorla::cli::ShippedDataDirectory(argv[0]);
  ui.SetOwner(window.get());
  if (!window->RestoredGeometry())
    if (const QScreen* screen = QGuiApplication::primaryScreen()) window->PlaceOnScreen(screen->availableGeometry());
  window->show();
  return app.exec();
}
