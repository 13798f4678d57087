#include "gui/UserInteraction.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QDesktopServices>
#include <QDialog>
#include <QFileDialog>
#include <QFileInfo>
#include <QInputDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QMimeData>
#include <QPageLayout>
#include <QPrintPreviewDialog>
#include <QPrintPreviewWidget>
#include <QPrinter>
#include <QProcess>
#include <QProgressDialog>
#include <QPushButton>
#include <QScreen>
#include <QStandardPaths>
#include <QUrl>
#include <algorithm>
#include <vector>

#include "paint/CaseReport.h"

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
    case MessageKind::Warning:
      icon = QMessageBox::Warning;
      title = QStringLiteral("Warning");
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
  return QMessageBox::question(owner_, QApplication::applicationDisplayName(), text, QMessageBox::Yes | QMessageBox::No,
                               QMessageBox::No) == QMessageBox::Yes;
}

int DesktopInteraction::AskWarning(const QString& text, const QStringList& actions) {
  QMessageBox box(QMessageBox::Warning, QStringLiteral("Warning"), text, QMessageBox::NoButton, owner_);
  std::vector<QAbstractButton*> buttons;
  for (qsizetype i = 0; i < actions.size(); ++i)
    buttons.push_back(box.addButton(actions[i], i + 1 == actions.size() ? QMessageBox::RejectRole
                                                : i == 0                ? QMessageBox::AcceptRole
                                                                        : QMessageBox::ActionRole));
  if (!buttons.empty()) {
    box.setDefaultButton(qobject_cast<QPushButton*>(buttons.front()));
    box.setEscapeButton(buttons.back());
  }
  box.exec();
  const auto chosen = std::find(buttons.begin(), buttons.end(), box.clickedButton());
  return chosen == buttons.end() ? static_cast<int>(actions.size()) - 1 : static_cast<int>(chosen - buttons.begin());
}

void DesktopInteraction::Beep() {
  QApplication::beep();
}

QString DesktopInteraction::SaveFileName(QWidget* parent, const QString& title, const QString& directory,
                                         const QString& filters, QString* selectedFilter) {
  return QFileDialog::getSaveFileName(parent, title, directory, filters, selectedFilter);
}

QString DesktopInteraction::OpenFileName(QWidget* parent, const QString& title, const QString& directory,
                                         const QString& filters) {
  return QFileDialog::getOpenFileName(parent, title, directory, filters);
}

QString DesktopInteraction::FolderName(QWidget* parent, const QString& title, const QString& directory) {
  return QFileDialog::getExistingDirectory(parent, title, directory);
}

QString DesktopInteraction::ChooseItem(QWidget* parent, const QString& title, const QString& label,
                                       const QStringList& items) {
  bool chosen = false;
  const QString item = QInputDialog::getItem(parent, title, label, items, 0, false, &chosen);
  return chosen ? item : QString();
}

std::optional<QString> DesktopInteraction::AskText(QWidget* parent, const QString& title, const QString& label,
                                                   const QString& text) {
  bool given = false;
  const QString answer = QInputDialog::getText(parent, title, label, QLineEdit::Normal, text, &given);
  return given ? std::optional<QString>(answer) : std::nullopt;
}

namespace {

class DialogProgress final : public WorkProgress {
 public:
  DialogProgress(QWidget* parent, const QString& text, int total)
      : dialog_(text, QStringLiteral("Cancel"), 0, total, parent) {
    dialog_.setWindowModality(Qt::WindowModal);
    dialog_.setMinimumDuration(300);
    dialog_.setAutoReset(false);
    dialog_.setValue(0);
  }
  bool Advance(int done) override {
    dialog_.setValue(done);
    // A window-modal dialog lets the events through only while it is shown.
    QCoreApplication::processEvents();
    return !dialog_.wasCanceled();
  }

 private:
  QProgressDialog dialog_;
};

}  // namespace

std::unique_ptr<WorkProgress> DesktopInteraction::StartProgress(QWidget* parent, const QString& text, int total) {
  return std::make_unique<DialogProgress>(parent, text, total);
}

void DesktopInteraction::SetClipboardText(const QString& text) {
  QApplication::clipboard()->setText(text);
}

void DesktopInteraction::SetClipboardData(QMimeData* data) {
  QApplication::clipboard()->setMimeData(data);
}

void ProposePdfFile(QPrinter& printer, const QString& pdfPath) {
  const QPrinter::OutputFormat format = printer.outputFormat();
  printer.setDocName(QFileInfo(pdfPath).completeBaseName());
  // The name of a PDF file turns the printer into a PDF writer; where it was
  // a real printer it stays one, and the print dialog offers the name for
  // "Print to File".
  printer.setOutputFileName(pdfPath);
  if (format == QPrinter::NativeFormat) printer.setOutputFormat(QPrinter::NativeFormat);
}

void SizePreviewForReading(QPrintPreviewDialog& dialog) {
  const QScreen* screen = dialog.screen() ? dialog.screen() : QGuiApplication::primaryScreen();
  if (!screen) return;
  const QRect room = screen->availableGeometry();
  const QPrinter* printer = dialog.printer();
  const double pageInches = printer ? printer->pageLayout().fullRect(QPageLayout::Inch).width() : 8.5;
  // The page at its real width, with room for the frame, the margins around
  // the page and the scroll bar.
  const int wanted = static_cast<int>(pageInches * screen->logicalDotsPerInchX()) + 120;
  const QSize size(qMin(wanted, room.width() * 95 / 100), room.height() * 92 / 100);
  dialog.resize(size);
  dialog.move(room.center() - QPoint(size.width() / 2, size.height() / 2));
  // Through the dialog's own action where it has one, so that its tool bar shows the choice.
  if (auto* fitWidth = dialog.findChild<QAction*>(QStringLiteral("fitWidthAction")))
    fitWidth->trigger();
  else if (auto* preview = dialog.findChild<QPrintPreviewWidget*>())
    preview->setZoomMode(QPrintPreviewWidget::FitToWidth);
}

void DesktopInteraction::PrintPreview(QWidget* parent, const QString& pdfPath,
                                      const std::function<void(QPrinter*)>& paint) {
  QPrinter printer(QPrinter::HighResolution);
  printer.setPageLayout(ReportPageLayout());
  ProposePdfFile(printer, pdfPath);
  QPrintPreviewDialog dialog(&printer, parent);
  QObject::connect(&dialog, &QPrintPreviewDialog::paintRequested, &dialog, [&](QPrinter* p) { paint(p); });
  SizePreviewForReading(dialog);
  dialog.exec();
}

void DesktopInteraction::OpenDocument(const QString& path, const std::function<void()>& failed) {
#if defined(Q_OS_UNIX) && !defined(Q_OS_MACOS) && !defined(Q_OS_ANDROID)
  // The desktop's opener: without it Qt's own attempt fails silently on some
  // desktops, and with it a document for which no program is found fails
  // only after the call has returned. Both are reported.
  const QString opener = QStandardPaths::findExecutable(QStringLiteral("xdg-open"));
  if (opener.isEmpty()) {
    failed();
    return;
  }
  auto* process = new QProcess(qApp);
  process->setStandardOutputFile(QProcess::nullDevice());
  process->setStandardErrorFile(QProcess::nullDevice());
  QObject::connect(process, &QProcess::finished, process, [process, failed](int code, QProcess::ExitStatus status) {
    if (status != QProcess::NormalExit || code != 0) failed();
    process->deleteLater();
  });
  QObject::connect(process, &QProcess::errorOccurred, process, [process, failed](QProcess::ProcessError error) {
    if (error != QProcess::FailedToStart) return;
    failed();
    process->deleteLater();
  });
  process->start(opener, {path});
#else
  if (!QDesktopServices::openUrl(QUrl::fromLocalFile(path))) failed();
#endif
}

void DesktopInteraction::ExitProgram(int code) {
  QApplication::exit(code);
}

void DesktopInteraction::RunDialog(QDialog* dialog) {
  dialog->exec();
}

}  // namespace vorla::gui
