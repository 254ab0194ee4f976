#pragma once
// The rendered song in other audio formats: the 16-bit WAV the mixer writes, encoded through
// libsndfile as FLAC (lossless: it decodes to exactly the WAV's samples) or Ogg Vorbis.

#include <optional>
#include <string_view>

#include "platform/FileSystem.h"

namespace valdorin::render {

enum class AudioFormat { Wav, Flac, Ogg };

// "wav", "flac" or "ogg" (letter case ignored); nullopt for anything else.
std::optional<AudioFormat> audioFormatNamed(std::string_view name);
// By the file name's extension: ".flac" FLAC, ".ogg" Ogg Vorbis, anything else WAV.
AudioFormat audioFormatOf(const fs::Path& path);

// Encodes the WAV file wav into out in format (a WAV is copied as it is). out is written beside
// its place and renamed over it once complete. Raises "Cannot open file %s" for a WAV file that
// cannot be read and "Cannot create file %s" when out cannot be written.
void ConvertWav(const fs::Path& wav, const fs::Path& out, AudioFormat format);

}  // namespace valdorin::render
