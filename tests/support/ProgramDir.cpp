#include "support/ProgramDir.h"

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <stdexcept>

#include "kits/DefaultKit.h"

namespace valdorin::testing {

ProgramDir::ProgramDir(Seed seed) {
    std::string pattern = (std::filesystem::temp_directory_path() / "valdorin-XXXXXX").string();
    if (!mkdtemp(pattern.data()))
        throw std::runtime_error("mkdtemp failed");
    path_ = pattern;
    if (seed == Seed::Full)
        kits::SeedProgramDirectory(path_);
    previous_ = std::filesystem::current_path();
    std::filesystem::current_path(path_);
}

ProgramDir::~ProgramDir() {
    std::error_code ec;
    std::filesystem::current_path(previous_, ec);
    std::filesystem::remove_all(path_, ec);
}

void ProgramDir::write(const std::string& name, const std::string& bytes) const {
    std::ofstream out(path_ / name, std::ios::binary);
    out << bytes;
}

std::string ProgramDir::read(const std::string& name) const {
    std::ifstream in(path_ / name, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

}  // namespace valdorin::testing
