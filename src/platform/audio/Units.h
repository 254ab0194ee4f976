#pragma once
// The sound device's units: levels and pans in hundredths of a decibel, as DirectSound gives
// them. Plain math, usable anywhere (the renderer mixes with the same gains).

#include <algorithm>
#include <cmath>

namespace valdorin::audio {

// Volume in hundredths of a decibel of attenuation: 0 full level, -10000 (or less) silence.
// Values above 0 count as 0.
inline float volumeGain(int volume) {
    if (volume <= -10000)
        return 0.0f;
    return static_cast<float>(std::pow(10.0, std::min(volume, 0) / 2000.0));
}

struct StereoGain {
    float left = 1.0f;
    float right = 1.0f;
};

// Pan in hundredths of a decibel: negative attenuates the right channel by that much, positive
// the left; 0 leaves both at full level; +-10000 silences one side.
inline StereoGain panGains(int pan) {
    StereoGain g;
    if (pan < 0)
        g.right = volumeGain(pan);
    if (pan > 0)
        g.left = volumeGain(-pan);
    return g;
}

inline StereoGain levelGains(int pan, int volume) {
    StereoGain g = panGains(pan);
    const float v = volumeGain(volume);
    g.left *= v;
    g.right *= v;
    return g;
}

}  // namespace valdorin::audio
