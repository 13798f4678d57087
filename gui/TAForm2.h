#pragma once
// The main window TTAForm2: the terms notice, the pages "Data Table" and
// "Analysis" (and the hidden "Report" page), the button bar, and the Analyze
// action. The class owns the case table, its data source and every named
// component; its implementation is split by concern:
//   StartupShell.cpp   creation, start-up, notice, keys, resize and paint, closing
//   DataEntryPage.cpp  the data entry page and its handlers
//   AnalysisPage.cpp   the analysis page, its panels and the view switching
//   AnalysisRun.cpp    the Analyze action, the score-pair tidying, the run
//   CurrentRowResults.cpp  the page shows the current row's own results
//   CurvePlot.cpp      the likelihood curves and the zoom
//   ResultsSummary.cpp the p-value labels, the results grid and its text copy
//   BarChartView.cpp   the bar chart of estimates, the graph switch, Rescale
//   GraphButtons.cpp   copying and saving the graph
//   ReportButton.cpp   the printed report and the report saved as PDF
//   MenuBar.cpp        the menus and their actions
//   CaseFolderActions.cpp  opening a case folder, import and export, settings
//   CaseEditActions.cpp    find, delete and revert a case
//   CaseHistoryDialog.cpp  the history of the current case
//   BatchActions.cpp   Analyze All Cases and Save Reports of All Cases
#include <QImage>
#include <QMainWindow>
#include <QPointer>
#include <array>
#include <cstdint>
#include <exception>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "engine/AnalysisTree.h"
#include "gui/DataSource.h"
#include "gui/UserInteraction.h"
#include "paint/EstimateBars.h"
#include "paint/Report.h"
#include "params/ParameterCheck.h"
#include "params/StoredResults.h"
#include "store/CaseTable.h"

class QAction;
class QActionGroup;
class QCheckBox;
class QMenu;
class QFrame;
class QGroupBox;
class QLabel;
class QVBoxLayout;
class QLineEdit;
class QPainter;
class QPushButton;
class QButtonGroup;
class QRadioButton;
class QScrollArea;
class QShortcut;
class QSpinBox;
class QTabWidget;
class QTableWidget;
class QTextBrowser;

namespace vorla {
class StageScoreRules;
}

namespace vorla::gui {

class CaseGrid;
class ButtonBar;
class ChoiceComboBox;
class DbEdit;
class DbLabel;
class DbListBox;
class DbMemo;
class DbScoreEdit;
class FocusRing;
class Navigator;
class TBarChart;
class TMathCurve;
class TMathGrid;
class WindowSettings;

// The window's named controls. The window keeps them to itself; its tests
// reach them through test::FormAccess.
struct TTAForm2Controls {
  // --- Shell -------------------------------------------------------------------
  QScrollArea* ClientScroll = nullptr;  // the pages' scroll bars
  QWidget* ClientArea = nullptr;
  QTabWidget* PageControl1 = nullptr;
  QWidget* DataEntrySheet = nullptr;  // "Data Table"
  QWidget* TabSheet3 = nullptr;       // "Analysis"
  QWidget* TabSheet1 = nullptr;       // "Report" (its tab is hidden)
  QWidget* QuickRep1 = nullptr;       // the report layout, on the "Report" page
  ButtonBar* Panel11 = nullptr;       // the button bar
  QPushButton* ExitButt = nullptr;
  QPushButton* BitBtnCalculate = nullptr;
  QPushButton* ProceduresPDFButt = nullptr;
  QPushButton* IllustrationsPDFButt = nullptr;
  QPushButton* ScorProcPDFButt = nullptr;
  QFrame* DisclaimerPanel = nullptr;
  QTextBrowser* DisclaimerText = nullptr;
  QPushButton* ShowDataFrmButt = nullptr;
  QPushButton* OKBtn = nullptr;
  QPushButton* CancelBtn = nullptr;
  QLabel* CaseCountLabel = nullptr;     // in the status bar: how many cases, how many with results
  QLabel* DemonstrationBand = nullptr;  // beside the page tabs while the set in use is a demonstration

  // --- Menu bar ----------------------------------------------------------------
  QAction* OpenFolderAction = nullptr;
  QMenu* RecentFoldersMenu = nullptr;
  QAction* ImportAction = nullptr;
  QAction* ExportAction = nullptr;
  QAction* PrintReportAction = nullptr;
  QAction* SaveReportPdfAction = nullptr;
  QAction* SaveAllReportsAction = nullptr;
  QAction* QuitAction = nullptr;
  QAction* FindAction = nullptr;
  QAction* DeleteCaseAction = nullptr;
  QAction* RevertCaseAction = nullptr;
  QAction* CaseHistoryAction = nullptr;
  // Going to the first, previous, next and last case, as the navigator's buttons do.
  std::array<QAction*, 4> GoToCaseActions{};
  QAction* CopyTextAction = nullptr;
  QAction* CopyGraphAction = nullptr;
  QAction* PreferencesAction = nullptr;
  QAction* AnalyzeAction = nullptr;
  QAction* AnalyzeAllAction = nullptr;
  QAction* AgeQuestionsAction = nullptr;
  std::array<QAction*, 3> LevelActions{};  // 90, 95, 99
  QAction* AboutAction = nullptr;

  // --- Data entry page ---------------------------------------------------------
  QGroupBox* CaseNumberGroup = nullptr;
  QGroupBox* ModelGroup = nullptr;
  DbEdit* DBEdit4 = nullptr;
  DbListBox* HazardPriorLB = nullptr;
  DbListBox* RacePriorLB = nullptr;
  DbListBox* SexPriorLB = nullptr;
  QLineEdit* FindBox = nullptr;  // filters the case list as one types
  CaseGrid* DBGrid1 = nullptr;
  Navigator* DBNavigator1 = nullptr;
  QPushButton* BitBtnNew = nullptr;
  std::array<QGroupBox*, 3> ScoreGroupBoxes{};  // cranial, pubic, auricular
  QCheckBox* UseCranDataCB = nullptr;
  QCheckBox* UsePubeDataCB = nullptr;
  QCheckBox* UseAuriDataCB = nullptr;
  QLabel* NotesLabel = nullptr;
  QVBoxLayout* NotesColumn = nullptr;  // the notes label, the other traits, the notes, the age
  DbMemo* DBMemo1 = nullptr;
  // The 66 score boxes in focus order.
  std::vector<DbScoreEdit*> ScoreBoxes;
  // The traits of the parameter set's own ("Other traits"): none without them.
  QGroupBox* OtherTraitsGroup = nullptr;
  std::vector<DbScoreEdit*> OwnScoreBoxes;
  QLabel* AgeLabel = nullptr;
  DbEdit* AgeEdit = nullptr;  // "Documented age", the field AGE

  // --- Analysis page -----------------------------------------------------------
  TMathGrid* MathGrid1 = nullptr;  // the curve plot
  // Its curves: the three complexes, all complexes uncorrected and
  // corrected, and the three dotted marker lines.
  std::unique_ptr<TMathCurve> MathCurveCra, MathCurvePub, MathCurveAur, MathCurveAll, MathCurveAllCor;
  std::unique_ptr<TMathCurve> MathCurve95, MathCurveAll95, MathCurveAllCor95;
  std::array<QLabel*, 5> CurveLegend{};  // Label32 "Corr", Label2 "Uncor", Label31 "Cra", Label10 "Pub", Label11 "Aur"
  QFrame* BarGraphPanel = nullptr;
  TBarChart* AgeBarChart = nullptr;
  QFrame* AgeNumPanel = nullptr;
  QFrame* AgeSummPanel = nullptr;
  QGroupBox* ProbabilityRG = nullptr;
  QButtonGroup* ProbabilityButtons = nullptr;
  // Lower-limit captions (Label80, Label44, Label53, Label64, Label76) and
  // upper-limit captions (Label79, Label45, Label54, Label65, Label77) of the
  // corrected, uncorrected, cranial, pubic and auricular blocks.
  std::array<QLabel*, 5> LowerLimitCaptions{};
  std::array<QLabel*, 5> UpperLimitCaptions{};
  DbLabel* pvaluncorr = nullptr;
  DbLabel* pvalcran = nullptr;
  DbLabel* pvalpube = nullptr;
  DbLabel* pvalauri = nullptr;
  DbLabel* DBText_ID = nullptr;         // hidden, bound to SKELETON_ID
  std::vector<DbLabel*> ResultLabels;   // the summary's result values
  QLabel* SummaryModelLabel = nullptr;  // the prior of the corrected estimate, with its parameters
  QFrame* MortalityPanel = nullptr;
  ChoiceComboBox* ComboBoxSex = nullptr;
  ChoiceComboBox* ComboBoxRace = nullptr;
  ChoiceComboBox* ComboBoxHazard = nullptr;
  QPushButton* ButtonReset = nullptr;
  QFrame* NumSummPanel = nullptr;
  QTableWidget* NumResultsGrid = nullptr;
  QPushButton* ShowBarPlotButt = nullptr;
  QPushButton* CopyResTextButt = nullptr;
  QPushButton* ButtonCopyGraph = nullptr;
  QPushButton* SaveGraphButt = nullptr;
  QPushButton* PrintPreviewButt = nullptr;
  QSpinBox* SpinEditZoom = nullptr;
  QLabel* zoomlbl = nullptr;
  QPushButton* rescaleButt = nullptr;
  QLineEdit* grphxmin = nullptr;
  QLineEdit* grphxmax = nullptr;
  // Over the graph: says that the current row has no results, or that they
  // are out of date; hidden while the shown results are the row's current ones.
  QLabel* ResultsNote = nullptr;
};

namespace test {
struct FormAccess;
}

// The notes over the graph of a row without current results.
extern const char* const NotAnalysedNote;
extern const char* const OutdatedNote;
extern const char* const OtherSetNote;

class TTAForm2 final : public QMainWindow, private TTAForm2Controls {
  Q_OBJECT
  friend struct test::FormAccess;

 public:
  // directory: the folder of the case table, the parameter file and the
  // trace (the executable's folder unless the person named another).
  // settings: where the window remembers its size, folders, case and level
  // between sessions; none, nothing is remembered.
  TTAForm2(std::string directory, UserInteraction& ui, WindowSettings* settings = nullptr, QWidget* parent = nullptr);
  ~TTAForm2() override;

  // --- Window-wide values ---------------------------------------------------
  std::string ProgramDirectory;   // ends in the separator
  std::string ParameterFilePath;  // ProgramDirectory + "Parameters.dat"
  // Where the shipped parameter set lies, to copy into a folder without one
  // (by default the program's folder).
  std::string ShippedDirectory;
  std::array<std::uint8_t, 4> AllowedStages{};  // stage counts 3 to 6
  bool UseCranialData = false;
  bool UsePubicData = false;
  bool UseAuricularData = false;
  // The three flags above as the engine's selection of complexes.
  ComplexSelection Selection() const {
    ComplexSelection selection;
    selection.UseCranialData = UseCranialData;
    selection.UsePubicData = UsePubicData;
    selection.UseAuricularData = UseAuricularData;
    return selection;
  }
  int VertScrollRange = 0;
  int HorzScrollRange = 0;

  // --- The case table and its data source ------------------------------------
  CaseTable TATable;
  TDataSource DataSourceSkeleton{TATable};

  // The box of a score field (name without regard to case); null when none.
  DbScoreEdit* ScoreBox(const std::string& field) const;
  QCheckBox* ComplexCheckBox(int complexIndex) const;
  // Takes the rows that another program or workstation added, changed or
  // deleted: the case list, the count and, unless it is being edited, the
  // shown case follow. Run when the window is activated and every few seconds.
  void FollowOtherWriters();

  // --- Handlers --------------------------------------------------------------------
  void FormShow();
  void OKBtnClick();
  void CancelBtnClick();
  void ExitButtClick();
  void FormResize();
  void FormPaint();
  void ProceduresPDFButtClick();
  void IllustrationsPDFButtClick();
  void ScorProcPDFButtClick();
  void ShowDataFrmButtClick();
  // Opens a document beside the program, or says that it is missing.
  void OpenDocument(const std::string& path);

  // The score check of a typed character: true when the box takes it. A
  // refused one leaves the box as it was, with the allowed scores as a hint
  // in the status bar; nothing modal, so no later key is lost.
  bool TraitScoreKeyUp(DbScoreEdit* box, QChar typed);
  // The allowed scores of a box when it does not take the typed character,
  // empty when it does. A box of a trait of one's own takes the scores its
  // recoding table names.
  std::string ScoreRefusal(const DbScoreEdit* box, QChar typed) const;
  std::string OwnTraitScoreRefusal(const DbScoreEdit* box, QChar typed, bool& own) const;
  void WireScoreBox(DbScoreEdit* box);
  void UseCranDataCBClick();
  void UsePubeDataCBClick();
  void UseAuriDataCBClick();
  void SexPriorLBExit();
  void RacePriorLBExit();
  void HazardPriorLBExit();
  void ComboBoxSexChange();
  void ComboBoxRaceChange();
  void ComboBoxHazardChange();
  void ButtonResetClick();
  void TATableBeforeScroll();
  void TATableAfterScroll();
  void BitBtnNewRecordClick();
  void NavigatorClick(int button);

  void BitBtnCalculateClick();
  void OrderScorePair(const std::string& base, DbScoreEdit* minBox, DbScoreEdit* maxBox);
  void RunAnalysis();
  // Whether the last run had a case to analyse.
  bool LastRunAnalysed() const { return last_run_analysed_; }

  void PlotLikelihoodCurves(const TTransisionsAnalyseDataSet* record);
  void DrawCurves(const TTransisionsAnalyseDataSet& record);
  // The confidence level chosen in ProbabilityRG: 90, 95 or 99.
  int CurrentLevel() const;
  // The complexes whose check boxes are checked.
  ComplexSelection CheckBoxSelection() const;
  // Whether the current row's stored results are what Analyze would store now
  // (at the level recorded with them); analyses without storing anything.
  // The case it analysed goes to `analysed` when given.
  StoredResultsCheck CheckCurrentRow(AnalysisTreePtr* analysed = nullptr);
  // Shows the current row's own results on the analysis page, or the note
  // that it has none or that they are out of date.
  void ShowCurrentRowResults();
  StoredState ShownResultsState() const { return shown_state_; }
  // Takes the row's stored results as current, for these complexes: the grid
  // and the bar chart show them from now on, without a note.
  void ShowAsCurrent(const ComplexSelection& selection);
  void PlotProfile(TMathCurve& curve, AgeProfile ages, AgeProfile values);
  // The height factor of the marker lines for the chosen confidence level.
  static double MarkerFactor(int probabilityIndex);
  void FormatpVal(DbLabel* label);
  void FillResultsGrid();
  // Paints one cell of the results grid over its usual look.
  void NumResultsGridDrawCell(QPainter& painter, int column, int row, const QRect& rect, bool selected);
  void NumResultsGridClick();
  void CopyResTextButtClick();
  // The text of a cell of the results grid; empty outside it.
  QString ResultCell(int column, int row) const;
  // The rows of the results grid in use (the grid keeps the texts of the others).
  int NumResultsRowCount() const { return num_results_rows_; }
  void SetNumResultsRowCount(int rows);
  void ShowBarPlotButtClick();
  void ButtonCopyGraphClick();
  void SaveGraphButtClick();
  // The curve plot as on the page, with its legend.
  QImage CurvesPicture() const;
  void PrintPreviewButtClick();
  // Whether the current row's stored results are current at the chosen level.
  bool PrintableResults();
  // What the printed report shows of the current row and the results.
  ReportContent ReportFromCurrentRow();
  // The set in use, when it can be read and checked; none otherwise.
  std::shared_ptr<const ParameterIdentity> SetInUse();
  // Who makes the results and pages: the name of the preferences, by
  // default the login's full name.
  QString Analyst() const;
  // Edit > Preferences: the analyst's name, kept with the remembered settings.
  void PreferencesClick();
  void QuickRep1BeforePrint(ReportContent& content) const;
  void rescaleButtClick();
  void SpinEditZoomChange();
  void ProbabilityRGClick();
  // The item index of the confidence level: 0 "90", 1 "95", 2 "99".
  int ProbabilityIndex() const;

  // Scroll ranges for a window of this outer size (0: no scrolling).
  static int VerticalScrollRangeFor(int outerHeight) { return outerHeight < 729 ? 729 : 0; }
  static int HorizontalScrollRangeFor(int outerWidth) { return outerWidth < 988 ? 988 : 0; }
  // The window's outer size: with the frame where the desktop draws one.
  QSize OuterSize() const;

  // The size the pages need without scrolling.
  static QSize NaturalPageSize() { return {988, 664}; }
  // The window's first outer size: 1009 x 754 with the menu and status bars
  // added, so that the pages have the room they always had.
  QSize DefaultOuterSize() const;
  // Sizes the window to its first size, larger on a large screen, never
  // larger than the available area, and centres it there.
  void PlaceOnScreen(const QRect& available);
  // Whether the window took its place and size from the remembered settings.
  bool RestoredGeometry() const { return geometry_restored_; }
  // Once the desktop has framed the window: the window with its frame is
  // made to lie within the available area of its screen (or of `available`).
  void KeepFrameOnScreen(std::optional<QRect> available = std::nullopt);

  // --- The menus' actions ------------------------------------------------------
  // Closes the case folder (keeping what was typed) and opens this one;
  // returns false, with the table left closed and a message, when it cannot
  // be opened.
  bool OpenCaseFolder(const std::string& directory);
  void OpenCaseFolderClick();
  void ImportCasesClick();
  void ExportCasesClick();
  void SaveReportPdfClick();
  void SaveAllReportsClick();
  void FindCaseClick();
  void DeleteCaseClick();
  void RevertCaseClick();
  void AnalyzeAllClick();
  void AgeQuestionsClick();  // AgeQuestionsDialog.cpp
  void CaseHistoryClick();   // CaseHistoryDialog.cpp
  void AboutClick();
  // The confidence level: 0 "90", 1 "95", 2 "99"; as a click in ProbabilityRG.
  void ChooseLevel(int probabilityIndex);
  // The folders opened last, most recent first.
  QStringList RecentFolders() const;

  // Runs a handler; an error that escapes it is shown in a message box, and a
  // parameter file of the wrong version ends the program.
  void Guarded(const std::function<void()>& handler);
  // A redraw trigger (resize, zoom, graph switch): the curves of the shown
  // results again, from the case analysed for them; nothing is run or stored.
  void RedrawCurves();

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
  void showEvent(QShowEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void moveEvent(QMoveEvent* event) override;
  void paintEvent(QPaintEvent* event) override;
  void closeEvent(QCloseEvent* event) override;

 private:
  void BuildShell();
  void BuildMenus();
  void BuildNotice();
  void BuildDataEntryPage();
  void BuildScoreGroup(int groupIndex);
  void LayOutDataEntryPage();
  // The tooltips of the built-in score boxes, with the stages of the set in use.
  void UpdateScoreTips(const StageScoreRules& stages);
  // The "Other traits" group for the traits of own_traits_, in place of the
  // one before; the notes give way to it.
  void BuildOtherTraitsGroup();
  // Reads the traits of the folder's parameter set, before its case table is
  // opened, so that the table has their fields and the page their boxes. A
  // parameter file that cannot be used leaves only the built-in traits; it is
  // said when the file is checked.
  void TakeOwnTraitsOfParameterSet();
  // Offers the folder's own mortality models (Mortality.txt) after the
  // built-in ones in both model lists; a file that cannot be read is said,
  // and only the built-in models are offered.
  void TakeOwnModelsOfFolder();
  // The built-in model names and those of the folder's own.
  std::vector<std::string> ModelNames() const;
  // The score pairs of a complex, with those of the parameter set's own traits.
  std::vector<std::string> PairBasesOf(int complexIndex) const;
  void BuildAnalysisPage();
  void BuildSummaryPanel();
  void BuildResultsPanel();
  void BuildCurvePlot();
  void BuildBarChart();
  void ConnectResultsGrid();
  void ArrangeClientArea();
  // The pages scroll within the window rather than lose room they need.
  void KeepRoomForPages();
  void AnchorAnalysisPage();
  void ApplyAnalysisPageSizes();
  void MoveCurveLegend();
  void ShowCurveControls(bool curves);

  // Moves the focus to the control after this one in the focus order.
  void FocusNextControl(QWidget* from);
  // Messages: every message of the window goes through here.
  void ShowMessage(MessageKind kind, const std::string& text);
  // What an error says to a person at the window.
  static std::string ErrorText(const std::exception& error);
  void EndForVersionMismatch();
  // Posts what the current row holds that is not stored yet; drops an
  // untouched new row. Failures are reported, not thrown.
  void KeepPendingRow();
  void SyncRowControls();
  void ComboChange(ChoiceComboBox* box, const char* field);
  void ShowResultsState(StoredState state, const std::string& why);
  // The summary names the current row's mortality model with its parameters.
  void ShowSummaryModel();
  // The analysis page's model boxes show the current row's choices.
  void ShowChoices();
  // Whether the results on screen are the current row's own for its present
  // scores and choices; when not, the page catches up and a warning says
  // what was refused (`refused`) and why.
  bool ShownResultsAreCurrent(const QString& refused);
  // Says so when another stored row has the current row's case number.
  void WarnOfSharedCaseNumber();
  // The case list, its count and the actions that need a row, after a change.
  void UpdateCaseCount();
  void UpdateRecentFoldersMenu();
  // Puts the open case folder first among the recent folders.
  void RememberFolder();
  void RestoreSettings();
  void SaveSettings();
  // Makes the case current that was current when this folder was last left.
  void RestoreLastCase();
  // Whether the current row has results to print for its scores at the
  // chosen level: analyses it first when not; says why when still not.
  bool EnsurePrintableRow();
  // Work on the case folder's table through a second connection: what the
  // current row holds is posted first, and the rows are read again after.
  void WithSecondConnection(const std::function<void(CaseTable&)>& work);

  UserInteraction& ui_;
  WindowSettings* settings_ = nullptr;
  bool geometry_restored_ = false;
  bool shown_once_ = false;
  bool frame_kept_on_screen_ = false;  // the first frame seen was fitted to the screen
  bool closing_ = false;
  bool last_run_analysed_ = false;
  QPointer<QWidget> last_key_target_;  // the last key seen at window level
  int last_key_ = 0;
  quint64 last_key_time_ = 0;
  int num_results_rows_ = 6;
  // What the analysis page shows: the state of the current row's results and
  // the complexes of the grid and the bar chart.
  StoredState shown_state_ = StoredState::None;
  ComplexSelection shown_selection_;
  std::int32_t shown_key_ = -1;    // the SKELETON_ID of the row they belong to
  bool running_analysis_ = false;  // inside the Analyze action or a run
  bool showing_row_results_ = false;
  bool case_number_edited_ = false;  // typed into since the box was last left
  // The case analysed for the shown results (by Analyze, or by the check of
  // the row's stored results), kept for redrawing the curves; none when
  // the shown results are not current.
  AnalysisTreePtr shown_case_;

  // --- Keyboard, files and start-up checks ------------------------------------
  void BuildKeyboardAids();
  // Tells the person when the parameter file cannot be used, and its
  // plausibility warnings, once.
  void ReportParameterFileProblem();
  // The parameter file as checked whole, checked again when it changed on
  // disk; throws when it cannot be used.
  std::shared_ptr<const CheckedParameters> CheckedParameterSet();
  std::shared_ptr<const CheckedParameters> checked_parameters_;
  std::vector<OwnTrait> own_traits_;  // of the parameter set when the case table was opened
  OwnMortalityModels own_models_;     // of the folder's Mortality.txt when it was opened
  // The PDF file that printing to a file proposes: the case number in the case folder.
  QString ReportPdfPath() const;
  // The case number made fit to be a file name; empty when the row has none.
  QString CaseFileStem() const;
  FocusRing* FocusRing1 = nullptr;
  std::vector<QAction*> locked_actions_;  // the menu items that wait for the terms
  QString last_graph_folder_;             // where the last graph was saved
};

}  // namespace vorla::gui
