#include "config/new_element.h"

#include "common/kb_error.h"
#include "config/xml_text.h"

namespace KBConfigIO {

NewElement::NewElement(const char* name) : element_(scratch_.append_child(name)) {}

namespace {

void append_text(pugi::xml_node element, const std::string& text) {
  if (!is_xml_text(text))
    throw kb::invalid_call(
        "Invalid procedure call or argument: the text holds characters "
        "that cannot be stored in the configuration file");
  // An empty value leaves the element empty rather than holding an empty text.
  if (!text.empty()) element.append_child(pugi::node_pcdata).set_value(text.c_str());
}

}  // namespace

NewElement& NewElement::set_text(const std::string& text) {
  append_text(element_, text);
  return *this;
}

NewElement& NewElement::add_text(const char* name, const std::string& text) {
  append_text(element_.append_child(name), text);
  return *this;
}

NewElement& NewElement::add_copy(pugi::xml_node node) {
  if (!node) throw kb::object_not_set();
  element_.append_copy(node);
  return *this;
}

pugi::xml_node NewElement::append_to(pugi::xml_node container) const {
  if (!container) throw kb::object_not_set();
  return container.append_copy(element_);
}

pugi::xml_node NewElement::replace(pugi::xml_node old) const {
  pugi::xml_node parent = old.parent();
  if (!parent) throw kb::object_not_set();
  const pugi::xml_node copy = parent.insert_copy_before(element_, old);
  parent.remove_child(old);
  return copy;
}

}  // namespace KBConfigIO
