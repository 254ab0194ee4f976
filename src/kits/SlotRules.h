#pragma once
// Rules of the sample slots that need no window and no sound: the semitone arithmetic, the
// empty-slot rule, where a slot's file is found, the sample picker's layout and the importer's
// caption after Open.

#include <filesystem>
#include <string>
#include <string_view>

#include "core/ProgramFiles.h"

namespace valdorin::kits {

// Cents per semitone step of the importer.
inline constexpr int kSemitoneCents = 100;

// near(base pitch x 2^(offset / 1200)) in Hz, a half going to the even neighbour. A result
// beyond the range of int (thousands of steps up) saturates instead of overflowing.
int semitoneFrequency(int basePitchHz, int offsetCents);

// A slot is empty when the file-name part of its file name (after the last "\", "/" or ":")
// is exactly "Blank.wav". The empty file name of a slot left without sound is not empty.
bool isEmptySlot(std::string_view fileName);

// The file a slot's file name stands for. A bare "Blank.wav" (no folder) always means the
// program directory's file, found there without regard to letter case; any other relative
// name is taken inside the program directory too, since the program keeps its files there;
// an absolute path is itself.
std::filesystem::path slotFilePath(const std::filesystem::path& programDirectory,
                                   std::string_view fileName);

// Top of slot button s and its number label inside the picker's scroll box, in pixels: slots
// stand 25 apart in groups of four, 6 more between groups (1 at 0, 5 at 106, 32 at 817).
int pickerSlotTop(int slot);

// The application title the importer shows after Open: the program file's name without
// folder and extension, its first letter unchanged and the rest in small letters
// ("valdorin" stays "valdorin", "VALDORIN.EXE" gives "Valdorin").
std::string applicationTitle(std::string_view programFile);

}  // namespace valdorin::kits
