#include "gui/DataEntryLayout.h"

namespace vorla::gui {

const std::vector<ScoreGroup>& ScoreGroups() {
  static const std::vector<ScoreGroup> groups = {
      {0,
       "Cranial &Sutures (1-5) ",
       "Analyze Cranial Data",
       false,
       QSize(316, 241),
       31,
       {{"Coronal Pterica", "CRA_PTERICA", 5},
        {"Sagittal Obelica", "CRA_SAGITTAL", 5},
        {"Lambdoidal Asterica", "CRA_LAMDOID", 5},
        {"Interpalatine suture", "CRA_INTERPL", 5},
        {"Zygomaticomaxillary suture", "CRA_MAXILARE", 5}}},
      {1,
       "&Pubic Symphysis ",
       "Analyze Pubic Data",
       true,
       QSize(406, 241),
       31,
       {{"Topography (1-6)", "PUB_RELIEF", 6},
        {"Texture (1-4)", "PUB_TEXTURE", 4},
        {"Superior protuberance (1-4)", "PUB_OSSICLE", 4},
        {"Ventral margin (1-7)", "PUB_VENTRALM", 7},
        {"Dorsal margin (1-5)", "PUB_DORSALM", 5}}},
      {2,
       "A&uricular Area ",
       "Analyze Auricular Data",
       true,
       QSize(443, 368),
       31,
       {{"Superior Topography (1-3)", "AUR_TOPOSUP", 3},
        {"Inferior Topography (1-3)", "AUR_TOPOINF", 3},
        {"Superior Characteristics (1-5)", "AUR_MORSUP", 5},
        {"Apical Characteristics (1-5)", "AUR_MORAPIC", 5},
        {"Inferior Characteristics (1-5)", "AUR_MORINF", 5},
        {"Inferior Texture (1-3)", "AUR_TEXINF", 3},
        {"Superior Exostoses (1-6)", "AUR_EXOSUP", 6},
        {"Inferior Exostoses (1-6)", "AUR_EXOINF", 6},
        {"Posterior Exostoses (1-3)", "AUR_SPICUL", 3}}},
  };
  return groups;
}

std::string ScoreField(const ScoreRow& row, const char* side, bool upper) {
  return std::string(row.stem) + side + (upper ? "_UPPER" : "_LOW");
}

std::string AllowedValuesMessage(int stageCount) {
  if (stageCount < 3 || stageCount > 7) return {};
  std::string message = "The allowed values are ";
  for (int stage = 1; stage < stageCount; ++stage)
    message += std::to_string(stage) + (stage + 1 < stageCount ? "," : ", or ");
  return message + std::to_string(stageCount);
}

}  // namespace vorla::gui
