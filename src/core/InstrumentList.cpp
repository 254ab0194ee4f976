#include "core/InstrumentList.h"

#include "core/Text.h"

namespace valdorin {

const std::array<std::string, kInstrumentCount>& instrumentList() {
    static const std::array<std::string, kInstrumentCount> list = [] {
        std::array<std::string, kInstrumentCount> l;
        const char* kit[kKitInstruments] = {
            "Kick",    "Short Kick", "Snare",  "ClsHiat", "OpHiat", "Tom1",    "Tom2",  "Cymbol1",
            "Cymbol2", "Rimshot",    "Shaker", "Block",   "Congo",  "Cowbell", "Crack", "Tamb"};
        for (int i = 0; i < kKitInstruments; ++i) {
            std::string name = kit[i];
            name.resize(10, ' ');
            l[i + 1] = name + "[ ]";
        }
        for (int s = 1; s <= kSampleSlots; ++s)
            l[kKitInstruments + s] = "Sample" + std::to_string(s);
        return l;
    }();
    return list;
}

const std::string& instrumentEntry(int position) {
    static const std::string kEmpty;
    if (position < 0 || position >= kInstrumentCount)
        return kEmpty;
    return instrumentList()[position];
}

int positionOf(std::string_view text) {
    const auto& list = instrumentList();
    for (int i = 0; i < kInstrumentCount; ++i)
        if (sameText(list[i], text))
            return i;
    return -1;
}

Lookup lookupCell(std::string_view text) {
    Lookup result;
    if (text.size() <= 10) {
        result.position = positionOf(text);
        return result;
    }
    const std::string digit =
        text.size() > kVolumeDigitIndex ? std::string(1, text[kVolumeDigitIndex]) : std::string();
    if (digit == " ") {
        result.volumeStep = 1;
    } else {
        result.volumeStep = strToInt(digit);  // raises for a letter or a missing character
    }
    result.hasVolumeStep = true;
    std::string key(text);
    key[kVolumeDigitIndex] = ' ';
    result.position = positionOf(key);
    return result;
}

}  // namespace valdorin
