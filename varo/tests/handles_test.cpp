// Handle table, defaults, error texts and the log file of fit objects.
#include <dirent.h>

#include <cstdint>
#include <regex>
#include <set>
#include <string>

#include "api_fixture.h"

namespace {

// Number of open file descriptors of this process.
int OpenFileCount() {
    int iCount = 0;
    if (DIR *pDir = opendir("/proc/self/fd")) {
        while (readdir(pDir) != nullptr) {
            ++iCount;
        }
        closedir(pDir);
    }
    return iCount;
}

constexpr VaroCallback CallbackNothing = [](VaroHandle) { return 0; };

using HandleTableTest = ApiTest;

TEST_F(HandleTableTest, HundredObjectsHaveDistinctHandlesInRange) {
    std::set<VaroHandle> handles;
    for (int i = 0; i < kMaxObjects; ++i) {
        const VaroHandle iHandle = ObjectCreate();
        EXPECT_TRUE(iHandle >= 1 && iHandle <= 32768) << iHandle;
        handles.insert(iHandle);
    }
    EXPECT_EQ(handles.size(), static_cast<std::size_t>(kMaxObjects));
    VaroHandle iExtra = -7;
    EXPECT_EQ(VaroObjectCreate(&iExtra), 2) << "a 101st object must be refused";
    EXPECT_EQ(iExtra, -7) << "a refused creation must not write the handle";
    EXPECT_EQ(VaroObjectDelete(0), 1) << "handle 0 finds no free slot in a full table";

    ASSERT_EQ(VaroObjectDelete(*handles.begin()), 0);
    handles.erase(handles.begin());
    VaroHandle iAgain = 0;
    EXPECT_EQ(VaroObjectCreate(&iAgain), 0) << "a freed slot must be reusable";
    createdHandles.push_back(iAgain);
    EXPECT_EQ(handles.count(iAgain), 0u) << "the new handle must differ from the live ones";
}

TEST_F(HandleTableTest, DeletionEndsOnlyItsOwnHandle) {
    const VaroHandle iHandle = ObjectCreate();
    const VaroHandle iOther = ObjectCreate();
    const long iBlocks = MemLiveBlockCount();
    EXPECT_EQ(VaroObjectDelete(0), 0) << "handle 0 names the first free slot";
    EXPECT_EQ(MemLiveBlockCount(), iBlocks) << "deleting handle 0 releases nothing";
    EXPECT_EQ(VaroObjectDelete(iHandle), 0);
    EXPECT_EQ(MemLiveBlockCount(), iBlocks - 1);
    EXPECT_EQ(VaroObjectDelete(iHandle), 1) << "a deleted handle names no object";
    EXPECT_EQ(VaroNoModelsSet(iHandle, 1), 1);
    EXPECT_EQ(VaroObjectDelete(-5), 1);
    ObjectFromHandle(iOther)->state = kStateProcessing;
    EXPECT_EQ(VaroObjectDelete(iOther), 4) << "an object must not be deleted while processing";
    EXPECT_STREQ(VaroErrorStringGet(iOther),
                 "VaroObjectDelete: the object cannot be deleted while processing");
    ObjectFromHandle(iOther)->state = kStateFinished;
}

TEST_F(HandleTableTest, DescribingAProblemAllocatesNothing) {
    const long iBefore = MemLiveBlockCount();
    const VaroHandle iHandle = ObjectCreate();
    EXPECT_EQ(MemLiveBlockCount(), iBefore + 1) << "the object must be one block";
    ASSERT_EQ(VaroNoModelsSet(iHandle, kMaxModels), 0);
    for (int m = 1; m <= kMaxModels; ++m) {
        ASSERT_EQ(VaroNoModelParamsSet(iHandle, m, kMaxParams), 0);
        ASSERT_EQ(VaroModelCallbackSet(iHandle, m, CallbackNothing), 0);
        for (int j = 1; j <= kMaxParams; ++j) {
            ASSERT_EQ(VaroParamIniValueSet(iHandle, m, j, j), 0);
            ASSERT_EQ(VaroParamLimitsSet(iHandle, m, j, 0.0, 200.0), 0);
            ASSERT_EQ(VaroParamLinkSet(iHandle, m, j, j), 0);
        }
    }
    EXPECT_EQ(MemLiveBlockCount(), iBefore + 1);
}

TEST_F(HandleTableTest, DeletionReleasesHeldContainersAndClosesTheLog) {
    const int iFilesBefore = OpenFileCount();
    const long iBlocksBefore = MemLiveBlockCount();
    const VaroHandle iHandle = ProblemCreate(2, 2);
    ASSERT_EQ(VaroLogFileOpen(iHandle, LogPath("delete").c_str()), 0);
    EXPECT_EQ(OpenFileCount(), iFilesBefore + 1);
    VaroObject *pObject = ObjectFromHandle(iHandle);
    pObject->cbReturnVector = RealVectorAlloc(4);
    pObject->residuals[2] = RealVectorAlloc(4);
    pObject->savedResiduals[1] = RealVectorAlloc(4);
    pObject->vrStepDirection = RealVectorAlloc(2);
    pObject->normalMatrix = RealMatrixAlloc(2, 2);
    EXPECT_EQ(VaroObjectDelete(iHandle), 0);
    EXPECT_EQ(MemLiveBlockCount(), iBlocksBefore) << "deleting must release every container";
    EXPECT_EQ(OpenFileCount(), iFilesBefore) << "deleting must close the log file";
}

using DefaultsTest = ApiTest;

TEST_F(DefaultsTest, NewObjectReportsTheDefaultSettings) {
    const VaroHandle iHandle = ObjectCreate();
    struct Case {
        const char *pszName;
        int (*pGet)(VaroHandle, double *);
        double dExpected;
    };
    for (const Case &c : {Case{"threshold", VaroGaussNewtonResNormThreshGet, 0.01},
                          Case{"norm change", VaroResNormChangeTerminationGet, 1e-4},
                          Case{"param change", VaroParValChangeTerminationGet, 1e-4},
                          Case{"stability", VaroStabVsSpeedGet, 0.01}}) {
        double dValue = -1.0;
        EXPECT_EQ(c.pGet(iHandle, &dValue), 0) << c.pszName;
        EXPECT_EQ(dValue, c.dExpected) << c.pszName;
    }
    int iMax = 0;
    EXPECT_EQ(VaroMaxNoIterationsGet(iHandle, &iMax), 0);
    EXPECT_EQ(iMax, -1);
}

using ErrorTextTest = ApiTest;

TEST_F(ErrorTextTest, HoldsTheLastFailureUntilTheNextOne) {
    for (VaroHandle iUnknown : {0, -1, 40000}) {
        EXPECT_STREQ(VaroErrorStringGet(iUnknown), "") << "handle " << iUnknown;
    }
    const VaroHandle iHandle = ObjectCreate();
    EXPECT_STREQ(VaroErrorStringGet(iHandle), "");
    EXPECT_EQ(VaroNoModelsSet(iHandle, 51), 5);
    EXPECT_STREQ(VaroErrorStringGet(iHandle), "VaroNoModelsSet: illegal no.models (51)");
    EXPECT_EQ(VaroNoModelsSet(iHandle, 3), 0);
    EXPECT_STREQ(VaroErrorStringGet(iHandle), "VaroNoModelsSet: illegal no.models (51)")
        << "a successful call must not clear the text";
    EXPECT_EQ(VaroMaxNoIterationsSet(iHandle, -2), 5);
    EXPECT_STREQ(VaroErrorStringGet(iHandle),
                 "VaroMaxNoIterationsSet: illegal maximal number of iterations (-2)");
}

TEST_F(ErrorTextTest, OverlongMessageRingsElevenBells) {
    struct Case {
        const char *pszName;
        std::size_t iLength;
        bool bOverflow;
    };
    for (const Case &c : {Case{"short", 10, false}, Case{"exactly 500", 500, false},
                          Case{"501", 501, true}, Case{"far beyond", 3000, true}}) {
        const VaroHandle iHandle = ObjectCreate();
        const std::string message(c.iLength, 'x');
        testing::internal::CaptureStdout();
        ErrorReport(ObjectFromHandle(iHandle), "%s", message.c_str());
        const std::string output = testing::internal::GetCapturedStdout();
        EXPECT_EQ(VaroErrorStringGet(iHandle),
                  c.bOverflow ? "Error string was too long, memory is corrupted" : message)
            << c.pszName;
        EXPECT_EQ(output, c.bOverflow ? std::string(11, '\a') : "") << c.pszName;
    }
}

using LogFileTest = ApiTest;

TEST_F(LogFileTest, HeaderLineCarriesTheLocalTimeAndABlankLine) {
    const VaroHandle iHandle = ObjectCreate();
    const std::string path = LogPath("header");
    ASSERT_EQ(VaroLogFileOpen(iHandle, path.c_str()), 0);
    const std::regex header("VARO log file, opened on : [A-Z][a-z]{2} [A-Z][a-z]{2} "
                            "[ 1-3][0-9] [0-9]{2}:[0-9]{2}:[0-9]{2} [0-9]{4}\n\n");
    EXPECT_TRUE(std::regex_match(FileRead(path), header)) << FileRead(path);
}

TEST_F(LogFileTest, PointerLinesShowTheWholePointer) {
    const VaroHandle iHandle = ProblemCreate(1, 1);
    const std::string path = LogPath("pointer");
    ASSERT_EQ(VaroLogFileOpen(iHandle, path.c_str()), 0);
    const auto iWide =
        static_cast<std::uintptr_t>(sizeof(void *) > 4 ? 0x7fedcba987654321ULL : 0x87654321ULL);
    char acExpected[64];
    std::snprintf(acExpected, sizeof acExpected, "%jx", static_cast<std::uintmax_t>(iWide));
    EXPECT_EQ(VaroModelDataPointerSet(iHandle, 1, reinterpret_cast<void *>(iWide)), 0);
    EXPECT_EQ(LogBodyRead(path),
              std::string("== VaroModelDataPointerSet, Pointer=") + acExpected + "\n");
}

TEST_F(LogFileTest, SecondLogFileClosesTheFirst) {
    const int iFilesBefore = OpenFileCount();
    const VaroHandle iHandle = ObjectCreate();
    const std::string first = LogPath("first");
    const std::string second = LogPath("second");
    ASSERT_EQ(VaroLogFileOpen(iHandle, first.c_str()), 0);
    EXPECT_EQ(VaroMaxNoIterationsSet(iHandle, 5), 0);
    ASSERT_EQ(VaroLogFileOpen(iHandle, second.c_str()), 0);
    EXPECT_EQ(OpenFileCount(), iFilesBefore + 1) << "the first file must be closed";
    EXPECT_EQ(VaroMaxNoIterationsSet(iHandle, 7), 0);
    EXPECT_EQ(LogBodyRead(first), "== VaroMaxNoIterationsSet, Max.no.iterations=5\n");
    EXPECT_EQ(LogBodyRead(second), "== VaroMaxNoIterationsSet, Max.no.iterations=7\n");
}

TEST_F(LogFileTest, FailedOpenReportsAndLeavesNoLogFile) {
    const int iFilesBefore = OpenFileCount();
    const VaroHandle iHandle = ObjectCreate();
    const std::string first = LogPath("before_failure");
    ASSERT_EQ(VaroLogFileOpen(iHandle, first.c_str()), 0);
    EXPECT_EQ(VaroLogFileOpen(iHandle, "/nonexistent-dir/x.log"), 12);
    EXPECT_STREQ(VaroErrorStringGet(iHandle),
                 "VaroLogFileOpen: cannot open log file '/nonexistent-dir/x.log");
    EXPECT_EQ(OpenFileCount(), iFilesBefore) << "the old file must be closed";
    EXPECT_EQ(VaroMaxNoIterationsSet(iHandle, 5), 0);
    EXPECT_EQ(LogBodyRead(first), "") << "the closed file must receive nothing more";
    EXPECT_EQ(VaroLogFileOpen(0, first.c_str()), 1);

    ASSERT_EQ(VaroLogFileOpen(iHandle, first.c_str()), 0);
    EXPECT_EQ(VaroLogFileOpen(iHandle, nullptr), 12) << "a null path is refused, not opened";
    EXPECT_STREQ(VaroErrorStringGet(iHandle), "VaroLogFileOpen: cannot open log file '(null)");
    EXPECT_EQ(OpenFileCount(), iFilesBefore) << "the old file must be closed";
}

} // namespace
