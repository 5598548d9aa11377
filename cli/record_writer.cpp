// CSV and JSON records.
#include "cli/record_writer.h"

#include <cerrno>
#include <charconv>
#include <cmath>

#include <nlohmann/json.hpp>

namespace {

const char *const apszFixedColumns[] = {"file",
                                        "status",
                                        "message",
                                        "iterations",
                                        "chi_square",
                                        "degrees_of_freedom",
                                        "reduced_chi_square"};

// A CSV field, quoted when it holds a comma, a quote or a line break.
std::string CsvField(const std::string &text) {
    if (text.find_first_of(",\"\r\n") == std::string::npos) {
        return text;
    }
    std::string quoted = "\"";
    for (char c : text) {
        quoted += c == '"' ? "\"\"" : std::string(1, c);
    }
    return quoted + "\"";
}

// The shortest text that reads back as the same double; empty where the
// value is not available.
std::string CsvNumber(double dValue) {
    if (!std::isfinite(dValue)) {
        return "";
    }
    char acText[32];
    const auto [pEnd, error] = std::to_chars(acText, acText + sizeof acText, dValue);
    return error == std::errc() ? std::string(acText, pEnd) : "";
}

// The fields separated by commas.
std::string CsvLine(const std::vector<std::string> &fields) {
    std::string line;
    for (size_t i = 0; i < fields.size(); i++) {
        if (i > 0) {
            line += ',';
        }
        line += fields[i];
    }
    return line;
}

nlohmann::json JsonNumber(double dValue) {
    return std::isfinite(dValue) ? nlohmann::json(dValue) : nlohmann::json(nullptr);
}

} // namespace

RecordWriter::RecordWriter(std::FILE *pStream, OutputFormat format, const ModelFamily &family,
                           int iNoTerms)
    : pStream(pStream), format(format) {
    for (int iTerm = 1; iTerm <= iNoTerms; iTerm++) {
        for (int iParam = 0; iParam < family.iParamsPerTerm; iParam++) {
            const std::string name = family.apszShownNames[iParam] + std::to_string(iTerm);
            columns.push_back(name);
            columns.push_back(name + "_error");
        }
    }
}

bool RecordWriter::Flush() {
    if (iWriteError == 0 && (std::fflush(pStream) != 0 || std::ferror(pStream) != 0)) {
        iWriteError = errno != 0 ? errno : EIO;
    }
    return iWriteError == 0;
}

bool RecordWriter::Begin() {
    if (format == OutputFormat::kJson) {
        std::fputs("[", pStream);
        return Flush();
    }
    std::vector<std::string> header(std::begin(apszFixedColumns), std::end(apszFixedColumns));
    header.insert(header.end(), columns.begin(), columns.end());
    std::fprintf(pStream, "%s\n", CsvLine(header).c_str());
    return Flush();
}

bool RecordWriter::Write(const FitRecord &record) {
    if (iWriteError != 0) {
        return false;
    }
    const bool bFitted = !record.adShown.empty();
    std::vector<double> adColumns; // values and errors interleaved, as the columns
    for (size_t i = 0; i < columns.size() / 2; i++) {
        adColumns.push_back(bFitted ? record.adShown[i] : NAN);
        adColumns.push_back(bFitted ? record.adShownErrors[i] : NAN);
    }
    if (format == OutputFormat::kJson) {
        nlohmann::ordered_json object;
        object["file"] = record.file;
        object["status"] = record.iStatus;
        object["message"] = record.message;
        object["iterations"] = record.iIterations;
        object["chi_square"] = JsonNumber(record.dChiSquare);
        object["degrees_of_freedom"] =
            bFitted ? nlohmann::json(record.iDegreesOfFreedom) : nlohmann::json(nullptr);
        object["reduced_chi_square"] = JsonNumber(record.dReducedChiSquare);
        for (size_t i = 0; i < columns.size(); i++) {
            object[columns[i]] = JsonNumber(adColumns[i]);
        }
        std::fprintf(pStream, "%s\n%s", iNoWritten == 0 ? "" : ",",
                     object.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace).c_str());
    } else {
        std::vector<std::string> fields = {CsvField(record.file),
                                           std::to_string(record.iStatus),
                                           CsvField(record.message),
                                           std::to_string(record.iIterations),
                                           CsvNumber(record.dChiSquare),
                                           bFitted ? std::to_string(record.iDegreesOfFreedom) : "",
                                           CsvNumber(record.dReducedChiSquare)};
        for (double dValue : adColumns) {
            fields.push_back(CsvNumber(dValue));
        }
        std::fprintf(pStream, "%s\n", CsvLine(fields).c_str());
    }
    iNoWritten++;
    return Flush();
}

bool RecordWriter::End() {
    if (iWriteError == 0 && format == OutputFormat::kJson) {
        std::fputs("\n]\n", pStream);
    }
    return Flush();
}
