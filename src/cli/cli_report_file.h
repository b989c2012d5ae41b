// Where the console program's report goes: standard output, or the file --output names,
// which is replaced only by a whole report and is never a shortcut or a folder.
#pragma once
#include <windows.h>

#include <string>

struct ReportPlace {
    HANDLE direct;        // standard output, a device or a pipe: written as it is
    std::wstring path;    // otherwise the disk file to replace, by its full path
    std::wstring final;   // and as its folder's final path ("\\?\C:\t\r.csv") gives it
    HANDLE folder;        // that folder, held for the run (releaseReport): written into
    std::wstring name;    // relative to it, by this name
};

// Checks --output (null: standard output) before anything is touched: an empty string
// when the report can go there, else why not. Run elevated, a folder other accounts may write
// to is refused; a folder that is a link always is.
std::string prepareReport(const char* output, ReportPlace& place);
void releaseReport(ReportPlace& place);

// The whole report: to a device or pipe directly, to a disk file through a new file in its
// held folder moved over it at the end, so that an interrupted run leaves the old file or none.
// With `keep` (the run changed something) a whole new file that cannot be put in place stays,
// named by `keptAt`: the only record of what was done is never deleted.
bool writeReport(const ReportPlace& place, const std::string& text, bool keep, std::wstring& keptAt);
