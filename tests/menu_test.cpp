// The command in the host's menus, with real menus of the platform, and the
// state callback. Compiled with -fexec-charset=CP932, as command_test.cpp.
#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "import_hook.h"
#include "plugin_fixture.h"

namespace {

constexpr char kRecipients[] = "新規メールの宛先(&N)";
constexpr char kLabel[] = "トヴァナルメール(&A)";

struct Item {
    UINT id;
    std::string text;
};

// The entries of a menu, by position: identifier and text.
std::vector<Item> Items(HMENU menu) {
    std::vector<Item> items;
    for (int i = 0; i < GetMenuItemCount(menu); ++i) {
        char text[256] = {};
        GetMenuStringA(menu, UINT(i), text, sizeof text, MF_BYPOSITION);
        items.push_back({GetMenuItemID(menu, i), text});
    }
    return items;
}

HMENU RecipientsSubmenu(int entries) {
    HMENU submenu = CreatePopupMenu();
    for (int i = 0; i < entries; ++i) {
        AppendMenuA(submenu, MF_STRING, UINT_PTR(100 + i), ("宛先 " + std::to_string(i)).c_str());
    }
    return submenu;
}

// A pop-up menu with the recipients item after some other entries.
HMENU PopupWithRecipients(HMENU submenu) {
    HMENU popup = CreatePopupMenu();
    AppendMenuA(popup, MF_STRING, 1, "返信(&R)");
    AppendMenuA(popup, MF_SEPARATOR, 0, nullptr);
    AppendMenuA(popup, MF_POPUP, UINT_PTR(submenu), kRecipients);
    return popup;
}

HMENU MenuBar(int pullDowns, HMENU fourth) {
    HMENU bar = CreateMenu();
    for (int i = 0; i < pullDowns; ++i) {
        HMENU pullDown = i == 3 && fourth ? fourth : CreatePopupMenu();
        AppendMenuA(bar, MF_POPUP, UINT_PTR(pullDown), ("Menu " + std::to_string(i)).c_str());
    }
    return bar;
}

class MenuTest : public PluginTest {
protected:
    int LastCommandId() const { return TheFakeHost().commands.back().id; }
};

TEST_F(MenuTest, MenuBarGetsTheItemAsFourthEntryOfTheRecipientsSubmenu) {
    HMENU submenu = RecipientsSubmenu(5);
    HMENU bar = MenuBar(6, PopupWithRecipients(submenu));
    EXPECT_EQ(MenuInit(bar, 0), 0);

    ASSERT_EQ(host().commands.size(), 1u);
    const FakeCommand& command = host().commands[0];
    EXPECT_EQ(FromShiftJis(command.text), L"トヴァナルメール");
    EXPECT_EQ(command.text.size(), 16u);
    EXPECT_EQ(command.menuType, 0);
    EXPECT_NE(command.onCommand, nullptr);
    ASSERT_EQ(host().stateCallbacks.size(), 1u);
    EXPECT_EQ(host().stateCallbacks[0].commandId, command.id);

    std::vector<Item> items = Items(submenu);
    ASSERT_EQ(items.size(), 6u);
    EXPECT_EQ(items[3].id, UINT(command.id));
    EXPECT_EQ(items[3].text, kLabel);
    EXPECT_EQ(FromShiftJis(items[3].text), L"トヴァナルメール(&A)");
    EXPECT_EQ(items[2].id, 102u);
    EXPECT_EQ(items[4].id, 103u);  // the former fourth entry moved down
}

TEST_F(MenuTest, PopupMenuIsSearchedItself) {
    HMENU submenu = RecipientsSubmenu(4);
    EXPECT_EQ(MenuInit(PopupWithRecipients(submenu), 1), 0);
    ASSERT_EQ(host().commands.size(), 1u);
    EXPECT_EQ(host().commands[0].menuType, 1);
    EXPECT_EQ(Items(submenu)[3].id, UINT(LastCommandId()));
}

TEST_F(MenuTest, ShortSubmenuGetsTheItemAtItsEnd) {
    HMENU submenu = RecipientsSubmenu(2);
    MenuInit(PopupWithRecipients(submenu), 1);
    std::vector<Item> items = Items(submenu);
    ASSERT_EQ(items.size(), 3u);
    EXPECT_EQ(items[2].id, UINT(LastCommandId()));
}

// The platform as Windows behaves, where Wine does not: it writes at most
// cch - 1 bytes of an item's text and a NUL (Wine fills all cch bytes and
// writes no NUL), and for an item with an empty text it reports a length of
// 0 and writes nothing into the caller's buffer.
BOOL WINAPI WindowsMenuItemInfo(HMENU menu, UINT item, BOOL byPosition, LPMENUITEMINFOA info) {
    char text[256] = {};
    MENUITEMINFOA reported = *info;
    reported.dwTypeData = text;
    reported.cch = sizeof text;
    if (!GetMenuItemInfoA(menu, item, byPosition, &reported)) return FALSE;
    char* const buffer = info->dwTypeData;
    const UINT room = info->cch;
    *info = reported;
    info->dwTypeData = buffer;
    if (reported.cch > 0 && buffer && room > 0) {
        info->cch = std::min(reported.cch, room - 1);
        std::memcpy(buffer, text, info->cch);
        buffer[info->cch] = '\0';
    }
    return TRUE;
}

TEST_F(MenuTest, ItemWithATypeFlagIsPassedOverAndItsTextForgotten) {
    HMENU flagged = RecipientsSubmenu(4);
    HMENU emptyText = RecipientsSubmenu(4);
    HMENU plain = RecipientsSubmenu(4);
    HMENU popup = CreatePopupMenu();
    MENUITEMINFOA radio{};
    radio.cbSize = sizeof radio;
    radio.fMask = MIIM_FTYPE | MIIM_STRING | MIIM_SUBMENU;
    radio.fType = MFT_RADIOCHECK;
    radio.dwTypeData = const_cast<char*>(kRecipients);
    radio.hSubMenu = flagged;
    InsertMenuItemA(popup, 0, TRUE, &radio);
    // A plain item whose text the platform does not write: the flagged item's
    // text must not still be in the buffer when this one is looked at.
    AppendMenuA(popup, MF_POPUP, UINT_PTR(emptyText), "");
    AppendMenuA(popup, MF_POPUP, UINT_PTR(plain), kRecipients);

    ImportHook platform(PluginModule(), "user32.dll", "GetMenuItemInfoA",
                        reinterpret_cast<const void*>(&WindowsMenuItemInfo));
    ASSERT_TRUE(platform.hooked());
    MenuInit(popup, 1);
    EXPECT_EQ(Items(flagged).size(), 4u);
    EXPECT_EQ(Items(emptyText).size(), 4u);
    EXPECT_EQ(Items(plain)[3].id, UINT(LastCommandId()));
}

TEST_F(MenuTest, RecipientsTextFoundAnywhereInTheTextWindowsReports) {
    const std::string recipients = "新規メールの宛先";
    const struct {
        std::string text;
        bool found;
    } cases[] = {
        {kRecipients, true},
        {"★" + recipients, true},                         // a mark before it
        {"(&N) " + recipients, true},                      // a mnemonic before it
        {std::string(83, 'x') + recipients + "(&N)", true},  // its last byte is byte 99
        {std::string(84, 'x') + recipients, false},          // its last byte is byte 100
    };
    ImportHook platform(PluginModule(), "user32.dll", "GetMenuItemInfoA",
                        reinterpret_cast<const void*>(&WindowsMenuItemInfo));
    ASSERT_TRUE(platform.hooked());
    for (const auto& c : cases) {
        HMENU submenu = RecipientsSubmenu(4);
        HMENU popup = CreatePopupMenu();
        AppendMenuA(popup, MF_STRING, 1, "返信(&R)");
        AppendMenuA(popup, MF_POPUP, UINT_PTR(submenu), c.text.c_str());
        MenuInit(popup, 1);
        EXPECT_EQ(Items(submenu).size(), c.found ? 5u : 4u) << c.text;
        DestroyMenu(popup);
    }
}

TEST_F(MenuTest, MatchingItemWithoutSubmenuEndsTheSearch) {
    HMENU later = RecipientsSubmenu(4);
    HMENU popup = CreatePopupMenu();
    AppendMenuA(popup, MF_STRING, 7, kRecipients);
    AppendMenuA(popup, MF_POPUP, UINT_PTR(later), kRecipients);

    MenuInit(popup, 1);
    EXPECT_EQ(host().commands.size(), 1u);  // registered all the same
    EXPECT_EQ(Items(later).size(), 4u);
    EXPECT_EQ(Items(popup).size(), 2u);
}

TEST_F(MenuTest, TextFoundOnlyWithinTheFirst99Bytes) {
    HMENU early = RecipientsSubmenu(4);
    HMENU late = RecipientsSubmenu(4);
    HMENU popup = CreatePopupMenu();
    // The text as bytes 85 to 100: Windows reports 99 bytes of an item's text,
    // Wine all 100, so only a search that stops at 99 behaves alike on both.
    AppendMenuA(popup, MF_POPUP, UINT_PTR(late), (std::string(84, 'x') + kRecipients).c_str());
    AppendMenuA(popup, MF_POPUP, UINT_PTR(early), (kRecipients + std::string(150, 'x')).c_str());

    MenuInit(popup, 1);
    EXPECT_EQ(Items(late).size(), 4u);
    EXPECT_EQ(Items(early)[3].id, UINT(LastCommandId()));
}

TEST_F(MenuTest, MenusWithoutAPlaceRegisterAndInsertNothing) {
    HMENU submenu = RecipientsSubmenu(4);
    HMENU fourthNotAPopup = CreateMenu();
    for (int i = 0; i < 4; ++i) AppendMenuA(fourthNotAPopup, MF_STRING, UINT_PTR(10 + i), "x");
    HMENU noRecipients = CreatePopupMenu();
    AppendMenuA(noRecipients, MF_STRING, 1, "返信(&R)");

    const struct {
        HMENU menu;
        int type;
    } cases[] = {
        {MenuBar(3, nullptr), 0},                    // fewer than four pull-downs
        {fourthNotAPopup, 0},                        // fourth entry opens no submenu
        {PopupWithRecipients(submenu), 0},           // a pop-up taken as a bar
        {noRecipients, 1},                           // no recipients item
        {CreatePopupMenu(), 1},                      // empty
        {nullptr, 0},                                // no menu at all
        {nullptr, 1},
        {reinterpret_cast<HMENU>(0x4321), 1},        // not a menu
        {reinterpret_cast<HMENU>(0x4321), 0},
    };
    for (const auto& c : cases) {
        host() = FakeHost{};
        EXPECT_EQ(MenuInit(c.menu, c.type), 0);
        EXPECT_EQ(host().commands.size(), 1u);
        EXPECT_EQ(host().stateCallbacks.size(), 1u);
    }
    EXPECT_EQ(Items(submenu).size(), 4u);
}

TEST_F(MenuTest, OtherMenuTypesAreIgnored) {
    HMENU submenu = RecipientsSubmenu(4);
    HMENU popup = PopupWithRecipients(submenu);
    for (int type : {2, 3, -1, 100}) {
        EXPECT_EQ(MenuInit(popup, type), 0);
        EXPECT_EQ(MenuInit(MenuBar(4, popup), type), 0);
    }
    EXPECT_TRUE(host().calls.empty());
    EXPECT_EQ(Items(submenu).size(), 4u);
}

TEST_F(MenuTest, EveryBuildRegistersAnewAndInsertsAFreshItem) {
    HMENU submenu = RecipientsSubmenu(4);
    HMENU popup = PopupWithRecipients(submenu);
    MenuInit(popup, 1);
    MenuInit(popup, 1);
    ASSERT_EQ(host().commands.size(), 2u);
    EXPECT_NE(host().commands[0].id, host().commands[1].id);
    std::vector<Item> items = Items(submenu);
    ASSERT_EQ(items.size(), 6u);
    EXPECT_EQ(items[3].id, UINT(host().commands[1].id));
    EXPECT_EQ(items[4].id, UINT(host().commands[0].id));
}

TEST_F(MenuTest, CommandTextStaysValidForTheHost) {
    MenuInit(nullptr, 1);
    MenuInit(nullptr, 0);
    // The host may keep the pointer it was given.
    EXPECT_EQ(host().commands[0].textPointer, host().commands[1].textPointer);
    EXPECT_EQ(std::string(host().commands[0].textPointer), host().commands[0].text);
}

TEST_F(MenuTest, StateAnswersOneOnlyWithoutACurrentMessage) {
    StateCallback state = RegisteredState();
    ASSERT_NE(state, nullptr);
    const struct {
        std::optional<std::string> currentMail;
        DWORD expected;
    } cases[] = {{"", 1}, {"42", 0}, {std::nullopt, 0}};
    for (const auto& c : cases) {
        host().currentMail = c.currentMail;
        EXPECT_EQ(state(0, 0), c.expected);
        EXPECT_EQ(state(-1, 12345), c.expected);
    }
}

TEST_F(MenuTest, CommandFromTheMenuOpensThePreAddressedWindow) {
    TempDataFolder data;
    data.WriteSettings("", "[Account]\r\nMailAddress=me@example.jp\r\n");
    host().dataFolder = data.path();
    host().mailBox = "";
    host().SetMessage({{"From", "山田 <y@x.jp>"}, {"To", "me@example.jp, a@x.jp"}, {"Cc", "c@x.jp"}});

    HMENU submenu = RecipientsSubmenu(4);
    MenuInit(MenuBar(5, PopupWithRecipients(submenu)), 0);
    // The host calls the callback it was given for the item's identifier.
    const FakeCommand& command = host().commands.back();
    ASSERT_EQ(Items(submenu)[3].id, UINT(command.id));
    command.onCommand(command.id, 0);

    EXPECT_EQ(host().ComposeHeader("To"), "山田 <y@x.jp>, a@x.jp");
    EXPECT_EQ(host().ComposeHeader("Cc"), "c@x.jp");
}

}  // namespace
