#include "main_window.h"

#include <commctrl.h>

#include <algorithm>
#include <fstream>
#include <iterator>
#include <memory>
#include <vector>

#include "compose_window.h"
#include "data_folder.h"
#include "fake_host.h"
#include "guard_heap.h"
#include "host_menus.h"
#include "mail_message.h"
#include "plugin_loading.h"

namespace {

constexpr wchar_t kClassName[] = L"OmbryMain";
constexpr int kMailboxList = 10;
constexpr int kMessageList = 11;
constexpr int kPreview = 12;
constexpr int kStatusBar = 13;
constexpr UINT_PTR kLayoutTimer = 1;
constexpr int kMailboxWidth = 150;
constexpr int kPreviewHeight = 110;

// A tab-separated line of a report: UTF-8 fields without tabs or line ends.
class ReportLine {
public:
    ReportLine& operator<<(const std::wstring& text) { return *this << WideToUtf8(text); }
    ReportLine& operator<<(std::string text) {
        std::replace_if(text.begin(), text.end(), [](char c) { return c == '\t' || c == '\r' || c == '\n'; }, ' ');
        line_ += (line_.empty() ? "" : "\t") + text;
        return *this;
    }
    ReportLine& operator<<(long long number) { return *this << std::to_string(number); }
    ReportLine& operator<<(const RECT& r) { return *this << r.left << r.top << r.right << r.bottom; }
    const std::string& str() const { return line_; }

private:
    std::string line_;
};

class Report {
public:
    ReportLine& Line() { return lines_.emplace_back(); }
    // Replaces the file at once, so that a reader never sees half of it.
    void WriteTo(const std::string& path) const {
        if (path.empty()) return;
        const std::string next = path + ".new";
        {
            std::ofstream out(next, std::ios::binary | std::ios::trunc);
            for (const ReportLine& line : lines_) out << line.str() << "\n";
        }
        MoveFileExA(next.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING);
    }

private:
    std::vector<ReportLine> lines_;
};

std::wstring MenuText(HMENU menu, int position) {
    wchar_t text[256] = {};
    GetMenuStringW(menu, UINT(position), text, int(std::size(text)), MF_BYPOSITION);
    return text;
}

bool Grayed(HMENU menu, int position) {
    return GetMenuState(menu, UINT(position), MF_BYPOSITION) & (MF_GRAYED | MF_DISABLED);
}

// The command the plug-in registered under `id`, if any.
const FakeCommand* RegisteredCommand(UINT id) {
    const std::vector<FakeCommand>& commands = TheFakeHost().commands;
    auto command = std::find_if(commands.begin(), commands.end(),
                                [id](const FakeCommand& each) { return UINT(each.id) == id; });
    return command == commands.end() ? nullptr : &*command;
}

StateCallback StateCallbackOf(int commandId) {
    // The last one registered for the command counts.
    const std::vector<FakeStateCallback>& callbacks = TheFakeHost().stateCallbacks;
    auto callback = std::find_if(callbacks.rbegin(), callbacks.rend(),
                                 [commandId](const FakeStateCallback& each) { return each.commandId == commandId; });
    return callback == callbacks.rend() ? nullptr : callback->onState;
}

HWND Control(HWND parent, DWORD exStyle, const wchar_t* type, DWORD style, int id) {
    HWND control = CreateWindowExW(exStyle, type, L"", WS_CHILD | WS_VISIBLE | style, 0, 0, 0, 0, parent,
                                   reinterpret_cast<HMENU>(INT_PTR(id)), nullptr, nullptr);
    SendMessageW(control, WM_SETFONT, WPARAM(GetStockObject(DEFAULT_GUI_FONT)), TRUE);
    return control;
}

class MainWindow {
public:
    explicit MainWindow(const WindowOptions& options) : options_(options) {}

    bool Create(HINSTANCE instance) {
        WNDCLASSEXW windowClass{};
        windowClass.cbSize = sizeof windowClass;
        windowClass.lpfnWndProc = &MainWindow::Proc;
        windowClass.hInstance = instance;
        windowClass.hCursor = LoadCursorW(nullptr, MAKEINTRESOURCEW(32512));  // IDC_ARROW
        windowClass.hbrBackground = GetSysColorBrush(COLOR_BTNFACE);
        windowClass.lpszClassName = kClassName;
        if (!RegisterClassExW(&windowClass) || !RegisterComposeWindowClass(instance)) return false;
        return CreateWindowExW(0, kClassName, L"Ombry", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 1140, 560, nullptr,
                               nullptr, instance, this) != nullptr;
    }

private:
    static LRESULT CALLBACK Proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
        if (message == WM_NCCREATE) {
            auto* self = static_cast<MainWindow*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
            self->window_ = window;
            SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
        }
        auto* self = reinterpret_cast<MainWindow*>(GetWindowLongPtrW(window, GWLP_USERDATA));
        return self ? self->Handle(message, wParam, lParam) : DefWindowProcW(window, message, wParam, lParam);
    }

    LRESULT Handle(UINT message, WPARAM wParam, LPARAM lParam) {
        switch (message) {
        case WM_CREATE:
            OnCreate();
            return 0;
        case WM_SIZE:
            Arrange();
            WriteLayout();
            return 0;
        case WM_MOVE:
            WriteLayout();
            return 0;
        case WM_COMMAND:
            if (LOWORD(wParam) == kMailboxList && HIWORD(wParam) == LBN_SELCHANGE) {
                ShowMailbox(int(SendMessageW(mailboxes_, LB_GETCURSEL, 0, 0)));
            } else if (lParam == 0) {
                OnMenuCommand(LOWORD(wParam));
            }
            return 0;
        case WM_NOTIFY:
            OnNotify(*reinterpret_cast<NMHDR*>(lParam));
            return 0;
        case WM_CONTEXTMENU:
            if (reinterpret_cast<HWND>(wParam) == messages_) ShowPopupMenu(lParam);
            return 0;
        case WM_INITMENUPOPUP:
            OnInitMenuPopup(reinterpret_cast<HMENU>(wParam));
            return 0;
        case WM_UNINITMENUPOPUP:
            std::erase(openMenus_, reinterpret_cast<HMENU>(wParam));
            return 0;
        case WM_EXITMENULOOP:
            openMenus_.clear();
            WriteLayout();
            return 0;
        case WM_TIMER:
            if (wParam == kLayoutTimer) WriteLayout();
            return 0;
        case WM_CLOSE:
            CloseComposeWindows();
            DestroyWindow(window_);
            return 0;
        case WM_DESTROY:
            CloseComposeWindows();
            WriteRecord();
            guardHeap_.reset();  // the plug-in holds none of its blocks between calls
            if (plugin_.module) FreeLibrary(plugin_.module);
            PostQuitMessage(0);
            return 0;
        default:
            break;
        }
        return DefWindowProcW(window_, message, wParam, lParam);
    }

    void OnCreate() {
        mailboxes_ = Control(window_, WS_EX_CLIENTEDGE, L"LISTBOX", WS_VSCROLL | LBS_NOTIFY | LBS_NOINTEGRALHEIGHT,
                             kMailboxList);
        messages_ = Control(window_, WS_EX_CLIENTEDGE, WC_LISTVIEWW,
                            WS_TABSTOP | LVS_REPORT | LVS_SINGLESEL | LVS_SHOWSELALWAYS, kMessageList);
        ListView_SetExtendedListViewStyle(messages_, LVS_EX_FULLROWSELECT);
        const struct {
            const wchar_t* title;
            int width;
        } columns[] = {{L"差出人", 300}, {L"件名", 180}, {L"日付", 200}};
        for (int i = 0; i < int(std::size(columns)); ++i) {
            LVCOLUMNW column{};
            column.mask = LVCF_TEXT | LVCF_WIDTH;
            column.pszText = const_cast<wchar_t*>(columns[i].title);
            column.cx = columns[i].width;
            ListView_InsertColumn(messages_, i, &column);
        }
        preview_ = Control(window_, WS_EX_CLIENTEDGE, L"EDIT", WS_VSCROLL | ES_MULTILINE | ES_READONLY, kPreview);
        status_ = Control(window_, 0, STATUSCLASSNAMEW, 0, kStatusBar);

        FakeHost& host = TheFakeHost();
        host.dataFolder = dataFolder_ = FullFolderPath(options_.dataFolder);
        host.currentMail = "";
        host.openCompose = [this] { return OpenComposeWindow(window_); };
        host.setComposeHeader = &SetComposeField;
        LoadThePlugin();

        bar_ = BuildMenuBar();
        SetMenu(window_, bar_.menu);
        if (menuInit_) menuInit_(window_, bar_.menu, kMenuBar);
        DrawMenuBar(window_);

        const std::wstring folder = ShiftJisToWide(dataFolder_);
        const std::wstring data = IsFolder(dataFolder_) ? L"データフォルダ: " + folder : L"データフォルダがありません: " + folder;
        SendMessageW(status_, SB_SETTEXTW, 1, LPARAM(data.c_str()));
        for (const std::string& name : MailboxNames(dataFolder_)) {
            mailboxNames_.push_back(name);
            SendMessageW(mailboxes_, LB_ADDSTRING, 0, LPARAM(ShiftJisToWide(name).c_str()));
        }
        if (!mailboxNames_.empty()) {
            SendMessageW(mailboxes_, LB_SETCURSEL, 0, 0);
            ShowMailbox(0);
        }
        SetFocus(messages_);
        // Menus are placed only when they are shown, and compose windows come
        // and go: the layout is written anew every tenth of a second.
        if (!options_.layout.empty()) SetTimer(window_, kLayoutTimer, 100, nullptr);
    }

    void LoadThePlugin() {
        plugin_ = LoadPlugin(options_.plugin);
        std::wstring status;
        if (plugin_.module) {
            if (options_.guardHeap) guardHeap_ = std::make_unique<GuardHeap>(plugin_.module);
            menuInit_ = ExportOf<OnMenuInitFn>(plugin_.module, "OMC_OnMenuInit");
            const PluginDescription texts = DescribePlugin(plugin_.module);
            status = L"プラグイン: " + ShiftJisToWide(texts.name) + L" " + ShiftJisToWide(texts.version);
        } else if (plugin_.refused()) {
            status = L"プラグインなし: " + ShiftJisToWide(plugin_.path) + L" はこのホストでの読み込みを拒否しました";
        } else {
            status = L"プラグインなし: " + ShiftJisToWide(plugin_.path) + L" を読み込めません (エラー " +
                     std::to_wstring(plugin_.error) + L")";
        }
        SendMessageW(status_, SB_SETTEXTW, 0, LPARAM(status.c_str()));
    }

    void Arrange() {
        SendMessageW(status_, WM_SIZE, 0, 0);
        RECT client{};
        RECT status{};
        GetClientRect(window_, &client);
        // The plug-in's state on the left, the data folder on the right.
        const int parts[] = {client.right * 11 / 20, -1};
        SendMessageW(status_, SB_SETPARTS, std::size(parts), LPARAM(parts));
        GetWindowRect(status_, &status);
        const int height = client.bottom - (status.bottom - status.top);
        const int right = client.right - kMailboxWidth;
        MoveWindow(mailboxes_, 0, 0, kMailboxWidth, height, TRUE);
        MoveWindow(messages_, kMailboxWidth, 0, right, std::max(0, height - kPreviewHeight), TRUE);
        MoveWindow(preview_, kMailboxWidth, std::max(0, height - kPreviewHeight), right, kPreviewHeight, TRUE);
    }

    // Shows a mailbox's messages, none of them selected: no current message.
    void ShowMailbox(int index) {
        if (index < 0 || index >= int(mailboxNames_.size())) return;
        currentMailbox_ = index;
        const std::string folder = dataFolder_ + mailboxNames_[size_t(index)] + "\\";
        ListView_DeleteAllItems(messages_);
        rows_.clear();
        const std::vector<std::string> files = MessageFiles(folder);
        std::transform(files.begin(), files.end(), std::back_inserter(rows_),
                       [&folder](const std::string& file) { return Row{file, ReadMessageFile(folder + file)}; });
        for (int i = 0; i < int(rows_.size()); ++i) {
            const Row& row = rows_[size_t(i)];
            const MailMessage* message = row.read.message ? &*row.read.message : nullptr;
            const std::wstring cells[] = {
                message ? ShiftJisToWide(message->Field("From").value_or("")) : L"(読めないメッセージ)",
                message ? ShiftJisToWide(message->Field("Subject").value_or("")) : ShiftJisToWide(row.file),
                message ? ShiftJisToWide(message->Field("Date").value_or("")) : L""};
            LVITEMW item{};
            item.mask = LVIF_TEXT;
            item.iItem = i;
            item.pszText = const_cast<wchar_t*>(cells[0].c_str());
            ListView_InsertItem(messages_, &item);
            ListView_SetItemText(messages_, i, 1, const_cast<wchar_t*>(cells[1].c_str()));
            ListView_SetItemText(messages_, i, 2, const_cast<wchar_t*>(cells[2].c_str()));
        }
        SelectMessage(-1);
        WriteLayout();
    }

    // Makes the message of a row current (-1, or an unreadable one: none).
    void SelectMessage(int index) {
        const Row* row = index >= 0 && index < int(rows_.size()) ? &rows_[size_t(index)] : nullptr;
        const MailMessage* message = row && row->read.message ? &*row->read.message : nullptr;
        SetCurrentMessage(TheFakeHost(), mailboxNames_[size_t(currentMailbox_)], row ? row->file : "", message);
        std::wstring preview;
        if (message) {
            for (const char* name : {"From", "To", "Cc", "Subject"}) {
                preview += ShiftJisToWide(name) + L": " + ShiftJisToWide(message->Field(name).value_or("")) + L"\r\n";
            }
        } else if (row) {
            preview = L"読めないメッセージ: " + ShiftJisToWide(row->file) + L"\r\n" + ShiftJisToWide(row->read.error);
        }
        SetWindowTextW(preview_, preview.c_str());
    }

    void OnNotify(const NMHDR& header) {
        if (header.hwndFrom != messages_ || header.code != LVN_ITEMCHANGED) return;
        const auto& change = reinterpret_cast<const NMLISTVIEW&>(header);
        if ((change.uChanged & LVIF_STATE) && ((change.uOldState ^ change.uNewState) & LVIS_SELECTED)) {
            SelectMessage(ListView_GetNextItem(messages_, -1, LVNI_SELECTED));
        }
    }

    // The message list's pop-up menu, made afresh each time; at the mouse, or
    // (Shift+F10, the context-menu key) at the selected row.
    void ShowPopupMenu(LPARAM at) {
        POINT point{short(LOWORD(at)), short(HIWORD(at))};
        if (at == -1) {
            RECT row{};
            const int selected = ListView_GetNextItem(messages_, -1, LVNI_SELECTED);
            if (selected < 0 || !ListView_GetItemRect(messages_, selected, &row, LVIR_LABEL)) {
                GetClientRect(messages_, &row);
            }
            point = {row.left + 16, row.bottom};
            ClientToScreen(messages_, &point);
        }
        const HostMenu popup = BuildMessagePopup();
        if (menuInit_) menuInit_(window_, popup.menu, kPopupMenu);
        popupRecipients_.push_back(RecipientsItems(popup.recipients));
        TrackPopupMenu(popup.menu, TPM_LEFTALIGN | TPM_TOPALIGN | TPM_RIGHTBUTTON, point.x, point.y, 0, window_, nullptr);
        DestroyMenu(popup.menu);
    }

    // Before a menu opens: each registered command in it shows the state its
    // state callback answers, greyed for 1.
    void OnInitMenuPopup(HMENU menu) {
        if (std::find(openMenus_.begin(), openMenus_.end(), menu) == openMenus_.end()) openMenus_.push_back(menu);
        for (int i = 0; i < GetMenuItemCount(menu); ++i) {
            const FakeCommand* command = RegisteredCommand(GetMenuItemID(menu, i));
            if (!command) continue;
            StateCallback state = StateCallbackOf(command->id);
            const bool grayed = state && state(command->id, 0) == 1;
            EnableMenuItem(menu, UINT(i), MF_BYPOSITION | (grayed ? MF_GRAYED : MF_ENABLED));
        }
    }

    void OnMenuCommand(UINT id) {
        if (id == kExitCommand) {
            SendMessageW(window_, WM_CLOSE, 0, 0);
        } else if (const FakeCommand* command = RegisteredCommand(id)) {
            command->onCommand(command->id, 0);
        }
    }

    struct MenuItem {
        int position;
        UINT id;
        std::wstring text;
    };

    static std::vector<MenuItem> RecipientsItems(HMENU menu) {
        std::vector<MenuItem> items;
        const int count = GetMenuItemCount(menu);
        items.reserve(size_t(std::max(count, 0)));
        for (int i = 0; i < count; ++i) items.push_back({i, GetMenuItemID(menu, i), MenuText(menu, i)});
        return items;
    }

    static RECT ScreenRect(HWND control, RECT rect) {
        MapWindowPoints(control, nullptr, reinterpret_cast<POINT*>(&rect), 2);
        return rect;
    }

    // window, mailbox and message rows (and whether selected), the menu bar's
    // items, the items of the open menus (outermost first) with identifier
    // and state, and the open compose windows, in screen coordinates: "left
    // top right bottom" at the end of each line. Only while the window shows.
    void WriteLayout() {
        if (options_.layout.empty() || !IsWindowVisible(window_)) return;
        Report report;
        RECT rect;
        GetWindowRect(window_, &rect);
        report.Line() << "window" << rect;
        for (int i = 0; i < int(mailboxNames_.size()); ++i) {
            SendMessageW(mailboxes_, LB_GETITEMRECT, WPARAM(i), LPARAM(&rect));
            report.Line() << "mailbox" << i << ShiftJisToWide(mailboxNames_[size_t(i)]) << ScreenRect(mailboxes_, rect);
        }
        for (int i = 0; i < int(rows_.size()); ++i) {
            ListView_GetItemRect(messages_, i, &rect, LVIR_BOUNDS);
            const bool selected = ListView_GetItemState(messages_, i, LVIS_SELECTED);
            report.Line() << "message" << i << ShiftJisToWide(rows_[size_t(i)].file) << (selected ? "selected" : "-")
                          << ScreenRect(messages_, rect);
        }
        for (int i = 0; i < GetMenuItemCount(bar_.menu); ++i) {
            if (GetMenuItemRect(window_, bar_.menu, UINT(i), &rect)) {
                report.Line() << "menubar" << i << MenuText(bar_.menu, i) << rect;
            }
        }
        for (int depth = 0; depth < int(openMenus_.size()); ++depth) {
            HMENU menu = openMenus_[size_t(depth)];
            for (int i = 0; i < GetMenuItemCount(menu); ++i) {
                if (!GetMenuItemRect(nullptr, menu, UINT(i), &rect)) continue;
                report.Line() << "menu" << depth << i << int(GetMenuItemID(menu, i))
                              << (Grayed(menu, i) ? "grayed" : "enabled") << MenuText(menu, i) << rect;
            }
        }
        for (HWND compose : OpenComposeWindows()) {
            GetWindowRect(compose, &rect);
            report.Line() << "compose" << rect;
        }
        report.WriteTo(options_.layout);
    }

    void WriteRecord() {
        if (options_.record.empty()) return;
        Report report;
        wchar_t status[512] = {};
        SendMessageW(status_, SB_GETTEXTW, 0, LPARAM(status));
        report.Line() << "status" << std::wstring(status);
        if (options_.guardHeap) report.Line() << "guard-heap" << (guardHeap_ && guardHeap_->hooked() ? "on" : "off");
        for (const MenuItem& item : RecipientsItems(bar_.recipients)) {
            report.Line() << "recipients" << "bar" << item.position << int(item.id) << item.text;
        }
        for (size_t n = 0; n < popupRecipients_.size(); ++n) {
            for (const MenuItem& item : popupRecipients_[n]) {
                report.Line() << "recipients" << "popup" + std::to_string(n + 1) << item.position
                              << int(item.id) << item.text;
            }
        }
        for (const ComposeRecord& compose : ClosedComposeWindows()) {
            report.Line() << "compose" << compose.serial << compose.to << compose.cc << compose.subject;
        }
        report.WriteTo(options_.record);
    }

    struct Row {
        std::string file;
        MessageResult read;
    };

    const WindowOptions options_;
    HWND window_ = nullptr;
    HWND mailboxes_ = nullptr;
    HWND messages_ = nullptr;
    HWND preview_ = nullptr;
    HWND status_ = nullptr;
    HostMenu bar_{};
    std::string dataFolder_;
    std::vector<std::string> mailboxNames_;
    int currentMailbox_ = -1;
    std::vector<Row> rows_;
    PluginLoad plugin_;
    OnMenuInitFn menuInit_ = nullptr;
    std::unique_ptr<GuardHeap> guardHeap_;
    std::vector<HMENU> openMenus_;
    std::vector<std::vector<MenuItem>> popupRecipients_;
};

}  // namespace

int RunHostWindow(HINSTANCE instance, const WindowOptions& options) {
    const INITCOMMONCONTROLSEX controls{sizeof controls, ICC_LISTVIEW_CLASSES | ICC_BAR_CLASSES};
    InitCommonControlsEx(&controls);
    TheFakeHost() = FakeHost{};
    MainWindow main(options);
    if (!main.Create(instance)) return 1;
    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        // Tab moves between a compose window's fields.
        HWND active = GetActiveWindow();
        if (IsComposeWindow(active) && IsDialogMessageW(active, &message)) continue;
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    return 0;
}
