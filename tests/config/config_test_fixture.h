#pragma once

#include <gtest/gtest.h>
#include <pugixml.hpp>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "config/kb_config_io.h"
#include "support/recorded_messages.h"
#include "support/temp_folder.h"

namespace kbtest {

namespace fs = std::filesystem;

// Users AllUsers (1) and Mary (2); the site Zoo (1) offered to Mary.
inline const char* const kSmallConfig =
    "<KBConfig><Settings><Pwd>secret</Pwd><PrintAllowed>No</PrintAllowed>"
    "<PrintLimit>3</PrintLimit><PwdExit>Yes</PwdExit></Settings>"
    "<Users><User><Name>AllUsers</Name><Image/><ID>1</ID></User>"
    "<User><Name>Mary</Name><Image>mary.png</Image><ID>2</ID></User></Users>"
    "<WebSites><WebSite><Label>Zoo</Label><Image>zoo.png</Image><Target>zoo.example</Target>"
    "<ID>1</ID><AllowedUsers><User><ID>2</ID></User></AllowedUsers></WebSite></WebSites>"
    "</KBConfig>";

// The configuration a parent's session leaves (see store_safety_test.cpp).
inline fs::path golden_file() {
  return fs::path(std::getenv("KB_SOURCE_DIR")) / "tests/config/golden/parent_session.xml";
}

// A program folder with a Data folder in the temporary directory, holding the
// small configuration.
class ConfigTest : public ::testing::Test {
 protected:
  void SetUp() override {
    fs::create_directories(folder_ / "Data");
    path_ = KBConfigIO::config_path(folder_);
    write(kSmallConfig);
  }

  void write(const std::string& text) { write_file(path_, text); }
  std::string read() const { return read_file(path_); }
  // What the Data folder holds beside the configuration, its lock file and
  // its versions, sorted: a temporary file left behind would show here.
  std::vector<std::string> stray_files() const {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder_ / "Data")) {
      const std::string name = entry.path().filename().string();
      if (name != "KBConfig.xml" && name != "KBConfig.xml.lock" && name != "KBConfigVersions")
        names.push_back(name);
    }
    std::sort(names.begin(), names.end());
    return names;
  }

  // The texts of every node the query yields, or the names of the children
  // of the first one, separated by "|".
  std::string texts(const char* query) const { return joined(query, false); }
  std::string child_names(const char* query) const { return joined(query, true); }

  TempFolder temp_{"kb_config"};
  const fs::path folder_ = temp_.path();
  fs::path path_;
  RecordedMessages box_;
  KBConfigIO::EditGlobals edit_;

 private:
  std::string joined(const char* query, bool child_names) const {
    pugi::xml_document doc;
    EXPECT_TRUE(doc.load_file(path_.c_str()));
    const pugi::xpath_node_set nodes = doc.select_nodes(query);
    std::vector<std::string> parts;
    if (!child_names)
      for (const pugi::xpath_node& n : nodes) parts.push_back(n.node().text().get());
    else if (!nodes.empty())
      for (pugi::xml_node c : nodes.first().node().children()) parts.push_back(c.name());
    std::string text;
    for (std::size_t i = 0; i < parts.size(); ++i) text += (i ? "|" : "") + parts[i];
    return text;
  }
};

}  // namespace kbtest
