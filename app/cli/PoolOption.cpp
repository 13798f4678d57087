#include "app/cli/PoolOption.h"

#include <stdexcept>

namespace vorla::cli {

calib::Pooling PoolingOption(const CommandLine& arguments) {
  const std::optional<std::string> pool = arguments.Value("--pool");
  if (!pool) return arguments.Has("--pool-groups") ? calib::Pooling::All : calib::Pooling::None;
  calib::Pooling pooling = calib::Pooling::None;
  try {
    pooling = calib::ParsePooling(*pool);
  } catch (const std::invalid_argument& e) {
    throw UsageError(e.what());
  }
  if (arguments.Has("--pool-groups") && pooling != calib::Pooling::All)
    throw UsageError("--pool-groups is --pool all; it cannot go with --pool " + *pool);
  return pooling;
}

}  // namespace vorla::cli
