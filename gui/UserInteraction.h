#pragma once
// Everything through which the window speaks to the person or the desktop
// beyond its own widgets: message boxes, the beep, the blocking pause, the
// save dialog, the clipboard, the document opener and ending the program.
// The window holds one of these; tests give it a double that records the
// calls and returns prepared answers instead of blocking on a modal box.
#include <QString>
#include <QStringList>
#include <functional>
#include <memory>
#include <optional>

class QDialog;
class QMimeData;
class QPrintPreviewDialog;
class QPrinter;
class QWidget;

namespace vorla::gui {

enum class MessageKind {
  Error,         // refused input, failures: an error box with one OK button
  Information,   // an information box with one OK button
  Warning,       // done, but not all of it: a warning box with one OK button
  Confirmation,  // a confirmation-type box with one OK button
  Plain,         // no icon, one OK button, titled with the application title
};

// A long piece of work in steps, shown with its progress while it lives.
class WorkProgress {
 public:
  virtual ~WorkProgress() = default;
  // Shows that `done` steps are done and lets the window answer in between;
  // false once the person asked to stop.
  virtual bool Advance(int done) = 0;
};

class UserInteraction {
 public:
  virtual ~UserInteraction() = default;

  // Shows a modal box with one OK button and returns when it is closed.
  virtual void ShowMessage(MessageKind kind, const QString& text) = 0;
  // Asks a yes-or-no question (titled with the application title); true for yes.
  virtual bool AskYesNo(const QString& text) = 0;
  // Warns and asks which of the actions to take, one button each; the last
  // is the cancel button (also Esc). Returns the index of the one chosen.
  virtual int AskWarning(const QString& text, const QStringList& actions) = 0;
  virtual void Beep() = 0;
  // The chosen path, or empty when the person cancels. selectedFilter is in
  // and out: the preselected filter and the one chosen.
  virtual QString SaveFileName(QWidget* parent, const QString& title, const QString& directory, const QString& filters,
                               QString* selectedFilter) = 0;
  // The chosen existing file, or empty when the person cancels.
  virtual QString OpenFileName(QWidget* parent, const QString& title, const QString& directory,
                               const QString& filters) = 0;
  // The chosen folder, or empty when the person cancels.
  virtual QString FolderName(QWidget* parent, const QString& title, const QString& directory) = 0;
  // One of the items, or empty when the person cancels.
  virtual QString ChooseItem(QWidget* parent, const QString& title, const QString& label, const QStringList& items) = 0;
  // A line of text, starting from `text`; none when the person cancels.
  virtual std::optional<QString> AskText(QWidget* parent, const QString& title, const QString& label,
                                         const QString& text) = 0;
  // Progress of `total` steps, with a way to stop; the window takes no other
  // input while it is shown.
  virtual std::unique_ptr<WorkProgress> StartProgress(QWidget* parent, const QString& text, int total) = 0;
  virtual void SetClipboardText(const QString& text) = 0;
  // Takes ownership of the data.
  virtual void SetClipboardData(QMimeData* data) = 0;
  // Shows a print preview of a US Letter page with margins of 12.7 mm;
  // paint draws the page onto the printer it is given; printing to a file
  // proposes pdfPath. Returns when closed.
  virtual void PrintPreview(QWidget* parent, const QString& pdfPath, const std::function<void(QPrinter*)>& paint) = 0;
  // Hands a file to the desktop's program for it; failed runs, at once or
  // later, when no program could be started for it or that program failed.
  virtual void OpenDocument(const QString& path, const std::function<void()>& failed) = 0;
  // Ends the program's event loop with the code (the window closes first).
  virtual void ExitProgram(int code) = 0;
  // Shows one of the window's own dialogs modally and returns when it is closed.
  virtual void RunDialog(QDialog* dialog) = 0;
};

// The real thing: Qt message boxes, QApplication::beep, the clipboard,
// QDesktopServices.
class DesktopInteraction final : public UserInteraction {
 public:
  explicit DesktopInteraction(QWidget* owner = nullptr) : owner_(owner) {}
  void SetOwner(QWidget* owner) { owner_ = owner; }

  void ShowMessage(MessageKind kind, const QString& text) override;
  bool AskYesNo(const QString& text) override;
  int AskWarning(const QString& text, const QStringList& actions) override;
  void Beep() override;
  QString SaveFileName(QWidget* parent, const QString& title, const QString& directory, const QString& filters,
                       QString* selectedFilter) override;
  QString OpenFileName(QWidget* parent, const QString& title, const QString& directory,
                       const QString& filters) override;
  QString FolderName(QWidget* parent, const QString& title, const QString& directory) override;
  QString ChooseItem(QWidget* parent, const QString& title, const QString& label, const QStringList& items) override;
  std::optional<QString> AskText(QWidget* parent, const QString& title, const QString& label,
                                 const QString& text) override;
  std::unique_ptr<WorkProgress> StartProgress(QWidget* parent, const QString& text, int total) override;
  void SetClipboardText(const QString& text) override;
  void SetClipboardData(QMimeData* data) override;
  void PrintPreview(QWidget* parent, const QString& pdfPath, const std::function<void(QPrinter*)>& paint) override;
  void OpenDocument(const QString& path, const std::function<void()>& failed) override;
  void ExitProgram(int code) override;
  void RunDialog(QDialog* dialog) override;

 private:
  QWidget* owner_;
};

// Printing to a file proposes this PDF file; a printer chosen in the print
// dialog still prints on paper.
void ProposePdfFile(QPrinter& printer, const QString& pdfPath);
// A preview large enough to read its page: the page's real width where the
// screen has room for it, the page fitted to the width.
void SizePreviewForReading(QPrintPreviewDialog& dialog);

}  // namespace vorla::gui
