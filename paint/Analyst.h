#pragma once
// Who makes a result: the name the window's preferences keep (read by the
// headless tool too), by default the login's full name.
#include <QSettings>
#include <QString>

namespace vorla::gui {

// The key of the analyst's name among the remembered settings.
inline constexpr const char* AnalystSettingKey = "analyst";

// The remembered settings of both programs: the window's file.
QSettings& ProgramSettings();

// The login's full name, as the case history names it by default.
QString LoginFullName();

// The name kept in the settings, else the login's full name.
QString AnalystName(const QSettings& settings);

}  // namespace vorla::gui
