// Deleting the shortcut files behind list entries through the shell.
#pragma once
#include <windows.h>
#include <shellapi.h>

#include "results/delete_file.h"

// IDC_DELETE: every selected entry, as a run that can be stopped. IDM_DELITEM: the entry
// whose context menu was opened, at `index`, at once.
void deleteEntries(UINT command, unsigned index);
