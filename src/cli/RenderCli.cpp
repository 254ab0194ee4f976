#include "cli/RenderCli.h"

#include <sndfile.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdio>
#include <ostream>

#include "core/Errors.h"
#include "core/InstrumentList.h"
#include "core/PanFile.h"
#include "core/ProgramFiles.h"
#include "core/Tempo.h"
#include "core/Text.h"
#include "kits/KitFile.h"
#include "kits/SampleSlots.h"
#include "kits/SlotRules.h"
#include "platform/FileSystem.h"
#include "playback/CompileSong.h"
#include "render/RenderFiles.h"
#include "render/Renderer.h"
#include "song/PatternFile.h"
#include "song/SongFile.h"

namespace valdorin::cli {

namespace {

using Path = std::filesystem::path;

// The sample slots as the program holds them after start-up and Open Song, without sound: a
// file name, the frequency the importer took from the file or the song, pan and volume.
class FileSlots final : public kits::SampleSlots {
  public:
    explicit FileSlots(Path programDirectory) : programDirectory_(std::move(programDirectory)) {
        for (int k = 1; k <= kSampleSlots; ++k) {
            // Start-up opens every slot on the empty-slot sound; a missing one leaves the name.
            try {
                setFileName(k, kBlankWav);
            } catch (const Error&) {
                at(k).fileName = kBlankWav;
            }
        }
    }

    std::string fileName(int slot) const override { return at(slot).fileName; }
    void setFileName(int slot, const std::string& path) override {
        Slot& s = at(slot);
        s = Slot{};
        s.frequency = fileRate(path);
        s.fileName = path;
    }
    int frequency(int slot) const override { return at(slot).frequency; }
    void setFrequency(int slot, int hz) override { at(slot).frequency = hz; }
    int pan(int slot) const override { return at(slot).pan; }
    void setPan(int slot, int pan) override { at(slot).pan = std::clamp(pan, -10000, 10000); }
    int volume(int slot) const override { return 0; }
    void setBasePitch(int, int) override {}
    void restart(int) override {}
    void stop(int) override {}

  private:
    struct Slot {
        std::string fileName;
        int frequency = 0;
        int pan = 0;
    };
    Slot& at(int slot) { return slots_.at(static_cast<std::size_t>(slot - 1)); }
    const Slot& at(int slot) const { return slots_.at(static_cast<std::size_t>(slot - 1)); }

    // The rate the importer's stream takes from the file; its errors as the importer gives them.
    int fileRate(const std::string& path) const {
        const Path resolved = fs::resolveCaseBlind(kits::slotFilePath(programDirectory_, path));
        std::error_code ec;
        if (!std::filesystem::is_regular_file(resolved, ec))
            throwCannotOpen(path);
        SF_INFO info{};
        SNDFILE* file = sf_open(resolved.c_str(), SFM_READ, &info);
        if (file == nullptr)
            throw Error("Cannot open file " + path + ": " + sf_strerror(nullptr));
        sf_close(file);
        if (info.channels < 1 || info.samplerate < 1)
            throw Error("Cannot open file " + path + ": the sound format is not supported");
        return info.samplerate;
    }

    Path programDirectory_;
    std::array<Slot, kSampleSlots> slots_;
};

// Progress on a terminal: the instrument and the share of its pass, on one line.
class TerminalProgress final : public render::MixObserver {
  public:
    explicit TerminalProgress(std::ostream& out) : out_(out) {}
    ~TerminalProgress() override {
        if (shown_)
            out_ << "\n" << std::flush;
    }
    void passStarted(int position, int lineCount) override {
        label_ = render::instrumentLabel(position);
        lines_ = std::max(lineCount, 1);
        show(0);
    }
    void linesRead(int count) override {
        const auto now = std::chrono::steady_clock::now();
        if (now < next_)
            return;
        next_ = now + std::chrono::milliseconds(100);
        show(count);
    }

  private:
    void show(int count) {
        out_ << "\rNow Adding: " << label_ << "  " << (100LL * count / lines_) << "%   "
             << std::flush;
        shown_ = true;
    }
    std::ostream& out_;
    std::string label_;
    int lines_ = 1;
    bool shown_ = false;
    std::chrono::steady_clock::time_point next_{};
};

// Milliseconds as seconds with three decimals.
std::string seconds(long long ms) {
    char text[32];
    std::snprintf(text, sizeof text, "%lld.%03lld", ms / 1000, ms % 1000);
    return text;
}

}  // namespace

void renderSongFile(const Path& songFile, const Path& outFile, const Path& programDirectory,
                    std::ostream* progress) {
    // Start-up: the default kit and the pans.
    kits::TWaveCollection kit;
    kits::ReadKitFile(kit, fs::resolveCaseBlind(programDirectory / kKitFileName));
    const std::vector<std::string> panLines =
        fs::readLines(fs::resolveCaseBlind(programDirectory / kPanFileName));
    for (int i = 1; i <= kKitInstruments; ++i)
        kit.FindEntry(instrumentEntry(i)).Pan = panFromLines(panLines, i);
    FileSlots slots(programDirectory);

    // Open Song.
    const song::SongFileContent content = song::readSongLines(fs::readLines(songFile));
    song::applySongRecords(content.records, slots);
    if (content.entries.empty())
        throw Error("The play list of " + fs::textFromPath(songFile) + " is empty");

    // The render command, from the first entry.
    const Path temp = programDirectory / kTempDirName;
    render::exportKit(kit, temp);
    render::removeSampleFiles(temp);
    for (int k = 1; k <= kSampleSlots; ++k)
        render::exportSample(slots.fileName(k), k, programDirectory, temp);
    GridTable grid;
    std::vector<std::string> compiled;
    playback::compileSong({programDirectory, content.entries, -1}, grid, compiled);
    const std::vector<int> instruments = render::usedInstruments(compiled);

    // The mixer.
    render::MixSettings settings;
    settings.tempDirectory = temp;
    for (int i = 1; i <= kKitInstruments; ++i)
        settings.kitPans[static_cast<std::size_t>(i)] = kit.EntryAt(i).Pan;
    for (int k = 1; k <= kSampleSlots; ++k)
        settings.sampleSlots[static_cast<std::size_t>(k)] = {slots.frequency(k), slots.pan(k),
                                                             slots.volume(k)};
    const std::unique_ptr<render::TWave> destination =
        render::openRenderDestination(programDirectory);
    render::MixObserver quiet;
    std::optional<TerminalProgress> shown;
    if (progress)
        shown.emplace(*progress);
    render::mixSong(compiled, instruments, settings, *destination,
                    shown ? static_cast<render::MixObserver&>(*shown) : quiet);
    destination->SaveToFile(outFile);
}

bool songInfo(const Path& songFile, const Path& programDirectory, std::ostream& out,
              std::ostream& err) {
    const song::SongFileContent content = song::readSongLines(fs::readLines(songFile));
    long long totalMs = 0;
    bool whole = true;
    for (const std::string& entry : content.entries) {
        try {
            const std::vector<std::string> lines =
                song::readEntryPatternFile(programDirectory, entry);
            const std::string fileName = entry + std::string(song::kPatternExtension);
            const int steps = song::readPatternLength(lines, fileName);
            const int tempo = clampTempo(song::readTempoLine(lines, steps));
            const int loops = std::max(1, song::readLoopLine(lines, steps));
            const long long ms = static_cast<long long>(steps) * loops * 2 * tempo;
            totalMs += ms;
            out << "\"" << toUtf8(entry) << "\" " << steps << ' ' << tempo << ' ' << loops << ' '
                << seconds(ms) << '\n';
        } catch (const Error& e) {
            err << "\"" << toUtf8(entry) << "\": " << toUtf8(e.what()) << '\n';
            whole = false;
        }
    }
    if (whole)
        out << "length " << seconds(totalMs) << '\n';
    return whole;
}

}  // namespace valdorin::cli
