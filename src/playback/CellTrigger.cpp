#include "playback/CellTrigger.h"

#include "core/InstrumentList.h"

namespace valdorin::playback {

namespace {

// Sounds a decoded position; a failure of the kit or the slot leaves the cell silent.
void sound(int position, const int* volume, CellSounds& sounds) {
    try {
        if (isKitInstrument(position)) {
            if (volume)
                sounds.setKitVolume(position, *volume);
            sounds.playKit(position);
        } else if (isSampleSlot(position)) {
            sounds.restartSlot(slotOf(position));
        }
    } catch (const std::exception&) {
        // A missing kit entry or a slot without sound: nothing sounds for this cell.
    }
}

}  // namespace

void triggerCell(std::string_view text, CellSounds& sounds) {
    const Lookup found = lookupCell(text);
    const int volume = kitVolumeForStep(found.volumeStep);
    sound(found.position, &volume, sounds);
}

int previewPosition(std::string_view chooserText) {
    const int position = positionOf(chooserText);
    return position == -1 ? kKitInstruments : position;
}

void previewChooser(std::string_view chooserText, CellSounds& sounds) {
    sound(previewPosition(chooserText), nullptr, sounds);
}

}  // namespace valdorin::playback
