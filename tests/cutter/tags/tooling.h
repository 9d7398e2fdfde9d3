// Test helpers: a temporary folder per test, running independent tools, file bytes.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace testing_tools {

// A fresh folder under $TMPDIR, removed with its contents when the object goes.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::string& path() const { return path_; }
    std::string file(const std::string& name) const { return path_ + "/" + name; }

private:
    std::string path_;
};

struct RunResult {
    int status = -1;  // exit status, or -1 when the command did not exit normally
    std::string out;  // standard output
};

// Runs a shell command line (arguments quoted with Quote); standard error is discarded.
RunResult RunCommand(const std::string& command);
std::string Quote(const std::string& arg);
bool HaveTool(const std::string& name);

std::vector<std::uint8_t> ReadBytes(const std::string& path);
void WriteBytes(const std::string& path, const std::vector<std::uint8_t>& bytes);
bool Exists(const std::string& path);

}  // namespace testing_tools
