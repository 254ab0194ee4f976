#pragma once
// "Panning.dat": the pans of the sixteen kit instruments, kept across runs.
//
// 17 lines, one decimal number each, CR LF after every line. Line i belongs to instrument list
// entry i: line 0 (the empty entry) is always written as 0 and never read; lines 1 to 16 hold
// the pans in hundredths of a decibel (negative to the left, 0 centre).

#include <array>
#include <string>
#include <vector>

#include "core/ProgramFiles.h"

namespace valdorin {

inline constexpr int kPanCount = 16;

using Pans = std::array<int, kPanCount>;  // pans[i - 1] is the pan of instrument list entry i

// The 17 lines written at close.
std::vector<std::string> panFileLines(const Pans& pans);

// The pan of instrument list entry i (1 to 16) from the lines of a pan file, read with
// strToInt. A line the file does not have reads as the empty text, so a file of fewer than
// 17 lines raises "'' is not a valid integer value". Start-up sets the pans one by one with
// this, so that a bad line leaves the earlier instruments set, as the error path expects.
int panFromLines(const std::vector<std::string>& lines, int instrument);

// All sixteen pans at once (the same rule; the first bad line raises). Lines beyond 16 are
// ignored.
Pans parsePanLines(const std::vector<std::string>& lines);

}  // namespace valdorin
