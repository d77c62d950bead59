#include "compose_command.h"

#include <string>

#include "ansi_text.h"
#include "host_api.h"
#include "recipients.h"

namespace {

// The current mailbox's settings file: data folder, mailbox folder (both end
// in a path separator) and the file name, joined as they come.
std::string SettingsFilePath() {
    // Copied before the next call: a host may return both texts in one buffer.
    const std::wstring mailBox = WidenAnsi(HostText(g_host.GetCurrentMailBox()));
    std::wstring path = WidenAnsi(HostText(g_host.GetDataFolder()));
    path += mailBox;
    path += L"MailBox.ini";
    return NarrowToAnsi(path);
}

void ComposeToParticipants() {
    char ownAddress[260] = {};
    const std::string settingsFile = SettingsFilePath();
    GetPrivateProfileStringA("Account", "MailAddress", "", ownAddress, sizeof ownAddress, settingsFile.c_str());
    if (ownAddress[0] == '\0') return;

    AddressList to = CollectRecipients("From", ownAddress);
    AppendToList(to, CollectRecipients("To", ownAddress));
    const AddressList cc = CollectRecipients("Cc", ownAddress);

    // Everything that can fail is done before the window opens, so a failure
    // never leaves the user a window with some of the recipients missing.
    const std::string toText = NarrowToAnsi(to);
    const std::string ccText = NarrowToAnsi(cc);

    HWND compose = g_host.ComposeMail("");
    g_host.CompSetSpecifiedHeader(compose, "To", toText.c_str());
    g_host.CompSetSpecifiedHeader(compose, "Cc", ccText.c_str());
}

}  // namespace

void WINAPI OnComposeToParticipants(LONG, LONG) {
    try {
        ComposeToParticipants();
    } catch (...) {
        // Out of memory or an unconvertible text: the command ends without a
        // window, and failures are silent.
    }
}
