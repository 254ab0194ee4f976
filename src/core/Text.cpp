#include "core/Text.h"

#include <array>
#include <cmath>
#include <limits>

#include "core/Errors.h"

namespace valdorin {

std::optional<int> tryStrToInt(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || text[i] == '\t'))
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    if (i == text.size())
        return std::nullopt;
    long long value = 0;
    for (; i < text.size(); ++i) {
        const char c = text[i];
        if (c < '0' || c > '9')
            return std::nullopt;
        value = value * 10 + (c - '0');
        if (value > 1LL + std::numeric_limits<int>::max())
            return std::nullopt;
    }
    if (negative)
        value = -value;
    if (value < std::numeric_limits<int>::min() || value > std::numeric_limits<int>::max())
        return std::nullopt;
    return static_cast<int>(value);
}

int strToInt(std::string_view text) {
    if (auto v = tryStrToInt(text))
        return *v;
    throwInvalidInteger(text);
}

long long nearInt(double x) {
    return static_cast<long long>(std::nearbyint(x));
}

namespace {

unsigned char upperByte(unsigned char c) {
    if (c >= 'a' && c <= 'z')
        return c - 0x20;
    if (c >= 0xE0 && c <= 0xFE && c != 0xF7)
        return c - 0x20;
    switch (c) {
        case 0x9A:
            return 0x8A;
        case 0x9C:
            return 0x8C;
        case 0x9E:
            return 0x8E;
        case 0xFF:
            return 0x9F;
        default:
            return c;
    }
}

// Unicode code points of the bytes 0x80..0x9F; 0 where the code page defines none (those five
// bytes map to the C1 controls of the same value, as Windows maps them, so that every byte
// survives a round trip through UTF-8).
constexpr std::array<char16_t, 32> kHigh = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

void appendUtf8(std::string& out, char32_t cp) {
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (cp >> 18));
        out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

}  // namespace

std::string upperText(std::string_view s) {
    std::string out(s);
    for (auto& c : out)
        c = static_cast<char>(upperByte(static_cast<unsigned char>(c)));
    return out;
}

bool sameText(std::string_view a, std::string_view b) {
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (upperByte(static_cast<unsigned char>(a[i])) !=
            upperByte(static_cast<unsigned char>(b[i])))
            return false;
    return true;
}

int compareText(std::string_view a, std::string_view b) {
    const std::size_t n = std::min(a.size(), b.size());
    for (std::size_t i = 0; i < n; ++i) {
        const int x = upperByte(static_cast<unsigned char>(a[i]));
        const int y = upperByte(static_cast<unsigned char>(b[i]));
        if (x != y)
            return x - y;
    }
    return a.size() < b.size() ? -1 : (a.size() > b.size() ? 1 : 0);
}

std::string fileNamePart(std::string_view path) {
    const auto cut = path.find_last_of("\\/:");
    return std::string(cut == std::string_view::npos ? path : path.substr(cut + 1));
}

std::string shortName(std::string_view path) {
    std::string name = fileNamePart(path);
    name.resize(name.size() >= 4 ? name.size() - 4 : 0);
    if (name.size() > 8)
        name.resize(8);
    return name;
}

std::string toUtf8(std::string_view cp1252) {
    std::string out;
    out.reserve(cp1252.size());
    for (unsigned char c : cp1252) {
        if (c >= 0x80 && c <= 0x9F && kHigh[c - 0x80] != 0)
            appendUtf8(out, kHigh[c - 0x80]);
        else
            appendUtf8(out, c);
    }
    return out;
}

std::string fromUtf8(std::string_view utf8) {
    std::string out;
    out.reserve(utf8.size());
    for (std::size_t i = 0; i < utf8.size();) {
        const unsigned char c = utf8[i];
        char32_t cp;
        int len;
        if (c < 0x80) {
            cp = c;
            len = 1;
        } else if ((c & 0xE0) == 0xC0) {
            cp = c & 0x1F;
            len = 2;
        } else if ((c & 0xF0) == 0xE0) {
            cp = c & 0x0F;
            len = 3;
        } else if ((c & 0xF8) == 0xF0) {
            cp = c & 0x07;
            len = 4;
        } else {
            out += '?';
            ++i;
            continue;
        }
        if (i + len > utf8.size()) {
            out += '?';
            break;
        }
        bool ok = true;
        for (int k = 1; k < len; ++k) {
            const unsigned char d = utf8[i + k];
            if ((d & 0xC0) != 0x80)
                ok = false;
            cp = (cp << 6) | (d & 0x3F);
        }
        i += ok ? len : 1;
        if (!ok) {
            out += '?';
            continue;
        }
        const bool undefinedSlot = cp >= 0x80 && cp <= 0x9F && kHigh[cp - 0x80] == 0;
        if (cp < 0x80 || (cp >= 0xA0 && cp <= 0xFF) || undefinedSlot) {
            out += static_cast<char>(cp);
            continue;
        }
        char mapped = '?';
        for (std::size_t k = 0; k < kHigh.size(); ++k)
            if (kHigh[k] == cp)
                mapped = static_cast<char>(0x80 + k);
        out += mapped;
    }
    return out;
}

}  // namespace valdorin
