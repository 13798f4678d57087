#include "GuiTestSupport.h"

#include <QApplication>
#include <QFile>
#include <QMimeData>
#include <QPrinter>
#include <QProcess>
#include <QPushButton>
#include <QTest>

#include "paint/CaseReport.h"
#include "params/CaseRun.h"
#include "store/CaseTable.h"
#include "store/Schema.h"

namespace vorla::gui::test {

void RecordingInteraction::SetClipboardData(QMimeData* data) {
  clipboardData.reset(data);
  ++clipboardDataCount;
}

void RecordingInteraction::PrintPreview(QWidget*, const QString& pdfPath, const std::function<void(QPrinter*)>& paint) {
  ++previews;
  proposedPdf = pdfPath;
  if (duringPreview) duringPreview();
  if (previewPdf.isEmpty()) return;
  QPrinter printer(QPrinter::HighResolution);
  printer.setOutputFormat(QPrinter::PdfFormat);
  printer.setOutputFileName(previewPdf);
  printer.setPageLayout(ReportPageLayout());
  paint(&printer);
}

namespace {
class RecordedProgress final : public WorkProgress {
 public:
  RecordedProgress(RecordingInteraction& ui, std::size_t index) : ui_(ui), index_(index) { ++ui_.openProgress; }
  ~RecordedProgress() override { --ui_.openProgress; }
  RecordedProgress(const RecordedProgress&) = delete;
  RecordedProgress& operator=(const RecordedProgress&) = delete;
  bool Advance(int done) override {
    ui_.progress[index_].steps.push_back(done);
    if (ui_.duringProgress) ui_.duringProgress(done);
    return done != ui_.stopAtStep;
  }

 private:
  RecordingInteraction& ui_;
  std::size_t index_;
};
}  // namespace

std::unique_ptr<WorkProgress> RecordingInteraction::StartProgress(QWidget*, const QString& text, int total) {
  progress.push_back({text, total, {}});
  return std::make_unique<RecordedProgress>(*this, progress.size() - 1);
}

QStringList RecordingInteraction::Texts() const {
  QStringList texts;
  for (const Message& m : messages) texts << m.text;
  return texts;
}

std::vector<std::pair<std::string, std::string>> ComplexScores(int complexIndex, const std::string& low,
                                                               const std::string& upper) {
  std::vector<std::pair<std::string, std::string>> scores;
  for (const std::string& base : KnownComplexes()[static_cast<std::size_t>(complexIndex)].pairBases) {
    scores.emplace_back(base + "_LOW", low);
    scores.emplace_back(base + "_UPPER", upper);
  }
  return scores;
}

std::vector<std::pair<std::string, std::string>> AllScores(const std::string& low, const std::string& upper) {
  std::vector<std::pair<std::string, std::string>> scores;
  for (int i = 0; i < 3; ++i) {
    const auto part = ComplexScores(i, low, upper);
    scores.insert(scores.end(), part.begin(), part.end());
  }
  return scores;
}

CaseFolder::CaseFolder() {
  path_ = dir_.path().toStdString() + "/";
  QFile::copy(QStringLiteral(VORLA_TEST_PARAMETERS), dir_.filePath(QStringLiteral("Parameters.dat")));
}

void CaseFolder::Seed(const std::vector<SeedRow>& rows) const {
  CaseTable table;
  table.Open(path_);
  for (const SeedRow& row : rows) {
    table.Append();
    table.SetFieldText("SKELETON_NAME", row.name);
    table.SetFieldText("SEX", row.sex);
    table.SetFieldText("RACE", row.race);
    table.SetFieldText("HAZARDFUNC", row.hazard);
    for (const auto& [field, value] : row.scores) table.SetFieldText(field, value);
    table.Post();
  }
  table.Close();
}

std::unique_ptr<CaseFolder> CaseFolder::Copy() const {
  auto copy = std::make_unique<CaseFolder>();
  for (const char* name : {"TAData.db", "Parameters.dat"}) {
    const QString target = QString::fromStdString(copy->Path()) + QString::fromLatin1(name);
    QFile::remove(target);
    QFile::copy(QString::fromStdString(path_) + QString::fromLatin1(name), target);
  }
  return copy;
}

void CaseFolder::WriteParameterFile(const std::string& text) const {
  QFile file(QString::fromStdString(path_) + QStringLiteral("Parameters.dat"));
  file.open(QIODevice::WriteOnly | QIODevice::Truncate);
  file.write(text.data(), static_cast<qint64>(text.size()));
}

Window::Window(const CaseFolder& folder, bool acceptNotice) {
  form = std::make_unique<TTAForm2>(folder.Path(), ui);
  form->show();
  form->activateWindow();
  if (!QTest::qWaitForWindowActive(form.get())) qWarning("the window did not become active");
  if (acceptNotice) Controls(*form).OKBtn->click();
}

Window::~Window() {
  if (form && form->isVisible()) form->close();
}

void ImportExamples(const CaseFolder& folder) {
  QProcess import;
  import.start(QStringLiteral(VORLA_CLI),
               {"import", "--dir", QString::fromStdString(folder.Path()), QStringLiteral(VORLA_TEST_EXAMPLES)});
  QVERIFY(import.waitForFinished(30000));
  QCOMPARE(import.exitCode(), 0);
}

std::vector<std::string> StoredRow(const std::string& folder, std::int32_t id) {
  CaseTable table;
  table.Open(folder);
  std::vector<std::string> fields;
  if (table.LocateId(id)) {
    for (const FieldInfo& info : CaseFields()) fields.push_back(table.FieldAsText(std::string(info.name)));
  }
  table.Close();
  return fields;
}

int StoredRowCount(const std::string& folder) {
  CaseTable table;
  table.Open(folder);
  const int count = table.RecordCount();
  table.Close();
  return count;
}

namespace {

QString ToolOutput(const QString& program, const QStringList& arguments) {
  QProcess process;
  process.start(program, arguments);
  if (!process.waitForFinished(30000) || process.exitCode() != 0) return {};
  return QString::fromUtf8(process.readAllStandardOutput());
}

}  // namespace

QString PdfText(const QString& path) {
  return ToolOutput(QStringLiteral("pdftotext"), {"-layout", path, "-"});
}

QStringList PdfFontNames(const QString& path) {
  QStringList names;
  // pdffonts: two heading lines, then one line per font, its name first.
  const QStringList lines = ToolOutput(QStringLiteral("pdffonts"), {path}).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
  for (qsizetype i = 2; i < lines.size(); ++i)
    names << lines[i].section(QLatin1Char(' '), 0, 0, QString::SectionSkipEmpty);
  return names;
}

QString PdfPageSize(const QString& path) {
  for (const QString& line : ToolOutput(QStringLiteral("pdfinfo"), {path}).split(QLatin1Char('\n')))
    if (line.startsWith(QStringLiteral("Page size:"))) return line.mid(10).trimmed();
  return {};
}

void TypeInto(QWidget* widget, const QString& text) {
  for (const QChar c : text) {
    QTest::keyPress(widget, c.toLatin1());
    QTest::keyRelease(widget, c.toLatin1());
  }
}

}  // namespace vorla::gui::test
