// The demo programs end to end in a real window (run under Xvfb): each one is
// started on the shipped data, gets the key "s" and then Esc, and its console
// report and exit status are checked.
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "demos/frame/tests/console_text.h"
#include "demos/tools/key_send.h"

namespace {

constexpr int kWindowWaitSeconds = 30;
constexpr int kExitWaitSeconds = 120;

struct ProgramRun {
    int iStatus = -1; // exit status, -1 when the program did not end by itself
    std::vector<std::string> lines;
};

// Starts pszProgram in the data folder with its output going to outputPath.
pid_t ProgramStart(const char *pszProgram, const std::vector<std::string> &args,
                   const std::string &outputPath) {
    const pid_t pid = fork();
    if (pid != 0) {
        return pid;
    }
    std::vector<char *> apszArgv = {const_cast<char *>(pszProgram)};
    for (const std::string &arg : args) {
        apszArgv.push_back(const_cast<char *>(arg.c_str()));
    }
    apszArgv.push_back(nullptr);
    // Under AddressSanitizer the GL driver's memory, unloaded at exit, would be
    // reported as leaks of unknown origin; the frame's own heap use is checked
    // by the unit tests.
    const char *pszAsanOptions = std::getenv("ASAN_OPTIONS");
    const std::string asanOptions =
        std::string(pszAsanOptions != nullptr ? pszAsanOptions : "") + ":detect_leaks=0";
    setenv("ASAN_OPTIONS", asanOptions.c_str(), 1);
    if (chdir(VARO_DATA_DIR) != 0 || !std::freopen(outputPath.c_str(), "w", stdout) ||
        dup2(fileno(stdout), STDERR_FILENO) < 0) {
        _exit(126);
    }
    execv(pszProgram, apszArgv.data());
    _exit(127);
}

// Waits for the program to end; stops it when it does not.
int ProgramWait(pid_t pid) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(kExitWaitSeconds);
    int iStatus = 0;
    while (waitpid(pid, &iStatus, WNOHANG) == 0) {
        if (std::chrono::steady_clock::now() > deadline) {
            kill(pid, SIGKILL);
            waitpid(pid, &iStatus, 0);
            return -1;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return WIFEXITED(iStatus) ? WEXITSTATUS(iStatus) : -1;
}

ProgramRun ProgramKeysRun(const char *pszProgram, const std::vector<std::string> &args,
                          const char *pszTitle) {
    const std::string outputPath =
        (std::filesystem::temp_directory_path() / ("demo_e2e_" + std::to_string(getpid())))
            .string();
    const pid_t pid = ProgramStart(pszProgram, args, outputPath);
    const char *const apszKeys[] = {"m", "S", "s", "Escape"};
    const int iKeysRc = WindowKeysSend(pszTitle, apszKeys, 4, kWindowWaitSeconds);
    EXPECT_EQ(iKeysRc, 0) << "keys not sent: no display, or no window titled '" << pszTitle << "'";
    ProgramRun run;
    run.iStatus = ProgramWait(pid);
    std::ifstream output(outputPath);
    for (std::string line; std::getline(output, line);) {
        run.lines.push_back(line);
    }
    std::filesystem::remove(outputPath);
    return run;
}

struct EndToEndCase {
    const char *pszName;
    const char *pszProgram;
    std::vector<std::string> args;
    const char *pszTitle; // the window's title, to which the keys go; each case has its own,
                          // so that cases run in parallel on one display do not meet
    int iNoTerms;
    bool bAnalytic;
    bool bIterationZeroLine;    // "-- Iter=0 ..." printed at the first report
    std::vector<double> adTrue; // shown values of the generator's terms; empty: not compared
};

void PrintTo(const EndToEndCase &c, std::ostream *pStream) {
    *pStream << c.pszName;
}

std::string Joined(const std::vector<std::string> &lines) {
    std::ostringstream stream;
    for (const std::string &line : lines) {
        stream << line << "\n";
    }
    return stream.str();
}

size_t LineFind(const std::vector<std::string> &lines, const std::string &start, size_t iFrom = 0) {
    for (size_t i = iFrom; i < lines.size(); i++) {
        if (lines[i].rfind(start, 0) == 0) {
            return i;
        }
    }
    return lines.size();
}

class DemoProgram : public testing::TestWithParam<EndToEndCase> {};

TEST_P(DemoProgram, ListsTheMenuOnMFitsOnSAndQuitsOnEsc) {
    const EndToEndCase &c = GetParam();
    const ProgramRun run = ProgramKeysRun(c.pszProgram, c.args, c.pszTitle);
    const std::vector<std::string> &lines = run.lines;
    const std::string console = Joined(lines);
    ASSERT_EQ(run.iStatus, 0) << console;

    const size_t iInitial = LineFind(lines, "Initial values:");
    ASSERT_LT(iInitial + c.iNoTerms, lines.size()) << console;
    for (int k = 1; k <= c.iNoTerms; k++) {
        EXPECT_EQ(lines[iInitial + k].rfind("Ampl" + std::to_string(k) + "= ", 0), 0u) << console;
    }
    // "m" lists the menu, "S" has no action, then the fit's first report.
    const size_t iMenu = iInitial + c.iNoTerms + 1;
    ASSERT_LT(iMenu + 6, lines.size()) << console;
    EXPECT_EQ(lines[iMenu], "Menu (right mouse button in any part of the window):") << console;
    EXPECT_EQ(lines[iMenu + 5], "No action for the key 'S', press 'm' for menu") << console;
    const size_t iFirstReport = iMenu + 6;
    EXPECT_EQ(lines[iFirstReport].rfind("-- Iter=0  ||R0||=", 0) == 0, c.bIterationZeroLine)
        << lines[iFirstReport];
    EXPECT_LT(LineFind(lines, "-- Iter= 1   ||R1||= "), lines.size()) << console;

    const size_t iResults = LineFind(lines, "===== Optimization results =====");
    ASSERT_LT(iResults + c.iNoTerms + 2, lines.size()) << console;
    const int iPerTerm = c.iNoTerms > 0 ? static_cast<int>(c.adTrue.size()) / c.iNoTerms : 0;
    for (size_t j = 0; j < c.adTrue.size(); j++) {
        const std::vector<double> adShown = LineNumbers(lines[iResults + 1 + j / iPerTerm]);
        ASSERT_EQ(adShown.size(), static_cast<size_t>(iPerTerm)) << lines[iResults + 1];
        EXPECT_NEAR(adShown[j % iPerTerm], c.adTrue[j], 0.03 * std::fabs(c.adTrue[j]))
            << "term " << j / iPerTerm + 1 << ", value " << j % iPerTerm + 1;
    }
    const std::string &models = lines[iResults + c.iNoTerms + 1];
    const std::string &gradients = lines[iResults + c.iNoTerms + 2];
    ASSERT_EQ(models.rfind("No. model function evaluations=    ", 0), 0u) << console;
    ASSERT_EQ(gradients.rfind("No. gradient funciton evaluations= ", 0), 0u) << console;
    EXPECT_GT(LineNumbers(models).at(0), 0);
    EXPECT_EQ(LineNumbers(gradients).at(0) > 0, c.bAnalytic) << gradients;

    // The standard errors: the rows of the results with positive errors well
    // below the values, then chi-square over the degrees of freedom.
    const size_t iErrors = iResults + c.iNoTerms + 3;
    ASSERT_LT(iErrors + c.iNoTerms + 1, lines.size()) << console;
    EXPECT_EQ(lines[iErrors], "===== Standard errors =====") << console;
    for (size_t j = 0; j < c.adTrue.size(); j++) {
        const std::vector<double> adErrors = LineNumbers(lines[iErrors + 1 + j / iPerTerm]);
        ASSERT_EQ(adErrors.size(), static_cast<size_t>(iPerTerm)) << lines[iErrors + 1];
        EXPECT_GT(adErrors[j % iPerTerm], 0.0) << j;
        EXPECT_LT(adErrors[j % iPerTerm], 0.1 * std::fabs(c.adTrue[j])) << j;
    }
    const std::string &chiSquare = lines[iErrors + c.iNoTerms + 1];
    double dChiSquare = 0.0;
    double dReduced = 0.0;
    int iDegrees = 0;
    ASSERT_EQ(std::sscanf(chiSquare.c_str(),
                          "Chi-square=%le  Degrees of freedom=%d  Reduced chi-square=%le",
                          &dChiSquare, &iDegrees, &dReduced),
              3)
        << chiSquare;
    EXPECT_GT(iDegrees, 0);
    EXPECT_NEAR(dReduced, dChiSquare / iDegrees, 1e-5 * dReduced) << chiSquare;
}

const char *const kpszGaussTitle = "Brenvik VARO demo: multigaussian fit. File: GaussDemo.dat";
const char *const kpszExpTitle = "Brenvik VARO demo: multiexponential fit. File: ExpDemo.dat";
const std::vector<double> adGaussTrue = {40, 340, 25, 60, 420, 30, 45, 510, 28, 30, 610, 35};
const std::vector<double> adExpTrue = {70, 1.2, 30, 0.15};

// A data file name too long for the 127 characters of the title: the title
// is cut to them.
std::string LongDataPath() {
    std::string path;
    while (path.size() < 200) {
        path += "./";
    }
    return path + "GaussDemo.dat";
}
const std::string longTitle =
    ("Brenvik VARO demo: multigaussian fit. File: " + LongDataPath()).substr(0, 127);

// Two exponentials from the first two pairs of the program's default table,
// as its Problem menu starts them.
std::vector<std::string> ExpTwoTermArgs(const char *pszDataFile, int iDifferentiation) {
    return {pszDataFile, std::to_string(iDifferentiation), "2", "50", "1", "-50", "0.2"};
}

INSTANTIATE_TEST_SUITE_P(
    ShippedData, DemoProgram,
    testing::Values(
        EndToEndCase{
            "GaussDefaults", VARO_GAUSS_PROGRAM, {}, kpszGaussTitle, 4, false, true, adGaussTrue},
        EndToEndCase{"GaussAnalytic",
                     VARO_GAUSS_PROGRAM,
                     {"./GaussDemo.dat", "1", "4", "50", "350", "60", "50", "400", "60", "50",
                      "500", "60", "50", "600", "60"},
                     "Brenvik VARO demo: multigaussian fit. File: ./GaussDemo.dat",
                     4,
                     true,
                     true,
                     adGaussTrue},
        EndToEndCase{"GaussLongFileName",
                     VARO_GAUSS_PROGRAM,
                     {LongDataPath(), "0", "1"},
                     longTitle.c_str(),
                     1,
                     false,
                     true,
                     {}},
        EndToEndCase{"ExpDefaults", VARO_EXP_PROGRAM, {}, kpszExpTitle, 1, false, false, {}},
        EndToEndCase{"ExpTwoTermsNumerical", VARO_EXP_PROGRAM, ExpTwoTermArgs("./ExpDemo.dat", 0),
                     "Brenvik VARO demo: multiexponential fit. File: ./ExpDemo.dat", 2, false,
                     false, adExpTrue},
        EndToEndCase{"ExpTwoTermsAnalytic", VARO_EXP_PROGRAM,
                     ExpTwoTermArgs("../data/ExpDemo.dat", 1),
                     "Brenvik VARO demo: multiexponential fit. File: ../data/ExpDemo.dat", 2, true,
                     false, adExpTrue}),
    [](const testing::TestParamInfo<EndToEndCase> &info) { return info.param.pszName; });

} // namespace
