#include "common/atomic_file.h"

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <fstream>
#include <vector>

#include "common/kb_error.h"
#include "support/full_disk.h"
#include "support/temp_folder.h"

namespace kb {
namespace {

namespace fs = std::filesystem;

using kbtest::entries_in;
using kbtest::read_file;

class AtomicFileTest : public ::testing::Test {
 protected:
  kbtest::TempFolder temp_{"kb_atomic"};
  const fs::path dir_ = temp_.path();
};

TEST_F(AtomicFileTest, ReplacesTheFileKeepingItsPermissionsAndLeavesNoTemporary) {
  const fs::path target = dir_ / "a.xml";
  write_file_atomically(target, "old");
  ::chmod(target.c_str(), 0640);
  write_file_atomically(target, "new text");
  EXPECT_EQ(read_file(target), "new text");
  struct stat st {};
  ASSERT_EQ(::stat(target.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0640u);
  EXPECT_EQ(entries_in(dir_), 1);
}

// A file size limit makes the write fail as a full disk would (root too).
TEST_F(AtomicFileTest, AFailedWriteLeavesTheOldFileAndNoTemporary) {
  const fs::path target = dir_ / "a.xml";
  write_file_atomically(target, "old");
  {
    const kbtest::FullDisk full(8);
    EXPECT_THROW(write_file_atomically(target, "a text longer than the limit"), Error);
  }
  EXPECT_EQ(read_file(target), "old");
  EXPECT_EQ(entries_in(dir_), 1);
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
  EXPECT_EQ(read_file(target), "old");
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
  EXPECT_EQ(entries_in(dir_), 2);
  EXPECT_EQ(remove_leftover_temporaries(dir_), 0);
}

TEST_F(AtomicFileTest, AMissingFolderIsAnError) {
  EXPECT_THROW(write_file_atomically(dir_ / "none" / "a.xml", "x"), Error);
}

}  // namespace
}  // namespace kb
