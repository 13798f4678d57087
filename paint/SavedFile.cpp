#include "paint/SavedFile.h"

#include <QDir>
#include <QSaveFile>
#include <stdexcept>

#include "store/PendingFile.h"

namespace vorla::gui {

void SaveFile(const QString& path, const std::function<bool(QIODevice& device)>& write) {
  const std::string shown = QDir::toNativeSeparators(path).toStdString();
  QSaveFile file(path);
  if (!file.open(QIODevice::WriteOnly)) {
    const std::string tooLong = PathLengthProblem(shown);
    if (!tooLong.empty()) throw std::runtime_error("Cannot create file \"" + shown + "\": " + tooLong + ".");
    throw std::runtime_error("Cannot create file \"" + shown + "\". " + file.errorString().toStdString());
  }
  bool written = false;
  try {
    written = write(file);
  } catch (const std::exception& e) {
    file.cancelWriting();
    throw std::runtime_error(FileWriteFailure(shown, e.what()));
  }
  // A write the device refused is remembered by it: commit() then removes the
  // temporary file and answers false.
  if (!written) file.cancelWriting();
  if (!file.commit()) throw std::runtime_error(FileWriteFailure(shown));
}

void SaveFileBytes(const QString& path, const QByteArray& bytes) {
  SaveFile(path, [&bytes](QIODevice& device) { return device.write(bytes) == bytes.size(); });
}

}  // namespace vorla::gui
