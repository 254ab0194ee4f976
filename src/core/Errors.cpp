#include "core/Errors.h"

namespace valdorin {

void throwInvalidInteger(std::string_view text) {
    throw Error("'" + std::string(text) + "' is not a valid integer value");
}

void throwCannotOpen(std::string_view path) {
    throw Error("Cannot open file " + std::string(path));
}

void throwCannotCreate(std::string_view path) {
    throw Error("Cannot create file " + std::string(path));
}

}  // namespace valdorin
