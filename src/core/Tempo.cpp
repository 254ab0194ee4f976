#include "core/Tempo.h"

#include <algorithm>

#include "core/Text.h"

namespace valdorin {

int clampTempo(int tempo) {
    return std::clamp(tempo, kMinTempo, kMaxTempo);
}

int stepIntervalMs(double tempo) {
    return static_cast<int>(nearInt(2 * tempo));
}

std::string bpmText(double tempo) {
    return std::to_string(nearInt(7200 / tempo));
}

const std::vector<std::string>& timeSignatures() {
    static const std::vector<std::string> kEntries = {
        "16 | 4",  "16 | 8",  "16 | 16", "8  | 8",  "8  | 4",  "8  | 2",  "4  | 4",  "4  | 2 ",
        "12 | 4 ", "24 | 4 ", "24 | 8 ", "32 | 16", "32 | 8 ", "32 | 4 ", "64 | 32", "64 | 16",
        "64 | 8 ", "64 | 4 ", "3  | 3 ", "9  | 3 ", "12 | 3 ", "15 | 3 ", "7  | 4",  "7  | 7",
    };
    return kEntries;
}

namespace {
// A blank as character 2 ends the number at character 1.
std::string cutAtBlank(std::string text) {
    if (text.size() >= 2 && text[1] == ' ')
        text.resize(1);
    return text;
}
}  // namespace

std::string timeSignatureLength(std::string_view chooserText) {
    std::string text(chooserText);
    if (text.size() > 2)
        text.erase(2, 6);
    return cutAtBlank(std::move(text));
}

std::string timeSignatureBeat(std::string_view chooserText) {
    return cutAtBlank(std::string(chooserText.size() > 5 ? chooserText.substr(5) : ""));
}

int normalizedLoopCount(std::string_view text) {
    return std::max(1, tryStrToInt(text).value_or(0));
}

}  // namespace valdorin
