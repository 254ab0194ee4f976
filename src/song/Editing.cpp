// Pattern editing commands of the main window.

#include "core/Sequencer.h"

namespace valdorin {

void TSequence::StringGrid1MouseUp(Qt::MouseButton) {}
void TSequence::SampleVolume(int, int) {}
void TSequence::FormKeyPress(char) {}
bool TSequence::StringGrid1KeyDown(int) { return false; }
void TSequence::Insertinstrument1Click() {}
void TSequence::ComboBox1Change() {}
void TSequence::PanningChange() {}
void TSequence::CellJump1Click() {}
void TSequence::BitBtn7Click() {}
void TSequence::Edit2Change() {}
void TSequence::Edit3Change() {}

}  // namespace valdorin
