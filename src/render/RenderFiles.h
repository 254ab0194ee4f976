#pragma once
// The render command's temp files: every sound the song may use, written into the temp
// directory as a WAV file that the render's WAV object (TWave) reads.
//
// TWave reads 8-bit and 16-bit PCM only. A kit entry or sample slot holding 24-bit or 32-bit
// PCM or floating-point audio, or a slot file that is a sound file but no RIFF WAVE file,
// plays at its true sound; for the render it is converted to 16-bit PCM at its own rate here,
// so that it renders as it plays. 8-bit and 16-bit PCM WAV data is written exactly as read.

#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <string>

#include "kits/KitFile.h"

namespace valdorin::render {

// Kit entries 0 to 16 are exported: the unnamed placeholder and the sixteen instruments.
inline constexpr int kExportedKitEntries = 17;

// temp directory / "%d.wav", the sound of kit entry i.
std::filesystem::path kitEntryFile(const std::filesystem::path& tempDirectory, int entry);
// temp directory / "sample%d.wav", the sound of sample slot k. The mixer reads it under the
// same name, so that it is one file on any file system.
std::filesystem::path sampleFile(const std::filesystem::path& tempDirectory, int slot);

// Writes kit entries 0 to 16; an entry with an empty wave gives a file of 0 bytes. Raises
// "List index out of bounds (%d)" for a kit of fewer than 17 entries (the entries before it
// are written) and "Cannot create file %s" without a temp directory.
void exportKit(const kits::TWaveCollection& kit, const std::filesystem::path& tempDirectory);

// Deletes "sample1.wav" to "sample32.wav"; a missing file is no error.
void removeSampleFiles(const std::filesystem::path& tempDirectory);

// Writes the sound of slot k's file. The file name is the slot's as held: "Blank.wav" and
// other relative names are found in the program directory, as the sample importer finds them.
// Raises "Cannot open file %s" for a file that cannot be read and "Wave is invalid" (the WAV
// reader's error) for one that is no sound file at all.
void exportSample(const std::string& slotFileName, int slot,
                  const std::filesystem::path& programDirectory,
                  const std::filesystem::path& tempDirectory);

// Whether TWave renders the wave as stored: empty, or PCM with 8 or 16 bits per sample.
bool rendersAsStored(const kits::TKitWave& wave);

// The sound of a sound file image (any format libsndfile reads) as 16-bit PCM at the file's
// rate, with its first two channels; nullopt when it is no sound file libsndfile can read.
// Samples are scaled to 16 bits and rounded (halves to even); full-scale floating-point values
// become 32767 and -32768, larger ones are limited. An image that decodes to more than 64
// bytes of sound per byte of its own raises "The sound is too long to be rendered".
std::optional<kits::TKitWave> decodeTo16Bit(std::span<const std::uint8_t> image);

}  // namespace valdorin::render
