// host-sim: runs the plug-in on a data folder of mail, as the Ombry host would.
#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <iostream>
#include <string>

#include "simulator.h"

namespace {

constexpr char kUsage[] =
    "Usage: host-sim [--data FOLDER] [--mailbox NAME] [--message FILE] [--plugin DLL]\n"
    "\n"
    "Plays the Ombry host for the plug-in: loads the DLL, builds the host's menu bar\n"
    "and message pop-up menu (the plug-in inserts its command), then, for every\n"
    "message of every mailbox of the data folder, makes it current, asks the\n"
    "command's state, runs the command and prints the new message's To and Cc.\n"
    "\n"
    "  --data FOLDER   data folder: one folder per mailbox, each with MailBox.ini\n"
    "                  ([Account] MailAddress=...) and messages as .eml files\n"
    "                  (default: samples\\data)\n"
    "  --mailbox NAME  only the mailbox folder NAME\n"
    "  --message FILE  only messages whose file name is FILE (e.g. 01-to-me.eml)\n"
    "  --plugin DLL    the plug-in to load (default: OmbryTovanal.dll beside host-sim)\n"
    "  --help          this text\n"
    "\n"
    "Output is UTF-8. Malformed messages are reported on one line and skipped.\n";

}  // namespace

int main(int argc, char** argv) {
    // UTF-8 out, byte for byte, whether to a console or to a pipe.
    SetConsoleOutputCP(CP_UTF8);
    _setmode(_fileno(stdout), _O_BINARY);

    SimulatorOptions options;
    for (int i = 1; i < argc; ++i) {
        const std::string argument = argv[i];
        std::string* value = argument == "--data"      ? &options.dataFolder
                             : argument == "--mailbox" ? &options.mailBox
                             : argument == "--message" ? &options.message
                             : argument == "--plugin"  ? &options.plugin
                                                       : nullptr;
        if (argument == "--help" || argument == "-h") {
            std::cout << kUsage;
            return 0;
        }
        if (!value || i + 1 >= argc) {
            std::cerr << "host-sim: " << (value ? "missing value for " : "unknown option ") << argument << "\n\n"
                      << kUsage;
            return 2;
        }
        *value = argv[++i];
    }
    const int status = RunSimulator(options, std::cout);
    std::cout.flush();
    return status;
}
