#include "common/atomic_file.h"

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <fstream>
#include <sstream>
#include <vector>

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

// A process killed in the middle of a write (here by the file size limit's
// signal) leaves its temporary file; it has the target's permissions and is
// the only thing the clean-up at start removes.
TEST_F(AtomicFileTest, ATemporaryFileLeftByACrashHasTheFilesPermissionsAndIsRemovedLater) {
  const fs::path target = dir_ / "a.xml";
  write_file_atomically(target, "old");
  ::chmod(target.c_str(), 0600);
  std::ofstream(dir_ / "a.xml.backup") << "the parent's";
  const pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    rlimit no_core{0, 0};
    setrlimit(RLIMIT_CORE, &no_core);
    rlimit small{16, 16};
    setrlimit(RLIMIT_FSIZE, &small);
    signal(SIGXFSZ, SIG_DFL);
    try {
      write_file_atomically(target, std::string(4096, 'x'));
    } catch (...) {
    }
    ::_exit(0);
  }
  int status = 0;
  ASSERT_EQ(::waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFSIGNALED(status));
  EXPECT_EQ(read(target), "old");
  std::vector<fs::path> left;
  for (const auto& entry : fs::directory_iterator(dir_))
    if (entry.path().filename() != "a.xml" && entry.path().filename() != "a.xml.backup")
      left.push_back(entry.path());
  ASSERT_EQ(left.size(), 1u);
  EXPECT_EQ(left[0].filename().string().rfind(".a.xml.kb-tmp-", 0), 0u);
  struct stat st {};
  ASSERT_EQ(::stat(left[0].c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0600u);

  EXPECT_EQ(remove_leftover_temporaries(dir_), 1);
  EXPECT_EQ(std::distance(fs::directory_iterator(dir_), fs::directory_iterator()), 2);
  EXPECT_EQ(remove_leftover_temporaries(dir_), 0);
}

TEST_F(AtomicFileTest, AMissingFolderIsAnError) {
  EXPECT_THROW(write_file_atomically(dir_ / "none" / "a.xml", "x"), Error);
}

}  // namespace
}  // namespace kb
