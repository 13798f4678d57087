#include <filesystem>

#include "app/cli/Command.h"
#include "app/cli/Commands.h"
#include "app/cli/ParameterFileCheck.h"
#include "paint/StageScoresOfSet.h"
#include "store/CaseCopy.h"
#include "store/CaseLocation.h"
#include "store/CaseTable.h"

namespace vorla::cli {

const char* const CopyHelp =
    "Usage: vorla-cli copy --from DIR_OR_URI --to DIR_OR_URI\n"
    "\n"
    "Copies a whole case table, every case with its SKELETON_ID and every field\n"
    "exactly, and the history of the cases, from one place to another: a case\n"
    "folder (its TAData.db, or the server its TAData.conn names) or a PostgreSQL\n"
    "connection URI (postgresql://HOST/DATABASE?sslmode=require ...). Each case\n"
    "copied adds a line to its history naming the source. The target must hold no\n"
    "case; a missing target folder is created. Everything is copied in one\n"
    "transaction: on a failure nothing is, and a score that stands for no stage\n"
    "of its trait in the source folder's Parameters.dat is such a failure.\n"
    "Passwords come from ~/.pgpass, PGPASSFILE or the service file.\n"
    "Exit codes: 0 copied, 2 usage error, 3 the copy failed.\n";

namespace {

class Copy final : public Command {
 public:
  Copy() : Command("copy", CopyHelp, {{"--from", "--to"}}) {}

 private:
  void Read(const CommandLine& a) override {
    a.NoWords();
    if (!a.Has("--from") || !a.Has("--to")) throw UsageError("name both --from and --to");
    from_ = *a.Value("--from");
    to_ = *a.Value("--to");
  }
  int Execute() override {
    FailureNote = "Nothing was copied.\n";
    if (!IsDatabaseUri(from_) && !FolderHasCaseTable(from_))
      throw StoreError("The folder " + from_ + " holds no case table.");
    if (!IsDatabaseUri(to_)) std::filesystem::create_directories(to_);
    // The score fields of the source folder's own traits go along, and its
    // set says which scores stand for a stage.
    std::shared_ptr<const CheckedParameters> checked;
    if (!IsDatabaseUri(from_)) checked = DeclareTraitsOfFolder(from_, Err());
    CaseTable source;
    source.Open(from_);
    CaseTable target;
    target.Open(to_);
    const int count = CopyCaseTable(source, target, StageScoresOf(checked.get()));
    Out() << "Copied " << count << (count == 1 ? " case" : " cases") << " from " << source.Where() << " to "
          << target.Where() << "\n";
    return 0;
  }

  std::string from_;
  std::string to_;
};

}  // namespace

int CopyCommand(const std::vector<std::string>& args, const char* argv0, std::ostream& out, std::ostream& err) {
  return Copy().Run(args, argv0, out, err);
}

}  // namespace vorla::cli
