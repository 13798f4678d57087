#pragma once
// What a mortality model says of a population: the mean and the modal age
// at death, and its life table in five-year classes, all for deaths from 15
// to 110.
#include <vector>

#include "calib/MortalityModel.h"

namespace vorla::calib {

struct LifeTableRow {
  int age = 15;     // the class runs from age to age + 5
  double dx = 0.0;  // deaths in the class, of 100,000 alive at 15
  double lx = 0.0;  // alive at its start, of 100,000 alive at 15
  double qx = 0.0;  // share of those alive at its start who die in it
  double ex = 0.0;  // years still to live at its start
};

// Classes 15-20, 20-25, ..., 105-110; everyone alive at 15 dies by 110.
std::vector<LifeTableRow> LifeTable(const MortalityModel& model);

double MeanAgeAtDeath(const MortalityModel& model);
// The age of the highest density of deaths (15 when deaths are most frequent at once).
double ModalAgeAtDeath(const MortalityModel& model);

}  // namespace vorla::calib
