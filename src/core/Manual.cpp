#include "core/Manual.h"

#include "platform/FileSystem.h"

// VALDORIN_MANUAL_FROM_BIN: the installed manual's directory relative to the installed program's,
// from the build ("../share/doc/valdorin" in the usual layout).

namespace valdorin {

std::vector<std::filesystem::path> manualPlaces(const std::filesystem::path& programDir,
                                                const std::filesystem::path& binaryDir) {
    return {
        programDir / kManualName,
        binaryDir / kManualName,
        (binaryDir / VALDORIN_MANUAL_FROM_BIN / kManualName).lexically_normal(),
    };
}

std::optional<std::filesystem::path> findManual(const std::filesystem::path& programDir,
                                                const std::filesystem::path& binaryDir) {
    if (auto own = fs::findCaseBlind(programDir, kManualName); own && fs::fileExists(*own))
        return own;
    const auto places = manualPlaces(programDir, binaryDir);
    for (std::size_t i = 1; i < places.size(); ++i)
        if (fs::fileExists(places[i]))
            return places[i];
    return std::nullopt;
}

std::string manualMissingMessage(const std::filesystem::path& programDir,
                                 const std::filesystem::path& binaryDir) {
    std::string message = "The user manual \"" + std::string(kManualName) + "\" was not found.";
    message += " Looked for it as:";
    for (const auto& place : manualPlaces(programDir, binaryDir))
        message += "\n" + fs::textFromPath(place);
    return message;
}

}  // namespace valdorin
