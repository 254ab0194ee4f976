#include "kits/KitFile.h"

#include <gtest/gtest.h>

#include <random>

#include "core/Errors.h"
#include "core/Text.h"
#include "kits/KitBytes.h"

namespace valdorin::kits {
namespace {

using namespace valdorin::kits::testing;

const std::string kList = "Error reading TWaveCollectionComponent.List: ";
const std::string kItem = "Error reading TWaveCollectionItem.";

// ---- Writing ----

TEST(KitFileWriter, EmptyKitIsTheSeventyByteImage) {
    ByteWriter w;
    w.u8(0xFF).u8(0x0A).u8(0x00).text("DELPHIXWAVECOLLECTION").u8(0x00).u8(0x30).u8(0x10);
    w.u8(39).u8(0).u8(0).u8(0).text("TPF0").u8(0x18).text("TWaveCollectionComponent").u8(0);
    w.u8(0x04).text("List").u8(0x0E).u8(0).u8(0).u8(0);
    ASSERT_EQ(w.bytes.size(), 70u);

    TWaveCollection kit;
    EXPECT_EQ(KitFileImage(kit), w.bytes);

    kit.AddEntry();
    ReadKitImage(kit, w.bytes);
    EXPECT_EQ(kit.Count(), 0);
}

TEST(KitFileWriter, EntryRecordLayout) {
    TWaveCollection kit;
    auto& named = kit.AddEntry();
    kit.SetEntryName(named, "Kick");
    named.Wave = wave(pattern(16), {7, 8, 9});
    named.Pan = -300;  // run-time settings are never written
    named.Volume = -500;
    kit.AddEntry();  // unnamed, empty wave

    ByteWriter w = kitHead();
    w.u8(0x01).shortString("Name").u8(0x06).shortString("Kick");
    w.shortString("Wave.WAVE").u8(0x0A).u32(48);
    w.text("RIFF").u32(40).text("WAVE").text("fmt ").u32(16).raw(pattern(16));
    w.text("data").u32(3).u8(7).u8(8).u8(9).u8(0);
    w.u8(0x00);
    w.u8(0x01).shortString("Wave.WAVE").u8(0x0A).u32(0).u8(0x00);
    Bytes expected = kitTail(w);
    const std::uint32_t length = std::uint32_t(expected.size() - 31);
    for (int i = 0; i < 4; ++i)
        expected[27 + i] = std::uint8_t(length >> (8 * i));

    EXPECT_EQ(KitFileImage(kit), expected);
}

TEST(WaveImageWriter, OddDataGivesFortyEightBytesWithRiffSizeForty) {
    const Bytes image = WaveImage(wave(pattern(16), {1, 2, 3}));
    ASSERT_EQ(image.size(), 48u);
    EXPECT_EQ(image[4] | image[5] << 8 | image[6] << 16 | image[7] << 24, 40);
    EXPECT_EQ(image.back(), 0);

    TKitWave back;
    ReadWaveImage(back, image);
    EXPECT_EQ(back.format(), pattern(16));
    EXPECT_EQ(back.data(), (Bytes{1, 2, 3}));
}

TEST(WaveImageWriter, HalfEmptyWavesWriteNothing) {
    EXPECT_TRUE(WaveImage(wave({}, {})).empty());
    EXPECT_TRUE(WaveImage(wave(pattern(16), {})).empty());
    EXPECT_TRUE(WaveImage(wave({}, pattern(10))).empty());
}

// ---- Round trips ----

struct RoundTripCase {
    const char* label;
    std::size_t nameLength;
    std::size_t formatBytes;
    std::size_t dataBytes;
    std::uint8_t nameTag;  // 0: no "Name" property written
};

class KitRoundTrip : public ::testing::TestWithParam<RoundTripCase> {};

TEST_P(KitRoundTrip, ReadsBackWhatWasWritten) {
    const auto& c = GetParam();
    std::string name(c.nameLength, 'x');
    for (std::size_t i = 0; i < name.size(); ++i)
        name[i] = char('A' + i % 26);
    if (!name.empty())
        name[0] = '\xC9';  // an 8-bit letter survives as it is

    TWaveCollection kit;
    kit.SetEntryName(kit.AddEntry(), "Before");
    auto& entry = kit.AddEntry();
    kit.SetEntryName(entry, name);
    entry.Wave = wave(pattern(c.formatBytes, 1), pattern(c.dataBytes, 2));
    kit.SetEntryName(kit.AddEntry(), "After");

    const Bytes image = KitFileImage(kit);
    const Bytes nameProperty = ByteWriter().u8(0x04).text("Name").bytes;
    const auto at =
        std::search(image.begin(), image.end(), nameProperty.begin(), nameProperty.end()) +
        std::ptrdiff_t(nameProperty.size());
    if (c.nameTag) {
        // The first "Name" belongs to "Before"; the second to the entry under test.
        const auto second = std::search(at, image.end(), nameProperty.begin(), nameProperty.end());
        ASSERT_NE(second, image.end());
        EXPECT_EQ(second[5], c.nameTag);
    }

    TWaveCollection back;
    ReadKitImage(back, image);
    ASSERT_EQ(back.Count(), 3);
    EXPECT_EQ(back.EntryAt(0).Name(), "Before");
    EXPECT_EQ(back.EntryAt(1).Name(), name);
    EXPECT_EQ(back.EntryAt(2).Name(), "After");
    const bool empty = c.formatBytes == 0 || c.dataBytes == 0;
    EXPECT_EQ(back.EntryAt(1).Wave.format(), empty ? Bytes{} : entry.Wave.format());
    EXPECT_EQ(back.EntryAt(1).Wave.data(), empty ? Bytes{} : entry.Wave.data());
    EXPECT_EQ(&back.FindEntry(name), &back.EntryAt(1));
    EXPECT_EQ(KitFileImage(back), image);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, KitRoundTrip,
    ::testing::Values(
        RoundTripCase{"OneByteName", 1, 16, 4, 0x06}, RoundTripCase{"Name255", 255, 16, 4, 0x06},
        RoundTripCase{"Name256", 256, 16, 4, 0x0C}, RoundTripCase{"Name70000", 70000, 16, 4, 0x0C},
        RoundTripCase{"EmptyName", 0, 16, 4, 0}, RoundTripCase{"EmptyWave", 5, 0, 0, 0x06},
        RoundTripCase{"FormatOnly", 5, 16, 0, 0x06}, RoundTripCase{"DataOnly", 5, 0, 9, 0x06},
        RoundTripCase{"OddData", 5, 16, 3, 0x06}, RoundTripCase{"OddFormat", 5, 17, 5, 0x06},
        RoundTripCase{"LongFormat", 5, 50, 1, 0x06}, RoundTripCase{"BigData", 5, 16, 300001, 0x06}),
    [](const auto& info) { return std::string(info.param.label); });

TEST(KitRoundTripNames, EmptyNameIsWrittenWithoutNameAndFoundByTheEmptyName) {
    TWaveCollection kit;
    kit.SetEntryName(kit.AddEntry(), "A");
    kit.AddEntry().Wave = wave(pattern(16), pattern(2));
    const Bytes image = KitFileImage(kit);
    const Bytes name = ByteWriter().shortString("Name").bytes;
    EXPECT_EQ(std::search(image.begin() + 100, image.end(), name.begin(), name.end()), image.end());

    TWaveCollection back;
    ReadKitImage(back, image);
    EXPECT_EQ(&back.FindEntry(""), &back.EntryAt(1));
    EXPECT_EQ(back.EntryAt(1).Pan, 0);
    EXPECT_EQ(back.EntryAt(1).Volume, 0);
}

class KitFiles : public ScratchDir {};

TEST_F(KitFiles, WriteThenReadAFile) {
    TWaveCollection kit;
    kit.SetEntryName(kit.AddEntry(), "Snare     [ ]");
    kit.EntryAt(0).Wave = wave(pcmFormat(), pattern(400));
    WriteKitFile(kit, dir / "k.dxg");
    EXPECT_EQ(readBytes(dir / "k.dxg"), KitFileImage(kit));

    TWaveCollection back;
    ReadKitFile(back, dir / "k.dxg");
    ASSERT_EQ(back.Count(), 1);
    EXPECT_EQ(back.EntryAt(0).Wave.data(), pattern(400));
    // Nothing is left beside the file.
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir), {}), 1);
}

TEST_F(KitFiles, MissingFileLeavesTheKitAsItWas) {
    TWaveCollection kit;
    kit.SetEntryName(kit.AddEntry(), "Kept");
    const std::string relative = "no/such/kit.dxg";
    EXPECT_EQ(errorOf([&] { ReadKitFile(kit, relative); }), "Cannot open file " + relative);
    EXPECT_EQ(errorOf([&] { ReadKitFile(kit, dir); }), "Cannot open file " + dir.string());
    ASSERT_EQ(kit.Count(), 1);
    EXPECT_EQ(kit.EntryAt(0).Name(), "Kept");
}

TEST_F(KitFiles, UncreatableFileLeavesTheOldOneWhole) {
    TWaveCollection kit;
    const auto target = dir / "missing" / "k.dxg";
    EXPECT_EQ(errorOf([&] { WriteKitFile(kit, target); }), "Cannot create file " + target.string());
    EXPECT_FALSE(std::filesystem::exists(target));

    // A directory standing where the file should go cannot be replaced.
    std::filesystem::create_directory(dir / "taken.dxg");
    EXPECT_EQ(errorOf([&] { WriteKitFile(kit, dir / "taken.dxg"); }),
              "Cannot create file " + (dir / "taken.dxg").string());
}

TEST_F(KitFiles, ReadsTheReferenceKits) {
    const std::filesystem::path data = VALDORIN_TEST_DATA "/kits";
    TWaveCollection standard, tolerant;
    ReadKitFile(standard, data / "two-entries.dxg");
    ASSERT_EQ(standard.Count(), 2);
    EXPECT_EQ(standard.EntryAt(0).Name(), "Kick      [ ]");
    EXPECT_EQ(standard.EntryAt(0).Wave.format(), pcmFormat(1, 44100, 16));
    EXPECT_EQ(standard.EntryAt(0).Wave.data(), (Bytes{0x00, 0x00, 0x10, 0x00, 0xF0, 0xFF}));
    EXPECT_EQ(standard.EntryAt(1).Name(), "");
    EXPECT_TRUE(standard.EntryAt(1).Wave.empty());
    // The writer gives the same bytes back.
    EXPECT_EQ(KitFileImage(standard), readBytes(data / "two-entries.dxg"));

    // The same kit in the forms a reader must accept.
    ReadKitFile(tolerant, data / "tolerant.dxg");
    ASSERT_EQ(tolerant.Count(), 2);
    for (int i = 0; i < 2; ++i) {
        EXPECT_EQ(tolerant.EntryAt(i).Name(), standard.EntryAt(i).Name());
        EXPECT_EQ(tolerant.EntryAt(i).Wave.format(), standard.EntryAt(i).Wave.format());
        EXPECT_EQ(tolerant.EntryAt(i).Wave.data(), standard.EntryAt(i).Wave.data());
    }
}

// ---- The reader's tolerances ----

// One entry "Kick" with a wave of 16 + 4 bytes, written with the given variations.
struct Variant {
    const char* label;
    std::string resourceName = "DELPHIXWAVECOLLECTION";
    std::uint16_t flags = 0x1030;
    std::uint32_t lengthField = 0;  // 0: the right one
    Bytes prefix;                   // before the class name
    std::string className = "TWaveCollectionComponent";
    std::string holderName;
    std::string listName = "List";
    Bytes beforeList;  // further holder properties
    Bytes itemIndex;   // before the record
    std::string nameProperty = "Name";
    std::string waveProperty = "Wave.WAVE";
    Bytes after;  // bytes after the image
};

Bytes variantImage(const Variant& v) {
    ByteWriter w = resourceHeader(v.resourceName, v.flags, v.lengthField);
    w.text("TPF0").raw(v.prefix).shortString(v.className).shortString(v.holderName);
    w.raw(v.beforeList).shortString(v.listName).u8(0x0E);
    w.raw(v.itemIndex).u8(0x01).shortString(v.nameProperty).u8(0x06).shortString("Kick");
    w.shortString(v.waveProperty).u8(0x0A).u32(0);
    const std::size_t countAt = w.bytes.size() - 4;
    const Bytes image = riff({{"fmt ", pattern(16)}, {"data", {1, 2, 3, 4}}});
    w.raw(image).u8(0);
    for (int i = 0; i < 4; ++i)
        w.bytes[countAt + i] = std::uint8_t(image.size() >> (8 * i));
    Bytes out = kitTail(w);
    const std::uint32_t length = v.lengthField ? v.lengthField : std::uint32_t(out.size() - 31);
    const std::size_t lengthAt = 3 + v.resourceName.size() + 1 + 2;
    for (int i = 0; i < 4; ++i)
        out[lengthAt + i] = std::uint8_t(length >> (8 * i));
    out.insert(out.end(), v.after.begin(), v.after.end());
    return out;
}

class KitReaderTolerance : public ::testing::TestWithParam<Variant> {};

TEST_P(KitReaderTolerance, ReadsLikeTheStandardForm) {
    TWaveCollection kit;
    ReadKitImage(kit, variantImage(GetParam()));
    ASSERT_EQ(kit.Count(), 1);
    EXPECT_EQ(kit.EntryAt(0).Name(), "Kick");
    EXPECT_EQ(kit.EntryAt(0).Wave.format(), pattern(16));
    EXPECT_EQ(kit.EntryAt(0).Wave.data(), (Bytes{1, 2, 3, 4}));
}

Variant with(const char* label, auto change) {
    Variant v;
    v.label = label;
    change(v);
    return v;
}

INSTANTIATE_TEST_SUITE_P(
    Variants, KitReaderTolerance,
    ::testing::Values(with("Standard", [](Variant&) {}),
                      with("OtherResourceName", [](Variant& v) { v.resourceName = "MYKIT"; }),
                      with("EmptyResourceName", [](Variant& v) { v.resourceName = ""; }),
                      with("LongResourceName",
                           [](Variant& v) { v.resourceName = std::string(70, 'R'); }),
                      with("OtherFlags", [](Variant& v) { v.flags = 0; }),
                      with("WrongLengthField", [](Variant& v) { v.lengthField = 12345678; }),
                      with("PrefixByte", [](Variant& v) { v.prefix = {0xF1}; }),
                      with("PrefixWithPosition",
                           [](Variant& v) {
                               v.prefix = {0xF2, 0x03, 0x10, 0x00};
                           }),
                      with("OtherHolderClass", [](Variant& v) { v.className = "TMyKitHolder"; }),
                      with("EmptyHolderClass", [](Variant& v) { v.className = ""; }),
                      with("HolderNamed", [](Variant& v) { v.holderName = "_Kit2"; }),
                      with("LowerCaseList", [](Variant& v) { v.listName = "list"; }),
                      with("HolderTagLeftTop",
                           [](Variant& v) {
                               v.beforeList = ByteWriter()
                                                  .shortString("Tag")
                                                  .u8(0x04)
                                                  .u32(7)
                                                  .shortString("LEFT")
                                                  .u8(0x03)
                                                  .u16(300)
                                                  .shortString("top")
                                                  .u8(0x02)
                                                  .u8(5)
                                                  .bytes;
                           }),
                      with("ItemIndex1Byte",
                           [](Variant& v) {
                               v.itemIndex = {0x02, 0x00};
                           }),
                      with("ItemIndex2Bytes",
                           [](Variant& v) {
                               v.itemIndex = {0x03, 0x01, 0x00};
                           }),
                      with("ItemIndex4Bytes",
                           [](Variant& v) {
                               v.itemIndex = {0x04, 9, 0, 0, 0};
                           }),
                      with("LowerCaseProperties",
                           [](Variant& v) {
                               v.nameProperty = "name";
                               v.waveProperty = "wave.wave";
                           }),
                      with("UpperCaseProperties",
                           [](Variant& v) {
                               v.nameProperty = "NAME";
                               v.waveProperty = "WAVE.WAVE";
                           }),
                      with("BytesAfterTheImage", [](Variant& v) { v.after = pattern(50); })),
    [](const auto& info) { return std::string(info.param.label); });

TEST(KitReader, ExtraChunksInAWaveImageAreSkipped) {
    ByteWriter w = kitHead();
    const Bytes image =
        riff({{"LIST", pattern(6)}, {"fmt ", pattern(16)}, {"data", {5, 6}}, {"cue ", pattern(4)}});
    w.u8(0x01).shortString("Wave.WAVE").u8(0x0A).u32(std::uint32_t(image.size())).raw(image);
    w.u8(0x00);
    TWaveCollection kit;
    ReadKitImage(kit, kitTail(w));
    ASSERT_EQ(kit.Count(), 1);
    EXPECT_EQ(kit.EntryAt(0).Wave.data(), (Bytes{5, 6}));
}

TEST(KitReader, LaterPropertyAndLaterListWin) {
    ByteWriter w = kitHead();
    w.u8(0x01).shortString("Name").u8(0x06).shortString("First");
    w.shortString("Name").u8(0x0C).u32(6).text("Second").u8(0x00);
    w.u8(0x00).shortString("List").u8(0x0E);
    w.u8(0x01).shortString("Name").u8(0x06).shortString("Only").u8(0x00);
    TWaveCollection kit;
    ReadKitImage(kit, kitTail(w));
    ASSERT_EQ(kit.Count(), 1);
    EXPECT_EQ(kit.EntryAt(0).Name(), "Only");

    ByteWriter one = kitHead();
    one.u8(0x01).shortString("Name").u8(0x06).shortString("First");
    one.shortString("Name").u8(0x0C).u32(6).text("Second").u8(0x00);
    ReadKitImage(kit, kitTail(one));
    EXPECT_EQ(kit.EntryAt(0).Name(), "Second");
}

TEST(KitReader, NoListAndBareWaveNil) {
    ByteWriter w = resourceHeader();
    w.text("TPF0").shortString("TWaveCollectionComponent").shortString("");
    w.shortString("List").u8(0x0D).u8(0).u8(0);
    TWaveCollection kit;
    kit.AddEntry();
    ReadKitImage(kit, w.bytes);
    EXPECT_EQ(kit.Count(), 0);

    ByteWriter n = kitHead();
    const Bytes image = riff({{"fmt ", pattern(16)}, {"data", {1}}});
    n.u8(0x01).shortString("Wave.WAVE").u8(0x0A).u32(std::uint32_t(image.size())).raw(image);
    n.shortString("Wave").u8(0x0D).u8(0x00);
    ReadKitImage(kit, kitTail(n));
    ASSERT_EQ(kit.Count(), 1);
    EXPECT_TRUE(kit.EntryAt(0).Wave.format().empty());
}

// ---- The reader's errors ----

struct ErrorCase {
    const char* label;
    Bytes bytes;
    std::string message;
    int entriesLeft;  // -1: not checked
};

ByteWriter oneGoodEntry() {
    ByteWriter w = kitHead();
    w.u8(0x01).shortString("Name").u8(0x06).shortString("Good").u8(0x00);
    return w;
}

// A second record, named "Bad", with one more property written by add.
Bytes badEntry(const std::function<void(ByteWriter&)>& add) {
    ByteWriter w = oneGoodEntry();
    w.u8(0x01).shortString("Name").u8(0x06).shortString("Bad");
    add(w);
    w.u8(0x00);
    return kitTail(w);
}

Bytes waveProperty(const Bytes& image) {
    ByteWriter w;
    w.shortString("Wave.WAVE").u8(0x0A).u32(std::uint32_t(image.size())).raw(image);
    return badEntry([&](ByteWriter& b) { b.raw(w.bytes); });
}

Bytes headerThen(const Bytes& rest) {
    ByteWriter w = resourceHeader();
    w.text("TPF0").raw(rest);
    return w.bytes;
}

std::vector<ErrorCase> errorCases() {
    std::vector<ErrorCase> c;
    const std::string sf = "Invalid stream format";
    Bytes notFF = KitFileImage(TWaveCollection{});
    notFF[0] = 0xFE;
    Bytes type11 = KitFileImage(TWaveCollection{});
    type11[1] = 11;
    Bytes tpf1 = KitFileImage(TWaveCollection{});
    tpf1[34] = '1';
    c.push_back({"FirstByteNotFF", notFF, sf, 0});
    c.push_back({"ResourceType11", type11, sf, 0});
    c.push_back({"EmptyFile", {}, sf, 0});
    c.push_back({"TwoBytes", {0xFF, 0x0A}, sf, 0});
    c.push_back(
        {"NameWithoutEnd", ByteWriter().u8(0xFF).u16(10).raw(Bytes(100, 'N')).bytes, sf, 0});
    c.push_back({"SignatureTPF1", tpf1, sf, 0});
    c.push_back({"SignatureCut", resourceHeader().text("TP").bytes, sf, 0});
    c.push_back({"EndsAfterSignature", headerThen({}), "Stream read error", 0});
    c.push_back({"ClassNameCut", headerThen({0x18, 'T', 'W'}), "Stream read error", 0});
    c.push_back({"BadHolderName",
                 headerThen(ByteWriter().shortString("T").shortString("1abc").bytes),
                 "''1abc'' is not a valid component name", 0});
    c.push_back({"HolderNameWithBlank",
                 headerThen(ByteWriter().shortString("T").shortString("my kit").bytes),
                 "''my kit'' is not a valid component name", 0});
    c.push_back({"PrefixWithoutInteger", headerThen({0xF2, 0x06}), "Invalid property value", 0});
    c.push_back(
        {"UnknownHolderProperty",
         headerThen(ByteWriter().shortString("T").shortString("").shortString("Items").bytes),
         "Error reading TWaveCollectionComponent.Items: Property does not exist", 0});
    c.push_back(
        {"HolderPathThroughTag",
         headerThen(ByteWriter().shortString("T").shortString("").shortString("Tag.X").bytes),
         "Error reading TWaveCollectionComponent.Tag.X: Invalid property path", 0});
    c.push_back(
        {"ListNotACollection",
         headerThen(ByteWriter().shortString("T").shortString("").shortString("List").u8(6).bytes),
         kList + "Invalid property value", 0});
    {
        ByteWriter w = oneGoodEntry();
        w.u8(0x05);
        c.push_back({"RecordMarkerWrong", kitTail(w), kList + "Invalid property value", 1});
    }
    {
        ByteWriter w = oneGoodEntry();
        w.u8(0x02).u8(1).u8(0x00);
        c.push_back({"ItemIndexThenEnd", kitTail(w), kList + "Invalid property value", 1});
    }
    c.push_back({"UnknownEntryProperty",
                 badEntry([](ByteWriter& w) { w.shortString("Looped").u8(0x08); }),
                 kList + kItem + "Looped: Property does not exist", 2});
    c.push_back({"PathThroughName",
                 badEntry([](ByteWriter& w) { w.shortString("Name.Length").u8(0x02).u8(1); }),
                 kList + kItem + "Name.Length: Invalid property path", 2});
    c.push_back({"WaveOtherPart",
                 badEntry([](ByteWriter& w) { w.shortString("Wave.DATA").u8(0x0A).u32(0); }),
                 kList + kItem + "Wave.DATA: Property does not exist", 2});
    c.push_back({"WaveTooDeep",
                 badEntry([](ByteWriter& w) { w.shortString("Wave.WAVE.X").u8(0x0A).u32(0); }),
                 kList + kItem + "Wave.WAVE.X: Property does not exist", 2});
    c.push_back({"NameNotText",
                 badEntry([](ByteWriter& w) { w.shortString("name").u8(0x02).u8(1); }),
                 kList + kItem + "name: Invalid property value", 2});
    c.push_back({"WaveNotBinary",
                 badEntry([](ByteWriter& w) { w.shortString("Wave.WAVE").u8(0x06).u8(0); }),
                 kList + kItem + "Wave.WAVE: Invalid property value", 2});
    c.push_back({"BareWaveNotNil",
                 badEntry([](ByteWriter& w) { w.shortString("Wave").u8(0x0A).u32(0); }),
                 kList + kItem + "Wave: Invalid property value", 2});
    c.push_back({"WaveNotRiff", waveProperty(riff({{"fmt ", pattern(16)}}, "RIFX")),
                 kList + kItem + "Wave.WAVE: Wave is invalid", 2});
    c.push_back({"WaveNotWave", waveProperty(riff({{"fmt ", pattern(16)}}, "RIFF", "AVI ")),
                 kList + kItem + "Wave.WAVE: Wave is invalid", 2});
    c.push_back({"WaveImageShort", waveProperty({'R', 'I', 'F', 'F', 0, 0}),
                 kList + kItem + "Wave.WAVE: Stream read error", 2});
    {
        Bytes image = riff({{"fmt ", pattern(16)}, {"data", pattern(10)}});
        image.resize(image.size() - 4);  // the data chunk says 10 bytes, 6 are there
        c.push_back({"DataShorterThanItsSize", waveProperty(image),
                     kList + kItem + "Wave.WAVE: Stream read error", 2});
    }
    c.push_back({"CountLargerThanTheFile", badEntry([](ByteWriter& w) {
                     w.shortString("Wave.WAVE").u8(0x0A).u32(0xFFFFFFF0).text("RIFF");
                 }),
                 kList + kItem + "Wave.WAVE: Stream read error", 2});
    c.push_back({"LongNameLargerThanTheFile",
                 badEntry([](ByteWriter& w) { w.shortString("Name").u8(0x0C).u32(0x7FFFFFFF); }),
                 kList + kItem + "Name: Stream read error", 2});
    {
        ByteWriter w = oneGoodEntry();
        w.u8(0).u8(0).u8(0xF0).shortString("TChild");
        c.push_back({"ChildRecord", w.bytes, "Class TChild not found", 1});
    }
    {
        ByteWriter w = oneGoodEntry();
        w.u8(0x01).shortString("Name").u8(0x06).shortString("Bad").u8(9).text("Wave.");
        c.push_back({"CutInPropertyName", w.bytes, kList + "Stream read error", 2});
    }
    {
        ByteWriter w = oneGoodEntry();
        c.push_back({"CutBeforeListEnd", w.bytes, kList + "Stream read error", 1});
        w.u8(0);
        c.push_back({"CutBeforeHolderEnd", w.bytes, "Stream read error", 1});
        w.u8(0);
        c.push_back({"CutBeforeChildrenEnd", w.bytes, "Stream read error", 1});
    }
    return c;
}

class KitReaderError : public ::testing::TestWithParam<ErrorCase> {};

TEST_P(KitReaderError, GivesTheMessageAndKeepsWhatWasRead) {
    const auto& c = GetParam();
    TWaveCollection kit;
    kit.SetEntryName(kit.AddEntry(), "From before");
    EXPECT_EQ(errorOf([&] { ReadKitImage(kit, c.bytes); }), c.message);
    if (c.entriesLeft >= 0) {
        ASSERT_EQ(kit.Count(), c.entriesLeft);
    }
    if (c.entriesLeft >= 1) {
        EXPECT_EQ(kit.EntryAt(0).Name(), "Good");
    }
    // The entry being read keeps what was read before the error.
    if (c.entriesLeft >= 2) {
        EXPECT_EQ(kit.EntryAt(1).Name(), "Bad");
    }
}

INSTANTIATE_TEST_SUITE_P(Cases, KitReaderError, ::testing::ValuesIn(errorCases()),
                         [](const auto& info) { return std::string(info.param.label); });

TEST_F(KitFiles, ErrorsFromAFileAreTheSame) {
    const Bytes bad = waveProperty(riff({}, "RIFX"));
    writeBytes(dir / "bad.dxg", bad);
    TWaveCollection kit;
    EXPECT_EQ(errorOf([&] { ReadKitFile(kit, dir / "bad.dxg"); }),
              kList + kItem + "Wave.WAVE: Wave is invalid");
    EXPECT_EQ(kit.Count(), 2);
}

// Every cut of a real kit fails cleanly with the message its place calls for.
TEST(KitReader, EveryTruncationFailsCleanly) {
    TWaveCollection kit;
    kit.SetEntryName(kit.AddEntry(), "Kick      [ ]");
    kit.EntryAt(0).Wave = wave(pcmFormat(), pattern(40));
    kit.SetEntryName(kit.AddEntry(), std::string(300, 'L'));
    kit.EntryAt(1).Wave = wave(pcmFormat(1), pattern(11));
    kit.AddEntry();
    const Bytes full = KitFileImage(kit);
    for (std::size_t n = 0; n < full.size(); ++n) {
        TWaveCollection back;
        const std::string message = errorOf([&] { ReadKitImage(back, std::span(full.data(), n)); });
        if (n < 35) {
            EXPECT_EQ(message, "Invalid stream format") << n;
        } else {
            EXPECT_TRUE(message.ends_with("Stream read error")) << n << ": " << message;
        }
        EXPECT_LE(back.Count(), 3);
    }
}

// Random bytes, and random damage to a real kit: an Error or a kit, never anything else.
TEST(KitReader, RandomBytesGiveAnErrorOrAKit) {
    std::mt19937 rng(20240611);
    TWaveCollection sample;
    sample.SetEntryName(sample.AddEntry(), "Snare");
    sample.EntryAt(0).Wave = wave(pcmFormat(), pattern(64));
    const Bytes good = KitFileImage(sample);
    int errors = 0;
    for (int round = 0; round < 3000; ++round) {
        Bytes b;
        if (round % 2) {
            b.resize(rng() % 300);
            for (auto& x : b)
                x = std::uint8_t(rng());
            if (round % 4 == 1 && b.size() > 3)
                b[0] = 0xFF, b[1] = 10, b[2] = 0;
        } else {
            b = good;
            for (int k = 0; k < 1 + round % 5; ++k)
                b[rng() % b.size()] = std::uint8_t(rng());
        }
        TWaveCollection kit;
        try {
            ReadKitImage(kit, b);
        } catch (const valdorin::Error&) {
            ++errors;
        }
    }
    EXPECT_GT(errors, 0);
}

// ---- Entries and names ----

TEST(KitEntries, FindEntryIgnoresCaseAndTheLatestNameWins) {
    TWaveCollection kit;
    auto& first = kit.AddEntry();
    auto& second = kit.AddEntry();
    kit.SetEntryName(first, "KICK");
    kit.SetEntryName(second, "kick");
    EXPECT_EQ(&kit.FindEntry("Kick"), &second);
    EXPECT_EQ(&kit.FindEntry("KICK"), &second);

    // Naming the first again, in another letter case, makes it the latest.
    kit.SetEntryName(first, "Kick");
    EXPECT_EQ(&kit.FindEntry("kick"), &first);
    // The same name, letter case included, changes nothing.
    kit.SetEntryName(second, "kick");
    EXPECT_EQ(&kit.FindEntry("kick"), &first);

    // Renaming takes an entry out of its old name's place at once.
    kit.SetEntryName(first, "Snare");
    EXPECT_EQ(&kit.FindEntry("KICK"), &second);
    EXPECT_EQ(&kit.FindEntry("snare"), &first);

    EXPECT_TRUE(sameText("\xC9t\xE9", "\xE9T\xC9"));
    kit.SetEntryName(second, "\xC9t\xE9");
    EXPECT_EQ(kit.TryFindEntry("\xE9T\xC9"), &second);
}

TEST(KitEntries, MissingNameAndEmptyName) {
    TWaveCollection kit;
    EXPECT_EQ(errorOf([&] { kit.FindEntry("Snare     [ ]"); }), "Wave 'Snare     [ ]' not found");
    EXPECT_EQ(kit.TryFindEntry(""), nullptr);
    auto& unnamed = kit.AddEntry();
    EXPECT_EQ(&kit.FindEntry(""), &unnamed);
    auto& later = kit.AddEntry();
    EXPECT_EQ(&kit.FindEntry(""), &later);
    kit.SetEntryName(later, "x");
    EXPECT_EQ(&kit.FindEntry(""), &unnamed);
}

TEST(KitEntries, LastInFileOrderWinsAfterARead) {
    TWaveCollection kit;
    kit.SetEntryName(kit.AddEntry(), "Tom1");
    kit.SetEntryName(kit.AddEntry(), "Tom2");
    kit.SetEntryName(kit.AddEntry(), "TOM1");
    // Renaming the earlier entry before writing does not matter to the reader.
    kit.SetEntryName(kit.EntryAt(0), "tom1");
    TWaveCollection back;
    ReadKitImage(back, KitFileImage(kit));
    EXPECT_EQ(&back.FindEntry("Tom1"), &back.EntryAt(2));
}

TEST(KitEntries, EntryAtOutOfBounds) {
    TWaveCollection kit;
    for (int i = 0; i < 17; ++i)
        kit.AddEntry();
    EXPECT_EQ(&kit.EntryAt(16), &kit.EntryAt(kit.Count() - 1));
    EXPECT_EQ(errorOf([&] { kit.EntryAt(17); }), "List index out of bounds (17)");
    EXPECT_EQ(errorOf([&] { kit.EntryAt(-1); }), "List index out of bounds (-1)");
    kit.ClearEntries();
    EXPECT_EQ(kit.Count(), 0);
    EXPECT_EQ(errorOf([&] { kit.EntryAt(0); }), "List index out of bounds (0)");
    EXPECT_EQ(kit.TryFindEntry(""), nullptr);
}

TEST(KitEntries, NewEntriesAreBlankAndCentred) {
    TWaveCollection kit;
    auto& e = kit.AddEntry();
    EXPECT_EQ(e.Name(), "");
    EXPECT_TRUE(e.Wave.empty());
    EXPECT_EQ(e.Pan, 0);
    EXPECT_EQ(e.Volume, 0);
}

TEST(KitWave, FormatFieldsAndGeneration) {
    TKitWave w = wave(pcmFormat(2, 22050, 8), {1});
    EXPECT_EQ(w.formatTag(), 1);
    EXPECT_EQ(w.channels(), 2);
    EXPECT_EQ(w.sampleRate(), 22050);
    EXPECT_EQ(w.avgBytesPerSecond(), 44100u);
    EXPECT_EQ(w.blockAlign(), 2);
    EXPECT_EQ(w.bitsPerSample(), 8);

    // A block too short for a field reads that field as 0.
    TKitWave shortBlock = wave({0x01, 0x00, 0x02, 0x00, 0x44, 0xAC}, {1});
    EXPECT_EQ(shortBlock.channels(), 2);
    EXPECT_EQ(shortBlock.sampleRate(), 0);
    EXPECT_EQ(shortBlock.bitsPerSample(), 0);

    const auto before = w.generation();
    ClearWave(w);
    EXPECT_TRUE(w.format().empty() && w.data().empty());
    EXPECT_NE(w.generation(), before);
    const auto cleared = w.generation();
    w.assign(pcmFormat(), {0, 0});
    EXPECT_NE(w.generation(), cleared);
}

}  // namespace
}  // namespace valdorin::kits
