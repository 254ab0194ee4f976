#include "platform/MediaPlayer.h"

#include <QAudioOutput>
#include <QFileInfo>
#include <QMediaPlayer>
#include <QUrl>
#include <QVBoxLayout>
#include <QVideoWidget>
#include <QWidget>

#include <cstdlib>
#include <cstring>

#include "core/Errors.h"
#include "core/Text.h"

namespace valdorin::platform {

namespace {

// The sound of a video goes to the desktop's audio; not when the program runs silent.
bool silent() {
    const char* output = std::getenv("VALDORIN_AUDIO");
    return output && std::strcmp(output, "null") == 0;
}

class QtMediaPlayer : public MediaPlayer {
  public:
    ~QtMediaPlayer() override {
        // The video widget belongs to the display area; the player must go first.
        player_.reset();
    }

    void Open() override {
        const QString path = QString::fromStdString(toUtf8(FileName));
        const QFileInfo info(path);
        if (!info.isFile() || !info.isReadable())
            throwCannotOpen(FileName);
        if (!player_)
            makePlayer();
        reported_ = false;
        player_->setSource(QUrl::fromLocalFile(info.absoluteFilePath()));
    }
    void Play() override {
        if (player_)
            player_->play();
    }
    void Stop() override {
        if (player_)
            player_->stop();
    }
    long long Position() const override { return player_ ? player_->position() : 0; }

  private:
    void makePlayer() {
        player_ = std::make_unique<QMediaPlayer>();
        if (Display) {
            video_ = new QVideoWidget(Display);
            auto* layout = new QVBoxLayout(Display);
            layout->setContentsMargins(0, 0, 0, 0);
            layout->addWidget(video_);
            // Keys and clicks belong to the display area.
            video_->setFocusPolicy(Qt::NoFocus);
            video_->setAttribute(Qt::WA_TransparentForMouseEvents);
            video_->show();
            player_->setVideoOutput(video_);
        }
        if (!silent()) {
            audio_ = new QAudioOutput(player_.get());
            player_->setAudioOutput(audio_);
        }
        // The backend may name one failure several times; the first is the one to tell.
        QObject::connect(
            player_.get(), &QMediaPlayer::errorOccurred, player_.get(),
            [this](QMediaPlayer::Error, const QString& text) {
                if (reported_)
                    return;
                reported_ = true;
                const std::string message = fromUtf8(text.toStdString());
                if (OnError)
                    OnError(message.empty() ? "The video " + FileName + " cannot be played"
                                            : message);
            },
            Qt::QueuedConnection);
    }

    std::unique_ptr<QMediaPlayer> player_;
    QVideoWidget* video_ = nullptr;
    QAudioOutput* audio_ = nullptr;
    bool reported_ = false;
};

std::function<std::unique_ptr<MediaPlayer>()> g_maker;

}  // namespace

std::unique_ptr<MediaPlayer> createMediaPlayer() {
    if (g_maker)
        return g_maker();
    return std::make_unique<QtMediaPlayer>();
}

void setMediaPlayerMaker(std::function<std::unique_ptr<MediaPlayer>()> maker) {
    g_maker = std::move(maker);
}

void ScriptedMediaPlayer::Open() {
    calls.push_back("open");
    if (!openError.empty())
        throw Error(openError);
}

void ScriptedMediaPlayer::Play() {
    calls.push_back("play");
    playing_ = true;
}

void ScriptedMediaPlayer::Stop() {
    calls.push_back("stop");
    playing_ = false;
}

void ScriptedMediaPlayer::Fail(const std::string& message) {
    playing_ = false;
    if (OnError)
        OnError(message);
}

}  // namespace valdorin::platform
