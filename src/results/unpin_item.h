// A shortcut pinned to the taskbar and deleted leaves a blank pin: the shell asks every
// program that removes a shortcut to unpin it first. It reaches only the running account's
// own pins, and from Windows 8 on the taskbar's.
#pragma once
#include <windows.h>

// Through the shell's pinned list; a system without one, or a refusal, stops nothing.
void unpinBeforeDeleting(const char* path);

// How an item is taken off the pinned list; tests record the calls here.
extern HRESULT (*removePin)(const wchar_t* path);
