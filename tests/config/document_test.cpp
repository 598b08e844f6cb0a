#include "common/kb_error.h"
#include "config_test_fixture.h"
#include "support/full_disk.h"

namespace kbtest {
namespace {

TEST_F(ConfigTest, FilesThatAreNotWellFormedConfigurationsAreNeverWritten) {
  check_well_formed_ = false;
  const std::string bad[] = {"",
                             "<KBConfig><Users></KBConfig>",
                             "<KBConfig/><KBConfig/>",
                             "<KBConfig/>trailing text",
                             "<Config><Users/></Config>",
                             "<KBConfig><Users/></KBConfig><?xml version=\"1.0\"?>",
                             "<KBConfig>\xFF</KBConfig>",
                             "<KBConfig>&#1;</KBConfig>"};
  for (const std::string& text : bad) {
    write(text);
    KBConfigIO::updatepwd(path_, "x", box_);
    KBConfigIO::removeuser(path_, "1", box_);
    EXPECT_THROW(KBConfigIO::removesite(path_, "1"), kb::Error);
    EXPECT_THROW(KBConfigIO::updatesite(path_, edit_, "a", "b", "c"), kb::Error);
    EXPECT_EQ(read(), text);
  }
  EXPECT_EQ(box_.texts.size(), 2 * std::size(bad));
  EXPECT_EQ(stray_files(), std::vector<std::string>{});
}

TEST_F(ConfigTest, SavingKeepsDeclarationCommentsAndOurLayoutAddingNothing) {
  const fs::path shipped = fs::path(std::getenv("KB_SOURCE_DIR")) / "Data" / "KBConfig.xml";
  fs::copy_file(shipped, path_);
  const std::string original = read();
  EXPECT_FALSE(KBConfigIO::users_defined(path_));
  KBConfigIO::removesite(path_, "1");
  EXPECT_EQ(read(), original);
  EXPECT_EQ(texts("/KBConfig/Settings/*"), "|No|0|Yes|Yes");
  EXPECT_EQ(texts("/KBConfig/Users/User/ID"), "1");

  write("<!-- the parent's note --><KBConfig><Settings/></KBConfig>");
  KBConfigIO::updatepwd(path_, "p", box_);
  EXPECT_EQ(read(), "<!-- the parent's note -->\n<KBConfig>\n  <Settings>\n    <Pwd>" +
                        texts("/KBConfig/Settings/Pwd") +
                        "</Pwd>\n"
                        "  </Settings>\n</KBConfig>\n");

  // Text read from another encoding is written in UTF-8, and said to be.
  write(
      "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?><KBConfig><Users><User><Name>Ren\xE9</Name>"
      "</User></Users></KBConfig>");
  KBConfigIO::updatepwd(path_, "p", box_);
  EXPECT_EQ(read().substr(0, 39), "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n");
  EXPECT_TRUE(KBConfigIO::user_exists(path_, "Ren\xC3\xA9"));
  EXPECT_TRUE(box_.texts.empty());
}

// A file size limit makes every write fail as a full disk would.
TEST_F(ConfigTest, AFailedSaveLeavesTheFileAsItWas) {
  write(kSmallConfig);
  {
    const FullDisk full;
    KBConfigIO::updateuser(path_, edit_, "Tom", "", box_);
    EXPECT_THROW(KBConfigIO::updatesite(path_, edit_, "Farm", "", "farm.example"), kb::Error);
  }
  ASSERT_EQ(box_.texts.size(), 1u);
  EXPECT_NE(box_.texts[0].find("File too large"), std::string::npos) << box_.texts[0];
  EXPECT_EQ(read(), kSmallConfig);
  EXPECT_EQ(stray_files(), std::vector<std::string>{});
}

}  // namespace
}  // namespace kbtest
