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

// An end of a profile interval: a side open up to a limit is infinite, which
// is no missing value.
std::string CsvIntervalEnd(double dValue) {
    return std::isinf(dValue) ? (dValue > 0 ? "inf" : "-inf") : CsvNumber(dValue);
}

nlohmann::json JsonIntervalEnd(double dValue) {
    return std::isinf(dValue) ? nlohmann::json(dValue > 0 ? "inf" : "-inf") : JsonNumber(dValue);
}

} // namespace

RecordWriter::RecordWriter(std::FILE *pStream, const FitOptions &options)
    : pStream(pStream), format(options.format) {
    const Model &model = options.model;
    for (const std::vector<std::string> *pNames : {&model.ParamNames(), &model.DerivedNames()}) {
        for (const std::string &name : *pNames) {
            columns.push_back(name);
            columns.push_back(name + "_error");
        }
    }
    const std::vector<ParamRange> limits = FitLimitsResolve(model, options.settings);
    for (size_t i = 0; i < limits.size(); i++) {
        const bool bLimited = std::isfinite(limits[i].dLower) || std::isfinite(limits[i].dUpper);
        if (bLimited && limits[i].dLower != limits[i].dUpper) {
            aiLimited.push_back(static_cast<int>(i));
            atLimitColumns.push_back(model.ParamNames()[i] + "_at_limit");
        }
    }
    for (const std::string &level : options.intervalLabels) {
        for (const std::string &name : model.ParamNames()) {
            intervalColumns.push_back(name + "_low_" + level);
            intervalColumns.push_back(name + "_high_" + level);
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
    for (const std::vector<std::string> *pColumns : {&columns, &atLimitColumns, &intervalColumns}) {
        header.insert(header.end(), pColumns->begin(), pColumns->end());
    }
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
    std::vector<double> adAtLimit; // the at-limit flags as numbers, NaN when unknown
    for (const int i : aiLimited) {
        adAtLimit.push_back(bFitted && !record.aiAtLimit.empty() ? record.aiAtLimit[i] : NAN);
    }
    std::vector<double> adIntervals = record.adIntervals;
    adIntervals.resize(intervalColumns.size(), NAN);
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
        for (size_t i = 0; i < atLimitColumns.size(); i++) {
            object[atLimitColumns[i]] = std::isnan(adAtLimit[i])
                                            ? nlohmann::json(nullptr)
                                            : nlohmann::json(adAtLimit[i] != 0.0);
        }
        for (size_t i = 0; i < intervalColumns.size(); i++) {
            object[intervalColumns[i]] = JsonIntervalEnd(adIntervals[i]);
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
        for (const std::vector<double> *pValues : {&adColumns, &adAtLimit}) {
            for (double dValue : *pValues) {
                fields.push_back(CsvNumber(dValue));
            }
        }
        for (double dValue : adIntervals) {
            fields.push_back(CsvIntervalEnd(dValue));
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
