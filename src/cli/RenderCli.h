#pragma once
// valdorin-cli's song commands that need the whole program directory: rendering a song file
// into one WAV file, and the play list's patterns with their lengths.

#include <filesystem>
#include <iosfwd>
#include <string>

namespace valdorin::cli {

// Renders the song file as the program does after starting in programDirectory and opening the
// song with Open Song, from the first play list entry: the kit "power.dxg" with the pans of
// "Panning.dat", the song's sample slots (the others empty), the pattern files and the temp
// directory of programDirectory. The work file "work1.tmp" is left there as the program leaves
// it. progress, when given, hears how far the render is. Raises the program's messages.
void renderSongFile(const std::filesystem::path& songFile, const std::filesystem::path& outFile,
                    const std::filesystem::path& programDirectory, std::ostream* progress);

// One line per play list entry: "NAME" STEPS TEMPO LOOPS SECONDS, the tempo value and the loop
// count as played; then "length SECONDS", the sum. Seconds with three decimals. An entry whose
// pattern cannot be read is named on err with its message; the length is then left out and
// the result is false.
bool songInfo(const std::filesystem::path& songFile, const std::filesystem::path& programDirectory,
              std::ostream& out, std::ostream& err);

}  // namespace valdorin::cli
