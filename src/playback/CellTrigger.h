#pragma once
// Sounding one cell text (from a grid cell or a compiled-song line) and the instrument
// chooser's preview, over the few sound operations they need. Plain code: the main window
// supplies the kit and the sample slots; tests supply a recorder. UI thread only.

#include <string_view>

namespace valdorin::playback {

// The sound operations behind a cell. Each may fail by raising: an instrument missing from the
// kit or a slot without sound. The trigger passes over such failures without a message.
class CellSounds {
  public:
    virtual ~CellSounds() = default;
    // Kit instrument 1..16 (instrument list position): the volume its next playback uses, in
    // hundredths of a decibel of attenuation.
    virtual void setKitVolume(int instrument, int volume) = 0;
    // Starts a new, independent playback of kit instrument 1..16 at its pan and volume.
    virtual void playKit(int instrument) = 0;
    // Sample slot 1..32 from its beginning, cutting the slot's previous sound.
    virtual void restartSlot(int slot) = 0;
};

// The cell trigger: decodes the text by the lookup rule; a kit instrument gets the volume of its
// volume step and is started, a sample slot is restarted, anything else sounds nothing.
// Raises the lookup rule's error ("'%s' is not a valid integer value") for a text it cannot
// decode, before anything sounds; failures of the sound operations are passed over.
// Allocates nothing for texts of up to 15 characters.
void triggerCell(std::string_view text, CellSounds& sounds);

// The instrument list position Play Instrument previews for a chooser text: the text's own
// position (no volume digit decoding), or 16, the tambourine, for a text not in the list.
int previewPosition(std::string_view chooserText);

// Play Instrument: a kit instrument plays at the volume it already has, a sample slot is
// restarted, the empty text sounds nothing. Failures are passed over.
void previewChooser(std::string_view chooserText, CellSounds& sounds);

}  // namespace valdorin::playback
