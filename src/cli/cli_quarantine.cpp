#include "cli/cli_quarantine.h"

#include <sddl.h>

#include <cstring>
#include <set>

#include "cli/cli_console.h"
#include "cli/cli_folders.h"
#include "cli/held_folder.h"
#include "cli/quarantine_rules.h"
#include "results/unpin_item.h"
#include "search/exact_text.h"
#include "search/file_lookup.h"
#include "search/owner_view.h"

// A new quarantine is the system's and the administrators' alone, and, run without
// elevation, the account's own: nothing is inherited from the folder it is made in.
static bool makeQuarantineFolder(const std::wstring& path)
{
    std::wstring text = L"D:P(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)";
    std::vector<BYTE> user;
    wchar_t* userText = nullptr;
    if (!isElevated() && currentUser(user) && ConvertSidToStringSidW(user.data(), &userText)) {
        text += L"(A;OICI;FA;;;" + std::wstring(userText) + L")";
        LocalFree(userText);
    }
    PSECURITY_DESCRIPTOR sd;
    if (!ConvertStringSecurityDescriptorToSecurityDescriptorW(text.c_str(), SDDL_REVISION_1, &sd, nullptr))
        return false;
    SECURITY_ATTRIBUTES attributes = {sizeof attributes, sd, FALSE};
    bool made = CreateDirectoryW(path.c_str(), &attributes) != 0;
    DWORD error = GetLastError();
    LocalFree(sd);
    SetLastError(error);
    return made;
}

// --- Files and folders held as themselves -----------------------------------------------

static std::uint32_t volumeOf(HANDLE h)
{
    BY_HANDLE_FILE_INFORMATION info;
    return GetFileInformationByHandle(h, &info) ? info.dwVolumeSerialNumber : 0;
}

static bool isOccupied(DWORD error) { return error == ERROR_ALREADY_EXISTS || error == ERROR_FILE_EXISTS; }

static const wchar_t MANIFEST[] = L"manifest.jsonl";
static const DWORD FOLDER_ACCESS = FILE_LIST_DIRECTORY | FILE_TRAVERSE | FILE_READ_ATTRIBUTES | READ_CONTROL;

static bool holdsNothing(const std::wstring& folder)
{
    WIN32_FIND_DATAW found;
    HANDLE find = FindFirstFileW((folder + L"\\*").c_str(), &found);
    if (find == INVALID_HANDLE_VALUE)
        return true;
    bool empty = true;
    do
        empty = lstrcmpW(found.cFileName, L".") == 0 || lstrcmpW(found.cFileName, L"..") == 0;
    while (empty && FindNextFileW(find, &found));
    FindClose(find);
    return empty;
}

// Appends go to the end whoever else appends; a line a crash tore is ended first, so that it
// spoils no other.
static bool openManifest(Quarantine& q)
{
    q.manifest = openIn(q.folder, MANIFEST, FILE_READ_DATA | FILE_APPEND_DATA | FILE_READ_ATTRIBUTES | READ_CONTROL,
                        FILE_SHARE_READ | FILE_SHARE_WRITE, FILE_OPEN_IF, false);
    if (q.manifest == INVALID_HANDLE_VALUE || !isPlainKindHandle(q.manifest, false) || othersMayWriteTo(q.manifest))
        return false;
    LARGE_INTEGER size;
    if (!GetFileSizeEx(q.manifest, &size))
        return false;
    if (size.QuadPart == 0)
        return true;
    char last = '\n';
    DWORD read = 0;
    OVERLAPPED at = {};
    at.Offset = static_cast<DWORD>(size.QuadPart - 1);
    at.OffsetHigh = static_cast<DWORD>((size.QuadPart - 1) >> 32);
    DWORD written;
    return ReadFile(q.manifest, &last, 1, &read, &at) && read == 1 &&
           (last == '\n' || (WriteFile(q.manifest, "\n", 1, &written, nullptr) && written == 1));
}

static std::string checkQuarantine(const std::string& named, const std::wstring& full, bool forRestore, Quarantine& q)
{
    if (q.folder == INVALID_HANDLE_VALUE)
        return forRestore ? named + " is no quarantine: no such folder" : "cannot open the quarantine folder " + named;
    if (!isPlainKindHandle(q.folder, true) || !reachedByItsName(q.folder, full))
        return named + " is a link, a junction or no folder: a quarantine must be a folder itself";
    if (othersMayWriteTo(q.folder))
        return "other accounts may write to " + named + ": a quarantine must be closed to them";
    wchar_t final[MAX_PATH * 4];
    if (!finalPathOfHandle(q.folder, final, MAX_PATH * 4) || (q.volume = volumeOf(q.folder)) == 0)
        return "cannot open the quarantine folder " + named;
    q.path = final;
    if (!q.path.empty() && q.path.back() == L'\\')
        q.path.pop_back();  // a drive's root
    HANDLE seen = openIn(q.folder, MANIFEST, FILE_READ_ATTRIBUTES, SHARE_EVERYTHING, FILE_OPEN, false);
    bool hasManifest = seen != INVALID_HANDLE_VALUE;
    if (hasManifest)
        CloseHandle(seen);
    if (!hasManifest && (forRestore || !holdsNothing(q.path)))
        return named + " is no quarantine: it has no manifest.jsonl" + (forRestore ? "" : ", and other files");
    if (!forRestore && !openManifest(q))
        return "cannot write the quarantine's manifest in " + named + ", or other accounts may write to it";
    if (forRestore) {
        q.manifest = openIn(q.folder, MANIFEST, GENERIC_READ | FILE_APPEND_DATA | READ_CONTROL,
                            FILE_SHARE_READ | FILE_SHARE_WRITE, FILE_OPEN, false);
        if (q.manifest == INVALID_HANDLE_VALUE || !isPlainKindHandle(q.manifest, false))
            return "cannot read the quarantine's manifest in " + named;
        if (othersMayWriteTo(q.manifest))
            return "other accounts may write to the manifest of " + named + ": it cannot be trusted";
    }
    return "";
}

std::string openQuarantine(const char* folder, bool forRestore, Quarantine& q)
{
    std::string named = std::string(folder);
    std::wstring wide = wideOfUtf8(named), full(32768, L'\0');
    DWORD n = wide.empty() ? 0 : GetFullPathNameW(wide.c_str(), static_cast<DWORD>(full.size()), &full[0], nullptr);
    if (n == 0 || n >= full.size())
        return "the quarantine folder cannot be used: " + named;
    full.resize(n);
    q.folder = openFolder(full);
    bool made = false;
    DWORD error = GetLastError();
    if (q.folder == INVALID_HANDLE_VALUE && !forRestore && (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND)) {
        if (!makeQuarantineFolder(full))
            return "cannot make the quarantine folder " + named + ": " + systemMessage(GetLastError());
        made = true;
        q.folder = openFolder(full, DELETE);
    }
    std::string why = checkQuarantine(named, full, forRestore, q);
    if (made && q.folder != INVALID_HANDLE_VALUE) {
        if (q.manifest != INVALID_HANDLE_VALUE)
            CloseHandle(q.manifest);
        q.manifest = INVALID_HANDLE_VALUE;
        if (!why.empty()) {
            // A refused run leaves nothing behind: the folder it made goes, with its manifest.
            HANDLE left = openIn(q.folder, MANIFEST, DELETE, SHARE_EVERYTHING, FILE_OPEN, false);
            if (left != INVALID_HANDLE_VALUE) {
                deleteOnClose(left);
                CloseHandle(left);
            }
            deleteOnClose(q.folder);
            return why;
        }
        // Held with delete access, the folder would keep a second run out: held again as any
        // run holds it, and checked again.
        CloseHandle(q.folder);
        q.folder = openFolder(full);
        why = checkQuarantine(named, full, forRestore, q);
    }
    return why;
}

void closeQuarantine(Quarantine& q)
{
    if (q.manifest != INVALID_HANDLE_VALUE)
        CloseHandle(q.manifest);
    if (q.folder != INVALID_HANDLE_VALUE)
        CloseHandle(q.folder);
    q.manifest = q.folder = INVALID_HANDLE_VALUE;
}

// --- Into the quarantine ----------------------------------------------------------------

// A kept file's access list while it is away.
static const char CLOSED_TO_OTHERS[] = "D:P(A;;FA;;;SY)(A;;FA;;;BA)";

static std::wstring wideName(const std::string& ascii) { return std::wstring(ascii.begin(), ascii.end()); }

static bool append(HANDLE manifest, const std::string& text, bool flush)
{
    DWORD written;
    return WriteFile(manifest, text.data(), static_cast<DWORD>(text.size()), &written, nullptr) && written == text.size() &&
           (!flush || FlushFileBuffers(manifest));
}

// The number of the folder the file at the final path `file` lies in; 0 where unknown.
static std::uint64_t folderNumberOf(const wchar_t* file)
{
    std::wstring folder = file;
    std::size_t cut = folder.find_last_of(L'\\');
    if (cut == std::wstring::npos)
        return 0;
    folder.resize(cut + 1);
    HANDLE h = CreateFileW(folder.c_str(), FILE_READ_ATTRIBUTES, SHARE_EVERYTHING, nullptr, OPEN_EXISTING, OPEN_AS_ITSELF,
                           nullptr);
    BY_HANDLE_FILE_INFORMATION info;
    bool read = h != INVALID_HANDLE_VALUE && GetFileInformationByHandle(h, &info) &&
                (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY);
    if (h != INVALID_HANDLE_VALUE)
        CloseHandle(h);
    return read ? (std::uint64_t{info.nFileIndexHigh} << 32) | info.nFileIndexLow : 0;
}

namespace {
// Runs into one quarantine take turns with the manifest: one run's line, move and note are not
// torn apart by another's, and a file the other run took is seen as taken. The lock is on a
// byte no line reaches.
struct ManifestTurn {
    HANDLE manifest;
    OVERLAPPED at = {};
    bool held;
    explicit ManifestTurn(HANDLE m) : manifest(m)
    {
        at.Offset = 0xFFFFFFFE;
        at.OffsetHigh = 0x7FFFFFFF;
        held = LockFileEx(manifest, LOCKFILE_EXCLUSIVE_LOCK, 0, 1, 0, &at) != 0;
    }
    ~ManifestTurn()
    {
        if (held)
            UnlockFileEx(manifest, 0, 1, 0, &at);
    }
};
}  // namespace

DeleteOutcome quarantineFile(void* item, HANDLE held, const FileIdentity& listed)
{
    QuarantineItem& it = *static_cast<QuarantineItem*>(item);
    Quarantine& q = *it.quarantine;
    // Checked here: a rename to another drive fails on Windows, but Wine copies the file over.
    if (listed.volume != q.volume)
        return OUTCOME_OTHER_DRIVE;
    const DWORD access = DELETE | FILE_READ_ATTRIBUTES | SYNCHRONIZE;
    HANDLE h = ReOpenFile(held, access | READ_CONTROL | WRITE_DAC, SHARE_EVERYTHING, OPEN_AS_ITSELF);
    bool dac = h != INVALID_HANDLE_VALUE;
    if (!dac)
        h = ReOpenFile(held, access, SHARE_EVERYTHING, OPEN_AS_ITSELF);
    if (h == INVALID_HANDLE_VALUE)
        return OUTCOME_FAILED;
    SYSTEMTIME t;
    GetSystemTime(&t);
    std::string time = isoTime(t.wYear, t.wMonth, t.wDay, t.wHour, t.wMinute, t.wSecond);
    std::string digits;
    for (char c : time)
        if (c >= '0' && c <= '9')
            digits += c;
    QuarantineLine line = {it.original, it.target, it.reason, time, "", listed, dac ? accessListOf(h) : ""};
    identifyHandle(h, line.identity);  // as the file is now, with its 128-bit ID where there is one
    DeleteOutcome outcome = OUTCOME_FAILED;
    DWORD error = 0;
    ManifestTurn turn(q.manifest);
    static wchar_t now[MAX_PATH * 4];
    bool located = false;
    if (!turn.held) {
        error = GetLastError();
    } else if ((located = finalPathOfHandle(h, now, MAX_PATH * 4)) && liesWithin(now, q.path)) {
        outcome = OUTCOME_GONE;  // another run into this quarantine took it meanwhile
    } else if (q.replaced || (q.replaced = !stillNamed(q.folder, q.path))) {
        error = ERROR_FILE_INVALID;
    } else if (!q.headWritten && !(q.headWritten = append(q.manifest, manifestHead(q.searched), false))) {
        error = GetLastError();
    } else {
        line.folder = located ? folderNumberOf(now) : 0;
        for (int attempt = 0; attempt < 4 && outcome == OUTCOME_FAILED; ++attempt) {
            line.stored = storedName(digits, GetCurrentProcessId(), ++q.sequence);
            if (!append(q.manifest, manifestLine(line), true)) {
                error = GetLastError();
                break;
            }
            if (attempt == 0)
                unpinBeforeDeleting(it.source);  // its line is on disk: it goes
            if (moveInto(h, q.folder, wideName(line.stored), false))
                outcome = OUTCOME_QUARANTINED;
            else if (!isOccupied(error = GetLastError()))
                break;
        }
        // Not flushed: the next line's flush, or the system's, takes it to disk.
        if (outcome == OUTCOME_QUARANTINED)
            append(q.manifest, manifestMoved(line.stored, false), false);
        // While it is away, its owner may not change it through its full path either: only
        // the system and the administrators may; restore gives its own list back.
        if (outcome == OUTCOME_QUARANTINED && !line.access.empty())
            setAccessList(h, CLOSED_TO_OTHERS);
    }
    CloseHandle(h);
    SetLastError(error);
    return outcome;
}

// --- Back out ---------------------------------------------------------------------------

namespace {
// The folders along a target path, each held open so that none is swapped for a link.
struct HeldFolders {
    std::vector<HANDLE> handles;
    ~HeldFolders()
    {
        for (HANDLE h : handles)
            CloseHandle(h);
    }
};

struct Refusal {
    const char* action;  // null: none
    std::string why;
};
}  // namespace

// A volume's root as splitFullPath gives it ("C:\\", "\\\\server\\share\\"), held as itself.
static HANDLE openRoot(const std::wstring& root)
{
    return openFolder(root[0] == L'\\' ? L"\\\\?\\UNC\\" + root.substr(2) : L"\\\\?\\" + root);
}

// The full target path's folders held, each opened inside the one before, made where missing
// below a folder no other account may write to; `name` is the file's name in the last.
static Refusal holdFolders(const std::string& original, HeldFolders& held, std::wstring& final,
                           std::wstring& name)
{
    std::wstring root;
    std::vector<std::wstring> names;
    if (!splitFullPath(wideOfUtf8(original), root, names))
        return {"kept", "not a full path"};
    HANDLE h = openRoot(root);
    if (h == INVALID_HANDLE_VALUE)
        return {"kept", "its drive or share is not there"};
    final.clear();
    sitsInside(h, final, L"");
    for (std::size_t i = 0;; ++i) {
        held.handles.push_back(h);
        if (!isPlainKindHandle(h, true) || (i > 0 && !sitsInside(h, final, names[i - 1])))
            return {"kept", "a link or junction along its path"};
        if (i + 1 == names.size())
            break;
        const DWORD share = FILE_SHARE_READ | FILE_SHARE_WRITE;
        h = openIn(held.handles.back(), names[i], FOLDER_ACCESS, share, FILE_OPEN, true);
        DWORD error = GetLastError();
        if (h == INVALID_HANDLE_VALUE && (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND)) {
            if (othersMayWriteTo(held.handles.back()))
                return {"kept", "its folder is gone, and other accounts may write to the folder it was in"};
            h = openIn(held.handles.back(), names[i], FOLDER_ACCESS, share, FILE_OPEN_IF, true);
            error = GetLastError();
        }
        if (h == INVALID_HANDLE_VALUE)
            return {"failed", systemMessage(error)};
    }
    name = names.back();
    return {nullptr, ""};
}

// The very folder the file was taken from, opened by its number, where it is still at the
// line's path: no path to walk, and no folder made.
static bool heldAsTaken(const QuarantineLine& line, HeldFolders& held, std::wstring& final,
                        std::wstring& name)
{
    std::wstring original = wideOfUtf8(line.original), root;
    std::vector<std::wstring> names;
    if (line.folder == 0 || !splitFullPath(original, root, names))
        return false;
    FILE_ID_DESCRIPTOR id = {};
    id.dwSize = sizeof id;
    id.Type = FileIdType;
    id.FileId.QuadPart = static_cast<LONGLONG>(line.folder);
    // Any handle on the volume would do on Windows; Wine looks for the number below the one given.
    HANDLE volume = openRoot(root);
    if (volume == INVALID_HANDLE_VALUE)
        return false;
    HANDLE h = OpenFileById(volume, &id, FOLDER_ACCESS, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_AS_ITSELF);
    CloseHandle(volume);
    static wchar_t now[MAX_PATH * 4];
    bool there = h != INVALID_HANDLE_VALUE && isPlainKindHandle(h, true) && finalPathOfHandle(h, now, MAX_PATH * 4) &&
                 CompareStringOrdinal(withoutLongPrefix(now).c_str(), -1,
                                      original.substr(0, original.size() - names.back().size() - 1).c_str(), -1, TRUE) ==
                     CSTR_EQUAL;
    if (!there) {
        if (h != INVALID_HANDLE_VALUE)
            CloseHandle(h);
        return false;
    }
    held.handles.push_back(h);
    final = now;
    name = names.back();
    return true;
}

// What became of one line's file; false when it is no longer in the quarantine and its move
// never happened, or it was put back before: nothing to report. `searched`: the folders the
// runs searched; `lost`: the line's move into the quarantine is on record, and none back.
static bool restoreOne(const Quarantine& q, const QuarantineLine& line, const std::vector<std::wstring>& searched,
                       bool lost, CliRecord& r)
{
    r = {line.original, line.target, line.reason, "", "", "", ownerOf(wideOfUtf8(line.original)), ""};
    FILETIME written = {static_cast<DWORD>(line.identity.written), static_cast<DWORD>(line.identity.written >> 32)};
    r.modified = isoOfFileTime(written);
    const DWORD access = DELETE | FILE_READ_ATTRIBUTES | (line.access.empty() ? 0 : READ_CONTROL | WRITE_DAC);
    HANDLE h = openIn(q.folder, wideName(line.stored), access, FILE_SHARE_READ, FILE_OPEN, false);
    if (h == INVALID_HANDLE_VALUE) {
        DWORD error = GetLastError();
        bool missing = error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
        r.action = missing ? "lost" : "failed";
        r.error = missing ? "moved into the quarantine and no longer there" : systemMessage(error);
        return !missing || lost;
    }
    std::wstring original = wideOfUtf8(line.original), root;
    std::vector<std::wstring> names, below = searched;
    if (below.empty() && splitFullPath(original, root, names))
        below.push_back(root);  // a manifest of a version that kept no head: the names' rules alone
    FileIdentity now;
    bool keepsFileIds = false;
    HeldFolders held;
    std::wstring folder, name;
    Refusal refusal = {nullptr, ""};
    bool identified = identifyHandle(h, now, &keepsFileIds) && isPlainKindHandle(h, false);
    if (!restorablePath(original, below))
        refusal = {"kept", "not a shortcut's name below a folder the run searched"};
    else if (identified && now.volume != line.identity.volume && now.size == line.identity.size &&
             now.written == line.identity.written)
        refusal = {"kept", "its folder is on another drive than the quarantine now"};
    else if (!identified || !sameFileMoved(line.identity, now, keepsFileIds))
        refusal = {"kept", "not the file that was quarantined"};
    else if (!heldAsTaken(line, held, folder, name))
        refusal = holdFolders(line.original, held, folder, name);
    if (refusal.action == nullptr && volumeOf(held.handles.back()) != q.volume)
        refusal = {"kept", "its folder is on another drive than the quarantine now"};
    // Its own access list goes back with it; if it stays, it is closed again.
    bool reopened = refusal.action == nullptr && !line.access.empty() && setAccessList(h, line.access);
    if (refusal.action != nullptr) {
        r.action = refusal.action;
        r.error = refusal.why;
    } else if (!stillNamed(held.handles.back(), folder)) {
        r.action = "kept";
        r.error = "a link or junction along its path";
    } else if (moveInto(h, held.handles.back(), name, false)) {
        r.action = "restored";
        // A folder held open can still be made a junction while empty: then the file went
        // elsewhere, and comes back.
        if (!sitsInside(h, folder, name) && moveInto(h, q.folder, wideName(line.stored), false)) {
            r.action = "kept";
            r.error = "a link or junction along its path";
        } else {
            append(q.manifest, manifestMoved(line.stored, true), false);
            reopened = false;
        }
    } else {
        DWORD error = GetLastError();
        r.action = isOccupied(error) ? "kept" : "failed";
        r.error = isOccupied(error) ? "occupied" : systemMessage(error);
    }
    if (reopened)
        setAccessList(h, CLOSED_TO_OTHERS);
    CloseHandle(h);
    return true;
}

static bool readWhole(HANDLE h, std::string& text)
{
    LARGE_INTEGER size;
    DWORD got = 0;
    if (!GetFileSizeEx(h, &size) || size.QuadPart >= (1LL << 30))
        return false;
    text.resize(static_cast<std::size_t>(size.QuadPart));
    return text.empty() || (ReadFile(h, &text[0], static_cast<DWORD>(text.size()), &got, nullptr) && got == text.size());
}

std::vector<CliRecord> restoreQuarantine(Quarantine& q, bool& allBack)
{
    std::vector<CliRecord> records;
    std::string text;
    ManifestTurn turn(q.manifest);  // no delete run into it adds lines meanwhile
    allBack = turn.held && readWhole(q.manifest, text);
    if (!allBack)
        complain("cannot read the quarantine's manifest: " + systemMessage(GetLastError()));
    // Every line first: the heads and the moves' notes may come after a line, with runs at once.
    std::vector<QuarantineLine> lines;
    std::vector<std::wstring> searched;
    std::set<std::string> moved, restored;
    unsigned unreadable = 0;
    for (std::size_t from = 0; from < text.size();) {
        std::size_t end = text.find('\n', from);
        std::string one = text.substr(from, end == std::string::npos ? end : end - from);
        from = end == std::string::npos ? text.size() : end + 1;
        QuarantineLine line;
        ManifestNote note;
        if (one.empty() || one == "\r")
            continue;
        if (readManifestLine(one, line)) {
            lines.push_back(line);
        } else if (readManifestNote(one, note)) {
            for (const std::string& f : note.searched)
                searched.push_back(wideOfUtf8(f));
            moved.insert(note.moved);
            restored.insert(note.restored);
        } else {
            ++unreadable;
        }
    }
    std::set<std::wstring> named;
    for (const QuarantineLine& line : lines) {
        if (!named.insert(wideName(line.stored)).second)
            continue;  // the same file twice: the first line put it back
        CliRecord r;
        if (restoreOne(q, line, searched, moved.count(line.stored) != 0 && restored.count(line.stored) == 0, r)) {
            records.push_back(r);
            allBack = allBack && r.action == "restored";
        }
    }
    if (unreadable > 0)
        complain(std::to_string(unreadable) + " line(s) of the manifest could not be read");
    // A file no line names cannot be put back, and must not go unmentioned.
    WIN32_FIND_DATAW found;
    HANDLE find = FindFirstFileW((q.path + L"\\*.vmq").c_str(), &found);
    for (bool more = find != INVALID_HANDLE_VALUE; more; more = FindNextFileW(find, &found) != 0) {
        std::size_t length = std::wcslen(found.cFileName);
        if (!isStoredName(found.cFileName, length) || named.count(found.cFileName) != 0)
            continue;
        std::wstring stray = withoutLongPrefix(q.path) + L"\\" + found.cFileName;
        records.push_back({utf8Of(stray.c_str()), "", "", "", "kept", "not in the manifest", "", ""});
        allBack = false;
    }
    if (find != INVALID_HANDLE_VALUE)
        FindClose(find);
    return records;
}
