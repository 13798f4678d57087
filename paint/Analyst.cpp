#include "paint/Analyst.h"

#include "store/CaseHistory.h"

namespace vorla::gui {

QSettings& ProgramSettings() {
  static QSettings settings(QSettings::IniFormat, QSettings::UserScope, QStringLiteral("VORLA"),
                            QStringLiteral("vorla"));
  return settings;
}

QString LoginFullName() {
  return QString::fromStdString(vorla::LoginFullName());
}

QString AnalystName(const QSettings& settings) {
  const QString kept = settings.value(QString::fromLatin1(AnalystSettingKey)).toString().trimmed();
  return kept.isEmpty() ? LoginFullName() : kept;
}

}  // namespace vorla::gui
