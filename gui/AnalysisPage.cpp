// The analysis page: the places of the curve plot, the bar chart, the
// summary panel with the confidence level and the model choices, and the
// panel under the graph with the results grid and the graph buttons; the
// anchoring of those panels and the switching between the two graphs.
#include <QButtonGroup>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTabWidget>
#include <QTableWidget>
#include <QVBoxLayout>

#include "gui/TAForm2.h"
#include "gui/WindowFonts.h"
#include "gui/widgets/BarChartWidget.h"
#include "gui/widgets/ChoiceComboBox.h"
#include "gui/widgets/DbLabel.h"
#include "gui/widgets/MathGrid.h"
#include "params/CaseRun.h"

namespace vorla::gui {

namespace {

const QColor PanelGrey(225, 225, 225);
const QColor Silver(192, 192, 192);

void Fill(QWidget* widget, const QColor& colour) {
  QPalette palette = widget->palette();
  palette.setColor(QPalette::Window, colour);
  widget->setPalette(palette);
  widget->setAutoFillBackground(true);
}

// The summary and the results grid keep the colours of the chart and the
// printed page, the bars' colours among them, under any theme: light grey
// paper with black text, white cells, light buttons.
void PaperColours(QWidget* panel) {
  QPalette palette = panel->palette();
  palette.setColor(QPalette::Window, PanelGrey);
  palette.setColor(QPalette::WindowText, Qt::black);
  palette.setColor(QPalette::Base, Qt::white);
  palette.setColor(QPalette::AlternateBase, PanelGrey);
  palette.setColor(QPalette::Text, Qt::black);
  palette.setColor(QPalette::Button, QColor(240, 240, 240));
  palette.setColor(QPalette::ButtonText, Qt::black);
  palette.setColor(QPalette::Disabled, QPalette::WindowText, QColor(120, 120, 120));
  palette.setColor(QPalette::Disabled, QPalette::Text, QColor(120, 120, 120));
  palette.setColor(QPalette::Disabled, QPalette::ButtonText, QColor(120, 120, 120));
  panel->setPalette(palette);
  panel->setAutoFillBackground(true);
}

QLabel* Caption(const QString& text, QWidget* parent, int left, int top, int width, const QColor& colour = Qt::black) {
  auto* label = new QLabel(text, parent);
  label->setGeometry(left, top, width, 18);
  QPalette palette = label->palette();
  palette.setColor(QPalette::WindowText, colour);
  label->setPalette(palette);
  return label;
}

QPushButton* Button(const QString& text, QWidget* parent, const QRect& geometry, const char* name) {
  auto* button = new QPushButton(text, parent);
  button->setGeometry(geometry);
  button->setObjectName(QString::fromLatin1(name));
  return button;
}

}  // namespace

void TTAForm2::BuildAnalysisPage() {
  QWidget* page = TabSheet3;
  page->installEventFilter(this);

  BuildCurvePlot();

  struct LegendEntry {
    const char* name;
    const char* text;
    QColor colour;
    int left;
  };
  const LegendEntry legend[] = {{"Label32", "Corr", QColor(0, 0, 255), 491},
                                {"Label2", "Uncor", QColor(0, 0, 0), 526},
                                {"Label31", "Cra", QColor(255, 0, 0), 574},
                                {"Label10", "Pub", QColor(255, 0, 255), 606},
                                {"Label11", "Aur", QColor(0, 128, 128), 638}};
  for (std::size_t i = 0; i < 5; ++i) {
    QLabel* label = Caption(QString::fromLatin1(legend[i].text), page, legend[i].left, 426, 34, legend[i].colour);
    label->setObjectName(QString::fromLatin1(legend[i].name));
    label->setFont(WindowFont(8.75, true));
    label->adjustSize();
    Fill(label, Silver);
    label->hide();
    CurveLegend[i] = label;
  }

  BarGraphPanel = new QFrame(page);
  BarGraphPanel->setObjectName(QStringLiteral("BarGraphPanel"));
  BarGraphPanel->setFrameShape(QFrame::Box);
  BarGraphPanel->setLineWidth(3);
  BarGraphPanel->setFont(WindowFont(8.75, true));
  Fill(BarGraphPanel, Silver);
  BarGraphPanel->hide();
  BuildBarChart();

  ResultsNote = new QLabel(page);
  ResultsNote->setObjectName(QStringLiteral("ResultsNote"));
  ResultsNote->setGeometry(20, 20, 673, 60);
  ResultsNote->setAlignment(Qt::AlignCenter);
  ResultsNote->setWordWrap(true);
  ResultsNote->setFont(WindowFont(10.75, true));
  ResultsNote->setFrameShape(QFrame::Box);
  Fill(ResultsNote, QColor(255, 255, 204));
  QPalette notePalette = ResultsNote->palette();
  notePalette.setColor(QPalette::WindowText, Qt::black);
  ResultsNote->setPalette(notePalette);
  ResultsNote->setText(QString::fromLatin1(NotAnalysedNote));

  AgeNumPanel = new QFrame(page);
  AgeNumPanel->setObjectName(QStringLiteral("AgeNumPanel"));
  AgeNumPanel->setGeometry(713 + 10, 0, 249, 660);
  BuildSummaryPanel();
  BuildResultsPanel();
}

void TTAForm2::BuildSummaryPanel() {
  AgeSummPanel = new QFrame(AgeNumPanel);
  AgeSummPanel->setObjectName(QStringLiteral("AgeSummPanel"));
  AgeSummPanel->setGeometry(2, 2, 245, 480);
  AgeSummPanel->setFrameShape(QFrame::StyledPanel);
  AgeSummPanel->setFont(WindowFont(7.75, true));
  PaperColours(AgeSummPanel);
  // Three columns of a caption and its value under the headings; the
  // headings, the rules and the case's name span them all.
  auto* grid = new QGridLayout(AgeSummPanel);
  grid->setContentsMargins(4, 4, 4, 4);
  grid->setHorizontalSpacing(2);
  grid->setVerticalSpacing(1);
  for (int c = 0; c < 6; ++c) grid->setColumnMinimumWidth(c, c % 2 == 0 ? 45 : 31);
  int row = 0;
  const auto line = [](QLabel* label) {
    label->setMinimumHeight(18);
    return label;
  };

  auto* name = new DbLabel(&DataSourceSkeleton, "SKELETON_NAME", AgeSummPanel);
  name->setAlignment(Qt::AlignCenter);
  name->setFont(WindowFont(9.5, true));
  name->setMinimumHeight(22);
  Fill(name, Qt::white);
  grid->addWidget(name, row++, 0, 1, 6);
  auto* choices = new QHBoxLayout;
  choices->setSpacing(2);
  choices->addWidget(line(Caption(QStringLiteral("Mortality Model"), AgeSummPanel, 0, 0, 100)), 3);
  auto* race = new DbLabel(&DataSourceSkeleton, "RACE", AgeSummPanel);
  choices->addWidget(line(race), 2);
  auto* sex = new DbLabel(&DataSourceSkeleton, "SEX", AgeSummPanel);
  choices->addWidget(line(sex), 2);
  grid->addLayout(choices, row++, 0, 1, 6);
  DBText_ID = new DbLabel(&DataSourceSkeleton, "SKELETON_ID", AgeSummPanel);
  DBText_ID->setObjectName(QStringLiteral("DBText_ID"));
  DBText_ID->hide();

  grid->addWidget(line(Caption(QStringLiteral("Probability"), AgeSummPanel, 0, 0, 100)), row++, 0, 1, 6);
  ProbabilityRG = new QGroupBox(AgeSummPanel);
  ProbabilityRG->setObjectName(QStringLiteral("ProbabilityRG"));
  ProbabilityRG->setMinimumHeight(28);
  auto* levelsRow = new QHBoxLayout(ProbabilityRG);
  levelsRow->setContentsMargins(8, 2, 8, 2);
  ProbabilityButtons = new QButtonGroup(ProbabilityRG);
  static const char* const levels[] = {"90", "95", "99"};
  for (int i = 0; i < 3; ++i) {
    auto* item = new QRadioButton(QString::fromLatin1(levels[i]), ProbabilityRG);
    levelsRow->addWidget(item, 1);
    ProbabilityButtons->addButton(item, i);
  }
  ProbabilityButtons->button(1)->setChecked(true);
  connect(ProbabilityButtons, &QButtonGroup::idClicked, this,
          [this](int) { Guarded([this] { ProbabilityRGClick(); }); });
  grid->addWidget(ProbabilityRG, row++, 0, 1, 6);

  // One block per estimate: a rule, a heading, then caption/value pairs in three columns.
  struct Pair {
    const char* caption;
    const char* field;
  };
  const auto block = [&](const char* heading, const QColor& colour, const std::vector<std::vector<Pair>>& lines,
                         std::size_t blockIndex, bool whiteLimits) {
    auto* rule = new QFrame(AgeSummPanel);
    rule->setFrameShape(QFrame::HLine);
    grid->setRowMinimumHeight(row, 12);
    grid->addWidget(rule, row++, 0, 1, 6);
    grid->addWidget(line(Caption(QString::fromLatin1(heading), AgeSummPanel, 0, 0, 230, colour)), row++, 0, 1, 6);
    for (const auto& pairs : lines) {
      int column = 0;
      for (const Pair& pair : pairs) {
        QLabel* caption = Caption(QString::fromLatin1(pair.caption), AgeSummPanel, 0, 0, 47,
                                  blockIndex == 0 ? colour : QColor(Qt::black));
        QLabel* value = nullptr;
        if (std::string(pair.field).ends_with("STD_ERROR")) {
          // The row stores 1 here, which is no standard error: none is estimated.
          value = new QLabel(QString(QChar(0x2013)), AgeSummPanel);
          value->setObjectName(QString::fromLatin1(pair.field));
          for (QLabel* label : {caption, value}) label->setToolTip(QStringLiteral("no standard error is estimated"));
        } else {
          auto* result = new DbLabel(&DataSourceSkeleton, pair.field, AgeSummPanel);
          ResultLabels.push_back(result);
          value = result;
        }
        QPalette palette = value->palette();
        palette.setColor(QPalette::WindowText, blockIndex == 0 ? colour : QColor(Qt::black));
        value->setPalette(palette);
        const std::string captionText = pair.caption;
        const bool lower = captionText.find('L') != std::string::npos && captionText.find('%') != std::string::npos;
        const bool upper = captionText.find('U') != std::string::npos && captionText.find('%') != std::string::npos;
        if (lower) LowerLimitCaptions[blockIndex] = caption;
        if (upper) UpperLimitCaptions[blockIndex] = caption;
        if (whiteLimits && (lower || upper)) {
          Fill(caption, Qt::white);
          Fill(value, Qt::white);
        }
        const std::string field = pair.field;
        if (field.size() > 6 && field.compare(field.size() - 6, 6, "CHI2_P") == 0) {
          DbLabel** targets[] = {&pvaluncorr, &pvaluncorr, &pvalcran, &pvalpube, &pvalauri};
          *targets[blockIndex] = static_cast<DbLabel*>(value);
        }
        grid->addWidget(line(caption), row, column);
        grid->addWidget(line(value), row, column + 1);
        column += 2;
      }
      ++row;
    }
  };
  block("All data (Corrected)", QColor(0, 0, 255),
        {{{" L95% ", "RES_ALLCOR_LOW95P_CONF"},
          {"Max Lik", "RES_ALLCOR_MAX_LIKELIHOOD"},
          {" U95% ", "RES_ALLCOR_UPPER95P_CONF"}},
         {Pair{"SE", "RES_ALLCOR_STD_ERROR"}}},
        0, true);
  block("All data (uncorrected)", QColor(0, 0, 0),
        {{{"L95%", "RES_ALL_LOW95P_CONF"}, {"Max Lik", "RES_ALL_MAX_LIKELIHOOD"}, {"U95%", "RES_ALL_UPPER95P_CONF"}},
         {{"SE", "RES_ALL_STD_ERROR"}, {"DF", "RES_ALL_DEGFREE"}, {"Chi-sq", "RES_ALL_CHI2"}},
         {Pair{"p", "RES_ALL_CHI2_P"}}},
        1, false);
  static const char* const headings[] = {"Cranial Sutures", "Pubic Symphysis", "Auricular Area"};
  const QColor colours[] = {QColor(128, 0, 0), QColor(255, 0, 255), QColor(0, 128, 128)};
  for (int i = 0; i < 3; ++i) {
    const std::string prefix = KnownComplexes()[static_cast<std::size_t>(i)].resultPrefix;
    std::vector<std::string> names;
    for (const char* ending : {"LOW95P_CONF", "MAX_LIKELIHOOD", "UPPER95P_CONF", "DEGFREE", "CHI2", "CHI2_P"})
      names.push_back(prefix + ending);
    const std::size_t n = names.size();
    block(headings[i], colours[i],
          {{{"L95%", names[n - 6].c_str()}, {"Max Lik", names[n - 5].c_str()}, {"U95%", names[n - 4].c_str()}},
           {{"DF", names[n - 3].c_str()}, {"Chi-sq", names[n - 2].c_str()}, {"p", names[n - 1].c_str()}}},
          static_cast<std::size_t>(i) + 2, false);
  }
  // The prior of the corrected estimate, named with its parameters.
  SummaryModelLabel = new QLabel(AgeSummPanel);
  SummaryModelLabel->setObjectName(QStringLiteral("SummaryModelLabel"));
  SummaryModelLabel->setWordWrap(true);
  SummaryModelLabel->setFont(WindowFont(7.25, false));
  grid->setRowMinimumHeight(row, 6);
  grid->addWidget(SummaryModelLabel, ++row, 0, 1, 6);
  grid->setRowStretch(++row, 1);

  MortalityPanel = new QFrame(AgeNumPanel);
  MortalityPanel->setObjectName(QStringLiteral("MortalityPanel"));
  MortalityPanel->setGeometry(2, 486, 245, 146);
  MortalityPanel->setFrameShape(QFrame::StyledPanel);
  MortalityPanel->setFont(WindowFont(9.5, true));
  // The heading, then a caption and its box a line, then "Reset" under the boxes.
  auto* choicesGrid = new QGridLayout(MortalityPanel);
  choicesGrid->setContentsMargins(6, 4, 8, 4);
  choicesGrid->setHorizontalSpacing(2);
  choicesGrid->setVerticalSpacing(4);
  choicesGrid->setColumnMinimumWidth(0, 76);
  QLabel* heading = Caption(QStringLiteral("Mortality Model"), MortalityPanel, 0, 0, 200);
  heading->setFont(WindowFont(10, true));
  choicesGrid->addWidget(heading, 0, 0, 1, 2);
  struct ComboEntry {
    ChoiceComboBox** box;
    const char* name;
    const char* label;
    const std::vector<std::string>* items;
  };
  const ComboEntry combos[] = {{&ComboBoxSex, "ComboBoxSex", "Sex", &SexChoices},
                               {&ComboBoxRace, "ComboBoxRace", "Ancestry", &AncestryChoices},
                               {&ComboBoxHazard, "ComboBoxHazard", "Hazard", &ModelChoices}};
  int choiceRow = 1;
  for (const ComboEntry& entry : combos) {
    choicesGrid->addWidget(Caption(QString::fromLatin1(entry.label), MortalityPanel, 0, 0, 76), choiceRow, 0);
    QStringList items;
    for (const std::string& item : *entry.items) items << QString::fromStdString(item);
    auto* box = new ChoiceComboBox(items, MortalityPanel);
    box->setObjectName(QString::fromLatin1(entry.name));
    box->setMinimumSize(152, 26);
    choicesGrid->addWidget(box, choiceRow++, 1);
    *entry.box = box;
  }
  ButtonReset = Button(QStringLiteral("Reset"), MortalityPanel, QRect(0, 0, 90, 26), "ButtonReset");
  ButtonReset->setMinimumSize(90, 26);
  choicesGrid->addWidget(ButtonReset, choiceRow, 1, Qt::AlignLeft);
  choicesGrid->setRowStretch(choiceRow + 1, 1);
  connect(ButtonReset, &QPushButton::clicked, this, [this] { Guarded([this] { ButtonResetClick(); }); });
  connect(ComboBoxSex, &ChoiceComboBox::userChanged, this, [this] { Guarded([this] { ComboBoxSexChange(); }); });
  connect(ComboBoxRace, &ChoiceComboBox::userChanged, this, [this] { Guarded([this] { ComboBoxRaceChange(); }); });
  connect(ComboBoxHazard, &ChoiceComboBox::userChanged, this, [this] { Guarded([this] { ComboBoxHazardChange(); }); });
}

void TTAForm2::BuildResultsPanel() {
  NumSummPanel = new QFrame(TabSheet3);
  NumSummPanel->setObjectName(QStringLiteral("NumSummPanel"));
  NumSummPanel->setGeometry(0, 458, 713, 209);
  NumSummPanel->setFrameShape(QFrame::StyledPanel);
  NumSummPanel->setFont(WindowFont(8.75, true));
  PaperColours(NumSummPanel);

  NumResultsGrid = new QTableWidget(6, 7, NumSummPanel);
  NumResultsGrid->setObjectName(QStringLiteral("NumResultsGrid"));
  NumResultsGrid->setFixedSize(480, 161);
  NumResultsGrid->setFont(WindowFont(10.75, true));
  NumResultsGrid->horizontalHeader()->hide();
  NumResultsGrid->verticalHeader()->hide();
  NumResultsGrid->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  NumResultsGrid->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  NumResultsGrid->setEditTriggers(QAbstractItemView::NoEditTriggers);
  NumResultsGrid->setTextElideMode(Qt::ElideNone);
  NumResultsGrid->horizontalHeader()->setDefaultSectionSize(75);
  static const int heights[] = {24, 24, 24, 24, 23, 24};
  for (int r = 0; r < 6; ++r) {
    NumResultsGrid->setRowHeight(r, heights[r]);
    for (int c = 0; c < 7; ++c) {
      auto* item = new QTableWidgetItem;
      if (r == 0 || c == 0) item->setBackground(palette().color(QPalette::Button));
      NumResultsGrid->setItem(r, c, item);
    }
  }

  ShowBarPlotButt = Button(QStringLiteral("Graph Type"), NumSummPanel, QRect(6, 37, 106, 28), "ShowBarPlotButt");
  ButtonCopyGraph = Button(QStringLiteral("Copy Graph"), NumSummPanel, QRect(6, 72, 106, 28), "ButtonCopyGraph");
  SaveGraphButt = Button(QStringLiteral("Save Graph"), NumSummPanel, QRect(6, 107, 106, 28), "SaveGraphButt");
  CopyResTextButt = Button(QStringLiteral("Copy Text"), NumSummPanel, QRect(606, 37, 100, 28), "CopyResTextButt");
  CopyResTextButt->setStyleSheet(QStringLiteral("QPushButton { background-color: rgb(173, 216, 230); color: black; }"));
  PrintPreviewButt = Button(QStringLiteral("Print Report"), NumSummPanel, QRect(606, 72, 100, 28), "PrintPreviewButt");
  PrintPreviewButt->setStyleSheet(QStringLiteral("QPushButton { background-color: rgb(50, 205, 50); color: black; }"));
  connect(PrintPreviewButt, &QPushButton::clicked, this, [this] { Guarded([this] { PrintPreviewButtClick(); }); });
  connect(ButtonCopyGraph, &QPushButton::clicked, this, [this] { Guarded([this] { ButtonCopyGraphClick(); }); });
  connect(SaveGraphButt, &QPushButton::clicked, this, [this] { Guarded([this] { SaveGraphButtClick(); }); });
  connect(ShowBarPlotButt, &QPushButton::clicked, this, [this] { Guarded([this] { ShowBarPlotButtClick(); }); });
  connect(CopyResTextButt, &QPushButton::clicked, this, [this] { Guarded([this] { CopyResTextButtClick(); }); });
  ConnectResultsGrid();

  rescaleButt = Button(QStringLiteral("Rescale"), NumSummPanel, QRect(120, 6, 72, 26), "rescaleButt");
  grphxmin = new QLineEdit(QStringLiteral("10"), NumSummPanel);
  grphxmin->setObjectName(QStringLiteral("grphxmin"));
  grphxmin->setGeometry(198, 6, 48, 26);
  grphxmax = new QLineEdit(QStringLiteral("110"), NumSummPanel);
  grphxmax->setObjectName(QStringLiteral("grphxmax"));
  grphxmax->setGeometry(252, 6, 48, 26);
  SpinEditZoom = new QSpinBox(NumSummPanel);
  SpinEditZoom->setObjectName(QStringLiteral("SpinEditZoom"));
  SpinEditZoom->setGeometry(344, 8, 57, 26);
  SpinEditZoom->setFont(WindowFont(8.75, true));
  SpinEditZoom->setRange(1, 1200);
  SpinEditZoom->setValue(1000);
  SpinEditZoom->setSingleStep(100);
  zoomlbl = Caption(QStringLiteral("Zoom (Y-axis)"), NumSummPanel, 408, 12, 110);
  zoomlbl->setObjectName(QStringLiteral("zoomlbl"));
  for (QWidget* w : std::initializer_list<QWidget*>{rescaleButt, grphxmin, grphxmax, SpinEditZoom, zoomlbl}) w->hide();
  connect(rescaleButt, &QPushButton::clicked, this, [this] { Guarded([this] { rescaleButtClick(); }); });
  connect(SpinEditZoom, &QSpinBox::textChanged, this, [this] { Guarded([this] { SpinEditZoomChange(); }); });

  // The graph's buttons at the left, the grid, the text's buttons at the
  // right; above the grid the scale of the bars or the zoom of the curves.
  for (QWidget* w : std::initializer_list<QWidget*>{ShowBarPlotButt, ButtonCopyGraph, SaveGraphButt, CopyResTextButt,
                                                    PrintPreviewButt, rescaleButt})
    w->setMinimumSize(w->size());
  for (QWidget* w : std::initializer_list<QWidget*>{grphxmin, grphxmax, SpinEditZoom}) w->setFixedSize(w->size());
  auto* panel = new QGridLayout(NumSummPanel);
  panel->setContentsMargins(6, 6, 6, 6);
  panel->setHorizontalSpacing(8);
  panel->setVerticalSpacing(5);
  auto* scale = new QHBoxLayout;
  scale->setSpacing(6);
  for (QWidget* w : std::initializer_list<QWidget*>{rescaleButt, grphxmin, grphxmax}) scale->addWidget(w);
  scale->addSpacing(38);
  scale->addWidget(SpinEditZoom);
  scale->addWidget(zoomlbl);
  scale->addStretch(1);
  panel->setRowMinimumHeight(0, 26);
  panel->addLayout(scale, 0, 1);
  const auto column = [](std::initializer_list<QWidget*> buttons) {
    auto* box = new QVBoxLayout;
    box->setSpacing(7);
    for (QWidget* button : buttons) box->addWidget(button);
    box->addStretch(1);
    return box;
  };
  panel->addLayout(column({ShowBarPlotButt, ButtonCopyGraph, SaveGraphButt}), 1, 0);
  panel->addWidget(NumResultsGrid, 1, 1, Qt::AlignLeft | Qt::AlignTop);
  panel->addLayout(column({CopyResTextButt, PrintPreviewButt}), 1, 2);
  panel->setColumnStretch(1, 1);
}

void TTAForm2::AnchorAnalysisPage() {
  const int w = TabSheet3->width();
  const int h = TabSheet3->height();
  AgeNumPanel->setGeometry(w - 249, 0, 249, h);
  BarGraphPanel->setGeometry(0, 0, w - 249, h);
  AgeBarChart->setGeometry(3, 3, BarGraphPanel->width() - 6, AgeBarChart->height());
  // Anchored to the bottom edge.
  NumSummPanel->move(NumSummPanel->x(), h - NumSummPanel->height() - 2);
  NumSummPanel->raise();
}

void TTAForm2::ApplyAnalysisPageSizes() {
  AnchorAnalysisPage();
  const int summaryTop = NumSummPanel->y();
  AgeBarChart->resize(AgeBarChart->width(), summaryTop - 10);
  MathGrid1->resize(AgeNumPanel->x() - 10, summaryTop - 10);
  NumSummPanel->move(RoundHalfEven((AgeNumPanel->x() - NumSummPanel->width()) / 2.0), summaryTop);
  if (!MathGrid1->isHidden()) MoveCurveLegend();
}

void TTAForm2::MoveCurveLegend() {
  for (QLabel* label : CurveLegend) label->move(label->x(), MathGrid1->height() - 20);
}

void TTAForm2::ShowCurveControls(bool curves) {
  for (QWidget* w : std::initializer_list<QWidget*>{rescaleButt, grphxmin, grphxmax}) w->setVisible(!curves);
  if (curves) {
    MoveCurveLegend();
    for (QLabel* label : CurveLegend) label->raise();
  }
  for (QLabel* label : CurveLegend) label->setVisible(curves);
  SpinEditZoom->setVisible(curves);
  zoomlbl->setVisible(curves);
}

int TTAForm2::ProbabilityIndex() const {
  const int id = ProbabilityButtons->checkedId();
  return id < 0 ? 1 : id;
}

}  // namespace vorla::gui
