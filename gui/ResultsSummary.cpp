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

#include "gui/TAForm2.h"
#include "gui/widgets/DbLabel.h"
#include "paint/EstimatesTable.h"

namespace vorla::gui {

namespace {

const QColor PanelGrey(225, 225, 225);

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

void TTAForm2::ProbabilityRGClick() {
  BitBtnCalculate->click();
}

void TTAForm2::FormatpVal(DbLabel* label) {
  label->show();
  QPalette palette = label->palette();
  palette.setColor(QPalette::WindowText, Qt::black);
  palette.setColor(QPalette::Window, PanelGrey);
  if (!label->Withheld() && !DataSourceSkeleton.FieldIsNull(label->FieldName())) {
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
  const int level = HasStoredResults(DataSourceSkeleton) ? RecordedLevel(DataSourceSkeleton) : CurrentLevel();
  const EstimatesTable table = FillEstimatesTable(DataSourceSkeleton, shown_selection_, level);
  // Results that are not current show their headings only.
  const bool numbers = shown_state_ == StoredState::Current;
  for (int r = 0; r < 6; ++r)
    for (int column = 0; column < 7; ++column) {
      QTableWidgetItem* item = NumResultsGrid->item(r, column);
      if (!item) {
        item = new QTableWidgetItem;
        NumResultsGrid->setItem(r, column, item);
      }
      item->setText(numbers || r == 0 || column == 0 ? table.Cell(column, r) : QString());
    }
  NumResultsGrid->viewport()->update();
}

void TTAForm2::NumResultsGridDrawCell(QPainter& painter, int column, int row, const QRect& rect, bool selected) {
  const QString text = ResultCell(column, row);
  const bool fixed = column == 0 || row == 0;
  const QPalette& palette = NumResultsGrid->palette();
  QColor background = fixed ? palette.color(QPalette::Button) : palette.color(QPalette::Base);
  QColor foreground = palette.color(fixed ? QPalette::ButtonText : QPalette::Text);
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
  if (!ShownResultsAreCurrent(QStringLiteral("The results were not copied."))) return;
  QString text;
  for (int r = 0; r < NumResultsRowCount(); ++r) {
    for (int c = 0; c <= 6; ++c) text += ResultCell(c, r) + QLatin1Char('\t');
    text += QStringLiteral("\r\n");
  }
  ui_.SetClipboardText(text);
}

}  // namespace vorla::gui
