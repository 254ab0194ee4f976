#pragma once
// Text rules shared by every part of the program.
//
// Program text (grid cells, names, file lines) is 8-bit text in the Windows-1252 code page,
// held in std::string byte for byte, exactly as pattern, song and kit files store it. Qt and
// the file system see UTF-8; conversion happens only at those borders (toUtf8 / fromUtf8).

#include <optional>
#include <string>
#include <string_view>

namespace valdorin {

// Decimal whole number as the program reads one from a text: optional blanks before, an
// optional sign, digits, nothing after; the value must fit in 32 bits. Anything else raises
// "'%s' is not a valid integer value" naming the text.
int strToInt(std::string_view text);
// The same rule, without raising.
std::optional<int> tryStrToInt(std::string_view text);

// Nearest whole number, a half going to the even neighbour.
long long nearInt(double x);

// Letter-case-blind equality of 8-bit text (Windows-1252 letters, accented ones included).
bool sameText(std::string_view a, std::string_view b);
// Letter-case-blind ordering, for the sorted lists: negative, 0 or positive.
int compareText(std::string_view a, std::string_view b);
// Upper-case form used for case-blind keys.
std::string upperText(std::string_view s);

// The text after the last "\", "/" or ":" of a path.
std::string fileNamePart(std::string_view path);
// The file-name part with its last four characters cut, then at most its first 8 characters.
std::string shortName(std::string_view path);

// Windows-1252 bytes <-> UTF-8.
std::string toUtf8(std::string_view cp1252);
std::string fromUtf8(std::string_view utf8);  // characters outside the code page become '?'

}  // namespace valdorin
