#include "kits/Kit_Listing.h"

#include "core/InstrumentList.h"
#include "core/Sequencer.h"
#include "core/Windows.h"
#include "platform/Controls.h"
#include "platform/Dialogs.h"

namespace valdorin {

namespace {

struct LabelPlace {
    const char* caption;
    int y;
};

// In tag order; from "Rimshot" (tag 9) on the names are in italics too.
constexpr std::array<LabelPlace, 16> kLabels = {{
    {"Kick", 8},
    {"Short Kick", 32},
    {"Snare", 57},
    {"ClsHiHat", 81},
    {"OpHiHat", 105},
    {"Tom1", 129},
    {"Tom2", 153},
    {"Cymbol1", 177},
    {"Cymbol2", 201},
    {"Rimshot", 225},
    {"Shaker", 249},
    {"Block", 273},
    {"Congo", 297},
    {"Cowbell", 321},
    {"Crack", 345},
    {"Tamb", 369},
}};
constexpr int kFirstItalicTag = 9;

}  // namespace

TKit_List::TKit_List(QWidget* parent) : QWidget(parent) {
    setWindowTitle("Kit List");
    setWindowFlags(Qt::Tool | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowCloseButtonHint | Qt::WindowStaysOnTopHint);
    // The frame's corner at (708, 0), beside the main window's right edge.
    move(708, 0);
    setFixedSize(80, 400);
    for (int tag = 0; tag < static_cast<int>(kLabels.size()); ++tag) {
        auto* label = new platform::TLabel(kLabels[tag].caption, this);
        QFont f("MS Sans Serif");
        f.setPixelSize(13);
        f.setBold(true);
        f.setItalic(tag >= kFirstItalicTag);
        label->setFont(f);
        label->move(2, kLabels[tag].y);
        label->adjustSize();
        label->setCursor(Qt::PointingHandCursor);
        label->Tag = tag;
        label->OnClick = [this, label] {
            platform::runCommand([this, label] { SelectInstrument(label); });
        };
        Labels[tag] = label;
    }
}

void TKit_List::FormCreate() {
    setFixedWidth(80);
}

void TKit_List::SelectInstrument(const platform::TLabel* sender) {
    TSequence* seq = windows().Sequence;
    if (!seq)
        return;
    // 1.
    const int i = sender->Tag + 1;
    // 2.
    seq->SetChooserText(instrumentEntry(i));
    // 3.
    seq->Panning->SetPosition(seq->Kit.FindEntry(seq->ChooserText()).Pan);
}

}  // namespace valdorin
