// Screen readers read an entry's string, its path, as before; the reason a grey entry is
// listed reaches them as the entry's description, served through the system's annotation
// service (Windows XP SP2 on; where it is missing nothing changes).
#pragma once
#include <windows.h>
#include <oleacc.h>

// While the list lives.
void startAnnotating(HWND list);
void stopAnnotating(HWND list);

// What the list's annotation answers; tests ask it directly, with their own reading of an
// identity string, as the system's is not available under Wine.
IAccPropServer* entryAnnotation();
extern HRESULT (*readIdentity)(IAccPropServices* services, const BYTE* id, DWORD length, DWORD* child);
