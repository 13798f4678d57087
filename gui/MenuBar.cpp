// The menu bar: every action of the window with its shortcut and status tip.
// The buttons of the pages stay; a menu item that has a button clicks it, so
// both do the same thing.
#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QButtonGroup>
#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QRadioButton>
#include <QStatusBar>

#include "gui/TAForm2.h"
#include "gui/widgets/CaseGrid.h"
#include "gui/widgets/Navigator.h"

namespace vorla::gui {

namespace {

QAction* AddAction(QMenu* menu, const QString& text, const QString& tip, const QKeySequence& keys = {}) {
  QAction* action = menu->addAction(text);
  action->setStatusTip(tip);
  if (!keys.isEmpty()) action->setShortcut(keys);
  return action;
}

}  // namespace

void TTAForm2::BuildMenus() {
  QMenuBar* bar = menuBar();
  // The menus keep the desktop's own font, scaled in points.
  bar->setFont(QApplication::font());
  statusBar()->setFont(QApplication::font());
  CaseCountLabel = new QLabel(this);
  CaseCountLabel->setObjectName(QStringLiteral("CaseCountLabel"));
  statusBar()->addPermanentWidget(CaseCountLabel);

  const auto clicks = [this](QAction* action, QPushButton* button) {
    connect(action, &QAction::triggered, button, &QPushButton::click);
  };
  const auto runs = [this](QAction* action, void (TTAForm2::*handler)()) {
    connect(action, &QAction::triggered, this, [this, handler] { Guarded([this, handler] { (this->*handler)(); }); });
  };

  QMenu* file = bar->addMenu(QStringLiteral("&File"));
  OpenFolderAction = AddAction(file, QStringLiteral("&Open Case Folder..."),
                               QStringLiteral("Work on the cases of another folder"), QKeySequence::Open);
  runs(OpenFolderAction, &TTAForm2::OpenCaseFolderClick);
  RecentFoldersMenu = file->addMenu(QStringLiteral("&Recent Folders"));
  RecentFoldersMenu->setFont(QApplication::font());
  file->addSeparator();
  ImportAction = AddAction(file, QStringLiteral("&Import Cases from CSV..."),
                           QStringLiteral("Add the cases of a comma-separated file to this folder's table"));
  runs(ImportAction, &TTAForm2::ImportCasesClick);
  ExportAction = AddAction(file, QStringLiteral("&Export Cases to CSV..."),
                           QStringLiteral("Write every case of this folder to a comma-separated file"));
  runs(ExportAction, &TTAForm2::ExportCasesClick);
  file->addSeparator();
  PrintReportAction = AddAction(file, QStringLiteral("&Print Report..."),
                                QStringLiteral("Print the one-page report of this case"), QKeySequence::Print);
  clicks(PrintReportAction, PrintPreviewButt);
  SaveReportPdfAction = AddAction(file, QStringLiteral("Save Report as P&DF..."),
                                  QStringLiteral("Save the one-page report of this case as a PDF file"));
  runs(SaveReportPdfAction, &TTAForm2::SaveReportPdfClick);
  SaveAllReportsAction =
      AddAction(file, QStringLiteral("Save Reports of &All Cases..."),
                QStringLiteral("Save the report of every case with stored results, and its chart, into a folder"));
  runs(SaveAllReportsAction, &TTAForm2::SaveAllReportsClick);
  file->addSeparator();
  QuitAction = AddAction(file, QStringLiteral("&Quit"), QStringLiteral("Keep what was typed and end the program"),
                         QKeySequence::Quit);
  clicks(QuitAction, ExitButt);

  QMenu* edit = bar->addMenu(QStringLiteral("&Edit"));
  QAction* newCase = AddAction(edit, QStringLiteral("&New Skeleton"), QStringLiteral("Start the record of a new case"),
                               QKeySequence::New);
  clicks(newCase, BitBtnNew);
  // The cases in the list's order, from anywhere in the window.
  struct GoTo {
    const char* text;
    const char* tip;
    QKeySequence keys;
    Navigator::Button button;
  };
  const GoTo goTos[] = {
      {"F&irst Case", "Go to the first case of the list", QKeySequence(Qt::ALT | Qt::Key_Home), Navigator::First},
      {"Pre&vious Case", "Go to the case before this one", QKeySequence(Qt::ALT | Qt::Key_Up), Navigator::Prior},
      {"Ne&xt Case", "Go to the case after this one", QKeySequence(Qt::ALT | Qt::Key_Down), Navigator::Next},
      {"&Last Case", "Go to the last case of the list", QKeySequence(Qt::ALT | Qt::Key_End), Navigator::Last}};
  for (std::size_t i = 0; i < 4; ++i) {
    QAction* action =
        AddAction(edit, QString::fromLatin1(goTos[i].text), QString::fromLatin1(goTos[i].tip), goTos[i].keys);
    const int button = goTos[i].button;
    connect(action, &QAction::triggered, this, [this, button] {
      Guarded([this, button] { NavigatorClick(button); });
      SyncRowControls();
    });
    GoToCaseActions[i] = action;
  }
  edit->addSeparator();
  FindAction = AddAction(edit, QStringLiteral("&Find Case"),
                         QStringLiteral("Show only the cases whose number holds what you type"), QKeySequence::Find);
  runs(FindAction, &TTAForm2::FindCaseClick);
  DeleteCaseAction = AddAction(edit, QStringLiteral("&Delete Case..."),
                               QStringLiteral("Remove this case from the table, after asking (Del in the case list)"));
  runs(DeleteCaseAction, &TTAForm2::DeleteCaseClick);
  // Del deletes a case only from the case list: in a box it deletes what is typed.
  auto* deleteKey = new QAction(DBGrid1);
  deleteKey->setShortcut(QKeySequence::Delete);
  deleteKey->setShortcutContext(Qt::WidgetWithChildrenShortcut);
  DBGrid1->addAction(deleteKey);
  connect(deleteKey, &QAction::triggered, DeleteCaseAction, &QAction::trigger);
  RevertCaseAction = AddAction(edit, QStringLiteral("&Revert Changes to This Case"),
                               QStringLiteral("Forget what was typed into this case since it was last stored"));
  runs(RevertCaseAction, &TTAForm2::RevertCaseClick);
  CaseHistoryAction = AddAction(edit, QStringLiteral("&History of This Case..."),
                                QStringLiteral("Every stored change of this case: when, by whom, and what it was"));
  runs(CaseHistoryAction, &TTAForm2::CaseHistoryClick);
  edit->addSeparator();
  // Ctrl+C copies the results wherever no box has text of its own to copy:
  // a box with the focus takes the key first.
  CopyTextAction = AddAction(edit, QStringLiteral("Copy &Text"), QStringLiteral("Copy the table of results as text"),
                             QKeySequence::Copy);
  clicks(CopyTextAction, CopyResTextButt);
  CopyGraphAction = AddAction(edit, QStringLiteral("Copy &Graph"), QStringLiteral("Copy the bar chart as a picture"));
  clicks(CopyGraphAction, ButtonCopyGraph);
  edit->addSeparator();
  PreferencesAction = AddAction(edit, QStringLiteral("&Preferences..."),
                                QStringLiteral("The analyst's name that results, reports and the history carry"));
  runs(PreferencesAction, &TTAForm2::PreferencesClick);

  QMenu* analysis = bar->addMenu(QStringLiteral("A&nalysis"));
  // F8 is seen by the window before any control (the key also reaches the
  // focused control), so the menu only names it.
  AnalyzeAction = AddAction(analysis, QStringLiteral("&Analyze\tF8"),
                            QStringLiteral("Estimate the age at death of this case and store the results"));
  clicks(AnalyzeAction, BitBtnCalculate);
  AnalyzeAllAction = AddAction(analysis, QStringLiteral("Analyze A&ll Cases..."),
                               QStringLiteral("Analyze every case of the table in one go"));
  runs(AnalyzeAllAction, &TTAForm2::AnalyzeAllClick);
  AgeQuestionsAction =
      AddAction(analysis, QStringLiteral("Age &Questions..."),
                QStringLiteral("The probability of an age threshold and the likelihood ratio for a candidate's age"));
  runs(AgeQuestionsAction, &TTAForm2::AgeQuestionsClick);
  QMenu* level = analysis->addMenu(QStringLiteral("&Confidence Level"));
  level->setFont(QApplication::font());
  auto* levels = new QActionGroup(this);
  static const char* const levelNames[] = {"&90 %", "9&5 %", "9&9 %"};
  for (int i = 0; i < 3; ++i) {
    QAction* action =
        AddAction(level, QString::fromLatin1(levelNames[i]), QStringLiteral("The confidence level of the limits"));
    action->setCheckable(true);
    levels->addAction(action);
    LevelActions[static_cast<std::size_t>(i)] = action;
    connect(action, &QAction::triggered, this, [this, i] { ChooseLevel(i); });
  }
  LevelActions[static_cast<std::size_t>(ProbabilityIndex())]->setChecked(true);
  connect(ProbabilityButtons, &QButtonGroup::idToggled, this, [this](int id, bool on) {
    if (on && id >= 0 && id < 3) LevelActions[static_cast<std::size_t>(id)]->setChecked(true);
  });

  QMenu* help = bar->addMenu(QStringLiteral("&Help"));
  clicks(AddAction(help, QStringLiteral("Scoring &Procedures"), ProceduresPDFButt->toolTip()), ProceduresPDFButt);
  clicks(AddAction(help, QStringLiteral("Trait &Illustrations"), IllustrationsPDFButt->toolTip()),
         IllustrationsPDFButt);
  clicks(AddAction(help, QStringLiteral("Scoring &Manual"), ScorProcPDFButt->toolTip()), ScorProcPDFButt);
  clicks(AddAction(help, QStringLiteral("Blank Score &Form"), QStringLiteral("Show the blank score form PDF")),
         ShowDataFrmButt);
  help->addSeparator();
  AboutAction = AddAction(help, QStringLiteral("&About VORLA"),
                          QStringLiteral("The version, and the parameter set in use"), QKeySequence::HelpContents);
  runs(AboutAction, &TTAForm2::AboutClick);

  for (QMenu* menu : {file, edit, analysis, help}) menu->setFont(QApplication::font());
  // Until the terms are accepted only Quit and Help act.
  for (QMenu* menu : {file, edit, analysis})
    for (QAction* action : menu->actions())
      if (action != QuitAction && !action->isSeparator()) locked_actions_.push_back(action);
  for (QAction* action : locked_actions_) action->setEnabled(false);
  UpdateRecentFoldersMenu();
}

void TTAForm2::AboutClick() {
  QString text = QStringLiteral("%1\nQt %2\n\nParameter set: %3\n")
                     .arg(QString::fromLatin1(WindowCaption), QString::fromLatin1(qVersion()),
                          QDir::toNativeSeparators(QString::fromStdString(ParameterFilePath)));
  QFile file(QString::fromStdString(ParameterFilePath));
  if (file.open(QIODevice::ReadOnly)) {
    const QByteArray bytes = file.readAll();
    const QByteArray firstLine = bytes.left(bytes.indexOf('\n')).trimmed();
    text += QStringLiteral("First line: %1\nSHA-256: %2")
                .arg(QString::fromUtf8(firstLine),
                     QString::fromLatin1(QCryptographicHash::hash(bytes, QCryptographicHash::Sha256).toHex()));
  } else {
    text += QStringLiteral("(the file cannot be read)");
  }
  ui_.ShowMessage(MessageKind::Plain, text);
}

void TTAForm2::ChooseLevel(int probabilityIndex) {
  QAbstractButton* button = ProbabilityButtons->button(probabilityIndex);
  if (button && !button->isChecked()) button->click();
}

}  // namespace vorla::gui
