#include "common/atomic_file.h"

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <csignal>
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
  void TearDown() override { fs::remove_all(dir_); }
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

// A file size limit makes the write fail as a full disk would (root too).
TEST_F(AtomicFileTest, AFailedWriteLeavesTheOldFileAndNoTemporary) {
  const fs::path target = dir_ / "a.xml";
  write_file_atomically(target, "old");
  rlimit old_limit{};
  ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &old_limit), 0);
  const auto old_handler = signal(SIGXFSZ, SIG_IGN);
  rlimit small = old_limit;
  small.rlim_cur = 8;
  ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
  EXPECT_THROW(write_file_atomically(target, "a text longer than the limit"), Error);
  setrlimit(RLIMIT_FSIZE, &old_limit);
  signal(SIGXFSZ, old_handler);
  EXPECT_EQ(read(target), "old");
  EXPECT_EQ(std::distance(fs::directory_iterator(dir_), fs::directory_iterator()), 1);
}

TEST_F(AtomicFileTest, AMissingFolderIsAnError) {
  EXPECT_THROW(write_file_atomically(dir_ / "none" / "a.xml", "x"), Error);
}

}  // namespace
}  // namespace kb
