#pragma once
// The user manual, "valdorin.html", shown by Help > Contents.
//
// A manual in the program directory comes first, so that a user can keep a manual of his own
// beside his patterns; then the one beside the program (where the build puts it), then the one
// installed with the program under share/doc/valdorin.

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace valdorin {

inline constexpr const char* kManualName = "valdorin.html";

// The places looked at, in order. programDir is the directory the name is taken relative to;
// binaryDir the directory of the running program.
std::vector<std::filesystem::path> manualPlaces(const std::filesystem::path& programDir,
                                                const std::filesystem::path& binaryDir);

// The first manual found, its name matched case-blind in the program directory.
std::optional<std::filesystem::path> findManual(const std::filesystem::path& programDir,
                                                const std::filesystem::path& binaryDir);

// What the user is told when no manual is found: the name and the places looked at.
std::string manualMissingMessage(const std::filesystem::path& programDir,
                                 const std::filesystem::path& binaryDir);

}  // namespace valdorin
