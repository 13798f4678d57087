#include "gui/WindowSettings.h"

#include "paint/Analyst.h"

#include <QSettings>
#include <QVariantMap>

namespace vorla::gui {

namespace {

const QString GeometryKey = QStringLiteral("window/geometry");
const QString LevelKey = QStringLiteral("analysis/level");
const QString RecentKey = QStringLiteral("folders/recent");
const QString LastFolderKey = QStringLiteral("folders/last");
// A map from the folder to the SKELETON_ID last shown in it.
const QString LastCaseKey = QStringLiteral("folders/lastCase");

}  // namespace

WindowSettings::WindowSettings()
    : settings_(std::make_unique<QSettings>(QSettings::IniFormat, QSettings::UserScope, QStringLiteral("VORLA"),
                                            QStringLiteral("vorla"))) {}

WindowSettings::WindowSettings(const QString& iniFile)
    : settings_(std::make_unique<QSettings>(iniFile, QSettings::IniFormat)) {}

WindowSettings::~WindowSettings() = default;

std::optional<QByteArray> WindowSettings::Geometry() const {
  if (!settings_->contains(GeometryKey)) return std::nullopt;
  return settings_->value(GeometryKey).toByteArray();
}

void WindowSettings::SetGeometry(const QByteArray& geometry) {
  settings_->setValue(GeometryKey, geometry);
}

int WindowSettings::LevelIndex() const {
  return settings_->value(LevelKey, 1).toInt();
}

void WindowSettings::SetLevelIndex(int index) {
  settings_->setValue(LevelKey, index);
}

QString WindowSettings::Analyst() const {
  return settings_->value(QString::fromLatin1(AnalystSettingKey)).toString().trimmed();
}

void WindowSettings::SetAnalyst(const QString& name) {
  settings_->setValue(QString::fromLatin1(AnalystSettingKey), name.trimmed());
}

QStringList WindowSettings::RecentFolders() const {
  return settings_->value(RecentKey).toStringList();
}

void WindowSettings::SetRecentFolders(const QStringList& folders) {
  settings_->setValue(RecentKey, folders);
}

std::string WindowSettings::LastFolder() const {
  return settings_->value(LastFolderKey).toString().toStdString();
}

void WindowSettings::SetLastFolder(const QString& folder) {
  settings_->setValue(LastFolderKey, folder);
}

std::optional<int> WindowSettings::LastCase(const QString& folder) const {
  const QVariant id = settings_->value(LastCaseKey).toMap().value(folder);
  if (!id.isValid()) return std::nullopt;
  return id.toInt();
}

void WindowSettings::SetLastCase(const QString& folder, int id) {
  QVariantMap lastCases = settings_->value(LastCaseKey).toMap();
  lastCases.insert(folder, id);
  settings_->setValue(LastCaseKey, lastCases);
}

void WindowSettings::Sync() {
  settings_->sync();
}

QString WindowSettings::FileName() const {
  return settings_->fileName();
}

}  // namespace vorla::gui
