#pragma once
// Song files ("*.sng", anywhere the user chooses): the play list and sample slots 1 to 8.
//
// Windows-1252 text, one value per line, CR LF after every line (the last one too). With N play
// list entries a saved song has N + 40 lines, from 0:
//   0 .. N-1        the play list entries, one pattern name per line
//   N+5(s-1)        "<*sam%d", the record marker of sample slot s (1 to 8)
//   N+5(s-1)+1      slot s: its file name as the sample importer holds it ("Blank.wav" if empty)
//   N+5(s-1)+2      slot s: its frequency in hertz
//   N+5(s-1)+3      "//"
//   N+5(s-1)+4      slot s: its pan, in hundredths of a decibel, negative to the left
//
// Reading is more tolerant than writing: the entries are the lines before the first line that
// begins with "<*" (all lines when there is none); from that line on come records filling slots
// 1, 2, 3 ... (at most 32), each a marker, a file name and a frequency, then "//" and a pan only
// where the next line is exactly "//". Slots the file holds no record for keep their state.
//
// Plain code; the functions run on whichever thread calls them.

#include <array>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace valdorin::kits {
class SampleSlots;
class SlotView;
}  // namespace valdorin::kits

namespace valdorin::song {

inline constexpr int kSongSlotCount = 8;     // slots a song file stores
inline constexpr int kSongRecordLimit = 32;  // records a song file is read for
inline constexpr std::string_view kSongExtension = ".sng";
inline constexpr std::string_view kPanMarker = "//";

struct SongSlot {
    std::string fileName;  // a full path, or "Blank.wav"
    int frequency = 0;     // Hz
    int pan = 0;           // hundredths of a decibel
};
using SongSlots = std::array<SongSlot, kSongSlotCount>;

// "<*sam1" to "<*sam8".
std::string slotMarker(int slot);

// The N + 40 lines of a song file.
std::vector<std::string> songFileLines(const std::vector<std::string>& playList,
                                       const SongSlots& slots);

// A slot record as it stands in the file, its texts not yet read as numbers: a text that is no
// whole number fails only when the record is applied, after the slots before it are set.
struct SongRecord {
    std::string fileName;
    std::string frequency;           // the empty text when the file ends before it
    std::optional<std::string> pan;  // only when the line after the frequency is "//"
};

struct SongFileContent {
    std::vector<std::string> entries;
    std::vector<SongRecord> records;  // slots 1, 2, ... in order; at most 32
};

// The reading rule. Holds no more than the file's own lines: nothing is sized from what a line
// says.
SongFileContent readSongLines(const std::vector<std::string>& lines);

// Open Song's slot steps for each record in order: the slot's file name (the importer opens
// it), its sample picker caption, its frequency; for a sample other than "Blank.wav" the
// importer's controls and its pitch bar; the pan when the record has one. Ends with the error
// of the first file that cannot be opened or number that cannot be read; the slots before it
// stay set.
// view, when given, is the slots' windows: the picker captions, the importer's controls and its
// pitch bar.
void applySongRecords(const std::vector<SongRecord>& records, kits::SampleSlots& slots,
                      kits::SlotView* view = nullptr);

// What Save Song stores of slots 1 to 8.
SongSlots songSlotsOf(const kits::SampleSlots& slots);

// The song title for a chosen path: its file name part with the last four characters cut.
std::string songTitle(std::string_view path);

}  // namespace valdorin::song
