#include "paint/Report.h"

#include <QFontMetricsF>
#include <QPaintDevice>
#include <QPainter>
#include <algorithm>

#include "params/ParameterIdentity.h"

namespace vorla::gui {

namespace {

struct ScoreRow {
  double top;
  const char* label;
  const char* base;
};

const ScoreRow CranialRows[] = {{25.4, "Coronal Pterica", "CRA_PTERICA"},
                                {30.7, "Sagittal Obelica (midline)", "CRA_SAGITTAL"},
                                {36.0, "Lambdoidal Asterica", "CRA_LAMDOID"},
                                {41.3, "Interpalatine (midline)", "CRA_INTERPL"},
                                {46.6, "Zygomaticomaxillary", "CRA_MAXILARE"}};
const ScoreRow AuricularRows[] = {{29.8, "Superior Demiface Topography", "AUR_TOPOSUP"},
                                  {35.3, "Inferior Demiface Topography", "AUR_TOPOINF"},
                                  {41.1, "Superior Surface Morphology", "AUR_MORSUP"},
                                  {46.6, "Middle/Apical Surface Morphology", "AUR_MORAPIC"},
                                  {52.3, "Inferior Surface Morphology", "AUR_MORINF"},
                                  {57.8, "Inferior Surface Texture", "AUR_TEXINF"},
                                  {63.5, "Superior Posterior Iliac Exostoses", "AUR_EXOSUP"},
                                  {69.0, "Inferior Posterior Iliac Exostoses", "AUR_EXOINF"},
                                  {74.7, "Posterior Exostoses", "AUR_SPICUL"}};
const ScoreRow PubicRows[] = {{65.8, "Symphyseal Relief", "PUB_RELIEF"},
                              {71.3, "Symphyseal Texture", "PUB_TEXTURE"},
                              {76.8, "Superior Apex / Protuberance", "PUB_OSSICLE"},
                              {82.3, "Ventral Symphyseal Margin", "PUB_VENTRALM"},
                              {87.8, "Dorsal Symphyseal Margin", "PUB_DORSALM"}};

const double TableRowTops[] = {113.2, 117.1, 120.9, 124.7, 128.5, 132.5};
const double TableColumnLefts[] = {39.8, 73.4, 85.3, 97.6, 109.9, 122.1, 134.4};

// The page in millimetres over the device's own units. Texts are set in the
// device's units at their true point size: fonts shrunk onto a millimetre
// scale would be rounded to whole pixels and come out wider.
class Page {
 public:
  Page(QPainter& painter, double perMm) : p_(painter), perMm_(perMm) {}

  QRectF Mm(const QRectF& box) const {
    return QRectF(box.left() * perMm_, box.top() * perMm_, box.width() * perMm_, box.height() * perMm_);
  }
  QFont Font(double points, bool bold) const {
    QFont font(QStringLiteral("Arial"));
    font.setPointSizeF(points);
    font.setBold(bold);
    return font;
  }
  void Text(const QRectF& box, int flags, const QString& text, double points, bool bold) {
    p_.setFont(Font(points, bold));
    p_.drawText(Mm(box), flags, text);
  }
  // The one italic text of the page, a column head of one letter, is its
  // bold face slanted by Arial's italic angle (12 degrees) about the middle
  // of its box. Arial's italic is itself a slanted upright design, and a PDF
  // then embeds two faces instead of three: the third face's embedding
  // cost as much as the rest of the page.
  void SlantedText(const QRectF& box, int flags, const QString& text, double points, bool bold) {
    const QRectF device = Mm(box);
    p_.save();
    p_.translate(device.center());
    p_.shear(-0.2126, 0);
    p_.setFont(Font(points, bold));
    p_.drawText(device.translated(-device.center()), flags, text);
    p_.restore();
  }
  void Left(double top, double left, const QString& text, double points, bool bold) {
    Text(QRectF(left, top, 190.5 - left, points * 0.5), Qt::AlignLeft | Qt::AlignTop | Qt::TextDontClip, text, points,
         bold);
  }
  // A text in the room of this width (mm): a text too wide for it is set in a
  // smaller size (down to 6 points) rather than run into its neighbours.
  double Fitted(const QString& text, double points, bool bold, double room) const {
    const double width = QFontMetricsF(Font(points, bold), p_.device()).horizontalAdvance(text) / perMm_;
    return width <= room ? points : std::max(6.0, points * room / width);
  }
  void Centred(double top, double centre, const QString& text, double points, bool bold) {
    Text(QRectF(centre - 95, top, 190, points * 0.5), Qt::AlignHCenter | Qt::AlignTop | Qt::TextDontClip, text, points,
         bold);
  }
  void Rule(double top, double left, double right) {
    p_.setPen(QPen(Qt::black, 0));
    p_.drawLine(QPointF(left * perMm_, top * perMm_), QPointF(right * perMm_, top * perMm_));
  }
  void Frame(const QRectF& box) {
    p_.setPen(QPen(Qt::black, 0));
    p_.setBrush(Qt::NoBrush);
    p_.drawRect(Mm(box));
  }
  // A band across the page, white on black, so that it stays on a copy in
  // black and white.
  void Band(const QRectF& box, const QString& text, double points) {
    p_.fillRect(Mm(box), Qt::black);
    p_.save();
    p_.setPen(Qt::white);
    Text(box, Qt::AlignCenter | Qt::TextDontClip, text, points, true);
    p_.restore();
  }

 private:
  QPainter& p_;
  double perMm_;
};

QString Field(const ReportContent& c, const std::string& name) {
  const auto it = c.fields.find(name);
  return it == c.fields.end() ? QString() : it->second;
}

void ValueBox(Page& page, double top, double left, const QString& text, bool framed) {
  if (framed) page.Frame(QRectF(left, top, 4.2, 4.2));
  page.Text(QRectF(left, top, 4.2, 4.2), Qt::AlignCenter | Qt::TextDontClip, text, 10, false);
}

// A column head on two lines, "Left" or "Right" over "(min/max)".
void TwoLineHead(Page& page, double top, double left, const char* side) {
  page.Text(QRectF(left, top, 16.7, 9.3), Qt::AlignCenter | Qt::TextDontClip,
            QString::fromLatin1(side) + QStringLiteral("\n(min/max)"), 10, true);
}

}  // namespace

std::vector<std::string> ReportScoreFields() {
  std::vector<std::string> fields;
  for (const ScoreRow& r : CranialRows)
    for (const char* end : {"_LOW", "_UPPER"}) fields.push_back(std::string(r.base) + end);
  for (const auto* rows : {AuricularRows, PubicRows}) {
    const std::size_t n = rows == AuricularRows ? std::size(AuricularRows) : std::size(PubicRows);
    for (std::size_t i = 0; i < n; ++i)
      for (const char* side : {"_L_", "_R_"})
        for (const char* end : {"LOW", "UPPER"}) fields.push_back(std::string(rows[i].base) + side + end);
  }
  return fields;
}

void PaintReport(QPainter& painter, double perMm, const ReportContent& c) {
  painter.save();
  painter.setPen(QPen(Qt::black, 0));
  Page page(painter, perMm);

  page.Centred(0.6, 95.1, QStringLiteral("Transition Analysis Scoring and Analysis"), 12, true);
  page.Centred(9.1, 95.3, QStringLiteral("Observations"), 11, true);
  page.Left(14.6, 3.2, QStringLiteral("Skeleton: "), 11, true);
  page.Left(14.6, 22.6, Field(c, "SKELETON_NAME"), 11, false);
  if (c.blankForm) page.Rule(19.2, 22.6, 88.0);

  page.Left(20.3, 3.4, QStringLiteral("Cranial Sutures"), 10, true);
  page.Left(20.3, 49.1, QStringLiteral("min/max"), 10, true);
  // Row labels stop short of the first value box.
  const auto label = [&page](const ScoreRow& r, double left, double firstBox) {
    const QString text = QString::fromLatin1(r.label);
    page.Left(r.top, left, text, page.Fitted(text, 10, false, firstBox - left - 0.8), false);
  };
  for (const ScoreRow& r : CranialRows) {
    label(r, 3.4, 50.0);
    ValueBox(page, r.top, 50.0, Field(c, std::string(r.base) + "_LOW"), c.blankForm);
    ValueBox(page, r.top, 56.9, Field(c, std::string(r.base) + "_UPPER"), c.blankForm);
  }

  const auto sides = [&](const ScoreRow& r, double leftLow, double leftUp, double rightLow, double rightUp, double x) {
    label(r, x, leftLow);
    ValueBox(page, r.top, leftLow, Field(c, std::string(r.base) + "_L_LOW"), c.blankForm);
    ValueBox(page, r.top, leftUp, Field(c, std::string(r.base) + "_L_UPPER"), c.blankForm);
    ValueBox(page, r.top, rightLow, Field(c, std::string(r.base) + "_R_LOW"), c.blankForm);
    ValueBox(page, r.top, rightUp, Field(c, std::string(r.base) + "_R_UPPER"), c.blankForm);
  };
  TwoLineHead(page, 19.5, 147.3, "Left");
  TwoLineHead(page, 19.5, 168.7, "Right");
  page.Left(21.2, 91.0, QStringLiteral("Auricular Surface"), 10, true);
  for (const ScoreRow& r : AuricularRows) sides(r, 149.4, 156.0, 171.2, 177.8, 91.0);

  TwoLineHead(page, 55.5, 49.5, "Left");
  TwoLineHead(page, 55.5, 69.2, "Right");
  page.Left(57.1, 3.0, QStringLiteral("Pubic Symphysis"), 10, true);
  for (const ScoreRow& r : PubicRows) sides(r, 52.5, 59.1, 70.7, 77.3, 3.0);

  page.Centred(98.2, 92.3, QStringLiteral("Age Estimation"), 11, true);
  page.Left(104.8, 3.4, c.modelLine, 10, false);
  if (c.blankForm) page.Rule(109.0, 29.0, 120.0);

  // The estimates table: disabled cells are not printed.
  for (int r = 0; r < 6; ++r)
    for (int col = 0; col < 7; ++col) {
      if (r == 0 && col == 0) continue;
      const ReportCell& cell = c.cells[static_cast<std::size_t>(r)][static_cast<std::size_t>(col)];
      if (!cell.enabled) continue;
      const QRectF box(TableColumnLefts[col], TableRowTops[r], col == 0 ? 33.9 : 12.7, 4.2);
      if (r == 0) {
        const double points = page.Fitted(cell.text, 8, true, box.width() - 0.6);
        if (col == 6)
          page.SlantedText(box, Qt::AlignCenter | Qt::TextDontClip, cell.text, points, true);
        else
          page.Text(box, Qt::AlignCenter | Qt::TextDontClip, cell.text, points, true);
        continue;
      }
      page.Frame(box);
      if (col == 0)
        page.Text(box.adjusted(0, 0, -0.5, 0), Qt::AlignRight | Qt::AlignVCenter | Qt::TextDontClip, cell.text,
                  page.Fitted(cell.text, 10, true, box.width() - 1.0), true);
      else
        page.Text(box, Qt::AlignCenter | Qt::TextDontClip, cell.text, 9, r == 1 && (col == 1 || col == 3));
    }

  // The bar chart, stretched into its box.
  if (c.chartSize.width() > 0 && c.chartSize.height() > 0) {
    painter.save();
    painter.translate(22.0 * perMm, 142.2 * perMm);
    painter.scale(147.5 * perMm / c.chartSize.width(), 83.2 * perMm / c.chartSize.height());
    PaintBarChart(painter, c.chartSize, c.chart);
    painter.restore();
  }

  // The notes, then the scores of the traits of one's own; a page with
  // results keeps the room above the footer for where they came from.
  const bool named = !c.provenance.setLine.isEmpty();
  const QRectF notes(6.8, 226.9, 176.3, named ? 10.4 : 13.8);
  if (c.blankForm) page.Frame(notes);
  painter.save();
  painter.setClipRect(page.Mm(notes));
  page.Text(notes, Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap, Field(c, "TA_Notes"), 10, false);
  painter.restore();

  if (!c.otherTraits.isEmpty())
    page.Text(QRectF(6.8, named ? 237.6 : 241.6, 176.3, 3.6), Qt::AlignLeft | Qt::AlignTop,
              QStringLiteral("Other traits: ") + c.otherTraits, named ? 8 : 9, false);

  // The page footer at the bottom margin, and above it where the numbers came from.
  const double footerTop = 279.4 - 2 * 12.7 - 5.5;
  const ReportProvenance& p = c.provenance;
  if (!p.setLine.isEmpty()) {
    const double width = 176.3;
    page.Left(footerTop - 7.0, 5.1, p.setLine, page.Fitted(p.setLine, 8, false, width), false);
    page.Left(footerTop - 3.5, 5.1, p.methodLine, page.Fitted(p.methodLine, 8, false, width), false);
  }
  page.Left(footerTop, 5.1, c.caption, 10, false);
  QString who = p.analyst.isEmpty() ? QString() : QStringLiteral("Analyst: ") + p.analyst;
  if (!p.serverUser.isEmpty())
    who += (who.isEmpty() ? QStringLiteral("Server user ") : QStringLiteral(", server user ")) + p.serverUser;
  const QString stamp = who.isEmpty() ? c.printedAt : who + QStringLiteral("   ") + c.printedAt;
  page.Text(QRectF(70, footerTop, 116.0, 5.5), Qt::AlignRight | Qt::AlignTop | Qt::TextDontClip, stamp, 10, false);
  // Between the scores and the estimates.
  if (p.demonstration) page.Band(QRectF(0, 92.7, 190.5, 5.0), QString::fromLatin1(DemonstrationMark), 11);
  painter.restore();
}

}  // namespace vorla::gui
