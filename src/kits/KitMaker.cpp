#include "kits/KitMaker.h"

#include "core/Errors.h"
#include "core/InstrumentList.h"
#include "core/ProgramFiles.h"
#include "core/Text.h"
#include "kits/SlotRules.h"
#include "platform/FileSystem.h"

namespace valdorin::kits {

std::filesystem::path blankSoundFile(const std::filesystem::path& programDirectory) {
    return slotFilePath(programDirectory, kBlankWav);
}

std::string withKitExtension(std::string_view chosen) {
    const std::string name = fileNamePart(chosen);
    if (name.find('.') != std::string::npos || name.empty())
        return std::string(chosen);
    return std::string(chosen) + kKitExtension;
}

void KitMaker::FillWithBlankSound(const std::filesystem::path& programDirectory) {
    Kit.ClearEntries();
    for (int i = 1; i <= kMakerSlots; ++i)
        Sources[i] = kBlankWav;
    const std::filesystem::path blank = blankSoundFile(programDirectory);
    for (int i = 0; i <= kMakerSlots; ++i) {
        TWaveCollectionItem& entry = Kit.AddEntry();
        Kit.SetEntryName(entry, instrumentEntry(i));
        LoadWaveFile(entry.Wave, blank);
    }
}

void KitMaker::TemplateFrom(const TWaveCollection& kit,
                            const std::filesystem::path& tempDirectory) {
    for (int i = 1; i <= kMakerSlots; ++i) {
        const std::filesystem::path file = tempDirectory / (std::to_string(i) + ".wav");
        SaveWaveFile(kit.EntryAt(i).Wave, file);
        LoadWaveFile(Kit.EntryAt(i).Wave, file);
        Sources[i] = fs::textFromPath(file);
    }
}

void KitMaker::LoadSample(int slot, const std::string& path) {
    checkSlot(slot);
    Sources[0] = path;
    Sources[slot] = path;
    LoadWaveFile(Kit.EntryAt(slot).Wave, fs::pathFromText(path));
}

std::filesystem::path KitMaker::PlayFile(int slot,
                                         const std::filesystem::path& programDirectory) const {
    checkSlot(slot);
    return slotFilePath(programDirectory, Sources[slot]);
}

void KitMaker::CheckInstrumentNames() {
    for (int i = 0; i <= kMakerSlots; ++i)
        Kit.FindEntry(instrumentEntry(i));
}

void KitMaker::checkSlot(int slot) {
    if (slot < 1 || slot > kMakerSlots)
        throw Error("List index out of bounds (" + std::to_string(slot) + ")");
}

}  // namespace valdorin::kits
