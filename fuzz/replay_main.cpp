// Replays fuzz inputs through a harness without the fuzzer: every regular
// file in the directories (or the files) named on the command line, in name
// order. A harness reports a broken invariant by aborting, so reaching the
// end means every input passed. Fails when no input was found.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *pData, size_t size);

namespace {

std::vector<std::filesystem::path> InputsList(int iArgc, char **apszArgv) {
    std::vector<std::filesystem::path> inputs;
    for (int k = 1; k < iArgc; ++k) {
        const std::filesystem::path path(apszArgv[k]);
        if (std::filesystem::is_directory(path)) {
            for (const auto &entry : std::filesystem::directory_iterator(path)) {
                if (entry.is_regular_file()) {
                    inputs.push_back(entry.path());
                }
            }
        } else if (std::filesystem::is_regular_file(path)) {
            inputs.push_back(path);
        }
    }
    std::sort(inputs.begin(), inputs.end());
    return inputs;
}

} // namespace

int main(int iArgc, char **apszArgv) {
    const std::vector<std::filesystem::path> inputs = InputsList(iArgc, apszArgv);
    for (const auto &path : inputs) {
        std::ifstream file(path, std::ios::binary);
        const std::vector<char> bytes((std::istreambuf_iterator<char>(file)),
                                      std::istreambuf_iterator<char>());
        std::fprintf(stderr, "replay %s (%zu bytes)\n", path.filename().c_str(), bytes.size());
        LLVMFuzzerTestOneInput(reinterpret_cast<const uint8_t *>(bytes.data()), bytes.size());
    }
    std::fprintf(stderr, "%zu inputs replayed\n", inputs.size());
    return inputs.empty() ? 1 : 0;
}
