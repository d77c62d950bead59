// Plays the Ombry host for the plug-in on a data folder of real mail: loads the
// DLL, builds the host's menus, and for each message runs the command the way
// the host does, reporting what the plug-in made of it.
#pragma once

#include <windows.h>

#include <ostream>
#include <string>
#include <vector>

struct SimulatorOptions {
    std::string dataFolder = "samples\\data";
    std::string mailBox;   // only this mailbox folder, when set
    std::string message;   // only message files of this name, when set
    std::string plugin;    // the plug-in DLL; empty: OmbryTovanal.dll beside the program
};

// What happened to one message. Texts are Shift_JIS, as the host holds them.
struct MessageOutcome {
    std::string mailBox;
    std::string file;
    std::string error;  // set when the message could not be read
    DWORD state = 0;    // the command's state with this message current
    bool composed = false;
    std::string to;
    std::string cc;
};

// Runs the simulation and prints it, in UTF-8, to `out`. Returns the process
// exit code: 0 when the plug-in ran (malformed messages included), 1 when it
// could not be loaded, 2 for a missing data folder.
int RunSimulator(const SimulatorOptions& options, std::ostream& out, std::vector<MessageOutcome>* outcomes = nullptr);
