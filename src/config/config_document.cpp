#include "config/config_document.h"

#include <cctype>
#include <chrono>
#include <cstring>
#include <fstream>
#include <sstream>
#include <utility>

#include "common/atomic_file.h"
#include "common/kb_error.h"
#include "common/text_case.h"
#include "config/config_versions.h"
#include "config/xml_text.h"

namespace KBConfigIO {
namespace {

// Comments, processing instructions and the document type are kept, so that
// a parent's notes in the file survive a save. The document is read as a
// fragment only to see what stands at its top level (see is_well_formed).
// A text of blanks alone (a name of one space) is kept, not dropped.
constexpr unsigned kParseOptions = pugi::parse_default | pugi::parse_comments | pugi::parse_pi |
                                   pugi::parse_declaration | pugi::parse_doctype |
                                   pugi::parse_fragment | pugi::parse_ws_pcdata_single;

// Calls `visit` on the node and every node below it, in document order, while
// it answers true; answers whether every call did.
template <typename Visit>
bool visit_subtree(pugi::xml_node node, Visit visit) {
  for (pugi::xml_node n = node; n;) {
    if (!visit(n)) return false;
    if (n.first_child()) {
      n = n.first_child();
      continue;
    }
    while (n != node && !n.next_sibling()) n = n.parent();
    if (n == node) break;
    n = n.next_sibling();
  }
  return true;
}

bool has_xml_text(pugi::xml_node node) {
  return visit_subtree(node, [](pugi::xml_node n) {
    if (!is_xml_text(n.name()) || !is_xml_text(n.value())) return false;
    for (pugi::xml_attribute a : n.attributes())
      if (!is_xml_text(a.name()) || !is_xml_text(a.value())) return false;
    return true;
  });
}

// The parser accepts more than XML allows: several top-level elements, text
// beside the root, a declaration after other nodes, characters XML forbids.
// Saving such a document would drop or keep what the parent never meant, so
// it counts as malformed.
bool is_well_formed(const pugi::xml_document& doc) {
  int elements = 0;
  bool first = true;
  for (pugi::xml_node n : doc.children()) {
    switch (n.type()) {
      case pugi::node_element:
        ++elements;
        break;
      case pugi::node_declaration:
        if (!first) return false;
        break;
      case pugi::node_pcdata:
      case pugi::node_cdata:
        return false;
      default:
        break;
    }
    first = false;
  }
  return elements == 1 && has_xml_text(doc);
}

// The file is written in UTF-8; a declaration that names another encoding
// would make every reader misread its non-ASCII text.
void declare_utf8(pugi::xml_document& doc) {
  pugi::xml_node decl = doc.first_child();
  if (decl.type() != pugi::node_declaration) return;
  pugi::xml_attribute encoding = decl.attribute("encoding");
  if (encoding && !kb::equals_ignoring_case(encoding.value(), "UTF-8")) encoding.set_value("UTF-8");
}

// How long a change waits for another session's change to finish.
constexpr std::chrono::seconds kLockPatience{3};

// The whole file, or nothing when it cannot be read.
std::string file_text(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return in ? text.str() : std::string();
}

class StringWriter : public pugi::xml_writer {
 public:
  explicit StringWriter(std::string& out) : out_(out) {}
  void write(const void* data, std::size_t size) override {
    out_.append(static_cast<const char*>(data), size);
  }

 private:
  std::string& out_;
};

}  // namespace

ConfigDocument::ConfigDocument(std::filesystem::path path, Access access) : path_(std::move(path)) {
  if (access == Access::Change)
    lock_ = std::make_unique<kb::FileLock>(config_lock_path(path_), kLockPatience);
  original_ = file_text(path_);
  const pugi::xml_parse_result result =
      doc_.load_buffer(original_.data(), original_.size(), kParseOptions);
  if (!result || !is_well_formed(doc_) ||
      std::strcmp(doc_.document_element().name(), "KBConfig") != 0) {
    doc_.reset();
    return;
  }
  root_ = doc_.document_element();
  declare_utf8(doc_);
}

pugi::xml_node ConfigDocument::root() const {
  if (!root_) throw kb::object_not_set();
  return root_;
}

void ConfigDocument::require_root() const {
  root();
}

pugi::xml_node ConfigDocument::find(const char* query) const {
  return root().select_node(query).node();
}

pugi::xml_node ConfigDocument::find(const char* query, double id) const {
  const pugi::xml_node start = root();
  pugi::xpath_variable_set variables;
  variables.set("id", id);
  const pugi::xpath_query compiled(query, &variables);
  return start.select_node(compiled).node();
}

pugi::xpath_node_set ConfigDocument::find_all(const char* query) const {
  return root().select_nodes(query);
}

pugi::xml_node ConfigDocument::find_in_document(const char* query) const {
  return doc_.select_node(query).node();
}

pugi::xml_node ConfigDocument::container_for_new_entry(const char* name) const {
  const pugi::xml_node existing = root().child(name);
  return existing ? existing : root().append_child(name);
}

std::string ConfigDocument::serialize() const {
  std::string text;
  // The new text is about as long as the file was; one allocation up front
  // spares the copies of a growing string.
  std::error_code ignored;
  const auto old_size = std::filesystem::file_size(path_, ignored);
  if (!ignored) text.reserve(static_cast<std::size_t>(old_size) + 4096);
  StringWriter writer(text);
  doc_.save(writer, "  ", pugi::format_indent | pugi::format_no_declaration, pugi::encoding_utf8);
  return text;
}

void ConfigDocument::save() const {
  require_root();
  replace_with(serialize());
}

void ConfigDocument::replace_with(const std::string& text) const {
  if (!lock_) throw kb::invalid_call("The configuration was opened only for reading");
  // The file replaced is kept: as a version when it was good (a file saved
  // by the store already is the newest version, so only a hand edit adds one
  // here), aside when it could not be read, as it is still the parent's.
  if (root_)
    keep_version(path_, original_);
  else
    keep_damaged(path_, original_);
  // The new file becomes the newest version before it replaces the old, so
  // that a restore loses nothing and a failure leaves the file as it was.
  keep_version(path_, text);
  kb::write_file_atomically(path_, text);
}

std::filesystem::path config_lock_path(const std::filesystem::path& config) {
  return config.string() + ".lock";
}

std::string checked_document_text(std::string_view text, const char* root) {
  pugi::xml_document doc;
  const pugi::xml_parse_result parsed = doc.load_buffer(text.data(), text.size(), kParseOptions);
  if (!parsed)
    throw kb::xml_not_well_formed(std::string("The text is not well-formed XML: ") +
                                  parsed.description() + " at offset " +
                                  std::to_string(parsed.offset));
  if (!is_well_formed(doc))
    throw kb::xml_not_well_formed(
        "The text is not a well-formed XML document: it must hold exactly one root "
        "element and only characters XML allows");
  if (root && std::strcmp(doc.document_element().name(), root) != 0)
    throw kb::xml_not_well_formed(std::string("The text is not a configuration: its root element "
                                              "must be ") +
                                  root);
  declare_utf8(doc);
  std::string out;
  StringWriter writer(out);
  doc.save(writer, "  ", pugi::format_indent | pugi::format_no_declaration, pugi::encoding_utf8);
  return out;
}

std::string node_text(pugi::xml_node node) {
  if (!node) throw kb::object_not_set();
  std::string text;
  visit_subtree(node, [&text](pugi::xml_node n) {
    if (n.type() == pugi::node_pcdata || n.type() == pugi::node_cdata) text += n.value();
    return true;
  });
  return text;
}

}  // namespace KBConfigIO
