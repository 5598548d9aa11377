#include "cli/tests/fit_program.h"

#include <fstream>

#include <gtest/gtest.h>

using nlohmann::json;

std::string SamplePath(const char *pszName) {
    return std::string(VARO_DATA_DIR) + "/" + pszName;
}

std::string GeneratedFile(const std::string &folder, const std::string &family, int iSeed,
                          const std::vector<double> &adTerms) {
    const std::string path = folder + "/" + family + "_" + std::to_string(iSeed) + "_" +
                             std::to_string(adTerms.size()) + ".dat";
    std::vector<std::string> args = {family, path, std::to_string(iSeed)};
    for (double dValue : adTerms) {
        args.push_back(std::to_string(dValue));
    }
    const ProgramRun run = ProgramRunAll(VARO_DATA_GENERATOR, args);
    EXPECT_EQ(run.iStatus, 0) << run.err;
    return path;
}

std::string TextFileWrite(const std::string &path, const std::string &contents) {
    std::ofstream(path, std::ios::binary) << contents;
    return path;
}

ProgramRun FitRun(std::vector<std::string> args) {
    return ProgramRunAll(VARO_FIT_PROGRAM, args);
}

json JsonRecords(const ProgramRun &run) {
    json records = json::parse(run.out, nullptr, false);
    EXPECT_TRUE(records.is_array()) << run.out;
    return records.is_array() ? records : json::array();
}

json RecordOfOne(const ProgramRun &run) {
    const json records = JsonRecords(run);
    EXPECT_EQ(records.size(), 1u) << run.out << run.err;
    return records.empty() ? json::object() : records[0];
}
