// print_counter_driver <hive folder> <attempts, 0 for endless>: counts prints as a
// session's button would, writing "p" for each allowed and "r" for each refused.
#include <unistd.h>

#include "registry/print_allowance.h"
#include "support/clocks.h"
#include "support/error_stream_box.h"

int main(int argc, char** argv) {
  if (argc != 3) return 2;
  const modRegistry::Registry registry(modRegistry::hive_files(argv[1], {}));
  const kbtest::FixedClock clock;  // a run never crosses midnight
  kbtest::ErrorStreamBox box;
  modKitebrook::PrintAllowance allowance(registry, clock, box);
  const long attempts = std::stol(argv[2]);
  for (long i = 0; attempts == 0 || i < attempts; ++i) {
    const char mark = allowance.can_print(32767) ? 'p' : 'r';
    // Unbuffered: what the test reads is what was reported before a kill.
    if (::write(STDOUT_FILENO, &mark, 1) != 1) return 1;
  }
  return 0;
}
