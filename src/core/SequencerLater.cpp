// Main window commands whose areas are not built yet: the menu entries and buttons exist and
// do nothing.

#include "core/Sequencer.h"

namespace valdorin {

void TSequence::SoundLibrary1Click() {}
void TSequence::KitList1Click() {}
void TSequence::KitMakeClick() {}

}  // namespace valdorin
