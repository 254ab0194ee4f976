#pragma once
// The kit maker's kit and its rules, without a window: a kit of an unnamed placeholder and
// sixteen slots, one per kit instrument, each holding a sound and the name of the file it came
// from. Plain code; the kit maker window (TMakit) runs these steps and plays the files.
//
// Slot n (1..16) is kit entry n by position and instrument list entry n by name.

#include <array>
#include <filesystem>
#include <string>
#include <string_view>

#include "kits/KitFile.h"

namespace valdorin::kits {

inline constexpr int kMakerSlots = 16;
// The extension the kit file save dialog gives a name typed without one.
inline constexpr const char* kKitExtension = ".dxg";

// The blank sound: the program directory's "Blank.wav", found there without regard to letter
// case, so that every way the program writes its name reaches the same file. The path of the
// exact name when no such file exists.
std::filesystem::path blankSoundFile(const std::filesystem::path& programDirectory);

// A kit file name as the save dialog returns it: ".dxg" appended to a name whose file-name part
// has no extension.
std::string withKitExtension(std::string_view chosen);

class KitMaker {
  public:
    // 17 entries once prepared: entry 0 the placeholder, entries 1..16 the slots.
    TWaveCollection Kit;
    // Index 0: the blank sound's path after preparing, then the last file loaded; index n: the
    // file whose sound slot n holds (the bare "Blank.wav" for the blank sound). Program text.
    std::array<std::string, kMakerSlots + 1> Sources;

    // Empties the kit, then adds the placeholder and the sixteen slots, each named as its
    // instrument list entry (the placeholder: the empty name) and holding the blank sound;
    // every slot's source becomes the bare "Blank.wav". Index 0 is left to the caller.
    void FillWithBlankSound(const std::filesystem::path& programDirectory);

    // Copies the sounds of the kit's entries 1..16, by position, into the slots through the
    // files "1.wav" .. "16.wav" of the temp directory, which become the slots' sources.
    // "List index out of bounds (%d)" for a kit of fewer than 17 entries and "Cannot create
    // file %s" for a temp directory that cannot take the file: the slots before stay
    // templated.
    void TemplateFrom(const TWaveCollection& kit, const std::filesystem::path& tempDirectory);

    // Loads a WAV file into a slot, keeping its wave image as read (any sample depth). The
    // sources name the file first, so they name it even when reading fails.
    void LoadSample(int slot, const std::string& path);

    // The file Play opens for a slot: its source, a bare "Blank.wav" meaning the blank sound.
    std::filesystem::path PlayFile(int slot, const std::filesystem::path& programDirectory) const;

    // Finds the placeholder and each kit instrument by name, in instrument list order, before
    // anything is saved: "Wave '%s' not found" at the first the kit lacks.
    void CheckInstrumentNames();

  private:
    static void checkSlot(int slot);
};

}  // namespace valdorin::kits
