#include "paint/ReportMetadata.h"

#include <QString>
#include <QXmlStreamReader>
#include <stdexcept>

#include "store/Schema.h"

namespace vorla::gui {

namespace {

// The record's entries are "FIELD=value": a field name never holds "=".
constexpr char RecordElement[] = "CaseRecord";
constexpr char NamespaceUri[] = "urn:vorla:report:1";

bool IsRecordedField(const FieldInfo& field) {
  static const std::string_view choices[] = {"SKELETON_ID", "SKELETON_NAME", "SEX", "RACE", "HAZARDFUNC"};
  for (std::string_view name : choices)
    if (field.name == name) return true;
  return field.is_score || field.name.starts_with("RES_");
}

}  // namespace

void RecordCase(const CaseTable& table, ReportProvenance& provenance) {
  provenance.caseRecord.clear();
  for (const FieldInfo& field : CaseFields()) {
    const std::string name(field.name);
    if (!IsRecordedField(field) || table.FieldIsNull(name)) continue;
    provenance.caseRecord.emplace_back(name, table.FieldAsText(name));
  }
  provenance.serverUser = QString::fromStdString(table.ServerUser());
}

QByteArray ReportXmp(const ReportContent& content) {
  const ReportProvenance& p = content.provenance;
  const auto text = [](const QString& s) { return s.toHtmlEscaped().toUtf8(); };
  const QString title = content.fields.count("SKELETON_NAME") ? content.fields.at("SKELETON_NAME") : QString();
  QByteArray record;
  for (const auto& [name, value] : p.caseRecord)
    record += "<rdf:li>" + text(QString::fromStdString(name + "=" + value)) + "</rdf:li>\n";
  return "<?xpacket begin='\xEF\xBB\xBF' id='W5M0MpCehiHzreSzNTczkc9d'?>\n"
         "<x:xmpmeta xmlns:x='adobe:ns:meta/'><rdf:RDF xmlns:rdf='http://www.w3.org/1999/02/22-rdf-syntax-ns#'>\n"
         "<rdf:Description rdf:about='' xmlns:dc='http://purl.org/dc/elements/1.1/' "
         "xmlns:xmp='http://ns.adobe.com/xap/1.0/' xmlns:vorla='" +
         QByteArray(NamespaceUri) + "'>\n<dc:title><rdf:Alt><rdf:li xml:lang='x-default'>" + text(title) +
         "</rdf:li></rdf:Alt></dc:title>\n<xmp:CreatorTool>" + text(content.caption) +
         "</xmp:CreatorTool>\n<vorla:ParameterSet>" + text(p.setLine) +
         "</vorla:ParameterSet>\n<vorla:ParameterSetSHA256>" + text(p.setChecksum) +
         "</vorla:ParameterSetSHA256>\n<vorla:Method>" + text(p.methodLine) + "</vorla:Method>\n<vorla:Demonstration>" +
         QByteArray(p.demonstration ? "true" : "false") + "</vorla:Demonstration>\n<vorla:Analyst>" + text(p.analyst) +
         "</vorla:Analyst>\n<vorla:ServerUser>" + text(p.serverUser) + "</vorla:ServerUser>\n<vorla:Printed>" +
         text(content.printedAt) + "</vorla:Printed>\n<vorla:" + RecordElement + "><rdf:Seq>\n" + record +
         "</rdf:Seq></vorla:" + RecordElement + ">\n</rdf:Description></rdf:RDF></x:xmpmeta>\n<?xpacket end='w'?>";
}

RecordedFields ReadRecordedCase(const QByteArray& pdf) {
  // The packet is stored as it was written, uncompressed, as XMP in a PDF must be.
  const qsizetype start = pdf.indexOf("<x:xmpmeta");
  const QByteArray end = "</x:xmpmeta>";
  const qsizetype stop = start < 0 ? -1 : pdf.indexOf(end, start);
  if (stop < 0) throw std::runtime_error("it carries no metadata of a VORLA report");
  QXmlStreamReader xml(pdf.mid(start, stop + end.size() - start));
  RecordedFields fields;
  bool inRecord = false, found = false;
  while (!xml.atEnd()) {
    xml.readNext();
    const bool recordElement =
        xml.namespaceUri() == QLatin1String(NamespaceUri) && xml.name() == QLatin1String(RecordElement);
    if (xml.isStartElement() && recordElement) inRecord = found = true;
    if (xml.isEndElement() && recordElement) inRecord = false;
    if (!inRecord || !xml.isStartElement() || xml.name() != QLatin1String("li")) continue;
    const std::string entry = xml.readElementText().toStdString();
    const std::size_t equals = entry.find('=');
    if (equals == std::string::npos || equals == 0)
      throw std::runtime_error("its case record has an entry that names no field: \"" + entry + "\"");
    fields.emplace_back(entry.substr(0, equals), entry.substr(equals + 1));
  }
  if (xml.hasError()) throw std::runtime_error("its metadata cannot be read: " + xml.errorString().toStdString());
  if (!found)
    throw std::runtime_error("it carries no case record (a report of an earlier VORLA, or not a VORLA report)");
  return fields;
}

}  // namespace vorla::gui
