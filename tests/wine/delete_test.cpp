// Deleting listed shortcuts through the shell: to the bin or for good, and the list after.
#include "tests/wine/harness.h"

#include <shobjidl.h>

#include <cstdio>
#include <functional>

#include "res/resource.h"
#include "results/delete_entries.h"
#include "results/delete_file.h"
#include "results/recycle_item.h"
#include "results/result_list.h"
#include "results/unpin_item.h"
#include "search/file_lookup.h"
#include "search/pump.h"

namespace {

class DeleteTest : public ProgramTest {
protected:
    std::string folder;
    std::vector<std::string> files;
    void SetUp() override
    {
        SetCursorPos(1270, 1010);
        ProgramTest::SetUp();
        folder = makeTempDir("del");
    }
    void TearDown() override
    {
        removeTree(folder);
        ProgramTest::TearDown();
    }
    // n files with names unique to this process, listed in order.
    void listFiles(unsigned n)
    {
        for (unsigned i = 0; i < n; ++i) {
            char name[64];
            std::snprintf(name, sizeof name, "\\d%lu_%lu_%02u.lnk", GetCurrentProcessId(), GetTickCount(), i);
            files.push_back(folder + name);
            writeFile(files.back(), "x");
        }
        addEntries(files);
        SendMessageA(app.mainWindow, WM_COMMAND, MAKEWPARAM(IDC_LIST, LBN_SELCHANGE), 0);
    }
    // Wine's bin is the freedesktop trash under $XDG_DATA_HOME; a name already there gets a
    // suffix, so a file is found by its name's prefix (and the entry is cleared afterwards).
    std::string trashFolder(const char* part)
    {
        char xdg[MAX_PATH];
        if (GetEnvironmentVariableA("XDG_DATA_HOME", xdg, MAX_PATH) == 0)
            return "";
        std::string t = std::string("Z:") + xdg + "/Trash/" + part;
        for (char& c : t)
            if (c == '/')
                c = '\\';
        return t;
    }
    bool takeFromBin(const std::string& path)
    {
        std::string name = path.substr(path.rfind('\\') + 1);
        bool found = false;
        for (const char* part : {"files", "info"}) {
            std::string folder = trashFolder(part);
            WIN32_FIND_DATAA fd;
            HANDLE h = FindFirstFileA((folder + "\\" + name + "*").c_str(), &fd);
            if (h == INVALID_HANDLE_VALUE)
                continue;
            do {
                found = true;
                DeleteFileA((folder + "\\" + fd.cFileName).c_str());
            } while (FindNextFileA(h, &fd));
            FindClose(h);
        }
        return found;
    }
    void deleteSelected() { SendMessageA(app.mainWindow, WM_COMMAND, IDC_DELETE, 0); }
};

TEST_F(DeleteTest, ThreeOfTenToTheBin)
{
    listFiles(10);
    app.settings.recycle = 1;
    for (unsigned i : {2u, 5u, 9u})
        selectEntry(i, true);
    deleteSelected();
    for (unsigned i = 0; i < 10; ++i) {
        bool chosen = i == 2 || i == 5 || i == 9;
        EXPECT_EQ(fileExists(files[i]), !chosen) << files[i];
        EXPECT_EQ(takeFromBin(files[i]), chosen) << files[i];
    }
    std::vector<std::string> left = files;
    left.erase(left.begin() + 9);
    left.erase(left.begin() + 5);
    left.erase(left.begin() + 2);
    EXPECT_EQ(listEntries(), left);
    EXPECT_EQ(windowText(app.statusLabel), "0 / 7 Links");
    EXPECT_FALSE(IsWindowEnabled(app.deleteButton));
    EXPECT_EQ(windowText(app.deleteButton), "Delete");
    EXPECT_EQ(app.busy, 0);
    EXPECT_EQ(app.linkCount, 7u);
}

TEST_F(DeleteTest, RecycleOffDeletesForGood)
{
    listFiles(3);
    selectEntry(1, true);
    deleteSelected();
    EXPECT_FALSE(fileExists(files[1]));
    EXPECT_FALSE(takeFromBin(files[1]));
    EXPECT_EQ(listEntries(), (std::vector<std::string>{files[0], files[2]}));
}

// What the pinned list was asked to unpin: the path, and whether the file was still there.
std::vector<std::pair<std::wstring, bool>> unpinned;
HRESULT recordUnpin(const wchar_t* path)
{
    unpinned.push_back({path, GetFileAttributesW(path) != INVALID_FILE_ATTRIBUTES});
    return E_FAIL;  // as where there is no pinned list: the deletion goes on
}

// A pin goes just before its shortcut, for good or to the bin, and only for the listed file.
TEST_F(DeleteTest, APinGoesJustBeforeItsShortcut)
{
    HRESULT (*shells)(const wchar_t*) = removePin;
    removePin = recordUnpin;
    listFiles(3);
    DeleteFileA(files[1].c_str());
    writeFile(files[1], "another file");
    selectEntry(0, true);
    selectEntry(1, true);
    deleteSelected();
    auto wide = [](const std::string& s) { return std::wstring(s.begin(), s.end()); };
    EXPECT_EQ(unpinned, (std::vector<std::pair<std::wstring, bool>>{{wide(files[0]), true}}));
    EXPECT_FALSE(fileExists(files[0]));
    EXPECT_TRUE(fileExists(files[1]));
    unpinned.clear();
    app.settings.recycle = 1;
    selectEntry(1, true);
    deleteSelected();
    removePin = shells;
    EXPECT_EQ(unpinned, (std::vector<std::pair<std::wstring, bool>>{{wide(files[2]), true}}));
    EXPECT_FALSE(fileExists(files[2]));
    EXPECT_TRUE(takeFromBin(files[2]));
}

// Counts what the pump of a run dispatches.
int pumped;
LRESULT CALLBACK countPumped(HWND w, UINT msg, WPARAM wp, LPARAM lp)
{
    if (msg != WM_APP)
        return DefWindowProcA(w, msg, wp, lp);
    ++pumped;
    return 0;
}

// Only selected entries are visited (and pumped after): one of thousands costs one pump.
TEST_F(DeleteTest, OnlySelectedEntriesAreVisited)
{
    listFiles(4);
    addEntries(std::vector<std::string>(2000, folder + "\\never.lnk"));
    selectEntry(1, true);
    HWND counter = makeMessageWindow("CountPumped", countPumped);
    pumped = 0;
    for (int i = 0; i < 50; ++i)
        PostMessageA(counter, WM_APP, 0, 0);
    deleteSelected();
    EXPECT_LE(pumped, 5);  // one pump dispatches five at most; every entry visited would take all 50
    DestroyWindow(counter);
    EXPECT_FALSE(fileExists(files[1]));
    for (unsigned i : {0u, 2u, 3u})
        EXPECT_TRUE(fileExists(files[i]));
    SetWindowTextA(app.statusLabel, "stale");
    deleteSelected();  // nothing selected: nothing deleted, the status refreshed
    EXPECT_EQ(windowText(app.statusLabel), "0 / 2003 Links");
}

// With Recycle on, the shell deletes for good on a volume without a bin: such a file is
// kept, as a failed deletion is.
int binOperations, binQueries;
int WINAPI countBinOperations(LPSHFILEOPSTRUCTA) { return ++binOperations, 0; }
HRESULT WINAPI noRecycleBin(LPCWSTR, LPSHQUERYRBINFO) { return ++binQueries, E_FAIL; }

// Asked once for the volume, not once per file: each question totals the whole bin.
TEST_F(DeleteTest, RecycleOnAVolumeWithoutABinDeletesNothing)
{
    listFiles(3);
    app.settings.recycle = 1;
    selectEntry(0, true);
    selectEntry(2, true);
    shellFileOperation = countBinOperations;
    queryRecycleBin = noRecycleBin;
    deleteSelected();
    shellFileOperation = SHFileOperationA;
    queryRecycleBin = SHQueryRecycleBinW;
    EXPECT_EQ(binOperations, 0);
    EXPECT_EQ(binQueries, 1);
    EXPECT_TRUE(fileExists(files[0]));
    EXPECT_EQ(listEntries(), files);
    EXPECT_EQ(windowText(app.statusLabel), "0 / 3 Links");
}

// Windows refuses to open a file deleted by another program that still holds it with "access
// denied", as it refuses a real denial; only the status behind it says the file is gone.
// Wine opens such a file, so the refusal is staged in front of the lookup.
LONG refusal;
HANDLE WINAPI refuseOpen(LPCWSTR, DWORD, DWORD, LPSECURITY_ATTRIBUTES, DWORD, DWORD, HANDLE)
{
    typedef ULONG(NTAPI * SetStatusFn)(LONG);
    auto set = reinterpret_cast<SetStatusFn>(reinterpret_cast<void*>(
        GetProcAddress(GetModuleHandleA("ntdll.dll"), "RtlSetLastWin32ErrorAndNtStatusFromNtStatus")));
    set(refusal);
    return INVALID_HANDLE_VALUE;
}

TEST_F(DeleteTest, AFileDeletedElsewhereLeavesTheListAndADeniedOneStays)
{
    listFiles(2);
    struct Row {
        LONG status;
        bool listedAfter;
    } rows[] = {{static_cast<LONG>(0xC0000056), false} /* delete pending */, {static_cast<LONG>(0xC0000022), true} /* denied */};
    for (const Row& row : rows) {
        std::size_t before = listEntries().size();
        selectEntry(0, true);
        refusal = row.status;
        openForLookup = refuseOpen;
        deleteSelected();
        openForLookup = CreateFileW;
        EXPECT_EQ(listEntries().size(), row.listedAfter ? before : before - 1) << row.status;
        EXPECT_FALSE(isSelected(0));
    }
    EXPECT_TRUE(fileExists(files[0]));
    EXPECT_TRUE(fileExists(files[1]));
}

// The shell's file operation as a script, for what Wine's (which implements no method)
// cannot show: what the shell finds at the name, and what it reports having put in the bin.
std::function<void(IFileOperationProgressSink*, IShellItem*)> shellDoes;

class ScriptedOperation : public IFileOperation {
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override
    {
        *out = iid == IID_IUnknown || iid == IID_IFileOperation ? this : nullptr;
        return *out != nullptr ? (AddRef(), S_OK) : E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++refs_; }
    ULONG STDMETHODCALLTYPE Release() override
    {
        ULONG left = --refs_;
        if (left == 0) {
            if (item_ != nullptr)
                item_->Release();
            delete this;
        }
        return left;
    }
    HRESULT STDMETHODCALLTYPE Advise(IFileOperationProgressSink* sink, DWORD* cookie) override
    {
        sink_ = sink;
        *cookie = 1;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE Unadvise(DWORD) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE SetOperationFlags(DWORD) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE DeleteItem(IShellItem* item, IFileOperationProgressSink*) override
    {
        item_ = item;
        item->AddRef();
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE PerformOperations() override { return shellDoes(sink_, item_), S_OK; }
    HRESULT STDMETHODCALLTYPE SetProgressMessage(LPCWSTR) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE SetProgressDialog(IOperationsProgressDialog*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE SetProperties(IPropertyChangeArray*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE SetOwnerWindow(HWND) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE ApplyPropertiesToItem(IShellItem*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE ApplyPropertiesToItems(IUnknown*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE RenameItem(IShellItem*, LPCWSTR, IFileOperationProgressSink*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE RenameItems(IUnknown*, LPCWSTR) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE MoveItem(IShellItem*, IShellItem*, LPCWSTR, IFileOperationProgressSink*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE MoveItems(IUnknown*, IShellItem*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE CopyItem(IShellItem*, IShellItem*, LPCWSTR, IFileOperationProgressSink*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE CopyItems(IUnknown*, IShellItem*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE DeleteItems(IUnknown*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE NewItem(IShellItem*, DWORD, LPCWSTR, LPCWSTR, IFileOperationProgressSink*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetAnyOperationsAborted(BOOL*) override { return E_NOTIMPL; }

private:
    ULONG refs_ = 1;
    IFileOperationProgressSink* sink_ = nullptr;
    IShellItem* item_ = nullptr;
};

HRESULT makeScriptedOperation(IFileOperation** operation)
{
    *operation = new ScriptedOperation;
    return S_OK;
}

TEST_F(DeleteTest, RecycledOnlyWithEvidenceThatTheBinHoldsTheListedFile)
{
    const std::string f = folder + "\\listed.lnk", away = folder + "\\moved-away.lnk", bin = folder + "\\$R1.lnk";
    auto item = [](const std::string& path) {
        IShellItem* i = nullptr;
        SHCreateItemFromParsingName(std::wstring(path.begin(), path.end()).c_str(), nullptr, IID_IShellItem,
                                    reinterpret_cast<void**>(&i));
        return i;
    };
    auto swap = [&] {
        MoveFileA(f.c_str(), away.c_str());
        writeFile(f, "another file");
    };
    // The shell's side: asked before, then the file moved to "the bin" and reported.
    auto recycles = [&](IFileOperationProgressSink* sink, IShellItem* i, const std::function<void()>& between) {
        if (sink->PreDeleteItem(TSF_DELETE_RECYCLE_IF_POSSIBLE, i) != S_OK)
            return;
        if (between)
            between();
        MoveFileA(f.c_str(), bin.c_str());
        IShellItem* created = item(bin);
        sink->PostDeleteItem(TSF_DELETE_RECYCLE_IF_POSSIBLE, i, S_OK, created);
        created->Release();
    };
    struct Row {
        const char* name;
        std::function<void(IFileOperationProgressSink*, IShellItem*)> shell;
        DeleteOutcome outcome;
        const char* atName;  // what the listed name holds afterwards ("" for nothing)
    } rows[] = {
        {"the bin holds the listed file", [&](auto sink, auto i) { recycles(sink, i, nullptr); }, OUTCOME_RECYCLED, ""},
        {"another file at its name when the shell comes",
         [&](auto sink, auto i) {
             swap();
             recycles(sink, i, nullptr);
         },
         OUTCOME_NOT_THE_FILE, "another file"},
        {"another file at its name just after the shell asked", [&](auto sink, auto i) { recycles(sink, i, swap); },
         OUTCOME_UNCONFIRMED, ""},
        {"the shell would delete it for good",
         [&](auto sink, auto i) {
             if (sink->PreDeleteItem(0, i) == S_OK)
                 DeleteFileA(f.c_str());
         },
         OUTCOME_NO_BIN, "listed"},
        {"the shell deleted it for good after all",
         [&](auto sink, auto i) {
             sink->PreDeleteItem(TSF_DELETE_RECYCLE_IF_POSSIBLE, i);
             DeleteFileA(f.c_str());
             sink->PostDeleteItem(TSF_DELETE_RECYCLE_IF_POSSIBLE, i, S_OK, nullptr);
         },
         OUTCOME_DELETED, ""},
        {"the shell names no file for what it put in the bin",
         [&](auto sink, auto i) {
             sink->PreDeleteItem(TSF_DELETE_RECYCLE_IF_POSSIBLE, i);
             MoveFileA(f.c_str(), bin.c_str());
             IShellItem* computer = item("::{20D04FE0-3AEA-1069-A2D8-08002B30309D}");
             ASSERT_NE(computer, nullptr);
             sink->PostDeleteItem(TSF_DELETE_RECYCLE_IF_POSSIBLE, i, S_OK, computer);
             computer->Release();
         },
         OUTCOME_UNCONFIRMED, ""},
    };
    HRESULT (*shellsOwn)(IFileOperation**) = createFileOperation;
    createFileOperation = makeScriptedOperation;
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        writeFile(f, "listed");
        ListedFile listed = {identifyFile(f.c_str()), false, false, false, AWAY_NONE, '\0'};
        shellDoes = row.shell;
        char source[MAX_PATH + 2];
        lstrcpynA(source, f.c_str(), MAX_PATH);
        EXPECT_EQ(deleteListedFile(app.search, source, static_cast<int>(f.size()), listed, true).outcome, row.outcome);
        EXPECT_EQ(fileExists(f) ? readFile(f) : "", row.atName);
        if (fileExists(away))
            EXPECT_EQ(readFile(away), "listed") << "the listed file survives under the name it was moved to";
        for (const std::string& p : {f, away, bin})
            DeleteFileA(p.c_str());
    }
    createFileOperation = shellsOwn;
}

// The last entries go: the list shows what is left, not a blank page past its end.
TEST_F(DeleteTest, TheListScrollsBackInRangeAfterRemovals)
{
    listFiles(50);
    SendMessageA(app.resultList, LB_SETTOPINDEX, 45, 0);
    for (unsigned i = 20; i < 50; ++i)
        selectEntry(i, true);
    deleteSelected();
    EXPECT_EQ(listEntries().size(), 20u);
    EXPECT_LT(SendMessageA(app.resultList, LB_GETTOPINDEX, 0, 0), 20);
}

TEST_F(DeleteTest, EscStopsAfterTheCurrentEntry)
{
    listFiles(8);
    for (unsigned i : {1u, 3u, 6u, 7u})
        selectEntry(i, true);
    // Esc once the first selected entry has been deleted.
    HWND w = actDuringRun([] { return SendMessageA(app.resultList, LB_GETCOUNT, 0, 0) < 8; },
                          [] { PostMessageA(app.resultList, WM_KEYDOWN, VK_ESCAPE, 0); });
    deleteSelected();
    DestroyWindow(w);
    EXPECT_FALSE(fileExists(files[7]));
    EXPECT_TRUE(fileExists(files[1]));
    EXPECT_TRUE(fileExists(files[3]));
    // Entries above the stop keep their selection and are counted.
    EXPECT_TRUE(isSelected(1));
    EXPECT_TRUE(isSelected(3));
    unsigned left = static_cast<unsigned>(listEntries().size());
    EXPECT_GE(left, 6u);
    EXPECT_EQ(windowText(app.statusLabel), std::to_string(8 - left == 1 ? 3 : 2) + " / " + std::to_string(left) + " Links");
    EXPECT_EQ(windowText(app.deleteButton), "Delete");
}

TEST_F(DeleteTest, FileThatCannotBeDeletedStaysDeselected)
{
    listFiles(3);
    selectEntry(0, true);
    selectEntry(2, true);
    HANDLE held = CreateFileA(files[2].c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    deleteSelected();
    CloseHandle(held);
    EXPECT_TRUE(fileExists(files[2]));
    EXPECT_FALSE(fileExists(files[0]));
    EXPECT_EQ(listEntries(), (std::vector<std::string>{files[1], files[2]}));
    EXPECT_FALSE(isSelected(1));
    EXPECT_EQ(windowText(app.statusLabel), "0 / 2 Links");
}

TEST_F(DeleteTest, ContextMenuDeletesItsOwnEntryOnly)
{
    listFiles(4);
    selectEntry(0, true);
    selectEntry(3, true);
    app.menuEntry = 1;
    SendMessageA(app.resultList, LB_GETTEXT, 1, reinterpret_cast<LPARAM>(app.itemPath));
    SendMessageA(app.mainWindow, WM_COMMAND, IDM_DELITEM, 0);
    EXPECT_FALSE(fileExists(files[1]));
    EXPECT_EQ(listEntries(), (std::vector<std::string>{files[0], files[2], files[3]}));
    EXPECT_TRUE(isSelected(0));
    EXPECT_TRUE(isSelected(2));  // was entry 3
    EXPECT_EQ(windowText(app.statusLabel), "2 / 3 Links");
}

TEST_F(DeleteTest, ContextMenuDeletesNothingWhenTheListChangedUnderIt)
{
    listFiles(4);
    app.menuEntry = 2;
    SendMessageA(app.resultList, LB_GETTEXT, 1, reinterpret_cast<LPARAM>(app.itemPath));  // the menu was for entry 1
    SetWindowTextA(app.statusLabel, "unchanged");
    SendMessageA(app.mainWindow, WM_COMMAND, IDM_DELITEM, 0);
    for (const std::string& f : files)
        EXPECT_TRUE(fileExists(f));
    EXPECT_EQ(listEntries().size(), 4u);
    EXPECT_EQ(windowText(app.statusLabel), "unchanged");
    app.menuEntry = 99;  // names no entry
    SendMessageA(app.mainWindow, WM_COMMAND, IDM_DELITEM, 0);
    EXPECT_EQ(listEntries().size(), 4u);
}

// Just before its deletion an entry must still name a plain file: a folder put in its place
// would go whole, and through a link the shell deletes the file the link leads to.
TEST_F(DeleteTest, OnlyAPlainFileIsHandedToTheShell)
{
    listFiles(3);
    std::string outside = makeTempDir("outside");
    writeFile(outside + "\\other.lnk", "o");
    DeleteFileA(files[0].c_str());
    CreateDirectoryA(files[0].c_str(), nullptr);
    CreateDirectoryA((files[0] + "\\sub").c_str(), nullptr);
    writeFile(files[0] + "\\sub\\a.txt", "a");
    DeleteFileA(files[1].c_str());
    unixLink(files[1], outside + "\\other.lnk");  // Wine shows a link to a file as a plain file
    ASSERT_EQ(readFile(files[1]), "o");
    app.settings.recycle = 1;
    SendMessageA(app.mainWindow, WM_COMMAND, IDM_SELALL, 0);
    deleteSelected();
    EXPECT_EQ(listEntries(), (std::vector<std::string>{files[0], files[1]}));
    EXPECT_FALSE(fileExists(files[2]));
    for (unsigned i = 0; i < 2; ++i) {
        EXPECT_FALSE(isSelected(i)) << i;
        app.menuEntry = i;  // the context menu's "&Delet Item" too
        SendMessageA(app.resultList, LB_GETTEXT, i, reinterpret_cast<LPARAM>(app.itemPath));
        SendMessageA(app.mainWindow, WM_COMMAND, IDM_DELITEM, 0);
    }
    EXPECT_EQ(listEntries().size(), 2u);
    EXPECT_TRUE(fileExists(files[0] + "\\sub\\a.txt"));
    EXPECT_TRUE(fileExists(files[1]));
    EXPECT_EQ(readFile(outside + "\\other.lnk"), "o");
    removeTree(outside);
}

// The shell's operation, during which a new search fills the list with other entries.
std::vector<std::string> listDuringDelete;

int WINAPI deleteThenRelist(LPSHFILEOPSTRUCTA op)
{
    int r = SHFileOperationA(op);
    updateStatus(-1);
    addEntries(listDuringDelete);
    SetWindowTextA(app.statusLabel, "stale");
    return r;
}

TEST_F(DeleteTest, ContextMenuLeavesAListThatChangedDuringTheDeletion)
{
    listFiles(4);
    app.menuEntry = 2;
    SendMessageA(app.resultList, LB_GETTEXT, 2, reinterpret_cast<LPARAM>(app.itemPath));
    listDuringDelete = {files[0], files[1], files[3]};  // row 2 is another file now
    app.settings.recycle = 1;  // the shell's operation, which may dispatch messages
    shellFileOperation = deleteThenRelist;
    SendMessageA(app.mainWindow, WM_COMMAND, IDM_DELITEM, 0);
    shellFileOperation = SHFileOperationA;
    EXPECT_FALSE(fileExists(files[2]));
    EXPECT_EQ(listEntries(), listDuringDelete);
    EXPECT_EQ(windowText(app.statusLabel), "0 / 3 Links");
}

TEST_F(DeleteTest, DeleteKeyWithAnEmptyListDoesNothing)
{
    SetWindowTextA(app.statusLabel, "unchanged");
    SendMessageA(app.resultList, WM_KEYUP, VK_DELETE, static_cast<LPARAM>(0xC0000001u));
    runUntilIdle();
    EXPECT_EQ(windowText(app.statusLabel), "unchanged");
}

// A folder dropped while entries are being deleted does not change what is deleted.
LRESULT CALLBACK dropDuringDelete(HWND w, UINT msg, WPARAM wp, LPARAM lp)
{
    if (msg == WM_APP) {
        lstrcpyA(app.search.pathBuf, "C:\\not\\this\\one.lnk");  // what a handler writing pathBuf would do
        return 0;
    }
    return DefWindowProcA(w, msg, wp, lp);
}

TEST_F(DeleteTest, ScratchWritesDuringARunDoNotRedirectTheDeletion)
{
    listFiles(3);
    selectEntry(0, true);
    selectEntry(2, true);
    HWND w = makeMessageWindow("DropDuringDelete", dropDuringDelete);
    for (int i = 0; i < 10; ++i)
        PostMessageA(w, WM_APP, 0, 0);
    deleteSelected();
    DestroyWindow(w);
    EXPECT_FALSE(fileExists(files[0]));
    EXPECT_TRUE(fileExists(files[1]));
    EXPECT_FALSE(fileExists(files[2]));
}

// A close or an end-of-session query after the first, a middle and the last deletion: the
// entries not yet reached keep their files and their selection.
TEST_F(DeleteTest, CloseRequestsAtEveryStepOfADeletion)
{
    const unsigned n = 6;
    app.settings.recycle = 0;
    for (const CloseWay& way : closeWays)
        for (unsigned step : {1u, n / 2, n}) {
            SCOPED_TRACE(std::string(way.name) + " after deletion " + std::to_string(step));
            for (const std::string& f : files)
                DeleteFileA(f.c_str());
            files.clear();
            updateStatus(-1);
            listFiles(n);
            SendMessageA(app.mainWindow, WM_COMMAND, IDM_SELALL, 0);
            LRESULT answer = -7;
            HWND actor = actDuringRun([&] { return n - SendMessageA(app.resultList, LB_GETCOUNT, 0, 0) >= step; },
                                      [&] {
                                          if (way.posted)
                                              PostMessageA(app.mainWindow, way.msg, 0, 0);
                                          else
                                              answer = SendMessageA(app.mainWindow, way.msg, 0, 0);
                                      });
            deleteSelected();
            DestroyWindow(actor);
            EXPECT_TRUE(IsWindow(app.mainWindow));
            EXPECT_EQ(app.busy, 0);
            EXPECT_EQ(windowText(app.deleteButton), "Delete");
            // From the last entry up: the first n - step were not reached.
            for (unsigned i = 0; i < n; ++i)
                EXPECT_EQ(fileExists(files[i]), i < n - step) << i;
            EXPECT_EQ(listEntries(), std::vector<std::string>(files.begin(), files.begin() + (n - step)));
            for (unsigned i = 0; i < n - step; ++i)
                EXPECT_TRUE(isSelected(i)) << i;
            std::string left = std::to_string(n - step);
            EXPECT_EQ(windowText(app.statusLabel), n == step ? "No File" : left + " / " + left + " Links");
            if (!way.posted)
                EXPECT_EQ(answer, 0);
            runUntilIdle();
            EXPECT_FALSE(fileExists(dir + "\\vellmoor.qnf"));
        }
    EXPECT_EQ(SendMessageA(app.mainWindow, WM_CLOSE, 0, 0), 0);
    EXPECT_EQ(readFile(dir + "\\vellmoor.qnf").size(), 48u);
    EXPECT_FALSE(runUntilIdle());
    closeNow();
}

}  // namespace
