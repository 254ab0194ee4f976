// libFuzzer target: the song file reader on arbitrary bytes, with Open Song's slot steps over
// in-memory slots, and a play list that must survive a save and a read unchanged. Any
// valdorin::Error is an accepted outcome; a crash, a sanitizer report, another exception or a
// hang is a finding.
#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "core/Errors.h"
#include "kits/SampleSlots.h"
#include "platform/FileSystem.h"
#include "song/PatternFile.h"
#include "song/SongFile.h"

namespace {

class MemorySlots : public valdorin::kits::SampleSlots {
  public:
    struct Slot {
        std::string file = "Blank.wav";
        int hz = 44100, pan = 0;
    };
    std::array<Slot, 33> slot;
    Slot& at(int s) {
        if (s < 1 || s > 32)
            __builtin_trap();  // the reader never names a slot beyond 32
        return slot[static_cast<std::size_t>(s)];
    }
    std::string fileName(int s) const override { return slot.at(static_cast<std::size_t>(s)).file; }
    void setFileName(int s, const std::string& path) override {
        if (path.find('!') != std::string::npos) {
            at(s).file.clear();
            throw valdorin::Error("Cannot open file " + path);
        }
        at(s).file = path;
    }
    int frequency(int s) const override { return slot.at(static_cast<std::size_t>(s)).hz; }
    void setFrequency(int s, int hz) override { at(s).hz = hz; }
    int pan(int s) const override { return slot.at(static_cast<std::size_t>(s)).pan; }
    void setPan(int s, int p) override { at(s).pan = p; }
    int volume(int) const override { return 0; }
    void setBasePitch(int s, int) override { at(s); }
    void restart(int) override {}
    void stop(int) override {}
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace valdorin;
    const auto lines = fs::splitLines(std::string_view(reinterpret_cast<const char*>(data), size));
    const song::SongFileContent content = song::readSongLines(lines);
    if (content.entries.size() > lines.size() || content.records.size() > 32)
        __builtin_trap();
    MemorySlots slots;
    try {
        song::applySongRecords(content.records, slots, nullptr);
    } catch (const Error&) {
    }
    // Each entry is either a plain pattern name or refused as one.
    for (const std::string& entry : content.entries) {
        try {
            song::validatePatternName(entry);
        } catch (const Error&) {
        }
    }
    // Saved and read back, the play list and slots 1 to 8 come back as they were.
    const auto saved = song::songFileLines(content.entries, song::songSlotsOf(slots));
    const auto again = song::readSongLines(fs::splitLines(fs::joinLines(saved)));
    if (again.entries != content.entries || again.records.size() < song::kSongSlotCount)
        __builtin_trap();
    return 0;
}
