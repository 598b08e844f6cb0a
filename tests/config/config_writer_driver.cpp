// config_writer_driver <KBConfig.xml> <name prefix> <users, 0 for endless>: adds users as a
// parent's session would, writing "a" for each user added and "f" for each failure.
#include <unistd.h>

#include <cstdlib>
#include <string>

#include "config/kb_config_io.h"
#include "support/error_stream_box.h"

int main(int argc, char** argv) {
  if (argc != 4) return 2;
  const std::string prefix = argv[2];
  const long users = std::atol(argv[3]);
  const KBConfigIO::EditGlobals adding;
  for (long i = 0; users == 0 || i < users; ++i) {
    kbtest::ErrorStreamBox box;
    KBConfigIO::updateuser(argv[1], adding, prefix + std::to_string(i), "", box);
    const char mark = box.failed ? 'f' : 'a';
    // Unbuffered: what the test reads is what was reported before a kill.
    if (::write(STDOUT_FILENO, &mark, 1) != 1) return 1;
  }
  return 0;
}
