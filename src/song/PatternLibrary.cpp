// Pattern files and the pattern library: Save Pattern, Load pattern, Add to and Remove from
// the play list, Delete pattern.

#include "core/Sequencer.h"

#include "core/Text.h"
#include "platform/Controls.h"

namespace valdorin {

void TSequence::AddToLibrary(const std::string& name) {
    // Sorted without regard to case, "<Blank>" always first.
    int at = MusicLib->Count();
    for (int i = 0; i < MusicLib->Count(); ++i) {
        const std::string item = MusicLib->Item(i);
        if (item == "<Blank>") continue;
        if (compareText(name, item) < 0) {
            at = i;
            break;
        }
    }
    MusicLib->Insert(at, name);
}

void TSequence::BitBtn6Click() {}
void TSequence::SongListMouseDown(Qt::MouseButton) {}
void TSequence::MusicLibDblClick() {}
void TSequence::BitBtn2Click() {}
void TSequence::LibBinClick() {}

}  // namespace valdorin
