#pragma once
// The drum kit library's rules: what a kit file chooser's answer must be to be imported, and the
// sixteen kit instruments' volumes and pans, which kit files do not store, carried across an
// import by name. Plain code; the main window's Drum Kit Library command runs these steps.

#include <array>
#include <string_view>

#include "kits/KitFile.h"

namespace valdorin::kits {

// One kit instrument's run-time settings, in hundredths of a decibel.
struct InstrumentLevels {
    int volume = 0;
    int pan = 0;
};
// Instruments 1 to 16 of the instrument list, at index instrument - 1.
using NotedLevels = std::array<InstrumentLevels, 16>;

// The chooser's answer names a kit file to import: neither empty nor the bare extension
// ".dxg" (the name of no file).
bool isKitFileChoice(std::string_view chosen);

// Notes the volume and the pan of each kit instrument, found by name in instrument list order.
// "Wave '%s' not found" at the first instrument the kit lacks.
NotedLevels noteInstrumentLevels(TWaveCollection& kit);

// Gives each kit instrument, found by name in instrument list order, its noted volume and pan.
// "Wave '%s' not found" at the first instrument the kit lacks: those before it have theirs
// back, it and those after it keep what they had.
void restoreInstrumentLevels(TWaveCollection& kit, const NotedLevels& levels);

}  // namespace valdorin::kits
