// varo-fit end to end: fits from automatic start values reach the true terms
// of the shipped and generated samples; lab table layouts fit as the demos'
// layout does; bad files among good ones keep their place, their status and
// the reader's message; CSV and JSON say the same; usage errors, fits that do
// not converge, failed writes, the library's own output, log files and the
// progress line.
#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <ostream>
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include "cli/tests/fit_program.h"

namespace {

using nlohmann::json;

// The names of the shown values of iNoTerms terms.
std::vector<std::string> ValueNames(const std::string &family, int iNoTerms) {
    const std::vector<std::string> names = family == "gauss"
                                               ? std::vector<std::string>{"Ampl", "Mean", "Sigma"}
                                               : std::vector<std::string>{"Ampl", "Gamma"};
    std::vector<std::string> all;
    for (int iTerm = 1; iTerm <= iNoTerms; iTerm++) {
        for (const std::string &name : names) {
            all.push_back(name + std::to_string(iTerm));
        }
    }
    return all;
}

struct TruthCase {
    const char *pszName;
    std::string family;
    const char *pszSample; // a shipped file, or null for a generated one
    int iSeed;
    std::vector<double> adTerms; // true shown values, term after term
};

// Shown as the case's name where a test reports its parameter.
void PrintTo(const TruthCase &c, std::ostream *pStream) {
    *pStream << c.pszName;
}

class AutomaticStarts : public testing::TestWithParam<TruthCase> {};

// Each fitted value lies within four of its standard errors of the truth,
// and the error is a small part of the value, with either step method and
// either kind of derivative.
TEST_P(AutomaticStarts, FitTheTrueTerms) {
    const TruthCase &c = GetParam();
    const std::string folder = ScratchFolderMake(c.pszName);
    const std::string path = c.pszSample != nullptr
                                 ? SamplePath(c.pszSample)
                                 : GeneratedFile(folder, c.family, c.iSeed, c.adTerms);
    const int iNoTerms = static_cast<int>(c.adTerms.size()) / (c.family == "gauss" ? 3 : 2);
    const std::vector<std::string> names = ValueNames(c.family, iNoTerms);
    for (const char *pszMethod : {"damped", "eigen"}) {
        for (const char *pszDerivatives : {"analytic", "numeric"}) {
            SCOPED_TRACE(std::string(pszMethod) + " " + pszDerivatives);
            const ProgramRun run =
                FitRun({"--model", c.family + ":" + std::to_string(iNoTerms), "--method", pszMethod,
                        "--derivatives", pszDerivatives, "--format", "json", path});
            EXPECT_EQ(run.iStatus, 0) << run.out << run.err;
            const json records = JsonRecords(run);
            ASSERT_EQ(records.size(), 1u);
            const json &record = records[0];
            EXPECT_EQ(record["status"], 0) << record["message"];
            for (size_t i = 0; i < names.size(); i++) {
                ASSERT_TRUE(record[names[i]].is_number()) << names[i];
                ASSERT_TRUE(record[names[i] + "_error"].is_number()) << names[i];
                const double dValue = record[names[i]];
                const double dError = record[names[i] + "_error"];
                EXPECT_NEAR(dValue, c.adTerms[i], 4 * dError) << names[i];
                EXPECT_LT(dError, 0.1 * std::fabs(c.adTerms[i])) << names[i];
            }
        }
    }
    std::filesystem::remove_all(folder);
}

INSTANTIATE_TEST_SUITE_P(
    Samples, AutomaticStarts,
    testing::Values(TruthCase{"ShippedGauss",
                              "gauss",
                              "GaussDemo.dat",
                              0,
                              {40, 340, 25, 60, 420, 30, 45, 510, 28, 30, 610, 35}},
                    TruthCase{"ShippedExp", "exp", "ExpDemo.dat", 0, {70, 1.2, 30, 0.15}},
                    TruthCase{"OneGaussian", "gauss", nullptr, 11, {50, 480, 40}},
                    TruthCase{
                        "TwoGaussiansApart", "gauss", nullptr, 12, {30, 300, 20, 80, 650, 50}},
                    TruthCase{"ThreeGaussiansOfOtherWidths",
                              "gauss",
                              nullptr,
                              13,
                              {25, 250, 15, 40, 400, 30, 35, 700, 60}},
                    TruthCase{"FourGaussiansOverlapping",
                              "gauss",
                              nullptr,
                              14,
                              {55, 330, 22, 35, 410, 28, 60, 520, 30, 25, 640, 40}},
                    TruthCase{"OneExponential", "exp", nullptr, 21, {80, 0.5}},
                    TruthCase{"TwoExponentials", "exp", nullptr, 22, {50, 2.0, 40, 0.2}},
                    TruthCase{"ThreeExponentials", "exp", nullptr, 23, {60, 3, 40, 0.6, 30, 0.08}}),
    [](const testing::TestParamInfo<TruthCase> &info) { return info.param.pszName; });

// Splits one CSV line into its fields, quotes undone.
std::vector<std::string> CsvFields(const std::string &line) {
    std::vector<std::string> fields(1);
    bool bQuoted = false;
    for (size_t i = 0; i < line.size(); i++) {
        const char c = line[i];
        if (c == '"' && bQuoted && i + 1 < line.size() && line[i + 1] == '"') {
            fields.back() += '"';
            i++;
        } else if (c == '"') {
            bQuoted = !bQuoted;
        } else if (c == ',' && !bQuoted) {
            fields.emplace_back();
        } else {
            fields.back() += c;
        }
    }
    return fields;
}

std::vector<std::vector<std::string>> CsvRows(const std::string &text) {
    std::vector<std::vector<std::string>> rows;
    size_t iStart = 0;
    for (size_t iEnd = text.find('\n'); iEnd != std::string::npos;
         iStart = iEnd + 1, iEnd = text.find('\n', iStart)) {
        rows.push_back(CsvFields(text.substr(iStart, iEnd - iStart)));
    }
    EXPECT_EQ(iStart, text.size()) << "output does not end with a newline";
    return rows;
}

// Whether a CSV field says what a JSON value says: the same text, or the
// same double.
bool CsvFieldMatches(const std::string &field, const json &value) {
    if (value.is_null()) {
        return field.empty();
    }
    if (value.is_string()) {
        return field == value.get<std::string>();
    }
    if (value.is_boolean()) {
        return field == (value.get<bool>() ? "1" : "0");
    }
    if (value.is_number_integer()) {
        return field == std::to_string(value.get<long>());
    }
    return !field.empty() && std::stod(field) == value.get<double>();
}

TEST(Batch, BadFilesKeepTheirPlaceAndTheOthersFit) {
    const std::string folder = ScratchFolderMake("batch");
    std::vector<std::string> files;
    for (int iSeed = 31; iSeed <= 36; iSeed++) {
        files.push_back(GeneratedFile(folder, "gauss", iSeed, {40, 380, 30, 50, 560, 40}));
    }
    const std::string missing = folder + "/missing.dat";
    const std::string commas = TextFileWrite(folder + "/commas.dat", "100 1\n102,2\n");
    files.insert(files.begin() + 1, missing);
    files.insert(files.begin() + 4, commas);
    files.insert(files.begin() + 6, folder);
    // Bad records by position: status and message.
    const std::vector<std::pair<int, std::string>> expected = {
        {0, ""},
        {-1, "Cannot open file '" + missing + "'"},
        {0, ""},
        {0, ""},
        {-2, "Line 2: column 1 is not a number: '102,2'"},
        {0, ""},
        {-1, "Cannot open file '" + folder + "'"},
        {0, ""},
        {0, ""}};
    std::vector<std::string> args = {"--model", "gauss:2", "--jobs", "2"};
    args.insert(args.end(), files.begin(), files.end());
    args.insert(args.begin(), {"--format", "json"});
    const ProgramRun jsonRun = FitRun(args);
    args.erase(args.begin(), args.begin() + 2);
    const ProgramRun csvRun = FitRun(args);
    std::filesystem::remove_all(folder);

    for (const ProgramRun *pRun : {&jsonRun, &csvRun}) {
        EXPECT_EQ(pRun->iStatus, 1);
        EXPECT_EQ(pRun->err, "") << "stderr is no terminal here";
    }
    const json records = JsonRecords(jsonRun);
    ASSERT_EQ(records.size(), files.size()) << jsonRun.out;
    for (size_t i = 0; i < files.size(); i++) {
        SCOPED_TRACE("record " + std::to_string(i));
        EXPECT_EQ(records[i]["file"], files[i]);
        EXPECT_EQ(records[i]["status"], expected[i].first);
        EXPECT_EQ(records[i]["message"], expected[i].second);
        EXPECT_EQ(records[i]["Mean2"].is_number(), expected[i].first == 0);
    }
    const std::vector<std::vector<std::string>> rows = CsvRows(csvRun.out);
    ASSERT_EQ(rows.size(), files.size() + 1) << csvRun.out;
    for (size_t i = 0; i < files.size(); i++) {
        const std::vector<std::string> &row = rows[i + 1];
        ASSERT_EQ(row.size(), rows[0].size()) << "row " << i + 1;
        for (size_t j = 0; j < row.size(); j++) {
            EXPECT_TRUE(CsvFieldMatches(row[j], records[i][rows[0][j]]))
                << "row " << i + 1 << ", column " << rows[0][j] << ": " << row[j] << " against "
                << records[i][rows[0][j]];
        }
    }
}

// Stopped after one iteration, the record holds the values reached there:
// better than the start values (stopped at once), worse than the fit.
TEST(Batch, FitThatDoesNotConvergeReportsTheLibraryCodeAndItsLastValues) {
    std::vector<json> records;
    for (const char *pszMaxIterations : {"0", "1", "-1"}) {
        const ProgramRun run = FitRun({"--model", "gauss:4", "--format", "json", "--max-iterations",
                                       pszMaxIterations, SamplePath("GaussDemo.dat")});
        EXPECT_EQ(run.iStatus, pszMaxIterations == std::string("-1") ? 0 : 1) << run.out;
        records.push_back(JsonRecords(run).at(0));
    }
    const json &start = records[0], &stopped = records[1], &converged = records[2];
    EXPECT_EQ(stopped["status"], 9);
    EXPECT_EQ(stopped["message"],
              "VaroProcessing: termination condition has not been reached for 1 iterations");
    EXPECT_GT(stopped["chi_square"].get<double>(), converged["chi_square"].get<double>());
    EXPECT_LT(stopped["chi_square"].get<double>(), start["chi_square"].get<double>());
    EXPECT_NE(stopped["Sigma4"], start["Sigma4"]);
    EXPECT_TRUE(stopped["Sigma4_error"].is_null());
    EXPECT_TRUE(converged["Sigma4_error"].is_number());
}

struct UsageCase {
    const char *pszName;
    std::vector<std::string> args;
};

// Shown as the case's name where a test reports its parameter.
void PrintTo(const UsageCase &c, std::ostream *pStream) {
    *pStream << c.pszName;
}

class UsageError : public testing::TestWithParam<UsageCase> {};

TEST_P(UsageError, ExitsWithTwoAndTheUsageText) {
    std::vector<std::string> args = GetParam().args;
    const ProgramRun run = FitRun(args);
    EXPECT_EQ(run.iStatus, 2);
    EXPECT_EQ(run.out, "");
    EXPECT_NE(run.err.find("Usage: varo-fit [OPTIONS] files..."), std::string::npos) << run.err;
}

const std::string kFile = "GaussDemo.dat";

INSTANTIATE_TEST_SUITE_P(
    Arguments, UsageError,
    testing::Values(
        UsageCase{"NoArguments", {}}, UsageCase{"NoModel", {kFile}},
        UsageCase{"NoFile", {"--model", "gauss:1"}},
        UsageCase{"NoTerms", {"--model", "gauss:0", kFile}},
        UsageCase{"ElevenTerms", {"--model", "exp:11", kFile}},
        UsageCase{"UnknownFamily", {"--model", "cauchy:2", kFile}},
        UsageCase{"TermCountWithText", {"--model", "gauss:2x", kFile}},
        UsageCase{"StartValuesShort", {"--model", "exp:2", "--start", "1,2,3", kFile}},
        UsageCase{"StartValueText", {"--model", "exp:1", "--start", "1,fast", kFile}},
        UsageCase{"NoJobs", {"--model", "exp:1", "--jobs", "0", kFile}},
        UsageCase{"ToleranceZero", {"--model", "exp:1", "--res-norm-change", "0", kFile}},
        UsageCase{"UnknownFormat", {"--model", "exp:1", "--format", "xml", kFile}},
        UsageCase{"UnknownOption", {"--model", "exp:1", "--fast", kFile}},
        UsageCase{"SigmaAndWeight", {"--model", "exp:1", "--sigma", "3", "--weight", "4", kFile}},
        UsageCase{"HeaderAndNoHeader", {"--model", "exp:1", "--header", "--no-header", kFile}},
        UsageCase{"UnknownDelimiter", {"--model", "exp:1", "--delimiter", "|", kFile}},
        UsageCase{"RangeReversed", {"--model", "exp:1", "--range", "5:1", kFile}},
        UsageCase{"RangeOfOneNumber", {"--model", "exp:1", "--range", "5", kFile}},
        UsageCase{"UnknownPictureFormat", {"--model", "exp:1", "--plot-format", "jpg", kFile}},
        UsageCase{"PlotFolderInAFile", {"--model", "exp:1", "--plot", "/dev/null/plots", kFile}}),
    [](const testing::TestParamInfo<UsageCase> &info) { return info.param.pszName; });

TEST(Batch, LogFolderGetsOneLogPerInput) {
    const std::string folder = ScratchFolderMake("logs");
    const ProgramRun run =
        FitRun({"--model", "exp:2", "--log-dir", folder, "--jobs", "2", SamplePath("ExpDemo.dat"),
                SamplePath("ExpDemo.dat"), folder + "/missing.dat"});
    EXPECT_EQ(run.iStatus, 1) << run.out;
    std::vector<std::string> names;
    for (const auto &entry : std::filesystem::directory_iterator(folder)) {
        names.push_back(entry.path().filename().string());
        std::ifstream log(entry.path());
        std::string firstLine;
        std::getline(log, firstLine);
        EXPECT_EQ(firstLine.rfind("VARO log file", 0), 0u) << firstLine;
    }
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"1-ExpDemo.dat.log", "2-ExpDemo.dat.log"}));
    std::filesystem::remove_all(folder);
}

TEST(Batch, ProgressLineOnlyOnATerminal) {
    const std::vector<std::string> args = {"--model", "exp:2", SamplePath("ExpDemo.dat"),
                                           SamplePath("ExpDemo.dat")};
    const ProgramRun terminal = ProgramRunAll(VARO_FIT_PROGRAM, args, Terminal::kStderr);
    const ProgramRun pipe = FitRun(args);
    EXPECT_EQ(terminal.iStatus, 0);
    EXPECT_NE(terminal.err.find("2/2"), std::string::npos) << terminal.err;
    EXPECT_NE(terminal.err.find("files/s"), std::string::npos) << terminal.err;
    EXPECT_EQ(pipe.err, "");
    EXPECT_EQ(terminal.out, pipe.out);
}

// The demos' rows of GaussDemo.dat as lines of two texts each.
std::vector<std::pair<std::string, std::string>> DemoRows() {
    std::ifstream demo(SamplePath("GaussDemo.dat"));
    std::vector<std::pair<std::string, std::string>> rows;
    for (std::string time, data; demo >> time >> data;) {
        rows.emplace_back(time, data);
    }
    return rows;
}

// The demos' rows as a CSV with a header and sigmas, and as white space with
// comments and CR LF, fit as the demos' file does; the reading options choose
// the columns by name, weight by the sigmas and take the window.
TEST(Batch, LabLayoutsFitAsTheDemoLayout) {
    const std::string folder = ScratchFolderMake("layouts");
    std::string csv = "\"time, s\",signal,sigma\n";
    std::string spaced = "# instrument: demo\r\n% gain 1\r\n\r\n";
    int iNoInRange = 0;
    for (const auto &[time, data] : DemoRows()) {
        csv += time + "," + data + ",0.5\n";
        spaced += "  " + time + "   " + data + "\r\n";
        iNoInRange += std::stod(time) >= 250 && std::stod(time) <= 750;
    }
    const std::string csvPath = TextFileWrite(folder + "/demo.csv", csv);
    const std::string spacedPath = TextFileWrite(folder + "/demo.txt", spaced);
    const std::vector<std::string> model = {"--model", "gauss:4", "--format", "json"};
    const auto Run = [&](std::vector<std::string> args) {
        args.insert(args.begin(), model.begin(), model.end());
        return FitRun(args);
    };
    const ProgramRun all = Run({SamplePath("GaussDemo.dat"), spacedPath, csvPath});
    const json window = RecordOfOne(Run({"--range", "250:750", SamplePath("GaussDemo.dat")}));
    const json weighted = RecordOfOne(Run(
        {"--x", "time, s", "--y", "signal", "--sigma", "sigma", "--range", "250:750", csvPath}));
    std::filesystem::remove_all(folder);

    const json records = JsonRecords(all);
    ASSERT_EQ(records.size(), 3u) << all.out;
    const std::vector<std::string> names = ValueNames("gauss", 4);
    for (const json &record : records) {
        EXPECT_EQ(record["status"], 0) << record["message"];
        EXPECT_EQ(record["chi_square"], records[0]["chi_square"]) << record["file"];
        for (const std::string &name : names) {
            EXPECT_EQ(record[name], records[0][name]) << record["file"] << " " << name;
        }
    }
    ASSERT_EQ(window["status"], 0) << window["message"];
    ASSERT_EQ(weighted["status"], 0) << weighted["message"];
    EXPECT_EQ(window["degrees_of_freedom"], iNoInRange - 12);
    EXPECT_EQ(weighted["degrees_of_freedom"], iNoInRange - 12);
    // Weights 1/0.5 leave the best values where they are and make chi-square four times larger.
    EXPECT_NEAR(weighted["chi_square"].get<double>(), 4 * window["chi_square"].get<double>(),
                1e-6 * weighted["chi_square"].get<double>());
    for (const std::string &name : names) {
        EXPECT_NEAR(weighted[name].get<double>(), window[name].get<double>(),
                    1e-6 * std::fabs(window[name].get<double>()))
            << name;
    }
}

// A file of the sample generator with a third column of sigma 1.
std::string SigmaFile(const std::string &folder, int iSeed) {
    std::ifstream generated(GeneratedFile(folder, "gauss", iSeed, {40, 380, 30, 50, 560, 40}));
    std::string rows;
    for (std::string line; std::getline(generated, line);) {
        rows += line + " 1\n";
    }
    return TextFileWrite(folder + "/sigma_" + std::to_string(iSeed) + ".dat", rows);
}

// Every refusal of the reader among files that fit, on two threads: each file
// keeps its place and gets its own status, a 60 MB line included.
TEST(Batch, RefusalsKeepTheirPlaceAndTheirStatus) {
    const std::string folder = ScratchFolderMake("refusals");
    const std::vector<std::pair<std::string, int>> files = {
        {SigmaFile(folder, 41), 0},
        {TextFileWrite(folder + "/one_line.dat", std::string(60 << 20, '1')), -4},
        {SigmaFile(folder, 42), 0},
        {TextFileWrite(folder + "/empty.dat", ""), -5},
        {TextFileWrite(folder + "/text.dat", "1 2 1\n2 n/a 1\n"), -2},
        {SigmaFile(folder, 43), 0},
        {TextFileWrite(folder + "/sigma_zero.dat", "1 2 1\n2 3 0\n"), -6},
        {TextFileWrite(folder + "/two_columns.dat", "1 2\n2 3\n"), -7},
        {folder + "/missing.dat", -1},
        {SigmaFile(folder, 44), 0}};
    std::vector<std::string> args = {"--model", "gauss:2", "--sigma",  "3",
                                     "--jobs",  "2",       "--format", "json"};
    for (const auto &file : files) {
        args.push_back(file.first);
    }
    const ProgramRun run = FitRun(args);
    std::filesystem::remove_all(folder);

    EXPECT_EQ(run.iStatus, 1);
    EXPECT_EQ(run.err, "");
    const json records = JsonRecords(run);
    ASSERT_EQ(records.size(), files.size()) << run.out.substr(0, 2000);
    for (size_t i = 0; i < files.size(); i++) {
        SCOPED_TRACE(files[i].first);
        EXPECT_EQ(records[i]["file"], files[i].first);
        EXPECT_EQ(records[i]["status"], files[i].second) << records[i]["message"];
        EXPECT_EQ(records[i]["message"].get<std::string>().empty(), files[i].second == 0);
        EXPECT_LE(records[i]["message"].get<std::string>().size(), 200u);
        EXPECT_EQ(records[i]["Mean2"].is_number(), files[i].second == 0);
    }
}

TEST(Batch, FailedWriteExitsWithOne) {
    for (const char *pszFormat : {"csv", "json"}) {
        const ProgramRun run =
            ProgramRunAll(VARO_FIT_PROGRAM,
                          {"--model", "exp:2", "--format", pszFormat, SamplePath("ExpDemo.dat")},
                          Terminal::kNone, "/dev/full");
        EXPECT_EQ(run.iStatus, 1) << pszFormat;
        EXPECT_EQ(run.err, "varo-fit: cannot write the records: No space left on device\n");
    }
}

// A folder so deep that no log file fits below it: the library's error text
// for it overflows, and the bells it rings on its standard output must reach
// standard error, not the records.
TEST(Batch, LibraryOutputStaysOutOfTheRecords) {
    const std::string folder = ScratchFolderMake("deep");
    std::string deep = folder;
    while (deep.size() < 4060) {
        deep += '/';
        deep.append(std::min<size_t>(200, 4080 - deep.size()), 'd');
    }
    std::filesystem::create_directories(deep);
    const ProgramRun run = FitRun(
        {"--model", "exp:2", "--format", "json", "--log-dir", deep, SamplePath("ExpDemo.dat")});
    std::filesystem::remove_all(folder);

    EXPECT_EQ(run.iStatus, 1);
    EXPECT_EQ(run.out.find('\a'), std::string::npos) << run.out;
    EXPECT_NE(run.err.find('\a'), std::string::npos) << run.err;
    EXPECT_EQ(RecordOfOne(run)["status"], 12) << "the log file cannot be opened";
}

// With the records on the terminal too, the progress line is not drawn among them.
TEST(Batch, NoProgressLineAmongRecordsOnATerminal) {
    const std::vector<std::string> args = {"--model", "exp:2", SamplePath("ExpDemo.dat"),
                                           SamplePath("ExpDemo.dat")};
    const ProgramRun terminal = ProgramRunAll(VARO_FIT_PROGRAM, args, Terminal::kBoth);
    const ProgramRun pipe = FitRun(args);
    EXPECT_EQ(terminal.iStatus, 0);
    std::string shown = terminal.err;
    shown.erase(std::remove(shown.begin(), shown.end(), '\r'), shown.end());
    EXPECT_EQ(shown, pipe.out);
}

TEST(Batch, LongFileNameGetsAShortenedLog) {
    const std::string folder = ScratchFolderMake("long_name");
    const std::string logs = folder + "/logs";
    std::filesystem::create_directories(logs);
    const std::string name = std::string(250, 'n') + ".dat";
    std::filesystem::copy_file(SamplePath("ExpDemo.dat"), folder + "/" + name);
    const ProgramRun run =
        FitRun({"--model", "exp:2", "--format", "json", "--log-dir", logs, folder + "/" + name});
    std::vector<std::string> logNames;
    for (const auto &entry : std::filesystem::directory_iterator(logs)) {
        logNames.push_back(entry.path().filename().string());
        std::ifstream log(entry.path());
        std::string firstLine;
        std::getline(log, firstLine);
        EXPECT_EQ(firstLine.rfind("VARO log file", 0), 0u) << firstLine;
    }
    std::filesystem::remove_all(folder);

    EXPECT_EQ(RecordOfOne(run)["status"], 0) << run.out;
    ASSERT_EQ(logNames.size(), 1u);
    EXPECT_LE(logNames[0].size(), 255u);
    EXPECT_EQ(logNames[0].rfind("1-nnnnnnnnnn", 0), 0u) << logNames[0];
    EXPECT_TRUE(logNames[0].ends_with(".log")) << logNames[0];
}

} // namespace
