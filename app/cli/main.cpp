// vorla-cli: the case table, the analysis and the trace without the window.
#include "app/cli/Commands.h"

int main(int argc, char** argv) {
  return vorla::cli::RunCli(argc, argv);
}
