#pragma once
// Tempo, time signature and loop count rules of the main window, without any control.
//
// The tempo value p is the position of the tempo track bar, 1 to 140. The step interval, the
// time from one step to the next, is 2 x p milliseconds; the BPM display shows 7200 / p.

#include <string>
#include <string_view>
#include <vector>

namespace valdorin {

inline constexpr int kMinTempo = 1;
inline constexpr int kMaxTempo = 140;
inline constexpr int kStartTempo = 60;

// The nearest end of 1..140 for a value outside it (a pattern file's tempo line, a command).
int clampTempo(int tempo);

// Twice the tempo rounded to a whole number, in milliseconds.
int stepIntervalMs(double tempo);

// The BPM display text: 7200 / tempo rounded half to even ("112" for 64, "51" for 140).
std::string bpmText(double tempo);

// The 24 entries of the time signature chooser, in list order, trailing blanks kept.
const std::vector<std::string>& timeSignatures();

// The length box text for a chooser text: characters 3 to 8 (counting from 1) deleted, then
// only character 1 kept when character 2 is a blank. "16 | 4" gives "16", "8  | 2" gives "8".
std::string timeSignatureLength(std::string_view chooserText);
// The beat box text: the first 5 characters deleted, then the same blank rule. "16 | 16" gives
// "16", "12|4" (typed) gives "".
std::string timeSignatureBeat(std::string_view chooserText);
// Both texts are read with strToInt only by Update Time, which is where a typed text that is
// not a number fails; an empty chooser text is the caller's "stop" case.

// The loop count a loop box text settles to: a text that is not a whole number counts as 0,
// and anything below 1 becomes 1. No upper bound.
int normalizedLoopCount(std::string_view text);

}  // namespace valdorin
