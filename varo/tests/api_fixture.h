// Shared helpers of the API tests: objects that are deleted at the end of each
// test, and log files read back.
#ifndef VARO_TESTS_API_FIXTURE_H
#define VARO_TESTS_API_FIXTURE_H

#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "varo/object.h"
#include "varo/varo.h"

class ApiTest : public testing::Test {
  protected:
    void TearDown() override {
        for (VaroHandle iHandle : createdHandles) {
            VaroObjectDelete(iHandle);
        }
        for (const std::string &path : logPaths) {
            std::remove(path.c_str());
        }
    }

    // A new object with iModels models of iParams parameters each (none for 0).
    VaroHandle ProblemCreate(int iModels, int iParams) {
        VaroHandle iHandle = 0;
        EXPECT_EQ(VaroObjectCreate(&iHandle), 0);
        createdHandles.push_back(iHandle);
        if (iModels > 0) {
            EXPECT_EQ(VaroNoModelsSet(iHandle, iModels), 0);
        }
        for (int m = 1; m <= iModels; ++m) {
            EXPECT_EQ(VaroNoModelParamsSet(iHandle, m, iParams), 0);
        }
        return iHandle;
    }
    VaroHandle ObjectCreate() { return ProblemCreate(0, 0); }

    // A log file path of this process (test binaries may run side by side);
    // the file is removed when the test ends.
    std::string LogPath(const std::string &name) {
        logPaths.push_back(testing::TempDir() + "varo_api_" + std::to_string(getpid()) + "_" +
                           name + ".log");
        return logPaths.back();
    }

    static std::string FileRead(const std::string &path) {
        std::stringstream text;
        text << std::ifstream(path).rdbuf();
        return text.str();
    }

    // The log's text after its header line and the blank line that follows it.
    static std::string LogBodyRead(const std::string &path) {
        const std::string text = FileRead(path);
        return text.substr(std::min(text.size(), text.find("\n\n") + 2));
    }

    std::vector<VaroHandle> createdHandles;
    std::vector<std::string> logPaths;
};

#endif
