#include "simulator.h"

#include <algorithm>
#include <cstring>
#include <optional>

#include "fake_host.h"
#include "mail_message.h"

namespace {

// Menu texts of the host, written here in UTF-8 and handed over in Shift_JIS.
constexpr const char* kPullDowns[] = {"ファイル(&F)", "編集(&E)", "表示(&V)", "メッセージ(&M)", "ツール(&T)"};
constexpr const char* kMessageMenu[] = {"返信(&R)", "全員に返信(&A)", "転送(&W)"};
constexpr const char kRecipientsItem[] = "新規メールの宛先(&N)";
constexpr const char* kRecipientsMenu[] = {"差出人(&F)", "宛先(&T)", "Cc(&C)", "差出人と宛先(&B)", "全員(&L)"};

void AppendText(HMENU menu, UINT id, const char* utf8) {
    AppendMenuA(menu, MF_STRING, id, Utf8ToShiftJis(utf8).c_str());
}

// A recipients submenu under the host's message commands, as in the host's
// menu bar and message pop-up menu.
HMENU MessageCommands(HMENU& recipients, UINT firstId) {
    HMENU menu = CreatePopupMenu();
    UINT id = firstId;
    for (const char* text : kMessageMenu) AppendText(menu, id++, text);
    AppendMenuA(menu, MF_SEPARATOR, 0, nullptr);
    recipients = CreatePopupMenu();
    for (const char* text : kRecipientsMenu) AppendText(recipients, id++, text);
    AppendMenuA(menu, MF_POPUP, UINT_PTR(recipients), Utf8ToShiftJis(kRecipientsItem).c_str());
    return menu;
}

void PrintMenu(std::ostream& out, const std::string& title, HMENU menu) {
    out << title << "\n";
    for (int i = 0; i < GetMenuItemCount(menu); ++i) {
        char text[256] = {};
        GetMenuStringA(menu, UINT(i), text, sizeof text, MF_BYPOSITION);
        out << "    " << i << "  " << ShiftJisToUtf8(text) << "  [id " << GetMenuItemID(menu, i) << "]\n";
    }
}

std::string FullFolderPath(const std::string& path) {
    char full[MAX_PATH * 4] = {};
    if (!GetFullPathNameA(path.c_str(), sizeof full, full, nullptr)) return path;
    std::string folder = full;
    if (!folder.empty() && folder.back() != '\\') folder += '\\';
    return folder;
}

bool IsFolder(const std::string& path) {
    const DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

// Names of the entries of `folder` that match `pattern`, sorted.
std::vector<std::string> List(const std::string& folder, const char* pattern, bool folders) {
    std::vector<std::string> names;
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((folder + pattern).c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return names;
    do {
        const bool isFolder = found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY;
        if (isFolder == folders && found.cFileName[0] != '.') names.push_back(found.cFileName);
    } while (FindNextFileA(search, &found));
    FindClose(search);
    std::sort(names.begin(), names.end());
    return names;
}

std::string OwnAddress(const std::string& settingsFile) {
    char address[260] = {};
    GetPrivateProfileStringA("Account", "MailAddress", "", address, sizeof address, settingsFile.c_str());
    return address;
}

std::string Shown(const std::string& shiftJis) { return shiftJis.empty() ? "(empty)" : ShiftJisToUtf8(shiftJis); }

class Session {
public:
    Session(HMODULE plugin, std::ostream& out) : plugin_(plugin), out_(out) {}

    void ShowInfo() {
        std::vector<char> block(1024, '\0');
        ExportOf<OnPlugInInfoFn>(plugin_, "OMC_OnPlugInInfo")(reinterpret_cast<PlugInInfo*>(block.data()));
        out_ << "Plug-in: " << ShiftJisToUtf8(block.data()) << " " << ShiftJisToUtf8(block.data() + 160) << " ("
             << ShiftJisToUtf8(block.data() + 80) << ")\n  " << ShiftJisToUtf8(block.data() + 240) << "\n\n";
    }

    // The host builds its menu bar and the message pop-up menu.
    void BuildMenus() {
        auto menuInit = ExportOf<OnMenuInitFn>(plugin_, "OMC_OnMenuInit");
        HMENU barRecipients = nullptr;
        HMENU bar = CreateMenu();
        UINT id = 100;
        for (size_t i = 0; i < std::size(kPullDowns); ++i, id += 100) {
            HMENU pullDown = i == 3 ? MessageCommands(barRecipients, id) : CreatePopupMenu();
            AppendMenuA(bar, MF_POPUP, UINT_PTR(pullDown), Utf8ToShiftJis(kPullDowns[i]).c_str());
        }
        HMENU popupRecipients = nullptr;
        HMENU popup = MessageCommands(popupRecipients, 1000);

        menuInit(nullptr, bar, 0);
        menuInit(nullptr, popup, 1);
        PrintMenu(out_, "Menu bar > " + std::string(kPullDowns[3]) + " > " + kRecipientsItem + ":", barRecipients);
        PrintMenu(out_, "Pop-up menu > " + std::string(kRecipientsItem) + ":", popupRecipients);
        DestroyMenu(bar);
        DestroyMenu(popup);

        FakeHost& host = TheFakeHost();
        out_ << "Registered commands:";
        for (const FakeCommand& command : host.commands) {
            out_ << " " << command.id << " \"" << ShiftJisToUtf8(command.text) << "\" (menu type " << command.menuType
                 << ")";
        }
        out_ << "\n";
        host.currentMail = "";
        out_ << "State with no message selected: " << State() << "\n";
    }

    DWORD State() {
        const FakeHost& host = TheFakeHost();
        if (host.stateCallbacks.empty()) return 0;
        return host.stateCallbacks.back().onState(host.stateCallbacks.back().commandId, 0);
    }

    MessageOutcome RunMessage(const std::string& dataFolder, const std::string& mailBox, const std::string& file) {
        MessageOutcome outcome;
        outcome.mailBox = mailBox;
        outcome.file = file;
        const std::string path = dataFolder + mailBox + "\\" + file;
        MessageResult read = ReadMessageFile(path);
        if (!read.message) {
            outcome.error = read.error;
            out_ << "  error: " << ShiftJisToUtf8(path) << ": " << read.error << "\n";
            return outcome;
        }

        // The host makes the message current in its mailbox.
        FakeHost& host = TheFakeHost();
        host.mailBox = mailBox + "\\";
        host.currentMail = file;
        host.headers.clear();
        for (const auto& [name, value] : read.message->fields) host.headers.emplace(name, value);
        for (const char* name : {"From", "To", "Cc"}) {
            if (std::optional<std::string> value = read.message->Field(name)) host.headers[name] = *value;
        }
        host.headerBlock = read.message->HeaderBlock();
        host.composeArguments.clear();
        host.headerSets.clear();

        out_ << "  " << ShiftJisToUtf8(file) << "\n";
        for (const char* name : {"From", "To", "Cc"}) {
            out_ << "      " << name << ": " << ShiftJisToUtf8(read.message->Field(name).value_or("")) << "\n";
        }
        outcome.state = State();
        out_ << "      state " << outcome.state << (outcome.state ? " (no current message)" : "") << "\n";

        // The user chooses the command: the host calls what it registered.
        const FakeCommand& command = host.commands.back();
        command.onCommand(command.id, 0);
        outcome.composed = !host.composeArguments.empty();
        if (!outcome.composed) {
            out_ << "    => the command did nothing (no own address in MailBox.ini)\n";
            return outcome;
        }
        outcome.to = host.ComposeHeader("To").value_or("");
        outcome.cc = host.ComposeHeader("Cc").value_or("");
        out_ << "    => new message  To: " << Shown(outcome.to) << "\n"
             << "                    Cc: " << Shown(outcome.cc) << "\n";
        return outcome;
    }

private:
    HMODULE plugin_;
    std::ostream& out_;
};

}  // namespace

int RunSimulator(const SimulatorOptions& options, std::ostream& out, std::vector<MessageOutcome>* outcomes) {
    const std::string dataFolder = FullFolderPath(options.dataFolder);
    if (!IsFolder(dataFolder)) {
        out << "error: no data folder " << ShiftJisToUtf8(dataFolder) << "\n";
        return 2;
    }
    TheFakeHost() = FakeHost{};
    TheFakeHost().dataFolder = dataFolder;

    // The loader looks in the program's own folder first, as for the host's plug-ins.
    char pluginPath[MAX_PATH * 4] = "OmbryTovanal.dll";
    if (!options.plugin.empty()) GetFullPathNameA(options.plugin.c_str(), sizeof pluginPath, pluginPath, nullptr);
    HMODULE plugin = LoadLibraryA(pluginPath);
    if (!plugin) {
        const DWORD error = GetLastError();
        out << "error: cannot load " << ShiftJisToUtf8(pluginPath) << ": error " << error
            << (error == ERROR_DLL_INIT_FAILED ? " (the plug-in refused this host)" : "") << "\n";
        return 1;
    }
    out << "Ombry host simulator, version " << TheFakeHost().version.value_or("") << ", data folder "
        << ShiftJisToUtf8(dataFolder) << "\n";
    Session session(plugin, out);
    session.ShowInfo();
    session.BuildMenus();

    for (const std::string& mailBox : List(dataFolder, "*", true)) {
        if (!options.mailBox.empty() && mailBox != options.mailBox) continue;
        const std::string folder = dataFolder + mailBox + "\\";
        std::vector<std::string> files = List(folder, "*.eml", false);
        if (!options.message.empty()) {
            std::erase_if(files, [&](const std::string& file) { return file != options.message; });
            if (files.empty()) continue;
        }
        const std::string own = OwnAddress(folder + "MailBox.ini");
        out << "\nMailbox " << ShiftJisToUtf8(mailBox) << " (own address: "
            << (own.empty() ? "none" : ShiftJisToUtf8(own)) << ")\n";
        for (const std::string& file : files) {
            MessageOutcome outcome = session.RunMessage(dataFolder, mailBox, file);
            if (outcomes) outcomes->push_back(std::move(outcome));
        }
    }
    FreeLibrary(plugin);
    return 0;
}
