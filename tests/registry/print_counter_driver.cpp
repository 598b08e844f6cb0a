// Counts prints against one machine-wide hive in a loop, as a session's print
// button would, so that tests can kill it at any point or run two at once.
// Usage: print_counter_driver <HKLM file> <attempts, 0 for endless>
// Writes "p" to standard output for each print allowed, "r" for each refused.
#include <unistd.h>

#include <cstdlib>
#include <iostream>
#include <string>

#include "registry/print_allowance.h"
#include "support/clocks.h"
#include "support/error_stream_box.h"

int main(int argc, char** argv) {
  if (argc != 3) {
    std::cerr << "usage: print_counter_driver <HKLM file> <attempts>\n";
    return 2;
  }
  modRegistry::HiveFiles files;
  files.hklm = argv[1];
  files.hkcu = std::string(argv[1]) + ".user";
  const modRegistry::Registry registry(files);
  const kbtest::FixedClock clock;  // a run never crosses midnight
  kbtest::ErrorStreamBox box;
  modKitebrook::PrintAllowance allowance(registry, clock, box);
  const long attempts = std::atol(argv[2]);
  for (long i = 0; attempts == 0 || i < attempts; ++i) {
    const char mark = allowance.can_print(32767) ? 'p' : 'r';
    // Unbuffered: what the test reads is what was reported before a kill.
    if (::write(STDOUT_FILENO, &mark, 1) != 1) return 1;
  }
  return 0;
}
