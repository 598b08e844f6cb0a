#pragma once

#include <map>
#include <string>

namespace kb::bench {

// The probes tell the benchmark driver their figures on standard output, one
// "figure NAME VALUE" line each, among whatever else they print.
void report_figure(const std::string& name, double value);

// The figures in a probe's output, by name.
std::map<std::string, double> parse_figures(const std::string& output);

}  // namespace kb::bench
