// Where Help > Contents finds the user manual, and what it says when there is none.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <random>

#include "core/Manual.h"

namespace valdorin {
namespace {

namespace stdfs = std::filesystem;

class Manual : public ::testing::Test {
  protected:
    void SetUp() override {
        root = stdfs::temp_directory_path() /
               ("valdorin-manual-" + std::to_string(std::random_device{}()));
        program = root / "home/programdir";
        bin = root / "bin";
        stdfs::create_directories(program);
        stdfs::create_directories(bin);
        stdfs::create_directories(root / "share/doc/valdorin");
    }
    void TearDown() override { stdfs::remove_all(root); }
    static void touch(const stdfs::path& p) { std::ofstream(p) << "<html></html>"; }

    stdfs::path root;
    stdfs::path program;
    stdfs::path bin;
};

TEST_F(Manual, TheProgramDirectorysOwnManualComesFirstWhateverItsCase) {
    touch(program / "Valdorin.HTML");
    touch(bin / "valdorin.html");
    touch(root / "share/doc/valdorin/valdorin.html");
    EXPECT_EQ(findManual(program, bin), program / "Valdorin.HTML");
}

TEST_F(Manual, ThenTheOneBesideTheProgramThenTheInstalledOne) {
    touch(root / "share/doc/valdorin/valdorin.html");
    EXPECT_EQ(findManual(program, bin), root / "share/doc/valdorin/valdorin.html");
    touch(bin / "valdorin.html");
    EXPECT_EQ(findManual(program, bin), bin / "valdorin.html");
}

TEST_F(Manual, NoneFoundNamesTheManualAndEveryPlaceLookedAt) {
    // A directory is no manual.
    stdfs::create_directories(program / "valdorin.html");
    stdfs::create_directories(bin / "valdorin.html");
    EXPECT_EQ(findManual(program, bin), std::nullopt);
    const std::string message = manualMissingMessage(program, bin);
    EXPECT_NE(message.find("\"valdorin.html\" was not found"), std::string::npos) << message;
    for (const auto& place : manualPlaces(program, bin))
        EXPECT_NE(message.find(place.string()), std::string::npos) << place;
}

}  // namespace
}  // namespace valdorin
