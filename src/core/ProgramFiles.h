#pragma once
// The program's own files in its program directory (the current directory at start-up). Looked
// up without regard to letter case (fs::findCaseBlind), created by SeedProgramDirectory.

namespace valdorin {

// The default drum kit.
inline constexpr const char* kKitFileName = "power.dxg";
// The empty-slot sound; a slot is empty when its file name ends in exactly this name.
inline constexpr const char* kBlankWav = "Blank.wav";
// The pans of the sixteen kit instruments, written at close (core/PanFile.h).
inline constexpr const char* kPanFileName = "Panning.dat";
// The folder of working WAV files.
inline constexpr const char* kTempDirName = "temp";
// The render's backing file inside kTempDirName.
inline constexpr const char* kRenderWorkFileName = "work1.tmp";
// The copy of a sample opened in the importer, inside kTempDirName.
inline constexpr const char* kImportedSampleFileName = "Sample1.wav";
// The copy of the unsaved work kept while the program runs, inside kTempDirName
// (song/WorkState.h).
inline constexpr const char* kRecoveryFileName = "recovery.dat";

}  // namespace valdorin
