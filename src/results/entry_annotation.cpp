#include "results/entry_annotation.h"

#include "results/entry_drawing.h"

static IAccPropServices* services;

static HRESULT decomposed(IAccPropServices* s, const BYTE* id, DWORD length, DWORD* child)
{
    HWND window;
    DWORD object;
    return s != nullptr ? s->DecomposeHwndIdentityString(id, length, &window, &object, child) : E_FAIL;
}

HRESULT (*readIdentity)(IAccPropServices*, const BYTE*, DWORD, DWORD*) = decomposed;

namespace {
// One for the process; it lives as long as the program, so its count only guards COM's rules.
class ReasonServer : public IAccPropServer {
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** out) override
    {
        if (out == nullptr)
            return E_POINTER;
        *out = nullptr;
        if (!IsEqualIID(riid, IID_IUnknown) && !IsEqualIID(riid, IID_IAccPropServer))
            return E_NOINTERFACE;
        *out = static_cast<IAccPropServer*>(this);
        AddRef();
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return static_cast<ULONG>(InterlockedIncrement(&refs)); }
    ULONG STDMETHODCALLTYPE Release() override { return static_cast<ULONG>(InterlockedDecrement(&refs)); }
    HRESULT STDMETHODCALLTYPE GetPropValue(const BYTE* id, DWORD length, MSAAPROPID property, VARIANT* value,
                                           BOOL* has) override
    {
        if (value == nullptr || has == nullptr)
            return E_POINTER;
        *has = FALSE;
        VariantInit(value);
        DWORD child = CHILDID_SELF;
        if (!IsEqualGUID(property, PROPID_ACC_DESCRIPTION) || FAILED(readIdentity(services, id, length, &child)) ||
            child == CHILDID_SELF)
            return S_OK;  // the list itself, or another question: the system's own answer
        char reason[64];
        wchar_t wide[64];
        entryReason(child - 1, reason, sizeof reason);
        if (*reason == '\0' || MultiByteToWideChar(CP_ACP, 0, reason, -1, wide, 64) <= 0)
            return S_OK;
        value->vt = VT_BSTR;
        value->bstrVal = SysAllocString(wide);
        *has = value->bstrVal != nullptr;
        return S_OK;
    }

private:
    LONG refs = 1;
};

ReasonServer server;
}  // namespace

IAccPropServer* entryAnnotation() { return &server; }

void startAnnotating(HWND list)
{
    if (services == nullptr &&
        FAILED(CoCreateInstance(CLSID_AccPropServices, nullptr, CLSCTX_INPROC_SERVER, IID_IAccPropServices,
                                reinterpret_cast<void**>(&services))))
        services = nullptr;
    if (services != nullptr)
        services->SetHwndPropServer(list, static_cast<DWORD>(OBJID_CLIENT), CHILDID_SELF, &PROPID_ACC_DESCRIPTION, 1, &server,
                                    ANNO_CONTAINER);
}

void stopAnnotating(HWND list)
{
    if (services == nullptr)
        return;
    MSAAPROPID description = PROPID_ACC_DESCRIPTION;
    services->ClearHwndProps(list, static_cast<DWORD>(OBJID_CLIENT), CHILDID_SELF, &description, 1);
    services->Release();
    services = nullptr;
}
