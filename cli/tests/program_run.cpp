#include "cli/tests/program_run.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include <sys/wait.h>
#include <unistd.h>

namespace {

std::string Quoted(const std::string &text) {
    std::string quoted = "'";
    for (char c : text) {
        quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    }
    return quoted + "'";
}

std::string FileText(const std::string &path) {
    std::ifstream file(path, std::ios::binary);
    std::ostringstream text;
    text << file.rdbuf();
    return text.str();
}

} // namespace

std::string ScratchFolderMake(const std::string &name) {
    const std::filesystem::path folder = std::filesystem::temp_directory_path() /
                                         ("varo_fit_" + std::to_string(::getpid()) + "_" + name);
    std::filesystem::remove_all(folder);
    std::filesystem::create_directories(folder);
    return folder.string();
}

ProgramRun ProgramRunAll(const char *pszProgram, const std::vector<std::string> &args,
                         Terminal terminal, const std::string &outPath) {
    const std::string folder = ScratchFolderMake("run");
    const std::string capturedOutPath = folder + "/out", errPath = folder + "/err";
    const std::string outRedirect = " >" + Quoted(outPath.empty() ? capturedOutPath : outPath);
    std::string command = Quoted(pszProgram);
    for (const std::string &arg : args) {
        command += ' ';
        command += Quoted(arg);
    }
    if (terminal != Terminal::kNone) {
        const std::string inner = terminal == Terminal::kBoth ? command : command + outRedirect;
        command = "script -qec " + Quoted(inner) + " /dev/null >" + Quoted(errPath) + " </dev/null";
    } else {
        command += outRedirect + " 2>" + Quoted(errPath);
    }
    const int iRc = std::system(command.c_str());
    ProgramRun run{WIFEXITED(iRc) ? WEXITSTATUS(iRc) : -1, FileText(capturedOutPath),
                   FileText(errPath)};
    std::filesystem::remove_all(folder);
    return run;
}
