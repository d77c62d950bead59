#include "data_folder.h"

#include <windows.h>

#include <algorithm>
#include <optional>

namespace {

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

}  // namespace

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

std::vector<std::string> MailboxNames(const std::string& dataFolder) { return List(dataFolder, "*", true); }

std::vector<std::string> MessageFiles(const std::string& mailboxFolder) {
    return List(mailboxFolder, "*.eml", false);
}

std::string OwnAddress(const std::string& mailboxFolder) {
    char address[260] = {};
    GetPrivateProfileStringA("Account", "MailAddress", "", address, sizeof address,
                             (mailboxFolder + "MailBox.ini").c_str());
    return address;
}

void SetCurrentMessage(FakeHost& host, const std::string& mailBox, const std::string& file, const MailMessage* message) {
    host.mailBox = mailBox + "\\";
    host.headers.clear();
    if (!message) {
        host.currentMail = "";
        host.headerBlock = "";
        return;
    }
    host.currentMail = file;
    for (const auto& [name, value] : message->fields) host.headers.emplace(name, value);
    // The host finds the address fields whatever their letter case.
    for (const char* name : {"From", "To", "Cc"}) {
        if (std::optional<std::string> value = message->Field(name)) host.headers[name] = *value;
    }
    host.headerBlock = message->HeaderBlock();
}
