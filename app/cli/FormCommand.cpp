// vorla-cli form: the blank score form as a PDF file.
#include <QString>

#include "app/cli/Command.h"
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

namespace {

class Form final : public Command {
 public:
  Form() : Command("form", FormHelp, {{"--out"}}) {}

 private:
  void Read(const CommandLine& a) override {
    a.NoWords();
    path_ = a.Value("--out").value_or(ExecutableDirectory(Argv0()) + "Transition Analysis Score Form.pdf");
    if (path_.empty()) throw UsageError("--out names a file");
  }
  int Execute() override {
    const auto application = PaintingApplication(Argv0());
    gui::WriteReportPdf(QString::fromStdString(path_), gui::BlankScoreForm());
    Out() << "Blank score form written to " << path_ << "\n";
    return 0;
  }

  std::string path_;
};

}  // namespace

int FormCommand(const std::vector<std::string>& args, const char* argv0, std::ostream& out, std::ostream& err) {
  return Form().Run(args, argv0, out, err);
}

}  // namespace vorla::cli
