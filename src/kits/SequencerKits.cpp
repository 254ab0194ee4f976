// The main window's drum kit commands: importing a kit file, the Kit List and the kit maker.

#include "core/InstrumentList.h"
#include "core/Sequencer.h"
#include "core/Windows.h"
#include "kits/KitLibrary.h"
#include "kits/Kit_Listing.h"
#include "kits/MakeKit.h"
#include "platform/FileSystem.h"

namespace valdorin {

void TSequence::SoundLibrary1Click() {
    // 1.
    OpenDialog2.directory = ProgramDirectory;
    const auto chosen = platform::dialogs().openFile(OpenDialog2);
    // 2.
    if (!chosen || !kits::isKitFileChoice(*chosen))
        return;
    // 3.
    const kits::NotedLevels levels = kits::noteInstrumentLevels(Kit);
    // 4.
    kits::ReadKitFile(Kit, fs::pathFromText(*chosen));
    DXWaveList1->Prepare();
    // 5.
    kits::restoreInstrumentLevels(Kit, levels);
}

void TSequence::KitList1Click() {
    if (TKit_List* list = windows().Kit_List)
        list->show();
}

void TSequence::KitMakeClick() {
    TMakit* maker = windows().Makit;
    if (!maker)
        return;
    // 1.
    maker->show();
    maker->raise();
    // 2.
    TemplateFlag = true;
    // 3.
    if (!platform::dialogs().askYesNo("Question", "Do you wish to template the current drum kit?"))
        TemplateFlag = false;
    // 4.
    maker->PrepareKit();
}

}  // namespace valdorin
