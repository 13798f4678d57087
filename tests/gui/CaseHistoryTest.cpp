// Edit > History of This Case...: a score typed in the window and an
// analysis are recorded under the window's name, newest first, the analysis
// as one line; Copy puts the table on the clipboard; a deletion keeps them.
#include <QAction>
#include <QPushButton>
#include <QRegularExpression>
#include <QTableWidget>
#include <QTest>

#include "GuiTestSupport.h"
#include "gui/CaseHistoryDialog.h"
#include "gui/widgets/DbEdit.h"

using namespace vorla;
using namespace vorla::gui;
using namespace vorla::gui::test;

class CaseHistoryTest : public QObject {
  Q_OBJECT

 private slots:
  void aTypedScoreAndAnAnalysisAreShownNewestFirst() {
    CaseFolder folder;
    folder.Seed({{"H-1", "Male", "White", "Forensic", ComplexScores(1, "2", "3")}});
    Window w(folder);
    TTAForm2& f = *w.form;
    f.TATable.SetWriter({"Ann Analyst", f.TATable.Writer().program});
    DbScoreEdit* box = f.ScoreBox("CRA_PTERICA_LOW");
    box->setFocus();
    QTest::keyPress(box, '2');
    Controls(f).BitBtnCalculate->click();
    QVERIFY(w.ui.messages.empty());

    QStringList changes, fields, programs;
    w.ui.duringDialog = [&](QDialog* dialog) {
      auto* history = dynamic_cast<CaseHistoryDialog*>(dialog);
      QVERIFY(history);
      QTableWidget* table = history->Table();
      QCOMPARE(table->horizontalHeaderItem(0)->text(), QStringLiteral("Time (UTC)"));
      QCOMPARE(table->horizontalHeaderItem(3)->text(), QStringLiteral("Change"));
      for (int r = 0; r < table->rowCount(); ++r) {
        changes << table->item(r, 3)->text();
        fields << table->item(r, 4)->text();
        programs << table->item(r, 2)->text() + QLatin1Char('/') + table->item(r, 1)->text();
      }
      QTest::mouseClick(history->CopyButton(), Qt::LeftButton);
    };
    Controls(f).CaseHistoryAction->trigger();
    QCOMPARE(w.ui.dialogs, 1);
    // Newest first: the analysis, the score typed, then the seeded case.
    QVERIFY2(changes.value(0).contains(
                 QRegularExpression(QStringLiteral("^analysed at 95 % with set [0-9a-f]{12}\u2026; corrected "))),
             qPrintable(changes.join('|')));
    QCOMPARE(changes.filter(QStringLiteral("analysed")).size(), 1);
    QVERIFY(fields.filter(QStringLiteral("RES_")).isEmpty());
    QCOMPARE(fields.value(1), QStringLiteral("CRA_PTERICA_LOW"));
    QCOMPARE(programs.value(0), QStringLiteral("vorla/Ann Analyst"));
    QCOMPARE(programs.value(1), QStringLiteral("vorla/Ann Analyst"));
    QCOMPARE(changes.last(), QStringLiteral("new case"));
    QVERIFY(w.ui.clipboardText.contains(QStringLiteral("Time (UTC)\tAnalyst\tProgram\tChange\tField")));
    QVERIFY(w.ui.clipboardText.contains(changes.value(0)));

    // Deleting the case keeps its history and adds the deletion.
    w.ui.answerYes = true;
    Controls(f).DeleteCaseAction->trigger();
    QCOMPARE(StoredRowCount(folder.Path()), 0);
    std::vector<HistoryLine> lines;
    f.TATable.ForEachHistoryLine(std::int64_t{1}, [&](const HistoryLine& line) { lines.push_back(line); });
    QCOMPARE(static_cast<int>(lines.size()) > changes.size(), true);
    QCOMPARE(QString::fromStdString(lines[static_cast<std::size_t>(changes.size())].change), QStringLiteral("deleted"));
  }
};

QTEST_MAIN(CaseHistoryTest)
#include "CaseHistoryTest.moc"
