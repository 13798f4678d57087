#pragma once
// "Age Questions...": the probability of an age threshold, the posterior
// median and interval, and the likelihood ratio for a candidate's age, for
// the current case, in words and as a plot of the posterior density with the
// ages from the threshold on shaded. It stores nothing.
#include <QDialog>
#include <QString>
#include <functional>
#include <optional>
#include <vector>

#include "params/AgeQuestionRun.h"

class QComboBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QTableWidget;

namespace vorla::gui {

class UserInteraction;

// The posterior density over 15 to 110 under its title and between its
// axes, with a dashed line at every threshold, the ages at or above the
// first one shaded, and the candidate's age drawn as a line of its own.
class PosteriorPlot final : public QWidget {
 public:
  explicit PosteriorPlot(QWidget* parent = nullptr);
  void SetPosterior(std::vector<double> density, std::vector<double> thresholds, std::optional<double> candidate,
                    QString title);
  void Clear();
  bool HasPosterior() const { return !density_.empty(); }
  std::optional<double> Threshold() const {
    return thresholds_.empty() ? std::nullopt : std::optional<double>(thresholds_.front());
  }
  const std::vector<double>& Thresholds() const { return thresholds_; }
  std::optional<double> Candidate() const { return candidate_; }
  const QString& Title() const { return title_; }

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  std::vector<double> density_;  // at the grid ages
  std::vector<double> thresholds_;
  std::optional<double> candidate_;
  QString title_;
};

class AgeQuestionsDialog final : public QDialog {
 public:
  using Ask = std::function<RowAgeAnswers(const AgeQuestionSet&)>;
  // The same questions under every mortality model, for the table beside
  // the answers; without it the table stays empty.
  using AskEveryPrior = std::function<PriorComparison(const AgeQuestionSet&)>;
  AgeQuestionsDialog(const QString& caseName, int level, Ask ask, UserInteraction& ui, QWidget* parent = nullptr,
                     AskEveryPrior askEveryPrior = {});

  QLineEdit* ThresholdEdit() const { return threshold_; }
  QLineEdit* CandidateEdit() const { return candidate_; }
  QComboBox* LevelBox() const { return level_; }
  QPushButton* AnswerButton() const { return answer_; }
  QPushButton* CopyTextButton() const { return copy_; }
  PosteriorPlot* Plot() const { return plot_; }
  // One row per mortality model: the answers under each, side by side.
  QTableWidget* PriorTable() const { return priors_; }
  // The answers as shown, one sentence a line; empty before the first answer.
  QString AnswerText() const;

  // Reads the fields and answers; a field that holds no age from 15 to 110
  // is refused with a message and nothing is computed. The threshold field
  // takes several ages, separated by commas, semicolons or blanks.
  void AnswerClick();
  void CopyTextClick();

 private:
  void FillPriorTable(const AgeQuestionSet& questions);
  // The table as tab-separated lines, its head first; empty when it is.
  QString PriorTableText() const;

  Ask ask_;
  AskEveryPrior ask_every_prior_;
  UserInteraction& ui_;
  QString case_name_;
  QLineEdit* threshold_;
  QLineEdit* candidate_;
  QComboBox* level_;
  QPushButton* answer_;
  QPushButton* copy_;
  QPlainTextEdit* answers_;
  PosteriorPlot* plot_;
  QTableWidget* priors_;
};

}  // namespace vorla::gui
