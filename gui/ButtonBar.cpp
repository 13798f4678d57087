#include "gui/ButtonBar.h"

#include "gui/WindowFonts.h"

#include <QPushButton>

#include "paint/EstimateBars.h"

namespace vorla::gui {

namespace {

QPushButton* Make(const QString& text, const char* name, const char* tip, QWidget* parent, const QRect& geometry) {
  auto* button = new QPushButton(text, parent);
  button->setObjectName(QString::fromLatin1(name));
  if (tip != nullptr) button->setToolTip(QString::fromLatin1(tip));
  button->setGeometry(geometry);
  return button;
}

}  // namespace

ButtonBar::ButtonBar(QWidget* parent) : QFrame(parent) {
  setObjectName(QStringLiteral("Panel11"));
  setFrameShape(QFrame::StyledPanel);
  setFixedHeight(33);
  exit_ = Make(QStringLiteral("E&xit"), "ExitButt", nullptr, this, QRect(909, 2, 75, 30));
  analyze_ = Make(QStringLiteral("&Analyze"), "BitBtnCalculate", "Analyze Data (F8)", this, QRect(480, 0, 121, 32));
  analyze_->setStyleSheet(
      QStringLiteral("QPushButton { background-color: rgb(50, 205, 50); color: black; font-weight: bold; }"));
  procedures_ = Make(QStringLiteral("Procedures"), "ProceduresPDFButt", "Show illustrated scoring procedures PDF", this,
                     QRect(2, 5, 105, 22));
  illustrations_ = Make(QStringLiteral("Illustrations"), "IllustrationsPDFButt", "Show trait illustrations PDF", this,
                        QRect(112, 5, 105, 22));
  manual_ = Make(QStringLiteral("Manual"), "ScorProcPDFButt", "Show scoring procedures text PDF", this,
                 QRect(221, 5, 105, 22));
  const QFont small = WindowFont(9.5, false);
  for (QPushButton* b : {procedures_, illustrations_, manual_}) b->setFont(small);
}

void ButtonBar::Follow(int outerWidth) {
  if (exit_->x() != outerWidth - 100) exit_->move(outerWidth - 100, exit_->y());
  const int analyzeLeft = RoundHalfEven(outerWidth / 2.1);
  if (analyze_->x() != analyzeLeft) analyze_->move(analyzeLeft, analyze_->y());
}

}  // namespace vorla::gui
