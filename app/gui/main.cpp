// vorla: the window. Usage: vorla [--dir DIR] [--db URI]
#include <cxxabi.h>
#include <QApplication>
#include <QMessageBox>
#include <cstdlib>
#include <iostream>
#include <memory>
#include <string>
#include <typeinfo>

#include "app/common/ProgramDirectory.h"
#include "gui/TAForm2.h"
#include "store/CaseLocation.h"

namespace {

const char* const Usage =
    "Usage: vorla [--dir DIR] [--db URI]\n"
    "\n"
    "Age at death by transition analysis: the window.\n"
    "\n"
    "  --dir DIR   the folder holding Parameters.dat, TAData.db and TATree.txt\n"
    "              (default: the folder of the program)\n"
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

}  // namespace

int main(int argc, char** argv) {
  std::string dirOption;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--help" || arg == "-h") {
      std::cout << Usage;
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
  const std::string directory = vorla::cli::WorkingDirectory(dirOption, argv[0]);

  QApplication app(argc, argv);
  QApplication::setApplicationName(QString::fromLatin1(vorla::gui::ApplicationTitle));

  vorla::gui::DesktopInteraction ui;
  std::unique_ptr<vorla::gui::TTAForm2> window;
  try {
    window = std::make_unique<vorla::gui::TTAForm2>(directory, ui);
  } catch (const std::exception& error) {
    QMessageBox::critical(nullptr, QStringLiteral("Error"), QString::fromStdString(TypeName(typeid(error))));
    return 3;
  } catch (...) {
    QMessageBox::critical(nullptr, QStringLiteral("Error"), QStringLiteral("unknown error"));
    return 3;
  }
  ui.SetOwner(window.get());
  window->show();
  return app.exec();
}
