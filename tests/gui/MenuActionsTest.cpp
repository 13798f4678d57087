// The menus' actions and the window as a desktop program: any screen size,
// case folders, import, find, delete, revert, the batch actions, the saved
// reports and what is remembered between sessions. Every dialog is answered
// through the recorded user interaction.
#include <QAction>
#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QSettings>
#include <QSignalSpy>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>

#include "GuiTestSupport.h"
#include "gui/WindowSettings.h"
#include "gui/widgets/CaseGrid.h"
#include "gui/widgets/DbEdit.h"
#include "gui/widgets/DbMemo.h"
#include "gui/widgets/Navigator.h"
#include "paint/Analyst.h"
#include "store/CaseTable.h"
#include "store/Schema.h"

using namespace vorla;
using namespace vorla::gui;
using namespace vorla::gui::test;

namespace {

std::vector<std::vector<std::string>> AllStoredRows(const std::string& folder) {
  std::vector<std::vector<std::string>> rows;
  for (int id = 1; id <= StoredRowCount(folder); ++id) rows.push_back(StoredRow(folder, id));
  return rows;
}

void WriteText(const QString& path, const QByteArray& text) {
  QFile file(path);
  QVERIFY(file.open(QIODevice::WriteOnly));
  file.write(text);
}

// Whether the widget lies wholly inside the window's visible area.
bool InsideWindow(QWidget* widget, QWidget* window) {
  const QRect area(widget->mapTo(window, QPoint(0, 0)), widget->size());
  return widget->isVisible() && window->rect().contains(area);
}

}  // namespace

class MenuActionsTest : public QObject {
  Q_OBJECT
 private slots:
  void initTestCase() { QLocale::setDefault(QLocale::c()); }

  // On a small screen the window fits, the button bar stays in reach, and
  // the pages scroll instead of overlapping.
  void smallScreensKeepEveryControlReachable() {
    CaseFolder folder;
    Window w(folder);
    TTAForm2& f = *w.form;
    for (const QSize screen : {QSize(1280, 720), QSize(800, 600)}) {
      f.PlaceOnScreen(QRect(QPoint(0, 0), screen));
      QTest::qWait(1);
      QVERIFY(f.OuterSize().width() <= screen.width() && f.OuterSize().height() <= screen.height());
      QVERIFY(InsideWindow(Controls(f).BitBtnCalculate, &f));
      QVERIFY(InsideWindow(Controls(f).ExitButt, &f));
      QVERIFY(Controls(f).ClientScroll->verticalScrollBar()->maximum() > 0);
      QCOMPARE(Controls(f).ClientArea->size().expandedTo(TTAForm2::NaturalPageSize()), Controls(f).ClientArea->size());
    }
    // On a large screen it opens larger, within the screen, without scroll bars.
    f.PlaceOnScreen(QRect(0, 0, 2560, 1440));
    QTest::qWait(1);
    QVERIFY(f.OuterSize().width() > f.DefaultOuterSize().width());
    QVERIFY(f.OuterSize().height() > f.DefaultOuterSize().height());
    QVERIFY(f.OuterSize().height() <= 0.9 * 1440);
    QCOMPARE(Controls(f).ClientScroll->verticalScrollBar()->maximum(), 0);
    QCOMPARE(Controls(f).ClientScroll->horizontalScrollBar()->maximum(), 0);
  }

  void menusWaitForTheTermsExceptQuitAndHelp() {
    CaseFolder folder;
    Window w(folder, false);
    QVERIFY(!Controls(*w.form).AnalyzeAllAction->isEnabled());
    QVERIFY(!Controls(*w.form).DeleteCaseAction->isEnabled());
    QVERIFY(Controls(*w.form).QuitAction->isEnabled());
    QVERIFY(Controls(*w.form).AboutAction->isEnabled());
    Controls(*w.form).OKBtn->click();
    QVERIFY(Controls(*w.form).AnalyzeAllAction->isEnabled());
    QVERIFY(Controls(*w.form).DeleteCaseAction->isEnabled());
  }

  // The menu's first, previous, next and last case, in the list's order;
  // at an end the case stays.
  void theMenuGoesFromCaseToCase() {
    CaseFolder folder;
    folder.Seed({{"a", "", "", "", {}}, {"b", "", "", "", {}}, {"c", "", "", "", {}}});
    Window w(folder);
    TTAForm2& f = *w.form;
    enum { First, Previous, Next, Last };
    const std::pair<int, const char*> steps[] = {{Previous, "a"}, {Next, "b"},  {Last, "c"},
                                                 {Next, "c"},     {First, "a"}, {Next, "b"}};
    for (const auto& [action, name] : steps) {
      Controls(f).GoToCaseActions[static_cast<std::size_t>(action)]->trigger();
      QCOMPARE(Controls(f).DBEdit4->text(), QString::fromLatin1(name));
      QCOMPARE(QString::fromStdString(f.TATable.FieldAsText("SKELETON_NAME")), QString::fromLatin1(name));
    }
    QVERIFY(w.ui.messages.empty());
  }

  void importAddsCasesOrNothingAndNamesTheLine() {
    CaseFolder folder;
    folder.Seed({{"kept", "Male", "White", "Forensic", {}}});
    Window w(folder);
    TTAForm2& f = *w.form;
    QTemporaryDir dir;
    const QString bad = dir.filePath("bad.csv");
    WriteText(bad, "SKELETON_NAME,SEX,PUB_RELIEF_L_LOW\nfirst,Male,2\nsecond,Female,two\n");
    w.ui.openAnswer = bad;
    Controls(f).ImportAction->trigger();
    QCOMPARE(StoredRowCount(folder.Path()), 1);
    QCOMPARE(w.ui.messages.size(), std::size_t{1});
    QCOMPARE(w.ui.messages[0].kind, MessageKind::Error);
    QVERIFY2(w.ui.messages[0].text.contains("line 3"), qPrintable(w.ui.messages[0].text));
    QCOMPARE(Controls(f).DBGrid1->Model()->StoredCount(), 1);
    // A score that stands for no stage of its trait is refused as by vorla-cli import.
    w.ui.Clear();
    WriteText(bad, "SKELETON_NAME,PUB_TEXTURE_L_LOW\nfirst,7\n");
    Controls(f).ImportAction->trigger();
    QCOMPARE(StoredRowCount(folder.Path()), 1);
    QVERIFY2(w.ui.Texts().join('|').contains("PUB_TEXTURE_L_LOW"), qPrintable(w.ui.Texts().join('|')));

    w.ui.Clear();
    const QString good = dir.filePath("good.csv");
    WriteText(good, "SKELETON_NAME,SEX\nfirst,Male\nsecond,Femal\n");
    w.ui.openAnswer = good;
    Controls(f).ImportAction->trigger();
    QCOMPARE(StoredRowCount(folder.Path()), 3);
    QVERIFY(w.ui.messages[0].text.startsWith("2 case(s) imported"));
    QVERIFY(w.ui.messages[0].text.contains("Femal"));  // the choice that is none is named
    // The list and its count follow at once; the current case stays.
    QCOMPARE(Controls(f).DBGrid1->Model()->StoredCount(), 3);
    QVERIFY(Controls(f).CaseCountLabel->text().startsWith("3 case(s)"));
    QCOMPARE(Controls(f).DBEdit4->text(), QStringLiteral("kept"));

    // Stopped while the rows are written: nothing is added.
    w.ui.Clear();
    QString many = QStringLiteral("SKELETON_NAME\n");
    for (int i = 0; i < 1000; ++i) many += QStringLiteral("bulk-%1\n").arg(i);
    const QString bulk = dir.filePath("bulk.csv");
    WriteText(bulk, many.toUtf8());
    w.ui.openAnswer = bulk;
    w.ui.stopAtStep = 512;
    Controls(f).ImportAction->trigger();
    QCOMPARE(StoredRowCount(folder.Path()), 3);
    QCOMPARE(w.ui.progress.back().total, 1000);
    QCOMPARE(w.ui.progress.back().steps, (std::vector<int>{0, 256, 512}));
    QCOMPARE(w.ui.messages.back().text, QStringLiteral("The import was stopped: no case was added."));
    w.ui.stopAtStep = -1;

    // Cancelled: nothing happens.
    w.ui.Clear();
    w.ui.openAnswer.clear();
    Controls(f).ImportAction->trigger();
    QVERIFY(w.ui.messages.empty());
  }

  // A line with the case number and the scores of a stored case is asked
  // about, with a warning, before anything is added; a line of the same
  // number with other scores is a case of its own.
  void importOfStoredCasesAsksFirst_data() {
    QTest::addColumn<int>("answer");
    QTest::addColumn<int>("rows");
    QTest::addColumn<QString>("said");
    QTest::newRow("skip them") << 0 << 3 << "2 case(s) imported";
    QTest::newRow("import anyway") << 1 << 4 << "3 case(s) imported";
    QTest::newRow("cancel") << 2 << 1 << "";
  }
  void importOfStoredCasesAsksFirst() {
    QFETCH(int, answer);
    QFETCH(int, rows);
    QFETCH(QString, said);
    CaseFolder folder;
    folder.Seed({{"kept", "Male", "White", "Forensic", {{"PUB_RELIEF_L_LOW", "2"}, {"CRA_PTERICA_LOW", "3"}}}});
    Window w(folder);
    QTemporaryDir dir;
    w.ui.openAnswer = dir.filePath("cases.csv");
    WriteText(w.ui.openAnswer,
              "SKELETON_NAME,SEX,PUB_RELIEF_L_LOW,CRA_PTERICA_LOW\nkept,Female,2, 3\nkept,Male,2,\nnew,,2,3\n");
    w.ui.warningAnswers = {answer};
    Controls(*w.form).ImportAction->trigger();
    QCOMPARE(w.ui.warnings.size(), std::size_t{1});
    QCOMPARE(w.ui.warnings[0].actions, (QStringList{"Skip Them", "Import Anyway", "Cancel"}));
    const QString question = w.ui.warnings[0].text;
    QVERIFY2(question.startsWith("1 case(s) in ") && question.contains("line 2: \"kept\" (SKELETON_ID 1)") &&
                 !question.contains("line 3"),
             qPrintable(question));
    QCOMPARE(StoredRowCount(folder.Path()), rows);
    if (said.isEmpty()) {
      QVERIFY(w.ui.messages.empty());
    } else {
      QCOMPARE(w.ui.messages.size(), std::size_t{1});
      QVERIFY2(w.ui.messages[0].text.startsWith(said), qPrintable(w.ui.messages[0].text));
      QCOMPARE(w.ui.messages[0].text.contains("1 case(s) already stored were skipped"), answer == 0);
    }
  }

  void exportWritesEveryCaseWithWhatWasTyped() {
    CaseFolder folder;
    folder.Seed({{"a", "Male", "White", "Forensic", {}}, {"b", "", "", "", {}}});
    Window w(folder);
    TTAForm2& f = *w.form;
    TypeInto(Controls(f).DBMemo1, QStringLiteral("typed note"));
    QTemporaryDir dir;
    w.ui.saveAnswer = dir.filePath("out");
    Controls(f).ExportAction->trigger();
    QFile file(dir.filePath("out.csv"));
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QString text = QString::fromUtf8(file.readAll());
    QCOMPARE(text.count('\n'), 3);
    QVERIFY(text.contains("typed note"));
    QVERIFY(w.ui.messages.back().text.startsWith("2 case(s) written"));
  }

  void findNarrowsTheListAsOneTypes() {
    CaseFolder folder;
    ImportExamples(folder);
    Window w(folder);
    TTAForm2& f = *w.form;
    Controls(f).PageControl1->setCurrentWidget(Controls(f).TabSheet3);
    Controls(f).FindAction->trigger();
    QCOMPARE(Controls(f).PageControl1->currentWidget(), Controls(f).DataEntrySheet);
    QCOMPARE(QApplication::focusWidget(), static_cast<QWidget*>(Controls(f).FindBox));
    QTest::keyClicks(Controls(f).FindBox, QStringLiteral("demo-0"));
    QCOMPARE(Controls(f).DBGrid1->Shown(), 9);
    QTest::keyClicks(Controls(f).FindBox, QStringLiteral("3"));
    QCOMPARE(Controls(f).DBGrid1->Shown(), 1);
    QVERIFY(Controls(f).CaseCountLabel->text().contains("1 shown"));
    // The page's case was not found, so the page shows the one that was.
    const std::int64_t key = Controls(f).DBGrid1->KeyAtShownLine(0);
    QCOMPARE(f.TATable.FieldAsInteger("SKELETON_ID"), key);
    QCOMPARE(Controls(f).DBEdit4->text(), QStringLiteral("DEMO-03 old individual"));
    // Found nowhere: the page's case keeps its line, and the count says so.
    QTest::keyClicks(Controls(f).FindBox, QStringLiteral("x"));
    QCOMPARE(Controls(f).DBGrid1->Shown(), 1);
    QCOMPARE(Controls(f).DBGrid1->KeyAtShownLine(0), key);
    QVERIFY(Controls(f).CaseCountLabel->text().contains("no case number holds"));
    // Moving on keeps the list holding the page's case.
    Controls(f).DBNavigator1->ButtonAt(Navigator::Next)->click();
    QCOMPARE(Controls(f).DBGrid1->Shown(), 1);
    QCOMPARE(Controls(f).DBGrid1->KeyAtShownLine(0), f.TATable.FieldAsInteger("SKELETON_ID"));
    QVERIFY(Controls(f).DBGrid1->KeyAtShownLine(0) != key);
    Controls(f).FindBox->clear();
    QCOMPARE(Controls(f).DBGrid1->Shown(), 10);
  }

  void caseListShowsWholeNumbersResultsAndSortsNaturally() {
    CaseFolder folder;
    folder.Seed({{"K-10", "Male", "White", "Forensic", AllScores("2", "3")},
                 {"K-9 a rather long case number that the column cuts", "", "", "", {}},
                 {"K-100", "", "", "", {}}});
    Window w(folder);
    TTAForm2& f = *w.form;
    Controls(f).BitBtnCalculate->click();
    QVERIFY(f.LastRunAnalysed());
    CaseGrid* list = Controls(f).DBGrid1;
    QCOMPARE(list->Model()->WithResultsCount(), 1);
    QCOMPARE(list->model()->index(0, 1).data().toString(), QStringLiteral("\u2713"));
    QVERIFY(list->model()->index(1, 0).data(Qt::ToolTipRole).toString().startsWith("K-9 a rather long case number"));
    list->sortByColumn(0, Qt::AscendingOrder);
    QCOMPARE(list->model()->index(0, 0).data().toString().left(3), QStringLiteral("K-9"));
    QCOMPARE(list->model()->index(1, 0).data().toString(), QStringLiteral("K-10"));
    QCOMPARE(list->model()->index(2, 0).data().toString(), QStringLiteral("K-100"));
  }

  // A new row started, stored or dropped changes its own line, without
  // reading every stored case again.
  void caseListFollowsANewRowLineByLine() {
    CaseFolder folder;
    folder.Seed({{"a", "", "", "", {}}, {"b", "", "", "", {}}});
    Window w(folder);
    TTAForm2& f = *w.form;
    CaseListModel* list = Controls(f).DBGrid1->Model();
    QSignalSpy resets(list, &QAbstractItemModel::modelReset);
    Controls(f).BitBtnNew->click();
    QCOMPARE(list->rowCount(), 3);
    QCOMPARE(list->headerData(2, Qt::Vertical, Qt::DisplayRole).toString(), QStringLiteral("*"));
    TypeInto(Controls(f).DBEdit4, QStringLiteral("c"));
    f.DataSourceSkeleton.SavePendingRow();  // the number typed is written into the row and stored
    QCOMPARE(list->rowCount(), 3);
    QCOMPARE(list->KeyAt(2), 3);
    QCOMPARE(list->index(2, 0).data().toString(), QStringLiteral("c"));
    Controls(f).BitBtnNew->click();
    f.DataSourceSkeleton.First();  // the untouched new row is dropped
    QCOMPARE(list->rowCount(), 3);
    QCOMPARE(list->CurrentLine(), 0);
    QCOMPARE(resets.count(), 0);
    QCOMPARE(StoredRowCount(folder.Path()), 3);
  }

  void deleteAsksFirstAndNamesTheCase() {
    CaseFolder folder;
    folder.Seed({{"first", "", "", "", {}}, {"second", "", "", "", {}}, {"third", "", "", "", {}}});
    Window w(folder);
    TTAForm2& f = *w.form;
    f.DataSourceSkeleton.LocateId(2);
    w.ui.answerYes = false;
    Controls(f).DeleteCaseAction->trigger();
    QCOMPARE(w.ui.questions.size(), std::size_t{1});
    QVERIFY(w.ui.questions[0].contains("\"second\""));
    QVERIFY(w.ui.questions[0].contains("SKELETON_ID 2"));
    QCOMPARE(StoredRowCount(folder.Path()), 3);

    w.ui.answerYes = true;
    Controls(f).DeleteCaseAction->trigger();
    QCOMPARE(StoredRowCount(folder.Path()), 2);
    QVERIFY(StoredRow(folder.Path(), 2).empty());
    QCOMPARE(Controls(f).DBEdit4->text(), QStringLiteral("third"));
    QCOMPARE(Controls(f).DBGrid1->Model()->StoredCount(), 2);

    // A new case not stored yet is only discarded, after asking.
    Controls(f).BitBtnNew->click();
    TypeInto(Controls(f).DBEdit4, QStringLiteral("unsaved"));
    Controls(f).DeleteCaseAction->trigger();
    QVERIFY(w.ui.questions.back().startsWith("Discard the new case \"unsaved\""));
    QCOMPARE(StoredRowCount(folder.Path()), 2);
    QCOMPARE(Controls(f).DBEdit4->text(), QStringLiteral("third"));
  }

  void revertBringsBackTheStoredRow() {
    CaseFolder folder;
    folder.Seed({{"case", "Male", "White", "Forensic", {{"PUB_RELIEF_L_LOW", "2"}}}});
    Window w(folder);
    TTAForm2& f = *w.form;
    DbScoreEdit* box = f.ScoreBox("PUB_RELIEF_L_LOW");
    box->setFocus();
    box->selectAll();
    TypeInto(box, QStringLiteral("5"));
    TypeInto(Controls(f).DBMemo1, QStringLiteral("to be forgotten"));
    Controls(f).RevertCaseAction->trigger();
    QCOMPARE(box->text(), QStringLiteral("2"));
    QVERIFY(Controls(f).DBMemo1->toPlainText().isEmpty());
    Controls(f).ExitButt->click();
    QCOMPARE(StoredRow(folder.Path(), 1)[static_cast<std::size_t>(FindCaseField("PUB_RELIEF_L_LOW"))], "2");
  }

  // The same rows as vorla-cli analyze --all, in one go; stopped, nothing changes.
  void analyzeAllMatchesTheHeadlessToolOrChangesNothing() {
    CaseFolder folder;
    ImportExamples(folder);
    folder.Seed({{"no choices", "", "", "", AllScores("2", "3")}});
    const auto cliFolder = folder.Copy();
    QProcess cli;
    cli.start(QStringLiteral(VORLA_CLI), {"analyze", "--dir", QString::fromStdString(cliFolder->Path()), "--all"});
    QVERIFY(cli.waitForFinished(60000));
    QCOMPARE(cli.exitCode(), 3);  // the case without choices is refused

    Window w(folder);
    TTAForm2& f = *w.form;
    const auto before = AllStoredRows(folder.Path());
    w.ui.stopAtStep = 4;
    Controls(f).AnalyzeAllAction->trigger();
    QCOMPARE(AllStoredRows(folder.Path()), before);
    QCOMPARE(w.ui.messages.back().text, QStringLiteral("Analyze All Cases was stopped: no case was changed."));
    QCOMPARE(w.ui.progress.back().total, 11);

    w.ui.stopAtStep = -1;
    int responsive = 0;
    w.ui.duringProgress = [&](int) { ++responsive; };
    Controls(f).AnalyzeAllAction->trigger();
    QCOMPARE(responsive, 12);
    QCOMPARE(AllStoredRows(folder.Path()), AllStoredRows(cliFolder->Path()));
    const QString summary = w.ui.messages.back().text;
    QVERIFY2(summary.startsWith("Analysed 10 of 11 case(s) at the 95 % level."), qPrintable(summary));
    QVERIFY(summary.contains("Case \"no choices\" (SKELETON_ID 11): You must choose"));
    QCOMPARE(w.ui.messages.back().kind, MessageKind::Warning);
    QVERIFY(!w.ui.messages.back().duringProgress);
    QCOMPARE(Controls(f).DBGrid1->Model()->WithResultsCount(), 10);
    // The case on screen shows its new results.
    QCOMPARE(f.ShownResultsState(), StoredState::Current);
  }

  void reportsOfAllCasesAreWrittenAsTheHeadlessToolWritesThem() {
    CaseFolder folder;
    ImportExamples(folder);
    QProcess cli;
    cli.start(QStringLiteral(VORLA_CLI), {"analyze", "--dir", QString::fromStdString(folder.Path()), "--id", "2"});
    QVERIFY(cli.waitForFinished(60000));
    cli.start(QStringLiteral(VORLA_CLI), {"analyze", "--dir", QString::fromStdString(folder.Path()), "--id", "3"});
    QVERIFY(cli.waitForFinished(60000));
    Window w(folder);
    QTemporaryDir out;
    w.ui.folderAnswer = out.path();
    w.ui.itemAnswer = QStringLiteral("SVG drawing");
    Controls(*w.form).SaveAllReportsAction->trigger();
    const QStringList files = QDir(out.path()).entryList(QDir::Files, QDir::Name);
    QCOMPARE(files, (QStringList{"DEMO-02_middle-aged.pdf", "DEMO-02_middle-aged.svg", "DEMO-03_old_individual.pdf",
                                 "DEMO-03_old_individual.svg"}));
    QVERIFY(PdfText(out.filePath("DEMO-03_old_individual.pdf")).contains("DEMO-03 old individual"));
    // The progress has closed; cases left without a report are a warning
    // that names the window's own way to analyse them.
    QCOMPARE(w.ui.messages.size(), std::size_t{1});
    QVERIFY(!w.ui.messages.back().duringProgress);
    QCOMPARE(w.ui.messages.back().kind, MessageKind::Warning);
    const QString summary = w.ui.messages.back().text;
    QVERIFY2(summary.startsWith("2 report(s) written to"), qPrintable(summary));
    QVERIFY(summary.contains("No report for 8 case(s)"));
    QVERIFY(summary.contains("(SKELETON_ID 1): no stored results\n"));
    QVERIFY(summary.contains("Analysis > Analyze All Cases") && !summary.contains("vorla-cli"));
    // All written: information.
    w.ui.Clear();
    Controls(*w.form).AnalyzeAllAction->trigger();
    QCOMPARE(w.ui.messages.back().kind, MessageKind::Information);
    QVERIFY(!w.ui.messages.back().duringProgress);
    w.ui.Clear();
    Controls(*w.form).SaveAllReportsAction->trigger();
    QCOMPARE(w.ui.messages.size(), std::size_t{1});
    QCOMPARE(w.ui.messages.back().kind, MessageKind::Information);
    QVERIFY2(w.ui.messages.back().text.startsWith("10 report(s) written to"), qPrintable(w.ui.Texts().join('|')));
  }

  void saveReportAsPdfAnalysesFirstAndWritesThePage() {
    CaseFolder folder;
    folder.Seed({{"K 7/2", "Male", "White", "Forensic", AllScores("2", "3")}});
    Window w(folder);
    QTemporaryDir out;
    w.ui.saveAnswer = out.filePath("page");
    Controls(*w.form).SaveReportPdfAction->trigger();
    QCOMPARE(w.ui.saveDialogs.back().directory, QString::fromStdString(folder.Path()) + "K 7_2.pdf");
    QVERIFY(PdfText(out.filePath("page.pdf")).contains("K 7/2"));
    QVERIFY(!StoredRow(folder.Path(), 1)[static_cast<std::size_t>(FindCaseField("RES_ALL_MAX_LIKELIHOOD"))].empty());
  }

  void openingAFolderWithoutParametersOffersTheProgramsSet() {
    CaseFolder first;
    first.Seed({{"in first", "", "", "", {}}});
    QTemporaryDir second;
    Window w(first);
    TTAForm2& f = *w.form;
    w.ui.folderAnswer = second.path();
    w.ui.answerYes = true;
    Controls(f).OpenFolderAction->trigger();
    QCOMPARE(w.ui.questions.size(), std::size_t{1});
    QVERIFY(w.ui.questions[0].contains("holds no parameter file Parameters.dat"));
    QVERIFY(QFile::exists(second.filePath("Parameters.dat")));
    QVERIFY(QFile::exists(second.filePath("TAData.db")));
    QCOMPARE(Controls(f).DBGrid1->Model()->StoredCount(), 0);
    QVERIFY(f.ParameterFilePath.find(second.path().toStdString()) == 0);

    // Back to the first folder: its case is there again.
    QVERIFY(f.OpenCaseFolder(first.Path()));
    QCOMPARE(Controls(f).DBEdit4->text(), QStringLiteral("in first"));
    // A folder that does not exist is said so, and the open one stays.
    QVERIFY(!f.OpenCaseFolder(second.filePath("missing").toStdString()));
    QVERIFY(w.ui.messages.back().text.contains("does not exist"));
    QCOMPARE(Controls(f).DBEdit4->text(), QStringLiteral("in first"));
    // The set not copied: the missing file is said with the window's own remedy.
    QTemporaryDir third;
    w.ui.Clear();
    w.ui.answerYes = false;
    QVERIFY(f.OpenCaseFolder(third.path().toStdString()));
    const QString said = w.ui.messages.back().text;
    QVERIFY2(said.contains("does not exist") && said.contains("(File > Open Case Folder)") && !said.contains("--dir"),
             qPrintable(said));
  }

  void settingsAreRestoredOnTheNextStart() {
    CaseFolder folder;
    folder.Seed({{"a", "", "", "", {}}, {"b", "", "", "", {}}, {"c", "", "", "", {}}});
    QTemporaryDir config;
    WindowSettings settings(config.filePath("vorla.ini"));
    const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    QSize size;
    {
      RecordingInteraction ui;
      TTAForm2 f(folder.Path(), ui, &settings);
      f.show();
      Controls(f).OKBtn->click();
      f.move(screen.topLeft());
      f.resize(screen.size() - QSize(40, 30));
      size = f.size();
      Controls(f).LevelActions[2]->trigger();
      f.DataSourceSkeleton.LocateId(3);
      f.close();
    }
    QCOMPARE(QString::fromStdString(settings.LastFolder()), QString::fromStdString(folder.Path()));
    RecordingInteraction ui;
    TTAForm2 f(folder.Path(), ui, &settings);
    QVERIFY(f.RestoredGeometry());
    f.show();
    QCOMPARE(f.size(), size);
    QCOMPARE(f.CurrentLevel(), 99);
    QVERIFY(Controls(f).LevelActions[2]->isChecked());
    QCOMPARE(f.TATable.FieldAsText("SKELETON_NAME"), std::string("c"));
    QCOMPARE(f.RecentFolders(), QStringList{QString::fromStdString(folder.Path())});
    // A window remembered larger than the screen it comes back on is placed afresh.
    f.resize(screen.size() + QSize(300, 200));
    f.close();
    TTAForm2 again(folder.Path(), ui, &settings);
    QVERIFY(!again.RestoredGeometry());
  }

  // The settings file of an earlier version is read, under its keys and in
  // its place; what the window writes is read by it the same way.
  void settingsKeepTheirFileAndKeys() {
    QVERIFY2(WindowSettings().FileName().endsWith(QStringLiteral("/VORLA/vorla.ini")),
             qPrintable(WindowSettings().FileName()));
    QTemporaryDir config;
    const QString file = config.filePath("vorla.ini");
    {
      QSettings earlier(file, QSettings::IniFormat);
      earlier.setValue("window/geometry", QByteArray("\x01\xd9\xd0\xcb", 4));
      earlier.setValue("analysis/level", 2);
      earlier.setValue("folders/recent", QStringList{"/a/", "/b c/"});
      earlier.setValue("folders/last", "/a/");
      earlier.setValue("folders/lastCase", QVariantMap{{"/a/", 7}});
    }
    {
      WindowSettings settings(file);
      QCOMPARE(settings.Geometry(), std::optional<QByteArray>(QByteArray("\x01\xd9\xd0\xcb", 4)));
      QCOMPARE(settings.LevelIndex(), 2);
      QCOMPARE(settings.RecentFolders(), (QStringList{"/a/", "/b c/"}));
      QCOMPARE(settings.LastFolder(), std::string("/a/"));
      QCOMPARE(settings.LastCase("/a/"), std::optional<int>(7));
      QCOMPARE(settings.LastCase("/b c/"), std::nullopt);
      settings.SetLastCase("/b c/", 3);
      settings.SetLevelIndex(0);
      settings.Sync();
    }
    QSettings later(file, QSettings::IniFormat);
    QCOMPARE(later.value("folders/lastCase").toMap(), (QVariantMap{{"/a/", 7}, {"/b c/", 3}}));
    QCOMPARE(later.value("analysis/level").toInt(), 0);
    // Nothing remembered yet: the first size and 95 %.
    WindowSettings none(config.filePath("none.ini"));
    QCOMPARE(none.Geometry(), std::nullopt);
    QCOMPARE(none.LevelIndex(), 1);
  }

  // Edit > Preferences keeps the analyst's name, which the history and the
  // printed page then carry.
  void preferencesNameTheAnalyst() {
    CaseFolder folder;
    folder.Seed({{"case", "Male", "White", "Forensic", AllScores("2", "3")}});
    QTemporaryDir config;
    WindowSettings settings(config.filePath("vorla.ini"));
    RecordingInteraction ui;
    TTAForm2 form(folder.Path(), ui, &settings);
    form.show();
    Controls(form).OKBtn->click();
    QCOMPARE(form.Analyst(), gui::LoginFullName());
    ui.textAnswer = QStringLiteral("  A. Osteo ");
    Controls(form).PreferencesAction->trigger();
    QCOMPARE(settings.Analyst(), QStringLiteral("A. Osteo"));
    QCOMPARE(form.Analyst(), QStringLiteral("A. Osteo"));
    QCOMPARE(form.TATable.Writer().analyst, std::string("A. Osteo"));
    ui.textAnswer.reset();  // cancelled: nothing changes
    Controls(form).PreferencesAction->trigger();
    QCOMPARE(settings.Analyst(), QStringLiteral("A. Osteo"));
  }

  void aboutNamesTheParameterSetAndItsDigest() {
    CaseFolder folder;
    Window w(folder, false);
    Controls(*w.form).AboutAction->trigger();
    QFile file(QString::fromStdString(folder.Path()) + "Parameters.dat");
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray bytes = file.readAll();
    const QString text = w.ui.messages.back().text;
    QVERIFY(text.contains(QString::fromLatin1(QCryptographicHash::hash(bytes, QCryptographicHash::Sha256).toHex())));
    QVERIFY(text.contains(QString::fromUtf8(bytes.left(bytes.indexOf('\n')).trimmed())));
    QVERIFY(text.contains(QString::fromLatin1(qVersion())));
  }
};

QTEST_MAIN(MenuActionsTest)
#include "MenuActionsTest.moc"
