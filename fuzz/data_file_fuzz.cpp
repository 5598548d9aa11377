// The demo data-file reader on arbitrary file contents and capacities: it
// never writes beyond the capacity, and every row it accepts is finite.
#include <cmath>
#include <cstdio>
#include <sys/mman.h>
#include <unistd.h>
#include <vector>

#include "demos/frame/frame.h"
#include "fuzz/fuzz_input.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *pData, size_t size) {
    FuzzInput input(pData, size);
    const int iCapacity = input.Choice(40);
    size_t contentSize = 0;
    const uint8_t *pContent = input.Rest(&contentSize);

    // The reader takes a path: the contents go into an anonymous file.
    const int fd = memfd_create("data", 0);
    FUZZ_CHECK(fd >= 0);
    FUZZ_CHECK(write(fd, pContent, contentSize) == static_cast<ssize_t>(contentSize));
    char szPath[64];
    std::snprintf(szPath, sizeof szPath, "/proc/self/fd/%d", fd);

    // Exactly the capacity, so that a write beyond it is caught.
    std::vector<double> adTime(iCapacity), adData(iCapacity), adWeight(iCapacity);
    int iNoPoints = iCapacity;
    const int iResult =
        DataFileRead(szPath, &iNoPoints, adTime.data(), adData.data(), adWeight.data());
    close(fd);

    FUZZ_CHECK(iResult == 0 || iResult == 2);
    if (iResult == 0) {
        FUZZ_CHECK(iNoPoints >= 0 && iNoPoints <= iCapacity);
        for (int i = 0; i < iNoPoints; ++i) {
            FUZZ_CHECK(std::isfinite(adTime[i]) && std::isfinite(adData[i]) &&
                       std::isfinite(adWeight[i]));
        }
    }
    return 0;
}
