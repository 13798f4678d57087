#include "gui/AgeQuestionsDialog.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPainterPath>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QScrollBar>
#include <QTableWidget>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>

#include "gui/TAForm2.h"
#include "gui/UserInteraction.h"

namespace vorla::gui {

PosteriorPlot::PosteriorPlot(QWidget* parent) : QWidget(parent) {
  setObjectName(QStringLiteral("PosteriorPlot"));
  setMinimumSize(360, 200);
  setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
}

void PosteriorPlot::SetPosterior(std::vector<double> density, std::vector<double> thresholds,
                                 std::optional<double> candidate, QString title) {
  density_ = std::move(density);
  thresholds_ = std::move(thresholds);
  candidate_ = candidate;
  title_ = std::move(title);
  update();
}

void PosteriorPlot::Clear() {
  density_.clear();
  thresholds_.clear();
  candidate_.reset();
  title_.clear();
  update();
}

void PosteriorPlot::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.fillRect(rect(), palette().base());
  const QFontMetrics metrics(font());
  const int line = metrics.height();
  // Room for the title above, the tick labels and the axis name below and
  // to the left.
  const int left = metrics.horizontalAdvance(QStringLiteral("0.000")) + line + 10;
  const QRectF area(left, line + 10, width() - left - 14, height() - 3 * line - 24);
  if (area.width() < 10 || area.height() < 10) return;
  const auto xOf = [&](double age) {
    return area.left() + (age - AgeGridStart) / (AgeGridEnd - AgeGridStart) * area.width();
  };
  const QColor text = palette().color(QPalette::Text);

  painter.setPen(text);
  if (!title_.isEmpty()) painter.drawText(QRectF(0, 2, width(), line + 4), Qt::AlignHCenter | Qt::AlignVCenter, title_);
  painter.drawLine(area.bottomLeft(), area.bottomRight());
  painter.drawLine(area.bottomLeft(), area.topLeft());
  for (int age = 20; age <= AgeGridEnd; age += 10) {
    const double x = xOf(age);
    painter.drawLine(QPointF(x, area.bottom()), QPointF(x, area.bottom() + 4));
    const QString label = QString::number(age);
    painter.drawText(QPointF(x - metrics.horizontalAdvance(label) / 2.0, area.bottom() + 4 + metrics.ascent()), label);
  }
  painter.drawText(QRectF(area.left(), area.bottom() + line + 6, area.width(), line + 2), Qt::AlignHCenter,
                   QStringLiteral("Age at death (years, 15 to 110)"));
  painter.save();
  painter.translate(2, area.center().y());
  painter.rotate(-90);
  painter.drawText(QRectF(-area.height() / 2, 0, area.height(), line + 2), Qt::AlignHCenter,
                   QStringLiteral("Probability per year"));
  painter.restore();
  if (density_.size() != static_cast<std::size_t>(AgeGridSize)) return;

  const double peak = *std::max_element(density_.begin(), density_.end());
  if (!(peak > 0.0)) return;
  const double top = peak / 0.95;  // the density at the top of the area
  const auto yOf = [&](double d) { return area.bottom() - d / top * area.height(); };
  // Ticks of the density at a round step, about four of them.
  const double rough = top / 4.0;
  const double magnitude = std::pow(10.0, std::floor(std::log10(rough)));
  const double step = rough / magnitude >= 5 ? 5 * magnitude : rough / magnitude >= 2 ? 2 * magnitude : magnitude;
  const int decimals = std::max(0, -static_cast<int>(std::floor(std::log10(step))));
  for (int k = 0; k * step <= top * (1 + 1e-9); ++k) {
    const double y = yOf(k * step);
    painter.drawLine(QPointF(area.left() - 4, y), QPointF(area.left(), y));
    const QString label = QString::number(k * step, 'f', decimals);
    painter.drawText(QPointF(area.left() - 6 - metrics.horizontalAdvance(label), y + metrics.ascent() / 2.0 - 1),
                     label);
  }
  const auto densityAt = [&](double age) {
    const double y = std::clamp((age - AgeGridStart) / AgeGridStep, 0.0, AgeGridSize - 1.0);
    const int i = std::min(static_cast<int>(y), AgeGridSize - 2);
    return density_[static_cast<std::size_t>(i)] +
           (density_[static_cast<std::size_t>(i) + 1] - density_[static_cast<std::size_t>(i)]) * (y - i);
  };

  painter.setRenderHint(QPainter::Antialiasing);
  const QColor highlight = palette().color(QPalette::Highlight);
  if (!thresholds_.empty()) {
    // The share at or above the first threshold, shaded under the curve.
    const double first = thresholds_.front();
    QPainterPath shade;
    shade.moveTo(xOf(first), area.bottom());
    shade.lineTo(xOf(first), yOf(densityAt(first)));
    for (int i = 0; i < AgeGridSize; ++i)
      if (GridAge(i) > first) shade.lineTo(xOf(GridAge(i)), yOf(density_[static_cast<std::size_t>(i)]));
    shade.lineTo(xOf(AgeGridEnd), area.bottom());
    shade.closeSubpath();
    QColor fill = highlight;
    fill.setAlpha(90);
    painter.fillPath(shade, fill);
  }
  for (double t : thresholds_) {
    painter.setPen(QPen(highlight, 1, Qt::DashLine));
    painter.drawLine(QPointF(xOf(t), area.top()), QPointF(xOf(t), area.bottom()));
    painter.drawText(QPointF(xOf(t) + 3, area.top() + metrics.ascent()), QString::fromStdString(AgeText(t)));
  }
  QPainterPath curve;
  for (int i = 0; i < AgeGridSize; ++i) {
    const QPointF p(xOf(GridAge(i)), yOf(density_[static_cast<std::size_t>(i)]));
    if (i == 0)
      curve.moveTo(p);
    else
      curve.lineTo(p);
  }
  painter.setPen(QPen(text, 2));
  painter.drawPath(curve);
  if (candidate_) {
    const QColor mark(200, 30, 30);
    painter.setPen(QPen(mark, 2));
    const double x = xOf(*candidate_);
    painter.drawLine(QPointF(x, area.top() + line), QPointF(x, area.bottom()));
    const QString label = QStringLiteral("candidate ") + QString::fromStdString(AgeText(*candidate_));
    const double width = metrics.horizontalAdvance(label);
    const double at = x + 4 + width > area.right() ? x - 4 - width : x + 4;
    painter.drawText(QPointF(at, area.top() + line + metrics.ascent()), label);
  }
}

AgeQuestionsDialog::AgeQuestionsDialog(const QString& caseName, int level, Ask ask, UserInteraction& ui,
                                       QWidget* parent, AskEveryPrior askEveryPrior)
    : QDialog(parent), ask_(std::move(ask)), ask_every_prior_(std::move(askEveryPrior)), ui_(ui), case_name_(caseName) {
  setObjectName(QStringLiteral("AgeQuestionsDialog"));
  setWindowTitle(QStringLiteral("Age Questions \u2013 ") + caseName);
  threshold_ = new QLineEdit(QStringLiteral("18"), this);
  threshold_->setObjectName(QStringLiteral("ThresholdEdit"));
  threshold_->setToolTip(
      QStringLiteral("Ages from 15 to 110, separated by commas: the probability that the person was this old or "
                     "older, and younger"));
  candidate_ = new QLineEdit(this);
  candidate_->setObjectName(QStringLiteral("CandidateAgeEdit"));
  candidate_->setPlaceholderText(QStringLiteral("none"));
  candidate_->setToolTip(QStringLiteral("The documented age of a missing person: the likelihood ratio for that age"));
  level_ = new QComboBox(this);
  level_->addItems({QStringLiteral("90"), QStringLiteral("95"), QStringLiteral("99")});
  level_->setCurrentText(QString::number(level));
  answer_ = new QPushButton(QStringLiteral("&Answer"), this);
  answer_->setDefault(true);
  copy_ = new QPushButton(QStringLiteral("&Copy Text"), this);
  answers_ = new QPlainTextEdit(this);
  answers_->setReadOnly(true);
  answers_->setObjectName(QStringLiteral("AnswersText"));
  plot_ = new PosteriorPlot(this);
  priors_ = new QTableWidget(this);
  priors_->setObjectName(QStringLiteral("PriorTable"));
  priors_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  priors_->verticalHeader()->hide();
  priors_->setToolTip(QStringLiteral("The same questions under each mortality model the case could choose"));

  auto* form = new QFormLayout;
  form->addRow(QStringLiteral("&Threshold ages (years):"), threshold_);
  form->addRow(QStringLiteral("Ca&ndidate age (years):"), candidate_);
  form->addRow(QStringLiteral("&Interval level (%):"), level_);
  auto* buttons = new QHBoxLayout;
  buttons->addWidget(answer_);
  buttons->addWidget(copy_);
  buttons->addStretch();
  auto* close = new QDialogButtonBox(QDialogButtonBox::Close, this);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(form);
  layout->addLayout(buttons);
  layout->addWidget(answers_);
  layout->addWidget(new QLabel(QStringLiteral("Under each mortality prior:"), this));
  layout->addWidget(priors_);
  layout->addWidget(plot_, 1);
  layout->addWidget(close);
  connect(answer_, &QPushButton::clicked, this, &AgeQuestionsDialog::AnswerClick);
  connect(copy_, &QPushButton::clicked, this, &AgeQuestionsDialog::CopyTextClick);
  connect(close, &QDialogButtonBox::rejected, this, &QDialog::reject);
  resize(820, 760);
}

QString AgeQuestionsDialog::AnswerText() const {
  return answers_->toPlainText();
}

void AgeQuestionsDialog::AnswerClick() {
  AgeQuestionSet questions;
  questions.level = level_->currentText().toInt();
  static const QRegularExpression separators(QStringLiteral("[,;\\s]+"));
  for (const QString& thresholdText : threshold_->text().split(separators, Qt::SkipEmptyParts)) {
    const std::optional<double> threshold = ReadAskableAge(thresholdText.toStdString());
    if (!threshold) {
      ui_.ShowMessage(
          MessageKind::Error,
          QStringLiteral("The threshold must be an age from 15 to 110 years, not \"%1\".").arg(thresholdText));
      return;
    }
    questions.thresholds.push_back(*threshold);
  }
  const QString candidateText = candidate_->text().trimmed();
  if (!candidateText.isEmpty()) {
    questions.candidateAge = ReadAskableAge(candidateText.toStdString());
    if (!questions.candidateAge) {
      ui_.ShowMessage(
          MessageKind::Error,
          QStringLiteral("The candidate age must be an age from 15 to 110 years, not \"%1\".").arg(candidateText));
      return;
    }
  }
  const RowAgeAnswers r = ask_(questions);
  QStringList lines;
  for (const std::string& line : AnswerSentences(r, questions)) lines << QString::fromStdString(line);
  answers_->setPlainText(lines.join(QLatin1Char('\n')));
  if (r.answers)
    plot_->SetPosterior(
        std::vector<double>(r.answers->posterior.density.begin(), r.answers->posterior.density.end()),
        questions.thresholds, questions.candidateAge,
        QStringLiteral("Age at death of %1 under the %2 prior").arg(case_name_, QString::fromStdString(r.priorName)));
  else
    plot_->Clear();
  FillPriorTable(questions);
}

void AgeQuestionsDialog::FillPriorTable(const AgeQuestionSet& questions) {
  priors_->clear();
  priors_->setRowCount(0);
  priors_->setColumnCount(0);
  if (!ask_every_prior_) return;
  const PriorComparison comparison = ask_every_prior_(questions);
  if (comparison.answers.empty()) return;  // the answers above say why
  const std::vector<std::vector<std::string>> table = PriorComparisonTable(comparison, questions);
  const std::vector<std::string>& head = table.front();
  priors_->setColumnCount(static_cast<int>(head.size()));
  priors_->setRowCount(static_cast<int>(table.size()) - 1);
  QStringList labels;
  for (const std::string& h : head) labels << QString::fromStdString(h);
  priors_->setHorizontalHeaderLabels(labels);
  for (std::size_t r = 1; r < table.size(); ++r) {
    const std::vector<std::string>& row = table[r];
    for (std::size_t c = 0; c < row.size(); ++c)
      priors_->setItem(static_cast<int>(r) - 1, static_cast<int>(c),
                       new QTableWidgetItem(QString::fromStdString(row[c])));
    // A model without answers: its message across the row.
    if (row.size() < head.size()) priors_->setSpan(static_cast<int>(r) - 1, 1, 1, static_cast<int>(head.size()) - 1);
  }
  priors_->resizeColumnsToContents();
  int height = priors_->horizontalHeader()->height() + 2 * priors_->frameWidth();
  for (int r = 0; r < priors_->rowCount(); ++r) height += priors_->rowHeight(r);
  // Room for the scroll bar a narrow window shows under the columns.
  priors_->setFixedHeight(height + priors_->horizontalScrollBar()->sizeHint().height());
}

QString AgeQuestionsDialog::PriorTableText() const {
  if (priors_->rowCount() == 0) return {};
  QStringList lines, head;
  for (int c = 0; c < priors_->columnCount(); ++c) head << priors_->horizontalHeaderItem(c)->text();
  lines << head.join(QLatin1Char('\t'));
  for (int r = 0; r < priors_->rowCount(); ++r) {
    QStringList cells;
    for (int c = 0; c < priors_->columnCount(); ++c)
      if (const QTableWidgetItem* item = priors_->item(r, c)) cells << item->text();
    lines << cells.join(QLatin1Char('\t'));
  }
  return lines.join(QLatin1Char('\n'));
}

void AgeQuestionsDialog::CopyTextClick() {
  if (AnswerText().isEmpty()) return;
  QString text = QStringLiteral("Case ") + case_name_ + QStringLiteral(":\n") + AnswerText() + QLatin1Char('\n');
  const QString table = PriorTableText();
  if (!table.isEmpty()) text += QStringLiteral("\nUnder each mortality prior:\n") + table + QLatin1Char('\n');
  ui_.SetClipboardText(text);
}

void TTAForm2::AgeQuestionsClick() {
  if (!TATable.IsOpen()) return;
  const QString name = QString::fromStdString(DataSourceSkeleton.FieldAsText("SKELETON_NAME"));
  const AgeQuestionsDialog::Ask ask = [this](const AgeQuestionSet& questions) {
    std::shared_ptr<const CheckedParameters> parameters;
    try {
      parameters = CheckedParameterSet();
    } catch (const std::exception&) {
      // The run reads the file itself and says why it cannot.
    }
    return AskAboutRow(DataSourceSkeleton, CheckBoxSelection(), ParameterFilePath, parameters, questions);
  };
  const AgeQuestionsDialog::AskEveryPrior askEveryPrior = [this](const AgeQuestionSet& questions) {
    std::shared_ptr<const CheckedParameters> parameters;
    try {
      parameters = CheckedParameterSet();
    } catch (const std::exception&) {
    }
    return AskUnderEveryPrior(DataSourceSkeleton, CheckBoxSelection(), ParameterFilePath, parameters, questions);
  };
  AgeQuestionsDialog dialog(name, CurrentLevel(), ask, ui_, this, askEveryPrior);
  dialog.AnswerClick();
  ui_.RunDialog(&dialog);
}

}  // namespace vorla::gui
