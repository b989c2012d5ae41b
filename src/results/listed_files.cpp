#include "results/listed_files.h"

#include "app/app_state.h"

static ListedFile* records;
static DWORD recordCount, recordRoom;

void forgetListedFiles()
{
    for (DWORD i = 0; i < recordCount; ++i)
        if (records[i].found != nullptr)
            HeapFree(GetProcessHeap(), 0, const_cast<wchar_t*>(records[i].found));
    recordCount = 0;  // the memory stays for the next search
}

// Grown by half again each time: a search of 100,000 broken shortcuts asks the heap a few
// dozen times, not once per entry.
static bool makeRoom()
{
    if (recordCount < recordRoom)
        return true;
    DWORD room = recordRoom < 256 ? 256 : recordRoom + recordRoom / 2;
    SIZE_T bytes = static_cast<SIZE_T>(room) * sizeof(ListedFile);
    void* grown = records == nullptr ? HeapAlloc(GetProcessHeap(), 0, bytes)
                                     : HeapReAlloc(GetProcessHeap(), 0, records, bytes);
    if (grown == nullptr)
        return false;
    records = static_cast<ListedFile*>(grown);
    recordRoom = room;
    return true;
}

bool keepListedFile(LRESULT index, const ListedFile& file)
{
    if (index < 0 || !makeRoom())
        return false;
    records[recordCount] = file;
    records[recordCount].found = nullptr;
    if (file.found != nullptr && file.found[0] != L'\0') {
        SIZE_T bytes = (static_cast<SIZE_T>(lstrlenW(file.found)) + 1) * sizeof(wchar_t);
        wchar_t* copy = static_cast<wchar_t*>(HeapAlloc(GetProcessHeap(), 0, bytes));
        if (copy != nullptr)
            CopyMemory(copy, file.found, bytes);
        records[recordCount].found = copy;  // none without memory: the tip then leaves out where
    }
    // Item data 0 is what every entry starts with: records are numbered from 1.
    if (SendMessageA(app.resultList, LB_SETITEMDATA, static_cast<WPARAM>(index), recordCount + 1) == LB_ERR) {
        if (records[recordCount].found != nullptr)
            HeapFree(GetProcessHeap(), 0, const_cast<wchar_t*>(records[recordCount].found));
        return false;
    }
    ++recordCount;
    return true;
}

const ListedFile* listedFileOf(unsigned i)
{
    LRESULT n = SendMessageA(app.resultList, LB_GETITEMDATA, i, 0);
    if (n <= 0 || static_cast<DWORD>(n) > recordCount)
        return nullptr;
    return &records[n - 1];
}
