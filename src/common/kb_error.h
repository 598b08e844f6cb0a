#pragma once

#include <stdexcept>
#include <string>

namespace kb {

// A failure inside the program. It carries what the traps need to build their
// messages: a description, a number and the source that raised it.
class Error : public std::runtime_error {
 public:
  Error(int number, std::string description, std::string source = "Kitebrook");

  int number() const { return number_; }
  const std::string& description() const { return description_; }
  const std::string& source() const { return source_; }

 private:
  int number_;
  std::string description_;
  std::string source_;
};

// The program's failures by kind. Each carries the number that messages
// built from it show; callers name the kind, never the number.

// A node that a path query did not find was used as a node.
Error object_not_set();
// A number outside the range of the integer it must fit.
Error overflow();
// A text that had to be a number was not one.
Error type_mismatch();
// An operation asked of something that cannot do it now (`what` says why).
Error invalid_call(std::string what, std::string source = "Kitebrook");
Error out_of_memory();
// An index past the end of a list.
Error subscript_out_of_range();
// A failure the program did not expect (`what` says what it was).
Error internal_error(std::string what);
// A file name or path that cannot name a file.
Error bad_file_name(std::string what);
// A file the program needs is not there.
Error file_not_found(std::string what);
// A file that could not be read or written (`what` names it and says why).
Error file_access(std::string what);
// A folder the program needs is not there.
Error path_not_found(std::string what, std::string source = "Kitebrook");
// A window property set to a value it cannot take.
Error invalid_property_value();
// A window asked to change its size while minimized or maximized.
Error window_cannot_be_sized();
// The web engine could not do what was asked (no page to go back to, no
// answer in time, a page closed meanwhile).
Error engine_failure(std::string what);
// A script in a page threw; `what` is the page's own message.
Error script_exception(std::string what);
// A text that had to be an XML document is not one.
Error xml_not_well_formed(std::string what);

// The description of any failure, for a message.
std::string describe(const std::exception& failure);

}  // namespace kb
