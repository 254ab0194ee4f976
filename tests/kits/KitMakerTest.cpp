// The kit maker's kit: blank slots, the template taken by position through the temp directory,
// WAV files loaded into a slot as read, the names checked before saving, and the kit file name.

#include "kits/KitMaker.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "core/InstrumentList.h"
#include "core/ProgramFiles.h"
#include "kits/KitBytes.h"
#include "kits/SlotRules.h"
#include "platform/FileSystem.h"

namespace valdorin::kits {
namespace {

using namespace valdorin::kits::testing;

// A format block of any tag and depth; WAVE_FORMAT_EXTENSIBLE when extensible.
Bytes formatBlock(int tag, int channels, std::uint32_t rate, int bits, bool extensible = false) {
    ByteWriter w;
    const auto align = std::uint16_t(channels * bits / 8);
    w.u16(extensible ? 0xFFFE : std::uint16_t(tag))
        .u16(std::uint16_t(channels))
        .u32(rate)
        .u32(rate * align)
        .u16(align)
        .u16(std::uint16_t(bits));
    if (extensible) {
        w.u16(22).u16(std::uint16_t(bits)).u32(channels == 2 ? 3 : 4);
        w.u16(std::uint16_t(tag))
            .raw({0x00, 0x00, 0x00, 0x00, 0x10, 0x00, 0x80, 0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B,
                  0x71});
    }
    return w.bytes;
}

class MakerKit : public ScratchDir {
  protected:
    void SetUp() override {
        ScratchDir::SetUp();
        std::filesystem::create_directory(dir / "temp");
        writeBytes(dir / kBlankWav, riff({{"fmt ", blank.format()}, {"data", blank.data()}}));
    }
    std::string file(const std::string& name, const Bytes& bytes) {
        writeBytes(dir / name, bytes);
        return fs::textFromPath(dir / name);
    }
    void expectBlank(int slot) {
        EXPECT_EQ(maker.Kit.EntryAt(slot).Wave.format(), blank.format()) << slot;
        EXPECT_EQ(maker.Kit.EntryAt(slot).Wave.data(), blank.data()) << slot;
    }

    TKitWave blank = wave(pcmFormat(1, 44100, 16), pattern(200, 99));
    KitMaker maker;
};

TEST_F(MakerKit, StartsAsAPlaceholderAndSixteenNamedSlotsOfTheBlankSound) {
    maker.FillWithBlankSound(dir);
    ASSERT_EQ(maker.Kit.Count(), 17);
    for (int i = 0; i <= kMakerSlots; ++i) {
        EXPECT_EQ(maker.Kit.EntryAt(i).Name(), instrumentEntry(i));
        expectBlank(i);
    }
    for (int i = 1; i <= kMakerSlots; ++i) {
        EXPECT_EQ(maker.Sources[i], "Blank.wav");
        EXPECT_EQ(maker.PlayFile(i, dir), dir / "Blank.wav");
    }
    EXPECT_NO_THROW(maker.CheckInstrumentNames());

    // Saved at once: seventeen records, the first without a name, all of the blank sound.
    const Bytes image = KitFileImage(maker.Kit);
    const Bytes firstRecord = ByteWriter().u8(0x0E).u8(0x01).shortString("Wave.WAVE").bytes;
    EXPECT_NE(std::search(image.begin(), image.end(), firstRecord.begin(), firstRecord.end()),
              image.end());
    WriteKitFile(maker.Kit, dir / "new.dxg");
    TWaveCollection back;
    ReadKitFile(back, dir / "new.dxg");
    ASSERT_EQ(back.Count(), 17);
    for (int i = 0; i <= kMakerSlots; ++i) {
        EXPECT_EQ(back.EntryAt(i).Name(), instrumentEntry(i));
        EXPECT_EQ(back.EntryAt(i).Wave.data(), blank.data());
    }
}

TEST_F(MakerKit, FillingAgainDiscardsEverythingLoaded) {
    maker.FillWithBlankSound(dir);
    maker.LoadSample(5, file("hat.wav", riff({{"fmt ", pcmFormat()}, {"data", pattern(64)}})));
    maker.FillWithBlankSound(dir);
    EXPECT_EQ(maker.Kit.Count(), 17);
    expectBlank(5);
    EXPECT_EQ(maker.Sources[5], "Blank.wav");
}

// However the file's name is written on a file system that tells letter case apart, the blank
// sound is the one file of that name in the program directory.
TEST_F(MakerKit, TheBlankSoundIsFoundWhateverTheLetterCaseOfItsFile) {
    for (const char* onDisk : {"blank.wav", "BLANK.WAV", "Blank.WAV"}) {
        SCOPED_TRACE(onDisk);
        std::filesystem::rename(fs::findCaseBlind(dir, "Blank.wav").value(), dir / onDisk);
        EXPECT_EQ(blankSoundFile(dir), dir / onDisk);
        maker.FillWithBlankSound(dir);
        expectBlank(0);
        expectBlank(16);
        EXPECT_EQ(maker.PlayFile(7, dir), dir / onDisk);
    }
    std::filesystem::remove(dir / "Blank.WAV");
    EXPECT_EQ(blankSoundFile(dir), dir / "Blank.wav");
    EXPECT_EQ(errorOf([&] { maker.FillWithBlankSound(dir); }),
              "Cannot open file " + fs::textFromPath(dir / "Blank.wav"));
}

// The template takes the kit's entries 1..16 by position, whatever their names.
TEST_F(MakerKit, TheTemplateCopiesTheKitsEntriesByPositionThroughTheTempFiles) {
    TWaveCollection kit;
    kit.AddEntry();
    for (int i = 1; i <= kMakerSlots; ++i) {
        TWaveCollectionItem& e = kit.AddEntry();
        kit.SetEntryName(e, instrumentEntry(kMakerSlots + 1 - i));
        e.Wave = wave(pcmFormat(), pattern(40, i));
    }
    maker.FillWithBlankSound(dir);
    maker.TemplateFrom(kit, dir / "temp");
    for (int i = 1; i <= kMakerSlots; ++i) {
        const auto f = dir / "temp" / (std::to_string(i) + ".wav");
        EXPECT_EQ(maker.Sources[i], fs::textFromPath(f));
        EXPECT_EQ(maker.PlayFile(i, dir), f);
        EXPECT_EQ(readBytes(f), WaveImage(kit.EntryAt(i).Wave));
        EXPECT_EQ(maker.Kit.EntryAt(i).Wave.data(), pattern(40, i)) << i;
        EXPECT_EQ(maker.Kit.EntryAt(i).Name(), instrumentEntry(i)) << "names stay the maker's";
    }
    expectBlank(0);
}

TEST_F(MakerKit, ATemplateThatFailsLeavesTheSlotsBeforeItTemplated) {
    TWaveCollection small;
    for (int i = 0; i < 10; ++i)
        small.AddEntry().Wave = wave(pcmFormat(), pattern(40, i));
    maker.FillWithBlankSound(dir);
    EXPECT_EQ(errorOf([&] { maker.TemplateFrom(small, dir / "temp"); }),
              "List index out of bounds (10)");
    EXPECT_EQ(maker.Kit.EntryAt(9).Wave.data(), pattern(40, 9));
    expectBlank(10);
    EXPECT_EQ(maker.Sources[10], "Blank.wav");

    maker.FillWithBlankSound(dir);
    std::filesystem::remove_all(dir / "temp");
    EXPECT_EQ(errorOf([&] { maker.TemplateFrom(small, dir / "temp"); }),
              "Cannot create file " + fs::textFromPath(dir / "temp" / "1.wav"));
    expectBlank(1);
}

// A sound of any common depth is kept in the kit exactly as the file holds it, and saved so.
TEST_F(MakerKit, ALoadedSampleReplacesItsSlotOnlyAndKeepsItsWaveImageAsRead) {
    struct Depth {
        const char* what;
        Bytes format;
    };
    const std::vector<Depth> depths = {
        {"16-bit", formatBlock(1, 2, 44100, 16)},
        {"24-bit", formatBlock(1, 2, 48000, 24)},
        {"24-bit extensible", formatBlock(1, 2, 44100, 24, true)},
        {"32-bit integer", formatBlock(1, 1, 44100, 32)},
        {"32-bit float", formatBlock(3, 2, 96000, 32)},
    };
    maker.FillWithBlankSound(dir);
    for (const Depth& d : depths) {
        SCOPED_TRACE(d.what);
        const Bytes data = pattern(6 * 24, int(d.format.size()) + d.format[14]);
        const std::string path =
            file("snare.wav", riff({{"fmt ", d.format}, {"fact", {4, 0, 0, 0}}, {"data", data}}));
        maker.LoadSample(3, path);
        EXPECT_EQ(maker.Sources[0], path);
        EXPECT_EQ(maker.Sources[3], path);
        EXPECT_EQ(maker.Kit.EntryAt(3).Wave.format(), d.format);
        EXPECT_EQ(maker.Kit.EntryAt(3).Wave.data(), data);
        for (int i : {0, 1, 2, 4, 16}) {
            expectBlank(i);
            if (i > 0) {
                EXPECT_EQ(maker.Sources[i], "Blank.wav");
            }
        }
        WriteKitFile(maker.Kit, dir / "deep.dxg");
        TWaveCollection back;
        ReadKitFile(back, dir / "deep.dxg");
        EXPECT_EQ(back.FindEntry("Snare     [ ]").Wave.format(), d.format);
        EXPECT_EQ(back.FindEntry("Snare     [ ]").Wave.data(), data);
    }
}

TEST_F(MakerKit, AFileThatCannotBeLoadedIsStillNamedAsTheSlotsSource) {
    maker.FillWithBlankSound(dir);
    const std::string missing = fs::textFromPath(dir / "missing.wav");
    EXPECT_EQ(errorOf([&] { maker.LoadSample(4, missing); }), "Cannot open file " + missing);
    EXPECT_EQ(maker.Sources[4], missing);
    expectBlank(4);

    const std::string text = file("notes.wav", Bytes{'h', 'e', 'l', 'l', 'o', ' ', 'w', 'a', 'v',
                                                     'e', ' ', 'f', 'i', 'l', 'e'});
    EXPECT_EQ(errorOf([&] { maker.LoadSample(6, text); }), "Wave is invalid");
    EXPECT_EQ(maker.Sources[6], text);
    EXPECT_TRUE(maker.Kit.EntryAt(6).Wave.empty());

    EXPECT_EQ(errorOf([&] { maker.LoadSample(17, text); }), "List index out of bounds (17)");
    EXPECT_EQ(maker.Sources[0], text);
}

TEST_F(MakerKit, SavingNeedsThePlaceholderAndEveryInstrumentByName) {
    EXPECT_EQ(errorOf([&] { maker.CheckInstrumentNames(); }), "Wave '' not found");
    maker.FillWithBlankSound(dir);
    maker.Kit.SetEntryName(maker.Kit.EntryAt(5), "Hat");
    EXPECT_EQ(errorOf([&] { maker.CheckInstrumentNames(); }), "Wave 'OpHiat    [ ]' not found");
}

TEST(KitFileName, ANameTypedWithoutExtensionGetsDxg) {
    struct Case {
        const char* chosen;
        const char* saved;
    };
    for (const Case& c : {Case{"/home/me/rock", "/home/me/rock.dxg"},
                          Case{"/home/me/rock.dxg", "/home/me/rock.dxg"},
                          Case{"/home/me/rock.kit", "/home/me/rock.kit"},
                          Case{"/home/my.kits/rock", "/home/my.kits/rock.dxg"},
                          Case{"rock", "rock.dxg"}, Case{"", ""}})
        EXPECT_EQ(withKitExtension(c.chosen), c.saved) << c.chosen;
}

}  // namespace
}  // namespace valdorin::kits
