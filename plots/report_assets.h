// The style sheet and the script inlined in every report page.
#ifndef VARO_PLOTS_REPORT_ASSETS_H
#define VARO_PLOTS_REPORT_ASSETS_H

extern const char *const kReportStyle;
// Sorts the table #fits by the column of a clicked header (again: the other
// way), numbers by the cell's data-v (empty last either way), text by its
// content; hides the rows that do not hold the text of the box #filter;
// sorts on load by the fragment #sort=KEY[,desc].
extern const char *const kReportScript;

#endif
