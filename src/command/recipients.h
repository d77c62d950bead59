// The recipients of one address header of the host's current message.
#pragma once

#include <windows.h>

#include "growable_text.h"

// Addresses as the tokenizer returns them, joined by ", ", in UTF-16. The
// empty list is the empty text.
using AddressList = WideText;

// Adds to `list` the addresses of the current message's header `headerName`
// ("From", "To", "Cc") that do not contain `ownAddress` (non-empty) as a byte
// substring, after what the list holds, joined by ", ". Fails with
// E_OUTOFMEMORY or a conversion's error; the list is then incomplete.
HRESULT CollectRecipients(const char* headerName, const char* ownAddress, AddressList& list);
