// Choosing the folder with the shell's folder browser, or by dropping it on the window.
#pragma once
#include <windows.h>
#include <shellapi.h>

// "F&older"; `preselect` when chosen with the right button: start at the typed folder.
void chooseFolder(bool preselect);

void dropFolder(HDROP drop);
