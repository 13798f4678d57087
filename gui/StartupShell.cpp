// The window as a whole: creation, the start-up sequence, the terms notice,
// the button bar, window-level keys, the resize and paint rules, messages,
// failures that escape a handler, and closing.
#include <QApplication>
#include <QCloseEvent>
#include <QDir>
#include <QFileInfo>
#include <QFrame>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QMenuBar>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QShortcut>
#include <QStatusBar>
#include <QTabBar>
#include <QTabWidget>
#include <QTableWidget>
#include <QTextBrowser>
#include <QTimer>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>

#include "gui/ButtonBar.h"
#include "gui/ChangedCasePrompt.h"
#include "gui/TAForm2.h"
#include "gui/WindowFonts.h"
#include "gui/widgets/DbEdit.h"
#include "gui/widgets/FocusRing.h"
#include "gui/widgets/MathGrid.h"
#include "paint/EstimatesTable.h"
#include "paint/StageScoresOfSet.h"
#include "params/ParameterErrors.h"
#include "params/ParameterReader.h"
#include "store/Schema.h"

namespace vorla::gui {

namespace {

// How often the window looks for rows that other writers stored.
constexpr int kOtherWritersMilliseconds = 3000;

const char* const NoticeHtml =
    "<h2 style='margin-bottom:2px'>VORLA</h2>"
    "<p style='margin-top:0'><b>Age estimation by transition analysis &mdash; version 2.1</b></p>"
    "<p>The program was first developed by the authors of the transition analysis method and was later "
    "modified and carried forward by the VORLA developers.</p>"
    "<p>The method rests on a book chapter on transition analysis published in 2002, which describes how "
    "the stages of age-related skeletal traits are turned into an estimate of the age at death.</p>"
    "<p>Updated versions and the known errors are announced on the project's home page. Please report "
    "any error you find through the project's issue tracker, with the case and the file TATree.txt of "
    "the analysis.</p>"
    "<p><b>Disclaimer.</b> This software is made available without any representation or warranty of any "
    "kind, express or implied, including, by way of example, warranties of merchantability, of fitness "
    "for a particular purpose and of non-infringement of the rights of others. The whole risk of its use "
    "and of the results lies with the user.</p>"
    "<p>You must accept these terms to use the program: choose <b>OK</b> to accept them, or "
    "<b>Cancel</b> to end the program.</p>";

QPushButton* MakeButton(const QString& text, QWidget* parent, const QRect& geometry) {
  auto* button = new QPushButton(text, parent);
  button->setGeometry(geometry);
  return button;
}

}  // namespace

TTAForm2::TTAForm2(std::string directory, UserInteraction& ui, WindowSettings* settings, QWidget* parent)
    : QMainWindow(parent), ProgramDirectory(std::move(directory)), ui_(ui), settings_(settings) {
  setObjectName(QStringLiteral("TAForm2"));
  // The cases' history records the window as the program of every change,
  // and the analyst of the preferences.
  TATable.SetWriter({Analyst().toStdString(), "vorla"});
  // The pictures and the printed page are measured in the pixels of Arial; a
  // metric-compatible face stands in for it.
  QFont::insertSubstitution(QStringLiteral("Arial"), QStringLiteral("Liberation Sans"));
  setWindowTitle(QString::fromLatin1(WindowCaption));
  setFont(WindowFont(11.5, false));

  BuildShell();
  BuildNotice();
  BuildDataEntryPage();
  BuildAnalysisPage();
  KeepRoomForPages();
  BuildKeyboardAids();
  BuildMenus();

  // FormCreate: the first page is the active one.
  PageControl1->setCurrentIndex(0);

  TATable.AddBeforeScroll([this] { TATableBeforeScroll(); });
  TATable.AddAfterScroll([this] { TATableAfterScroll(); });
  // Scores typed on the data entry page may have made the shown results out of date.
  connect(PageControl1, &QTabWidget::currentChanged, this, [this] {
    if (PageControl1->currentWidget() == TabSheet3) Guarded([this] { ShowCurrentRowResults(); });
  });
  DataSourceSkeleton.AddDataChanged([this] { SyncRowControls(); });
  DataSourceSkeleton.SetErrorReporter([this](const std::string& message) { ShowMessage(MessageKind::Error, message); });
  DataSourceSkeleton.SetChangedRowResolver(
      [this](const std::string& refusal) { return AskAboutChangedCase(ui_, refusal); });

  qApp->installEventFilter(this);
  auto* otherWriters = new QTimer(this);
  connect(otherWriters, &QTimer::timeout, this, [this] { Guarded([this] { FollowOtherWriters(); }); });
  otherWriters->start(kOtherWritersMilliseconds);
  connect(qApp, &QGuiApplication::applicationStateChanged, this, [this](Qt::ApplicationState state) {
    if (state == Qt::ApplicationActive) Guarded([this] { FollowOtherWriters(); });
  });

  const QSize outer = DefaultOuterSize();
  resize(outer);
  if (const QScreen* screen = QGuiApplication::primaryScreen())
    move(screen->availableGeometry().center() - QPoint(outer.width() / 2, outer.height() / 2));
  RestoreSettings();
}

TTAForm2::~TTAForm2() {
  qApp->removeEventFilter(this);
  TATable.Close();
}

void TTAForm2::BuildShell() {
  // The pages scroll inside the window whenever it is smaller than they
  // need; the button bar stays along the bottom edge, always in reach.
  auto* shell = new QWidget(this);
  auto* column = new QVBoxLayout(shell);
  column->setContentsMargins(0, 0, 0, 0);
  column->setSpacing(0);
  ClientScroll = new QScrollArea(shell);
  ClientScroll->setObjectName(QStringLiteral("ClientScroll"));
  ClientScroll->setFrameShape(QFrame::NoFrame);
  ClientScroll->setWidgetResizable(true);
  ClientArea = new QWidget;
  ClientArea->setObjectName(QStringLiteral("ClientArea"));
  ClientArea->setMinimumSize(NaturalPageSize());
  ClientScroll->setWidget(ClientArea);
  column->addWidget(ClientScroll, 1);
  setCentralWidget(shell);
  ClientArea->installEventFilter(this);
  ClientScroll->viewport()->installEventFilter(this);

  PageControl1 = new QTabWidget(ClientArea);
  PageControl1->setObjectName(QStringLiteral("PageControl1"));
  QFont bold = font();
  bold.setBold(true);
  PageControl1->setFont(bold);
  PageControl1->tabBar()->setAttribute(Qt::WA_Hover);
  DataEntrySheet = new QWidget;
  DataEntrySheet->setObjectName(QStringLiteral("DataEntrySheet"));
  TabSheet3 = new QWidget;
  TabSheet3->setObjectName(QStringLiteral("TabSheet3"));
  TabSheet1 = new QWidget;
  TabSheet1->setObjectName(QStringLiteral("TabSheet1"));
  PageControl1->addTab(DataEntrySheet, QStringLiteral("Data Table"));
  PageControl1->addTab(TabSheet3, QStringLiteral("Analysis"));
  PageControl1->addTab(TabSheet1, QStringLiteral("Report"));
  // Over both pages while the set in use is a demonstration; white on black
  // under any theme, as on the printed page.
  DemonstrationBand = new QLabel(QString::fromLatin1(DemonstrationMark));
  DemonstrationBand->setObjectName(QStringLiteral("DemonstrationBand"));
  DemonstrationBand->setStyleSheet(QStringLiteral("QLabel { background: black; color: white; padding: 2px 8px; }"));
  DemonstrationBand->setFont(bold);
  DemonstrationBand->hide();
  PageControl1->setCornerWidget(DemonstrationBand, Qt::TopRightCorner);
  QuickRep1 = new QWidget(TabSheet1);
  QuickRep1->setObjectName(QStringLiteral("QuickRep1"));
  PageControl1->hide();

  Panel11 = new ButtonBar(shell);
  column->addWidget(Panel11);
  ExitButt = Panel11->Exit();
  BitBtnCalculate = Panel11->Analyze();
  ProceduresPDFButt = Panel11->Procedures();
  IllustrationsPDFButt = Panel11->Illustrations();
  ScorProcPDFButt = Panel11->Manual();
  Panel11->hide();

  connect(ExitButt, &QPushButton::clicked, this, [this] { Guarded([this] { ExitButtClick(); }); });
  connect(BitBtnCalculate, &QPushButton::clicked, this, [this] { Guarded([this] { BitBtnCalculateClick(); }); });
  connect(ProceduresPDFButt, &QPushButton::clicked, this, [this] { Guarded([this] { ProceduresPDFButtClick(); }); });
  connect(IllustrationsPDFButt, &QPushButton::clicked, this,
          [this] { Guarded([this] { IllustrationsPDFButtClick(); }); });
  connect(ScorProcPDFButt, &QPushButton::clicked, this, [this] { Guarded([this] { ScorProcPDFButtClick(); }); });
}

void TTAForm2::BuildNotice() {
  DisclaimerPanel = new QFrame(ClientArea);
  DisclaimerPanel->setObjectName(QStringLiteral("DisclaimerPanel"));
  DisclaimerPanel->setFrameShape(QFrame::Panel);
  DisclaimerPanel->setFrameShadow(QFrame::Raised);
  DisclaimerPanel->setGeometry(184, 64, 613, 641);

  DisclaimerText = new QTextBrowser(DisclaimerPanel);
  DisclaimerText->setObjectName(QStringLiteral("DisclaimerText"));
  const QFont noticeFont = WindowFont(10, false);
  DisclaimerText->setFont(noticeFont);
  DisclaimerText->document()->setDefaultFont(noticeFont);
  QPalette palette = DisclaimerText->palette();
  palette.setColor(QPalette::Base, palette.color(QPalette::Button));
  DisclaimerText->setPalette(palette);
  DisclaimerText->setHtml(QString::fromLatin1(NoticeHtml));
  DisclaimerText->setOpenLinks(false);

  ShowDataFrmButt = MakeButton(QStringLiteral("Data Entry Form PDF"), DisclaimerPanel, QRect(35, 598, 190, 30));
  ShowDataFrmButt->setMinimumSize(190, 30);
  ShowDataFrmButt->setObjectName(QStringLiteral("ShowDataFrmButt"));
  ShowDataFrmButt->setStyleSheet(QStringLiteral("QPushButton { background-color: rgb(144, 238, 144); color: black; }"));
  OKBtn = MakeButton(QStringLiteral("&OK"), DisclaimerPanel, QRect(388, 598, 95, 30));
  OKBtn->setMinimumSize(95, 30);
  OKBtn->setObjectName(QStringLiteral("OKBtn"));
  OKBtn->setDefault(true);
  CancelBtn = MakeButton(QStringLiteral("&Cancel"), DisclaimerPanel, QRect(493, 598, 95, 30));
  CancelBtn->setMinimumSize(95, 30);
  // The text takes what room there is; the buttons stay along its foot.
  auto* notice = new QVBoxLayout(DisclaimerPanel);
  notice->setContentsMargins(35, 16, 25, 13);
  notice->setSpacing(13);
  notice->addWidget(DisclaimerText, 1);
  auto* buttons = new QHBoxLayout;
  buttons->setSpacing(10);
  buttons->addWidget(ShowDataFrmButt);
  buttons->addStretch(1);
  buttons->addWidget(OKBtn);
  buttons->addWidget(CancelBtn);
  notice->addLayout(buttons);
  CancelBtn->setObjectName(QStringLiteral("CancelBtn"));

  connect(OKBtn, &QPushButton::clicked, this, [this] { Guarded([this] { OKBtnClick(); }); });
  connect(CancelBtn, &QPushButton::clicked, this, [this] { Guarded([this] { CancelBtnClick(); }); });
  connect(ShowDataFrmButt, &QPushButton::clicked, this, [this] { Guarded([this] { ShowDataFrmButtClick(); }); });
}

void TTAForm2::KeepRoomForPages() {
  // The room the pages were drawn for, or more where their texts need it.
  ClientArea->setMinimumSize(NaturalPageSize().expandedTo(PageControl1->minimumSizeHint()));
}

void TTAForm2::ArrangeClientArea() {
  PageControl1->setGeometry(0, 0, ClientArea->width(), ClientArea->height());
  // The notice stands at its usual place where there is room for it; on a
  // lower window it moves up and its text gives way, never its buttons.
  const int room = std::min(ClientArea->height(), ClientScroll->viewport()->height());
  const int height = std::min(641, std::max(200, room - 8));
  DisclaimerPanel->setGeometry(184, std::clamp(room - height - 4, 4, 64), 613, height);
}

QSize TTAForm2::DefaultOuterSize() const {
  // The pages keep the room they were drawn with whatever the face makes of
  // the tab bar: 31 pixels high in the face the design was measured in.
  const int tabs = PageControl1 != nullptr ? PageControl1->tabBar()->sizeHint().height() : 31;
  return {1009, 754 + (tabs - 31) + menuBar()->sizeHint().height() + statusBar()->sizeHint().height()};
}

void TTAForm2::PlaceOnScreen(const QRect& available) {
  const QSize frame = (frameGeometry().size() - size()).expandedTo(QSize(0, 0));
  // A larger screen gives the pages more room: up to a third more than the
  // first size, within nine tenths of the screen.
  const QSize first = DefaultOuterSize();
  const double room =
      std::min({4.0 / 3.0, 0.9 * available.width() / first.width(), 0.9 * available.height() / first.height()});
  const QSize outer = (room > 1 ? first * room : first).boundedTo(available.size());
  resize(outer - frame);
  move(available.center() - QPoint(outer.width() / 2, outer.height() / 2));
}

QSize TTAForm2::OuterSize() const {
  const QSize frame = frameGeometry().size();
  return frame.isValid() && frame.width() >= width() ? frame : size();
}

void TTAForm2::showEvent(QShowEvent* event) {
  QMainWindow::showEvent(event);
  if (shown_once_) return;
  shown_once_ = true;
  // The initial size is the outer size: where the frame is known by now, the
  // inside gives way to it.
  const QSize frame = frameGeometry().size() - size();
  if (size() == DefaultOuterSize() && frame.isValid() && (frame.width() > 0 || frame.height() > 0))
    resize(DefaultOuterSize() - frame);
  Guarded([this] { FormShow(); });
  OKBtn->setFocus(Qt::OtherFocusReason);
}

void TTAForm2::FormShow() {
  const char separator = QDir::separator().toLatin1();
  if (ProgramDirectory.empty() || ProgramDirectory.back() != separator) ProgramDirectory += separator;
  ParameterFilePath = ProgramDirectory + "Parameters.dat";
  ArrangeClientArea();
  const QSize outer = OuterSize();
  VertScrollRange = VerticalScrollRangeFor(outer.height());
  HorzScrollRange = HorizontalScrollRangeFor(outer.width());
  PageControl1->setTabVisible(2, false);
  // Ctrl+Tab and the tab bar's keys pass over a disabled page only.
  PageControl1->setTabEnabled(2, false);

  // Opening the table (with the notes field added to an older one), the
  // edit state on the current row, the display formats of the results.
  TakeOwnTraitsOfParameterSet();
  TakeOwnModelsOfFolder();
  TATable.OpenAtStartUp(ProgramDirectory);
  RestoreLastCase();
  RememberFolder();

  AnchorAnalysisPage();  // the bar chart's panel fills its page
  static const int widths[] = {140, 60, 80, 60, 35, 55, 40};
  for (int c = 0; c < 7; ++c) NumResultsGrid->setColumnWidth(c, widths[c]);
  NumResultsGrid->resize(480, NumResultsGrid->height());
  AllowedStages = {14, 30, 62, 126};
  for (int c = 0; c < 7; ++c) {
    QTableWidgetItem* item = NumResultsGrid->item(0, c);
    if (item) item->setText(EstimatesHead(c, 95));
  }
  SyncRowControls();
}

void TTAForm2::OKBtnClick() {
  DisclaimerPanel->hide();
  PageControl1->show();
  Panel11->show();
  ArrangeClientArea();
  FormResize();
  FormPaint();
  if (PageControl1->currentWidget() == DataEntrySheet) DBEdit4->setFocus(Qt::OtherFocusReason);
  for (QAction* action : locked_actions_) action->setEnabled(true);
  ReportParameterFileProblem();
}

void TTAForm2::BuildKeyboardAids() {
  // The window's scroll area only holds the pages; the focus goes to their controls.
  ClientScroll->setFocusPolicy(Qt::NoFocus);
  FocusRing1 = new FocusRing(this);
  BitBtnNew->setToolTip(QStringLiteral("New Skeleton (Ctrl+N)"));
  PrintPreviewButt->setToolTip(QStringLiteral("Print Report (Ctrl+P)"));
}

void TTAForm2::ReportParameterFileProblem() {
  try {
    CheckedParameterSet();
  } catch (const ParameterVersionError&) {
    // A set of another version is said at Analyze, which then ends the
    // program; until then the cases can be recorded.
  } catch (const std::exception& error) {
    ShowMessage(MessageKind::Error, ErrorText(error));
  }
}

std::string TTAForm2::ErrorText(const std::exception& error) {
  // A parameter file to provide is provided here through the window's own action.
  if (const auto* file = dynamic_cast<const ParameterFileError*>(&error); file && !file->WithoutRemedy().empty())
    return file->WithoutRemedy() +
           " The analysis reads the model's parameters from it: put a parameter set (Parameters.dat) into that "
           "folder, or open a case folder that holds one (File > Open Case Folder).";
  return error.what();
}

std::shared_ptr<const CheckedParameters> TTAForm2::CheckedParameterSet() {
  if (checked_parameters_ && !ParameterFileChanged(*checked_parameters_)) return checked_parameters_;
  checked_parameters_.reset();
  DemonstrationBand->hide();
  auto checked = CheckParameterFile(ParameterFilePath, &IsBuiltInField, &IsBuiltInScoreField);
  // The case table and the page have the fields of the traits that were the
  // set's own when the table was opened.
  const auto sameTrait = [](const OwnTrait& a, const OwnTrait& b) {
    return UpperAscii(a.name) == UpperAscii(b.name) && a.paired == b.paired;
  };
  if (!std::equal(checked->ownTraits.begin(), checked->ownTraits.end(), own_traits_.begin(), own_traits_.end(),
                  sameTrait))
    throw ParameterFileError(
        "The parameter file \"" + ParameterFilePath +
        "\" now names other traits of its own than when the case table was opened. Open the "
        "case folder again (File > Open Case Folder) to give the table and the page their fields.");
  if (!checked->warnings.empty()) {
    std::string text = "The parameter file \"" + ParameterFilePath + "\" is used, but some of its values look wrong:";
    for (const std::string& warning : checked->warnings) text += "\n" + warning;
    ShowMessage(MessageKind::Information, text);
  }
  checked_parameters_ = checked;
  DemonstrationBand->setVisible(checked->identity.demonstration);
  UpdateScoreTips(StageScoresOf(checked.get()));
  return checked_parameters_;
}

void TTAForm2::CancelBtnClick() {
  close();
}

void TTAForm2::ExitButtClick() {
  close();
}

bool TTAForm2::eventFilter(QObject* watched, QEvent* event) {
  if ((watched == ClientArea || watched == ClientScroll->viewport()) && event->type() == QEvent::Resize) {
    ArrangeClientArea();
    return false;
  }
  if (watched == TabSheet3 && event->type() == QEvent::Resize) {
    // The page learns its size late while it is not on view.
    ApplyAnalysisPageSizes();
    return false;
  }
  const QEvent::Type type = event->type();
  if (type != QEvent::KeyPress && type != QEvent::MouseButtonPress) return false;
  auto* widget = qobject_cast<QWidget*>(watched);
  if (!widget || widget->window() != this) return false;
  if (type != QEvent::KeyPress) return false;
  auto* key = static_cast<QKeyEvent*>(event);
  // The key is seen once, on its way to the focused control; its way up to
  // the parents is not a second key (the focus may have moved meanwhile).
  if (last_key_target_ && widget != last_key_target_ && widget->isAncestorOf(last_key_target_) &&
      key->key() == last_key_ && key->timestamp() == last_key_time_)
    return false;
  QWidget* target = QApplication::focusWidget();
  if (target != widget && !(target == nullptr && widget == this)) return false;
  last_key_target_ = widget;
  last_key_ = key->key();
  last_key_time_ = key->timestamp();
  if (!DisclaimerPanel->isHidden()) {
    if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
      auto* button = qobject_cast<QPushButton*>(target);
      if (button && DisclaimerPanel->isAncestorOf(button))
        button->click();
      else
        OKBtn->click();
      return true;
    }
    if (key->key() == Qt::Key_Escape) {
      CancelBtn->click();
      return true;
    }
  }
  if (key->key() == Qt::Key_F8 && !key->isAutoRepeat()) BitBtnCalculate->click();
  return false;  // the focused control sees the key as well
}

void TTAForm2::resizeEvent(QResizeEvent* event) {
  QMainWindow::resizeEvent(event);
  if (!shown_once_) return;
  if (!frame_kept_on_screen_ && frameGeometry().size() != size()) {
    frame_kept_on_screen_ = true;
    KeepFrameOnScreen();
  }
  Guarded([this] { FormResize(); });
  FormPaint();
}

void TTAForm2::moveEvent(QMoveEvent* event) {
  QMainWindow::moveEvent(event);
  // The desktop's frame arrives after the window is shown, often with a move.
  if (shown_once_ && !frame_kept_on_screen_ && frameGeometry().size() != size()) {
    frame_kept_on_screen_ = true;
    KeepFrameOnScreen();
  }
}

void TTAForm2::KeepFrameOnScreen(std::optional<QRect> available) {
  if (isMaximized() || isFullScreen()) return;  // the desktop places those itself
  const QScreen* here = screen();
  if (!available && here == nullptr) return;
  const QRect area = available.value_or(here->availableGeometry());
  const QRect outer = frameGeometry();
  const QSize frame = (outer.size() - size()).expandedTo(QSize(0, 0));
  const QSize fitted = outer.size().boundedTo(area.size());
  if (fitted != outer.size()) resize(fitted - frame);
  const QPoint topLeft(std::clamp(outer.left(), area.left(), area.right() + 1 - fitted.width()),
                       std::clamp(outer.top(), area.top(), area.bottom() + 1 - fitted.height()));
  if (topLeft != outer.topLeft()) move(topLeft);
}

void TTAForm2::paintEvent(QPaintEvent* event) {
  FormPaint();
  QMainWindow::paintEvent(event);
}

void TTAForm2::FormResize() {
  // The graph heights follow the panel under them, the plot's width the
  // panel at the right; the panel under the graph is centred under it.
  ApplyAnalysisPageSizes();
  if (!MathGrid1->isHidden()) {
    MathGrid1->update();
    RedrawCurves();
    ShowCurveControls(true);
  } else {
    ShowCurveControls(false);
  }
  Panel11->Follow(OuterSize().width());
}

void TTAForm2::FormPaint() {
  Panel11->Follow(OuterSize().width());
}

void TTAForm2::closeEvent(QCloseEvent* event) {
  if (!closing_) {
    closing_ = true;
    KeepPendingRow();
    SaveSettings();
    TATable.Close();  // failures on closing are ignored
  }
  event->accept();
}

void TTAForm2::KeepPendingRow() {
  if (!TATable.IsOpen()) return;
  // Every pending edit that the row can take; one that it cannot is named.
  std::string refused;
  for (const std::string& failure : DataSourceSkeleton.UpdateRecordKeepingGoing()) refused += failure + "\n";
  try {
    DataSourceSkeleton.SavePendingRow();
  } catch (const std::exception& error) {
    refused += std::string(error.what()) + "\n";
  }
  if (!refused.empty())
    ShowMessage(MessageKind::Error, "These changes of the current case could not be saved:\n" + refused);
}

void TTAForm2::ShowMessage(MessageKind kind, const std::string& text) {
  ui_.ShowMessage(kind, QString::fromStdString(text));
}

void TTAForm2::Guarded(const std::function<void()>& handler) {
  try {
    handler();
  } catch (const ParameterVersionError&) {
    EndForVersionMismatch();
  } catch (const std::exception& error) {
    ShowMessage(MessageKind::Error, ErrorText(error));
  }
}

void TTAForm2::RedrawCurves() {
  MathGrid1->ClearPlot();
  if (shown_case_ && TATable.IsOpen() && shown_state_ == StoredState::Current &&
      shown_key_ == DataSourceSkeleton.FieldAsInteger("SKELETON_ID"))
    DrawCurves(*shown_case_);
}

void TTAForm2::EndForVersionMismatch() {
  ui_.ShowMessage(MessageKind::Information, QString::fromStdString(VersionMismatchMessage()));
  KeepPendingRow();
  closing_ = true;
  TATable.Close();
  close();
  ui_.ExitProgram(1);
}

void TTAForm2::OpenDocument(const std::string& path) {
  const QFileInfo file(QString::fromStdString(path));
  if (!file.isFile()) {  // a folder of that name is no document either
    ShowMessage(MessageKind::Plain, QDir::toNativeSeparators(file.absoluteFilePath()).toStdString() + " not found.");
    return;
  }
  // Without a program for the document the desktop says nothing; the person
  // is told instead of left waiting, also when that turns out only later.
  const std::string shown = QDir::toNativeSeparators(file.absoluteFilePath()).toStdString();
  const QPointer<TTAForm2> window(this);
  ui_.OpenDocument(file.absoluteFilePath(), [window, shown] {
    if (window)
      window->ShowMessage(MessageKind::Plain, shown + " could not be opened: no program to show it was found.");
  });
}

void TTAForm2::ProceduresPDFButtClick() {
  OpenDocument(ProgramDirectory + "TA-Tervain-Scoring Procedures.pdf");
}
void TTAForm2::IllustrationsPDFButtClick() {
  OpenDocument(ProgramDirectory + "TA-Tervain-Illustrations.pdf");
}
void TTAForm2::ScorProcPDFButtClick() {
  OpenDocument(ProgramDirectory + "TA-Tervain-Scoring Manual.pdf");
}
void TTAForm2::ShowDataFrmButtClick() {
  OpenDocument(ProgramDirectory + "Transition Analysis Score Form.pdf");
}

}  // namespace vorla::gui
