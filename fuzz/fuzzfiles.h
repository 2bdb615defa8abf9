#pragma once

// Scratch files for the file-reader fuzz targets: each input is written to a
// file in a private folder (in memory where the system offers one) and read
// back through the program's own reader.

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include <unistd.h>

namespace stelvane::reliability {

// A private folder for this process, made once.
inline const std::string& ScratchFolder()
{
    static const std::string folder = [] {
        const char* base = access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp";
        std::string pattern = std::string(base) + "/stelvane-fuzz-XXXXXX";
        if (mkdtemp(pattern.data()) == nullptr) {
            std::perror("mkdtemp");
            std::abort();
        }
        return pattern;
    }();
    return folder;
}

// Writes the bytes to the named file in the scratch folder; returns its path.
inline std::string WriteScratch(const std::string& name, const std::uint8_t* data, std::size_t size)
{
    const std::string path = ScratchFolder() + "/" + name;
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (f == nullptr || std::fwrite(data, 1, size, f) != size || std::fclose(f) != 0) {
        std::perror(path.c_str());
        std::abort();
    }
    return path;
}

[[noreturn]] inline void FuzzFailure(const char* target, const std::string& what)
{
    std::fprintf(stderr, "%s: %s\n", target, what.c_str());
    std::abort();
}

}  // namespace stelvane::reliability
