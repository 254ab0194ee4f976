#pragma once
// Errors raised by the program's commands. A command does not catch them: the error ends the
// command where it happened, and the window that ran it shows the message in the error box.

#include <stdexcept>
#include <string>
#include <string_view>

namespace valdorin {

class Error : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

// "'%s' is not a valid integer value"
[[noreturn]] void throwInvalidInteger(std::string_view text);
// "Cannot open file %s"
[[noreturn]] void throwCannotOpen(std::string_view path);
// "Cannot create file %s"
[[noreturn]] void throwCannotCreate(std::string_view path);

}  // namespace valdorin
