#include "demos/frame/tests/console_text.h"

#include <cstdlib>
#include <sstream>

std::vector<std::string> ConsoleLines(const std::string &text) {
    std::vector<std::string> lines;
    std::istringstream stream(text);
    for (std::string line; std::getline(stream, line);) {
        lines.push_back(line);
    }
    return lines;
}

std::vector<double> LineNumbers(const std::string &line) {
    std::vector<double> adNumbers;
    for (size_t iPos = line.find("= "); iPos != std::string::npos;
         iPos = line.find("= ", iPos + 1)) {
        adNumbers.push_back(std::strtod(line.c_str() + iPos + 2, nullptr));
    }
    return adNumbers;
}

std::vector<std::string> LinesStartingWith(const std::string &text, const char *pszStart) {
    std::vector<std::string> matches;
    for (const std::string &line : ConsoleLines(text)) {
        if (line.rfind(pszStart, 0) == 0) {
            matches.push_back(line);
        }
    }
    return matches;
}
