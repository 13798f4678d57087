#pragma once
// What the window remembers between sessions: its place and size, the level
// of the limits, the recent case folders, the folder last opened and the
// case last shown in each folder, and the analyst's name. QSettings keeps them in the user's
// vorla.ini (~/.config/VORLA/vorla.ini on Linux) under the keys they have
// always had, so that a file written by an earlier version is read.
#include <QByteArray>
#include <QString>
#include <QStringList>
#include <memory>
#include <optional>
#include <string>

class QSettings;

namespace vorla::gui {

class WindowSettings {
 public:
  // The user's own file.
  WindowSettings();
  // An INI file of one's own (a test's).
  explicit WindowSettings(const QString& iniFile);
  ~WindowSettings();
  WindowSettings(const WindowSettings&) = delete;
  WindowSettings& operator=(const WindowSettings&) = delete;

  // The window's saved geometry (QWidget::saveGeometry); none before the first close.
  std::optional<QByteArray> Geometry() const;
  void SetGeometry(const QByteArray& geometry);
  // The level button: 0 for 90 %, 1 for 95 % (at first), 2 for 99 %.
  int LevelIndex() const;
  void SetLevelIndex(int index);
  // The case folders opened last, the latest first.
  QStringList RecentFolders() const;
  void SetRecentFolders(const QStringList& folders);
  // The case folder last opened; empty when none.
  std::string LastFolder() const;
  void SetLastFolder(const QString& folder);
  // The SKELETON_ID last shown in the folder; none when none was.
  std::optional<int> LastCase(const QString& folder) const;
  void SetLastCase(const QString& folder, int id);

  // The analyst's name as kept (Edit > Preferences, read by vorla-cli too);
  // empty when none is.
  QString Analyst() const;
  void SetAnalyst(const QString& name);

  // Writes what was set to the file now.
  void Sync();
  QString FileName() const;

 private:
  std::unique_ptr<QSettings> settings_;
};

}  // namespace vorla::gui
