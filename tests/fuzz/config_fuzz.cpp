// Runs random sequences of configuration commands against a small
// configuration (or against bytes that may not be one) and checks after each
// command that a readable file stays readable, keeps its root and its three
// containers, and that an unreadable file is never touched.
#include <fuzzer/FuzzedDataProvider.h>
#include <unistd.h>
#include <pugixml.hpp>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "common/kb_error.h"
#include "common/message_box.h"
#include "config/config_document.h"
#include "config/kb_config_io.h"
#include "config/xml_text.h"

namespace {

namespace fs = std::filesystem;

constexpr const char* kSmallConfig =
    "<KBConfig><Settings><Pwd>p</Pwd><PrintAllowed>No</PrintAllowed><PrintLimit>3</PrintLimit>"
    "<PwdExit>Yes</PwdExit></Settings><Users><User><Name>AllUsers</Name><Image/><ID>1</ID></User>"
    "<User><Name>Mary</Name><Image>m.png</Image><ID>2</ID></User></Users><WebSites><WebSite>"
    "<Label>Zoo</Label><Image>z.png</Image><Target>zoo</Target><ID>1</ID><AllowedUsers><User>"
    "<ID>1</ID></User></AllowedUsers></WebSite></WebSites></KBConfig>";

class SilentBox : public kb::MessageBox {
 public:
  void show(const std::string&) override {}
};

// A program folder of this process, removed again when the fuzzer exits.
struct ProgramFolder {
  ProgramFolder() { fs::create_directories(path / "Data"); }
  ~ProgramFolder() { fs::remove_all(path); }
  const fs::path path =
      fs::temp_directory_path() / ("kb_config_fuzz_" + std::to_string(::getpid()));
};

const fs::path& program_folder() {
  static const ProgramFolder folder;
  return folder.path;
}

std::string read(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

// IDs and texts the commands meet in practice, and some they must survive.
std::string argument(FuzzedDataProvider& input) {
  static const char* const kCommon[] = {
      "1",   "2",        "3",      "0",        "-1",         "2.5", "",  "32767",    "32768",
      "007", "1 or 1=1", "a'b\"c", "http://x", "HTTP:\\\\y", "1e9", "]", "AllUsers", "<&>"};
  if (input.ConsumeBool())
    return kCommon[input.ConsumeIntegralInRange<std::size_t>(0, std::size(kCommon) - 1)];
  return input.ConsumeRandomLengthString(24);
}

void run_command(FuzzedDataProvider& input, const fs::path& path, KBConfigIO::EditGlobals& edit) {
  SilentBox box;
  using namespace KBConfigIO;
  switch (input.ConsumeIntegralInRange(0, 13)) {
    case 0:
      updateuser(path, edit, argument(input), argument(input), box);
      break;
    case 1:
      removeuser(path, argument(input), box);
      break;
    case 2:
      updatesite(path, edit, argument(input), argument(input), argument(input));
      break;
    case 3:
      assignsitetouser(path, argument(input), argument(input));
      break;
    case 4:
      removeuserfromsite(path, argument(input), argument(input), box);
      break;
    case 5:
      removesite(path, argument(input));
      break;
    case 6:
      setuserglobals(edit, argument(input));
      break;
    case 7:
      setsiteglobals(edit, argument(input));
      break;
    case 8:
      clearuserglobals(edit);
      break;
    case 9:
      clearsiteglobals(edit);
      break;
    case 10:
      updatepwd(path, argument(input), box);
      break;
    case 11: {
      const std::string exit_flag = argument(input), print_flag = argument(input);
      updatesettings(path, exit_flag, print_flag, "", argument(input), box);
      break;
    }
    case 12:
      users_defined(path);
      break;
    default:
      user_exists(path, argument(input));
      break;
  }
}

bool has_one_of_each_container(const std::string& text) {
  pugi::xml_document doc;
  if (!doc.load_string(text.c_str())) return false;
  const pugi::xml_node root = doc.document_element();
  for (const char* name : {"Settings", "Users", "WebSites"})
    if (root.select_nodes(name).size() != 1) return false;
  return std::string(root.name()) == "KBConfig";
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzedDataProvider input(data, size);
  const fs::path path = KBConfigIO::config_path(program_folder());
  const std::string initial =
      input.ConsumeBool() ? input.ConsumeRandomLengthString(512) : std::string(kSmallConfig);
  std::ofstream(path, std::ios::binary | std::ios::trunc) << initial;
  const bool readable = KBConfigIO::ConfigDocument(path).has_root();
  const bool complete = readable && has_one_of_each_container(initial);

  KBConfigIO::EditGlobals edit;
  while (input.remaining_bytes() > 0) {
    try {
      run_command(input, path, edit);
    } catch (const kb::Error&) {
      // Commands without a guard end with their failure; the file is checked below.
    }
    const std::string now = read(path);
    if (!readable && now != initial) std::abort();
    if (readable && (!KBConfigIO::ConfigDocument(path).has_root() || !KBConfigIO::is_xml_text(now)))
      std::abort();
    if (complete && !has_one_of_each_container(now)) std::abort();
    if (std::distance(fs::directory_iterator(path.parent_path()), fs::directory_iterator()) != 1)
      std::abort();
  }
  return 0;
}
