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

std::string GroupColumn(const FitReport& f) {
  if (f.groups.size() == 4 || f.groups.empty()) return "all";
  std::string text;
  for (int g : f.groups) text += (text.empty() ? "" : "+") + std::to_string(g);
  return text;
}

std::string Individuals(std::size_t count) {
  return std::to_string(count) + (count == 1 ? " individual" : " individuals");
}

}  // namespace

bool Undetermined(const TransitionEstimate& e, double mostAgeSE) {
  return !(e.age >= YoungestAge && e.age <= OldestAge) || !(e.ageSE <= mostAgeSE);
}

namespace {

std::string UndeterminedWhy(const TransitionEstimate& e, double mostAgeSE) {
  if (!(e.age >= YoungestAge && e.age <= OldestAge)) return "age outside 15-110";
  if (!std::isfinite(e.ageSE)) return "standard error unknown";
  return "standard error above " + Format("%g", mostAgeSE) + " years";
}

}  // namespace

std::string TransitionFlag(const ComponentFit& fit, int t, double mostAgeSE) {
  const TransitionEstimate& e = fit.transitions[static_cast<std::size_t>(t)];
  std::string flag;
  const auto add = [&flag](const std::string& what) { flag += (flag.empty() ? "" : "; ") + what; };
  if (t > 0 && e.age < fit.transitions[static_cast<std::size_t>(t - 1)].age)
    add("age below that of transition " + std::to_string(t));
  if (!(e.b > 0.0)) add("slope not positive");
  if (Undetermined(e, mostAgeSE)) add("not determined by this sample (" + UndeterminedWhy(e, mostAgeSE) + ")");
  return flag;
}

std::string CalibrationReportText(const CalibrationResult& result, const std::string& sampleName,
                                  const std::string& templateName) {
  std::string text = "Calibration on " + sampleName + " (" + Individuals(result.individuals) + "), structure from " +
                     templateName + "\n";
  text +=
      "Transition t leads from stage t to stage t+1. N: individuals at risk, those known to\n"
      "have reached stage t; before: individuals seen in stage t; after: individuals seen\n"
      "beyond it. Age = -a/b, with its standard error. A transition whose age lies outside\n"
      "15-110 or whose standard error exceeds " +
      Format("%g", result.mostAgeSE) + " years is not determined by this sample.\n\n";
  std::size_t nameWidth = 9;
  for (const FitReport& f : result.fits) nameWidth = std::max(nameWidth, f.componentName.size());
  text += Padded("Component", nameWidth, false) +
          "  Group  Tr.      N  Before  After             a           b     Age  SE(age)     log L  Note\n";
  std::vector<std::string> notes;
  struct PooledNote {
    std::vector<int> groups;
    std::string why;
    std::vector<std::string> components;
  };
  std::vector<PooledNote> pooled;
  std::size_t flagged = 0, undetermined = 0;
  for (const FitReport& f : result.fits) {
    for (std::size_t t = 0; t < f.fit.transitions.size(); ++t) {
      const TransitionEstimate& e = f.fit.transitions[t];
      const TransitionSides& s = f.fit.sides[t];
      const std::string flag = TransitionFlag(f.fit, static_cast<int>(t), result.mostAgeSE);
      flagged += flag.empty() ? 0 : 1;
      undetermined += Undetermined(e, result.mostAgeSE) ? 1 : 0;
      text += Padded(t == 0 ? f.componentName : "", nameWidth, false) + "  " + Padded(GroupColumn(f), 5, true) + "  " +
              Padded(std::to_string(t + 1), 3, true) + "  " + Padded(std::to_string(s.atRisk), 5, true) + "  " +
              Padded(std::to_string(s.before), 6, true) + "  " + Padded(std::to_string(s.after), 5, true) + "  " +
              Padded(Format("%.5f", e.a), 12, true) + "  " + Padded(Format("%.6f", e.b), 10, true) + "  " +
              Padded(Format("%.1f", e.age), 6, true) + "  " + Padded(Format("%.2f", e.ageSE), 7, true) + "  " +
              Padded(t == 0 ? Format("%.2f", f.fit.logLikelihood) : "", 8, true) + (flag.empty() ? "" : "  " + flag) +
              "\n";
    }
    if (f.groups.size() > 1) {
      // Components pooled alike for the same reason share one note.
      const std::string why = " together, because for " + f.pooledBecause + ".";
      const auto same = std::find_if(pooled.begin(), pooled.end(),
                                     [&](const PooledNote& n) { return n.groups == f.groups && n.why == why; });
      if (same == pooled.end())
        pooled.push_back({f.groups, why, {f.componentName}});
      else
        same->components.push_back(f.componentName);
    }
  }
  for (const PooledNote& n : pooled) {
    std::string names;
    for (std::size_t i = 0; i < n.components.size(); ++i)
      names += (i == 0 ? "" : i + 1 == n.components.size() ? " and " : ", ") + n.components[i];
    notes.push_back(names + (n.components.size() == 1 ? " was" : " were") + " fitted on " + GroupsName(n.groups) +
                    n.why);
  }
  if (flagged > 0)
    notes.push_back(std::to_string(flagged) + " transition" + (flagged == 1 ? " is" : "s are") +
                    " flagged in the Note column; look at the scores of these stages before using the file.");
  if (undetermined > 0)
    notes.push_back(
        std::to_string(undetermined) + (undetermined == 1 ? " transition is" : " transitions are") +
        " not determined by this sample: the estimates of skeletons in these stages will run to the ends of the age "
        "range. Merge the sparse stage with its neighbour on the template's recoding line, or pool groups with "
        "--pool.");
  if (!notes.empty()) {
    text += "\nNotes:\n";
    for (const std::string& n : notes) text += "- " + n + "\n";
  }
  return text;
}

std::string CalibrationReportCsv(const CalibrationResult& result) {
  std::string text = "COMPLEX,COMPONENT,GROUP,TRANSITION,AT_RISK,BEFORE,AFTER,A,B,AGE,AGE_SE,LOG_LIKELIHOOD,NOTE\n";
  for (const FitReport& f : result.fits) {
    for (std::size_t t = 0; t < f.fit.transitions.size(); ++t) {
      const TransitionEstimate& e = f.fit.transitions[t];
      const TransitionSides& s = f.fit.sides[t];
      std::string note = TransitionFlag(f.fit, static_cast<int>(t), result.mostAgeSE);
      if (f.groups.size() > 1)
        note = "fitted on " + GroupsName(f.groups) + " together" + (note.empty() ? "" : "; " + note);
      text += CsvCell(f.complexName) + "," + CsvCell(f.componentName) + "," + GroupColumn(f) + "," +
              std::to_string(t + 1) + "," + std::to_string(s.atRisk) + "," + std::to_string(s.before) + "," +
              std::to_string(s.after) + "," + ExactReal(e.a) + "," + ExactReal(e.b) + "," + ExactReal(e.age) + "," +
              (std::isfinite(e.ageSE) ? ExactReal(e.ageSE) : "") + "," + ExactReal(f.fit.logLikelihood) + "," +
              CsvCell(note) + "\n";
    }
  }
  return text;
}

}  // namespace vorla::calib
