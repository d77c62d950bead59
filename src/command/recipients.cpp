#include "recipients.h"

#include <climits>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "address_tokenizer.h"
#include "ansi_text.h"
#include "host_api.h"

namespace {

constexpr wchar_t kSeparator[] = L", ";

}  // namespace

HRESULT CollectRecipients(const char* headerName, const char* ownAddress, AddressList& list) {
    // No header value can be longer than the header block that holds it.
    const char* mailId = HostText(g_host.GetCurrentMail());
    const size_t blockLength = std::strlen(HostText(g_host.GetHeader(mailId)));
    const int offered = blockLength > INT_MAX - 1 ? INT_MAX - 1 : static_cast<int>(blockLength);

    // One byte more than offered, so the value ends at a NUL inside the buffer
    // even when the host fills every byte it was given. calloc: the platform
    // hands out large blocks already zeroed, so they are not written twice.
    const std::unique_ptr<char, decltype(&std::free)> buffer(
        static_cast<char*>(std::calloc(static_cast<size_t>(offered) + 1, 1)), &std::free);
    if (!buffer) return E_OUTOFMEMORY;
    g_host.GetSpecifiedHeader(headerName, buffer.get(), offered);
    buffer.get()[offered] = '\0';

    HRESULT result = list.Reserve(std::strlen(buffer.get()));
    ForEachOtherAddress(buffer.get(), ownAddress, AnsiByteClasses(), [&](const char* address) {
        if (SUCCEEDED(result) && !list.empty()) result = list.Append(kSeparator, 2);
        if (SUCCEEDED(result)) result = AppendWidened(list, address);
        return SUCCEEDED(result);
    });
    return result;
}
