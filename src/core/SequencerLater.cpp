// Main window commands whose areas are not built yet: the menu entries and buttons exist and
// do nothing.

#include "core/Sequencer.h"

namespace valdorin {

void TSequence::UpDown1Click(bool) {}
void TSequence::SongBinClick() {}
void TSequence::BitBtn8Click() {}
void TSequence::BitBtn9Click() {}
void TSequence::New_SongClick() {}
void TSequence::BitBtn12Click() {}
void TSequence::DXTimer1Timer() {}
void TSequence::RendorClick() {}

}  // namespace valdorin
