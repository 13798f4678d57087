// The results summary: the p-value labels of the summary panel, the results
// grid (its fill from the stored row, the painting of its cells, its click)
// and the copy of the grid as text.
#include <QButtonGroup>
#include <QLocale>
#include <QPainter>
#include <QPushButton>
#include <QStyledItemDelegate>
#include <QTableWidget>
#include <algorithm>
#include <array>

#include "gui/TAForm2.h"
#include "gui/widgets/DbLabel.h"
#include "params/CaseRun.h"
#include "store/DisplayFormat.h"

namespace vorla::gui {

namespace {

const QColor PanelGrey(225, 225, 225);

// The system's decimal separator in place of the point.
QString LocalDecimals(QString text) {
  const QString point = QLocale().decimalPoint();
  if (point != QStringLiteral(".")) text.replace(QLatin1Char('.'), point);
  return text;
}

// A number in a picture format such as "0.0"; an empty field gives an empty text.
QString Formatted(const CaseRow& row, const std::string& field, const char* format) {
  if (row.FieldIsNull(field)) return {};
  return LocalDecimals(QString::fromStdString(FormatFloat(format, row.FieldAsFloat(field))));
}

// A number in the general format, up to 15 significant digits; an empty field gives an empty text.
QString AsText(const CaseRow& row, const std::string& field) {
  if (row.FieldIsNull(field)) return {};
  return LocalDecimals(QString::number(row.FieldAsFloat(field), 'g', 15));
}

// Hands the painting of every cell to the window's cell painter.
class ResultsGridDelegate final : public QStyledItemDelegate {
 public:
  ResultsGridDelegate(TTAForm2* form, QObject* parent) : QStyledItemDelegate(parent), form_(form) {}
  void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override {
    painter->save();
    form_->NumResultsGridDrawCell(*painter, index.column(), index.row(), option.rect,
                                  option.state.testFlag(QStyle::State_Selected));
    painter->restore();
  }

 private:
  TTAForm2* form_;
};

}  // namespace

void TTAForm2::ConnectResultsGrid() {
  NumResultsGrid->setItemDelegate(new ResultsGridDelegate(this, NumResultsGrid));
  NumResultsGrid->setSelectionMode(QAbstractItemView::ContiguousSelection);
  connect(NumResultsGrid, &QTableWidget::cellClicked, this, [this] { Guarded([this] { NumResultsGridClick(); }); });
}

void TTAForm2::ProbabilityRGClick() { BitBtnCalculate->click(); }

void TTAForm2::FormatpVal(DbLabel* label) {
  label->show();
  QPalette palette = label->palette();
  palette.setColor(QPalette::WindowText, Qt::black);
  palette.setColor(QPalette::Window, PanelGrey);
  if (!DataSourceSkeleton.FieldIsNull(label->FieldName())) {
    const double p = DataSourceSkeleton.FieldAsFloat(label->FieldName());
    if (p < 0) {
      label->hide();
    } else if (p <= 0.02) {
      palette.setColor(QPalette::WindowText, Qt::red);
      palette.setColor(QPalette::Window, Qt::yellow);
    }
  }
  label->setPalette(palette);
  label->setAutoFillBackground(true);
}

QString TTAForm2::ResultCell(int column, int row) const {
  const QTableWidgetItem* item = NumResultsGrid->item(row, column);
  return item ? item->text() : QString();
}

void TTAForm2::SetNumResultsRowCount(int rows) {
  num_results_rows_ = std::clamp(rows, 1, NumResultsGrid->rowCount());
  // The rows beyond the count keep their texts for when the count grows again.
  for (int r = 0; r < NumResultsGrid->rowCount(); ++r) NumResultsGrid->setRowHidden(r, r >= num_results_rows_);
}

void TTAForm2::FillResultsGrid() {
  CaseRow& row = DataSourceSkeleton;
  const auto set = [this](int column, int r, const QString& text) {
    QTableWidgetItem* item = NumResultsGrid->item(r, column);
    if (!item) {
      item = new QTableWidgetItem;
      NumResultsGrid->setItem(r, column, item);
    }
    item->setText(text);
  };
  const auto limits = [&](int r, const std::string& prefix) {
    set(1, r, Formatted(row, prefix + "LOW95P_CONF", "0.0"));
    set(2, r, Formatted(row, prefix + "MAX_LIKELIHOOD", "0.0"));
    set(3, r, Formatted(row, prefix + "UPPER95P_CONF", "0.0"));
  };

  set(0, 0, QString::fromStdString(row.FieldAsText("SKELETON_NAME")));
  for (int r = 1; r <= 5; ++r)
    for (int c = 1; c <= 6; ++c) set(c, r, QString());

  set(0, 1, QStringLiteral("Corrected"));
  limits(1, "RES_ALLCOR_");
  for (int c = 4; c <= 6; ++c) set(c, 1, QStringLiteral(" -"));

  // The corrections of the stored probabilities are the row's own rules
  // (shared with the headless tool): a combined p of -1 is emptied, and a
  // selected complex with results but no p gets 1, shown as "1".
  ComplexSelection selection;
  selection.UseCranialData = UseCranialData;
  selection.UsePubicData = UsePubicData;
  selection.UseAuricularData = UseAuricularData;
  std::array<bool, 3> pSetToOne{};
  for (int i = 0; i < 3; ++i) {
    const std::string prefix = KnownComplexes()[static_cast<std::size_t>(i)].resultPrefix;
    pSetToOne[static_cast<std::size_t>(i)] = SelectionFlag(selection, i) &&
                                             !row.FieldIsNull(prefix + "MAX_LIKELIHOOD") &&
                                             row.FieldIsNull(prefix + "CHI2_P");
  }
  const bool combinedWasMinusOne = !row.FieldIsNull("RES_ALL_CHI2_P") && row.FieldAsFloat("RES_ALL_CHI2_P") == -1.0;
  CorrectProbabilities(row, selection);

  set(0, 2, QStringLiteral("Uncorrected"));
  limits(2, "RES_ALL_");
  set(4, 2, AsText(row, "RES_ALL_DEGFREE"));
  set(5, 2, AsText(row, "RES_ALL_CHI2"));
  if (combinedWasMinusOne) {
    QPalette palette = pvaluncorr->palette();
    palette.setColor(QPalette::WindowText, Qt::black);
    palette.setColor(QPalette::Window, PanelGrey);
    pvaluncorr->setPalette(palette);
  }
  const bool combinedP = !row.FieldIsNull("RES_ALL_CHI2_P") && row.FieldAsFloat("RES_ALL_CHI2_P") > -1e-13;
  set(6, 2, combinedP ? Formatted(row, "RES_ALL_CHI2_P", "0.00") : QStringLiteral(" -"));

  int r = 2;
  for (int i = 0; i < 3; ++i) {
    if (!SelectionFlag(selection, i)) continue;
    ++r;
    const ComplexPairs& complex = KnownComplexes()[static_cast<std::size_t>(i)];
    const std::string prefix = complex.resultPrefix;
    set(0, r, QString::fromLatin1(complex.displayName));
    // A complex without results (no scores in this row) keeps empty cells.
    if (row.FieldIsNull(prefix + "MAX_LIKELIHOOD")) continue;
    limits(r, prefix);
    set(4, r, AsText(row, prefix + "DEGFREE"));
    const bool freedom = !row.FieldIsNull(prefix + "DEGFREE") && row.FieldAsFloat(prefix + "DEGFREE") > 0;
    set(5, r, freedom ? AsText(row, prefix + "CHI2") : QStringLiteral(" - "));
    set(6, r, pSetToOne[static_cast<std::size_t>(i)] ? QStringLiteral("1") : Formatted(row, prefix + "CHI2_P", "0.00"));
  }
  NumResultsGrid->viewport()->update();
}

void TTAForm2::NumResultsGridDrawCell(QPainter& painter, int column, int row, const QRect& rect, bool selected) {
  const QString text = ResultCell(column, row);
  const bool fixed = column == 0 || row == 0;
  const QPalette& palette = NumResultsGrid->palette();
  QColor background = fixed ? palette.color(QPalette::Button) : palette.color(QPalette::Base);
  QColor foreground = fixed ? palette.color(QPalette::ButtonText) : QColor(Qt::black);
  if (selected && !fixed) {
    background = palette.color(QPalette::Highlight);
    foreground = palette.color(QPalette::HighlightedText);
  }
  painter.setFont(NumResultsGrid->font());
  painter.setClipRect(rect);
  // The usual look: the text at the left, 2 pixels from the left and top edges.
  painter.fillRect(rect, background);
  painter.setPen(foreground);
  painter.drawText(rect.adjusted(2, 2, 0, 0), Qt::AlignLeft | Qt::AlignTop, text);

  // Probabilities below 0.025 are red on yellow; " -" and texts that are no number are not.
  if (column == 6 && row > 0 && !text.isEmpty() && !text.startsWith(QLatin1Char(' '))) {
    bool ok = false;
    const double p = QLocale().toDouble(text, &ok);
    if (ok && p < 0.025) {
      foreground = Qt::red;
      background = Qt::yellow;
    }
  }
  // Every column but the first: the text once more, centred on the middle of the cell.
  if (column > 0) {
    painter.fillRect(rect, background);
    painter.setPen(foreground);
    const int width = painter.fontMetrics().horizontalAdvance(text);
    const int left = rect.left() + rect.width() / 2 - width / 2;
    painter.drawText(QRect(left, rect.top() + 2, width + 1, rect.height() - 2), Qt::AlignLeft | Qt::AlignTop, text);
  }
}

void TTAForm2::NumResultsGridClick() {
  NumResultsGrid->clearSelection();
  NumResultsGrid->setCurrentCell(0, 0);
}

void TTAForm2::CopyResTextButtClick() {
  QString text;
  for (int r = 0; r < NumResultsRowCount(); ++r) {
    for (int c = 0; c <= 6; ++c) text += ResultCell(c, r) + QLatin1Char('\t');
    text += QStringLiteral("\r\n");
  }
  ui_.SetClipboardText(text);
}

}  // namespace vorla::gui
