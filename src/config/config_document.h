#pragma once

#include <pugixml.hpp>

#include <filesystem>
#include <string>

namespace KBConfigIO {

// One configuration file, loaded whole. A file that is missing, unreadable or
// not a well-formed document with the root KBConfig leaves the document
// without a root: every use of the root then fails, so such a file is never
// saved over.
class ConfigDocument {
 public:
  explicit ConfigDocument(std::filesystem::path path);
  ConfigDocument(const ConfigDocument&) = delete;
  ConfigDocument& operator=(const ConfigDocument&) = delete;

  bool has_root() const { return static_cast<bool>(root_); }
  // The KBConfig element; throws the object-not-set error when there is none.
  pugi::xml_node root() const;

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
  // atomically. Throws when there is no root.
  void save() const;

  // The document as it would be saved.
  std::string serialize() const;

 private:
  std::filesystem::path path_;
  pugi::xml_document doc_;
  pugi::xml_node root_;
};

// The text of a node: all its text content joined; throws the object-not-set
// error for a null node.
std::string node_text(pugi::xml_node node);

}  // namespace KBConfigIO
