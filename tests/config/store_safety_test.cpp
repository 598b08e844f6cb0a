#include <sys/stat.h>

#include <algorithm>
#include <chrono>
#include <random>
#include <sstream>
#include <thread>

#include "common/kb_error.h"
#include "config/child_sites.h"
#include "config/config_recovery.h"
#include "config/config_versions.h"
#include "config/password_hash.h"
#include "config_test_fixture.h"
#include "support/child_process.h"
#include "support/full_disk.h"

namespace kbtest {
namespace {

using namespace KBConfigIO;

long count_of(const std::string& marks, char mark) {
  return static_cast<long>(std::count(marks.begin(), marks.end(), mark));
}

// Only the program's own temporary files are removed, beside the file and among its versions.
TEST_F(ConfigTest, SessionsChangingAtOnceOrKilledAtRandomPointsLoseNoChangeAndLeaveAGoodFile) {
  const fs::path versions = versions_folder(path_);
  for (const char* own : {".KBConfig.xml.kb-tmp-Ab12Cd", ".Saved.xml.kb-tmp-000000"})
    write_file(folder_ / "Data" / own, "partial");
  write_file(versions / ".KBConfig.000001.xml.kb-tmp-xYz123", "partial");
  for (const char* theirs : {"KBConfig.xml.backup", "KBConfig.xml.Ab12Cd",
                             ".KBConfig.xml.kb-tmp-Ab12Cd7", ".KBConfig.xml.kb-tmp-Ab-2Cd"})
    write_file(folder_ / "Data" / theirs, "the parent's");
  fs::create_directories(folder_ / "Data" / ".folder.kb-tmp-abcdef");
  EXPECT_EQ(remove_save_leftovers(path_), 3);
  EXPECT_TRUE(fs::is_empty(versions));
  const std::vector<std::string> theirs = {".KBConfig.xml.kb-tmp-Ab-2Cd",
                                           ".KBConfig.xml.kb-tmp-Ab12Cd7", ".folder.kb-tmp-abcdef",
                                           "KBConfig.xml.Ab12Cd", "KBConfig.xml.backup"};
  EXPECT_EQ(stray_files(), theirs);

  const unsigned seed = static_cast<unsigned>(std::random_device{}());
  std::mt19937 random(seed);
  std::uniform_int_distribution<int> delay_us(0, 15000);
  SCOPED_TRACE("seed " + std::to_string(seed));
  long users = 2;
  for (int kill = 0; kill < 200; ++kill) {
    const std::string round = std::to_string(kill);
    ChildProcess first({KB_CONFIG_WRITER_DRIVER, path_.string(), "A" + round + "-", "0"});
    ChildProcess second({KB_CONFIG_WRITER_DRIVER, path_.string(), "B" + round + "-", "0"});
    std::this_thread::sleep_for(std::chrono::microseconds(delay_us(random)));
    first.kill_now();
    second.kill_now();
    first.wait();
    second.wait();
    const std::string marks = first.read_all() + second.read_all();
    ASSERT_EQ(count_of(marks, 'f'), 0);
    ASSERT_TRUE(config_readable(path_)) << "after kill " << kill;
    const long now = count_of(texts("/KBConfig/Users/User/ID"), '|') + 1;
    // Every reported change is stored; at most the two in flight besides.
    ASSERT_GE(now, users + count_of(marks, 'a')) << "after kill " << kill;
    ASSERT_LE(now, users + count_of(marks, 'a') + 2) << "after kill " << kill;
    users = now;
  }
  remove_save_leftovers(path_);
  EXPECT_EQ(stray_files(), theirs);
  // A kill between keeping a version and dropping the oldest leaves one too many.
  updatepwd(path_, "after", box_);
  EXPECT_EQ(kept_versions(path_).size(), 5u);
}

TEST_F(ConfigTest, EverySaveKeepsTheLastFiveGoodVersionsFromWhichADamagedFileIsRestored) {
  ::chmod(path_.c_str(), 0660);
  ::chmod((folder_ / "Data").c_str(), 0770);
  EXPECT_EQ(restore_newest_version(path_, ""), RestoreResult::AlreadyGood);
  for (int i = 1; i <= 7; ++i) updatepwd(path_, "p" + std::to_string(i), box_);
  std::vector<fs::path> versions = kept_versions(path_);
  ASSERT_EQ(versions.size(), 5u);
  // Open to the same accounts as the configuration and its folder.
  EXPECT_EQ(fs::status(versions_folder(path_)).permissions(), fs::perms(0770));
  EXPECT_EQ(fs::status(versions[0]).permissions(), fs::perms(0660));
  EXPECT_EQ(read_file(versions[0]), read());  // the file as saved last
  // Each version holds the password stored by its save (as a hash).
  EXPECT_EQ(check_password(stored_password(versions[1]), "p6"), PasswordCheck::Correct);
  EXPECT_EQ(check_password(stored_password(versions[4]), "p3"), PasswordCheck::Correct);

  // A save that changes nothing keeps no copy; a hand edit is kept before a save replaces it.
  removeuser(path_, "99", box_);
  EXPECT_EQ(kept_versions(path_), versions);
  write(std::string(kSmallConfig).replace(std::string(kSmallConfig).find("Mary"), 4, "Maria"));
  updatepwd(path_, "p8", box_);
  versions = kept_versions(path_);
  ASSERT_EQ(versions.size(), 5u);
  EXPECT_NE(read_file(versions[1]).find("Maria"), std::string::npos);

  const std::string good = read();
  const std::string damaged = std::string("\0\1binary", 8);
  write(damaged);
  // The newest version is damaged too: the one before it is good.
  std::ofstream(versions_folder(path_) / "KBConfig.000099.xml") << "<Nope/>";
  EXPECT_EQ(restore_newest_version(path_, "p7"), RestoreResult::WrongPassword);
  EXPECT_EQ(read(), damaged);
  EXPECT_EQ(restore_newest_version(path_, "p8"), RestoreResult::Restored);
  EXPECT_EQ(read(), good);
  std::vector<std::string> kept_aside;
  for (const auto& entry : fs::directory_iterator(versions_folder(path_)))
    if (entry.path().filename().string().rfind("KBConfig.damaged-", 0) == 0)
      kept_aside.push_back(read_file(entry.path()));
  EXPECT_EQ(kept_aside, std::vector<std::string>{damaged});
  fs::remove_all(versions_folder(path_));
  write("<KBConfig><Users>");
  EXPECT_EQ(restore_newest_version(path_, "p8"), RestoreResult::NoGoodVersion);
}

// A file size limit makes every write fail as a full disk would.
TEST_F(ConfigTest, AFailedSaveOrATextOrFileThatIsNoWellFormedConfigurationWritesNothing) {
  {
    const FullDisk full;
    updateuser(path_, edit_, "Tom", "", box_);
    EXPECT_THROW(updatesite(path_, edit_, "Farm", "", "farm.example"), kb::Error);
  }
  ASSERT_EQ(box_.texts.size(), 1u);
  EXPECT_NE(box_.texts[0].find("File too large"), std::string::npos) << box_.texts[0];
  EXPECT_EQ(read(), kSmallConfig);
  for (const auto& entry : fs::recursive_directory_iterator(folder_ / "Data"))
    EXPECT_EQ(entry.path().filename().string().find(".kb-tmp-"), std::string::npos) << entry.path();

  const fs::path data = folder_ / "Data";
  for (const std::string text :
       {"", "<KBConfig><Users></KBConfig>", "<KBConfig/><KBConfig/>", "<KBConfig/>trailing text",
        "<Config><Users/></Config>", "<KBConfig><Users/></KBConfig><?xml version=\"1.0\"?>",
        "<KBConfig>\xFF</KBConfig>", "<KBConfig>&#1;</KBConfig>"}) {
    const std::string before = read();
    EXPECT_THROW(save_xml_file(path_, path_, text), kb::Error) << text;
    EXPECT_THROW(save_xml_file(path_, data / "kbconfig.XML", text), kb::Error) << text;
    EXPECT_EQ(read(), before);
    write(text);
    updatepwd(path_, "x", box_);
    removeuser(path_, "1", box_);
    EXPECT_THROW(removesite(path_, "1"), kb::Error);
    EXPECT_THROW(updatesite(path_, edit_, "a", "b", "c"), kb::Error);
    EXPECT_EQ(read(), text);
  }
  EXPECT_EQ(box_.texts.size(), 17u);  // the full disk's, then two for each text

  // A missing file is never made; each change says so in its own words.
  fs::remove(path_);
  box_.texts.clear();
  updateuser(path_, edit_, "Tom", "", box_);
  updatepwd(path_, "c", box_);
  updatesettings(path_, "1", "0", "", "5", box_);
  removeuser(path_, "2", box_);
  EXPECT_THROW(updatesite(path_, edit_, "a", "", "b"), kb::Error);
  EXPECT_THROW(removesite(path_, "1"), kb::Error);
  EXPECT_FALSE(fs::exists(path_));
  const std::string not_set = "Object variable or With block variable not set";
  EXPECT_EQ(box_.texts,
            (std::vector<std::string>{"Error: " + not_set + "91Kitebrook",
                                      "Error: " + not_set + "91Kitebrook",
                                      "error in updatesettings " + not_set + ":91", not_set}));
}

TEST_F(ConfigTest, SavingKeepsDeclarationCommentsAndTheEncodingInOurLayout) {
  const fs::path other = folder_ / "Data" / "Other.xml";
  EXPECT_THROW(save_xml_file(path_, other, "<a/><b/>"), kb::Error);
  save_xml_file(path_, other, "<Other><x>1</x></Other>");
  EXPECT_EQ(read_file(other), "<Other>\n  <x>1</x>\n</Other>\n");
  EXPECT_TRUE(kept_versions(path_).empty());
  save_xml_file(path_, path_,
                "<!-- note --><KBConfig><Settings><Pwd>new</Pwd></Settings></KBConfig>");
  EXPECT_EQ(read(),
            "<!-- note -->\n<KBConfig>\n  <Settings>\n    <Pwd>new</Pwd>\n  </Settings>\n"
            "</KBConfig>\n");
  const std::vector<fs::path> versions = kept_versions(path_);
  ASSERT_EQ(versions.size(), 2u);
  EXPECT_EQ(read_file(versions[1]), kSmallConfig);

  write("<!-- the parent's note --><KBConfig><Settings/></KBConfig>");
  updatepwd(path_, "p", box_);
  EXPECT_EQ(read().substr(0, 38), "<!-- the parent's note -->\n<KBConfig>\n");
  // Text read from another encoding is written in UTF-8, and said to be.
  write(
      "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?><KBConfig><Users><User><Name>Ren\xE9</Name>"
      "</User></Users></KBConfig>");
  updatepwd(path_, "p", box_);
  EXPECT_EQ(read().substr(0, 39), "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n");
  EXPECT_TRUE(user_exists(path_, "Ren\xC3\xA9"));
}

// A parent's first evening: children and sites added, offered, withdrawn, renamed; hosts allowed.
TEST_F(ConfigTest, AParentsSessionGivesTheGoldenFile) {
  write(read_file(fs::path(std::getenv("KB_SOURCE_DIR")) / "Data" / "KBConfig.xml"));
  EXPECT_EQ(texts("/KBConfig/Settings/*"), "|No|0|Yes|Yes");
  updatepwd(path_, "kite", box_);
  for (const char* child : {"Anna", "Ben", "Cleo"})
    updateuser(path_, edit_, child, std::string(child) + ".png", box_);
  const char* sites[][3] = {{"Zoo", "zoo.png", "http://zoo.example"},
                            {"Farm", "farm.png", "HTTP://farm.example/animals"},
                            {"Stories & Songs", "songs.png", "https://songs.example"},
                            {"Space", "space.png", "http:\\\\space.example"},
                            {"Puzzles", "", "puzzles.example/?a=1&b=2"}};
  for (const auto& site : sites) updatesite(path_, edit_, site[0], site[1], site[2]);
  const char* offers[][2] = {{"1", "1"}, {"2", "2"}, {"3", "2"}, {"4", "3"},
                             {"2", "4"}, {"3", "5"}, {"4", "5"}, {"2", "2"}};
  for (const auto& offer : offers) assignsitetouser(path_, offer[0], offer[1]);
  set_also_allow(path_, "2", {"a.example", "b.example"});
  set_also_allow(path_, "2", {"farm-cdn.example"});
  approve_host_for_user_name(path_, "Ben", "library.example");
  approve_host_for_user_id(path_, "3", "library.example");
  approve_host_for_user_id(path_, "4", "museum.example");
  approve_host_for_user_id(path_, "4", "zoo.example");
  withdraw_host_for_user_id(path_, "4", "museum.example");

  setuserglobals(edit_, "3");
  updateuser(path_, edit_, "Benjamin", "", box_);
  setsiteglobals(edit_, "2");
  updatesite(path_, edit_, "Old MacDonald's Farm", "", "farm.example/animals");
  removeuserfromsite(path_, "3", "2", box_);
  removeuserfromsite(path_, "2", "1", box_);  // Zoo stays offered to all: advice
  removesite(path_, "4");
  updatesettings(path_, "0", "1", "anything", "5", box_);
  EXPECT_EQ(box_.texts.size(), 1u);

  // The password is a salted hash, new at every run; the golden file names it.
  const std::string hash = texts("/KBConfig/Settings/Pwd");
  EXPECT_EQ(check_password(hash, "kite"), PasswordCheck::Correct);
  std::string saved = read();
  saved.replace(saved.find(hash), hash.size(), "kite");
  // The golden file is kept compact; the file saved has the store's layout.
  pugi::xml_document golden;
  ASSERT_TRUE(
      golden.load_file(golden_file().c_str(), pugi::parse_default | pugi::parse_declaration));
  std::ostringstream expected;
  golden.save(expected, "  ", pugi::format_indent | pugi::format_no_declaration);
  EXPECT_EQ(saved, expected.str());
}

}  // namespace
}  // namespace kbtest
