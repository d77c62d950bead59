// The recipients of one address header of the host's current message.
#pragma once

#include <string>

// Addresses as the tokenizer returns them, joined by ", ", in UTF-16. The
// empty list is the empty text.
using AddressList = std::wstring;

// Appends `more` to `list`, with ", " between them when both are non-empty.
void AppendToList(AddressList& list, const AddressList& more);

// The addresses of the current message's header `headerName` ("From", "To",
// "Cc") that do not contain `ownAddress` (non-empty) as a byte substring.
// Throws when memory or a text conversion fails; the caller ends quietly.
AddressList CollectRecipients(const char* headerName, const char* ownAddress);
