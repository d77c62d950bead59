// The host's data folder as the host programs read it: one folder per mailbox,
// each with its settings file (MailBox.ini) and its messages as .eml files.
// Paths and names are ANSI (Shift_JIS) texts, as the host keeps them.
#pragma once

#include <string>
#include <vector>

#include "fake_host.h"
#include "mail_message.h"

// The full path of a folder, ending in a path separator.
std::string FullFolderPath(const std::string& path);
bool IsFolder(const std::string& path);

// The mailbox folders of a data folder (which ends in a separator), sorted.
std::vector<std::string> MailboxNames(const std::string& dataFolder);
// The message files (*.eml) of a mailbox folder (ending in a separator), sorted.
std::vector<std::string> MessageFiles(const std::string& mailboxFolder);
// The user's own address of a mailbox folder, from its MailBox.ini; empty if none.
std::string OwnAddress(const std::string& mailboxFolder);

// Makes a message of a mailbox the host's current message: its identifier
// (the file name), header fields and header block. A null message leaves the
// host without a current message.
void SetCurrentMessage(FakeHost& host, const std::string& mailBox, const std::string& file, const MailMessage* message);
