// Waits until the running Vellmoor window's search has ended (its status line reads
// "... Links" or "No File") and prints that line. Usage: wait_for_search [SECONDS]
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

int main(int argc, char** argv)
{
    int seconds = argc > 1 ? std::atoi(argv[1]) : 30;
    for (int i = 0; i < seconds * 10; ++i, Sleep(100)) {
        HWND main = FindWindowA("Vellmoor", nullptr);
        if (main == nullptr)
            continue;
        char status[64] = "";
        SendMessageA(GetDlgItem(main, 0x8105), WM_GETTEXT, sizeof status, reinterpret_cast<LPARAM>(status));
        std::size_t n = std::strlen(status);
        if (std::strcmp(status, "No File") == 0 || (n > 5 && std::strcmp(status + n - 5, "Links") == 0)) {
            std::printf("%s\n", status);
            return 0;
        }
    }
    std::printf("the search did not end within %d seconds\n", seconds);
    return 1;
}
