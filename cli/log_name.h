// Names of the library's log files in varo-fit's log folder.
#ifndef VARO_CLI_LOG_NAME_H
#define VARO_CLI_LOG_NAME_H

#include <string>

// The log file of the input path at iPosition (1-based) of iNoFiles, in the
// folder dir: "<position>-<file name>.log", the position padded with zeros to
// the width of iNoFiles. Where the file system of dir allows no name that
// long, the file name is cut and "-<16 hex digits hashing the whole file
// name>" put before ".log", so that long names that begin alike keep logs
// apart.
std::string LogPath(const std::string &dir, const std::string &path, int iPosition, int iNoFiles);

#endif
