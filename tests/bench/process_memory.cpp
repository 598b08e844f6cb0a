#include "process_memory.h"

#include <cctype>
#include <filesystem>
#include <fstream>
#include <map>
#include <optional>
#include <sstream>
#include <stdexcept>
#include <string>

namespace kb::bench {
namespace {

namespace fs = std::filesystem;

// The parent of a process, from /proc/PID/stat; none when it has gone.
std::optional<pid_t> parent_of(pid_t pid) {
  std::ifstream in("/proc/" + std::to_string(pid) + "/stat");
  std::string stat;
  if (!std::getline(in, stat)) return std::nullopt;
  // The command name in parentheses may hold blanks and parentheses; the
  // fields after it start behind the last ')'.
  const std::size_t close = stat.rfind(')');
  if (close == std::string::npos) return std::nullopt;
  std::istringstream fields(stat.substr(close + 1));
  std::string state;
  pid_t parent = 0;
  if (!(fields >> state >> parent)) return std::nullopt;
  return parent;
}

// A "Name:   123 kB" line of a /proc status file, in kB; none when missing.
std::optional<double> kilobytes(const fs::path& file, const std::string& name) {
  std::ifstream in(file);
  std::string line;
  while (std::getline(in, line)) {
    if (line.compare(0, name.size() + 1, name + ":") != 0) continue;
    return std::stod(line.substr(name.size() + 1));
  }
  return std::nullopt;
}

}  // namespace

std::vector<pid_t> process_tree(pid_t root) {
  std::multimap<pid_t, pid_t> children;
  for (const fs::directory_entry& entry : fs::directory_iterator("/proc")) {
    const std::string name = entry.path().filename();
    if (name.empty() || !std::isdigit(static_cast<unsigned char>(name.front()))) continue;
    const pid_t pid = std::stoi(name);
    if (const auto parent = parent_of(pid)) children.emplace(*parent, pid);
  }
  std::vector<pid_t> tree{root};
  for (std::size_t i = 0; i < tree.size(); ++i) {
    const auto [first, last] = children.equal_range(tree[i]);
    for (auto it = first; it != last; ++it) tree.push_back(it->second);
  }
  return tree;
}

ProcessMemory measure_process_tree(pid_t root) {
  ProcessMemory memory;
  for (const pid_t pid : process_tree(root)) {
    const fs::path proc = "/proc/" + std::to_string(pid);
    const std::optional<double> rss = kilobytes(proc / "status", "VmRSS");
    if (!rss) {
      if (pid == root)
        throw std::runtime_error("cannot read the memory of process " + proc.string());
      continue;  // gone meanwhile, or a kernel thread without memory
    }
    if (pid == root) memory.host_rss_mb = *rss / 1024;
    memory.total_rss_mb += *rss / 1024;
    memory.total_pss_mb += kilobytes(proc / "smaps_rollup", "Pss").value_or(0) / 1024;
    ++memory.processes;
  }
  return memory;
}

}  // namespace kb::bench
