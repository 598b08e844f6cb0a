#pragma once

#include <gtest/gtest.h>
#include <pugixml.hpp>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <set>
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

// A program folder whose Data folder holds the small configuration.
class ConfigTest : public ::testing::Test {
 protected:
  void SetUp() override {
    fs::create_directories(folder_ / "Data");
    path_ = KBConfigIO::config_path(folder_);
    write(kSmallConfig);
  }

  void write(const std::string& text) { write_file(path_, text); }
  std::string read() const { return read_file(path_); }
  // The Data folder's other files, sorted: a temporary file left behind shows here.
  std::vector<std::string> stray_files() const {
    std::set<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder_ / "Data"))
      names.insert(entry.path().filename().string());
    for (const char* own : {"KBConfig.xml", "KBConfig.xml.lock", "KBConfigVersions"})
      names.erase(own);
    return {names.begin(), names.end()};
  }

  // The texts of the nodes the query yields, or the first one's children's names, joined by "|".
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
    std::string text;
    if (!child_names)
      for (const pugi::xpath_node& n : nodes) text += std::string("|") + n.node().text().get();
    else if (!nodes.empty())
      for (pugi::xml_node c : nodes.first().node().children()) text += std::string("|") + c.name();
    return text.empty() ? text : text.substr(1);
  }
};

}  // namespace kbtest
