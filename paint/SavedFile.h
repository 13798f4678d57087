#pragma once
// Every file a program with Qt writes goes through QSaveFile: written under
// a temporary name beside the target and renamed over it only when every
// byte went out, so that a failure (a full disk, the program stopped) keeps
// an earlier file of that name whole and leaves no partial one.
#include <QByteArray>
#include <QIODevice>
#include <QString>
#include <functional>

namespace vorla::gui {

// `write` writes the whole file into the device; the file replaces the path
// only when the device took every byte. Throws std::runtime_error naming the
// file when it cannot be created, when `write` throws or reports a failure
// (returns false), or when a write, the flush or the rename fails.
void SaveFile(const QString& path, const std::function<bool(QIODevice& device)>& write);

// The bytes as the whole file.
void SaveFileBytes(const QString& path, const QByteArray& bytes);

}  // namespace vorla::gui
