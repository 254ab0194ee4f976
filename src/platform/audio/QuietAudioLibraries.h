#pragma once
// Keeps the sound libraries under PortAudio from writing to the terminal. Opening PortAudio
// probes every ALSA device, the JACK server and the OSS devices; each that is missing prints
// its complaint on standard error, which on a working desktop is some eighty lines that mean
// nothing to the user.

namespace valdorin::audio::detail {

// Silences ALSA's and JACK's error and information printing, where those libraries are
// loaded, and keeps JACK from starting a server of its own while PortAudio probes for one.
// Call before Pa_Initialize.
void quietAudioLibraries();

}  // namespace valdorin::audio::detail
