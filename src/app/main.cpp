// Process entry: reads its own command line and always ends with exit code 0.
#include <windows.h>

#include "app/startup.h"
#include "search/root_answers.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    if (startProgram(GetCommandLineW()))
        runMessageLoop();
    finishProgram();
    // A lookup of a drive or server that hangs may never return: ExitProcess would wait for it.
    if (lookupsAbandoned())
        TerminateProcess(GetCurrentProcess(), 0);
    ExitProcess(0);
}
