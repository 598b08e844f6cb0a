#pragma once

#include <cstdlib>
#include <initializer_list>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace kbtest {

class EnvironmentKept {
 public:
  explicit EnvironmentKept(std::initializer_list<const char*> names) {
    for (const char* name : names) {
      const char* value = std::getenv(name);
      saved_.emplace_back(name, value ? std::optional<std::string>(value) : std::nullopt);
    }
  }
  ~EnvironmentKept() {
    for (const auto& [name, value] : saved_)
      value ? ::setenv(name.c_str(), value->c_str(), 1) : ::unsetenv(name.c_str());
  }

 private:
  std::vector<std::pair<std::string, std::optional<std::string>>> saved_;
};

}  // namespace kbtest
