#include "gui/UserInteraction.h"

#include <QApplication>
#include <QClipboard>
#include <QDesktopServices>
#include <QFileDialog>
#include <QMessageBox>
#include <QMimeData>
#include <QPageLayout>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QThread>
#include <QUrl>

#include "gui/report/CaseReport.h"

namespace vorla::gui {

void DesktopInteraction::ShowMessage(MessageKind kind, const QString& text) {
  QMessageBox::Icon icon = QMessageBox::NoIcon;
  QString title = QApplication::applicationDisplayName();
  switch (kind) {
    case MessageKind::Error:
      icon = QMessageBox::Critical;
      title = QStringLiteral("Error");
      break;
    case MessageKind::Information:
      icon = QMessageBox::Information;
      title = QStringLiteral("Information");
      break;
    case MessageKind::Confirmation:
      icon = QMessageBox::Question;
      title = QStringLiteral("Confirm");
      break;
    case MessageKind::Plain:
      break;
  }
  QMessageBox box(icon, title, text, QMessageBox::Ok, owner_);
  box.exec();
}

bool DesktopInteraction::AskYesNo(const QString& text) {
  return QMessageBox::question(owner_, QApplication::applicationDisplayName(), text,
                               QMessageBox::Yes | QMessageBox::No, QMessageBox::No) == QMessageBox::Yes;
}

void DesktopInteraction::Beep() { QApplication::beep(); }

void DesktopInteraction::Sleep(int milliseconds) { QThread::msleep(static_cast<unsigned long>(milliseconds)); }

QString DesktopInteraction::SaveFileName(QWidget* parent, const QString& title, const QString& directory,
                                         const QString& filters, QString* selectedFilter) {
  return QFileDialog::getSaveFileName(parent, title, directory, filters, selectedFilter);
}

void DesktopInteraction::SetClipboardText(const QString& text) { QApplication::clipboard()->setText(text); }

void DesktopInteraction::SetClipboardData(QMimeData* data) { QApplication::clipboard()->setMimeData(data); }

void DesktopInteraction::PrintPreview(QWidget* parent, const std::function<void(QPrinter*)>& paint) {
  QPrinter printer(QPrinter::HighResolution);
  printer.setPageLayout(ReportPageLayout());
  QPrintPreviewDialog dialog(&printer, parent);
  QObject::connect(&dialog, &QPrintPreviewDialog::paintRequested, &dialog, [&](QPrinter* p) { paint(p); });
  dialog.exec();
}

bool DesktopInteraction::OpenDocument(const QString& path) {
  return QDesktopServices::openUrl(QUrl::fromLocalFile(path));
}

void DesktopInteraction::ExitProgram(int code) { QApplication::exit(code); }

}  // namespace vorla::gui
