// The data entry page with a parameter set of traits of its own: the "Other
// traits" group, its key checks, an Analyze on those traits alone, and the
// documented age.
#include <QCheckBox>
#include <QFile>
#include <QFontMetrics>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QStatusBar>
#include <QTest>

#include "GuiTestSupport.h"
#include "gui/widgets/DbEdit.h"
#include "gui/widgets/DbMemo.h"
#include "store/Schema.h"

using namespace vorla;
using namespace vorla::gui;
using namespace vorla::gui::test;

namespace {

std::string OwnParameters() {
  QFile file(QStringLiteral(VORLA_OWN_PARAMETERS));
  file.open(QIODevice::ReadOnly);
  return file.readAll().toStdString();
}

std::string StoredField(const std::string& folder, const char* field) {
  return StoredRow(folder, 1)[static_cast<std::size_t>(FindCaseField(field))];
}

QStringList LabelsOf(QWidget* group) {
  QStringList texts;
  for (QLabel* label : group->findChildren<QLabel*>()) texts << label->text();
  return texts;
}

}  // namespace

class OtherTraitsTest : public QObject {
  Q_OBJECT
 private slots:
  void initTestCase() { QLocale::setDefault(QLocale::c()); }
  void cleanup() { DeclareOwnTraits({}); }

  void theGroupShowsTheTraitsOfTheSetOnly() {
    {
      CaseFolder folder;
      Window w(folder);
      QVERIFY(Controls(*w.form).OtherTraitsGroup == nullptr);
      QVERIFY(Controls(*w.form).AgeEdit != nullptr);
      QVERIFY(w.form->ScoreBox("APEX_R_LOW") == nullptr);
    }
    CaseFolder folder;
    folder.WriteParameterFile(OwnParameters());
    Window w(folder);
    QGroupBox* group = Controls(*w.form).OtherTraitsGroup;
    QVERIFY(group != nullptr);
    QVERIFY(group->isVisible());
    QCOMPARE(group->title(), QStringLiteral("Other traits"));
    const QStringList labels = LabelsOf(group);
    QVERIFY2(labels.contains("APEX (1-5)") && labels.contains("SURF (1-3)"), qPrintable(labels.join('|')));
    for (const char* head : {"Left", "Right", "min", "MAX"}) QVERIFY(labels.contains(head));
    QCOMPARE(Controls(*w.form).OwnScoreBoxes.size(), std::size_t{6});
    QCOMPARE(Controls(*w.form).ScoreBoxes.size(), std::size_t{66});
    for (const char* field : {"APEX_L_LOW", "APEX_L_UPPER", "APEX_R_LOW", "APEX_R_UPPER", "SURF_LOW", "SURF_UPPER"}) {
      DbScoreEdit* box = w.form->ScoreBox(field);
      QVERIFY2(box != nullptr && box->parentWidget() == group, field);
    }
    QCOMPARE(w.form->ScoreBox("APEX_R_LOW")->StageCount(), 5);
    QCOMPARE(w.form->ScoreBox("SURF_LOW")->StageCount(), 3);
    // The notes give way to the group.
    QVERIFY(Controls(*w.form).DBMemo1->geometry().top() > group->geometry().bottom());
    QVERIFY(w.ui.messages.empty());
  }

  // A name of 31 characters still leaves its range readable, within the
  // label; the tooltip names the trait whole.
  void aLongNameIsShortenedNotCut() {
    const std::string longName = "AURICULAR_SURFACE_GRANULARITY_X";
    std::string parameters = OwnParameters();
    const std::size_t at = parameters.find(" APEX");
    QVERIFY(at != std::string::npos);
    parameters.replace(at + 1, 4, longName);
    CaseFolder folder;
    folder.WriteParameterFile(parameters);
    Window w(folder);
    QGroupBox* group = Controls(*w.form).OtherTraitsGroup;
    QVERIFY(group != nullptr);
    QLabel* shown = nullptr;
    for (QLabel* label : group->findChildren<QLabel*>())
      if (label->toolTip().startsWith(QString::fromStdString(longName + ": "))) shown = label;
    QVERIFY(shown != nullptr);
    QVERIFY2(shown->text().endsWith(" (1-5)") && shown->text().contains(QChar(0x2026)), qPrintable(shown->text()));
    QVERIFY2(QFontMetrics(shown->font()).horizontalAdvance(shown->text()) <= shown->width(), qPrintable(shown->text()));
  }

  void scoresAreCheckedAgainstTheRecodingTable_data() {
    QTest::addColumn<QString>("field");
    QTest::addColumn<QString>("digit");
    QTest::addColumn<QString>("message");  // empty: accepted
    QTest::newRow("five stages, 5") << "APEX_R_LOW"
                                    << "5" << QString();
    QTest::newRow("five stages, 6") << "APEX_L_UPPER"
                                    << "6"
                                    << "The allowed values are 1,2,3,4, or 5";
    QTest::newRow("five stages, 0") << "APEX_L_LOW"
                                    << "0"
                                    << "The allowed values are 1,2,3,4, or 5";
    QTest::newRow("three stages, 3") << "SURF_UPPER"
                                     << "3" << QString();
    QTest::newRow("three stages, 4") << "SURF_LOW"
                                     << "4"
                                     << "The allowed values are 1,2, or 3";
  }

  void scoresAreCheckedAgainstTheRecodingTable() {
    QFETCH(QString, field);
    QFETCH(QString, digit);
    QFETCH(QString, message);
    CaseFolder folder;
    folder.WriteParameterFile(OwnParameters());
    folder.Seed({{"case", "", "", "", {}}});
    Window w(folder);
    DbScoreEdit* box = w.form->ScoreBox(field.toStdString());
    QVERIFY(box);
    box->setFocus();
    TypeInto(box, digit);
    if (message.isEmpty()) {
      QVERIFY2(w.ui.messages.empty(), qPrintable(w.ui.Texts().join('|')));
      QVERIFY(!box->hasFocus());
      QCOMPARE(QString::fromStdString(w.form->TATable.FieldAsText(field.toStdString())), digit);
    } else {
      QVERIFY(w.ui.messages.empty());
      QCOMPARE(w.form->statusBar()->currentMessage(), message);
      QVERIFY(box->hasFocus());
      QCOMPARE(box->text(), QString());
    }
  }

  void analyzeRunsOnTheOwnTraitsAlone() {
    CaseFolder folder;
    folder.WriteParameterFile(OwnParameters());
    folder.Seed({{"own only", "Female", "White", "Archeological", {}}});
    Window w(folder);
    // The auricular box is ticked off and on by typing, as for a built-in trait.
    Controls(*w.form).UseAuriDataCB->setChecked(false);
    for (const auto& [field, digit] : std::vector<std::pair<const char*, const char*>>{
             {"APEX_R_LOW", "3"}, {"APEX_R_UPPER", "4"}, {"SURF_LOW", "2"}}) {
      DbScoreEdit* box = w.form->ScoreBox(field);
      box->setFocus();
      TypeInto(box, digit);
    }
    QVERIFY(Controls(*w.form).UseAuriDataCB->isChecked());
    Controls(*w.form).BitBtnCalculate->click();
    QVERIFY2(w.ui.messages.empty(), qPrintable(w.ui.Texts().join('|')));
    QCOMPARE(StoredField(folder.Path(), "APEX_R_UPPER"), std::string("4"));
    QVERIFY(!StoredField(folder.Path(), "RES_AUR_MAX_LIKELIHOOD").empty());
    QVERIFY(!StoredField(folder.Path(), "RES_ALL_MAX_LIKELIHOOD").empty());
    QVERIFY(StoredField(folder.Path(), "RES_PUB_MAX_LIKELIHOOD").empty());
  }

  void theDocumentedAgeIsKeptWithinItsRange() {
    CaseFolder folder;
    folder.Seed({{"aged", "", "", "", {}}});
    Window w(folder);
    DbEdit* age = Controls(*w.form).AgeEdit;
    QVERIFY(age->isVisible());
    age->setFocus();
    TypeInto(age, "42.5");
    Controls(*w.form).DBMemo1->setFocus();
    QVERIFY2(w.ui.messages.empty(), qPrintable(w.ui.Texts().join('|')));
    w.form->TATable.Post();
    QCOMPARE(StoredField(folder.Path(), "AGE"), std::string("42.5"));

    age->setFocus();
    age->selectAll();
    TypeInto(age, "200");
    Controls(*w.form).DBMemo1->setFocus();
    QCOMPARE(w.ui.messages.size(), std::size_t{1});
    QVERIFY2(w.ui.Texts().front().contains("from 15 to 110 years"), qPrintable(w.ui.Texts().front()));
    QVERIFY(age->hasFocus());  // the box keeps its text and the focus
    QCOMPARE(StoredField(folder.Path(), "AGE"), std::string("42.5"));
  }
};

QTEST_MAIN(OtherTraitsTest)
#include "OtherTraitsTest.moc"
