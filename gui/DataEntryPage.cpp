// The data entry page: the case number, the model choices, the score sheet
// with its key-by-key check, the complex check boxes, the case list, the
// navigator, the notes, and what happens when the current row changes.
#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QStatusBar>
#include <QTabWidget>
#include <QToolButton>
#include <QVBoxLayout>
#include <algorithm>

#include "gui/DataEntryLayout.h"
#include "gui/ScoreGrid.h"
#include "gui/TAForm2.h"
#include "gui/WindowFonts.h"
#include "gui/widgets/CaseGrid.h"
#include "gui/widgets/ChoiceComboBox.h"
#include "gui/widgets/DbEdit.h"
#include "gui/widgets/DbListBox.h"
#include "gui/widgets/DbMemo.h"
#include "gui/widgets/Navigator.h"
#include "params/CaseRun.h"
#include "store/Schema.h"
#include "store/StageScores.h"

namespace vorla::gui {

namespace {

// How long the allowed scores stay in the status bar after a refused key.
constexpr int kScoreHintMilliseconds = 8000;

QStringList Items(const std::vector<std::string>& choices) {
  QStringList items;
  for (const std::string& choice : choices) items << QString::fromStdString(choice);
  return items;
}

QLabel* MakeLabel(const QString& text, QWidget* parent, const QRect& geometry, Qt::Alignment alignment) {
  auto* label = new QLabel(text, parent);
  label->setGeometry(geometry);
  label->setAlignment(alignment);
  return label;
}

}  // namespace

void TTAForm2::BuildDataEntryPage() {
  QWidget* page = DataEntrySheet;
  page->setFont(WindowFont(11.5, true));

  CaseNumberGroup = new QGroupBox(QStringLiteral("Case/Specimen Number"), page);
  CaseNumberGroup->setGeometry(8, 16, 233, 65);
  DBEdit4 = new DbEdit(&DataSourceSkeleton, "SKELETON_NAME", CaseNumberGroup);
  DBEdit4->setObjectName(QStringLiteral("DBEdit4"));
  DBEdit4->setMinimumHeight(28);
  auto* caseNumber = new QVBoxLayout(CaseNumberGroup);
  caseNumber->setContentsMargins(10, 4, 10, 6);
  caseNumber->addWidget(DBEdit4);
  connect(DBEdit4, &QLineEdit::textEdited, this, [this] { case_number_edited_ = true; });
  connect(DBEdit4, &DbEdit::exited, this, [this] {
    SyncRowControls();  // the case list shows the new name
    if (case_number_edited_) {
      case_number_edited_ = false;
      Guarded([this] { WarnOfSharedCaseNumber(); });
    }
  });

  ModelGroup = new QGroupBox(QStringLiteral("Model Characteristics"), page);
  ModelGroup->setGeometry(8, 88, 233, 241);
  const QFont listFont = WindowFont(10, true);
  const QFont labelFont = WindowFont(10, true);
  struct ListEntry {
    DbListBox** list;
    const char* name;
    const char* label;
    const char* field;
    const std::vector<std::string>* items;
    int height;
  };
  const ListEntry lists[] = {
      {&HazardPriorLB, "HazardPriorLB", "Mortality\nModel", "HAZARDFUNC", &ModelChoices, 46},
      {&RacePriorLB, "RacePriorLB", "Ancestry", "RACE", &AncestryChoices, 66},
      {&SexPriorLB, "SexPriorLB", "Sex", "SEX", &SexChoices, 66},
  };
  // A caption at the right of its list's top, a list a row.
  auto* choices = new QGridLayout(ModelGroup);
  choices->setContentsMargins(6, 4, 10, 4);
  choices->setHorizontalSpacing(4);
  choices->setVerticalSpacing(12);
  choices->setColumnStretch(0, 1);
  int row = 0;
  for (const ListEntry& entry : lists) {
    auto* list = new DbListBox(&DataSourceSkeleton, entry.field, Items(*entry.items), ModelGroup);
    list->setObjectName(QString::fromLatin1(entry.name));
    list->setFont(listFont);
    list->setFixedSize(123, entry.height);
    list->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    list->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    auto* label = new QLabel(QString::fromLatin1(entry.label), ModelGroup);
    label->setAlignment(Qt::AlignRight | Qt::AlignTop);
    label->setFont(labelFont);
    choices->addWidget(label, row, 0);
    choices->addWidget(list, row++, 1);
    *entry.list = list;
  }
  choices->setRowStretch(row, 1);
  connect(SexPriorLB, &DbListBox::exited, this, [this] { Guarded([this] { SexPriorLBExit(); }); });
  connect(RacePriorLB, &DbListBox::exited, this, [this] { Guarded([this] { RacePriorLBExit(); }); });
  connect(HazardPriorLB, &DbListBox::exited, this, [this] { Guarded([this] { HazardPriorLBExit(); }); });

  FindBox = new QLineEdit(page);
  FindBox->setObjectName(QStringLiteral("FindBox"));
  FindBox->setGeometry(8, 336, 233, 24);
  FindBox->setFont(WindowFont(8.75, false));
  FindBox->setPlaceholderText(QStringLiteral("Find case number (Ctrl+F)"));
  FindBox->setClearButtonEnabled(true);
  DBGrid1 = new CaseGrid(page);
  DBGrid1->setObjectName(QStringLiteral("DBGrid1"));
  DBGrid1->setGeometry(8, 362, 233, 213);
  DBGrid1->setFont(WindowFont(8.75, false));
  connect(FindBox, &QLineEdit::textChanged, this, [this](const QString& text) {
    DBGrid1->SetFindText(text);
    // The page goes to the first case found when its own is not one of them.
    if (!DBGrid1->CurrentMatches())
      if (const std::optional<std::int64_t> key = DBGrid1->FirstMatchingKey(); key && *key >= 0) {
        Guarded([this, key] { DataSourceSkeleton.LocateId(static_cast<std::int32_t>(*key)); });
        SyncRowControls();
      }
    UpdateCaseCount();
  });
  connect(DBGrid1, &CaseGrid::rowPicked, this, [this](std::int64_t key) {
    Guarded([this, key] {
      if (key >= 0) DataSourceSkeleton.LocateId(static_cast<std::int32_t>(key));
    });
    SyncRowControls();
  });

  DBNavigator1 = new Navigator(page);
  DBNavigator1->setObjectName(QStringLiteral("DBNavigator1"));
  DBNavigator1->setGeometry(8, 578, 215, 25);
  connect(DBNavigator1, &Navigator::clicked, this, [this](int button) {
    Guarded([this, button] { NavigatorClick(button); });
    SyncRowControls();
  });

  BitBtnNew = new QPushButton(QStringLiteral("New Skeleton"), page);
  BitBtnNew->setObjectName(QStringLiteral("BitBtnNew"));
  BitBtnNew->setGeometry(40, 607, 153, 25);
  connect(BitBtnNew, &QPushButton::clicked, this, [this] { Guarded([this] { BitBtnNewRecordClick(); }); });

  for (int g = 0; g < 3; ++g) BuildScoreGroup(g);

  NotesLabel = MakeLabel(QStringLiteral("Notes"), page, QRect(808, 280, 80, 24), Qt::AlignLeft | Qt::AlignVCenter);
  DBMemo1 = new DbMemo(&DataSourceSkeleton, "TA_Notes", page);
  DBMemo1->setObjectName(QStringLiteral("DBMemo1"));
  DBMemo1->setGeometry(702, 315, 265, 321);
  DBMemo1->setFont(WindowFont(10, true));

  LayOutDataEntryPage();

  // The focus order of the page.
  std::vector<QWidget*> order = {DBEdit4, HazardPriorLB, RacePriorLB, SexPriorLB};
  for (int g = 0; g < 3; ++g) {
    order.push_back(ComplexCheckBox(g));
    for (DbScoreEdit* box : ScoreBoxes) {
      const auto& pairs = KnownComplexes()[static_cast<std::size_t>(g)].pairBases;
      const std::string field = UpperAscii(box->FieldName());
      for (const std::string& base : pairs)
        if (field == base + "_LOW" || field == base + "_UPPER") order.push_back(box);
    }
  }
  // After the score sheet the right-hand column (the other traits, the
  // notes, the documented age: BuildOtherTraitsGroup), then the left one
  // below the model choices, top to bottom.
  order.insert(order.end(), {DBMemo1, FindBox, DBNavigator1, BitBtnNew});
  for (std::size_t i = 1; i < order.size(); ++i) setTabOrder(order[i - 1], order[i]);
  UpdateScoreTips({});
}

void TTAForm2::LayOutDataEntryPage() {
  // The left column: the case number, the model choices, the case list (which
  // takes the height there is), the navigator and "New Skeleton".
  for (QWidget* fixed : std::initializer_list<QWidget*>{CaseNumberGroup, ModelGroup, DBNavigator1, BitBtnNew})
    fixed->setFixedSize(fixed->size());
  FindBox->setFixedWidth(FindBox->width());
  DBGrid1->setFixedWidth(DBGrid1->width());
  DBGrid1->setMinimumHeight(DBGrid1->height());
  auto* left = new QVBoxLayout;
  left->setSpacing(0);
  left->addWidget(CaseNumberGroup);
  left->addSpacing(7);
  left->addWidget(ModelGroup);
  left->addSpacing(7);
  left->addWidget(FindBox);
  left->addSpacing(2);
  left->addWidget(DBGrid1, 1);
  left->addSpacing(3);
  left->addWidget(DBNavigator1, 0, Qt::AlignLeft);
  left->addSpacing(4);
  left->addWidget(BitBtnNew, 0, Qt::AlignHCenter);

  // The score sheet: cranial and pubic above, auricular below beside the
  // column of the notes (and the other traits) and the documented age.
  // A group keeps the size it was drawn at, wider where its names need it.
  for (QGroupBox* group : ScoreGroupBoxes)
    group->setMinimumSize(std::max(group->width(), group->minimumSizeHint().width()), group->height());
  auto* top = new QHBoxLayout;
  top->setSpacing(5);
  top->addWidget(ScoreGroupBoxes[0]);
  top->addWidget(ScoreGroupBoxes[1]);
  top->addStretch(1);
  NotesColumn = new QVBoxLayout;
  NotesColumn->setSpacing(4);
  NotesColumn->addWidget(NotesLabel, 0, Qt::AlignHCenter);
  DBMemo1->setMinimumSize(DBMemo1->width(), 90);
  NotesColumn->addWidget(DBMemo1, 1);
  auto* bottom = new QHBoxLayout;
  bottom->setSpacing(10);
  bottom->addWidget(ScoreGroupBoxes[2], 0, Qt::AlignTop);
  bottom->addLayout(NotesColumn);
  bottom->addStretch(1);
  auto* sheet = new QVBoxLayout;
  sheet->setSpacing(0);
  sheet->setContentsMargins(0, 8, 0, 0);
  sheet->addLayout(top);
  sheet->addLayout(bottom, 1);

  auto* page = new QHBoxLayout(DataEntrySheet);
  page->setContentsMargins(6, 10, 4, 2);
  page->setSpacing(6);
  page->addLayout(left);
  page->addLayout(sheet, 1);
}

void TTAForm2::BuildScoreGroup(int groupIndex) {
  const ScoreGroup& entry = ScoreGroups()[static_cast<std::size_t>(groupIndex)];
  auto* group = new QGroupBox(QString::fromLatin1(entry.title), DataEntrySheet);
  group->resize(entry.size);
  ScoreGroupBoxes[static_cast<std::size_t>(groupIndex)] = group;

  auto* check = new QCheckBox(QString::fromLatin1(entry.checkText), group);
  check->setChecked(true);
  static const char* const checkNames[] = {"UseCranDataCB", "UsePubeDataCB", "UseAuriDataCB"};
  check->setObjectName(QString::fromLatin1(checkNames[groupIndex]));
  QCheckBox** targets[] = {&UseCranDataCB, &UsePubeDataCB, &UseAuriDataCB};
  *targets[groupIndex] = check;
  void (TTAForm2::*handlers[])() = {&TTAForm2::UseCranDataCBClick, &TTAForm2::UsePubeDataCBClick,
                                    &TTAForm2::UseAuriDataCBClick};
  const auto handler = handlers[groupIndex];
  connect(check, &QCheckBox::toggled, this, [this, handler] { Guarded([this, handler] { (this->*handler)(); }); });

  ScoreGrid grid(group, entry.paired, 1, WindowFont(8, true), entry.rowPitch - ScoreGrid::BoxHeight);
  grid.Layout()->addWidget(check, 0, 0, 1, -1);
  std::vector<int> rows;
  for (const ScoreRow& row : entry.rows)
    rows.push_back(grid.AddRow(QString::fromLatin1(row.label), WindowFont(10, true)));
  grid.Finish();

  const QFont boxFont = WindowFont(12, true);
  // Boxes in focus order: every left-side (or only) row, then every right-side row.
  for (const char* side : entry.paired ? std::vector<const char*>{"_L", "_R"} : std::vector<const char*>{""}) {
    const bool right = std::string(side) != "_L";
    for (std::size_t r = 0; r < entry.rows.size(); ++r)
      for (const bool upper : {false, true}) {
        const ScoreRow& row = entry.rows[r];
        auto* box = new DbScoreEdit(&DataSourceSkeleton, ScoreField(row, side, upper), row.stageCount, group);
        box->setObjectName(QString::fromStdString(ScoreField(row, side, upper)));
        box->setFont(boxFont);
        WireScoreBox(box);
        // A score typed into a complex that was left out takes it in again.
        connect(box, &QLineEdit::textEdited, check, [check](const QString& text) {
          if (!text.trimmed().isEmpty()) check->setChecked(true);
        });
        grid.Place(box, rows[r], right, upper);
        ScoreBoxes.push_back(box);
      }
  }
}

void TTAForm2::UpdateScoreTips(const StageScoreRules& stages) {
  // The trait, the side, min or MAX, and the stages that the parameter set in
  // use knows for it (without a set, those of the sheet).
  for (const ScoreGroup& group : ScoreGroups())
    for (const ScoreRow& row : group.rows) {
      QString trait = QString::fromLatin1(row.label);
      if (const qsizetype range = trait.indexOf(QStringLiteral(" (")); range > 0) trait.truncate(range);
      for (const char* side : group.paired ? std::vector<const char*>{"_L", "_R"} : std::vector<const char*>{""})
        for (const bool upper : {false, true}) {
          const std::string field = ScoreField(row, side, upper);
          DbScoreEdit* box = ScoreBox(field);
          if (box == nullptr) continue;
          std::vector<int> scores;
          if (const TraitStageScores* known = stages.TraitOfField(field))
            scores = known->scores;
          else
            for (int s = 1; s <= row.stageCount; ++s) scores.push_back(s);
          const QString sideText = !group.paired               ? QString()
                                   : std::string(side) == "_L" ? QStringLiteral(", left")
                                                               : QStringLiteral(", right");
          box->setToolTip(QStringLiteral("%1%2, %3: stages %4")
                              .arg(trait, sideText, upper ? QStringLiteral("MAX") : QStringLiteral("min"),
                                   QString::fromStdString(ScoreRangeText(scores))));
        }
    }
}

DbScoreEdit* TTAForm2::ScoreBox(const std::string& field) const {
  const std::string upper = UpperAscii(field);
  for (const auto* boxes : {&ScoreBoxes, &OwnScoreBoxes})
    for (DbScoreEdit* box : *boxes)
      if (UpperAscii(box->FieldName()) == upper) return box;
  return nullptr;
}

QCheckBox* TTAForm2::ComplexCheckBox(int complexIndex) const {
  return complexIndex == 0 ? UseCranDataCB : complexIndex == 1 ? UsePubeDataCB : UseAuriDataCB;
}

void TTAForm2::FocusNextControl(QWidget* from) {
  for (QWidget* w = from->nextInFocusChain(); w && w != from; w = w->nextInFocusChain()) {
    if (w->window() == this && (w->focusPolicy() & Qt::TabFocus) && w->isVisible() && w->isEnabled()) {
      w->setFocus(Qt::TabFocusReason);
      return;
    }
  }
}

void TTAForm2::WireScoreBox(DbScoreEdit* box) {
  box->setTextMargins(0, 0, 0, 0);
  box->setStyleSheet(QStringLiteral("QLineEdit { padding: 0px; }"));
  box->SetScoreJudge([this, box](QChar typed) { return TraitScoreKeyUp(box, typed); });
  // The check runs as the key goes down, so the next key already finds the
  // next box, however fast the typing.
  connect(box, &DbScoreEdit::scoreTyped, this, [this, box] { FocusNextControl(box); });
}

bool TTAForm2::TraitScoreKeyUp(DbScoreEdit* box, QChar typed) {
  const std::string refusal = ScoreRefusal(box, typed);
  if (refusal.empty()) {
    statusBar()->clearMessage();
    return true;
  }
  ui_.Beep();
  statusBar()->showMessage(QString::fromStdString(refusal), kScoreHintMilliseconds);
  return false;
}

std::string TTAForm2::ScoreRefusal(const DbScoreEdit* box, QChar typed) const {
  bool own = false;
  std::string refusal = OwnTraitScoreRefusal(box, typed, own);
  if (own) return refusal;
  const int n = box->StageCount();
  const bool digit = typed.isDigit() && typed.unicode() < 128;
  const int v = digit ? typed.digitValue() : -1;
  // Stage counts 3 to 6 have their sets; the ventral margin's seven stages
  // are checked against 1 to 7 the same way.
  bool allowed = digit;
  if (digit && n >= 3 && n <= 6) allowed = v <= 7 && ((AllowedStages[static_cast<std::size_t>(n - 3)] >> v) & 1);
  if (digit && n == 7) allowed = v >= 1 && v <= 7;
  if (allowed) return {};
  refusal = AllowedValuesMessage(n);
  return refusal.empty() ? "A score is a single digit" : refusal;
}

void TTAForm2::UseCranDataCBClick() {
  UseCranialData = UseCranDataCB->isChecked();
}
void TTAForm2::UsePubeDataCBClick() {
  UsePubicData = UsePubeDataCB->isChecked();
}
void TTAForm2::UseAuriDataCBClick() {
  UseAuricularData = UseAuriDataCB->isChecked();
}

void TTAForm2::SexPriorLBExit() {
  ComboBoxSex->SetProgramText(QString::fromStdString(DataSourceSkeleton.FieldAsText("SEX")));
}

void TTAForm2::RacePriorLBExit() {
  ComboBoxRace->SetProgramText(QString::fromStdString(DataSourceSkeleton.FieldAsText("RACE")));
}

void TTAForm2::HazardPriorLBExit() {
  ComboBoxHazard->SetProgramText(QString::fromStdString(DataSourceSkeleton.FieldAsText("HAZARDFUNC")));
}

// A pick on the analysis page is a change of the case like a pick on the
// data entry page: the row keeps it until it is saved or reverted, and the
// page says that the results are out of date until the next analysis.
void TTAForm2::ComboChange(ChoiceComboBox* box, const char* field) {
  DataSourceSkeleton.Edit();
  DataSourceSkeleton.SetFieldText(field, box->currentText().toStdString());
  ShowCurrentRowResults();
}

void TTAForm2::ComboBoxSexChange() {
  ComboChange(ComboBoxSex, "Sex");
}
void TTAForm2::ComboBoxRaceChange() {
  ComboChange(ComboBoxRace, "Race");
}
void TTAForm2::ComboBoxHazardChange() {
  ComboChange(ComboBoxHazard, "HazardFunc");
}

// The three choices go back to what the row holds as stored, on both pages.
void TTAForm2::ButtonResetClick() {
  static const char* const fields[] = {"SEX", "RACE", "HAZARDFUNC"};
  bool restored = false;
  if (TATable.IsOpen() && TATable.State() != CaseTable::RowState::Browse) {
    for (const char* field : fields) {
      const std::string picked = DataSourceSkeleton.FieldAsText(field);
      DataSourceSkeleton.RestoreField(field);
      restored = restored || DataSourceSkeleton.FieldAsText(field) != picked;
    }
  }
  ShowChoices();
  if (restored) ShowCurrentRowResults();
}

void TTAForm2::ShowChoices() {
  const bool open = TATable.IsOpen();
  const auto text = [&](const char* field) {
    return open ? QString::fromStdString(DataSourceSkeleton.FieldAsText(field)) : QString();
  };
  ComboBoxSex->SetProgramText(text("SEX"));
  ComboBoxRace->SetProgramText(text("RACE"));
  ComboBoxHazard->SetProgramText(text("HAZARDFUNC"));
  if (ComboBoxHazard->currentIndex() < 0) ComboBoxHazard->SetProgramText(ComboBoxHazard->itemText(0));
}

void TTAForm2::TATableBeforeScroll() {
  // The row being left was saved (or, new and untouched, dropped) by the
  // table; with no row left there is nothing to edit.
  DataSourceSkeleton.Edit();
  DataSourceSkeleton.Post();
}

void TTAForm2::TATableAfterScroll() {
  if (PageControl1->currentWidget() == DataEntrySheet) {
    ButtonResetClick();
    for (int i = 0; i < 3; ++i) ComplexCheckBox(i)->setChecked(true);
  }
  // Whatever page is in front, the analysis page follows the row.
  ShowCurrentRowResults();
}

void TTAForm2::BitBtnNewRecordClick() {
  PageControl1->setCurrentWidget(DataEntrySheet);
  DataSourceSkeleton.Append();
  DBEdit4->setFocus(Qt::OtherFocusReason);
}

void TTAForm2::NavigatorClick(int button) {
  switch (button) {
    case Navigator::First:
      DataSourceSkeleton.First();
      break;
    case Navigator::Prior:
      DataSourceSkeleton.Prior();
      break;
    case Navigator::Next:
      DataSourceSkeleton.Next();
      break;
    case Navigator::Last:
      DataSourceSkeleton.Last();
      break;
    case Navigator::Insert:
      DataSourceSkeleton.Append();
      break;
    default:
      break;
  }
}

void TTAForm2::SyncRowControls() {
  DBGrid1->Sync(TATable);
  UpdateCaseCount();
  if (!TATable.IsOpen()) {
    DBNavigator1->SetPosition(true, true);
    return;
  }
  const bool inserting = TATable.State() == CaseTable::RowState::Insert;
  const int recNo = TATable.RecNo();
  DBNavigator1->SetPosition(!inserting && recNo <= 1, inserting || recNo >= TATable.RecordCount());
}

}  // namespace vorla::gui

namespace vorla::gui {

void TTAForm2::WarnOfSharedCaseNumber() {
  if (!TATable.IsOpen() || TATable.FieldIsNull("SKELETON_NAME")) return;
  const std::string name = TATable.FieldAsText("SKELETON_NAME");
  const bool stored = TATable.State() != CaseTable::RowState::Insert;
  const std::int64_t self = stored ? TATable.FieldAsInteger("SKELETON_ID") : -1;
  std::string others;
  for (const std::int64_t key : TATable.KeysNamed(name))
    if (key != self) others += (others.empty() ? "" : ", ") + std::to_string(key);
  if (others.empty()) return;
  ShowMessage(MessageKind::Information,
              "Another case already has the case number \"" + name + "\" (SKELETON_ID " + others +
                  "). Both are kept, but reports and lists tell them apart only by that key: give this case "
                  "a number of its own.");
}

}  // namespace vorla::gui
