// Runs a program with arguments and collects its exit status and outputs.
#ifndef VARO_CLI_TESTS_PROGRAM_RUN_H
#define VARO_CLI_TESTS_PROGRAM_RUN_H

#include <string>
#include <vector>

struct ProgramRun {
    int iStatus; // exit status, or -1 when the program did not exit normally
    std::string out, err;
};

// Runs pszProgram with args; with bTerminal its standard error (and output)
// is a pseudo-terminal, through script(1), and err holds what appeared there.
ProgramRun ProgramRunAll(const char *pszProgram, const std::vector<std::string> &args,
                         bool bTerminal = false);

// A folder of its own for one test, empty, under the temporary folder.
std::string ScratchFolderMake(const std::string &name);

#endif
