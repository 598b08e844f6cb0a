#include "common/atomic_file.h"

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <fstream>

#include "common/kb_error.h"
#include "support/full_disk.h"
#include "support/temp_folder.h"

namespace kb {
namespace {

namespace fs = std::filesystem;

using kbtest::entries_in;
using kbtest::read_file;

unsigned mode_of(const fs::path& file) {
  struct stat st {};
  EXPECT_EQ(::stat(file.c_str(), &st), 0) << file;
  return st.st_mode & 0777;
}

// A process killed in the middle of a write (here by the file size limit's
// signal) leaves the old file and its temporary file, which is no more open
// than the target and is the only thing the clean-up at start removes.
TEST(AtomicFile, AWriteReplacesTheFileWholeKeepingItsPermissionsOrLeavesItAsItWas) {
  const kbtest::TempFolder temp("kb_atomic");
  const fs::path dir = temp.path(), target = dir / "a.xml";
  EXPECT_THROW(write_file_atomically(dir / "none" / "a.xml", "x"), Error);
  write_file_atomically(target, "old");
  ::chmod(target.c_str(), 0640);
  std::ofstream(dir / "a.xml.backup") << "the parent's";
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
  fs::path temporary;
  for (const auto& entry : fs::directory_iterator(dir))
    if (entry.path().filename().string().rfind(".a.xml.kb-tmp-", 0) == 0) temporary = entry.path();
  EXPECT_EQ(mode_of(temporary), 0640u);
  EXPECT_EQ(entries_in(dir), 3);
  EXPECT_EQ(remove_leftover_temporaries(dir), 1);
  EXPECT_EQ(remove_leftover_temporaries(dir), 0);

  write_file_atomically(target, "new text");
  {
    const kbtest::FullDisk full(8);
    EXPECT_THROW(write_file_atomically(target, "a text longer than the limit"), Error);
  }
  EXPECT_EQ(read_file(target), "new text");
  EXPECT_EQ(mode_of(target), 0640u);
  EXPECT_EQ(entries_in(dir), 2);
}

}  // namespace
}  // namespace kb
