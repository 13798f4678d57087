#pragma once
// --pool sex|ancestry|all, and its older form --pool-groups, of calibrate and
// validate --folds.
#include "app/cli/CommandLine.h"
#include "calib/Calibration.h"

namespace vorla::cli {

// None when neither is given; a usage error for another word, or for
// --pool-groups beside a --pool other than all.
calib::Pooling PoolingOption(const CommandLine& arguments);

}  // namespace vorla::cli
