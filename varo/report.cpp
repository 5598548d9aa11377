// Error texts and the log file of a fit object.
#include <cstdarg>
#include <cstdio>
#include <ctime>

#include "varo/object.h"

namespace {

constexpr const char *kOverflowText = "Error string was too long, memory is corrupted";
constexpr const char *kOverflowBells = "\a\a\a\a\a\a\a\a\a\a\a";

// Writes one formatted piece to the log file and flushes it.
void LogFormatWrite(std::FILE *pLogFile, const char *pszFormat, std::va_list args) {
    std::vfprintf(pLogFile, pszFormat, args);
    std::fflush(pLogFile);
}

// Writes the local time in the layout "Www Mmm dd hh:mm:ss yyyy\n".
void LogTimeWrite(std::FILE *pLogFile) {
    char acBuffer[64] = "";
    const std::time_t iNow = std::time(nullptr);
    std::tm localTime{};
    if (localtime_r(&iNow, &localTime) != nullptr) {
        std::strftime(acBuffer, sizeof acBuffer, "%a %b %e %H:%M:%S %Y\n", &localTime);
    }
    std::fprintf(pLogFile, "VARO log file, opened on : %s\n", acBuffer);
    std::fflush(pLogFile);
}

} // namespace

int LogWrite(VaroObject *pObject, const char *pszFormat, ...) {
    if (pObject->logFile == nullptr) {
        return 0;
    }
    std::va_list args;
    va_start(args, pszFormat);
    LogFormatWrite(pObject->logFile, pszFormat, args);
    va_end(args);
    return 0;
}

int ErrorReport(VaroObject *pObject, const char *pszFormat, ...) {
    std::va_list args;
    va_start(args, pszFormat);
    if (pObject->logFile != nullptr) {
        std::va_list logArgs;
        va_copy(logArgs, args);
        LogFormatWrite(pObject->logFile, pszFormat, logArgs);
        va_end(logArgs);
        LogWrite(pObject, "\n");
    }
    const int iLength =
        std::vsnprintf(pObject->errorText, sizeof pObject->errorText, pszFormat, args);
    va_end(args);
    if (iLength > kErrorTextLength) {
        std::snprintf(pObject->errorText, sizeof pObject->errorText, "%s", kOverflowText);
        std::fputs(kOverflowBells, stdout);
        std::fflush(stdout);
    }
    return 0;
}

const char *VaroErrorStringGet(VaroHandle iHandle) {
    // One per thread: the reset below would otherwise be a write that
    // threads asking at once make to the same character.
    thread_local char acNoObjectText[1];
    const VaroObject *pObject = ObjectFromHandle(iHandle);
    if (pObject == nullptr) {
        acNoObjectText[0] = '\0';
        return acNoObjectText;
    }
    return pObject->errorText;
}

int VaroLogFileOpen(VaroHandle iHandle, const char *pszPath) {
    VaroObject *pObject = ObjectFromHandle(iHandle);
    if (pObject == nullptr) {
        return kRcNoObject;
    }
    if (pObject->logFile != nullptr) {
        std::fclose(pObject->logFile);
        pObject->logFile = nullptr;
    }
    std::FILE *pLogFile = pszPath != nullptr ? std::fopen(pszPath, "w") : nullptr;
    if (pLogFile == nullptr) {
        ErrorReport(pObject, "%s: cannot open log file '%s", __func__,
                    pszPath != nullptr ? pszPath : "(null)");
        return kRcLogFileNotOpened;
    }
    pObject->logFile = pLogFile;
    LogTimeWrite(pLogFile);
    return 0;
}
