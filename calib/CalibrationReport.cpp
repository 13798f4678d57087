#include "calib/CalibrationReport.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "calib/ParameterWriter.h"
#include "store/CsvText.h"

namespace vorla::calib {

namespace {

std::string Format(const char* format, double value) {
  if (!std::isfinite(value)) return "-";
  char buffer[64];
  std::snprintf(buffer, sizeof buffer, format, value);
  return buffer;
}

std::string Padded(const std::string& text, std::size_t width, bool right) {
  if (text.size() >= width) return text;
  const std::string pad(width - text.size(), ' ');
  return right ? pad + text : text + pad;
}

std::string GroupColumn(int group) {
  return group == 0 ? "all" : std::to_string(group);
}

}  // namespace

std::string TransitionFlag(const ComponentFit& fit, int t) {
  const TransitionEstimate& e = fit.transitions[static_cast<std::size_t>(t)];
  std::string flag;
  const auto add = [&flag](const std::string& what) { flag += (flag.empty() ? "" : "; ") + what; };
  if (t > 0 && e.age < fit.transitions[static_cast<std::size_t>(t - 1)].age)
    add("age below that of transition " + std::to_string(t));
  if (!(e.b > 0.0)) add("slope not positive");
  if (!std::isfinite(e.ageSE)) add("standard error unknown");
  return flag;
}

std::string CalibrationReportText(const CalibrationResult& result, const std::string& sampleName,
                                  const std::string& templateName) {
  std::string text = "Calibration on " + sampleName + " (" + std::to_string(result.individuals) +
                     " individuals), structure from " + templateName + "\n";
  text +=
      "Transition t leads from stage t to stage t+1. Before: individuals seen in stage t;\n"
      "after: individuals seen beyond it. Age = -a/b, with its standard error.\n\n";
  std::size_t nameWidth = 9;
  for (const FitReport& f : result.fits) nameWidth = std::max(nameWidth, f.componentName.size());
  text += Padded("Component", nameWidth, false) +
          "  Group  Tr.      N  Before  After             a           b     Age  SE(age)     log L  Note\n";
  std::vector<std::string> notes;
  std::size_t flagged = 0;
  for (const FitReport& f : result.fits) {
    for (std::size_t t = 0; t < f.fit.transitions.size(); ++t) {
      const TransitionEstimate& e = f.fit.transitions[t];
      const TransitionSides& s = f.fit.sides[t];
      const std::string flag = TransitionFlag(f.fit, static_cast<int>(t));
      flagged += flag.empty() ? 0 : 1;
      text +=
          Padded(t == 0 ? f.componentName : "", nameWidth, false) + "  " + Padded(GroupColumn(f.group), 5, true) +
          "  " + Padded(std::to_string(t + 1), 3, true) + "  " + Padded(std::to_string(f.fit.individuals), 5, true) +
          "  " + Padded(std::to_string(s.before), 6, true) + "  " + Padded(std::to_string(s.after), 5, true) + "  " +
          Padded(Format("%.5f", e.a), 12, true) + "  " + Padded(Format("%.6f", e.b), 10, true) + "  " +
          Padded(Format("%.1f", e.age), 6, true) + "  " + Padded(Format("%.2f", e.ageSE), 7, true) + "  " +
          Padded(t == 0 ? Format("%.2f", f.fit.logLikelihood) : "", 8, true) + (flag.empty() ? "" : "  " + flag) + "\n";
    }
    if (f.group == 0)
      notes.push_back(f.componentName + " was fitted on all groups together, because for " + f.pooledBecause + ".");
  }
  if (flagged > 0)
    notes.push_back(std::to_string(flagged) + " transition" + (flagged == 1 ? " is" : "s are") +
                    " flagged in the Note column; look at the scores of these stages before using the file.");
  if (!notes.empty()) {
    text += "\nNotes:\n";
    for (const std::string& n : notes) text += "- " + n + "\n";
  }
  return text;
}

std::string CalibrationReportCsv(const CalibrationResult& result) {
  std::string text = "COMPLEX,COMPONENT,GROUP,TRANSITION,INDIVIDUALS,BEFORE,AFTER,A,B,AGE,AGE_SE,LOG_LIKELIHOOD,NOTE\n";
  for (const FitReport& f : result.fits) {
    for (std::size_t t = 0; t < f.fit.transitions.size(); ++t) {
      const TransitionEstimate& e = f.fit.transitions[t];
      const TransitionSides& s = f.fit.sides[t];
      std::string note = TransitionFlag(f.fit, static_cast<int>(t));
      if (f.group == 0) note = "fitted on all groups together" + (note.empty() ? "" : "; " + note);
      text += CsvCell(f.complexName) + "," + CsvCell(f.componentName) + "," + GroupColumn(f.group) + "," +
              std::to_string(t + 1) + "," + std::to_string(f.fit.individuals) + "," + std::to_string(s.before) + "," +
              std::to_string(s.after) + "," + ExactReal(e.a) + "," + ExactReal(e.b) + "," + ExactReal(e.age) + "," +
              (std::isfinite(e.ageSE) ? ExactReal(e.ageSE) : "") + "," + ExactReal(f.fit.logLikelihood) + "," +
              CsvCell(note) + "\n";
    }
  }
  return text;
}

}  // namespace vorla::calib
