#include "recipients.h"

#include <climits>
#include <cstring>
#include <vector>

#include "address_tokenizer.h"
#include "ansi_text.h"
#include "host_api.h"

void AppendToList(AddressList& list, const AddressList& more) {
    if (more.empty()) return;
    if (!list.empty()) list += L", ";
    list += more;
}

AddressList CollectRecipients(const char* headerName, const char* ownAddress) {
    AddressList list;

    // No header value can be longer than the header block that holds it.
    const char* mailId = g_host.GetCurrentMail();
    const size_t blockLength = HostText(g_host.GetHeader(mailId ? mailId : "")).size();
    const int offered = blockLength > INT_MAX - 1 ? INT_MAX - 1 : static_cast<int>(blockLength);

    // One byte more than offered, so the value ends at a NUL inside the buffer
    // even when the host fills every byte it was given.
    std::vector<char> buffer(static_cast<size_t>(offered) + 1, '\0');
    g_host.GetSpecifiedHeader(headerName, buffer.data(), offered);
    buffer.back() = '\0';

    for (char* address = NextAddress(buffer.data(), AnsiLeadBytes()); address;
         address = NextAddress(nullptr, AnsiLeadBytes())) {
        if (std::strstr(address, ownAddress)) continue;
        AppendToList(list, WidenAnsi(address));
    }
    return list;
}
