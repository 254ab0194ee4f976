#pragma once
// The 49 entries of the instrument chooser and the rules that decode a cell text.
//
//   0        the empty text, no instrument
//   1..16    the kit instruments, "Kick      [ ]" .. "Tamb      [ ]" (13 characters each:
//            the name padded with blanks to 10, "[", the volume digit, "]")
//   17..48   the sample slots "Sample1" .. "Sample32"

#include <array>
#include <optional>
#include <string>
#include <string_view>

namespace valdorin {

inline constexpr int kInstrumentCount = 49;
inline constexpr int kKitInstruments = 16;
inline constexpr int kSampleSlots = 32;
inline constexpr int kFirstSlotPosition = 17;
// The volume digit is character 12 of a kit instrument text, counted from 1.
inline constexpr std::size_t kVolumeDigitIndex = 11;

const std::array<std::string, kInstrumentCount>& instrumentList();
const std::string& instrumentEntry(int position);

// Index of the first entry equal to the text ignoring letter case; -1 if none; 0 for "".
int positionOf(std::string_view text);

inline bool isKitInstrument(int position) {
    return position >= 1 && position <= kKitInstruments;
}
inline bool isSampleSlot(int position) {
    return position >= kFirstSlotPosition && position < kInstrumentCount;
}
inline int slotOf(int position) {
    return position - kKitInstruments;
}

struct Lookup {
    int position = 0;    // -1..48; 0 or less is no instrument
    int volumeStep = 0;  // for a kit instrument: the digit, a blank counting as 1
    bool hasVolumeStep = false;
};

// The lookup rule. A text of more than 10 characters has its character 12 read as the volume
// step (a blank is 1) and replaced by a blank for the lookup; a text of 11 characters, or one
// whose character 12 is no decimal digit, raises "'%s' is not a valid integer value" naming
// that character (or the empty text).
Lookup lookupCell(std::string_view text);

// Kit entry volume for a volume step, in hundredths of a decibel: -500 per step.
inline int kitVolumeForStep(int volumeStep) {
    return -500 * volumeStep;
}

}  // namespace valdorin
