#pragma once
// The default kit, synthesized: sixteen drum sounds at 44100 Hz, 16-bit, and the program
// directory's other start-up files.

#include <filesystem>

#include "kits/KitFile.h"

namespace valdorin::kits {

// Fills the kit with an unnamed placeholder entry 0 holding silence and entries 1 to 16 named
// as instrument list entries 1 to 16.
void BuildDefaultKit(TWaveCollection& kit);

// A short silent 44100 Hz 16-bit stereo WAV file, the empty-slot sound.
std::vector<std::uint8_t> BlankWavBytes();

// Creates in dir whatever of "power.dxg", "Blank.wav", "Panning.dat" and "temp/" is missing;
// never replaces an existing file.
void SeedProgramDirectory(const std::filesystem::path& dir);

}  // namespace valdorin::kits
