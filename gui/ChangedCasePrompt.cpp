#include "gui/ChangedCasePrompt.h"

#include <QString>

namespace vorla::gui {

TDataSource::ChangedRowChoice AskAboutChangedCase(UserInteraction& ui, const std::string& refusal) {
  using Choice = TDataSource::ChangedRowChoice;
  const QString changed = QString::fromStdString(refusal);
  if (ui.AskYesNo(changed + QStringLiteral(".\n\nReload the case as it is stored now? Your changes to it are then "
                                           "dropped.\nAnswer No to keep your changes.")))
    return Choice::Reload;
  if (ui.AskYesNo(QStringLiteral("Overwrite the other user's changes to this case with yours?\nAnswer No to go on "
                                 "editing; nothing is stored yet.")))
    return Choice::Overwrite;
  return Choice::KeepEditing;
}

}  // namespace vorla::gui
