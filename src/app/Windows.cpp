#include "core/Windows.h"

#include <QTimer>

#include "core/Sequencer.h"
#include "intro/intro.h"
#include "kits/Kit_Listing.h"
#include "kits/Main.h"
#include "kits/MakeKit.h"
#include "kits/Sams.h"
#include "render/Unit1.h"
#include "song/Options.h"
#include "song/WorkHistory.h"

namespace valdorin {

Windows& windows() {
    static Windows w;
    return w;
}

void createWindows() {
    Windows& w = windows();
    // Each window's creation handler runs as the window is made, so the main window's runs
    // before any other window exists.
    w.Sequence = new TSequence;
    w.Sequence->FormCreate();
    w.MainForm = new TMainForm;
    w.Sequence->Slots = w.MainForm;
    w.Sequence->SlotWindows = w.MainForm;
    w.MainForm->FormCreate();
    w.Kit_List = new TKit_List;
    w.Kit_List->FormCreate();
    w.Form1 = new TForm1;
    w.Makit = new TMakit;
    w.Makit->FormCreate();
    w.IntroScreen = new TIntroScreen;
    w.Form2 = new TForm2;
    w.Samples = new TSamples;
    w.Samples->FormCreate();

    w.Sequence->show();
    w.Kit_List->show();
    w.Samples->show();
    w.Sequence->activateWindow();
    w.Sequence->raise();
    // The intro, when it plays, comes on top of them all and takes the keyboard.
    w.IntroScreen->FormCreate();
    // The work as it stands now is the unchanged work; unsaved work of an earlier run is
    // offered back once the main window is up.
    w.Sequence->History->Begin();
    QTimer::singleShot(0, w.Sequence, [seq = w.Sequence] { seq->History->OfferRecovery(); });
}

void destroyWindows() {
    Windows& w = windows();
    if (w.Sequence) {
        // The slots go with the importer.
        w.Sequence->Slots = nullptr;
        w.Sequence->SlotWindows = nullptr;
    }
    delete w.Samples;
    delete w.Form2;
    delete w.IntroScreen;
    delete w.Makit;
    delete w.Form1;
    delete w.Kit_List;
    delete w.MainForm;
    delete w.Sequence;
    w = Windows{};
}

}  // namespace valdorin
