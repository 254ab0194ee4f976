// Pattern playback: Play Pattern, the pattern timer's tick, the cell trigger, Stop, Clear List
// and Play Instrument.

#include "core/Sequencer.h"

namespace valdorin {

void TSequence::BitBtn3Click() {}
void TSequence::DXTimer2Timer() {}
void TSequence::CellTrigger(const std::string&) {}
void TSequence::BitBtn4Click() {}
void TSequence::BitBtn10Click() {}
void TSequence::BitBtn11Click() {}
void TSequence::SetPlayButtonsEnabled(bool) {}

}  // namespace valdorin
