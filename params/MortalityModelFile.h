#pragma once
// The mortality models of a case folder's own, kept in the small text file
// Mortality.txt beside Parameters.dat: one model a line, NAME A B C (the
// hazard A + B e^(C x) for a person alive at 15), each after a line that
// begins with "#" and says where it comes from. The case's HAZARDFUNC names
// one of them as it names a built-in model.
#include <string>

#include "engine/PriorModels.h"

namespace vorla {

inline constexpr const char* MortalityModelFileName = "Mortality.txt";

// Why a text cannot name a model of one's own (empty when it can): a name
// is one word of letters, digits, "_" and "-", and not a built-in model's.
std::string ModelNameProblem(const std::string& name);

// The models of the file; none when there is no such file. A line that is
// no model, a name given twice or a file that cannot be read throws
// std::runtime_error naming the file and the line.
OwnMortalityModels ReadMortalityModels(const std::string& path);

// Puts the model into the file after the note line "# NAME: note": a model
// of that name (any letter case) is replaced with its note, the others stay
// as they are. The file appears whole or not at all. Throws
// std::invalid_argument for a name that cannot be one, std::runtime_error
// when the file cannot be read or written.
void SaveMortalityModel(const std::string& path, const OwnMortalityModel& model, const std::string& note);

}  // namespace vorla
