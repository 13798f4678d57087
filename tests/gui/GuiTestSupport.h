#pragma once
// What the window's tests share: a double of the user interaction that
// records every message instead of blocking, and a case folder in a fresh
// temporary directory with the demonstration parameter set.
#include <QMimeData>
#include <QString>
#include <QTemporaryDir>
#include <deque>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "gui/TAForm2.h"
#include "gui/UserInteraction.h"
#include "gui/widgets/MathGrid.h"
#include "paint/BarChart.h"

namespace vorla::gui::test {

// The window's controls, which it keeps to itself, for its tests.
struct FormAccess {
  static TTAForm2Controls& Of(TTAForm2& form) { return form; }
};
inline TTAForm2Controls& Controls(TTAForm2& form) {
  return FormAccess::Of(form);
}

class RecordingInteraction final : public UserInteraction {
 public:
  struct Message {
    MessageKind kind;
    QString text;
    bool duringProgress = false;  // shown while a progress was still open
  };
  std::vector<Message> messages;
  int beeps = 0;
  std::vector<QString> openedDocuments;
  bool documentsOpen = true;              // whether the desktop has a program for documents
  std::function<void()> documentFailure;  // the last document's report of a later failure
  std::vector<int> exitCodes;
  QString clipboardText;
  std::unique_ptr<QMimeData> clipboardData;  // the last data put on the clipboard
  int clipboardDataCount = 0;
  // The yes-or-no questions asked and the answer given to each.
  std::vector<QString> questions;
  bool answerYes = true;
  std::deque<bool> nextAnswers;  // answers given before answerYes, first first
  // The save dialogs shown, and the answer the next one gives.
  struct SaveDialog {
    QString title, directory, filters, preselected;
  };
  std::vector<SaveDialog> saveDialogs;
  QString saveAnswer;        // the chosen path; empty: cancelled
  QString saveAnswerFilter;  // the chosen filter; empty: the preselected one
  // Print previews shown; what runs while one is open; the PDF file the page
  // is printed to (none when empty).
  int previews = 0;
  std::function<void()> duringPreview;
  QString previewPdf;
  QString proposedPdf;  // the file the last preview proposed for printing to a file

  void ShowMessage(MessageKind kind, const QString& text) override {
    messages.push_back({kind, text, openProgress > 0});
  }
  bool AskYesNo(const QString& text) override {
    questions.push_back(text);
    if (nextAnswers.empty()) return answerYes;
    const bool answer = nextAnswers.front();
    nextAnswers.pop_front();
    return answer;
  }
  // The warnings that asked for an action: their text and actions; the
  // index each answers (the last action, cancel, when none is left).
  struct Warning {
    QString text;
    QStringList actions;
  };
  std::vector<Warning> warnings;
  std::deque<int> warningAnswers;
  int AskWarning(const QString& text, const QStringList& actions) override {
    warnings.push_back({text, actions});
    if (warningAnswers.empty()) return static_cast<int>(actions.size()) - 1;
    const int answer = warningAnswers.front();
    warningAnswers.pop_front();
    return answer;
  }
  void Beep() override { ++beeps; }
  QString SaveFileName(QWidget*, const QString& title, const QString& directory, const QString& filters,
                       QString* selectedFilter) override {
    saveDialogs.push_back({title, directory, filters, selectedFilter ? *selectedFilter : QString()});
    if (selectedFilter && !saveAnswerFilter.isEmpty()) *selectedFilter = saveAnswerFilter;
    return saveAnswer;
  }
  // Open, folder and choice dialogs: what each was asked, and the next answers
  // (empty: cancelled).
  QStringList dialogTitles;
  QString openAnswer, folderAnswer, itemAnswer;
  QStringList itemChoices;  // the items the last choice offered
  QString OpenFileName(QWidget*, const QString& title, const QString&, const QString&) override {
    dialogTitles << title;
    return openAnswer;
  }
  QString FolderName(QWidget*, const QString& title, const QString&) override {
    dialogTitles << title;
    return folderAnswer;
  }
  std::optional<QString> textAnswer;  // none: cancelled
  std::optional<QString> AskText(QWidget*, const QString& title, const QString&, const QString&) override {
    dialogTitles << title;
    return textAnswer;
  }
  QString ChooseItem(QWidget*, const QString& title, const QString&, const QStringList& items) override {
    dialogTitles << title;
    itemChoices = items;
    return itemAnswer;
  }
  // Progress shown: its text, total and the steps reported; the person stops
  // it when it reports this step (never when negative).
  struct Progress {
    QString text;
    int total = 0;
    std::vector<int> steps;
  };
  std::vector<Progress> progress;
  int openProgress = 0;  // progress shown and not yet closed
  int stopAtStep = -1;
  std::function<void(int)> duringProgress;  // runs at every step
  std::unique_ptr<WorkProgress> StartProgress(QWidget*, const QString& text, int total) override;
  void SetClipboardText(const QString& text) override { clipboardText = text; }
  void SetClipboardData(QMimeData* data) override;
  void PrintPreview(QWidget* parent, const QString& pdfPath, const std::function<void(QPrinter*)>& paint) override;
  void OpenDocument(const QString& path, const std::function<void()>& failed) override {
    openedDocuments.push_back(path);
    documentFailure = failed;
    if (!documentsOpen) failed();
  }
  void ExitProgram(int code) override { exitCodes.push_back(code); }
  // The window's own dialogs shown; what runs while one is open.
  int dialogs = 0;
  std::function<void(QDialog*)> duringDialog;
  void RunDialog(QDialog* dialog) override {
    ++dialogs;
    if (duringDialog) duringDialog(dialog);
  }

  QStringList Texts() const;
  void Clear() {
    messages.clear();
    beeps = 0;
  }
};

// One row of a case to put into a fresh table: the choices and scores by field.
struct SeedRow {
  std::string name;
  std::string sex, race, hazard;
  std::vector<std::pair<std::string, std::string>> scores;
};

// Every score field of every complex set to one text.
std::vector<std::pair<std::string, std::string>> AllScores(const std::string& low, const std::string& upper);
std::vector<std::pair<std::string, std::string>> ComplexScores(int complexIndex, const std::string& low,
                                                               const std::string& upper);

class CaseFolder {
 public:
  CaseFolder();
  // Path ending in the separator.
  const std::string& Path() const { return path_; }
  bool IsValid() const { return dir_.isValid(); }
  void Seed(const std::vector<SeedRow>& rows) const;
  // A copy of the case table and parameter file in another fresh folder.
  std::unique_ptr<CaseFolder> Copy() const;
  void WriteParameterFile(const std::string& text) const;

 private:
  QTemporaryDir dir_;
  std::string path_;
};

// The window on a case folder, shown; the notice accepted unless told not to.
struct Window {
  explicit Window(const CaseFolder& folder, bool acceptNotice = true);
  ~Window();
  RecordingInteraction ui;
  std::unique_ptr<TTAForm2> form;
};

// Imports the ten example cases into the folder with vorla-cli, as a person would.
void ImportExamples(const CaseFolder& folder);

// Every field of the stored row with this key, as text; empty when none.
std::vector<std::string> StoredRow(const std::string& folder, std::int32_t id);
int StoredRowCount(const std::string& folder);

// The text of a PDF file (pdftotext, the page laid out) and its page size
// as pdfinfo states it ("612 x 792 pts (letter)"); empty when the tool fails.
QString PdfText(const QString& path);
QString PdfPageSize(const QString& path);
// The names of the fonts a PDF uses, as pdffonts lists them.
QStringList PdfFontNames(const QString& path);

// Types into a box as a person would: press and release each character.
void TypeInto(QWidget* widget, const QString& text);

}  // namespace vorla::gui::test
