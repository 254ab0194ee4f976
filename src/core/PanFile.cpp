#include "core/PanFile.h"

#include "core/Text.h"

namespace valdorin {

std::vector<std::string> panFileLines(const Pans& pans) {
    std::vector<std::string> lines;
    lines.reserve(kPanCount + 1);
    lines.emplace_back("0");
    for (int pan : pans)
        lines.push_back(std::to_string(pan));
    return lines;
}

int panFromLines(const std::vector<std::string>& lines, int instrument) {
    const auto i = static_cast<std::size_t>(instrument);
    return strToInt(i < lines.size() ? std::string_view(lines[i]) : std::string_view());
}

Pans parsePanLines(const std::vector<std::string>& lines) {
    Pans pans{};
    for (int i = 1; i <= kPanCount; ++i)
        pans[i - 1] = panFromLines(lines, i);
    return pans;
}

}  // namespace valdorin
