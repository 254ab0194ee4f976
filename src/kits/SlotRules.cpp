#include "kits/SlotRules.h"

#include <cmath>
#include <limits>

#include "core/Text.h"
#include "platform/FileSystem.h"

namespace valdorin::kits {

int semitoneFrequency(int basePitchHz, int offsetCents) {
    const double hz = basePitchHz * std::pow(2.0, offsetCents / 1200.0);
    constexpr double kMax = std::numeric_limits<int>::max();
    constexpr double kMin = std::numeric_limits<int>::min();
    if (!(hz < kMax))
        return std::numeric_limits<int>::max();  // also catches infinity
    if (!(hz > kMin))
        return std::numeric_limits<int>::min();
    return static_cast<int>(nearInt(hz));
}

bool isEmptySlot(std::string_view fileName) {
    return fileNamePart(fileName) == kBlankWav;
}

std::filesystem::path slotFilePath(const std::filesystem::path& programDirectory,
                                   std::string_view fileName) {
    if (fileName == kBlankWav) {
        if (auto found = fs::findCaseBlind(programDirectory, kBlankWav))
            return *found;
        return programDirectory / kBlankWav;
    }
    const std::filesystem::path path = fs::pathFromText(fileName);
    return path.is_absolute() ? path : programDirectory / path;
}

int pickerSlotTop(int slot) {
    return (slot - 1) * 25 + (slot - 1) / 4 * 6;
}

namespace {

// Windows-1252 small letter of c, or c itself.
char smallLetter(char ch) {
    const auto c = static_cast<unsigned char>(ch);
    if ((c >= 'A' && c <= 'Z') || (c >= 0xC0 && c <= 0xDE && c != 0xD7))
        return static_cast<char>(c + 0x20);
    if (c == 0x8A || c == 0x8C || c == 0x8E)
        return static_cast<char>(c + 0x10);
    if (c == 0x9F)
        return static_cast<char>(0xFF);
    return ch;
}

}  // namespace

std::string applicationTitle(std::string_view programFile) {
    std::string name = fileNamePart(programFile);
    if (const auto dot = name.rfind('.'); dot != std::string::npos && dot > 0)
        name.resize(dot);
    for (std::size_t i = 1; i < name.size(); ++i)
        name[i] = smallLetter(name[i]);
    return name;
}

}  // namespace valdorin::kits
