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

// The numbers that messages built from a failure show, by kind. Only the
// constructors below and the code that tells kinds apart use them.
namespace error_number {
inline constexpr int invalid_call = 5;
inline constexpr int overflow = 6;
inline constexpr int out_of_memory = 7;
inline constexpr int subscript_out_of_range = 9;
inline constexpr int type_mismatch = 13;
inline constexpr int internal_error = 51;
inline constexpr int bad_file_name = 52;
inline constexpr int file_not_found = 53;
inline constexpr int permission_denied = 70;
inline constexpr int file_access = 75;
inline constexpr int path_not_found = 76;
inline constexpr int object_not_set = 91;
inline constexpr int invalid_property_value = 380;
inline constexpr int window_cannot_be_sized = 384;
inline constexpr int engine_failure = -2147467259;       // the engine's "unspecified failure"
inline constexpr int script_exception = -2147352319;     // an exception raised by a script
inline constexpr int xml_not_well_formed = -1072896760;  // the XML parser's "not well-formed"
}  // namespace error_number

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
// As above, with `what` saying what could not be had.
Error out_of_memory(std::string what);
// An index past the end of a list.
Error subscript_out_of_range();
// A failure the program did not expect (`what` says what it was).
Error internal_error(std::string what);
// A file name or path that cannot name a file.
Error bad_file_name(std::string what);
// A file the program needs is not there.
Error file_not_found(std::string what);
// Something held by someone else, e.g. a lock another window keeps.
Error permission_denied(std::string what);
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

// Any failure as the message traps see it: a kb::Error as it is, a failed
// allocation as out_of_memory, anything else as an internal_error.
Error as_error(const std::exception& failure);

// The description of any failure, for a message: a kb::Error's own, else
// the failure's what().
std::string describe(const std::exception& failure);

}  // namespace kb
