// Process entry: reads its own command line and always ends with exit code 0.
#include <windows.h>

#include "app/startup.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    if (startProgram(GetCommandLineW()))
        runMessageLoop();
    finishProgram();
    ExitProcess(0);
}
