#pragma once
// The application that painting text needs in a command without a window.
#include <QGuiApplication>
#include <memory>

namespace vorla::cli {

// Made when there is none yet; without a display it paints offscreen.
std::unique_ptr<QGuiApplication> PaintingApplication(const char* argv0);

}  // namespace vorla::cli
