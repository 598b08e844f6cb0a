#include <gtest/gtest.h>

#include "support/app_fixture.h"
#include "support/full_disk.h"

namespace kb::testing {
namespace {

using ConfigFailures = AppTest;

TEST_F(ConfigFailures, EverySiteChangeThatFailsTellsTheParentOnce) {
  start();
  const std::string before = read_config();
  {
    const kbtest::FullDisk full;
    send_from_web("VBCONTAINER:CLEARSITEGLOBALS()", "KBConfigmain.htm");
    send_from_web("VBCONTAINER:UPDATESITE(Farm,farm.svg,farm.example)", "KBConfigmain.htm");
    send_from_web("VBCONTAINER:REMOVESITE(1)", "KBConfigmain.htm");
    send_from_web("VBCONTAINER:ASSIGNSITETOUSER(3,2)", "KBConfigmain.htm");
    send_from_web("VBCONTAINER:REMOVEUSERFROMSITE(2,2)", "KBConfigmain.htm");
  }
  EXPECT_EQ(read_config(), before);
  const std::vector<std::string>& shown = platform_.messages.texts;
  ASSERT_EQ(shown.size(), 4u);
  const char* starts[] = {"The web site was not saved: ", "The web site was not removed: ",
                          "The web site was not offered to the child: ",
                          "The web site was not taken away from the child: "};
  for (std::size_t i = 0; i < 4; ++i) {
    EXPECT_EQ(shown[i].rfind(starts[i], 0), 0u) << shown[i];
    EXPECT_NE(shown[i].find("File too large"), std::string::npos) << shown[i];
  }

  // Site numbers stop at 32767: the next site cannot be added.
  std::string config = before;
  config.replace(config.find("<ID>2</ID><AllowedUsers>"), 10, "<ID>32767</ID>");
  write_config(config);
  send_from_web("VBCONTAINER:UPDATESITE(Farm,farm.svg,farm.example)", "KBConfigmain.htm");
  EXPECT_EQ(shown.back(),
            "The web site was not saved: the numbers of users and sites stop at 32767.");
  EXPECT_EQ(read_config(), config);
}

}  // namespace
}  // namespace kb::testing
