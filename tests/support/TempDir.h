// A temporary folder for one test, removed with everything in it at the end of the test.
#pragma once

#include <string>
#include <vector>

namespace qle::test {

class TempDir
{
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    // The folder, ending in '/'.
    const std::string& path() const { return m_path; }
    std::string operator/(const std::string& name) const { return m_path + name; }

private:
    std::string m_path;
};

// The folder the build put the program and its shipped files in, ending in '/'.
inline std::string ProgramFolder()
{
    return QLE_TEST_PROGRAM_FOLDER;
}

// Whole-file helpers for checking output.
std::string ReadFile(const std::string& path);
void WriteFile(const std::string& path, const std::string& bytes);
bool PathExists(const std::string& path);

// The regular files at `path` (a file, or a folder searched through) whose bytes hold `bytes`
// anywhere: where a password must not be.
std::vector<std::string> FilesHolding(const std::string& path, const std::string& bytes);

// An address with its %XX escapes undone, as a web server reads it.
std::string PercentDecoded(const std::string& address);

// Copies the shipped blank site to `path` and returns `path`.
std::string CopyBlankSite(const std::string& path);

} // namespace qle::test
