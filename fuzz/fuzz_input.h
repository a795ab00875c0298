#pragma once

#include "platform/code_page.h"

#include <unistd.h>

#include <array>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>

// A scratch file of this process's own with the given suffix.
inline std::filesystem::path fuzzScratchFile(const char* suffix)
{
    return std::filesystem::temp_directory_path() /
           ("tobrin-fuzz-" + std::to_string(::getpid()) + suffix);
}

// The readers take a path, so each input is written to one scratch file.
inline std::filesystem::path fuzzInputFile(const uint8_t* data, size_t size)
{
    static const std::filesystem::path path = fuzzScratchFile(".txt");
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(data), std::streamsize(size));
    return path;
}

// A second scratch file, for writing back what was read.
inline std::filesystem::path fuzzOutputFile()
{
    static const std::filesystem::path path = fuzzScratchFile(".out");
    return path;
}

// One of the code pages the files may be in, chosen by the input's last byte.
inline const CodePage& fuzzCodePage(const uint8_t* data, size_t size)
{
    static const std::array<CodePage, 10> pages = {
        CodePage("CP1252"), CodePage("CP1250"), CodePage("CP1251"), CodePage("CP1253"),
        CodePage("CP1254"), CodePage("CP1255"), CodePage("CP1256"), CodePage("CP1257"),
        CodePage("CP1258"), CodePage("CP874")};
    return pages[size ? data[size - 1] % pages.size() : 0];
}
