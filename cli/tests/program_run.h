// Runs a program with arguments and collects its exit status and outputs.
#ifndef VARO_CLI_TESTS_PROGRAM_RUN_H
#define VARO_CLI_TESTS_PROGRAM_RUN_H

#include <string>
#include <vector>

struct ProgramRun {
    int iStatus; // exit status, or -1 when the program did not exit normally
    std::string out, err;
};

// Which of the program's outputs are a pseudo-terminal, through script(1).
enum class Terminal {
    kNone,
    kStderr, // err holds what appeared on the terminal
    kBoth    // out is empty, err holds what appeared on the terminal
};

// Runs pszProgram with args and collects its outputs; with outPath its
// standard output goes there instead (out is then empty).
ProgramRun ProgramRunAll(const char *pszProgram, const std::vector<std::string> &args,
                         Terminal terminal = Terminal::kNone, const std::string &outPath = "");

// A folder of its own for one test, empty, under the temporary folder.
std::string ScratchFolderMake(const std::string &name);

#endif
