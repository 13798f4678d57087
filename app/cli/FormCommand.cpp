// vorla-cli form: the blank score form as a PDF file.
#include <QString>

#include "app/cli/CliArguments.h"
#include "app/cli/Commands.h"
#include "app/cli/PaintingApplication.h"
#include "app/common/ProgramDirectory.h"
#include "paint/CaseReport.h"

namespace vorla::cli {

const char* const FormHelp =
    "Usage: vorla-cli form [--out FILE]\n"
    "\n"
    "Writes the blank score form, the report's page with every field empty and\n"
    "the score boxes framed, as a PDF file to print and fill in by hand.\n"
    "\n"
    "  --out FILE   the file to write (default: \"Transition Analysis Score Form.pdf\"\n"
    "               beside the program, the form the window's \"Data Entry Form PDF\"\n"
    "               button opens)\n"
    "Exit codes: 0 written, 2 usage error, 3 the file could not be written.\n";

int FormCommand(const std::vector<std::string>& args, const char* argv0, std::ostream& out, std::ostream& err) {
  std::string path;
  try {
    const CliArguments a(args, {"--out"}, {});
    if (!a.Words().empty()) throw UsageError("unexpected argument " + a.Words().front());
    path = a.Value("--out").value_or(ExecutableDirectory(argv0) + "Transition Analysis Score Form.pdf");
    if (path.empty()) throw UsageError("--out names a file");
  } catch (const UsageError& e) {
    err << "vorla-cli form: " << e.what() << "\n\n" << FormHelp;
    return 2;
  }
  const auto application = PaintingApplication(argv0);
  try {
    gui::WriteReportPdf(QString::fromStdString(path), gui::BlankScoreForm());
  } catch (const std::exception& e) {
    err << e.what() << "\n";
    return 3;
  }
  out << "Blank score form written to " << path << "\n";
  return 0;
}

}  // namespace vorla::cli
