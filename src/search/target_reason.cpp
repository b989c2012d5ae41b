#include "search/target_reason.h"

#include <cstring>

#include "search/path_limits.h"
#include "search/walk_rules.h"

// A target not there, or not answering: its drive or share may only be away for now. Broken
// shortcuts come in runs on one drive: the last root's answer is kept.
static const char* rootAway(const char* target)
{
    static char root[PATH_BUF_BYTES], lastRoot[PATH_BUF_BYTES];
    static const char* lastAnswer;
    if (!targetRoot(target, root, sizeof root))
        return nullptr;
    if (lastAnswer != nullptr && lstrcmpiA(root, lastRoot) == 0)
        return *lastAnswer != '\0' ? lastAnswer : nullptr;
    DWORD serial;
    if (root[0] == '\\')
        lastAnswer = GetFileAttributesA(root) == INVALID_FILE_ATTRIBUTES ? "share-unreachable" : "";
    else if (GetDriveTypeA(root) == DRIVE_NO_ROOT_DIR ||
             !GetVolumeInformationA(root, nullptr, 0, &serial, nullptr, nullptr, nullptr, 0))
        lastAnswer = "drive-absent";  // no such letter, or no medium in the drive
    else
        lastAnswer = "";
    lstrcpynA(lastRoot, root, PATH_BUF_BYTES);
    return *lastAnswer != '\0' ? lastAnswer : nullptr;
}

const char* targetReason(ShortcutState state, const char* target)
{
    const char* away;
    switch (state) {
    case SHORTCUT_MISSING: return (away = rootAway(target)) != nullptr ? away : "missing";
    case SHORTCUT_UNREACHABLE: return (away = rootAway(target)) != nullptr ? away : "unreachable";
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
