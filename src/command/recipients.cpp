#include "recipients.h"

#include <climits>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <new>

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
    // calloc: the platform hands out large blocks already zeroed, so they are
    // not written twice.
    std::unique_ptr<char, decltype(&std::free)> buffer(
        static_cast<char*>(std::calloc(static_cast<size_t>(offered) + 1, 1)), &std::free);
    if (!buffer) throw std::bad_alloc();
    g_host.GetSpecifiedHeader(headerName, buffer.get(), offered);
    buffer.get()[offered] = '\0';

    list.reserve(std::strlen(buffer.get()));
    ForEachOtherAddress(buffer.get(), ownAddress, AnsiLeadBytes(),
                        [&list](const char* address) {
                            if (!list.empty()) list += L", ";
                            AppendWidened(list, address);
                        });
    return list;
}
