// Copy Graph and Save Graph: the file type and name a chosen name gives,
// the metafile read back record by record, the bitmap, the clipboard; and
// the document buttons.
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QFrame>
#include <QGuiApplication>
#include <QImage>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QTest>
#include <cstring>
#include <map>

#include "GuiTestSupport.h"
#include "gui/widgets/BarChartWidget.h"
#include "gui/widgets/MathGrid.h"
#include "paint/EmfWriter.h"
#include "paint/GraphExport.h"

using namespace vorla;
using namespace vorla::gui;
using namespace vorla::gui::test;

namespace {

quint32 U32(const QByteArray& b, qsizetype at) {
  quint32 v = 0;
  for (int i = 3; i >= 0; --i) v = (v << 8) | static_cast<quint8>(b[at + i]);
  return v;
}
qint32 I32(const QByteArray& b, qsizetype at) {
  return static_cast<qint32>(U32(b, at));
}
quint16 U16(const QByteArray& b, qsizetype at) {
  return static_cast<quint16>(static_cast<quint8>(b[at]) | (static_cast<quint8>(b[at + 1]) << 8));
}

struct EmfRecord {
  quint32 type;
  QByteArray bytes;  // the whole record
  qint32 I(int offset) const { return I32(bytes, offset); }
  quint32 U(int offset) const { return U32(bytes, offset); }
};

// Splits a metafile into its records, checking the frame of each; fails the
// calling test (through the returned flag) on a malformed stream.
std::vector<EmfRecord> ParseEmf(const QByteArray& bytes, QString* fault) {
  std::vector<EmfRecord> records;
  qsizetype at = 0;
  while (at < bytes.size()) {
    if (bytes.size() - at < 8) {
      *fault = QStringLiteral("truncated record at %1").arg(at);
      return records;
    }
    const quint32 type = U32(bytes, at);
    const quint32 size = U32(bytes, at + 4);
    if (size < 8 || size % 4 != 0 || at + static_cast<qsizetype>(size) > bytes.size()) {
      *fault = QStringLiteral("record %1 at %2 has size %3").arg(type).arg(at).arg(size);
      return records;
    }
    records.push_back({type, bytes.mid(at, size)});
    at += size;
  }
  return records;
}

QString RecordText(const EmfRecord& r) {
  const quint32 chars = r.U(44);
  const quint32 offset = r.U(48);
  QString text;
  for (quint32 i = 0; i < chars; ++i) text += QChar(U16(r.bytes, offset + 2 * i));
  return text;
}

int CountOf(const std::vector<EmfRecord>& records, quint32 type) {
  return static_cast<int>(
      std::count_if(records.begin(), records.end(), [&](const EmfRecord& r) { return r.type == type; }));
}

// Checks what every metafile must satisfy; returns the records.
std::vector<EmfRecord> CheckedEmf(const QByteArray& bytes, QSize size) {
  QString fault;
  std::vector<EmfRecord> records = ParseEmf(bytes, &fault);
  if (!fault.isEmpty()) {
    QTest::qFail(qPrintable(fault), __FILE__, __LINE__);
    return {};
  }
  [&] {
    QVERIFY(records.size() >= 2);
    const EmfRecord& header = records.front();
    QCOMPARE(header.type, emr::Header);
    QCOMPARE(header.U(40), quint32(0x464D4520));
    QCOMPARE(header.U(48), quint32(bytes.size()));
    QCOMPARE(header.U(52), quint32(records.size()));
    // Bounds: the whole picture, inclusive, in pixels.
    QCOMPARE(header.I(8), 0);
    QCOMPARE(header.I(12), 0);
    QCOMPARE(header.I(16), size.width() - 1);
    QCOMPARE(header.I(20), size.height() - 1);
    // Frame in hundredths of a millimetre at the device's pixels per inch.
    QVERIFY(header.I(32) > 0 && header.I(36) > 0);
    QCOMPARE(records.back().type, emr::Eof);
    QCOMPARE(CountOf(records, emr::Eof), 1);
    QCOMPARE(CountOf(records, emr::Header), 1);
    // Every object selected exists when selected, and handles stay below the header's count.
    const quint32 handles = U16(header.bytes, 56);
    std::map<quint32, bool> live;
    for (const EmfRecord& r : records) {
      if (r.type == emr::CreatePen || r.type == emr::CreateBrushIndirect || r.type == emr::ExtCreateFontIndirectW) {
        QVERIFY(r.U(8) > 0 && r.U(8) < handles);
        QVERIFY(!live[r.U(8)]);
        live[r.U(8)] = true;
      } else if (r.type == emr::SelectObject) {
        QVERIFY((r.U(8) & 0x80000000u) != 0 || live[r.U(8)]);
      } else if (r.type == emr::DeleteObject) {
        QVERIFY(live[r.U(8)]);
        live[r.U(8)] = false;
      }
    }
    for (const auto& [handle, alive] : live) QVERIFY2(!alive, "an object is never deleted");
  }();
  return records;
}

BarChartData ChartWith(int bars) {
  BarChartData d;
  d.Title = QStringLiteral("Title of the chart");
  d.AxisCaption = QStringLiteral("Estimated Age");
  d.YMax = 20.0 * (bars + 1);
  d.YLabels = QStringLiteral("|Corrected|Uncorrected|Cranial Sutures|Pubic Symphysis|Auricular Area");
  QFont font(QStringLiteral("Arial"));
  font.setPixelSize(15);
  font.setBold(true);
  d.TitleFont = d.XFont = d.YFont = font;
  for (int k = 0; k < bars; ++k)
    d.Items.push_back({30.0 + k, 15.0 + 20 * k, 60.0 + k, 25.0 + 20 * k, QColor(0, 0, 255), QColor(0, 0, 255)});
  return d;
}

QByteArray Metafile(const BarChartData& d, QSize size) {
  EmfDevice device(size, 96);
  {
    QPainter painter(&device);
    PaintBarChart(painter, size, d);
  }
  return device.Bytes();
}

bool HasRectangle(const std::vector<EmfRecord>& records, const QRect& box) {
  for (const EmfRecord& r : records)
    if (r.type == emr::Rectangle && r.I(8) == box.left() && r.I(12) == box.top() && r.I(16) == box.right() &&
        r.I(20) == box.bottom())
      return true;
  return false;
}

QString Dir(const CaseFolder& folder) {
  return QString::fromStdString(folder.Path());
}

}  // namespace

class GraphExportTest : public QObject {
  Q_OBJECT
 private slots:
  void initTestCase() { QLocale::setDefault(QLocale::c()); }

  // The file a chosen name is written to: a typed .wmf, .emf or .bmp wins
  // over the file type selected, without one the selected type decides, and
  // the name is cut at its first dot. Whatever the name says, the type the
  // file is written as gives its extension.
  void fileNames_data() {
    QTest::addColumn<QString>("chosen");
    QTest::addColumn<bool>("bitmapSelected");
    QTest::addColumn<QString>("written");
    QTest::newRow("two dots, metafile") << "/d/a.b.wmf" << false << "/d/a.wmf";
    QTest::newRow("two dots, bmp") << "/d/a.b.bmp" << false << "/d/a.bmp";
    QTest::newRow("no extension, metafile") << "/d/graph" << false << "/d/graph.wmf";
    QTest::newRow("no extension, bitmap") << "/d/graph" << true << "/d/graph.bmp";
    QTest::newRow("dot in the folder") << "/d.x/graph" << false << "/d.x/graph.wmf";
    QTest::newRow("emf, metafile") << "/d/a.b.EMF" << false << "/d/a.emf";
    QTest::newRow("emf, bitmap") << "/d/x.Emf" << true << "/d/x.emf";
    QTest::newRow("wmf, bitmap") << "/d/graph.wmf" << true << "/d/graph.wmf";
    QTest::newRow("bmp, metafile") << "/d/graph.bmp" << false << "/d/graph.bmp";
    QTest::newRow("BMP in capitals") << "/d/x.BMP" << false << "/d/x.bmp";
    QTest::newRow("another extension") << "/d/x.png" << false << "/d/x.wmf";
  }
  void fileNames() {
    QFETCH(QString, chosen);
    QFETCH(bool, bitmapSelected);
    QFETCH(QString, written);
    const GraphFileType selected = bitmapSelected ? GraphFileType::Bitmap : GraphFileType::Metafile;
    QCOMPARE(GraphFileName(chosen, GraphFileTypeFor(chosen, selected)), written);
    const QString stem = written.left(written.lastIndexOf(QLatin1Char('.')));
    QCOMPARE(GraphFileName(chosen, GraphFileType::Bitmap), stem + ".bmp");
    QCOMPARE(GraphFileName(chosen, GraphFileType::Metafile), stem + (written.endsWith(".emf") ? ".emf" : ".wmf"));
  }

  void metafileRecords() {
    const QSize size(700, 400);
    const BarChartData chart = ChartWith(3);
    const QByteArray bytes = Metafile(chart, size);
    const std::vector<EmfRecord> records = CheckedEmf(bytes, size);
    if (QTest::currentTestFailed()) return;
    for (quint32 type :
         {emr::SetBkMode, emr::SetTextColor, emr::CreatePen, emr::CreateBrushIndirect, emr::SelectObject,
          emr::DeleteObject, emr::Rectangle, emr::Polyline16, emr::ExtCreateFontIndirectW, emr::ExtTextOutW})
      QVERIFY2(CountOf(records, type) > 0, qPrintable(QString::number(type)));
    // The frame of the plotting area, exactly where the screen has it.
    const QRectF area = BarChartArea(chart, size);
    QVERIFY(HasRectangle(
        records, QRect(QPoint(int(area.left()), int(area.top())), QPoint(int(area.right()), int(area.bottom())))));
    // The background: the whole picture (a rectangle without outline ends one
    // past its last pixel on both edges).
    QVERIFY(HasRectangle(records, QRect(QPoint(0, 0), QPoint(size.width() + 1, size.height() + 1))));
    // The texts: title, scale labels, caption.
    QStringList texts;
    for (const EmfRecord& r : records)
      if (r.type == emr::ExtTextOutW) texts << RecordText(r);
    QVERIFY(texts.contains(chart.Title));
    QVERIFY(texts.contains(QStringLiteral("Corrected")));
    QVERIFY(texts.contains(QStringLiteral("Uncorrected")));
    QVERIFY(texts.contains(QStringLiteral("Estimated Age")));
    QVERIFY(texts.contains(QStringLiteral("50")));
    // The fonts are Arial at the chart's pixel size.
    for (const EmfRecord& r : records)
      if (r.type == emr::ExtCreateFontIndirectW) {
        QCOMPARE(r.I(12), -15);
        QCOMPARE(r.I(28), 700);
        QCOMPARE(QChar(U16(r.bytes, 40)), QChar('A'));
      }
    // A bar's colour: a solid blue brush.
    bool blue = false;
    for (const EmfRecord& r : records)
      if (r.type == emr::CreateBrushIndirect && r.U(12) == 0 && r.U(16) == 0x00FF0000u) blue = true;
    QVERIFY(blue);
  }

  // A device painted on twice holds the second picture alone, whole.
  void paintingAgainStartsAfresh() {
    const QSize size(500, 300);
    const BarChartData chart = ChartWith(2);
    EmfDevice device(size, 96);
    for (int pass = 0; pass < 2; ++pass) {
      QPainter painter(&device);
      PaintBarChart(painter, size, chart);
    }
    QCOMPARE(device.Bytes(), Metafile(chart, size));
  }

  void moreBarsMoreRecords() {
    const QSize size(700, 400);
    const std::vector<EmfRecord> one = CheckedEmf(Metafile(ChartWith(1), size), size);
    const std::vector<EmfRecord> four = CheckedEmf(Metafile(ChartWith(4), size), size);
    if (QTest::currentTestFailed()) return;
    QCOMPARE(CountOf(four, emr::Rectangle), CountOf(one, emr::Rectangle) + 3);
    QVERIFY(four.size() > one.size());
  }

  // A bar beyond the scale is cut at the plotting area, as on the screen.
  void barsAreClippedToTheArea() {
    const QSize size(700, 400);
    BarChartData chart = ChartWith(1);
    chart.Items[0].Left = 50;
    chart.Items[0].Right = 500;
    const std::vector<EmfRecord> records = CheckedEmf(Metafile(chart, size), size);
    if (QTest::currentTestFailed()) return;
    const QRectF area = BarChartArea(chart, size);
    int bars = 0;
    for (const EmfRecord& r : records)
      if (r.type == emr::Rectangle && r.I(8) > int(area.left())) {
        ++bars;
        QVERIFY(r.I(16) <= int(area.right()));
      }
    QCOMPARE(bars, 1);
  }

  void saveMetafileCutsTheName() {
    CaseFolder folder;
    folder.Seed({{"case", "Male", "White", "Forensic", AllScores("2", "3")}});
    Window w(folder);
    TTAForm2& f = *w.form;
    Controls(f).BitBtnCalculate->click();
    QVERIFY(!Controls(f).BarGraphPanel->isHidden());
    QVERIFY(Controls(f).SaveGraphButt->isEnabled());
    w.ui.Clear();
    w.ui.saveAnswer = Dir(folder) + "a.b.wmf";
    Controls(f).SaveGraphButt->click();
    QVERIFY(w.ui.messages.empty());
    QCOMPARE(w.ui.saveDialogs.size(), std::size_t{1});
    const auto& dialog = w.ui.saveDialogs[0];
    QCOMPARE(dialog.title, QStringLiteral("Save horizontal bar graph"));
    QCOMPARE(dialog.directory, Dir(folder) + "case");
    QCOMPARE(dialog.filters, QStringLiteral("WMF files (*.wmf);;BMP files (*.bmp)"));
    QCOMPARE(dialog.preselected, QStringLiteral("WMF files (*.wmf)"));
    QVERIFY(!QFileInfo::exists(Dir(folder) + "a.b.wmf"));
    QFile file(Dir(folder) + "a.wmf");
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray bytes = file.readAll();
    const std::vector<EmfRecord> records = CheckedEmf(bytes, Controls(f).AgeBarChart->size());
    if (QTest::currentTestFailed()) return;
    // One rectangle per bar beyond the background, area and frame.
    QCOMPARE(CountOf(records, emr::Rectangle), 3 + int(Controls(f).AgeBarChart->Data().Items.size()));
    QVERIFY(w.ui.questions.empty());
  }

  // The graph that is shown is saved, as on the screen: the bar chart, or
  // the curves with their legend (as a bitmap, whatever name is typed).
  void saveBitmapOfTheGraphShown_data() {
    QTest::addColumn<bool>("curves");
    QTest::addColumn<QString>("typed");
    QTest::newRow("bar chart") << false << "graph";
    QTest::newRow("curves") << true << "graph.wmf";
  }
  void saveBitmapOfTheGraphShown() {
    QFETCH(bool, curves);
    QFETCH(QString, typed);
    CaseFolder folder;
    folder.Seed({{"case", "Male", "White", "Forensic", AllScores("2", "3")}});
    Window w(folder);
    TTAForm2& f = *w.form;
    Controls(f).BitBtnCalculate->click();
    if (curves) Controls(f).ShowBarPlotButt->click();
    QCOMPARE(Controls(f).BarGraphPanel->isHidden(), curves);
    w.ui.Clear();
    w.ui.saveAnswer = Dir(folder) + typed;
    w.ui.saveAnswerFilter = QStringLiteral("BMP files (*.bmp)");
    Controls(f).SaveGraphButt->click();
    QVERIFY(w.ui.messages.empty());
    QCOMPARE(w.ui.saveDialogs.back().title,
             curves ? QStringLiteral("Save likelihood curves") : QStringLiteral("Save horizontal bar graph"));
    QVERIFY(!QFileInfo::exists(Dir(folder) + "graph.wmf"));
    QFile file(Dir(folder) + "graph.bmp");
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.read(2), QByteArray("BM"));
    QImage image(Dir(folder) + "graph.bmp", "BMP");
    const QImage screen = curves ? f.CurvesPicture() : Controls(f).AgeBarChart->RenderImage();
    QCOMPARE(image.size(), curves ? Controls(f).MathGrid1->size() : Controls(f).AgeBarChart->size());
    QCOMPARE(image.convertToFormat(QImage::Format_RGB32), screen.convertToFormat(QImage::Format_RGB32));
  }

  // The selected type decides for a name without extension; a typed one
  // wins over it. Each save adds its one file; a cancelled dialog none.
  void saveByTypeOrExtensionAndCancel() {
    CaseFolder folder;
    folder.Seed({{"case", "Male", "White", "Forensic", AllScores("2", "3")}});
    Window w(folder);
    TTAForm2& f = *w.form;
    Controls(f).BitBtnCalculate->click();
    const QByteArray metafile("\x01\x00\x00\x00", 4), bitmap("BM");
    const struct {
      const char *typed, *filter, *written;
      const QByteArray& head;
    } saves[] = {{"plain", "WMF files (*.wmf)", "plain.wmf", metafile},
                 {"plain", "BMP files (*.bmp)", "plain.bmp", bitmap},
                 {"typed.bmp", "WMF files (*.wmf)", "typed.bmp", bitmap},
                 {"typed.wmf", "BMP files (*.bmp)", "typed.wmf", metafile}};
    for (const auto& save : saves) {
      const QStringList before = QDir(Dir(folder)).entryList(QDir::Files);
      w.ui.saveAnswer = Dir(folder) + save.typed;
      w.ui.saveAnswerFilter = save.filter;
      Controls(f).SaveGraphButt->click();
      QVERIFY2(w.ui.messages.empty(), qPrintable(w.ui.Texts().join('\n')));
      QStringList added = QDir(Dir(folder)).entryList(QDir::Files);
      for (const QString& name : before) added.removeOne(name);
      QCOMPARE(added, QStringList{save.written});
      QFile file(Dir(folder) + save.written);
      QVERIFY(file.open(QIODevice::ReadOnly));
      QCOMPARE(file.read(save.head.size()), save.head);
    }

    const QStringList before = QDir(Dir(folder)).entryList(QDir::Files);
    w.ui.saveAnswer.clear();
    Controls(f).SaveGraphButt->click();
    QCOMPARE(QDir(Dir(folder)).entryList(QDir::Files), before);
    QCOMPARE(w.ui.saveDialogs.size(), std::size_t{5});
  }

  // The dialog asked about a.b.wmf; the a.wmf it would replace is asked about too.
  void replacingAnotherFileIsAsked() {
    CaseFolder folder;
    folder.Seed({{"case", "Male", "White", "Forensic", AllScores("2", "3")}});
    Window w(folder);
    TTAForm2& f = *w.form;
    Controls(f).BitBtnCalculate->click();
    QFile existing(Dir(folder) + "a.wmf");
    QVERIFY(existing.open(QIODevice::WriteOnly));
    existing.write("keep me");
    existing.close();
    w.ui.saveAnswer = Dir(folder) + "a.b.wmf";
    w.ui.answerYes = false;
    Controls(f).SaveGraphButt->click();
    QCOMPARE(w.ui.questions.size(), std::size_t{1});
    QVERIFY(w.ui.questions[0].contains("a.wmf"));
    QVERIFY(existing.open(QIODevice::ReadOnly));
    QCOMPARE(existing.readAll(), QByteArray("keep me"));
    existing.close();

    w.ui.answerYes = true;
    Controls(f).SaveGraphButt->click();
    QCOMPARE(w.ui.questions.size(), std::size_t{2});
    QVERIFY(existing.open(QIODevice::ReadOnly));
    QCOMPARE(existing.read(4), QByteArray("\x01\x00\x00\x00", 4));
    existing.close();

    // The name chosen is the name written: the dialog has asked already.
    w.ui.saveAnswer = Dir(folder) + "a.wmf";
    Controls(f).SaveGraphButt->click();
    QCOMPARE(w.ui.questions.size(), std::size_t{2});
  }

  void unwritableFileIsReported() {
    CaseFolder folder;
    folder.Seed({{"case", "Male", "White", "Forensic", AllScores("2", "3")}});
    Window w(folder);
    TTAForm2& f = *w.form;
    Controls(f).BitBtnCalculate->click();
    w.ui.Clear();
    w.ui.saveAnswer = Dir(folder) + "missing/graph.wmf";
    Controls(f).SaveGraphButt->click();
    QCOMPARE(w.ui.messages.size(), std::size_t{1});
    QCOMPARE(w.ui.messages[0].kind, MessageKind::Error);
    QVERIFY(w.ui.messages[0].text.contains("graph.wmf"));
    QVERIFY(!QFileInfo::exists(Dir(folder) + "missing"));
  }

  void copyGraph() {
    CaseFolder folder;
    folder.Seed({{"case", "Male", "White", "Forensic", AllScores("2", "3")}});
    Window w(folder);
    TTAForm2& f = *w.form;
    Controls(f).BitBtnCalculate->click();
    QVERIFY(!Controls(f).BarGraphPanel->isHidden());
    QVERIFY(Controls(f).ButtonCopyGraph->isEnabled());
    Controls(f).ButtonCopyGraph->click();
    QVERIFY(w.ui.messages.empty());
    QCOMPARE(w.ui.clipboardDataCount, 1);
    QVERIFY(w.ui.clipboardData);
    QVERIFY(w.ui.clipboardData->hasFormat("image/x-emf"));
    CheckedEmf(w.ui.clipboardData->data("image/x-emf"), Controls(f).AgeBarChart->size());
    if (QTest::currentTestFailed()) return;
    QVERIFY(w.ui.clipboardData->hasImage());
    QCOMPARE(qvariant_cast<QImage>(w.ui.clipboardData->imageData()).size(), Controls(f).AgeBarChart->size());

    // The curves: a colour bitmap of the plot, no metafile.
    Controls(f).ShowBarPlotButt->click();
    QVERIFY(!Controls(f).MathGrid1->isHidden());
    Controls(f).ButtonCopyGraph->click();
    QCOMPARE(w.ui.clipboardDataCount, 2);
    QVERIFY(!w.ui.clipboardData->hasFormat("image/x-emf"));
    QVERIFY(w.ui.clipboardData->hasImage());
    const QImage plot = qvariant_cast<QImage>(w.ui.clipboardData->imageData());
    QCOMPARE(plot.size(), Controls(f).MathGrid1->size());
    QVERIFY(!plot.isGrayscale());
    // The plot as on the screen; the curve legend drawn over it is checked
    // with the other graph files.
    QImage expected = Controls(f).MathGrid1->RenderImage().convertToFormat(QImage::Format_RGB32);
    QImage copied = plot.convertToFormat(QImage::Format_RGB32);
    for (QLabel* label : Controls(f).CurveLegend) {
      const QRect place(Controls(f).MathGrid1->mapFrom(&f, label->mapTo(&f, QPoint(0, 0))), label->size());
      for (QImage* image : {&expected, &copied}) QPainter(image).fillRect(place, Qt::black);
    }
    QCOMPARE(copied, expected);
    QVERIFY(!QGuiApplication::overrideCursor());
  }

  void printReport() {
    CaseFolder folder;
    folder.Seed({{"other", "Female", "Black", "Archaeological", {}},
                 {"case", "Male", "White", "Forensic", AllScores("2", "3")},
                 {"case", "Female", "White", "Forensic", {}}});
    Window w(folder);
    TTAForm2& f = *w.form;
    QVERIFY(f.TATable.LocateName("case"));
    Controls(f).BitBtnCalculate->click();
    QVERIFY(f.TATable.LocateName("other"));
    QVERIFY(f.TATable.LocateName("case"));
    const QString picture = Dir(folder) + "graphtmpout.wmf";
    bool checked = false;
    w.ui.previewPdf = Dir(folder) + "report.pdf";
    w.ui.duringPreview = [&] {
      QVERIFY(f.TATable.Filtered());
      QCOMPARE(QString::fromStdString(f.TATable.FieldAsText("SKELETON_NAME")), QStringLiteral("case"));
      QFile file(picture);
      QVERIFY(file.open(QIODevice::ReadOnly));
      CheckedEmf(file.readAll(), Controls(f).AgeBarChart->size());
      const ReportContent report = f.ReportFromCurrentRow();
      QCOMPARE(report.fields.at("SKELETON_NAME"), QStringLiteral("case"));
      QCOMPARE(report.fields.at("CRA_PTERICA_LOW"), QStringLiteral("2"));
      QCOMPARE(report.fields.at("PUB_RELIEF_L_UPPER"), QStringLiteral("3"));
      QCOMPARE(report.caption, f.windowTitle());
      QVERIFY(report.modelLine.startsWith("Hazard Model: "));
      QVERIFY(report.modelLine.contains("Male"));
      QVERIFY(!report.cells[0][0].enabled);
      for (int r = 0; r < 6; ++r)
        for (int c = (r == 0 ? 1 : 0); c < 7; ++c) {
          QCOMPARE(report.cells[r][c].enabled, r < f.NumResultsRowCount());
          if (report.cells[r][c].enabled) QCOMPARE(report.cells[r][c].text, f.ResultCell(c, r));
        }
      checked = true;
    };
    Controls(f).PrintPreviewButt->click();
    QVERIFY(w.ui.messages.empty());
    QCOMPARE(w.ui.previews, 1);
    QVERIFY(checked);
    QVERIFY(!f.TATable.Filtered());
    QVERIFY(!QFileInfo::exists(picture));
    QCOMPARE(QString::fromStdString(f.TATable.FieldAsText("SKELETON_NAME")), QStringLiteral("case"));
    QCOMPARE(QString::fromStdString(f.TATable.FieldAsText("SEX")), QStringLiteral("Male"));
    QFile pdf(w.ui.previewPdf);
    QVERIFY(pdf.open(QIODevice::ReadOnly));
    QCOMPARE(pdf.read(4), QByteArray("%PDF"));
    QCOMPARE(PdfPageSize(w.ui.previewPdf), QStringLiteral("612 x 792 pts (letter)"));
    const QString text = PdfText(w.ui.previewPdf);
    QVERIFY(text.contains("Skeleton:  case") || text.contains("Skeleton: case"));
    QVERIFY(text.contains("Inferior Posterior Iliac Exostoses"));
    QVERIFY(text.contains("Uncorrected"));
  }

  // The picture cannot be written: the error is shown, no preview opens, and
  // the table shows all rows again on the same case.
  void reportPictureNotWritable() {
    CaseFolder folder;
    folder.Seed({{"it's", "Male", "White", "Forensic", AllScores("2", "3")},
                 {"other", "Male", "White", "Forensic", AllScores("2", "3")}});
    Window w(folder);
    TTAForm2& f = *w.form;
    QVERIFY(f.TATable.LocateName("it's"));
    QVERIFY(QDir(Dir(folder)).mkdir("graphtmpout.wmf"));
    w.ui.Clear();
    Controls(f).PrintPreviewButt->click();
    QCOMPARE(w.ui.messages.size(), std::size_t{1});
    QCOMPARE(w.ui.messages[0].kind, MessageKind::Error);
    QVERIFY(w.ui.messages[0].text.contains("graphtmpout.wmf"));
    QCOMPARE(w.ui.previews, 0);
    QVERIFY(!f.TATable.Filtered());
    QCOMPARE(QString::fromStdString(f.TATable.FieldAsText("SKELETON_NAME")), QStringLiteral("it's"));

    // A name with a quote is matched whole.
    QVERIFY(QDir(Dir(folder)).rmdir("graphtmpout.wmf"));
    w.ui.duringPreview = [&] {
      QVERIFY(f.TATable.Filtered());
      QCOMPARE(QString::fromStdString(f.TATable.FieldAsText("SKELETON_NAME")), QStringLiteral("it's"));
    };
    Controls(f).PrintPreviewButt->click();
    QCOMPARE(w.ui.previews, 1);
    QCOMPARE(w.ui.messages.size(), std::size_t{1});
    QVERIFY(!f.TATable.Filtered());
  }

  void reportRowsAndEmptyModel() {
    CaseFolder folder;
    folder.Seed({{"bare", "", "", "", {}}});
    Window w(folder);
    TTAForm2& f = *w.form;
    QVERIFY(f.TATable.LocateName("bare"));
    QCOMPARE(f.ReportFromCurrentRow().modelLine, QStringLiteral("Hazard Model:   "));
    f.SetNumResultsRowCount(5);
    const ReportContent report = f.ReportFromCurrentRow();
    for (int c = 0; c < 7; ++c) QVERIFY(!report.cells[5][c].enabled);
    for (int c = 0; c < 7; ++c) QVERIFY(report.cells[4][c].enabled);
    QCOMPARE(report.cells[0][1].text, f.ResultCell(1, 0));
  }

  // The three document buttons of the button bar.
  void documentButtons_data() {
    QTest::addColumn<QString>("button");
    QTest::addColumn<QString>("document");
    QTest::addColumn<QString>("hint");
    QTest::newRow("procedures") << "ProceduresPDFButt"
                                << "TA-Tervain-Scoring Procedures.pdf"
                                << "Show illustrated scoring procedures PDF";
    QTest::newRow("illustrations") << "IllustrationsPDFButt"
                                   << "TA-Tervain-Illustrations.pdf"
                                   << "Show trait illustrations PDF";
    QTest::newRow("manual") << "ScorProcPDFButt"
                            << "TA-Tervain-Scoring Manual.pdf"
                            << "Show scoring procedures text PDF";
  }
  void documentButtons() {
    QFETCH(QString, button);
    QFETCH(QString, document);
    QFETCH(QString, hint);
    CaseFolder folder;
    Window w(folder);
    auto* b = w.form->findChild<QPushButton*>(button);
    QVERIFY(b);
    QCOMPARE(b->toolTip(), hint);
    const QString path = QDir::toNativeSeparators(QFileInfo(Dir(folder) + document).absoluteFilePath());
    w.ui.Clear();
    b->click();
    QCOMPARE(w.ui.Texts(), QStringList{path + " not found."});
    QCOMPARE(w.ui.messages[0].kind, MessageKind::Plain);
    QVERIFY(w.ui.openedDocuments.empty());

    // A folder of that name is not the document.
    QVERIFY(QDir(Dir(folder)).mkdir(document));
    b->click();
    QCOMPARE(w.ui.messages.size(), std::size_t{2});
    QVERIFY(w.ui.openedDocuments.empty());
    QVERIFY(QDir(Dir(folder)).rmdir(document));

    QFile file(Dir(folder) + document);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.close();
    b->click();
    QCOMPARE(w.ui.messages.size(), std::size_t{2});
    QCOMPARE(w.ui.openedDocuments.size(), std::size_t{1});
    QCOMPARE(w.ui.openedDocuments[0], QFileInfo(file).absoluteFilePath());

    // A desktop without a program for it: the person is told.
    w.ui.documentsOpen = false;
    b->click();
    QCOMPARE(w.ui.openedDocuments.size(), std::size_t{2});
    QCOMPARE(w.ui.messages.size(), std::size_t{3});
    QCOMPARE(w.ui.messages[2].text, QDir::toNativeSeparators(QFileInfo(file).absoluteFilePath()) +
                                        " could not be opened: no program to show it was found.");
  }

  // A path longer than 199 characters reaches the desktop whole.
  void longDocumentPath() {
    CaseFolder folder;
    Window w(folder);
    const QString deep = Dir(folder) + QString(120, QLatin1Char('d')) + "/" + QString(60, QLatin1Char('e'));
    QVERIFY(QDir().mkpath(deep));
    const QString path = deep + "/TA-Tervain-Illustrations.pdf";
    QVERIFY(path.size() > 199);
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.close();
    w.form->OpenDocument(path.toStdString());
    QVERIFY(w.ui.messages.empty());
    QCOMPARE(w.ui.openedDocuments.size(), std::size_t{1});
    QCOMPARE(w.ui.openedDocuments[0], path);
  }
};

QTEST_MAIN(GraphExportTest)
#include "GraphExportTest.moc"
