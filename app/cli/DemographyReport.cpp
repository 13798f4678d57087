#include "app/cli/DemographyReport.h"

#include <charconv>
#include <cstdio>

#include "calib/LifeTable.h"

namespace vorla::cli {

namespace {

using calib::ParameterEstimate;

constexpr const char* ParameterNames[] = {"A", "B", "C"};

// The shortest text that reads back as the same number.
std::string Exact(double value) {
  char buffer[64];
  const auto r = std::to_chars(buffer, buffer + sizeof buffer, value);
  return std::string(buffer, r.ptr);
}

std::string Exact(const std::optional<double>& value, const char* none) {
  return value ? Exact(*value) : none;
}

std::string Rounded(double value, const char* format) {
  char buffer[64];
  std::snprintf(buffer, sizeof buffer, format, value);
  return buffer;
}

std::string Rounded(const std::optional<double>& value, const char* format, const char* none) {
  return value ? Rounded(*value, format) : none;
}

void PrintText(const DemographyReport& r, std::ostream& out) {
  const calib::MortalityEstimate& e = r.estimate;
  out << "Mortality of " << e.n << " cases: " << (e.form == calib::MortalityForm::Gompertz ? "Gompertz" : "Makeham")
      << " hazard A + B e^(C x) from 15, deaths from 15 to 110\n"
      << "The fit " << (e.converged ? "converged" : "did not converge") << "; log-likelihood "
      << Rounded(e.logLikelihood, "%.4f") << ", n = " << e.n << "\n\n";
  out << "Parameter  Estimate      SE            " << e.level << " % profile interval\n";
  for (std::size_t k = 0; k < 3; ++k) {
    const ParameterEstimate& p = e.parameters[k];
    std::string line = std::string(ParameterNames[k]) + "          ";
    line += Rounded(p.estimate, "%-13.6g ");
    if (!p.fitted) {
      line += "(held at 0)";
    } else {
      line += Rounded(p.se, "%-13.6g ", p.atBound ? "(at 0)        " : "-             ");
      line += Rounded(p.low, "%.6g", "open") + " to " + Rounded(p.high, "%.6g", "open");
    }
    out << line << "\n";
  }
  out << "\nMean age at death " << Rounded(calib::MeanAgeAtDeath(e.model), "%.1f") << " years; modal age at death "
      << Rounded(calib::ModalAgeAtDeath(e.model), "%.1f") << " years.\n\n";
  out << "Life table, of 100,000 alive at 15:\n"
      << "Age          d_x        l_x     q_x     e_x\n";
  for (const calib::LifeTableRow& row : calib::LifeTable(e.model)) {
    char line[128];
    std::snprintf(line, sizeof line, "%3d-%-3d %10.1f %10.1f  %6.4f  %6.2f\n", row.age, row.age + 5, row.dx, row.lx,
                  row.qx, row.ex);
    out << line;
  }
  out << "\nLog-likelihood of the built-in models:";
  for (std::size_t i = 0; i < r.builtIn.size(); ++i)
    out << (i ? "," : "") << " " << r.builtIn[i].name << " " << Rounded(r.builtIn[i].logLikelihood, "%.4f");
  out << "\n";
}

void PrintCsv(const DemographyReport& r, std::ostream& out) {
  const calib::MortalityEstimate& e = r.estimate;
  out << "QUANTITY,ESTIMATE,SE,LOW,HIGH\n"
      << "n," << e.n << ",,,\n"
      << "model," << FormName(e.form) << ",,,\n"
      << "level," << e.level << ",,,\n"
      << "converged," << (e.converged ? "yes" : "no") << ",,,\n"
      << "log_likelihood," << Exact(e.logLikelihood) << ",,,\n";
  for (std::size_t k = 0; k < 3; ++k) {
    const ParameterEstimate& p = e.parameters[k];
    out << ParameterNames[k] << "," << Exact(p.estimate) << "," << Exact(p.se, "") << "," << Exact(p.low, "") << ","
        << Exact(p.high, "") << "\n";
  }
  out << "mean_age," << Exact(calib::MeanAgeAtDeath(e.model)) << ",,,\n"
      << "modal_age," << Exact(calib::ModalAgeAtDeath(e.model)) << ",,,\n";
  for (const BuiltInLikelihood& b : r.builtIn)
    out << "log_likelihood_" << b.name << "," << Exact(b.logLikelihood) << ",,,\n";
  out << "\nAGE,D_X,L_X,Q_X,E_X\n";
  for (const calib::LifeTableRow& row : calib::LifeTable(e.model))
    out << row.age << "," << Exact(row.dx) << "," << Exact(row.lx) << "," << Exact(row.qx) << "," << Exact(row.ex)
        << "\n";
}

void PrintJson(const DemographyReport& r, std::ostream& out) {
  const calib::MortalityEstimate& e = r.estimate;
  out << "{\n  \"n\": " << e.n << ",\n  \"model\": " << JsonString(FormName(e.form)) << ",\n  \"level\": " << e.level
      << ",\n  \"converged\": " << (e.converged ? "true" : "false")
      << ",\n  \"log_likelihood\": " << Exact(e.logLikelihood);
  for (std::size_t k = 0; k < 3; ++k) {
    const ParameterEstimate& p = e.parameters[k];
    out << ",\n  \"" << ParameterNames[k] << "\": {\"estimate\": " << Exact(p.estimate)
        << ", \"se\": " << Exact(p.se, "null") << ", \"low\": " << Exact(p.low, "null")
        << ", \"high\": " << Exact(p.high, "null") << "}";
  }
  out << ",\n  \"mean_age\": " << Exact(calib::MeanAgeAtDeath(e.model))
      << ",\n  \"modal_age\": " << Exact(calib::ModalAgeAtDeath(e.model)) << ",\n  \"life_table\": [";
  const std::vector<calib::LifeTableRow> table = calib::LifeTable(e.model);
  for (std::size_t i = 0; i < table.size(); ++i) {
    const calib::LifeTableRow& row = table[i];
    out << (i ? ",\n    " : "\n    ") << "{\"age\": " << row.age << ", \"d_x\": " << Exact(row.dx)
        << ", \"l_x\": " << Exact(row.lx) << ", \"q_x\": " << Exact(row.qx) << ", \"e_x\": " << Exact(row.ex) << "}";
  }
  out << "\n  ],\n  \"built_in_log_likelihood\": {";
  for (std::size_t i = 0; i < r.builtIn.size(); ++i)
    out << (i ? ", " : "") << JsonString(r.builtIn[i].name) << ": " << Exact(r.builtIn[i].logLikelihood);
  out << "}\n}\n";
}

}  // namespace

const char* FormName(calib::MortalityForm form) {
  return form == calib::MortalityForm::Gompertz ? "gompertz" : "makeham";
}

void PrintDemography(const DemographyReport& report, ReportFormat format, std::ostream& out) {
  if (format == ReportFormat::Csv)
    PrintCsv(report, out);
  else if (format == ReportFormat::Json)
    PrintJson(report, out);
  else
    PrintText(report, out);
}

}  // namespace vorla::cli
