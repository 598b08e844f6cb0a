#pragma once

#include <array>
#include <cstdint>
#include <filesystem>
#include <string>

#include "config/kb_config_io.h"
#include "policy/allow_list.h"
#include "shell/password_attempts.h"
#include "shell/paths.h"

namespace kb {

// The 26 argument slots of the command being run (slot 0 is never written).
// They keep their values between commands.
using CommandArgs = std::array<std::string, 26>;

// What a correct password opens: nothing yet, leaving, the parent's pages, or the
// choice about a page a child was refused.
enum class PasswordMode : std::int16_t { None = 0, Exit = 1, Config = 2, Approve = 3 };

// The program-wide variables. One object lives for the whole run and
// survives the re-creation of the main window.
struct ProgramState {
  ProgramFolders folders;

  std::string current_user;
  std::string user_possessive;
  std::string current_url;
  bool can_go_back = false;
  bool can_go_forward = false;

  std::string config_pwd;
  bool pwd_on_exit = false;
  std::int16_t print_limit = 0;
  bool print_allowed = false;

  bool start_done = false;
  bool control_bar_title_mode = false;
  PasswordMode pwd_mode = PasswordMode::None;
  PasswordAttempts password_attempts;

  CommandArgs cmd_args{};
  std::int16_t cmd_arg_count = 0;

  KBConfigIO::EditGlobals edit;

  // Keeping the child on its sites: the setting and the current child's
  // hosts, read when a child starts; the parent's approvals for a while.
  bool stay_on_sites = false;
  policy::AllowList allow_list;
  policy::TemporaryApprovals approvals;
  // The address last refused, the page shown before it, and whether the
  // parent has given the password to decide about it.
  std::string refused_url;
  std::string before_refusal;
  bool approval_open = false;
};

}  // namespace kb
