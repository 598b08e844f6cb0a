#pragma once

#include <pugixml.hpp>

#include <string>

namespace KBConfigIO {

// An element built whole in a document of its own, so that it enters the
// configuration complete, children in the order they were added. Text
// children hold their value as given; a value XML cannot hold is refused.
class NewElement {
 public:
  explicit NewElement(const char* name);
  NewElement(const NewElement&) = delete;
  NewElement& operator=(const NewElement&) = delete;

  // Gives the element itself the text `text`; throws kb::Error when the text
  // holds characters that XML does not allow.
  NewElement& set_text(const std::string& text);
  // Adds a child holding `text`, refused like set_text.
  NewElement& add_text(const char* name, const std::string& text);
  // Adds a copy of `node` with everything below it.
  NewElement& add_copy(pugi::xml_node node);

  // Puts a copy at the end of `container` and returns it.
  pugi::xml_node append_to(pugi::xml_node container) const;
  // Puts a copy in the place of `old`, which leaves the document.
  pugi::xml_node replace(pugi::xml_node old) const;

 private:
  pugi::xml_document scratch_;
  pugi::xml_node element_;
};

}  // namespace KBConfigIO
