// The case folder: opening another one, the recent folders, importing and
// exporting cases, and what the window remembers between sessions.
#include <QAbstractButton>
#include <QAction>
#include <QButtonGroup>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QScreen>

#include "gui/TAForm2.h"
#include "gui/WindowSettings.h"
#include "gui/widgets/CaseGrid.h"
#include "paint/StageScoresOfSet.h"
#include "params/CaseRun.h"
#include "store/CaseCsv.h"

namespace vorla::gui {

namespace {

constexpr int MaxRecentFolders = 8;

QString Shown(const std::string& path) {
  return QDir::toNativeSeparators(QString::fromStdString(path));
}

// The folder as the window keeps it: absolute, ending in the separator.
std::string FolderPath(const QString& folder) {
  QString path = QDir::cleanPath(QFileInfo(folder).absoluteFilePath());
  if (!path.endsWith(QLatin1Char('/'))) path += QLatin1Char('/');
  return QDir::toNativeSeparators(path).toStdString();
}

// The question about lines of an import that repeat stored cases, naming the first few.
QString StoredLinesQuestion(const QString& path, const std::vector<StoredLine>& lines) {
  constexpr std::size_t MostNamed = 5;
  QString text = QStringLiteral("%1 case(s) in %2 are already stored, with the same case number and the same scores:")
                     .arg(lines.size())
                     .arg(QDir::toNativeSeparators(path));
  for (std::size_t i = 0; i < lines.size() && i < MostNamed; ++i)
    text += QStringLiteral("\nline %1: \"%2\" (SKELETON_ID %3)")
                .arg(lines[i].line)
                .arg(QString::fromStdString(lines[i].name))
                .arg(lines[i].key);
  if (lines.size() > MostNamed) text += QStringLiteral("\n... and %1 more.").arg(lines.size() - MostNamed);
  return text + QStringLiteral(
                    "\n\nSkip them, import them anyway (each becomes a second case of that number), or cancel the "
                    "import?");
}

}  // namespace

// --- Remembered between sessions -----------------------------------------------

void TTAForm2::RestoreSettings() {
  if (!settings_) return;
  if (const std::optional<QByteArray> geometry = settings_->Geometry()) {
    // Remembered on another screen, or on this one at another resolution: a
    // window that does not fit where it comes back is placed afresh.
    geometry_restored_ = restoreGeometry(*geometry);
    const QScreen* back = QGuiApplication::screenAt(frameGeometry().center());
    if (geometry_restored_ && (back == nullptr || !back->availableGeometry().contains(frameGeometry())))
      geometry_restored_ = false;
  }
  if (QAbstractButton* button = ProbabilityButtons->button(settings_->LevelIndex())) button->setChecked(true);
}

void TTAForm2::SaveSettings() {
  if (!settings_) return;
  settings_->SetGeometry(saveGeometry());
  settings_->SetLevelIndex(ProbabilityIndex());
  if (TATable.IsOpen() && TATable.RecNo() > 0)
    settings_->SetLastCase(QString::fromStdString(ProgramDirectory), TATable.FieldAsInteger("SKELETON_ID"));
  settings_->Sync();
}

void TTAForm2::RestoreLastCase() {
  if (!settings_ || !TATable.IsOpen()) return;
  // A case deleted since: the first stays.
  if (const std::optional<int> id = settings_->LastCase(QString::fromStdString(ProgramDirectory)))
    DataSourceSkeleton.LocateId(*id);
}

QStringList TTAForm2::RecentFolders() const {
  return settings_ ? settings_->RecentFolders() : QStringList();
}

void TTAForm2::UpdateRecentFoldersMenu() {
  RecentFoldersMenu->clear();
  const QStringList folders = RecentFolders();
  for (const QString& folder : folders) {
    QAction* action = RecentFoldersMenu->addAction(QDir::toNativeSeparators(folder));
    action->setStatusTip(QStringLiteral("Open this case folder"));
    connect(action, &QAction::triggered, this,
            [this, folder] { Guarded([this, folder] { OpenCaseFolder(folder.toStdString()); }); });
  }
  RecentFoldersMenu->setEnabled(!folders.isEmpty());
}

void TTAForm2::RememberFolder() {
  if (settings_) {
    QStringList folders = RecentFolders();
    const QString path = QString::fromStdString(ProgramDirectory);
    folders.removeAll(path);
    folders.prepend(path);
    while (folders.size() > MaxRecentFolders) folders.removeLast();
    settings_->SetRecentFolders(folders);
    settings_->SetLastFolder(path);
  }
  UpdateRecentFoldersMenu();
}

// --- Opening a case folder ---------------------------------------------------------

void TTAForm2::OpenCaseFolderClick() {
  const QString chosen =
      ui_.FolderName(this, QStringLiteral("Open Case Folder"), QString::fromStdString(ProgramDirectory));
  if (!chosen.isEmpty()) OpenCaseFolder(chosen.toStdString());
}

bool TTAForm2::OpenCaseFolder(const std::string& directory) {
  const std::string folder = FolderPath(QString::fromStdString(directory));
  if (!QFileInfo(QString::fromStdString(folder)).isDir()) {
    ShowMessage(MessageKind::Error, "The folder " + Shown(folder).toStdString() + " does not exist.");
    return false;
  }
  const QString parameters = QString::fromStdString(folder) + QStringLiteral("Parameters.dat");
  if (!QFileInfo::exists(parameters)) {
    // The cases can be recorded without a parameter set, but not analysed.
    const QString shipped =
        ShippedDirectory.empty() ? QCoreApplication::applicationDirPath() : QString::fromStdString(ShippedDirectory);
    const QString beside = QDir(shipped).absoluteFilePath(QStringLiteral("Parameters.dat"));
    const QString missing = QStringLiteral("The folder ") + Shown(folder) +
                            QStringLiteral(
                                " holds no parameter file Parameters.dat: its cases can be recorded, "
                                "but not analysed.");
    if (QFileInfo::exists(beside)) {
      QFile file(beside);
      const QByteArray bytes = file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
      const ParameterIdentity set = IdentifyParameterSet(beside.toStdString(), bytes.toStdString());
      const QString demonstration = set.demonstration
                                        ? QStringLiteral("\n\nThat set is a demonstration with invented numbers (\"") +
                                              QString::fromStdString(set.firstLine) +
                                              QStringLiteral("\"): its results are not for casework.")
                                        : QString();
      if (ui_.AskYesNo(missing + QStringLiteral("\n\nCopy the parameter set beside the program (") +
                       QDir::toNativeSeparators(beside) + QStringLiteral(") into it?") + demonstration) &&
          !QFile::copy(beside, parameters))
        ShowMessage(MessageKind::Error, "Parameters.dat could not be copied into " + Shown(folder).toStdString() + ".");
    } else {
      ShowMessage(MessageKind::Information, missing.toStdString());
    }
  }

  KeepPendingRow();
  TATable.Close();
  ProgramDirectory = folder;
  ParameterFilePath = folder + "Parameters.dat";
  checked_parameters_.reset();
  DemonstrationBand->hide();
  last_graph_folder_.clear();
  FindBox->clear();
  try {
    TakeOwnTraitsOfParameterSet();
    TakeOwnModelsOfFolder();
    TATable.OpenAtStartUp(folder);
  } catch (const std::exception& error) {
    SyncRowControls();
    ShowCurrentRowResults();
    ShowMessage(MessageKind::Error,
                "The case table of " + Shown(folder).toStdString() + " could not be opened: " + error.what());
    return false;
  }
  RestoreLastCase();
  RememberFolder();
  SyncRowControls();
  ShowCurrentRowResults();
  if (PageControl1->isVisible()) ReportParameterFileProblem();
  return true;
}

// --- Import and export -------------------------------------------------------------

void TTAForm2::WithSecondConnection(const std::function<void(CaseTable&)>& work) {
  KeepPendingRow();
  CaseTable other;
  other.SetWriter(TATable.Writer());
  const auto reread = [this] {
    TATable.Refresh();
    DBGrid1->Sync(TATable, true);
    SyncRowControls();
  };
  try {
    other.Open(ProgramDirectory);
    work(other);
  } catch (...) {
    other.Close();
    reread();
    throw;
  }
  other.Close();
  reread();
}

void TTAForm2::ImportCasesClick() {
  const QString path =
      ui_.OpenFileName(this, QStringLiteral("Import Cases from CSV"), QString::fromStdString(ProgramDirectory),
                       QStringLiteral("CSV files (*.csv);;All files (*)"));
  if (path.isEmpty()) return;
  int added = 0;
  std::vector<std::string> warnings;
  // The progress shows once the file is checked and its rows are counted.
  std::unique_ptr<WorkProgress> progress;
  const auto advance = [&](std::size_t written, std::size_t rows) {
    if (!progress)
      progress = ui_.StartProgress(this, QStringLiteral("Importing %1 case(s)...").arg(rows), static_cast<int>(rows));
    return progress->Advance(static_cast<int>(written));
  };
  // Scores are checked against the stages of the set in use; without a
  // usable set (said elsewhere) only against the table's own limits.
  StageScoreRules stages;
  try {
    stages = StageScoresOf(CheckedParameterSet().get());
  } catch (const std::exception&) {
  }
  // Cases the table already holds are asked about before anything is added.
  std::size_t skipped = 0;
  bool cancelled = false;
  const auto askAboutStored = [&](const std::vector<StoredLine>& lines) {
    const int answer =
        ui_.AskWarning(StoredLinesQuestion(path, lines),
                       {QStringLiteral("Skip Them"), QStringLiteral("Import Anyway"), QStringLiteral("Cancel")});
    if (answer == 0) skipped = lines.size();
    cancelled = answer != 0 && answer != 1;
    return answer == 0 ? StoredLinesChoice::Skip : answer == 1 ? StoredLinesChoice::Import : StoredLinesChoice::Cancel;
  };
  try {
    WithSecondConnection([&](CaseTable& table) {
      const std::vector<FieldChoices> choices = {
          {"SEX", SexChoices}, {"RACE", AncestryChoices}, {"HAZARDFUNC", ModelNames()}};
      added = ImportCsv(table, path.toStdString(), choices, warnings, advance, stages, askAboutStored);
    });
  } catch (const ImportStopped& stopped) {
    progress.reset();
    if (!cancelled) ShowMessage(MessageKind::Information, stopped.what());
    return;
  }
  progress.reset();
  std::string text = std::to_string(added) + " case(s) imported from " + QDir::toNativeSeparators(path).toStdString() +
                     " into " + Shown(ProgramDirectory).toStdString() + "TAData.db.";
  if (skipped > 0) text += "\n" + std::to_string(skipped) + " case(s) already stored were skipped.";
  for (const std::string& warning : warnings) text += "\n" + warning;
  ShowMessage(warnings.empty() ? MessageKind::Information : MessageKind::Warning, text);
}

void TTAForm2::ExportCasesClick() {
  QString filter = QStringLiteral("CSV files (*.csv)");
  QString path =
      ui_.SaveFileName(this, QStringLiteral("Export Cases to CSV"),
                       QString::fromStdString(ProgramDirectory) + QStringLiteral("cases.csv"), filter, &filter);
  if (path.isEmpty()) return;
  if (QFileInfo(path).suffix().isEmpty()) path += QStringLiteral(".csv");
  KeepPendingRow();
  std::vector<std::string> undeclared;
  const int written = ExportCsv(TATable, path.toStdString(), &undeclared);
  std::string text =
      std::to_string(written) + " case(s) written to " + QDir::toNativeSeparators(path).toStdString() + ".";
  if (!undeclared.empty()) {
    text += "\nWith the columns that the parameter file no longer declares:";
    for (const std::string& name : undeclared) text += " " + name;
  }
  ShowMessage(MessageKind::Information, text);
}

}  // namespace vorla::gui
