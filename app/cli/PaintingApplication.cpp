#include "app/cli/PaintingApplication.h"

#include <cstdio>

namespace vorla::cli {

std::unique_ptr<QGuiApplication> PaintingApplication(const char* argv0) {
  if (QGuiApplication::instance()) return nullptr;
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  // Qt's notice that it made its own runtime folder says nothing to the user.
  qInstallMessageHandler([](QtMsgType type, const QMessageLogContext& context, const QString& message) {
    if (message.startsWith(QStringLiteral("QStandardPaths: XDG_RUNTIME_DIR"))) return;
    std::fprintf(stderr, "%s\n", qPrintable(qFormatLogMessage(type, context, message)));
  });
  static int argc = 1;
  static char* argv[] = {const_cast<char*>(argv0), nullptr};
  return std::make_unique<QGuiApplication>(argc, argv);
}

}  // namespace vorla::cli
