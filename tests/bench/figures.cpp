#include "figures.h"

#include <cstdio>
#include <sstream>

namespace kb::bench {
namespace {

constexpr const char* kPrefix = "figure ";

}  // namespace

void report_figure(const std::string& name, double value) {
  std::printf("%s%s %.6f\n", kPrefix, name.c_str(), value);
  std::fflush(stdout);
}

std::map<std::string, double> parse_figures(const std::string& output) {
  std::map<std::string, double> figures;
  std::istringstream lines(output);
  std::string line;
  while (std::getline(lines, line)) {
    if (line.rfind(kPrefix, 0) != 0) continue;
    std::istringstream fields(line.substr(std::string(kPrefix).size()));
    std::string name;
    double value = 0;
    if (fields >> name >> value) figures[name] = value;
  }
  return figures;
}

}  // namespace kb::bench
