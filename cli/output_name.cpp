// Names cut to the folder's name limit, with an FNV-1a hash of the file
// name, which is the same on every machine.
#include "cli/output_name.h"

#include <cinttypes>
#include <cstdint>
#include <cstdio>
#include <filesystem>

#include <unistd.h>

namespace {

// The longest file name dir's file system allows (255 where it does not say).
size_t NameMaxGet(const std::string &dir) {
    const long iNameMax = pathconf(dir.c_str(), _PC_NAME_MAX);
    return iNameMax > 0 ? static_cast<size_t>(iNameMax) : 255;
}

uint64_t NameHash(const std::string &name) {
    uint64_t iHash = 14695981039346656037u;
    for (unsigned char c : name) {
        iHash = (iHash ^ c) * 1099511628211u;
    }
    return iHash;
}

} // namespace

std::string OutputPath(const std::string &dir, const std::string &path, int iPosition, int iNoFiles,
                       const std::string &extension) {
    const std::string position = std::to_string(iPosition);
    const std::string prefix =
        std::string(std::to_string(iNoFiles).size() - position.size(), '0') + position + "-";
    const std::string fileName = std::filesystem::path(path).filename().string();
    std::string name = prefix + fileName + extension;
    const size_t iNameMax = NameMaxGet(dir);
    if (name.size() > iNameMax) {
        char acHash[24];
        std::snprintf(acHash, sizeof acHash, "-%016" PRIx64, NameHash(fileName));
        const std::string suffix = acHash + extension;
        const size_t iFixed = prefix.size() + suffix.size();
        size_t iKept = iNameMax > iFixed ? iNameMax - iFixed : 0;
        // Not cut inside a UTF-8 character.
        while (iKept > 0 && (static_cast<unsigned char>(fileName[iKept]) & 0xC0) == 0x80) {
            iKept--;
        }
        name = prefix + fileName.substr(0, iKept) + suffix;
    }
    return (std::filesystem::path(dir) / name).string();
}
