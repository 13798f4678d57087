// The "Age Questions..." dialog: the same answers as vorla-cli ask for every
// example case, the plot, Copy Text, refused ages, and nothing stored.
#include <QAction>
#include <QComboBox>
#include <QImage>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QSet>
#include <QTableWidget>
#include <QTest>

#include "GuiTestSupport.h"
#include "gui/AgeQuestionsDialog.h"

using namespace vorla;
using namespace vorla::gui;
using namespace vorla::gui::test;

namespace {

// What vorla-cli ask prints for one case, without the case line and the indent.
QString AskText(const CaseFolder& folder, int id, const QStringList& questions) {
  QProcess ask;
  ask.start(
      QStringLiteral(VORLA_CLI),
      QStringList{"ask", "--dir", QString::fromStdString(folder.Path()), "--id", QString::number(id)} + questions);
  if (!ask.waitForFinished(30000)) return QStringLiteral("(ask did not finish)");
  QStringList lines = QString::fromUtf8(ask.readAllStandardOutput()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
  if (!lines.isEmpty()) lines.removeFirst();
  for (QString& line : lines) line = line.mid(2);
  return lines.join(QLatin1Char('\n'));
}

// The rows of the table of a dialog, each row's cells joined by blanks.
QStringList TableLines(const QTableWidget& table) {
  QStringList lines, head;
  for (int c = 0; c < table.columnCount(); ++c) head << table.horizontalHeaderItem(c)->text();
  lines << head.join(QLatin1Char(' '));
  for (int r = 0; r < table.rowCount(); ++r) {
    QStringList cells;
    for (int c = 0; c < table.columnCount(); ++c)
      if (const QTableWidgetItem* item = table.item(r, c)) cells << item->text();
    lines << cells.join(QLatin1Char(' '));
  }
  return lines;
}

// Opens the dialog on the current case and runs `inside` while it is open.
void WithDialog(Window& w, const std::function<void(AgeQuestionsDialog&)>& inside) {
  int shown = 0;
  w.ui.duringDialog = [&](QDialog* dialog) {
    auto* questions = dynamic_cast<AgeQuestionsDialog*>(dialog);
    QVERIFY(questions);
    ++shown;
    inside(*questions);
  };
  Controls(*w.form).AgeQuestionsAction->trigger();
  QCOMPARE(shown, 1);
}

}  // namespace

class AgeQuestionsTest : public QObject {
  Q_OBJECT

 private slots:
  void agreesWithAskForEveryExampleCase() {
    CaseFolder folder;
    ImportExamples(folder);
    const int rows = StoredRowCount(folder.Path());
    QCOMPARE(rows, 10);
    std::vector<std::vector<std::string>> before;
    for (int id = 1; id <= rows; ++id) before.push_back(StoredRow(folder.Path(), id));
    Window w(folder);
    for (int id = 1; id <= rows; ++id) {
      w.form->DataSourceSkeleton.LocateId(id);
      const QString name = QString::fromStdString(w.form->DataSourceSkeleton.FieldAsText("SKELETON_NAME"));
      QString shown;
      WithDialog(w, [&](AgeQuestionsDialog& d) {
        // The dialog opens with the adult threshold already answered.
        QVERIFY(d.AnswerText().startsWith(QStringLiteral("P(age \u2265 18) = ")));
        d.ThresholdEdit()->setText(QStringLiteral("50, 70"));
        d.CandidateEdit()->setText(QStringLiteral("34"));
        d.LevelBox()->setCurrentText(QStringLiteral("90"));
        QTest::mouseClick(d.AnswerButton(), Qt::LeftButton);
        shown = d.AnswerText();
        QVERIFY(d.Plot()->HasPosterior());
        QCOMPARE(d.Plot()->Thresholds(), (std::vector<double>{50.0, 70.0}));
        QCOMPARE(*d.Plot()->Candidate(), 34.0);
        QVERIFY2(d.Plot()->Title().contains(name) && d.Plot()->Title().contains(QStringLiteral(" prior")),
                 qPrintable(d.Plot()->Title()));
        // The curve is painted: the plot is not one colour.
        const QImage image = d.Plot()->grab().toImage();
        QSet<QRgb> colours;
        for (int y = 0; y < image.height(); y += 2)
          for (int x = 0; x < image.width(); x += 2) colours.insert(image.pixel(x, y));
        QVERIFY2(colours.size() > 3, qPrintable(QString::number(colours.size())));
        // The table of every prior is ask --priors all's, cell for cell.
        QCOMPARE(d.PriorTable()->rowCount(), 2);
        QStringList table = TableLines(*d.PriorTable());
        const QString expected = AskText(
            folder, id,
            {"--at-least", "50", "--at-least", "70", "--candidate-age", "34", "--level", "90", "--priors", "all"});
        for (QString& line : table) line = line.simplified();
        QStringList lines = expected.split(QLatin1Char('\n'));
        for (QString& line : lines) line = line.simplified();
        QCOMPARE(table, lines);
        QCOMPARE(d.PriorTable()->item(0, 0)->text(), QStringLiteral("Archeological"));
        QTest::mouseClick(d.CopyTextButton(), Qt::LeftButton);
        QVERIFY(w.ui.clipboardText.startsWith(QStringLiteral("Case ") + name + QStringLiteral(":\n") + shown +
                                              "\n\nUnder each mortality prior:\nPrior\tCorrected\t90 % limits\t"));
        QCOMPARE(w.ui.clipboardText.count(QLatin1Char('\n')), shown.count(QLatin1Char('\n')) + 7);
      });
      QVERIFY2(w.ui.messages.empty(), qPrintable(w.ui.Texts().join("; ")));
      QCOMPARE(shown,
               AskText(folder, id, {"--at-least", "50", "--at-least", "70", "--candidate-age", "34", "--level", "90"}));
      QVERIFY(shown.contains(QStringLiteral("90% shortest single interval")));
      QVERIFY(shown.contains(QStringLiteral("P(age < 70) = ")));
    }
    w.form->close();
    for (int id = 1; id <= rows; ++id) QCOMPARE(StoredRow(folder.Path(), id), before[static_cast<std::size_t>(id - 1)]);
  }

  void refusesAgesOutsideTheGrid() {
    CaseFolder folder;
    ImportExamples(folder);
    Window w(folder);
    w.form->DataSourceSkeleton.LocateId(2);
    WithDialog(w, [&](AgeQuestionsDialog& d) {
      const QString first = d.AnswerText();
      for (const char* bad : {"abc", "14", "110.5", "1e9", "18, 200", "30 x"}) {
        w.ui.Clear();
        d.ThresholdEdit()->setText(QString::fromLatin1(bad));
        QTest::mouseClick(d.AnswerButton(), Qt::LeftButton);
        QCOMPARE(w.ui.messages.size(), std::size_t{1});
        QCOMPARE(w.ui.messages[0].kind, MessageKind::Error);
        QVERIFY2(w.ui.messages[0].text.contains(QStringLiteral("threshold")), qPrintable(w.ui.messages[0].text));
        QCOMPARE(d.AnswerText(), first);
      }
      w.ui.Clear();
      d.ThresholdEdit()->setText(QStringLiteral("18"));
      d.CandidateEdit()->setText(QStringLiteral("twelve"));
      QTest::mouseClick(d.AnswerButton(), Qt::LeftButton);
      QCOMPARE(w.ui.messages.size(), std::size_t{1});
      QVERIFY(w.ui.messages[0].text.contains(QStringLiteral("candidate age")));
    });
  }

  void aCaseWithoutScoresGetsTheAnalyzeMessage() {
    CaseFolder folder;
    folder.Seed({{"no scores", "Male", "White", "Forensic", {}}});
    Window w(folder);
    WithDialog(w, [&](AgeQuestionsDialog& d) {
      QCOMPARE(d.AnswerText(), QString::fromLatin1(NoDataTypesMessage));
      QVERIFY(!d.Plot()->HasPosterior());
    });
  }
};

QTEST_MAIN(AgeQuestionsTest)
#include "AgeQuestionsTest.moc"
