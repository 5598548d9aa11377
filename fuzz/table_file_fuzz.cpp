// The table reader on arbitrary file contents and options: it ends with one of
// its outcomes and a short message, and every row it keeps is finite, within
// the capacity and the range, with a positive weight where sigmas are given.
#include <cmath>
#include <cstdio>
#include <string>
#include <sys/mman.h>
#include <unistd.h>

#include "fuzz/fuzz_input.h"
#include "models/table_file.h"

namespace {

// A column as the command line gives it: a number (0 and 5 do not exist in
// short tables) or a name, some of them in the seeds' headers.
std::string ColumnChoose(FuzzInput *pInput) {
    static const char *const apszColumns[] = {"1", "2", "3",     "4", "0",      "5",
                                              "x", "y", "sigma", "w", "time; s"};
    return apszColumns[pInput->Choice(sizeof apszColumns / sizeof apszColumns[0])];
}

TableOptions OptionsChoose(FuzzInput *pInput) {
    static const char acDelimiters[] = {0, ',', ';', '\t', ' '};
    TableOptions options;
    options.cDelimiter = acDelimiters[pInput->Choice(sizeof acDelimiters)];
    options.iHeader = pInput->Choice(3) - 1;
    options.x = ColumnChoose(pInput);
    options.y = ColumnChoose(pInput);
    // One of: no sigma or weight, a sigma column, a weight column.
    const int iWeighting = pInput->Choice(3);
    if (iWeighting == 1) {
        options.sigma = ColumnChoose(pInput);
    } else if (iWeighting == 2) {
        options.weight = ColumnChoose(pInput);
    }
    if (pInput->Choice(2) == 1) {
        options.range = {pInput->Double(), pInput->Double()};
    }
    return options;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *pData, size_t size) {
    FuzzInput input(pData, size);
    const TableOptions options = OptionsChoose(&input);
    const int iCapacity = input.Choice(40);
    size_t contentSize = 0;
    const uint8_t *pContent = input.Rest(&contentSize);

    // The reader takes a path: the contents go into an anonymous file.
    const int fd = memfd_create("table", 0);
    FUZZ_CHECK(fd >= 0);
    FUZZ_CHECK(write(fd, pContent, contentSize) == static_cast<ssize_t>(contentSize));
    char szPath[64];
    std::snprintf(szPath, sizeof szPath, "/proc/self/fd/%d", fd);

    DataRows rows;
    std::string message;
    const int iRc = TableFileRead(szPath, options, iCapacity, &rows, &message);
    close(fd);

    FUZZ_CHECK(iRc >= 0 && iRc <= kTableColumnMissing && iRc != kTableNotOpened);
    FUZZ_CHECK(message.empty() == (iRc == 0));
    FUZZ_CHECK(message.size() <= 200 && message.find_first_of("\n\r") == std::string::npos);
    if (iRc != 0) {
        return 0;
    }
    const size_t iNoRows = rows.adTime.size();
    FUZZ_CHECK(iNoRows <= static_cast<size_t>(iCapacity));
    FUZZ_CHECK(rows.adData.size() == iNoRows && rows.adWeight.size() == iNoRows);
    FUZZ_CHECK(iNoRows > 0 || rows.iNoRowsIgnored > 0);
    FUZZ_CHECK(rows.iNoRowsIgnored == 0 || iNoRows == static_cast<size_t>(iCapacity));
    FUZZ_CHECK(rows.bSigmaGiven == !options.sigma.empty());
    for (size_t i = 0; i < iNoRows; ++i) {
        FUZZ_CHECK(std::isfinite(rows.adTime[i]) && std::isfinite(rows.adData[i]) &&
                   std::isfinite(rows.adWeight[i]));
        FUZZ_CHECK(!rows.bSigmaGiven || rows.adWeight[i] > 0);
        FUZZ_CHECK(!options.range || (rows.adTime[i] >= options.range->first &&
                                      rows.adTime[i] <= options.range->second));
    }
    return 0;
}
