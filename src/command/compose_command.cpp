#include "compose_command.h"

#include "ansi_text.h"
#include "host_api.h"
#include "recipients.h"

namespace {

// The current mailbox's settings file: data folder, mailbox folder (both end
// in a path separator) and the file name, joined as they come.
HRESULT SettingsFilePath(AnsiText& path) {
    // Copied before the next call: a host may return both texts in one buffer.
    WideText mailBox;
    HRESULT result = AppendWidened(mailBox, HostText(g_host.GetCurrentMailBox()));
    WideText joined;
    if (SUCCEEDED(result)) result = AppendWidened(joined, HostText(g_host.GetDataFolder()));
    if (SUCCEEDED(result)) result = joined.Append(mailBox.c_str(), mailBox.size());
    if (SUCCEEDED(result)) result = AppendWidened(joined, "MailBox.ini");
    if (SUCCEEDED(result)) result = AppendNarrowed(path, joined);
    return result;
}

HRESULT ComposeToParticipants() {
    char ownAddress[260] = {};
    AnsiText settingsFile;
    HRESULT result = SettingsFilePath(settingsFile);
    if (FAILED(result)) return result;
    GetPrivateProfileStringA("Account", "MailAddress", "", ownAddress, sizeof ownAddress, settingsFile.c_str());
    if (ownAddress[0] == '\0') return E_FAIL;

    // To: the From addresses, then the To addresses; Cc: the Cc addresses.
    AddressList to;
    AddressList cc;
    result = CollectRecipients("From", ownAddress, to);
    if (SUCCEEDED(result)) result = CollectRecipients("To", ownAddress, to);
    if (SUCCEEDED(result)) result = CollectRecipients("Cc", ownAddress, cc);

    // Everything that can fail is done before the window opens, so a failure
    // never leaves the user a window with some of the recipients missing.
    AnsiText toText;
    AnsiText ccText;
    if (SUCCEEDED(result)) result = AppendNarrowed(toText, to);
    if (SUCCEEDED(result)) result = AppendNarrowed(ccText, cc);
    if (FAILED(result)) return result;

    HWND compose = g_host.ComposeMail("");
    g_host.CompSetSpecifiedHeader(compose, "To", toText.c_str());
    g_host.CompSetSpecifiedHeader(compose, "Cc", ccText.c_str());
    return S_OK;
}

}  // namespace

void WINAPI OnComposeToParticipants(LONG, LONG) {
    // Failures are silent: the result decides only whether the window opens.
    ComposeToParticipants();
}
