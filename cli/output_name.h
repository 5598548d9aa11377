// Names of the files varo-fit writes per input file: library logs and
// pictures.
#ifndef VARO_CLI_OUTPUT_NAME_H
#define VARO_CLI_OUTPUT_NAME_H

#include <string>

// The file of the input path at iPosition (1-based) of iNoFiles, in the
// folder dir, with the extension given (".log", ".png"): "<position>-<file
// name><extension>", the position padded with zeros to the width of
// iNoFiles. Where the file system of dir allows no name that long, the file
// name is cut and "-<16 hex digits hashing the whole file name>" put before
// the extension, so that long names that begin alike keep their files apart.
std::string OutputPath(const std::string &dir, const std::string &path, int iPosition, int iNoFiles,
                       const std::string &extension);

#endif
