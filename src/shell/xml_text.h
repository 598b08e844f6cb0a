#pragma once

#include <pugixml.hpp>

#include <string>

#include "common/kb_error.h"

namespace kb {

// The text of the node that a path query finds, as a DOM's text property
// gives it (the text of all its descendants); a query that finds nothing
// fails as the use of a missing object does.
inline std::string queried_text(const pugi::xml_node& context, const char* query) {
  pugi::xml_node node = context.select_node(query).node();
  if (!node) throw object_not_set();
  struct Collect : pugi::xml_tree_walker {
    std::string text;
    bool for_each(pugi::xml_node& n) override {
      if (n.type() == pugi::node_pcdata || n.type() == pugi::node_cdata) text += n.value();
      return true;
    }
  } collect;
  node.traverse(collect);
  return collect.text;
}

}  // namespace kb
