#pragma once
// The program's eight windows, created once at start-up in this order and living until the
// program ends. Hiding a window never destroys it.

namespace valdorin {

class TSequence;
class TMainForm;
class TKit_List;
class TForm1;
class TMakit;
class TIntroScreen;
class TForm2;
class TSamples;

struct Windows {
    TSequence* Sequence = nullptr;
    TMainForm* MainForm = nullptr;
    TKit_List* Kit_List = nullptr;
    TForm1* Form1 = nullptr;
    TMakit* Makit = nullptr;
    TIntroScreen* IntroScreen = nullptr;
    TForm2* Form2 = nullptr;
    TSamples* Samples = nullptr;
};

Windows& windows();

// Creates the windows in order, each running its own creation handler as it is made; shows
// those visible from the start.
void createWindows();
void destroyWindows();

}  // namespace valdorin
