#include "simulator.h"

#include <optional>

#include "data_folder.h"
#include "fake_host.h"
#include "host_menus.h"
#include "mail_message.h"
#include "plugin_loading.h"

namespace {

void PrintMenu(std::ostream& out, const std::string& title, HMENU menu) {
    out << title << "\n";
    for (int i = 0; i < GetMenuItemCount(menu); ++i) {
        char text[256] = {};
        GetMenuStringA(menu, UINT(i), text, sizeof text, MF_BYPOSITION);
        out << "    " << i << "  " << ShiftJisToUtf8(text) << "  [id " << GetMenuItemID(menu, i) << "]\n";
    }
}

std::string Shown(const std::string& shiftJis) { return shiftJis.empty() ? "(empty)" : ShiftJisToUtf8(shiftJis); }

class Session {
public:
    Session(HMODULE plugin, std::ostream& out) : plugin_(plugin), out_(out) {}

    void ShowInfo() {
        const PluginDescription texts = DescribePlugin(plugin_);
        out_ << "Plug-in: " << ShiftJisToUtf8(texts.name) << " " << ShiftJisToUtf8(texts.version) << " ("
             << ShiftJisToUtf8(texts.vendor) << ")\n  " << ShiftJisToUtf8(texts.description) << "\n\n";
    }

    // The host builds its menu bar and the message pop-up menu.
    void BuildMenus() {
        auto menuInit = ExportOf<OnMenuInitFn>(plugin_, "OMC_OnMenuInit");
        const HostMenu bar = BuildMenuBar();
        const HostMenu popup = BuildMessagePopup();
        menuInit(nullptr, bar.menu, kMenuBar);
        menuInit(nullptr, popup.menu, kPopupMenu);
        PrintMenu(out_, "Menu bar > " + std::string(kMessagePullDownText) + " > " + kRecipientsItemText + ":",
                  bar.recipients);
        PrintMenu(out_, "Pop-up menu > " + std::string(kRecipientsItemText) + ":", popup.recipients);
        DestroyMenu(bar.menu);
        DestroyMenu(popup.menu);

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

    static DWORD State() {
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
        SetCurrentMessage(host, mailBox, file, &*read.message);
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

    const PluginLoad load = LoadPlugin(options.plugin);
    if (!load.module) {
        out << "error: cannot load " << ShiftJisToUtf8(load.path) << ": error " << load.error
            << (load.refused() ? " (the plug-in refused this host)" : "") << "\n";
        return 1;
    }
    HMODULE plugin = load.module;
    out << "Ombry host simulator, version " << TheFakeHost().version.value_or("") << ", data folder "
        << ShiftJisToUtf8(dataFolder) << "\n";
    Session session(plugin, out);
    session.ShowInfo();
    session.BuildMenus();

    for (const std::string& mailBox : MailboxNames(dataFolder)) {
        if (!options.mailBox.empty() && mailBox != options.mailBox) continue;
        const std::string folder = dataFolder + mailBox + "\\";
        std::vector<std::string> files = MessageFiles(folder);
        if (!options.message.empty()) {
            std::erase_if(files, [&](const std::string& file) { return file != options.message; });
            if (files.empty()) continue;
        }
        const std::string own = OwnAddress(folder);
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
