// A record of varo-fit as its row of the report page.
#ifndef VARO_CLI_REPORT_ROW_H
#define VARO_CLI_REPORT_ROW_H

#include <string>

#include "cli/file_fit.h"
#include "plots/report_page.h"

// The row of record, the iPosition-th file (1-based) of a model of iNoParams
// parameters, with a link to its picture relative to the folder of the page
// at reportPath.
ReportRow ReportRowOf(const FitRecord &record, int iPosition, int iNoParams,
                      const std::string &reportPath);

#endif
