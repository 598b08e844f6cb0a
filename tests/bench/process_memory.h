#pragma once

#include <sys/types.h>

#include <vector>

namespace kb::bench {

// Memory of a process and of every process it started (the engine's web and
// network processes, with any sandbox launchers between), from /proc.
struct ProcessMemory {
  double host_rss_mb = 0;   // resident set of the root process alone
  double total_rss_mb = 0;  // resident sets of the whole tree, added up
  // Proportional set sizes of the whole tree: pages shared between the
  // processes counted once, which the added-up resident sets count twice.
  double total_pss_mb = 0;
  int processes = 0;
};

// The process `root` and its descendants, found through the parent of every
// process under /proc.
std::vector<pid_t> process_tree(pid_t root);

// Measures `root` and its descendants; throws std::runtime_error when `root`
// cannot be read.
ProcessMemory measure_process_tree(pid_t root);

}  // namespace kb::bench
