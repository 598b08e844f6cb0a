#pragma once

#include <pugixml.hpp>

#include <filesystem>
#include <memory>
#include <string>
#include <string_view>

#include "common/file_lock.h"

namespace KBConfigIO {

// One configuration file, loaded whole. A file that is missing, unreadable or
// not a well-formed document with the root KBConfig leaves the document
// without a root: every use of the root then fails, so such a file is never
// saved over.
class ConfigDocument {
 public:
  // Read: the file as it is now. Change: the file is locked against every
  // other change, in this process or another, from before it is read until
  // the document is gone, so that no session's change is lost to another's.
  enum class Access { Read, Change };

  explicit ConfigDocument(std::filesystem::path path, Access access = Access::Read);
  ConfigDocument(const ConfigDocument&) = delete;
  ConfigDocument& operator=(const ConfigDocument&) = delete;

  bool has_root() const { return static_cast<bool>(root_); }
  // The KBConfig element; throws the object-not-set error when there is none.
  pugi::xml_node root() const;
  // Throws the object-not-set error when there is no root: a file that
  // cannot be read fails here, before any change is made.
  void require_root() const;

  // The first node a path query yields on the root (null when none); throws
  // when there is no root.
  pugi::xml_node find(const char* query) const;
  // As find, with the number `id` bound to the variable $id of the query.
  pugi::xml_node find(const char* query, double id) const;
  // Every node a path query yields on the root, in document order.
  pugi::xpath_node_set find_all(const char* query) const;
  // The first node a path query yields on the document itself; null when
  // there is no root.
  pugi::xml_node find_in_document(const char* query) const;

  // The container (Users, WebSites, Settings) that a new entry goes into:
  // the root's first child of that name, or a new one at the root's end when
  // the file lacks it.
  pugi::xml_node container_for_new_entry(const char* name) const;

  // Writes the whole document back, UTF-8, indented by two spaces, keeping a
  // declaration that was there and adding none; the file is replaced
  // atomically. The file it replaces and the new one are kept among the last
  // good versions. Throws when there is no root or it was opened for reading.
  void save() const;

  // Replaces the file with `text`, a configuration already checked, as save
  // does. The file it replaces is kept among the versions when it was good,
  // aside beside them when it could not be read.
  void replace_with(const std::string& text) const;

  // The document as it would be saved.
  std::string serialize() const;

 private:
  std::filesystem::path path_;
  std::unique_ptr<kb::FileLock> lock_;
  std::string original_;  // the file as it was read
  pugi::xml_document doc_;
  pugi::xml_node root_;
};

// The lock file that serialises the changes of the configuration `config`.
std::filesystem::path config_lock_path(const std::filesystem::path& config);

// Parses `text` as a configuration file's whole contents would be: one
// well-formed document with nothing the parser would drop, characters XML
// allows, and, when `root` is given, that root element. Throws kb::Error
// saying what is wrong. Answers the text as it would be saved.
std::string checked_document_text(std::string_view text, const char* root);

// The text of a node: all its text content joined; throws the object-not-set
// error for a null node.
std::string node_text(pugi::xml_node node);

}  // namespace KBConfigIO
