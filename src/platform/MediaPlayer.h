#pragma once
// The video player of the intro screen: given a file name and a display area, it opens the
// file, plays it in that area and stops it. Qt Multimedia by default; tests install a scripted
// player that records what it was asked to do. UI thread only.

#include <functional>
#include <memory>
#include <string>
#include <vector>

class QWidget;

namespace valdorin::platform {

class MediaPlayer {
  public:
    virtual ~MediaPlayer() = default;

    std::string FileName;
    // The area the video is shown in; the player fills it and leaves its keys and clicks to it.
    QWidget* Display = nullptr;

    // Opening raises an Error when the file cannot be read at all; a file the player cannot
    // decode is found out later and reported through OnError.
    virtual void Open() = 0;
    virtual void Play() = 0;
    virtual void Stop() = 0;
    // Milliseconds into the video.
    virtual long long Position() const = 0;

    // A failure found after Open returned; reported once, on the UI thread, outside the call
    // that caused it.
    std::function<void(const std::string& message)> OnError;
};

// A new player: Qt's unless a test installed its own maker.
std::unique_ptr<MediaPlayer> createMediaPlayer();
// Installs a maker (an empty one restores Qt's).
void setMediaPlayerMaker(std::function<std::unique_ptr<MediaPlayer>()> maker);

// A player that plays nothing and records the calls it received: "open", "play", "stop".
class ScriptedMediaPlayer : public MediaPlayer {
  public:
    std::vector<std::string> calls;
    // When set, Open raises an Error with this message.
    std::string openError;

    void Open() override;
    void Play() override;
    void Stop() override;
    long long Position() const override { return 0; }
    bool Playing() const { return playing_; }
    // Reports a playback failure the way the real player does.
    void Fail(const std::string& message);

  private:
    bool playing_ = false;
};

}  // namespace valdorin::platform
