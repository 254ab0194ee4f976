#pragma once
// A fresh program directory for a test: a temporary directory made current for the test's
// duration, seeded with the program's start-up files unless the test asks for less.

#include <filesystem>
#include <string>

namespace valdorin::testing {

class ProgramDir {
  public:
    enum class Seed { Full, Empty };
    explicit ProgramDir(Seed seed = Seed::Full);
    ~ProgramDir();
    ProgramDir(const ProgramDir&) = delete;
    ProgramDir& operator=(const ProgramDir&) = delete;

    const std::filesystem::path& path() const { return path_; }
    std::filesystem::path operator/(const std::string& name) const { return path_ / name; }
    void write(const std::string& name, const std::string& bytes) const;
    std::string read(const std::string& name) const;

  private:
    std::filesystem::path path_;
    std::filesystem::path previous_;
};

}  // namespace valdorin::testing
