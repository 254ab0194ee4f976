#pragma once
// A WAV file streamed from disk (libsndfile, read ahead by a reader thread into a lock-free
// ring), played on a sound device at a frequency, pan and volume of its own.
// The public operations are UI thread only.

#include <cstdint>
#include <memory>
#include <string>

#include "platform/audio/SoundDevice.h"
#include "platform/audio/WaveFormat.h"

namespace valdorin::audio {

class AudioFileStream {
  public:
    explicit AudioFileStream(SoundDevice& device);
    ~AudioFileStream();
    AudioFileStream(const AudioFileStream&) = delete;
    AudioFileStream& operator=(const AudioFileStream&) = delete;

    // Opens the file for streaming and makes the buffer anew for its format: the frequency
    // becomes the file's sample rate, pan 0, volume 0, not playing. A file that cannot be read
    // raises an error, and the stream is left without sound and with an empty file name.
    void SetFileName(const std::string& path);
    const std::string& FileName() const;
    bool HasSound() const;
    WaveFormat Format() const;

    // The playback rate in Hz: a higher rate plays shorter and higher.
    int Frequency() const;
    void SetFrequency(int hz);
    // Hundredths of a decibel: negative attenuates the right channel, positive the left.
    int Pan() const;
    void SetPan(int pan);
    // Hundredths of a decibel of attenuation: 0 full level, -10000 silence.
    int Volume() const;
    void SetVolume(int volume);

    // In frames of the file. A playing stream jumps there and plays on. Nothing without sound.
    void SetPosition(std::int64_t frame);
    // Where the mixer is reading, in frames of the file (0 without sound).
    std::int64_t Position() const;
    // A stopped stream starts playing; a playing one plays on.
    // Raises "WaveStream not set" without sound.
    void Play();
    // Nothing without sound.
    void Stop();
    bool Playing() const;

    // Makes the sound buffer anew, keeping position, frequency, pan, volume and playing state.
    // Raises "%s not made" with "IDirectSoundBuffer" without sound.
    void RecreateBuffer();
    // Raises "%s not made" with "IDirectSoundBuffer" without sound, as reading the settings of
    // a stream without sound does on the original platform; the getters above never raise.
    void CheckBuffer() const;

  private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

}  // namespace valdorin::audio
