#pragma once

#include <filesystem>
#include <string>

// A folder of its own for one test, under the system's temporary folder,
// removed with everything in it when the test ends.
class ScratchDir
{
public:
    ScratchDir();
    ~ScratchDir();
    ScratchDir(const ScratchDir&) = delete;
    ScratchDir& operator=(const ScratchDir&) = delete;

    const std::filesystem::path& path() const { return m_path; }
    std::filesystem::path operator/(const std::string& name) const { return m_path / name; }

    // The whole file as bytes; empty when it cannot be read.
    static std::string read(const std::filesystem::path& file);
    // Writes bytes as they are, making folders on the way; fails the test
    // when the file cannot be written.
    static void write(const std::filesystem::path& file, const std::string& bytes);

private:
    std::filesystem::path m_path;
};
