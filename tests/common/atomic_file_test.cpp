#include "common/atomic_file.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <fstream>
#include <sstream>

#include "common/kb_error.h"

namespace kb {
namespace {

namespace fs = std::filesystem;

std::string read(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

class AtomicFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() /
           ("kb_atomic_" + std::to_string(::getpid()) + "_" +
            ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(dir_);
    fs::create_directories(dir_);
  }
  void TearDown() override {
    fs::permissions(dir_, fs::perms::owner_all);
    fs::remove_all(dir_);
  }
  fs::path dir_;
};

TEST_F(AtomicFileTest, ReplacesTheFileKeepingItsPermissionsAndLeavesNoTemporary) {
  const fs::path target = dir_ / "a.xml";
  write_file_atomically(target, "old");
  ::chmod(target.c_str(), 0640);
  write_file_atomically(target, "new text");
  EXPECT_EQ(read(target), "new text");
  struct stat st {};
  ASSERT_EQ(::stat(target.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0640u);
  EXPECT_EQ(std::distance(fs::directory_iterator(dir_), fs::directory_iterator()), 1);
}

TEST_F(AtomicFileTest, AFailureLeavesTheOldFileAsItWas) {
  const fs::path target = dir_ / "a.xml";
  write_file_atomically(target, "old");
  if (::geteuid() == 0) GTEST_SKIP() << "root can write a read-only folder";
  fs::permissions(dir_, fs::perms::owner_read | fs::perms::owner_exec);
  EXPECT_THROW(write_file_atomically(target, "new"), Error);
  fs::permissions(dir_, fs::perms::owner_all);
  EXPECT_EQ(read(target), "old");
}

TEST_F(AtomicFileTest, AMissingFolderIsAnError) {
  EXPECT_THROW(write_file_atomically(dir_ / "none" / "a.xml", "x"), Error);
}

}  // namespace
}  // namespace kb
