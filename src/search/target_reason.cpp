#include "search/target_reason.h"

#include <cstring>
#include <vector>

#include "search/path_limits.h"
#include "search/walk_rules.h"

// How long a drive's or share's answer stands during a search.
static const unsigned long long ROOT_ANSWER_MS = 5000;

namespace {
struct RootAnswer {
    char root[PATH_BUF_BYTES];
    const char* away;       // null: there
    unsigned long serial;   // of the volume first found at a drive letter this run
    unsigned long long asked;
};
std::vector<RootAnswer> roots;  // every root met since the walk began
}  // namespace

void forgetRoots() { roots.clear(); }

// A target not there, or not answering: its drive or share may only be away for now. Broken
// shortcuts come in runs on a few drives: each root's answer is kept for `maxAge` ms. A letter
// that holds another volume than the one first found there counts as away.
static const char* rootAway(const char* target, unsigned long long maxAge)
{
    static char root[PATH_BUF_BYTES];
    if (!targetRoot(target, root, sizeof root))
        return nullptr;
    unsigned long long now = GetTickCount64();
    RootAnswer* known = nullptr;
    for (RootAnswer& r : roots)
        if (lstrcmpiA(r.root, root) == 0)
            known = &r;
    if (known != nullptr && now - known->asked <= maxAge)
        return known->away;
    const char* away = nullptr;
    DWORD serial = 0;
    if (root[0] == '\\')
        away = GetFileAttributesA(root) == INVALID_FILE_ATTRIBUTES ? "share-unreachable" : nullptr;
    else if (GetDriveTypeA(root) == DRIVE_NO_ROOT_DIR ||
             !GetVolumeInformationA(root, nullptr, 0, &serial, nullptr, nullptr, nullptr, 0))
        away = "drive-absent";  // no such letter, or no medium in the drive
    if (known == nullptr) {
        roots.push_back({});
        known = &roots.back();
        lstrcpynA(known->root, root, PATH_BUF_BYTES);
        known->serial = serial;
    }
    if (away == nullptr && known->serial == 0)
        known->serial = serial;
    else if (away == nullptr && serial != 0 && known->serial != serial)
        away = "drive-absent";  // another medium in the drive now
    known->away = away;
    known->asked = now;
    return away;
}

const char* rootAwayNow(const char* target) { return rootAway(target, 0); }

const char* targetReason(ShortcutState state, const char* target)
{
    const char* away;
    switch (state) {
    case SHORTCUT_MISSING: return (away = rootAway(target, ROOT_ANSWER_MS)) != nullptr ? away : "missing";
    case SHORTCUT_UNREACHABLE: return (away = rootAway(target, ROOT_ANSWER_MS)) != nullptr ? away : "unreachable";
    case SHORTCUT_DENIED: return "denied";
    case SHORTCUT_USER_DEPENDENT: return "user-dependent";
    case SHORTCUT_PRESENT: return "present";
    case SHORTCUT_NOT_TESTED: return "not-tested";
    case SHORTCUT_NO_TARGET: return "no-target";
    default: return "unreadable";
    }
}

bool isPlainlyMissing(const char* reason) { return std::strcmp(reason, "missing") == 0; }

bool isListedAsBroken(const char* reason)
{
    return isPlainlyMissing(reason) || std::strcmp(reason, "drive-absent") == 0 || std::strcmp(reason, "share-unreachable") == 0;
}
