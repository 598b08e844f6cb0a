#include "config/password_hash.h"
#include "config_test_fixture.h"

namespace kbtest {
namespace {

using namespace KBConfigIO;

// A parent's first evening with a fresh installation: three children, five
// sites, sites offered and withdrawn, a rename, the settings changed.
TEST_F(ConfigTest, AParentsSessionGivesTheGoldenFile) {
  const fs::path source(std::getenv("KB_SOURCE_DIR"));
  fs::copy_file(source / "Data" / "KBConfig.xml", path_);
  const auto step = [this](auto&& change) {
    change();
    expect_well_formed();
  };
  step([&] { updatepwd(path_, "kite", box_); });
  for (const char* child : {"Anna", "Ben", "Cleo"})
    step([&] { updateuser(path_, edit_, child, std::string(child) + ".png", box_); });
  const char* sites[][3] = {{"Zoo", "zoo.png", "http://zoo.example"},
                            {"Farm", "farm.png", "HTTP://farm.example/animals"},
                            {"Stories & Songs", "songs.png", "https://songs.example"},
                            {"Space", "space.png", "http:\\\\space.example"},
                            {"Puzzles", "", "puzzles.example/?a=1&b=2"}};
  for (const auto& site : sites) step([&] { updatesite(path_, edit_, site[0], site[1], site[2]); });
  const char* offers[][2] = {{"1", "1"}, {"2", "2"}, {"3", "2"}, {"4", "3"},
                             {"2", "4"}, {"3", "5"}, {"4", "5"}, {"2", "2"}};
  for (const auto& offer : offers) step([&] { assignsitetouser(path_, offer[0], offer[1]); });

  setuserglobals(edit_, "3");
  step([&] { updateuser(path_, edit_, "Benjamin", "", box_); });
  clearuserglobals(edit_);
  setsiteglobals(edit_, "2");
  step([&] { updatesite(path_, edit_, "Old MacDonald's Farm", "", "farm.example/animals"); });
  clearsiteglobals(edit_);
  step([&] { removeuserfromsite(path_, "3", "2", box_); });
  step([&] { removeuserfromsite(path_, "2", "1", box_); });  // Zoo stays offered to all
  step([&] { removesite(path_, "4"); });
  step([&] { updatesettings(path_, "0", "1", "", "5", box_); });

  ASSERT_EQ(box_.shown.size(), 1u);
  EXPECT_EQ(box_.shown[0].substr(0, 27), "The web-site Zoo is configu");
  std::ifstream golden_file(source / "tests" / "config" / "golden" / "parent_session.xml");
  std::stringstream golden;
  golden << golden_file.rdbuf();
  // The password is a salted hash, new at every run; the golden file names it.
  const std::string hash = texts("/KBConfig/Settings/Pwd");
  EXPECT_EQ(KBConfigIO::check_password(hash, "kite"), KBConfigIO::PasswordCheck::Correct);
  std::string saved = read();
  saved.replace(saved.find(hash), hash.size(), "kite");
  EXPECT_EQ(saved, golden.str());
}

}  // namespace
}  // namespace kbtest
