// The kit maker window and the main window's Kit Maker command, offscreen, on the offline
// capture output: what Play sounds is rendered and measured.

#include "kits/MakeKit.h"

#include <QButtonGroup>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>

#include <sndfile.h>

#include "core/Windows.h"
#include "kits/KitWindowsFixture.h"
#include "platform/Controls.h"
#include "platform/FileSystem.h"

namespace valdorin {
namespace {

using audio::testing::peak;
using testing::KitWindowsFixture;

class KitMaker : public KitWindowsFixture {
  protected:
    void SetUp() override {
        KitWindowsFixture::SetUp();
        maker = windows().Makit;
        std::filesystem::create_directory(*dir / "samples");
    }
    // Edit > Kit Maker, answering the template question.
    void open(bool templated) {
        dialogs.answers.push_back(templated);
        seq->KitMake->trigger();
    }
    void check(int slot) { QTest::mouseClick(maker->RadioButtons[slot - 1], Qt::LeftButton); }
    void load(int slot, const std::string& path) {
        check(slot);
        dialogs.files.push_back(path);
        QTest::mouseClick(maker->Load_sample, Qt::LeftButton);
    }
    // Play on a slot: the level heard, and the file the preview opened.
    float play(int slot) {
        check(slot);
        QTest::mouseClick(maker->Play, Qt::LeftButton);
        return peak(heard());
    }
    std::string previewFile() const {
        return maker->PreviewStream ? maker->PreviewStream->FileName() : "(no stream)";
    }
    // Save Library as `name`, answering the use-it-now question.
    void save(const std::string& name, bool useNow) {
        dialogs.files.push_back(name);
        dialogs.answers.push_back(useNow);
        QTest::mouseClick(maker->Save_library, Qt::LeftButton);
    }
    // A steady level as a WAV file of the given libsndfile sample format.
    std::string levelWav(const std::string& name, float amplitude, int format = SF_FORMAT_PCM_16) {
        const auto path = *dir / "samples" / name;
        audio::testing::writeWav(path, std::vector<float>(kPulseFrames, amplitude), 1, kRate,
                                 format);
        return path.string();
    }
    std::string blankFile() const { return fs::textFromPath(*dir / "Blank.wav"); }
    void expectNoErrors() { EXPECT_TRUE(dialogs.errors().empty()) << dialogs.errors().front(); }

    TMakit* maker = nullptr;
};

TEST_F(KitMaker, IsAHiddenWindowOfThreeButtonsAndSixteenRadioButtonsInOneGroup) {
    expectNoErrors();
    EXPECT_FALSE(maker->isVisible());
    EXPECT_EQ(maker->windowTitle().toStdString(), "Maykit");
    EXPECT_EQ(maker->size(), QSize(278, 255));
    EXPECT_TRUE(maker->windowFlags() & Qt::WindowStaysOnTopHint);
    EXPECT_TRUE(maker->DXSound.Initialized());
    EXPECT_EQ(seq->KitMake->text().toStdString(), "Kit Maker");

    struct Button {
        QPushButton* button;
        const char* caption;
        QRect place;
    };
    for (const Button& b : {Button{maker->Load_sample, "Load Sample", {96, 8, 75, 25}},
                            Button{maker->Play, "Play", {48, 48, 41, 25}},
                            Button{maker->Save_library, "Save Library", {176, 48, 75, 25}}}) {
        EXPECT_EQ(b.button->text().toStdString(), b.caption);
        EXPECT_EQ(b.button->geometry(), b.place);
    }
    const char* captions[] = {"Kick",  "ShortKick", "Snare",   "Cls Hi-Hat", "Op Hi-Hat", "Tom1",
                              "Tom2",  "Cymbol1",   "Cymbol2", "Rimshot",    "Shaker",    "Block",
                              "Congo", "Cowbell",   "Crack",   "Tamb"};
    EXPECT_EQ(maker->RadioButtons[0]->pos(), QPoint(112, 56));
    for (int n = 1; n <= 16; ++n) {
        SCOPED_TRACE(n);
        QRadioButton* r = maker->RadioButtons[n - 1];
        EXPECT_EQ(r->text().toStdString(), captions[n - 1]);
        EXPECT_EQ(r->isChecked(), n == 1);
        EXPECT_EQ(maker->RadioGroup->id(r), n);
        EXPECT_TRUE(maker->rect().contains(r->geometry()));
        if (n > 1) {
            EXPECT_EQ(r->pos(),
                      QPoint(std::array{16, 112, 192}[(n - 2) % 3], 80 + (n - 2) / 3 * 24));
        }
    }
    EXPECT_TRUE(maker->RadioGroup->exclusive());
    EXPECT_EQ(maker->OpenDialog1.filter, "wav|*.wav");
    EXPECT_EQ(maker->SaveDialog1.filter, "*.dxg|*.dxg");
    EXPECT_EQ(maker->SaveDialog1.defaultExt, ".dxg");
}

TEST_F(KitMaker, AnsweredNoAndSavedAtOnceWritesSeventeenBlankSounds) {
    open(false);
    expectNoErrors();
    EXPECT_TRUE(maker->isVisible());
    ASSERT_EQ(dialogs.shown.size(), 1u);
    EXPECT_EQ(dialogs.shown[0].kind, "yesno");
    EXPECT_EQ(dialogs.shown[0].caption, "Question");
    EXPECT_EQ(dialogs.shown[0].text, "Do you wish to template the current drum kit?");
    EXPECT_FALSE(seq->TemplateFlag);
    EXPECT_EQ(maker->Maker.Sources[0], blankFile());
    EXPECT_EQ(previewFile(), blankFile());

    const auto mainKick = seq->Kit.FindEntry("Kick      [ ]").Wave.data();
    save((*dir / "Mine").string(), false);  // typed without extension
    expectNoErrors();
    EXPECT_EQ(dialogs.shown[1].kind, "save");
    EXPECT_EQ(dialogs.shown[1].request.directory, seq->ProgramDirectory);
    EXPECT_EQ(dialogs.shown[2].caption, "Question");
    EXPECT_EQ(dialogs.shown[2].text, "Do you wish to use the new drum kit now?");
    EXPECT_FALSE(maker->isVisible());
    EXPECT_FALSE(std::filesystem::exists(*dir / "Mine"));

    kits::TWaveCollection saved;
    kits::ReadKitFile(saved, *dir / "Mine.dxg");
    kits::TWaveCollection blank;
    blank.AddEntry();
    kits::LoadWaveFile(blank.EntryAt(0).Wave, *dir / "Blank.wav");
    ASSERT_EQ(saved.Count(), 17);
    for (int i = 0; i <= 16; ++i) {
        EXPECT_EQ(saved.EntryAt(i).Name(), instrumentEntry(i));
        EXPECT_EQ(saved.EntryAt(i).Wave.data(), blank.EntryAt(0).Wave.data()) << i;
    }
    // The first record holds the wave at once: no "Name".
    const std::string bytes = dir->read("Mine.dxg");
    EXPECT_NE(bytes.find(std::string("\x0E\x01\x09Wave.WAVE", 12)), std::string::npos);
    EXPECT_EQ(seq->Kit.FindEntry("Kick      [ ]").Wave.data(), mainKick) << "answered No";
}

// The template takes the main kit by position: of a kit stored in reverse order, slot 1 gets
// entry 1, the tambourine.
TEST_F(KitMaker, AnsweredYesEachSlotPlaysItsTempFileTheSoundOfTheMainKitEntry) {
    fillKit(seq->Kit, instruments(/*reversed=*/true));
    open(true);
    expectNoErrors();
    EXPECT_TRUE(seq->TemplateFlag);
    for (int n : {1, 7, 16}) {
        EXPECT_NEAR(play(n), level(17 - n), 1e-4) << n;
        EXPECT_EQ(previewFile(), (*dir / "temp" / (std::to_string(n) + ".wav")).string());
    }
    // Play again restarts the sound from its beginning.
    check(7);
    QTest::mouseClick(maker->Play, Qt::LeftButton);
    heard(kPulseFrames / 2);
    QTest::mouseClick(maker->Play, Qt::LeftButton);
    const auto again = heard();
    EXPECT_EQ(audio::testing::lastSound(again) - audio::testing::firstSound(again) + 1,
              kPulseFrames);
    EXPECT_EQ(maker->DXSound.PrimaryFormat(), audio::WaveFormat::pcm(44100, 2, 16));
    expectNoErrors();
}

TEST_F(KitMaker, AWavLoadedWhileSnareIsCheckedReplacesSlotThreeOnly) {
    open(false);
    const std::string snare = levelWav("snare.wav", 0.25f);
    load(3, snare);
    expectNoErrors();
    EXPECT_EQ(maker->SelectedSlot, 3);
    EXPECT_EQ(maker->Maker.Sources[3], snare);
    EXPECT_EQ(maker->Maker.Sources[0], snare);
    for (int n = 1; n <= 16; ++n) {
        if (n != 3) {
            EXPECT_EQ(maker->Maker.Sources[n], "Blank.wav") << n;
        }
    }
    EXPECT_NEAR(play(3), 0.25f, 1e-4);
    EXPECT_EQ(previewFile(), snare);
    // An untouched slot plays the blank sound.
    EXPECT_EQ(play(4), 0.0f);
    EXPECT_EQ(previewFile(), blankFile());
    expectNoErrors();
}

// The kit maker's sound device has no global focus, unlike the main window's.
TEST_F(KitMaker, APreviewIsSilentWhileAnotherApplicationIsActive) {
    open(false);
    load(3, levelWav("snare.wav", 0.25f));
    setActive(false);
    EXPECT_EQ(play(3), 0.0f);
    setActive(true);
    EXPECT_NEAR(play(3), 0.25f, 1e-4);
}

TEST_F(KitMaker, ASecondOpeningDiscardsTheFirst) {
    open(false);
    load(2, levelWav("short.wav", 0.25f));
    open(false);
    expectNoErrors();
    EXPECT_EQ(maker->Maker.Sources[2], "Blank.wav");
    EXPECT_EQ(play(2), 0.0f);
    EXPECT_EQ(maker->SelectedSlot, 2);
}

TEST_F(KitMaker, YesToUsingTheNewKitPlaysItsSoundsWithEveryPanCentred) {
    for (int i = 1; i <= 16; ++i)
        seq->Kit.FindEntry(instrumentEntry(i)).Pan = -100 * i;
    seq->SetChooserText("Snare     [ ]");
    const int bar = seq->Panning->Position();
    open(false);
    load(1, levelWav("kick.wav", 0.25f));
    save((*dir / "New.dxg").string(), true);
    expectNoErrors();
    EXPECT_FALSE(maker->isVisible());
    ASSERT_EQ(seq->Kit.Count(), 17);
    for (int i = 1; i <= 16; ++i) {
        EXPECT_EQ(seq->Kit.FindEntry(instrumentEntry(i)).Pan, 0) << i;
        EXPECT_EQ(seq->Kit.FindEntry(instrumentEntry(i)).Volume, 0) << i;
    }
    EXPECT_EQ(seq->Panning->Position(), bar) << "the bar is not touched";
    EXPECT_NEAR(playInstrument(1), 0.25f, 1e-4);
    EXPECT_EQ(playInstrument(2), 0.0f) << "the blank sound";
}

TEST_F(KitMaker, NoToUsingTheNewKitLeavesTheMainKitAndItsPans) {
    useTestKit();
    seq->Kit.FindEntry("Tom1      [ ]").Pan = -400;  // the right channel quieter
    open(false);
    load(6, levelWav("tom.wav", 0.25f));
    save((*dir / "New.dxg").string(), false);
    expectNoErrors();
    EXPECT_FALSE(maker->isVisible());
    EXPECT_TRUE(std::filesystem::exists(*dir / "New.dxg"));
    EXPECT_EQ(seq->Kit.FindEntry("Tom1      [ ]").Pan, -400);
    EXPECT_NEAR(playInstrument(6), level(6), 1e-4);
}

// The old kit file is never written into: the new one is complete before it takes the name.
TEST_F(KitMaker, SavingOverAKitFileReplacesItWhole) {
    const std::string old = writeKit("Old.dxg", instruments());
    const std::string oldBytes = dir->read("Old.dxg");
    std::filesystem::create_hard_link(old, *dir / "Old link.dxg");
    open(false);
    save(old, false);
    expectNoErrors();
    kits::TWaveCollection saved;
    kits::ReadKitFile(saved, old);
    ASSERT_EQ(saved.Count(), 17);
    EXPECT_EQ(saved.EntryAt(0).Name(), "");
    EXPECT_NE(dir->read("Old.dxg"), oldBytes);
    EXPECT_EQ(dir->read("Old link.dxg"), oldBytes) << "the old file was written into";
}

// Sounds of 24 and 32 bits are kept as they are, previewed, saved, taken into use and heard at
// their true level.
class KitMakerDepth : public KitMaker, public ::testing::WithParamInterface<int> {};

TEST_P(KitMakerDepth, ASampleIsHeardAtItsTrueLevelInThePreviewAndTheMainWindow) {
    const int format = GetParam();
    const float amplitude = 0.3f;
    open(false);
    load(1, levelWav("deep.wav", amplitude, format));
    expectNoErrors();
    EXPECT_NEAR(play(1), amplitude, 1e-5);
    EXPECT_EQ(maker->DXSound.PrimaryFormat().bitsPerSample, 32 - 8 * (format == SF_FORMAT_PCM_24));
    save((*dir / "Deep.dxg").string(), true);
    expectNoErrors();
    const kits::TKitWave& kick = seq->Kit.FindEntry("Kick      [ ]").Wave;
    EXPECT_EQ(kick.bitsPerSample(), format == SF_FORMAT_PCM_24 ? 24 : 32);
    EXPECT_EQ(kick.formatTag(), format == SF_FORMAT_FLOAT ? 3 : 1);
    EXPECT_NEAR(playInstrument(1), amplitude, 1e-5);
}

INSTANTIATE_TEST_SUITE_P(Depths, KitMakerDepth,
                         ::testing::Values(SF_FORMAT_PCM_24, SF_FORMAT_PCM_32, SF_FORMAT_FLOAT),
                         [](const auto& info) {
                             return info.param == SF_FORMAT_PCM_24   ? std::string("Int24")
                                    : info.param == SF_FORMAT_PCM_32 ? std::string("Int32")
                                                                     : std::string("Float32");
                         });

class KitMakerLowerCaseBlank : public KitMaker {
  protected:
    void prepare(testing::ProgramDir& d) override {
        KitMaker::prepare(d);
        std::filesystem::rename(d / "Blank.wav", d / "blank.wav");
    }
};

// "\Blank.wav", "\blank.wav" and the bare "Blank.wav" reach the one file there is.
TEST_F(KitMakerLowerCaseBlank, EveryFormOfTheBlankSoundsNameReachesTheOneFile) {
    open(false);
    expectNoErrors();
    const std::string lower = fs::textFromPath(*dir / "blank.wav");
    EXPECT_EQ(maker->Maker.Sources[0], lower);
    EXPECT_EQ(previewFile(), lower);
    EXPECT_EQ(play(9), 0.0f);
    EXPECT_EQ(previewFile(), lower);
    expectNoErrors();
}

TEST_F(KitMaker, FailuresLeaveWhatTheirRowsSay) {
    // The blank sound missing: the previous maker kit stays, the preview stream has no file.
    open(false);
    load(5, levelWav("hat.wav", 0.25f));
    std::filesystem::rename(*dir / "Blank.wav", *dir / "Gone.wav");
    open(false);
    EXPECT_EQ(dialogs.errors(), std::vector<std::string>{"Cannot open file " + blankFile()});
    EXPECT_NE(maker->Maker.Sources[5], "Blank.wav");
    ASSERT_NE(maker->PreviewStream, nullptr);
    EXPECT_FALSE(maker->PreviewStream->HasSound());
    std::filesystem::rename(*dir / "Gone.wav", *dir / "Blank.wav");

    // A kit file that cannot be created: nothing written, the window stays open.
    open(false);
    save((*dir / "no such folder" / "Kit.dxg").string(), true);
    EXPECT_EQ(dialogs.errors().back(),
              "Cannot create file " + (*dir / "no such folder" / "Kit.dxg").string());
    EXPECT_TRUE(maker->isVisible());
    dialogs.answers.clear();  // the question was never asked

    // A template from a kit of too few entries.
    seq->Kit.ClearEntries();
    seq->Kit.AddEntry();
    open(true);
    EXPECT_EQ(dialogs.errors().back(), "List index out of bounds (1)");
    // Saving a maker kit that lacks a name writes nothing.
    maker->Maker.Kit.SetEntryName(maker->Maker.Kit.EntryAt(16), "");
    save((*dir / "Lacking.dxg").string(), false);
    EXPECT_EQ(dialogs.errors().back(), "Wave 'Tamb      [ ]' not found");
    EXPECT_FALSE(std::filesystem::exists(*dir / "Lacking.dxg"));
    EXPECT_TRUE(maker->isVisible());
}

}  // namespace
}  // namespace valdorin
