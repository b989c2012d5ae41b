#include "results/recycle_item.h"

#include <shellapi.h>

#include "search/file_lookup.h"

static HRESULT createShellFileOperation(IFileOperation** operation)
{
    return CoCreateInstance(CLSID_FileOperation, nullptr, CLSCTX_ALL, IID_IFileOperation, reinterpret_cast<void**>(operation));
}

HRESULT (*createFileOperation)(IFileOperation** operation) = createShellFileOperation;

// The identity of the file a shell item names, opened as itself.
static bool itemIdentity(IShellItem* item, FileIdentity& id, bool* keepsFileIds = nullptr)
{
    PWSTR path = nullptr;
    if (item == nullptr || FAILED(item->GetDisplayName(SIGDN_FILESYSPATH, &path)) || path == nullptr)
        return false;
    bool known = identifyPath(path, id, keepsFileIds);
    CoTaskMemFree(path);
    return known;
}

// Told of each step of the one deletion: before it, the item must still be the listed file
// and going to the bin; after it, what the shell made in the bin is kept.
class DeleteSteps : public IFileOperationProgressSink {
public:
    explicit DeleteSteps(const FileIdentity& listed) : listed_(listed) {}
    ~DeleteSteps()
    {
        if (created != nullptr)
            created->Release();
    }
    bool refused = false, otherFile = false, done = false;
    HRESULT result = E_FAIL;
    IShellItem* created = nullptr;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override
    {
        if (iid != IID_IUnknown && iid != IID_IFileOperationProgressSink) {
            *out = nullptr;
            return E_NOINTERFACE;
        }
        *out = static_cast<IFileOperationProgressSink*>(this);
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return 1; }  // lives on the caller's stack
    ULONG STDMETHODCALLTYPE Release() override { return 1; }

    HRESULT STDMETHODCALLTYPE PreDeleteItem(DWORD flags, IShellItem* item) override
    {
        // Without this flag the shell deletes for good: refused, which ends the operation.
        if (!(flags & TSF_DELETE_RECYCLE_IF_POSSIBLE))
            return refused = true, HRESULT_FROM_WIN32(ERROR_CANCELLED);
        FileIdentity now;
        if (!itemIdentity(item, now) || !sameFile(now, listed_))
            return otherFile = true, HRESULT_FROM_WIN32(ERROR_CANCELLED);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE PostDeleteItem(DWORD, IShellItem*, HRESULT hr, IShellItem* newlyCreated) override
    {
        done = true;
        result = hr;
        if (newlyCreated != nullptr && created == nullptr) {
            newlyCreated->AddRef();
            created = newlyCreated;
        }
        return S_OK;
    }

    HRESULT STDMETHODCALLTYPE StartOperations() override { return S_OK; }
    HRESULT STDMETHODCALLTYPE FinishOperations(HRESULT) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE PreRenameItem(DWORD, IShellItem*, LPCWSTR) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE PostRenameItem(DWORD, IShellItem*, LPCWSTR, HRESULT, IShellItem*) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE PreMoveItem(DWORD, IShellItem*, IShellItem*, LPCWSTR) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE PostMoveItem(DWORD, IShellItem*, IShellItem*, LPCWSTR, HRESULT, IShellItem*) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE PreCopyItem(DWORD, IShellItem*, IShellItem*, LPCWSTR) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE PostCopyItem(DWORD, IShellItem*, IShellItem*, LPCWSTR, HRESULT, IShellItem*) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE PreNewItem(DWORD, IShellItem*, LPCWSTR) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE PostNewItem(DWORD, IShellItem*, LPCWSTR, LPCWSTR, DWORD, HRESULT, IShellItem*) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE UpdateProgress(UINT, UINT) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE ResetTimer() override { return S_OK; }
    HRESULT STDMETHODCALLTYPE PauseTimer() override { return S_OK; }
    HRESULT STDMETHODCALLTYPE ResumeTimer() override { return S_OK; }

private:
    const FileIdentity& listed_;
};

// Whether the item the bin now holds is the listed file: on volumes whose moves keep a file's
// ID (NTFS, ReFS) by all of its identity; elsewhere (the FAT family numbers a file by its
// directory entry) by volume, size and times.
static bool binHoldsListedFile(IShellItem* created, const FileIdentity& listed)
{
    FileIdentity inBin;
    bool keepsIds = false;
    if (!itemIdentity(created, inBin, &keepsIds))
        return false;
    if (keepsIds)
        return sameFile(inBin, listed);
    return inBin.known && inBin.volume == listed.volume && inBin.size == listed.size && inBin.created == listed.created &&
           inBin.written == listed.written;
}

BinOutcome recycleListedFile(const wchar_t* path, const FileIdentity& listed)
{
    IFileOperation* operation = nullptr;
    if (FAILED(createFileOperation(&operation)) || operation == nullptr)
        return BIN_UNAVAILABLE;
    DeleteSteps steps(listed);
    IShellItem* item = nullptr;
    DWORD cookie = 0;
    // One operation for one file: a refusal in the sink cancels every operation still pending.
    HRESULT hr = operation->SetOperationFlags(FOF_NO_UI | FOF_ALLOWUNDO);
    if (SUCCEEDED(hr))
        hr = SHCreateItemFromParsingName(path, nullptr, IID_IShellItem, reinterpret_cast<void**>(&item));
    if (SUCCEEDED(hr))
        hr = operation->Advise(&steps, &cookie);
    if (SUCCEEDED(hr))
        hr = operation->DeleteItem(item, nullptr);
    if (SUCCEEDED(hr))
        hr = operation->PerformOperations();
    BinOutcome outcome = hr == E_NOTIMPL                  ? BIN_UNAVAILABLE  // Wine makes the object, and no more
                         : steps.refused                  ? BIN_REFUSED
                         : steps.otherFile                ? BIN_OTHER_FILE
                         : !steps.done || FAILED(steps.result) ? BIN_FAILED
                         : steps.created == nullptr       ? BIN_FOR_GOOD
                         : binHoldsListedFile(steps.created, listed) ? BIN_RECYCLED
                                                                    : BIN_UNCONFIRMED;
    if (cookie != 0)
        operation->Unadvise(cookie);
    if (item != nullptr)
        item->Release();
    operation->Release();
    return outcome;
}
