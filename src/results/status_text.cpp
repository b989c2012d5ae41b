#include "results/status_text.h"

const char noFolderText[] = "No Folder";
const char badFolderText[] = "Bad Folder";

#include <cstdio>

void formatStatus(char* out, std::size_t size, unsigned selected, unsigned total)
{
    if (total == 0)
        std::snprintf(out, size, "No File");
    else
        std::snprintf(out, size, "%u / %u Links", selected, total);
}

bool namesEntry(unsigned hover, unsigned count) { return hover < count; }

unsigned normaliseHover(unsigned raw, unsigned top)
{
    if (raw & 0x10000u)
        return 0x80000000u | raw;  // outside: never below a count, still distinct per position
    unsigned low = raw & 0xFFFFu;
    return top + ((low - top) & 0xFFFFu);
}
