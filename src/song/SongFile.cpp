#include "song/SongFile.h"

#include <cstddef>

#include "core/Text.h"
#include "kits/SampleSlots.h"

namespace valdorin::song {

namespace {

constexpr std::string_view kBlankWav = "Blank.wav";

bool isMarker(std::string_view line) {
    return line.substr(0, 2) == "<*";
}

// Cuts the last four characters ("Beat.sng" gives "Beat"); shorter texts become empty.
std::string cutExtension(std::string_view text) {
    return std::string(text.substr(0, text.size() >= 4 ? text.size() - 4 : 0));
}

}  // namespace

std::string slotMarker(int slot) {
    return "<*sam" + std::to_string(slot);
}

std::vector<std::string> songFileLines(const std::vector<std::string>& playList,
                                       const SongSlots& slots) {
    std::vector<std::string> lines = playList;
    lines.reserve(playList.size() + 5 * kSongSlotCount);
    for (int s = 1; s <= kSongSlotCount; ++s) {
        const SongSlot& slot = slots[static_cast<std::size_t>(s - 1)];
        lines.push_back(slotMarker(s));
        lines.push_back(slot.fileName);
        lines.push_back(std::to_string(slot.frequency));
        lines.push_back(std::string(kPanMarker));
        lines.push_back(std::to_string(slot.pan));
    }
    return lines;
}

SongFileContent readSongLines(const std::vector<std::string>& lines) {
    SongFileContent song;
    std::size_t i = 0;
    while (i < lines.size() && !isMarker(lines[i]))
        song.entries.push_back(lines[i++]);
    // i is the first record's marker. Only that one is looked at: every later record starts
    // where the previous one ended, whatever its first line says.
    while (i + 1 < lines.size() &&
           song.records.size() < static_cast<std::size_t>(kSongRecordLimit)) {
        SongRecord record;
        record.fileName = lines[i + 1];
        if (i + 2 < lines.size())
            record.frequency = lines[i + 2];
        std::size_t next = i + 3;
        if (i + 3 < lines.size() && lines[i + 3] == kPanMarker) {
            record.pan = i + 4 < lines.size() ? lines[i + 4] : std::string();
            next = i + 5;
        }
        song.records.push_back(std::move(record));
        i = next;
    }
    return song;
}

void applySongRecords(const std::vector<SongRecord>& records, kits::SampleSlots& slots,
                      kits::SlotView* view) {
    int slot = 1;
    for (const SongRecord& record : records) {
        slots.setFileName(slot, record.fileName);
        if (view)
            view->setPickerCaption(slot, shortName(record.fileName));
        const int hz = strToInt(record.frequency);
        slots.setFrequency(slot, hz);
        if (view && fileNamePart(record.fileName) != kBlankWav) {
            view->enableImporterControls();
            view->setPitchBar(hz);
        }
        if (record.pan)
            slots.setPan(slot, strToInt(*record.pan));
        ++slot;
    }
}

SongSlots songSlotsOf(const kits::SampleSlots& slots) {
    SongSlots out;
    for (int s = 1; s <= kSongSlotCount; ++s) {
        SongSlot& slot = out[static_cast<std::size_t>(s - 1)];
        slot.fileName = slots.fileName(s);
        slot.frequency = slots.frequency(s);
        slot.pan = slots.pan(s);
    }
    return out;
}

std::string songTitle(std::string_view path) {
    return cutExtension(fileNamePart(path));
}

}  // namespace valdorin::song
