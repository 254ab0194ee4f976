#include "kits/KitLibrary.h"

#include "core/InstrumentList.h"

namespace valdorin::kits {

bool isKitFileChoice(std::string_view chosen) {
    return !chosen.empty() && chosen != ".dxg";
}

NotedLevels noteInstrumentLevels(TWaveCollection& kit) {
    NotedLevels levels;
    for (int i = 1; i <= kKitInstruments; ++i) {
        levels[i - 1].volume = kit.FindEntry(instrumentEntry(i)).Volume;
        levels[i - 1].pan = kit.FindEntry(instrumentEntry(i)).Pan;
    }
    return levels;
}

void restoreInstrumentLevels(TWaveCollection& kit, const NotedLevels& levels) {
    for (int i = 1; i <= kKitInstruments; ++i) {
        kit.FindEntry(instrumentEntry(i)).Volume = levels[i - 1].volume;
        kit.FindEntry(instrumentEntry(i)).Pan = levels[i - 1].pan;
    }
}

}  // namespace valdorin::kits
