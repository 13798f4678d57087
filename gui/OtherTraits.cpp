// The data entry page's "Other traits" group (the traits of the parameter
// set's own) and its "Documented age".
#include <QCheckBox>
#include <QFontMetrics>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>
#include <algorithm>

#include "gui/ScoreGrid.h"
#include "gui/TAForm2.h"
#include "gui/WindowFonts.h"
#include "gui/widgets/ChoiceComboBox.h"
#include "gui/widgets/DbEdit.h"
#include "gui/widgets/DbListBox.h"
#include "gui/widgets/DbMemo.h"
#include "params/CaseRun.h"
#include "params/MortalityModelFile.h"
#include "store/Schema.h"

namespace vorla::gui {

namespace {

// The scores that stand for a stage, in order.
std::vector<int> UsableScores(const OwnTrait& trait) {
  std::vector<int> scores;
  for (int s = 1; s <= 9; ++s)
    if (trait.recoding[static_cast<std::size_t>(s - 1)] != 0) scores.push_back(s);
  return scores;
}

// "1-5" for scores in a row, "1, 2, 4" otherwise.
std::string ScoreRange(const std::vector<int>& scores) {
  if (scores.empty()) return "none";
  if (scores.back() - scores.front() + 1 == static_cast<int>(scores.size()))
    return std::to_string(scores.front()) + "-" + std::to_string(scores.back());
  std::string text;
  for (int s : scores) text += (text.empty() ? "" : ", ") + std::to_string(s);
  return text;
}

std::string AllowedScoresMessage(const std::vector<int>& scores) {
  std::string message = "The allowed values are ";
  for (std::size_t i = 0; i < scores.size(); ++i) {
    if (i > 0) message += i + 1 == scores.size() ? ", or " : ",";
    message += std::to_string(scores[i]);
  }
  return message;
}

const OwnTrait* TraitOfField(const std::vector<OwnTrait>& traits, const std::string& field) {
  const std::string upper = UpperAscii(field);
  for (const OwnTrait& trait : traits) {
    const std::string stem = UpperAscii(trait.name) + "_";
    if (upper.rfind(stem, 0) == 0) return &trait;
  }
  return nullptr;
}

constexpr int kOwnRowPitch = 31;
constexpr int kOwnNameRoom = 100;  // the width left for a trait's name beside its boxes

}  // namespace

void TTAForm2::TakeOwnTraitsOfParameterSet() {
  own_traits_.clear();
  try {
    own_traits_ = CheckParameterFile(ParameterFilePath, &IsBuiltInField, &IsBuiltInScoreField)->ownTraits;
  } catch (const std::exception&) {
    // Said when the file is checked for the person.
  }
  std::vector<OwnTraitColumns> columns;
  for (const OwnTrait& trait : own_traits_) columns.push_back({trait.name, trait.paired});
  DeclareOwnTraits(columns);
  BuildOtherTraitsGroup();
}

void TTAForm2::TakeOwnModelsOfFolder() {
  own_models_.clear();
  try {
    own_models_ = ReadMortalityModels(ProgramDirectory + MortalityModelFileName);
  } catch (const std::exception& error) {
    ShowMessage(MessageKind::Error, std::string("Only the built-in mortality models are offered: ") + error.what());
  }
  QStringList items;
  for (const std::string& name : ModelNames()) items << QString::fromStdString(name);
  HazardPriorLB->SetItems(items);
  HazardPriorLB->setVerticalScrollBarPolicy(own_models_.empty() ? Qt::ScrollBarAlwaysOff : Qt::ScrollBarAsNeeded);
  ComboBoxHazard->SetItems(items);
}

std::vector<std::string> TTAForm2::ModelNames() const {
  std::vector<std::string> names = ModelChoices;
  for (const OwnMortalityModel& model : own_models_) names.push_back(model.name);
  return names;
}

std::vector<std::string> TTAForm2::PairBasesOf(int complexIndex) const {
  return ComplexPairBases(complexIndex, own_traits_);
}

void TTAForm2::BuildOtherTraitsGroup() {
  if (AgeEdit == nullptr) {
    AgeLabel = new QLabel(QStringLiteral("Documented age"), DataEntrySheet);
    AgeLabel->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    AgeLabel->setMinimumSize(150, 28);
    AgeEdit = new DbEdit(&DataSourceSkeleton, std::string(kAgeField), DataEntrySheet);
    AgeEdit->setObjectName(QStringLiteral("AgeEdit"));
    AgeEdit->setFixedSize(70, 28);
    auto* age = new QHBoxLayout;
    age->addWidget(AgeLabel);
    age->addSpacing(8);
    age->addWidget(AgeEdit);
    age->addStretch(1);
    NotesColumn->addSpacing(2);
    NotesColumn->addLayout(age);
    AgeEdit->setToolTip(QStringLiteral("The documented age at death, 15 to 110 years, of a reference skeleton"));
    AgeEdit->show();
    AgeLabel->show();
  }
  OwnScoreBoxes.clear();
  delete OtherTraitsGroup;
  OtherTraitsGroup = nullptr;
  // The focus goes from the last auricular box to these boxes, the notes and the age.
  QWidget* previous = ScoreBoxes.back();
  setTabOrder(DBMemo1, AgeEdit);
  if (!own_traits_.empty()) {
    OtherTraitsGroup = new QGroupBox(QStringLiteral("Other traits"), DataEntrySheet);
    OtherTraitsGroup->setObjectName(QStringLiteral("OtherTraitsGroup"));
    const QFont small = WindowFont(8);
    const QFont boxFont = WindowFont(12);
    ScoreGrid grid(OtherTraitsGroup, true, 0, small, kOwnRowPitch - ScoreGrid::BoxHeight);
    for (const OwnTrait& trait : own_traits_) {
      // A name too long for the room is shortened in its middle; the tooltip
      // gives it whole.
      const QString range = QString::fromStdString(" (" + ScoreRange(UsableScores(trait)) + ")");
      const QFontMetrics metrics(small);
      const QString name = metrics.elidedText(QString::fromStdString(trait.name), Qt::ElideMiddle,
                                              kOwnNameRoom - metrics.horizontalAdvance(range));
      const int row = grid.AddRow(
          name + range, small,
          QString::fromStdString(trait.name + ": " +
                                 (trait.comment.empty() ? trait.complex : trait.comment + " (" + trait.complex + ")")));
      struct Box {
        const char* end;
        bool right, upper;
      };
      const std::vector<Box> boxes = trait.paired ? std::vector<Box>{{"_L_LOW", false, false},
                                                                     {"_L_UPPER", false, true},
                                                                     {"_R_LOW", true, false},
                                                                     {"_R_UPPER", true, true}}
                                                  : std::vector<Box>{{"_LOW", true, false}, {"_UPPER", true, true}};
      for (const Box& place : boxes) {
        const std::string end = place.end;
        const std::string field = UpperAscii(trait.name) + end;
        auto* box = new DbScoreEdit(&DataSourceSkeleton, field, trait.stages, OtherTraitsGroup);
        box->setObjectName(QString::fromStdString(field));
        box->setFont(boxFont);
        WireScoreBox(box);
        grid.Place(box, row, place.right, place.upper);
        const std::string side = end.find("_L_") == 0 ? ", left" : end.find("_R_") == 0 ? ", right" : "";
        box->setToolTip(QString::fromStdString(trait.name + side +
                                               (end.find("UPPER") != std::string::npos ? ", MAX" : ", min") +
                                               ": stages " + ScoreRange(UsableScores(trait))));
        // A score typed into a complex that was left out takes it in again.
        for (int i = 0; i < 3; ++i) {
          if (KnownComplexes()[static_cast<std::size_t>(i)].complexName != trait.complex) continue;
          QCheckBox* check = ComplexCheckBox(i);
          connect(box, &QLineEdit::textEdited, check, [check](const QString& typed) {
            if (!typed.trimmed().isEmpty()) check->setChecked(true);
          });
        }
        OwnScoreBoxes.push_back(box);
        setTabOrder(previous, box);
        previous = box;
      }
    }
    grid.Finish();
    OtherTraitsGroup->setFixedWidth(DBMemo1->minimumWidth());
    NotesColumn->insertWidget(1, OtherTraitsGroup);
    OtherTraitsGroup->show();
  }
  // The notes give way to the group, down to a few lines.
  NotesLabel->setVisible(own_traits_.empty());
  KeepRoomForPages();
}

std::string TTAForm2::OwnTraitScoreRefusal(const DbScoreEdit* box, QChar typed, bool& own) const {
  const OwnTrait* trait = TraitOfField(own_traits_, box->FieldName());
  own = trait != nullptr && std::find(OwnScoreBoxes.begin(), OwnScoreBoxes.end(), box) != OwnScoreBoxes.end();
  if (!own) return {};
  const std::vector<int> scores = UsableScores(*trait);
  const bool digit = typed.isDigit() && typed.unicode() < 128;
  if (digit && std::find(scores.begin(), scores.end(), typed.digitValue()) != scores.end()) return {};
  return AllowedScoresMessage(scores);
}

}  // namespace vorla::gui
