// The work as one value: taking it from the grid and putting it back, and the recovery copy's
// text, which must read back to the same work and refuse anything damaged without crashing.

#include "song/WorkState.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "core/Errors.h"

namespace valdorin::song {
namespace {

// A work with every kind of text a line file finds awkward.
WorkState awkwardWork() {
    GridTable grid;
    grid.setRowCount(10);
    grid.setCell(0, 0, "Beat\\1");
    grid.setCell(2, 0, "8");
    grid.setCell(1, 2, "Kick      [5]");
    grid.setCell(6, 9, "line\r\nbreak");
    grid.setCell(3, 40, "hidden \xE9t\xE9");  // kept beyond the row count
    WorkState work;
    takeGrid(grid, work);
    work.patternName = "Beat\\1";
    work.tempo = 140;
    work.savedGlobalTempo = 1;
    work.loopCount = 25;
    work.playList = {{"A", false}, {"", true}, {"+x\\n", true}, {"-", false}};
    work.songTitle = "My \\r song\n";
    work.caption = "Valdorin Pro v4.0 - My song";
    return work;
}

TEST(WorkState, TheGridGoesBackExactlyAsItWasTaken) {
    const WorkState work = awkwardWork();
    EXPECT_EQ(work.keptRows(), 41);  // trailing empty rows are left out
    GridTable other;
    other.setCell(5, 60, "left over");  // a text the work does not hold is emptied
    other.setCell(1, 2, "Snare     [ ]");
    putGrid(work, other);
    WorkState again;
    takeGrid(other, again);
    again.patternName = work.patternName;
    again.tempo = work.tempo;
    again.savedGlobalTempo = work.savedGlobalTempo;
    again.loopCount = work.loopCount;
    again.playList = work.playList;
    again.songTitle = work.songTitle;
    again.caption = work.caption;
    EXPECT_EQ(again, work);
    EXPECT_EQ(other.cell(5, 60), "");
    EXPECT_EQ(other.rowCount(), 10);
}

TEST(WorkState, TheRecoveryTextReadsBackToTheSameWork) {
    for (const WorkState& work : {WorkState{}, awkwardWork()}) {
        const std::string text = recoveryText(work);
        EXPECT_EQ(readRecoveryText(text), work);
        EXPECT_EQ(text.substr(text.size() - 5), "end\r\n");
        // One value a line: no text breaks its line.
        std::size_t lines = 0;
        for (std::size_t i = 0; i + 1 < text.size(); ++i) {
            if (text[i] == '\r') {
                EXPECT_EQ(text[i + 1], '\n') << "at " << i;
            }
        }
        for (char c : text)
            lines += c == '\n';
        EXPECT_EQ(lines, 11 + work.cells.size() + work.playList.size());
    }
}

TEST(WorkState, ADamagedCopyIsRefusedWithOneMessage) {
    const std::string good = recoveryText(awkwardWork());
    auto replaced = [&](const std::string& from, const std::string& to) {
        std::string text = good;
        const auto at = text.find(from);
        EXPECT_NE(at, std::string::npos) << from;
        return text.replace(at, from.size(), to);
    };
    const std::vector<std::pair<const char*, std::string>> cases = {
        {"empty", ""},
        {"other file", "Valdorin recovery 2\r\n"},
        {"cut short", good.substr(0, good.size() / 2)},
        {"no last line end", good.substr(0, good.size() - 2)},
        {"line after the end", good + "more\r\n"},
        {"no end line", replaced("end\r\n", "")},
        {"row count 0", replaced("\r\n10\r\n41\r\n", "\r\n0\r\n41\r\n")},
        {"rows beyond the file", replaced("\r\n10\r\n41\r\n", "\r\n10\r\n99999999\r\n")},
        {"rows not a number", replaced("\r\n10\r\n41\r\n", "\r\n10\r\nx\r\n")},
        {"tempo 141", replaced("\r\n140\r\n1\r\n25\r\n", "\r\n141\r\n1\r\n25\r\n")},
        {"loop count 0", replaced("\r\n140\r\n1\r\n25\r\n", "\r\n140\r\n1\r\n0\r\n")},
        {"negative play list", replaced("\r\n4\r\n-A", "\r\n-1\r\n-A")},
        {"play list beyond the file", replaced("\r\n4\r\n-A", "\r\n2147483647\r\n-A")},
        {"entry without a mark", replaced("\r\n-A\r\n", "\r\nA\r\n")},
        {"bad escape", replaced("Beat\\\\1", "Beat\\q1")},
        {"escape at the end", replaced("Beat\\\\1", "Beat\\")},
        {"trailing empty row",
         "Valdorin recovery 1\r\n18\r\n1\r\n\r\n\r\n\r\n\r\n\r\n\r\n\r\n"  // 7 empty cells
         "\r\n60\r\n60\r\n1\r\n\r\n\r\n0\r\nend\r\n"},
    };
    for (const auto& [name, text] : cases) {
        try {
            readRecoveryText(text);
            ADD_FAILURE() << name << ": accepted";
        } catch (const Error& e) {
            EXPECT_STREQ(e.what(), "The recovery copy is damaged") << name;
        }
    }
}

TEST(WorkState, AFileTooLargeToBeACopyIsNotRead) {
    std::string pattern = (std::filesystem::temp_directory_path() / "vws-XXXXXX").string();
    ASSERT_NE(mkdtemp(pattern.data()), nullptr);
    const fs::Path dir = pattern;
    EXPECT_THROW(readRecoveryFile(dir / "missing.dat"), Error);
    {
        std::ofstream big(dir / "big.dat", std::ios::binary);
        big.seekp(static_cast<std::streamoff>(kMaxRecoveryBytes) + 1);
        big.put('\n');
    }
    try {
        readRecoveryFile(dir / "big.dat");
        ADD_FAILURE() << "accepted";
    } catch (const Error& e) {
        EXPECT_STREQ(e.what(), "The recovery copy is damaged");
    }
    fs::writeFileAtomic(dir / "good.dat", recoveryText(awkwardWork()));
    EXPECT_EQ(readRecoveryFile(dir / "good.dat"), awkwardWork());
    std::filesystem::remove_all(dir);
}

}  // namespace
}  // namespace valdorin::song
