#pragma once
// What the person is asked when the case they edited was changed by another
// user in the meantime: reload it as stored, or, after a second question,
// overwrite the other user's change; otherwise they go on editing and
// nothing is stored.
#include <string>

#include "gui/DataSource.h"
#include "gui/UserInteraction.h"

namespace vorla::gui {

TDataSource::ChangedRowChoice AskAboutChangedCase(UserInteraction& ui, const std::string& refusal);

}  // namespace vorla::gui
