#include "results/unpin_item.h"

#include <shobjidl.h>

#include "search/exact_text.h"
#include "search/path_limits.h"

static HRESULT removeFromPinnedList(const wchar_t* path)
{
    IStartMenuPinnedList* pins = nullptr;
    HRESULT hr = CoCreateInstance(CLSID_StartMenuPin, nullptr, CLSCTX_INPROC_SERVER, IID_IStartMenuPinnedList,
                                  reinterpret_cast<void**>(&pins));
    if (FAILED(hr))
        return hr;  // not registered before Windows 7, nor under Wine
    IShellItem* item = nullptr;
    hr = SHCreateItemFromParsingName(path, nullptr, IID_IShellItem, reinterpret_cast<void**>(&item));
    if (SUCCEEDED(hr)) {
        hr = pins->RemoveFromList(item);
        item->Release();
    }
    pins->Release();
    return hr;
}

HRESULT (*removePin)(const wchar_t* path) = removeFromPinnedList;

void unpinBeforeDeleting(const char* path)
{
    static wchar_t wide[PATH_BUF_BYTES];
    if (wideOf(path, wide, PATH_BUF_BYTES) > 0)
        removePin(wide);
}
