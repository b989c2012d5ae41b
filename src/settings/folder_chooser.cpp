// The folder browser and dropped folders are not built yet; a drop's handle is released.
#include "settings/folder_chooser.h"

#include <shellapi.h>

void chooseFolder(bool) {}

void dropFolder(HDROP drop) { DragFinish(drop); }
