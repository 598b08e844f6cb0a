#pragma once

#include <filesystem>

namespace kb {

// The account's folders by the XDG rules: the variable ($XDG_CONFIG_HOME,
// $XDG_DATA_HOME) when it holds an absolute path, otherwise the usual folder
// in the home folder ($HOME, or the account's entry when it is unset).
// Throws kb::Error when the account has no home folder.
std::filesystem::path xdg_config_home();
std::filesystem::path xdg_data_home();

}  // namespace kb
