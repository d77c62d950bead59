// host-window: the Ombry host in a real window, with the plug-in loaded, on a
// data folder of mail.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "main_window.h"

namespace {

constexpr char kUsage[] =
    "Usage: host-window [--data FOLDER] [--plugin DLL] [--record FILE] [--layout FILE] [--guard-heap]\n"
    "\n"
    "Opens the Ombry host's main window on a data folder of mail, with the plug-in\n"
    "loaded: its command is in メッセージ > 新規メールの宛先 and in the message\n"
    "list's pop-up menu, and it opens compose windows.\n"
    "\n"
    "  --data FOLDER   data folder: one folder per mailbox, each with MailBox.ini\n"
    "                  and messages as .eml files (default: samples\\data)\n"
    "  --plugin DLL    the plug-in to load (default: OmbryTovanal.dll beside host-window)\n"
    "  --record FILE   at exit, write the status bar, the recipients submenus and\n"
    "                  each compose window's fields to FILE (UTF-8)\n"
    "  --layout FILE   keep FILE up to date with where the window's rows and open\n"
    "                  menus are on the screen, for programs that drive the host\n"
    "  --guard-heap    the plug-in allocates from a heap that faults on the first\n"
    "                  byte past a block and on a use after free (for tests)\n";

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    WindowOptions options;
    for (int i = 1; i < __argc; ++i) {
        const std::string argument = __argv[i];
        if (argument == "--guard-heap") {
            options.guardHeap = true;
            continue;
        }
        std::string* value = argument == "--data"     ? &options.dataFolder
                             : argument == "--plugin" ? &options.plugin
                             : argument == "--record" ? &options.record
                             : argument == "--layout" ? &options.layout
                                                      : nullptr;
        if (!value || i + 1 >= __argc) {
            (void)std::fprintf(stderr, "host-window: %s %s\n\n%s", value ? "missing value for" : "unknown option",
                         argument.c_str(), kUsage);
            return 2;
        }
        *value = __argv[++i];
    }
    return RunHostWindow(instance, options);
}
