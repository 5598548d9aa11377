// Reading console output in tests: lines, and the numbers printed after "= ".
#ifndef VARO_DEMOS_FRAME_TESTS_CONSOLE_TEXT_H
#define VARO_DEMOS_FRAME_TESTS_CONSOLE_TEXT_H

#include <string>
#include <vector>

// Lines of a console text, without their newlines.
std::vector<std::string> ConsoleLines(const std::string &text);

// Numbers that follow each "= " in a line, in order.
std::vector<double> LineNumbers(const std::string &line);

// The lines of text that start with pszStart.
std::vector<std::string> LinesStartingWith(const std::string &text, const char *pszStart);

#endif
