#include "platform/audio/SoundDevice.h"

#include "platform/audio/Engine.h"

namespace valdorin::audio {

using detail::Engine;

SoundDevice::SoundDevice() : id_(Engine::get().allocateDevice()) {}

SoundDevice::~SoundDevice() {
    if (!Engine::alive())
        return;
    if (initialized_)
        Finalize();
    Engine::get().freeDevice(id_);
}

void SoundDevice::Initialize() {
    if (initialized_)
        Finalize();
    Engine::get().ensureOutput();
    initialized_ = true;
}

void SoundDevice::Finalize() {
    if (!Engine::alive())
        return;
    detail::Command c;
    c.type = detail::Command::Type::StopDevice;
    c.device = static_cast<std::int16_t>(id_);
    Engine::get().post(c);
    initialized_ = false;
}

void SoundDevice::SetGlobalFocus(bool on) {
    globalFocus_ = on;
}

bool SoundDevice::OutputIsNull() {
    Engine& e = Engine::get();
    e.ensureOutput();
    return e.kind() == OutputKind::Null;
}

std::string SoundDevice::OutputDescription() {
    Engine& e = Engine::get();
    e.ensureOutput();
    return e.output()->description;
}

}  // namespace valdorin::audio
