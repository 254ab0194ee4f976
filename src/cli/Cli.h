#pragma once
// valdorin-cli: kit files, songs and the program directory from the command line.

#include <iosfwd>
#include <string>
#include <vector>

namespace valdorin::cli {

// Runs one command line (without the program name). Output goes to out; a failure writes its
// message to err. Returns the exit status: 0 done, 1 the command failed (the reading or writing
// message), 2 the command line itself is wrong.
int run(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

}  // namespace valdorin::cli
