#include "kits/SampleBank.h"

#include "core/Errors.h"
#include "kits/SlotRules.h"
#include "platform/FileSystem.h"

namespace valdorin::kits {

SampleBank::SampleBank(audio::SoundDevice& device) : device_(device) {
    for (auto& s : slots_)
        s = std::make_unique<Slot>(device_);
}

SampleBank::Slot& SampleBank::at(int slot) {
    return const_cast<Slot&>(static_cast<const SampleBank&>(*this).at(slot));
}

const SampleBank::Slot& SampleBank::at(int slot) const {
    if (slot < 1 || slot > kSampleSlots)
        throw Error("Sample slot " + std::to_string(slot) + " does not exist");
    return *slots_[slot - 1];
}

void SampleBank::OpenBlank() {
    std::string firstError;
    for (int s = 1; s <= kSampleSlots; ++s) {
        try {
            SetFileName(s, kBlankWav);
        } catch (const std::exception& e) {
            at(s).fileName = kBlankWav;
            if (firstError.empty())
                firstError = e.what();
        }
        at(s).semitoneOffset = 0;
    }
    if (!firstError.empty())
        throw Error(firstError);
}

const std::string& SampleBank::FileName(int slot) const {
    return at(slot).fileName;
}

void SampleBank::SetFileName(int slot, const std::string& path) {
    Slot& s = at(slot);
    s.fileName.clear();
    s.stream.SetFileName(fs::textFromPath(slotFilePath(ProgramDirectory, path)));
    s.fileName = path;
}

bool SampleBank::HasSound(int slot) const {
    return at(slot).stream.HasSound();
}

bool SampleBank::IsEmpty(int slot) const {
    return isEmptySlot(at(slot).fileName);
}

audio::AudioFileStream& SampleBank::Stream(int slot) {
    return at(slot).stream;
}

const audio::AudioFileStream& SampleBank::Stream(int slot) const {
    return at(slot).stream;
}

int SampleBank::BasePitch(int slot) const {
    return at(slot).basePitch;
}

void SampleBank::SetBasePitch(int slot, int hz) {
    at(slot).basePitch = hz;
}

int SampleBank::SemitoneOffset(int slot) const {
    return at(slot).semitoneOffset;
}

std::optional<int> SampleBank::StepSemitones(int slot, int steps) {
    Slot& s = at(slot);
    if (isEmptySlot(s.fileName))
        return std::nullopt;
    s.semitoneOffset += steps * kSemitoneCents;
    const int hz = semitoneFrequency(s.basePitch, s.semitoneOffset);
    s.stream.SetFrequency(hz);
    return hz;
}

void SampleBank::Restart(int slot) {
    Slot& s = at(slot);
    s.stream.SetPosition(0);
    s.stream.Play();
}

void SampleBank::Stop(int slot) {
    at(slot).stream.Stop();
}

}  // namespace valdorin::kits
