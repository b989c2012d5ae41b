#include "search/root_answers.h"

#include <windows.h>

#include <vector>

#include "search/exact_text.h"
#include "search/path_limits.h"
#include "search/search_state.h"
#include "search/walk_rules.h"

namespace {
struct RootAnswer {
    char root[PATH_BUF_BYTES];
    bool silent;            // did not answer its first lookup in time
    Reason away;            // REASON_PRESENT: there
    unsigned long serial;   // of the volume first found at a drive letter this walk
    unsigned long long asked;  // 0: never asked whether it is there
};
std::vector<RootAnswer> roots;  // every root met since the walk began

unsigned rootWaitMs = 3000;
int (*waitStep)(void*, bool);
void* waitContext;
int waitStop = PUMP_GO_ON;
bool abandoned;

// One lookup handed to a thread: whoever lets go of it last frees it, the thread when the
// wait gave up on it.
struct Lookup {
    LONG holders;
    wchar_t path[MAX_PATH];
};

void letGo(Lookup* l)
{
    if (InterlockedDecrement(&l->holders) == 0)
        delete l;
}

DWORD WINAPI lookUp(void* parameter)
{
    Lookup* l = static_cast<Lookup*>(parameter);
    GetFileAttributesW(l->path);
    letGo(l);
    return 0;
}

RootAnswer& answerOf(const char* root)
{
    for (RootAnswer& r : roots)
        if (lstrcmpiA(r.root, root) == 0)
            return r;
    roots.push_back({});
    lstrcpynA(roots.back().root, root, PATH_BUF_BYTES);
    return roots.back();
}

// Whether the lookup answered within the root wait; false also when the wait was stopped.
bool answersInTime(const char* target, const wchar_t* wideTarget)
{
    Lookup* l = new Lookup{2, {}};
    if (wideTarget != nullptr && wideTarget[0] != L'\0')
        lstrcpynW(l->path, wideTarget, MAX_PATH);
    else if (wideOf(target, l->path, MAX_PATH) == 0)
        l->path[0] = L'\0';
    HANDLE thread = l->path[0] != L'\0' ? CreateThread(nullptr, 64 * 1024, lookUp, l, 0, nullptr) : nullptr;
    if (thread == nullptr) {
        letGo(l);
        letGo(l);
        return true;  // nothing to ask on the side: asked directly, as before
    }
    bool answered = false;
    for (ULONGLONG start = GetTickCount64();;) {
        ULONGLONG waited = GetTickCount64() - start;
        DWORD slice = waited >= rootWaitMs ? 0 : static_cast<DWORD>(rootWaitMs - waited < 50 ? rootWaitMs - waited : 50);
        DWORD woke = MsgWaitForMultipleObjects(1, &thread, FALSE, slice, QS_ALLINPUT);
        if (woke == WAIT_OBJECT_0) {
            answered = true;
            break;
        }
        if (slice == 0)
            break;
        int r = waitStep != nullptr ? waitStep(waitContext, false) : PUMP_GO_ON;
        if (r != PUMP_GO_ON) {
            waitStop = r;
            break;
        }
    }
    CloseHandle(thread);
    letGo(l);
    abandoned = abandoned || !answered;
    return answered;
}
}  // namespace

void forgetRoots() { roots.clear(); }

bool lookupsAbandoned() { return abandoned; }

void setRootWait(unsigned milliseconds) { rootWaitMs = milliseconds; }

void setWhileWaiting(int (*step)(void*, bool), void* context)
{
    waitStep = step;
    waitContext = context;
}

int takeWaitStop()
{
    int r = waitStop;
    waitStop = PUMP_GO_ON;
    return r;
}

bool waitStopped() { return waitStop != PUMP_GO_ON; }

bool rootAnswers(const char* target, const wchar_t* wideTarget)
{
    static char root[PATH_BUF_BYTES];
    if (!targetRoot(target, root, sizeof root))
        return true;
    for (const RootAnswer& r : roots)
        if (lstrcmpiA(r.root, root) == 0)
            return !r.silent;
    bool answers = answersInTime(target, wideTarget);
    if (waitStop != PUMP_GO_ON)
        return false;  // stopped, not judged: asked again by the next walk
    answerOf(root).silent = !answers;
    return answers;
}

Reason rootAway(const char* target, unsigned long long maxAge)
{
    static char root[PATH_BUF_BYTES];
    if (!targetRoot(target, root, sizeof root))
        return REASON_PRESENT;
    RootAnswer& known = answerOf(root);
    if (known.silent)
        return REASON_NOT_ANSWERING;
    unsigned long long now = GetTickCount64();
    if (known.asked != 0 && now - known.asked <= maxAge)
        return known.away;
    Reason away = REASON_PRESENT;
    DWORD serial = 0;
    if (root[0] == '\\')
        away = GetFileAttributesA(root) == INVALID_FILE_ATTRIBUTES ? REASON_SHARE_UNREACHABLE : REASON_PRESENT;
    else if (GetDriveTypeA(root) == DRIVE_NO_ROOT_DIR ||
             !GetVolumeInformationA(root, nullptr, 0, &serial, nullptr, nullptr, nullptr, 0))
        away = REASON_DRIVE_ABSENT;  // no such letter, or no medium in the drive
    if (away == REASON_PRESENT && known.serial == 0)
        known.serial = serial;
    else if (away == REASON_PRESENT && serial != 0 && known.serial != serial)
        away = REASON_DRIVE_ABSENT;  // another medium in the drive now
    known.away = away;
    known.asked = now;
    return away;
}
