// Runs random sequences of configuration commands, SAVE_CONFIG_FILE's whole-
// file replacement among them, against a small configuration or bytes that
// may not be one, with writes that fail at random as on a full disk. After
// each command the file is compared with a small model of what the command
// should have done: a failure changes nothing, a success makes exactly its
// change, the newest kept version is the file itself, and no temporary file
// is left behind.
#include <fuzzer/FuzzedDataProvider.h>
#include <signal.h>
#include <sys/resource.h>
#include <unistd.h>
#include <pugixml.hpp>

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "common/kb_error.h"
#include "common/message_box.h"
#include "common/vb_number.h"
#include "config/config_document.h"
#include "config/config_versions.h"
#include "config/kb_config_io.h"
#include "config/password_hash.h"
#include "config/xml_text.h"

namespace {

namespace fs = std::filesystem;

constexpr const char* kSmallConfig =
    "<KBConfig><Settings><Pwd>p</Pwd><PrintAllowed>No</PrintAllowed><PrintLimit>3</PrintLimit>"
    "<PwdExit>Yes</PwdExit></Settings><Users><User><Name>AllUsers</Name><Image/><ID>1</ID></User>"
    "<User><Name>Mary</Name><Image>m.png</Image><ID>2</ID></User></Users><WebSites><WebSite>"
    "<Label>Zoo</Label><Image>z.png</Image><Target>zoo</Target><ID>1</ID><AllowedUsers><User>"
    "<ID>1</ID></User></AllowedUsers></WebSite></WebSites></KBConfig>";

// Records the messages a command shows; the advice about AllUsers is no failure.
class RecordingBox : public kb::MessageBox {
 public:
  void show(const std::string& text) override {
    if (text.rfind("The web-site ", 0) != 0) failed = true;
  }
  bool failed = false;
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

// Writes larger than `limit` bytes fail while it lives, as on a full disk.
class WriteLimit {
 public:
  explicit WriteLimit(std::optional<rlim_t> limit) : active_(limit.has_value()) {
    if (!active_) return;
    getrlimit(RLIMIT_FSIZE, &old_);
    signal(SIGXFSZ, SIG_IGN);
    rlimit small = old_;
    small.rlim_cur = *limit;
    setrlimit(RLIMIT_FSIZE, &small);
  }
  ~WriteLimit() {
    if (active_) setrlimit(RLIMIT_FSIZE, &old_);
  }

 private:
  bool active_;
  rlimit old_{};
};

// The number XPath's number() gives a text: NaN unless it is a plain decimal
// between blanks.
double xpath_number(std::string text) {
  const auto first = text.find_first_not_of(" \t\r\n");
  if (first == std::string::npos) return NAN;
  text = text.substr(first, text.find_last_not_of(" \t\r\n") - first + 1);
  std::size_t i = text[0] == '-' ? 1 : 0;
  bool digits = false, dot = false;
  for (; i < text.size(); ++i) {
    if (text[i] >= '0' && text[i] <= '9')
      digits = true;
    else if (text[i] == '.' && !dot)
      dot = true;
    else
      return NAN;
  }
  return digits ? std::strtod(text.c_str(), nullptr) : NAN;
}

// What the commands change, as read from a file.
struct Entry {
  std::string id, name, image;
  std::vector<std::string> allowed;  // sites only
  bool operator==(const Entry&) const = default;
};

struct Model {
  bool readable = false;
  std::string pwd;
  std::vector<Entry> users, sites;
  bool operator==(const Model&) const = default;
};

Model model_of(const std::string& text) {
  Model model;
  pugi::xml_document doc;
  if (!doc.load_buffer(text.data(), text.size(),
                       pugi::parse_default | pugi::parse_fragment | pugi::parse_ws_pcdata_single))
    return model;
  const pugi::xml_node root = doc.child("KBConfig");
  if (!root) return model;
  model.readable = true;
  model.pwd = root.child("Settings").child("Pwd").text().get();
  for (pugi::xml_node u : root.child("Users").children("User"))
    model.users.push_back({u.child("ID").text().get(),
                           u.child("Name").text().get(),
                           u.child("Image").text().get(),
                           {}});
  for (pugi::xml_node s : root.child("WebSites").children("WebSite")) {
    Entry site{s.child("ID").text().get(),
               s.child("Label").text().get(),
               s.child("Image").text().get(),
               {}};
    for (pugi::xml_node a : s.child("AllowedUsers").children("User"))
      site.allowed.push_back(a.child("ID").text().get());
    model.sites.push_back(site);
  }
  return model;
}

// The index of the first entry whose ID has this number, as the path queries
// find it; nothing for a text that names no entry.
std::optional<std::size_t> find(const std::vector<Entry>& entries, double number) {
  for (std::size_t i = 0; i < entries.size(); ++i)
    if (xpath_number(entries[i].id) == number) return i;
  return std::nullopt;
}

std::optional<std::size_t> find_by_text(const std::vector<Entry>& entries, const std::string& id) {
  if (!kb::is_plain_decimal(id)) return std::nullopt;
  return find(entries, std::strtod(id.c_str(), nullptr));
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

std::string document_text(FuzzedDataProvider& input) {
  // Texts a page might hold that the store must refuse, and one it must take.
  static const char* const kNearMisses[] = {"<Other><Users/></Other>",
                                            "<KBConfig/><KBConfig/>",
                                            "<KBConfig>&#1;</KBConfig>",
                                            "<KBConfig/>text",
                                            "<kbconfig/>",
                                            "<KBConfig><Users/></KBConfig>"};
  switch (input.ConsumeIntegralInRange(0, 3)) {
    case 0:
      return kSmallConfig;
    case 1: {
      std::string text = kSmallConfig;
      text.insert(input.ConsumeIntegralInRange<std::size_t>(0, text.size()),
                  input.ConsumeRandomLengthString(16));
      return text;
    }
    case 2:
      return kNearMisses[input.ConsumeIntegralInRange<std::size_t>(0, std::size(kNearMisses) - 1)];
    default:
      return input.ConsumeRandomLengthString(256);
  }
}

int g_command = -1;

std::string g_before, g_after;

[[noreturn]] void mismatch(const char* what) {
  std::fprintf(stderr, "model mismatch after command %d: %s\nbefore: %s\nafter: %s\n", g_command,
               what, g_before.c_str(), g_after.c_str());
  std::abort();
}

void expect(bool holds, const char* what) {
  if (!holds) mismatch(what);
}

// A text as XML reads it back: every line end ("\r\n" or "\r") becomes "\n".
std::string as_read(const std::string& text) {
  std::string out;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '\r') {
      out += text[i];
      continue;
    }
    out += '\n';
    if (i + 1 < text.size() && text[i + 1] == '\n') ++i;
  }
  return out;
}

// Whether every entry but the one at `index` is as it was.
bool others_unchanged(const std::vector<Entry>& before, const std::vector<Entry>& after,
                      std::size_t index) {
  if (before.size() != after.size()) return false;
  for (std::size_t i = 0; i < before.size(); ++i)
    if (i != index && !(before[i] == after[i])) return false;
  return true;
}

// Runs one command and checks what it did to the file against the model.
void run_and_check(FuzzedDataProvider& input, const fs::path& path, KBConfigIO::EditGlobals& edit) {
  using namespace KBConfigIO;
  const std::string before_text = read(path);
  const Model before = model_of(before_text);
  const int command = input.ConsumeIntegralInRange(0, 13);
  g_command = command;
  std::vector<std::string> args;
  for (int i = 0; i < 3; ++i) args.push_back(argument(input));
  // The model compares texts as they are read back.
  std::vector<std::string> read_args;
  for (const std::string& a : args) read_args.push_back(as_read(a));
  const std::string document = command == 12 ? document_text(input) : std::string();
  std::optional<rlim_t> limit;
  if (input.ConsumeIntegralInRange(0, 3) == 0)
    limit = input.ConsumeIntegralInRange<rlim_t>(0, 2 * before_text.size() + 64);
  const EditGlobals edit_before = edit;

  RecordingBox box;
  bool failed = false;
  {
    const WriteLimit full_disk(limit);
    try {
      switch (command) {
        case 0:
          updateuser(path, edit, args[0], args[1], box);
          break;
        case 1:
          removeuser(path, args[0], box);
          break;
        case 2:
          updatesite(path, edit, args[0], args[1], args[2]);
          break;
        case 3:
          assignsitetouser(path, args[0], args[1]);
          break;
        case 4:
          removeuserfromsite(path, args[0], args[1], box);
          break;
        case 5:
          removesite(path, args[0]);
          break;
        case 6:
          setuserglobals(edit, args[0]);
          break;
        case 7:
          setsiteglobals(edit, args[0]);
          break;
        case 8:
          clearuserglobals(edit);
          break;
        case 9:
          clearsiteglobals(edit);
          break;
        case 10:
          updatepwd(path, args[0], box);
          break;
        case 11:
          updatesettings(path, args[0], args[1], "", args[2], box);
          break;
        case 12:
          save_xml_file(path, path, document);
          break;
        default:
          users_defined(path);
          user_exists(path, args[0]);
          break;
      }
    } catch (const kb::Error&) {
      failed = true;
    }
  }
  failed = failed || box.failed;
  const std::string after_text = read(path);
  const Model after = model_of(after_text);
  g_before = before_text;
  g_after = after_text;

  // Nothing the program wrote half-way is left behind.
  for (const fs::path& folder : {path.parent_path(), versions_folder(path)}) {
    std::error_code ec;
    for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec))
      expect(it->path().filename().string().find(".kb-tmp-") == std::string::npos,
             "a temporary file was left");
  }
  if (failed) {
    // A withdrawal is saved before a missing AllUsers user fails the command.
    const bool withdrawal_saved =
        command == 4 && before.readable && after.readable && before.users == after.users;
    expect(after_text == before_text || withdrawal_saved, "a failed command changed the file");
    return;
  }
  if (command >= 6 && command <= 9) {
    expect(after_text == before_text, "an edit global changed the file");
    return;
  }
  if (command == 13) {
    expect(after_text == before_text, "a question changed the file");
    return;
  }
  if (command == 12) {
    expect(after == model_of(document) && after.readable, "SAVE_CONFIG_FILE saved another text");
  } else {
    expect(before.readable && after.readable, "a command succeeded on an unreadable file");
  }
  // A file changed is the newest version kept.
  const std::vector<fs::path> versions = kept_versions(path);
  expect(after_text == before_text || (!versions.empty() && read(versions.front()) == after_text),
         "the newest version is not the file saved");
  expect(versions.size() <= 5, "more than five versions kept");

  switch (command) {
    case 0: {
      const std::optional<std::size_t> edited = edit_before.edit_user_id != 0
                                                    ? find(before.users, edit_before.edit_user_id)
                                                    : std::nullopt;
      if (edited) {
        const Entry& user = after.users[*edited];
        expect(others_unchanged(before.users, after.users, *edited) && user.name == read_args[0] &&
                   user.image == (args[1].empty() ? before.users[*edited].image : read_args[1]),
               "UPDATEUSER did not change the user edited");
      } else {
        expect(after.users.size() == before.users.size() + 1 &&
                   after.users.back().name == read_args[0] &&
                   after.users.back().image == read_args[1] &&
                   others_unchanged(before.users, {after.users.begin(), after.users.end() - 1},
                                    SIZE_MAX),
               "UPDATEUSER did not add the user");
      }
      expect(after.sites == before.sites, "UPDATEUSER changed a site");
      break;
    }
    case 1:
    case 5: {
      std::vector<Entry> expected = command == 1 ? before.users : before.sites;
      if (const auto i = find_by_text(expected, args[0])) expected.erase(expected.begin() + *i);
      expect((command == 1 ? after.users : after.sites) == expected,
             "a removal removed other than the entry named");
      expect((command == 1 ? after.sites : after.users) ==
                 (command == 1 ? before.sites : before.users),
             "a removal changed the other list");
      break;
    }
    case 2: {
      const std::optional<std::size_t> edited = edit_before.edit_site_id != 0
                                                    ? find(before.sites, edit_before.edit_site_id)
                                                    : std::nullopt;
      const std::size_t index = edited ? *edited : before.sites.size();
      expect(after.sites.size() == before.sites.size() + (edited ? 0 : 1) &&
                 after.sites[index].name == read_args[0] &&
                 after.sites[index].allowed ==
                     (edited ? before.sites[*edited].allowed : std::vector<std::string>{}),
             "UPDATESITE did not make its site");
      expect(after.users == before.users, "UPDATESITE changed a user");
      break;
    }
    case 3: {
      const auto site = find_by_text(before.sites, args[1]);
      expect(site.has_value(), "ASSIGNSITETOUSER succeeded without its site");
      Model expected = before;
      bool listed = false;
      for (const std::string& id : before.sites[*site].allowed)
        listed = listed || (kb::is_plain_decimal(args[0]) &&
                            xpath_number(id) == std::strtod(args[0].c_str(), nullptr));
      if (!listed) expected.sites[*site].allowed.push_back(read_args[0]);
      expect(after == expected, "ASSIGNSITETOUSER did not offer the site once");
      break;
    }
    case 10: {
      // The password is stored as a salted hash (no password: empty).
      const bool stored = read_args[0].empty()
                              ? after.pwd.empty()
                              : KBConfigIO::check_password(after.pwd, read_args[0]) ==
                                    KBConfigIO::PasswordCheck::Correct;
      expect(stored && after.users == before.users && after.sites == before.sites,
             "UPDATEPWD did not store the password alone");
      break;
    }
    default:
      break;
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzedDataProvider input(data, size);
  const fs::path path = KBConfigIO::config_path(program_folder());
  fs::remove_all(KBConfigIO::versions_folder(path));
  const std::string initial =
      input.ConsumeBool() ? input.ConsumeRandomLengthString(512) : std::string(kSmallConfig);
  std::ofstream(path, std::ios::binary | std::ios::trunc) << initial;

  KBConfigIO::EditGlobals edit;
  while (input.remaining_bytes() > 0) run_and_check(input, path, edit);
  return 0;
}
