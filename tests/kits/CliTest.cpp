#include "cli/Cli.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <regex>
#include <sstream>

#include <sys/wait.h>

#include "kits/DefaultKit.h"
#include "kits/KitBytes.h"

namespace valdorin::kits {
namespace {

using namespace valdorin::kits::testing;

std::vector<std::string> lines(const std::string& text) {
    std::vector<std::string> out;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        out.push_back(line);
    return out;
}

class Cli : public ScratchDir {
  protected:
    int run(std::vector<std::string> args) {
        out.str("");
        err.str("");
        return cli::run(args, out, err);
    }
    std::string p(const char* name) const { return (dir / name).string(); }

    std::ostringstream out, err;
};

TEST_F(Cli, InfoListsEveryEntryOfTheDefaultKit) {
    ASSERT_EQ(run({"kit", "default", p("power.dxg")}), 0) << err.str();
    ASSERT_EQ(run({"kit", "info", p("power.dxg")}), 0) << err.str();
    const auto l = lines(out.str());
    ASSERT_EQ(l.size(), 17u);
    EXPECT_EQ(l[0], "0 \"\" 1 2 44100 16 17640");
    EXPECT_TRUE(l[1].starts_with("1 \"Kick      [ ]\" 1 1 44100 16 ")) << l[1];
    EXPECT_TRUE(l[16].starts_with("16 \"Tamb      [ ]\" 1 1 44100 16 ")) << l[16];
    const std::regex form(R"re((\d+) "([^"]*)" 1 1 44100 16 (\d+))re");
    for (int i = 1; i < 17; ++i) {
        std::smatch m;
        ASSERT_TRUE(std::regex_match(l[i], m, form)) << l[i];
        EXPECT_EQ(m[1], std::to_string(i));
        EXPECT_EQ(std::stoul(m[3]) % 2, 0u);
    }
    EXPECT_EQ(err.str(), "");
}

// The kit maker's steps, with the current directory as the program directory.
TEST_F(Cli, MakeBuildsAKitAsTheKitMakerDoes) {
    struct InDir {
        std::filesystem::path previous = std::filesystem::current_path();
        ~InDir() { std::filesystem::current_path(previous); }
    } restore;
    std::filesystem::current_path(dir);
    std::filesystem::create_directory(dir / "temp");
    writeBytes(dir / "blank.wav", riff({{"fmt ", pcmFormat(1)}, {"data", pattern(4)}}));
    const Bytes deep = pcmFormat(2, 48000, 24);
    writeBytes(dir / "snare.wav", riff({{"fmt ", deep}, {"data", pattern(12, 3)}}));
    ASSERT_EQ(run({"kit", "default", p("power.dxg")}), 0) << err.str();

    ASSERT_EQ(run({"kit", "make", p("Mine"), "--template", p("power.dxg"), "3=" + p("snare.wav")}),
              0)
        << err.str();
    TWaveCollection kit, power;
    ReadKitFile(kit, dir / "Mine.dxg");
    BuildDefaultKit(power);
    ASSERT_EQ(kit.Count(), 17);
    EXPECT_EQ(kit.EntryAt(0).Name(), "");
    EXPECT_EQ(kit.EntryAt(0).Wave.data(), pattern(4));
    EXPECT_EQ(kit.EntryAt(1).Wave.data(), power.EntryAt(1).Wave.data());
    EXPECT_EQ(kit.EntryAt(3).Name(), "Snare     [ ]");
    EXPECT_EQ(kit.EntryAt(3).Wave.format(), deep);
    EXPECT_EQ(kit.EntryAt(3).Wave.data(), pattern(12, 3));

    ASSERT_EQ(run({"kit", "make", p("Blanks.dxg")}), 0) << err.str();
    ReadKitFile(kit, dir / "Blanks.dxg");
    EXPECT_EQ(kit.EntryAt(16).Wave.data(), pattern(4));

    EXPECT_EQ(run({"kit", "make", p("x.dxg"), "17=" + p("snare.wav")}), 2);
    EXPECT_EQ(run({"kit", "make", p("x.dxg"), "--template"}), 2);
    EXPECT_EQ(run({"kit", "make", p("x.dxg"), "2=" + p("gone.wav")}), 1);
    EXPECT_EQ(err.str(), "Cannot open file " + p("gone.wav") + "\n");
    EXPECT_FALSE(std::filesystem::exists(dir / "x.dxg"));
}

TEST_F(Cli, PackThenInfoThenUnpack) {
    writeBytes(dir / "a.wav", riff({{"fmt ", pcmFormat(1, 22050, 8)}, {"data", pattern(5)}}));
    writeBytes(dir / "b.wav", riff({{"fmt ", pcmFormat(2)}, {"data", pattern(8)}}));
    writeBytes(dir / "empty.wav", {});
    ASSERT_EQ(run({"kit", "pack", p("k.dxg"), "Snare=" + p("a.wav"), "=" + p("b.wav"),
                   "Tom=1=" + p("empty.wav")}),
              1)
        << "the name ends at the first '='";
    EXPECT_EQ(err.str(), "Cannot open file 1=" + p("empty.wav") + "\n");
    EXPECT_FALSE(std::filesystem::exists(dir / "k.dxg"));

    ASSERT_EQ(run({"kit", "pack", p("k.dxg"), "Snare=" + p("a.wav"), "=" + p("b.wav"),
                   "Silent=" + p("empty.wav")}),
              0)
        << err.str();
    ASSERT_EQ(run({"kit", "info", p("k.dxg")}), 0);
    EXPECT_EQ(out.str(),
              "0 \"Snare\" 1 1 22050 8 5\n"
              "1 \"\" 1 2 44100 16 8\n"
              "2 \"Silent\" empty\n");

    ASSERT_EQ(run({"kit", "unpack", p("k.dxg"), p("out")}), 0) << err.str();
    EXPECT_EQ(readBytes(dir / "out" / "0.wav"),
              WaveImage(wave(pcmFormat(1, 22050, 8), pattern(5))));
    EXPECT_EQ(readBytes(dir / "out" / "1.wav"), WaveImage(wave(pcmFormat(2), pattern(8))));
    EXPECT_EQ(std::filesystem::file_size(dir / "out" / "2.wav"), 0u);
}

TEST_F(Cli, PackWithoutEntriesWritesTheEmptyKit) {
    ASSERT_EQ(run({"kit", "pack", p("e.dxg")}), 0);
    EXPECT_EQ(readBytes(dir / "e.dxg"), KitFileImage(TWaveCollection{}));
    EXPECT_EQ(std::filesystem::file_size(dir / "e.dxg"), 70u);
}

TEST_F(Cli, FailuresPrintTheExactMessageAndExitOne) {
    writeBytes(dir / "bad.dxg", {0x00, 0x0A, 0x00});
    writeBytes(dir / "bad.wav", riff({}, "RIFX"));
    writeBytes(dir / "old.dxg", {4, 5, 6});
    struct Case {
        std::vector<std::string> args;
        std::string message;
    };
    const Case cases[] = {
        {{"kit", "info", p("none.dxg")}, "Cannot open file " + p("none.dxg")},
        {{"kit", "info", p("bad.dxg")}, "Invalid stream format"},
        {{"kit", "unpack", p("bad.dxg"), p("out")}, "Invalid stream format"},
        {{"kit", "pack", p("old.dxg"), "X=" + p("bad.wav")}, "Wave is invalid"},
        {{"kit", "pack", p("no/dir/k.dxg")}, "Cannot create file " + p("no/dir/k.dxg")},
        {{"kit", "default", p("no/dir/k.dxg")}, "Cannot create file " + p("no/dir/k.dxg")},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(run(c.args), 1) << c.message;
        EXPECT_EQ(err.str(), c.message + "\n");
        EXPECT_EQ(out.str(), "");
    }
    // A failed pack leaves the old kit file whole.
    EXPECT_EQ(readBytes(dir / "old.dxg"), (Bytes{4, 5, 6}));
}

TEST_F(Cli, WrongCommandLinesExitTwoWithUsage) {
    const std::vector<std::vector<std::string>> cases = {
        {},
        {"play"},
        {"kit"},
        {"kit", "list"},
        {"kit", "info"},
        {"kit", "info", "a", "b"},
        {"kit", "unpack", "a"},
        {"kit", "pack", p("k.dxg"), "no-equals-sign"},
        {"seed"},
    };
    for (const auto& args : cases) {
        EXPECT_EQ(run(args), 2);
        EXPECT_NE(err.str().find("Usage: valdorin-cli"), std::string::npos) << err.str();
    }
    EXPECT_FALSE(std::filesystem::exists(dir / "k.dxg"));
}

TEST_F(Cli, HelpForTheToolAndEachCommand) {
    const std::vector<std::vector<std::string>> cases = {{"--help"},
                                                         {"-h"},
                                                         {"kit", "--help"},
                                                         {"kit", "info", "--help"},
                                                         {"kit", "pack", "--help"},
                                                         {"kit", "unpack", "--help"},
                                                         {"kit", "default", "--help"},
                                                         {"seed", "--help"}};
    for (const auto& args : cases) {
        EXPECT_EQ(run(args), 0);
        EXPECT_NE(out.str().find("Usage: valdorin-cli"), std::string::npos);
        EXPECT_EQ(err.str(), "");
    }
    run({"kit", "info", "--help"});
    EXPECT_NE(out.str().find("INDEX \"NAME\" TAG CHANNELS RATE BITS DATABYTES"), std::string::npos);
}

TEST_F(Cli, SeedKeepsExistingFiles) {
    writeBytes(dir / "Panning.dat", {'1'});
    ASSERT_EQ(run({"seed", dir.string()}), 0) << err.str();
    EXPECT_EQ(readBytes(dir / "Panning.dat"), (Bytes{'1'}));
    EXPECT_TRUE(std::filesystem::exists(dir / "power.dxg"));
    EXPECT_TRUE(std::filesystem::is_directory(dir / "temp"));
}

// The built program, through a shell: exit codes and standard error as a user sees them.
TEST_F(Cli, TheBinaryExitsWithTheStatusAndWritesStandardError) {
    const std::string tool = VALDORIN_CLI_PATH;
    auto shell = [&](const std::string& command) {
        const int status =
            std::system((command + " >" + p("stdout") + " 2>" + p("stderr")).c_str());
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    };
    auto text = [&](const char* name) {
        const Bytes b = readBytes(dir / name);
        return std::string(b.begin(), b.end());
    };
    EXPECT_EQ(shell(tool + " kit default '" + p("k.dxg") + "'"), 0);
    EXPECT_EQ(shell(tool + " kit info '" + p("k.dxg") + "'"), 0);
    EXPECT_EQ(lines(text("stdout")).size(), 17u);
    EXPECT_EQ(text("stderr"), "");

    EXPECT_EQ(shell(tool + " kit info '" + p("missing.dxg") + "'"), 1);
    EXPECT_EQ(text("stderr"), "Cannot open file " + p("missing.dxg") + "\n");
    EXPECT_EQ(text("stdout"), "");

    EXPECT_EQ(shell(tool + " kit"), 2);
    EXPECT_EQ(shell(tool + " --help"), 0);
}

}  // namespace
}  // namespace valdorin::kits
