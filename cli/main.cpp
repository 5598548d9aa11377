// varo-fit [options] FILE...: fits a model to every data file, without a
// window, and writes one record per file on standard output.
#include <cstdio>

#include <unistd.h>

#include "cli/batch_run.h"
#include "cli/progress_bar.h"
#include "cli/record_writer.h"

int main(int argc, char **argv) {
    FitOptions options;
    if (const int iStatus = FitOptionsParse(argc, argv, &options); iStatus >= 0) {
        return iStatus;
    }
    RecordWriter writer(stdout, options.format, options.model);
    const int iNoFiles = static_cast<int>(options.files.size());
    ProgressBar progress(stderr, iNoFiles, isatty(fileno(stderr)) != 0);
    writer.Begin();
    const int iNoFailed = BatchRun(
        options, [&](const FitRecord &record) { writer.Write(record); },
        [&](int iNoDone) { progress.Update(iNoDone); });
    writer.End();
    progress.Finish(iNoFiles);
    return iNoFailed == 0 ? 0 : 1;
}
