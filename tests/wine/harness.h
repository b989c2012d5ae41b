// Shared helpers for the in-process tests under Wine: the real program window in this
// process, real files and real shortcuts made through the shell's shortcut object.
#pragma once
#include "tests/link_bytes.h"
#include <windows.h>

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "app/app_state.h"

// A fresh empty folder under %TEMP% (or under `base`, which ends in a backslash); removed
// with everything in it by removeTree().
std::string makeTempDir(const char* tag, const char* base = nullptr);
void removeTree(const std::string& path);
void writeFile(const std::string& path, const std::string& bytes);
std::string readFile(const std::string& path);
bool fileExists(const std::string& path);

// A Unix path (a built program's) as Windows names it: drive Z: is the Unix root under Wine.
std::string onDriveZ(std::string unixPath);
// The Unix path Wine keeps behind a Windows one ("" when not under Wine).
std::string unixPath(const std::string& path);
// A link as Wine shows one: a Unix symbolic link at `link`, made by the system's own ln.
// True when it appears as a reparse point. `hard`: a second name of the file `target`,
// made on the Unix side, where names differ in case; true when it appears.
bool unixLink(const std::string& link, const std::string& target, bool hard = false);
// Removes a Unix link (Wine removes no link to a folder).
bool unixRemove(const std::string& path);

// Saves a shortcut at `linkPath` to `target` (which must exist while the link is saved).
void makeShortcut(const std::string& linkPath, const std::string& target);
void makeShortcutW(const std::wstring& linkPath, const std::wstring& target);
// A shortcut written byte by byte (link information, a relative path, an installer's
// descriptor...): saving it through the shell would look at its target, which a server
// that does not answer would make wait.
void writeLink(const std::string& path, const Link& link);
// The installer's descriptor of a product's feature and component ("{GUID}"s), as an
// advertised shortcut stores it: each GUID in 20 characters of the installer's base 85.
std::string darwinDescriptor(const std::string& product, const std::string& feature, const std::string& component);
// The running account's OneDrive account folder (a folder that syncs to other PCs); empty
// takes every account away.
void setSyncedFolder(const std::string& folder);
// A known-folder block added to a saved shortcut, as the shell saves one whose target lies in
// Documents: the shell then reads the target through the reader's own folder.
void addKnownFolderBlock(const std::string& linkPath);
// `folder` registered as the profile of a made-up account, whose SID is returned; and gone.
std::string registerProfile(const std::string& folder, int n = 0);
void unregisterProfile(const std::string& sid);

// CreateProcessA, tried a second time when it fails: under Wine on a loaded machine a start
// has failed, rarely, at random, with no process to wait for. The first failure's error goes
// to standard error, so a log shows it; a second one is the caller's to report.
BOOL createProcessA(const char* app, char* commandLine, BOOL inherit, const char* dir, STARTUPINFOA& si,
                    PROCESS_INFORMATION& pi);

// Starts the program in this process as if run with `commandLine`.
bool startTestProgram(const std::string& commandLine);
bool startTestProgram(const std::wstring& commandLine);  // as the system keeps it
// Closes it as the user would (WM_CLOSE), then frees what start-up took.
void closeTestProgram();

// Runs the program's message loop until nothing is left in the queue. Returns false when
// the program's quit message ended it.
bool runUntilIdle();

// A message-only window whose procedure a test supplies: it sees what the pump dispatches.
HWND makeMessageWindow(const char* className, WNDPROC proc);

// A message-only window whose message the pump of a run dispatches again and again until
// `due` holds; then `act` runs, once, from inside that pump. Destroy it after the run.
HWND actDuringRun(std::function<bool()> due, std::function<void()> act);

// The ways a close request reaches a run: posted for the pump to take, or sent.
struct CloseWay {
    const char* name;
    UINT msg;
    bool posted;
};
extern const CloseWay closeWays[3];  // posted close first, then sent close, sent end-of-session query

// Presses or releases a key through real input, so GetAsyncKeyState sees it.
void pressKey(WORD vk, bool down);

std::string windowText(HWND w);
std::vector<std::string> listEntries();
// The clipboard's text, or "<none>" / "<not opened>"; CF_UNICODETEXT, as other programs
// paste it, is given as UTF-8.
std::string clipboardText(UINT format = CF_TEXT);
std::vector<std::string> historyItems();
// Entries as a Ctrl search lists them: each file known by its identity, its target unchecked.
void addEntries(const std::vector<std::string>& entries);
void selectEntry(unsigned i, bool on);
bool isSelected(unsigned i);

// A test with the program started from a temporary folder of its own: the settings file
// lives there.
class ProgramTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;
    std::string dir;      // the program's folder
    std::string exePath;  // as given on its command line
    bool closed = false;
    void closeNow()
    {
        closeTestProgram();
        closed = true;
    }
};
