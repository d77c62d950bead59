#include "host_menus.h"

#include <iterator>

#include "mail_message.h"

const char kMessagePullDownText[] = "メッセージ(&M)";
const char kRecipientsItemText[] = "新規メールの宛先(&N)";

namespace {

// Written here in UTF-8 and handed to the platform in Shift_JIS.
constexpr const char* kPullDowns[] = {"ファイル(&F)", "編集(&E)", "表示(&V)", kMessagePullDownText, "ツール(&T)"};
constexpr int kMessagePullDown = 3;
constexpr const char* kMessageMenu[] = {"返信(&R)", "全員に返信(&A)", "転送(&W)"};
constexpr const char* kRecipientsMenu[] = {"差出人(&F)", "宛先(&T)", "Cc(&C)", "差出人と宛先(&B)", "全員(&L)"};
constexpr UINT kFirstPopupCommand = 1000;

void AppendText(HMENU menu, UINT id, const char* utf8) {
    AppendMenuA(menu, MF_STRING, id, Utf8ToShiftJis(utf8).c_str());
}

// The message commands with the recipients submenu after them.
HostMenu MessageCommands(UINT firstId) {
    HostMenu commands{CreatePopupMenu(), CreatePopupMenu()};
    UINT id = firstId;
    for (const char* text : kMessageMenu) AppendText(commands.menu, id++, text);
    AppendMenuA(commands.menu, MF_SEPARATOR, 0, nullptr);
    for (const char* text : kRecipientsMenu) AppendText(commands.recipients, id++, text);
    AppendMenuA(commands.menu, MF_POPUP, UINT_PTR(commands.recipients), Utf8ToShiftJis(kRecipientsItemText).c_str());
    return commands;
}

}  // namespace

HostMenu BuildMenuBar() {
    HostMenu bar{CreateMenu(), nullptr};
    for (int i = 0; i < int(std::size(kPullDowns)); ++i) {
        HMENU pullDown = CreatePopupMenu();
        if (i == 0) AppendText(pullDown, kExitCommand, "終了(&X)");
        if (i == kMessagePullDown) {
            const HostMenu commands = MessageCommands(kFirstMessageCommand);
            pullDown = commands.menu;
            bar.recipients = commands.recipients;
        }
        AppendMenuA(bar.menu, MF_POPUP, UINT_PTR(pullDown), Utf8ToShiftJis(kPullDowns[i]).c_str());
    }
    return bar;
}

HostMenu BuildMessagePopup() { return MessageCommands(kFirstPopupCommand); }
