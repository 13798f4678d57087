// What the person is told without asking: a case folder whose parameter
// file cannot be read, and a document that nothing on the desktop can open.
#include <unistd.h>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFrame>
#include <QPushButton>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>

#include "GuiTestSupport.h"

using namespace vorla::gui;
using namespace vorla::gui::test;

namespace {

QString Dir(const CaseFolder& folder) {
  return QString::fromStdString(folder.Path());
}

// PATH set to one folder while it lives.
class PathOnly {
 public:
  explicit PathOnly(const QString& folder) : saved_(qgetenv("PATH")) { qputenv("PATH", folder.toLocal8Bit()); }
  ~PathOnly() { qputenv("PATH", saved_); }

 private:
  QByteArray saved_;
};

// A stand-in for the desktop's opener: records its argument, ends with code.
void WriteOpener(const QString& folder, int code) {
  QFile script(folder + "/xdg-open");
  QVERIFY(script.open(QIODevice::WriteOnly));
  script.write(
      QStringLiteral("#!/bin/sh\nprintf '%s' \"$1\" > '%1/opened'\nexit %2\n").arg(folder).arg(code).toLocal8Bit());
  script.close();
  QVERIFY(script.setPermissions(script.permissions() | QFile::ExeOwner));
}

}  // namespace

class StartupChecksTest : public QObject {
  Q_OBJECT
 private slots:
  void initTestCase() { QLocale::setDefault(QLocale::c()); }

  // Missing or a folder: said once the notice is accepted, naming the file,
  // and again, as clearly, at Analyze.
  void unreadableParameterFile_data() {
    QTest::addColumn<bool>("folderInstead");
    QTest::addColumn<QString>("why");
    QTest::newRow("missing") << false << "does not exist";
    QTest::newRow("a folder") << true << "is a folder";
  }
  void unreadableParameterFile() {
    QFETCH(bool, folderInstead);
    QFETCH(QString, why);
    CaseFolder folder;
    folder.Seed({{"one", "Male", "White", "Forensic", AllScores("2", "3")}});
    const QString path = Dir(folder) + "Parameters.dat";
    QVERIFY(QFile::remove(path));
    if (folderInstead) QVERIFY(QDir().mkdir(path));
    Window w(folder, false);
    TTAForm2& f = *w.form;
    QVERIFY(w.ui.messages.empty());  // the notice comes first
    Controls(f).OKBtn->click();
    QCOMPARE(w.ui.messages.size(), std::size_t{1});
    QCOMPARE(w.ui.messages[0].kind, MessageKind::Error);
    const QString atOpen = w.ui.messages[0].text;
    QVERIFY2(atOpen.contains("\"" + QDir::toNativeSeparators(path) + "\""), qPrintable(atOpen));
    QVERIFY2(atOpen.contains(why), qPrintable(atOpen));
    QVERIFY(!Controls(f).PageControl1->isHidden());  // the cases can still be recorded

    w.ui.Clear();
    Controls(f).BitBtnCalculate->click();
    QCOMPARE(w.ui.messages.size(), std::size_t{1});
    QCOMPARE(w.ui.messages[0].text, atOpen);
    QVERIFY(!f.LastRunAnalysed());
    QVERIFY(f.TATable.FieldIsNull("RES_ALL_MAX_LIKELIHOOD"));
  }

  // A readable parameter file is not mentioned; one that cannot be opened
  // says so with the system's reason.
  void readableAndUnopenableParameterFiles() {
    {
      CaseFolder folder;
      Window w(folder);
      QVERIFY(w.ui.messages.empty());
    }
    if (geteuid() == 0) QSKIP("the superuser reads every file");
    CaseFolder folder;
    const QString path = Dir(folder) + "Parameters.dat";
    QVERIFY(QFile::setPermissions(path, QFileDevice::WriteOwner));
    Window w(folder);
    QCOMPARE(w.ui.messages.size(), std::size_t{1});
    QVERIFY(w.ui.messages[0].text.contains("cannot be opened: Permission denied"));
  }

  // Without an opener on the desktop the button says so at once; with one
  // that finds no program, once it has given up; with one that works, not.
  void desktopOpener() {
    QTemporaryDir bin;
    const QString document = bin.filePath("form.pdf");
    int failures = 0;
    QWidget owner;
    DesktopInteraction desktop(&owner);
    {
      PathOnly path(bin.path());
      desktop.OpenDocument(document, [&] { ++failures; });
      QCOMPARE(failures, 1);
    }
    WriteOpener(bin.path(), 3);
    {
      PathOnly path(bin.path() + ":/bin:/usr/bin");
      desktop.OpenDocument(document, [&] { ++failures; });
    }
    QTRY_COMPARE_WITH_TIMEOUT(failures, 2, 10000);
    QFile opened(bin.filePath("opened"));
    QVERIFY(opened.open(QIODevice::ReadOnly));
    QCOMPARE(QString::fromLocal8Bit(opened.readAll()), document);
    opened.close();
    QVERIFY(opened.remove());

    WriteOpener(bin.path(), 0);
    {
      PathOnly path(bin.path() + ":/bin:/usr/bin");
      desktop.OpenDocument(document, [&] { ++failures; });
    }
    QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(bin.filePath("opened")), 10000);
    QTest::qWait(300);
    QCOMPARE(failures, 2);
  }

  // The window names the file when the desktop gives up on it, also later,
  // and on the notice's "Data Entry Form PDF" as on the button bar.
  void documentThatCannotBeShown() {
    CaseFolder folder;
    const QString form = Dir(folder) + "Transition Analysis Score Form.pdf";
    QFile file(form);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.close();
    auto w = std::make_unique<Window>(folder, false);
    w->ui.documentsOpen = false;
    Controls(*w->form).ShowDataFrmButt->click();
    const QString said = QDir::toNativeSeparators(form) + " could not be opened: no program to show it was found.";
    QCOMPARE(w->ui.Texts(), QStringList{said});
    QCOMPARE(w->ui.messages[0].kind, MessageKind::Plain);
    QVERIFY(!Controls(*w->form).DisclaimerPanel->isHidden());

    Controls(*w->form).OKBtn->click();
    const QString manual = Dir(folder) + "TA-Tervain-Scoring Manual.pdf";
    QFile other(manual);
    QVERIFY(other.open(QIODevice::WriteOnly));
    other.close();
    w->ui.Clear();
    w->ui.documentsOpen = true;
    Controls(*w->form).ScorProcPDFButt->click();
    QVERIFY(w->ui.messages.empty());
    QVERIFY(w->ui.documentFailure);
    w->ui.documentFailure();
    QCOMPARE(w->ui.Texts(),
             QStringList{QDir::toNativeSeparators(manual) + " could not be opened: no program to show it was found."});

    // A failure that comes after the window has gone is dropped.
    const std::function<void()> late = w->ui.documentFailure;
    w->form.reset();
    late();
  }

  // The parameter file is checked whole when the window opens; a file that
  // changes on disk is checked again before the next Analyze, and a cut one
  // is refused, naming its line, with the stored results left as they were.
  void parameterFileCheckedAgainWhenItChanges() {
    CaseFolder folder;
    folder.Seed({{"one", "Male", "White", "Forensic", AllScores("2", "3")}});
    Window w(folder, false);
    TTAForm2& f = *w.form;
    Controls(f).OKBtn->click();
    QVERIFY(w.ui.messages.empty());
    Controls(f).BitBtnCalculate->click();
    QVERIFY(f.LastRunAnalysed());
    const auto analysed = StoredRow(folder.Path(), 1);

    QFile file(Dir(folder) + "Parameters.dat");
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray whole = file.readAll();
    file.close();
    QByteArray cut;
    for (int line = 0, at = 0; line < 100; ++line) {
      const int end = whole.indexOf('\n', at);
      cut += whole.mid(at, end - at + 1);
      at = end + 1;
    }
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(cut);
    file.close();

    w.ui.Clear();
    Controls(f).BitBtnCalculate->click();
    QCOMPARE(w.ui.messages.size(), std::size_t{1});
    QVERIFY2(w.ui.messages[0].text.contains(QStringLiteral("Parameters.dat, line ")),
             qPrintable(w.ui.messages[0].text));
    QVERIFY(!f.LastRunAnalysed());
    QVERIFY(StoredRow(folder.Path(), 1) == analysed);

    // Put back whole, it is taken again.
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(whole);
    file.close();
    w.ui.Clear();
    Controls(f).BitBtnCalculate->click();
    QVERIFY(w.ui.messages.empty());
    QVERIFY(f.LastRunAnalysed());
  }
};

QTEST_MAIN(StartupChecksTest)
#include "StartupChecksTest.moc"
