#include "compose_window.h"

#include <algorithm>
#include <iterator>

#include "mail_message.h"

namespace {

constexpr wchar_t kClassName[] = L"OmbryCompose";
constexpr int kCloseButton = IDCANCEL;
constexpr int kMargin = 8;
constexpr int kLabelWidth = 56;
constexpr int kRowHeight = 24;
constexpr int kLineHeight = 14;  // of the dialog font, in the lines after a field's first
constexpr int kWidth = 600;
constexpr int kHeight = 420;

// Recipients wrap over lines of their own, as mail clients show them, so
// that every address of a long list shows.
struct Field {
    const char* header;  // as the plug-in names it
    const wchar_t* label;
    int lines;
};
constexpr Field kFields[] = {{"To", L"To:", 3}, {"Cc", L"Cc:", 2}, {"Subject", L"件名:", 1}};
constexpr int kFieldCount = int(std::size(kFields));

struct ComposeState {
    int serial = 0;
    HWND labels[kFieldCount] = {};
    HWND fields[kFieldCount] = {};
    HWND body = nullptr;
    HWND close = nullptr;
};

int g_opened = 0;
std::vector<HWND> g_open;
std::vector<ComposeRecord> g_closed;

ComposeState* StateOf(HWND window) {
    return reinterpret_cast<ComposeState*>(GetWindowLongPtrW(window, GWLP_USERDATA));
}

std::wstring TextOf(HWND control) {
    std::wstring text(size_t(GetWindowTextLengthW(control)) + 1, L'\0');
    text.resize(size_t(GetWindowTextW(control, text.data(), int(text.size()))));
    return text;
}

HWND Child(HWND parent, const wchar_t* type, const wchar_t* text, DWORD style, int id) {
    const DWORD exStyle = lstrcmpW(type, L"EDIT") == 0 ? WS_EX_CLIENTEDGE : 0;
    HWND child = CreateWindowExW(exStyle, type, text, WS_CHILD | WS_VISIBLE | style, 0, 0, 0, 0, parent,
                                 reinterpret_cast<HMENU>(INT_PTR(id)), nullptr, nullptr);
    SendMessageW(child, WM_SETFONT, WPARAM(GetStockObject(DEFAULT_GUI_FONT)), TRUE);
    return child;
}

void Arrange(HWND window, const ComposeState& state) {
    RECT client;
    GetClientRect(window, &client);
    const int width = client.right - 2 * kMargin;
    int y = kMargin;
    for (int i = 0; i < kFieldCount; ++i) {
        const int height = kRowHeight + (kFields[i].lines - 1) * kLineHeight;
        MoveWindow(state.labels[i], kMargin, y + 4, kLabelWidth, kRowHeight - 4, TRUE);
        MoveWindow(state.fields[i], kMargin + kLabelWidth, y, width - kLabelWidth, height, TRUE);
        y += height + 4;
    }
    const int buttonTop = client.bottom - kMargin - kRowHeight;
    MoveWindow(state.body, kMargin, y, width, std::max(0, buttonTop - kMargin - y), TRUE);
    MoveWindow(state.close, client.right - kMargin - 96, buttonTop, 96, kRowHeight, TRUE);
}

LRESULT CALLBACK ComposeProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    ComposeState* state = StateOf(window);
    switch (message) {
    case WM_CREATE: {
        state = new ComposeState;
        state->serial = ++g_opened;
        SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(state));
        for (int i = 0; i < kFieldCount; ++i) {
            state->labels[i] = Child(window, L"STATIC", kFields[i].label, 0, 0);
            const DWORD wrapping = kFields[i].lines > 1 ? ES_MULTILINE | ES_AUTOVSCROLL : ES_AUTOHSCROLL;
            state->fields[i] = Child(window, L"EDIT", L"", WS_TABSTOP | wrapping, 0);
        }
        state->body = Child(window, L"EDIT", L"", WS_TABSTOP | WS_VSCROLL | ES_MULTILINE | ES_AUTOVSCROLL | ES_WANTRETURN, 0);
        state->close = Child(window, L"BUTTON", L"閉じる", WS_TABSTOP | BS_PUSHBUTTON, kCloseButton);
        g_open.push_back(window);
        return 0;
    }
    case WM_SIZE:
        if (state) Arrange(window, *state);
        return 0;
    case WM_COMMAND:
        if (LOWORD(wParam) == kCloseButton) DestroyWindow(window);
        return 0;
    case WM_DESTROY:
        if (state) {
            g_closed.push_back({state->serial, TextOf(state->fields[0]), TextOf(state->fields[1]),
                                TextOf(state->fields[2]), TextOf(state->body)});
        }
        std::erase(g_open, window);
        return 0;
    case WM_NCDESTROY:
        delete state;
        SetWindowLongPtrW(window, GWLP_USERDATA, 0);
        break;
    default:
        break;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

}  // namespace

bool RegisterComposeWindowClass(HINSTANCE instance) {
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof windowClass;
    windowClass.lpfnWndProc = ComposeProc;
    windowClass.hInstance = instance;
    windowClass.hCursor = LoadCursorW(nullptr, MAKEINTRESOURCEW(32512));  // IDC_ARROW
    windowClass.hbrBackground = GetSysColorBrush(COLOR_BTNFACE);
    windowClass.lpszClassName = kClassName;
    return RegisterClassExW(&windowClass) != 0;
}

HWND OpenComposeWindow(HWND owner) {
    // Beside the owner, so that it hides none of the main window, each new
    // one a little lower than the last; on a screen too small for that, as
    // far right as the screen allows.
    RECT beside{};
    GetWindowRect(owner, &beside);
    RECT screen{};
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &screen, 0);
    const int offset = 28 * (g_opened % 8);
    const int left = std::max(int(screen.left), std::min(int(beside.right) + 8, int(screen.right) - kWidth));
    HWND window = CreateWindowExW(0, kClassName, L"新規作成", WS_OVERLAPPEDWINDOW | WS_VISIBLE, left,
                                  beside.top + 40 + offset, kWidth, kHeight, owner, nullptr, nullptr, nullptr);
    if (window) SetForegroundWindow(window);
    return window;
}

bool IsComposeWindow(HWND window) { return window && std::count(g_open.begin(), g_open.end(), window); }

std::vector<HWND> OpenComposeWindows() { return g_open; }

bool SetComposeField(HWND compose, const char* header, const char* value) {
    if (!header || !IsComposeWindow(compose)) return false;
    ComposeState* state = StateOf(compose);
    for (int i = 0; i < kFieldCount; ++i) {
        if (lstrcmpiA(header, kFields[i].header) == 0) {
            SetWindowTextW(state->fields[i], ShiftJisToWide(value ? value : "").c_str());
            return true;
        }
    }
    return false;
}

void CloseComposeWindows() {
    for (HWND window : std::vector<HWND>(g_open)) DestroyWindow(window);
}

std::vector<ComposeRecord> ClosedComposeWindows() {
    std::vector<ComposeRecord> records = g_closed;
    std::sort(records.begin(), records.end(),
              [](const ComposeRecord& a, const ComposeRecord& b) { return a.serial < b.serial; });
    return records;
}
