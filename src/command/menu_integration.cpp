#include "menu_integration.h"

#include <cstring>

#include "compose_command.h"
#include "host_api.h"
#include "texts.h"

namespace {

// A menu bar's fourth pull-down holds the recipients item.
constexpr int kRecipientsPullDown = 3;
// The command goes in as the fourth entry of the recipients submenu.
constexpr UINT kCommandPosition = 3;
constexpr UINT kItemTextSize = 100;

// The submenu of the first plain text item whose text contains the recipients
// text; null when the search ends without one, or the item has no submenu.
HMENU FindRecipientsSubmenu(HMENU menu) {
    if (!menu) return nullptr;
    for (UINT position = 0;; ++position) {
        char text[kItemTextSize] = {};
        MENUITEMINFOA item{};
        item.cbSize = sizeof item;
        item.fMask = MIIM_FTYPE | MIIM_SUBMENU | MIIM_STRING;
        item.dwTypeData = text;
        item.cch = kItemTextSize;
        if (!GetMenuItemInfoA(menu, position, TRUE, &item)) return nullptr;
        // Windows keeps at most 99 bytes and a NUL; Wine may fill all 100.
        text[kItemTextSize - 1] = '\0';
        if (item.fType == 0 && std::strstr(text, kRecipientsMenuText)) return item.hSubMenu;
    }
}

}  // namespace

void OnMenuInit(HMENU menu, int menuType) {
    if (menuType != kMenuBar && menuType != kPopupMenu) return;

    const int commandId = g_host.RegisterCommand(kCommandText, menuType, &OnComposeToParticipants);
    g_host.RegisterUICallback(commandId, &OnComposeToParticipantsState);

    HMENU searched = menuType == kMenuBar ? GetSubMenu(menu, kRecipientsPullDown) : menu;
    if (HMENU recipients = FindRecipientsSubmenu(searched)) {
        InsertMenuA(recipients, kCommandPosition, MF_BYPOSITION | MF_STRING, static_cast<UINT_PTR>(commandId),
                    kCommandMenuLabel);
    }
}

DWORD WINAPI OnComposeToParticipantsState(LONG, LONG) {
    const char* mailId = g_host.GetCurrentMail();
    return mailId && mailId[0] == '\0' ? 1 : 0;
}
