#include "paint/Analyst.h"

#ifndef _WIN32
#include <pwd.h>
#include <unistd.h>
#endif

namespace vorla::gui {

QSettings& ProgramSettings() {
  static QSettings settings(QSettings::IniFormat, QSettings::UserScope, QStringLiteral("VORLA"),
                            QStringLiteral("vorla"));
  return settings;
}

QString LoginFullName() {
#ifndef _WIN32
  if (const passwd* account = ::getpwuid(::getuid())) {
    const QString full = QString::fromLocal8Bit(account->pw_gecos ? account->pw_gecos : "").section(',', 0, 0);
    if (!full.trimmed().isEmpty()) return full.trimmed();
    if (account->pw_name && *account->pw_name) return QString::fromLocal8Bit(account->pw_name);
  }
#endif
  return qEnvironmentVariable("USER", qEnvironmentVariable("USERNAME"));
}

QString AnalystName(const QSettings& settings) {
  const QString kept = settings.value(QString::fromLatin1(AnalystSettingKey)).toString().trimmed();
  return kept.isEmpty() ? LoginFullName() : kept;
}

}  // namespace vorla::gui
