// Two osteologists on one case kept on a server: the one who posts second is
// asked whether to reload the case or overwrite the other's change, and an
// edit is never lost without being asked.
#include <QTest>

#include "GuiTestSupport.h"
#include "PgTestSupport.h"
#include "gui/ChangedCasePrompt.h"
#include "gui/DataSource.h"
#include "store/CaseTable.h"

using namespace vorla;
using namespace vorla::gui;
using namespace vorla::gui::test;
using Choice = TDataSource::ChangedRowChoice;

namespace {

bool HaveServer() {
  return vorla::test::PgServerUri().has_value();
}

}  // namespace

class ChangedCaseTest : public QObject {
  Q_OBJECT

 private:
  // Two workstations on the same case; the second has changed it after the
  // first read it, and the first has typed a note of its own.
  struct TwoWriters {
    vorla::test::PgSchema schema;
    CaseTable mine, theirs;
    std::unique_ptr<TDataSource> source;
    TwoWriters() {
      mine.Open(schema.Uri());
      for (const char* name : {"first", "second"}) {
        mine.Append();
        mine.SetFieldText("SKELETON_NAME", name);
        mine.Post();
      }
      mine.First();
      source = std::make_unique<TDataSource>(mine);
      theirs.Open(schema.Uri());
      theirs.Edit();
      theirs.SetFieldText("SEX", "Female");
      theirs.Post();
      source->Edit();
      source->SetFieldText("TA_Notes", "mine");
    }
    std::string Stored(const std::string& field) {
      return schema.Column("SELECT coalesce(" + field + ", '-') FROM TAData WHERE SKELETON_NAME = 'first'")[0];
    }
  };

 private slots:
  void init() {
    if (!HaveServer()) {
      if (vorla::test::PgRequired()) QFAIL("VORLA_PG_REQUIRED is set but VORLA_PG_URI is not");
      QSKIP("no PostgreSQL server (VORLA_PG_URI)");
    }
  }

  void thePromptOffersReloadThenOverwriteAfterConfirmation() {
    RecordingInteraction ui;
    ui.nextAnswers = {true};
    QCOMPARE(AskAboutChangedCase(ui, "This case was changed by another user at 2026-12-09 10:00:00 UTC"),
             Choice::Reload);
    QVERIFY(ui.questions[0].startsWith("This case was changed by another user at 2026-12-09 10:00:00 UTC."));
    ui.nextAnswers = {false, true};
    QCOMPARE(AskAboutChangedCase(ui, "changed"), Choice::Overwrite);
    QVERIFY(ui.questions[2].contains("Overwrite"));
    ui.nextAnswers = {false, false};
    QCOMPARE(AskAboutChangedCase(ui, "changed"), Choice::KeepEditing);
  }

  void reloadShowsTheirChangeAndDropsMine() {
    TwoWriters w;
    std::vector<std::string> asked;
    w.source->SetChangedRowResolver([&](const std::string& refusal) {
      asked.push_back(refusal);
      return Choice::Reload;
    });
    w.source->Next();
    QCOMPARE(asked.size(), std::size_t{1});
    QVERIFY(asked[0].starts_with("This case was changed by another user at "));
    QCOMPARE(w.source->FieldAsText("SKELETON_NAME"), std::string("second"));
    QCOMPARE(w.Stored("SEX") + "/" + w.Stored("TA_Notes"), std::string("Female/-"));
  }

  void overwriteStoresMineOverTheirs() {
    TwoWriters w;
    w.source->SetChangedRowResolver([](const std::string&) { return Choice::Overwrite; });
    w.source->Post();
    QCOMPARE(w.Stored("TA_Notes"), std::string("mine"));
    QCOMPARE(w.Stored("SEX"), std::string("-"));  // the row as I had it
    QCOMPARE(w.mine.State(), CaseTable::RowState::Browse);
  }

  void keepingOnStoresNothingAndKeepsTheEdit() {
    TwoWriters w;
    w.source->SetChangedRowResolver([](const std::string&) { return Choice::KeepEditing; });
    QVERIFY_THROWS_EXCEPTION(RowChangedError, w.source->Next());
    QCOMPARE(w.source->FieldAsText("SKELETON_NAME"), std::string("first"));
    QCOMPARE(w.source->FieldAsText("TA_Notes"), std::string("mine"));
    QCOMPARE(w.Stored("SEX") + "/" + w.Stored("TA_Notes"), std::string("Female/-"));
  }
};

QTEST_MAIN(ChangedCaseTest)
#include "ChangedCaseTest.moc"
