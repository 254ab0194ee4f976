#include "cli/Cli.h"

#include <unistd.h>

#include <exception>
#include <filesystem>
#include <iostream>
#include <map>
#include <optional>
#include <ostream>
#include <sstream>
#include <system_error>

#include "cli/RenderCli.h"
#include "core/Errors.h"
#include "core/ProgramFiles.h"
#include "core/Text.h"
#include "kits/DefaultKit.h"
#include "kits/KitFile.h"
#include "kits/KitMaker.h"
#include "platform/FileSystem.h"
#include "render/AudioExport.h"
#include "render/MidiExport.h"
#include "song/SongFile.h"

namespace valdorin::cli {

namespace {

using Args = std::vector<std::string>;
using Path = std::filesystem::path;

// A command line that does not fit its command; reported with the command's usage.
struct UsageError {
    std::string message;
    std::string usage;
};

struct Command {
    const char* usage;
    const char* help;
    std::size_t minArgs;
    std::size_t maxArgs;  // SIZE_MAX: any number
    void (*action)(const Args& args, std::ostream& out);
};

constexpr const char* kToolHelp =
    "Usage: valdorin-cli COMMAND ...\n"
    "\n"
    "Drum kit files (*.dxg), songs and the program directory of Valdorin.\n"
    "\n"
    "Commands:\n"
    "  kit info KIT.dxg                   list the entries of a kit\n"
    "  kit pack OUT.dxg NAME=WAVFILE ...  make a kit from WAV files\n"
    "  kit unpack KIT.dxg DIR             save each entry i as DIR/i.wav\n"
    "  kit default OUT.dxg                write the built-in default kit\n"
    "  kit make OUT.dxg [SLOT=WAVFILE ...] build a kit as the kit maker does\n"
    "  seed DIR                           create the missing start-up files in DIR\n"
    "  render SONG.sng OUT.wav [--dir PROGRAM_DIR] [--format wav|flac|ogg]\n"
    "                                     render a song into one WAV, FLAC or Ogg file\n"
    "  song info SONG.sng [--dir PROGRAM_DIR]\n"
    "                                     list a song's patterns and its length\n"
    "  song midi SONG.sng OUT.mid [--dir PROGRAM_DIR]\n"
    "                                     export a song as a Standard MIDI File\n"
    "\n"
    "Each command takes --help. Exit status: 0 done, 1 the command failed (its message is\n"
    "written to standard error), 2 the command line is wrong.\n";

std::string quoted(const std::string& cp1252) {
    return "\"" + toUtf8(cp1252) + "\"";
}

void kitInfo(const Args& a, std::ostream& out) {
    kits::TWaveCollection kit;
    kits::ReadKitFile(kit, Path(a[0]));
    for (int i = 0; i < kit.Count(); ++i) {
        const auto& entry = kit.EntryAt(i);
        const auto& w = entry.Wave;
        out << i << ' ' << quoted(entry.Name());
        if (w.empty()) {
            out << " empty\n";
            continue;
        }
        out << ' ' << w.formatTag() << ' ' << w.channels() << ' '
            << static_cast<std::uint32_t>(w.sampleRate()) << ' ' << w.bitsPerSample() << ' '
            << w.data().size() << '\n';
    }
}

constexpr const char* kPackUsage = "valdorin-cli kit pack OUT.dxg [NAME=WAVFILE ...]";

void kitPack(const Args& a, std::ostream&) {
    for (std::size_t i = 1; i < a.size(); ++i)
        if (a[i].find('=') == std::string::npos)
            throw UsageError{"'" + a[i] + "' is not NAME=WAVFILE", kPackUsage};
    kits::TWaveCollection kit;
    for (std::size_t i = 1; i < a.size(); ++i) {
        const std::size_t eq = a[i].find('=');
        auto& entry = kit.AddEntry();
        kit.SetEntryName(entry, fromUtf8(a[i].substr(0, eq)));
        kits::LoadWaveFile(entry.Wave, Path(a[i].substr(eq + 1)));
    }
    kits::WriteKitFile(kit, Path(a[0]));
}

void kitUnpack(const Args& a, std::ostream&) {
    kits::TWaveCollection kit;
    kits::ReadKitFile(kit, Path(a[0]));
    const Path dir(a[1]);
    std::error_code ec;
    std::filesystem::create_directories(dir, ec);  // a failure shows as the first save's error
    for (int i = 0; i < kit.Count(); ++i)
        kits::SaveWaveFile(kit.EntryAt(i).Wave, dir / (std::to_string(i) + ".wav"));
}

void kitDefault(const Args& a, std::ostream&) {
    kits::TWaveCollection kit;
    kits::BuildDefaultKit(kit);
    kits::WriteKitFile(kit, Path(a[0]));
}

constexpr const char* kMakeUsage =
    "valdorin-cli kit make OUT.dxg [--template KIT.dxg] [SLOT=WAVFILE ...]";

// The kit maker's steps, with the current directory as the program directory.
void kitMake(const Args& a, std::ostream&) {
    std::string templateKit;
    std::vector<std::pair<int, std::string>> samples;
    for (std::size_t i = 1; i < a.size(); ++i) {
        if (a[i] == "--template") {
            if (++i == a.size())
                throw UsageError{"--template needs a kit file", kMakeUsage};
            templateKit = a[i];
            continue;
        }
        const std::size_t eq = a[i].find('=');
        const auto slot = tryStrToInt(a[i].substr(0, eq == std::string::npos ? 0 : eq));
        if (eq == std::string::npos || !slot || *slot < 1 || *slot > kits::kMakerSlots)
            throw UsageError{"'" + a[i] + "' is not SLOT=WAVFILE with SLOT 1 to 16", kMakeUsage};
        samples.emplace_back(*slot, a[i].substr(eq + 1));
    }
    const Path dir = std::filesystem::current_path();
    kits::KitMaker maker;
    maker.FillWithBlankSound(dir);
    if (!templateKit.empty()) {
        kits::TWaveCollection kit;
        kits::ReadKitFile(kit, Path(templateKit));
        maker.TemplateFrom(kit, dir / kTempDirName);
    }
    for (const auto& [slot, file] : samples)
        maker.LoadSample(slot, fromUtf8(file));
    maker.CheckInstrumentNames();
    kits::WriteKitFile(maker.Kit, Path(kits::withKitExtension(a[0])));
}

void seed(const Args& a, std::ostream&) {
    kits::SeedProgramDirectory(Path(a[0]));
}

constexpr const char* kRenderUsage =
    "valdorin-cli render SONG.sng OUT.wav|OUT.flac|OUT.ogg [--dir PROGRAM_DIR] "
    "[--format wav|flac|ogg]";
constexpr const char* kSongInfoUsage = "valdorin-cli song info SONG.sng [--dir PROGRAM_DIR]";
constexpr const char* kSongMidiUsage =
    "valdorin-cli song midi SONG.sng OUT.mid [--dir PROGRAM_DIR]";

// The arguments of a song command: the files named, and the program directory of --dir (the
// current directory without it).
struct SongArgs {
    std::vector<std::string> files;
    Path programDirectory = std::filesystem::current_path();
    std::optional<render::AudioFormat> format;  // --format, where the command takes it
};

SongArgs songArgs(const Args& a, std::size_t files, const char* usage, bool takesFormat = false) {
    SongArgs parsed;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (a[i] == "--dir") {
            if (i + 1 == a.size())
                throw UsageError{"--dir needs a directory", usage};
            parsed.programDirectory = Path(a[++i]);
        } else if (a[i] == "--format" && takesFormat) {
            if (i + 1 == a.size())
                throw UsageError{"--format needs wav, flac or ogg", usage};
            parsed.format = render::audioFormatNamed(a[++i]);
            if (!parsed.format)
                throw UsageError{"unknown format '" + a[i] + "'", usage};
        } else if (a[i].starts_with("--")) {
            throw UsageError{"unknown option '" + a[i] + "'", usage};
        } else {
            parsed.files.push_back(a[i]);
        }
    }
    if (parsed.files.size() != files)
        throw UsageError{parsed.files.size() < files ? "missing arguments" : "too many arguments",
                         usage};
    return parsed;
}

void renderCommand(const Args& a, std::ostream&) {
    const SongArgs args = songArgs(a, 2, kRenderUsage, true);
    // Progress only where someone watches it: not into a log or a pipe.
    const bool terminal = isatty(STDERR_FILENO) == 1;
    std::ostream* progress = terminal ? &std::cerr : nullptr;
    const Path out(args.files[1]);
    const render::AudioFormat format = args.format.value_or(render::audioFormatOf(out));
    if (format == render::AudioFormat::Wav) {
        renderSongFile(Path(args.files[0]), out, args.programDirectory, progress);
        return;
    }
    // Rendered as the program renders, then encoded from those very samples.
    const Path wav = args.programDirectory / "temp" / "export.wav";
    struct RemoveAfter {
        Path path;
        ~RemoveAfter() { fs::removeFile(path); }
    } removeAfter{wav};
    renderSongFile(Path(args.files[0]), wav, args.programDirectory, progress);
    render::ConvertWav(wav, out, format);
}

void songInfoCommand(const Args& a, std::ostream& out) {
    const SongArgs args = songArgs(a, 1, kSongInfoUsage);
    std::ostringstream problems;
    if (!songInfo(Path(args.files[0]), args.programDirectory, out, problems)) {
        std::string text = problems.str();
        if (!text.empty() && text.back() == '\n')
            text.pop_back();
        throw Error(fromUtf8(text));
    }
}

const Command& renderCommandSpec() {
    static const Command command = {
        kRenderUsage,
        "Renders the song into one WAV file (44100 Hz, 16-bit, stereo), exactly as the\n"
        "program does after starting in PROGRAM_DIR (the current directory without --dir)\n"
        "and opening SONG.sng with Open Song, from the first play list entry: the kit\n"
        "\"power.dxg\" with the pans of \"Panning.dat\", sample slots 1 to 8 from the\n"
        "song file and the others on \"Blank.wav\", the pattern files, the \"temp\"\n"
        "directory and the work file \"work1.tmp\" of PROGRAM_DIR. Relative sample file\n"
        "names are found in PROGRAM_DIR. OUT.wav is replaced only once it is complete.\n"
        "An OUT ending in \".flac\" or \".ogg\" (or --format flac|ogg) gets the same\n"
        "samples as FLAC (lossless) or Ogg Vorbis, through \"temp/export.wav\".\n"
        "Progress goes to standard error when that is a terminal.\n",
        2, 6, renderCommand};
    return command;
}

// The compiled song of a song file, from its first play list entry, as the renderer compiles it.
std::vector<std::string> compileSongFile(const Path& songFile, const Path& programDirectory) {
    const song::SongFileContent content = song::readSongLines(fs::readLines(songFile));
    std::vector<std::string> compiled =
        render::compilePlayList(programDirectory, content.entries, -1);
    if (compiled.empty())
        throw Error("The play list of " + fs::textFromPath(songFile) + " is empty");
    return compiled;
}

void songMidi(const Args& a, std::ostream&) {
    const SongArgs args = songArgs(a, 2, kSongMidiUsage);
    render::WriteSongMidi(compileSongFile(Path(args.files[0]), args.programDirectory),
                          Path(args.files[1]));
}

const std::map<std::string, Command>& songCommands() {
    static const std::map<std::string, Command> commands = {
        {"info",
         {kSongInfoUsage,
          "Lists the song's play list, reading the pattern files from PROGRAM_DIR (the\n"
          "current directory without --dir), one line per entry:\n"
          "  \"NAME\" STEPS TEMPO LOOPS SECONDS\n"
          "with the tempo value and the loop count as they are played, and last\n"
          "  length SECONDS\n"
          "the length of the whole song, the sum of steps x loops x 2 x tempo milliseconds.\n"
          "An entry whose pattern file is missing or damaged is named on standard error with\n"
          "its message; the exit status is then 1 and the length is left out.\n",
          1, 3, songInfoCommand}},
        {"midi",
         {kSongMidiUsage,
          "Compiles the song from its first play list entry, reading the pattern files from\n"
          "PROGRAM_DIR (the current directory without --dir), and writes it as a Standard\n"
          "MIDI File of format 1: track 0 the tempo map, then one track per instrument the\n"
          "song uses. Kit instruments play General MIDI drum notes on channel 10, sample\n"
          "slots note 60 on channel 1; each note lasts one step (a sixteenth note), its\n"
          "velocity follows the cell's volume digit. The notes start when the renderer\n"
          "places the rows. OUT.mid is replaced only once it is complete.\n",
          2, 4, songMidi}},
    };
    return commands;
}

const std::map<std::string, Command>& kitCommands() {
    static const std::map<std::string, Command> commands = {
        {"info",
         {"valdorin-cli kit info KIT.dxg",
          "Lists the entries of the kit in kit order, one line each:\n"
          "  INDEX \"NAME\" TAG CHANNELS RATE BITS DATABYTES\n"
          "with the format tag, channels, samples per second and bits per sample of the\n"
          "entry's format block and the size of its sample data in bytes, or\n"
          "  INDEX \"NAME\" empty\n"
          "for an entry without sound.\n",
          1, 1, kitInfo}},
        {"pack",
         {kPackUsage,
          "Writes a kit with one entry per argument, in that order, named NAME and holding\n"
          "the sound of WAVFILE. \"=WAVFILE\" gives an entry with the empty name; with no\n"
          "entries the kit is empty. The kit file is replaced only once it is complete.\n",
          1, SIZE_MAX, kitPack}},
        {"unpack",
         {"valdorin-cli kit unpack KIT.dxg DIR",
          "Saves entry i of the kit as DIR/i.wav (0.wav, 1.wav, ...), creating DIR if\n"
          "needed. An entry without sound gives a file of 0 bytes.\n",
          2, 2, kitUnpack}},
        {"default",
         {"valdorin-cli kit default OUT.dxg",
          "Writes the built-in default kit: an unnamed silent entry 0, then the sixteen\n"
          "drum sounds (44100 Hz, 16-bit) named as the kit instruments.\n",
          1, 1, kitDefault}},
        {"make",
         {kMakeUsage,
          "Builds a kit as the kit maker window does, with the current directory as the\n"
          "program directory: the unnamed placeholder and the sixteen instruments start with\n"
          "the sound of its \"Blank.wav\"; --template copies entries 1 to 16 of KIT.dxg, by\n"
          "position, through temp/1.wav .. temp/16.wav; each SLOT=WAVFILE loads a WAV file,\n"
          "kept as it is (any sample depth), into instrument SLOT (1 Kick .. 16 Tamb, in the\n"
          "instrument chooser's order). \".dxg\" is added to an OUT without extension.\n",
          1, SIZE_MAX, kitMake}},
    };
    return commands;
}

const Command& seedCommand() {
    static const Command command = {
        "valdorin-cli seed DIR",
        "Creates in DIR (and DIR itself) whatever is missing of \"power.dxg\" (the default\n"
        "kit), \"Blank.wav\", \"Panning.dat\" and the \"temp\" directory. Existing files\n"
        "are never replaced.\n",
        1, 1, seed};
    return command;
}

bool isHelp(const std::string& s) {
    return s == "--help" || s == "-h";
}

// Runs a command with the arguments after its name.
void runCommand(const Command& c, const Args& args, std::ostream& out) {
    for (const auto& a : args)
        if (isHelp(a)) {
            out << "Usage: " << c.usage << "\n\n" << c.help;
            return;
        }
    if (args.size() < c.minArgs)
        throw UsageError{"missing arguments", c.usage};
    if (args.size() > c.maxArgs)
        throw UsageError{"too many arguments", c.usage};
    c.action(args, out);
}

}  // namespace

int run(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    try {
        if (args.empty())
            throw UsageError{"no command", "valdorin-cli COMMAND ... (see --help)"};
        if (isHelp(args[0])) {
            out << kToolHelp;
            return 0;
        }
        const Args rest(args.begin() + 1, args.end());
        if (args[0] == "seed") {
            runCommand(seedCommand(), rest, out);
        } else if (args[0] == "kit") {
            const std::string kitUsage = "valdorin-cli kit info|pack|unpack|default|make ...";
            if (rest.empty())
                throw UsageError{"missing kit command", kitUsage};
            if (isHelp(rest[0])) {
                out << "Usage: " << kitUsage << "\n\n";
                for (const auto& [name, c] : kitCommands())
                    out << "  " << c.usage << "\n";
                out << "\nEach takes --help.\n";
                return 0;
            }
            const auto it = kitCommands().find(rest[0]);
            if (it == kitCommands().end())
                throw UsageError{"unknown kit command '" + rest[0] + "'", kitUsage};
            runCommand(it->second, Args(rest.begin() + 1, rest.end()), out);
        } else if (args[0] == "render") {
            runCommand(renderCommandSpec(), rest, out);
        } else if (args[0] == "song") {
            const std::string songUsage = "valdorin-cli song info|midi ...";
            if (rest.empty())
                throw UsageError{"missing song command", songUsage};
            if (isHelp(rest[0])) {
                out << "Usage: " << songUsage << "\n\n";
                for (const auto& [name, c] : songCommands())
                    out << "  " << c.usage << "\n";
                out << "\nEach takes --help.\n";
                return 0;
            }
            const auto it = songCommands().find(rest[0]);
            if (it == songCommands().end())
                throw UsageError{"unknown song command '" + rest[0] + "'", songUsage};
            runCommand(it->second, Args(rest.begin() + 1, rest.end()), out);
        } else {
            throw UsageError{"unknown command '" + args[0] + "'",
                             "valdorin-cli COMMAND ... (see --help)"};
        }
        out.flush();
        if (!out) {
            err << "Stream write error\n";
            return 1;
        }
        return 0;
    } catch (const UsageError& e) {
        err << "valdorin-cli: " << e.message << "\nUsage: " << e.usage << "\n";
        return 2;
    } catch (const Error& e) {
        err << toUtf8(e.what()) << "\n";
        return 1;
    } catch (const std::exception& e) {
        err << e.what() << "\n";
        return 1;
    }
}

}  // namespace valdorin::cli
