// window-list: what a user sees on the desktop, as JSON for the GUI tests.
//
//   window-list.exe [--title TEXT] [--process NAME]
//   window-list.exe --serve
//
// Prints every visible top-level window (only those whose title contains TEXT, or whose
// program file is named NAME, when given): title, class, program, screen rectangles, owner,
// enabled state, whether its thread answers, the focus inside its thread, its close box, how
// its program copes with the screen's dots per inch, and every child control
// with its id, class, text, whether the text fits the control, visibility, enabled state,
// styles, check state, progress bar position and screen rectangle.
//
// With --serve it stays and answers one query per line read from standard input (UTF-8
// "TEXT<tab>NAME", either empty for no filter) with one listing followed by a line "end":
// starting a Windows program under Wine costs far more than listing the desktop. A query
// "TEXT<tab>NAME<tab>repaint" also has each window it lists painted anew and tells whether
// its thread did so ("repainted"; null when not asked).
#include <windows.h>

#include <commctrl.h>

#include <cstdint>
#include <cstdio>
#include <cwchar>
#include <string>
#include <string_view>
#include <vector>

#include "json_text.h"
#include "text_fit.h"
#include "win32_handle.h"

namespace {

struct Filter {
    std::wstring title;
    std::wstring process;
    bool repaint = false;
};

// Another thread may be busy (a program works inside a click handler, an installer runs an
// action): a window is asked once whether it answers, and one that does not is described
// from what the window manager keeps for it, so that a listing never waits on each control.
constexpr UINT kAnswerTimeoutMs = 2000;

bool Answers(HWND window) {
    return ::SendMessageTimeoutW(window, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, kAnswerTimeoutMs,
                                 nullptr) != 0;
}

// Whether the window's thread paints it when asked: the window is marked for painting whole,
// and only a thread that runs its message loop empties that mark, within the same time.
std::string Repainted(HWND window) {
    if (::InvalidateRect(window, nullptr, TRUE) == 0) {
        return "false";
    }
    const ULONGLONG deadline = ::GetTickCount64() + kAnswerTimeoutMs;
    while (::GetUpdateRect(window, nullptr, FALSE) != 0) {
        if (::GetTickCount64() > deadline) {
            return "false";
        }
        ::Sleep(10);
    }
    return "true";
}

// The text the window manager keeps for a window, read without asking its thread.
std::wstring StoredText(HWND window) {
    wchar_t stored[1024] = {};
    const int storedLength = ::InternalGetWindowText(window, stored, 1024);
    return std::wstring(stored, static_cast<std::size_t>(storedLength));
}

std::wstring WindowText(HWND window, bool answers) {
    DWORD_PTR length = 0;
    if (answers && ::SendMessageTimeoutW(window, WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG,
                                         kAnswerTimeoutMs, &length) != 0) {
        std::wstring text(length + 1, L'\0');
        DWORD_PTR copied = 0;
        if (::SendMessageTimeoutW(window, WM_GETTEXT, text.size(),
                                  reinterpret_cast<LPARAM>(text.data()), SMTO_ABORTIFHUNG,
                                  kAnswerTimeoutMs, &copied) != 0) {
            text.resize(copied);
            return text;
        }
    }
    return StoredText(window);
}

std::wstring ClassName(HWND window) {
    wchar_t name[256] = {};
    const int length = ::GetClassNameW(window, name, 256);
    return std::wstring(name, static_cast<std::size_t>(length));
}

std::wstring ProgramName(HWND window) {
    DWORD processId = 0;
    ::GetWindowThreadProcessId(window, &processId);
    const kestrow::KernelHandle process(
        ::OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, processId));
    if (!process.IsValid()) {
        return {};
    }
    wchar_t path[MAX_PATH] = {};
    DWORD length = MAX_PATH;
    if (::QueryFullProcessImageNameW(process.Get(), 0, path, &length) == 0) {
        return {};
    }
    const std::wstring full(path, length);
    return full.substr(full.find_last_of(L"\\/") + 1);
}

std::string Rect(const RECT& rect) {
    char text[96];
    std::snprintf(text, sizeof text, "[%ld, %ld, %ld, %ld]", rect.left, rect.top, rect.right,
                  rect.bottom);
    return text;
}

std::string ScreenRect(HWND window) {
    RECT rect{};
    ::GetWindowRect(window, &rect);
    return Rect(rect);
}

std::string ClientScreenRect(HWND window) {
    RECT rect{};
    ::GetClientRect(window, &rect);
    ::MapWindowPoints(window, HWND_DESKTOP, reinterpret_cast<POINT*>(&rect), 2);
    return Rect(rect);
}

std::string Handle(HWND window) {
    return std::to_string(reinterpret_cast<std::uintptr_t>(window));
}

const char* Bool(bool value) {
    return value ? "true" : "false";
}

// A state that only controls of one class keep, as the control answers the query for it:
// null for controls of any other class, and when the control does not answer.
std::string ClassState(HWND control, bool answers, const wchar_t* className, UINT query) {
    if (!answers || ::_wcsicmp(ClassName(control).c_str(), className) != 0) {
        return "null";
    }
    DWORD_PTR state = 0;
    if (::SendMessageTimeoutW(control, query, 0, 0, SMTO_ABORTIFHUNG, kAnswerTimeoutMs, &state) ==
        0) {
        return "null";
    }
    return std::to_string(state);
}

// Check boxes and radio buttons have a check state.
std::string CheckState(HWND control, bool answers) {
    return ClassState(control, answers, L"Button", BM_GETCHECK);
}

// Progress bars have a position.
std::string ProgressPosition(HWND control, bool answers) {
    return ClassState(control, answers, PROGRESS_CLASSW, PBM_GETPOS);
}

// Measured only where the control's thread answers, as its text is then its own.
const char* Fits(HWND control, const std::wstring& className, const std::wstring& text,
                 bool answers) {
    const std::optional<bool> fits =
        answers ? TextFits(control, className, text) : std::optional<bool>();
    return fits ? Bool(*fits) : "null";
}

void PrintControl(HWND control, bool first, bool answers) {
    const std::wstring className = ClassName(control);
    const std::wstring text = WindowText(control, answers);
    std::printf("%s\n      {\"handle\": %s, \"id\": %d, \"parent\": %s, \"class\": %s, "
                "\"text\": %s, \"fits\": %s, \"visible\": %s, \"enabled\": %s, "
                "\"style\": %lu, \"exstyle\": %lu, \"checked\": %s, \"position\": %s, "
                "\"rect\": %s}",
                first ? "" : ",", Handle(control).c_str(), ::GetDlgCtrlID(control),
                Handle(::GetParent(control)).c_str(), JsonString(className).c_str(),
                JsonString(text).c_str(), Fits(control, className, text, answers),
                Bool(::IsWindowVisible(control) != 0), Bool(::IsWindowEnabled(control) != 0),
                static_cast<unsigned long>(::GetWindowLongW(control, GWL_STYLE)),
                static_cast<unsigned long>(::GetWindowLongW(control, GWL_EXSTYLE)),
                CheckState(control, answers).c_str(), ProgressPosition(control, answers).c_str(),
                ScreenRect(control).c_str());
}

std::vector<HWND> Children(HWND window) {
    std::vector<HWND> children;
    ::EnumChildWindows(
        window,
        [](HWND child, LPARAM list) -> BOOL {
            reinterpret_cast<std::vector<HWND>*>(list)->push_back(child);
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&children));
    return children;
}

// Where a click closes the window: the middle of the close box, found by asking the window
// itself along its caption, since frame metrics differ between Windows and Wine's drawing.
std::string CloseBox(HWND window, bool answers) {
    if (!answers) {
        return "null";
    }
    RECT frame{};
    RECT client{};
    ::GetWindowRect(window, &frame);
    ::GetClientRect(window, &client);
    ::MapWindowPoints(window, HWND_DESKTOP, reinterpret_cast<POINT*>(&client), 2);
    // The frame is as thick above the caption as beside the client area.
    const LONG y = frame.top + (client.left - frame.left) + ::GetSystemMetrics(SM_CYCAPTION) / 2;
    LONG right = -1;
    LONG left = -1;
    for (LONG x = frame.right - 1; x > frame.left; --x) {
        DWORD_PTR hit = HTNOWHERE;
        if (::SendMessageTimeoutW(window, WM_NCHITTEST, 0, MAKELPARAM(x, y), SMTO_ABORTIFHUNG,
                                  kAnswerTimeoutMs, &hit) == 0) {
            return "null"; // a window that does not answer is not asked once per pixel
        }
        if (hit == HTCLOSE) {
            right = right < 0 ? x : right;
            left = x;
        } else if (right >= 0) {
            break;
        }
    }
    if (right < 0) {
        return "null";
    }
    char point[48];
    std::snprintf(point, sizeof point, "[%ld, %ld]", (left + right) / 2, y);
    return point;
}

// Looked up by name: systems before Windows 10 lack it.
template <typename Function> Function User32Function(const char* name) {
    return reinterpret_cast<Function>(
        reinterpret_cast<void (*)()>(::GetProcAddress(::GetModuleHandleW(L"user32.dll"), name)));
}

// How the window's program told the system it copes with dots per inch: 0 unaware (the system
// scales it), 1 aware of the system's, 2 aware of each monitor's; -1 when the system does not
// say.
int DpiAwareness(HWND window) {
    using GetContextFunction = HANDLE(WINAPI*)(HWND);
    using GetAwarenessFunction = int(WINAPI*)(HANDLE);
    static const auto getContext =
        User32Function<GetContextFunction>("GetWindowDpiAwarenessContext");
    static const auto getAwareness =
        User32Function<GetAwarenessFunction>("GetAwarenessFromDpiAwarenessContext");
    if (getContext == nullptr || getAwareness == nullptr) {
        return -1;
    }
    return getAwareness(getContext(window));
}

// The focus and the active window of the thread that owns the window.
GUITHREADINFO ThreadInput(HWND window) {
    GUITHREADINFO info{};
    info.cbSize = sizeof info;
    ::GetGUIThreadInfo(::GetWindowThreadProcessId(window, nullptr), &info);
    return info;
}

void PrintWindow(HWND window, bool first, bool repaint) {
    const bool answers = Answers(window);
    const std::string repainted = repaint ? Repainted(window) : "null";
    const GUITHREADINFO input = ThreadInput(window);
    std::printf("%s\n  {\"handle\": %s, \"title\": %s, \"class\": %s, \"process\": %s, "
                "\"rect\": %s, \"client\": %s, \"owner\": %s, \"enabled\": %s, "
                "\"answers\": %s, \"repainted\": %s, "
                "\"style\": %lu, \"exstyle\": %lu, \"active\": %s, \"focus\": %s, "
                "\"focus_id\": %d, \"close_box\": %s, \"dpi_awareness\": %d, "
                "\"controls\": [",
                first ? "" : ",", Handle(window).c_str(),
                JsonString(WindowText(window, answers)).c_str(),
                JsonString(ClassName(window)).c_str(), JsonString(ProgramName(window)).c_str(),
                ScreenRect(window).c_str(), ClientScreenRect(window).c_str(),
                Handle(::GetWindow(window, GW_OWNER)).c_str(), Bool(::IsWindowEnabled(window) != 0),
                Bool(answers), repainted.c_str(),
                static_cast<unsigned long>(::GetWindowLongW(window, GWL_STYLE)),
                static_cast<unsigned long>(::GetWindowLongW(window, GWL_EXSTYLE)),
                Bool(input.hwndActive == window), Handle(input.hwndFocus).c_str(),
                input.hwndFocus != nullptr && ::IsChild(window, input.hwndFocus)
                    ? ::GetDlgCtrlID(input.hwndFocus)
                    : 0,
                CloseBox(window, answers).c_str(), DpiAwareness(window));
    bool firstControl = true;
    for (const HWND control : Children(window)) {
        PrintControl(control, firstControl, answers);
        firstControl = false;
    }
    std::printf("]}");
}

bool Matches(HWND window, const Filter& filter) {
    if (!::IsWindowVisible(window)) {
        return false;
    }
    // Every window of the desktop is tested, so the test must not wait for any of them.
    if (!filter.title.empty() && StoredText(window).find(filter.title) == std::wstring::npos) {
        return false;
    }
    return filter.process.empty() ||
           ::_wcsicmp(ProgramName(window).c_str(), filter.process.c_str()) == 0;
}

std::vector<HWND> TopLevelWindows() {
    std::vector<HWND> windows;
    ::EnumWindows(
        [](HWND window, LPARAM list) -> BOOL {
            reinterpret_cast<std::vector<HWND>*>(list)->push_back(window);
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&windows));
    return windows;
}

bool ParseFilter(int argc, wchar_t** argv, Filter& filter) {
    for (int index = 1; index + 1 < argc; index += 2) {
        if (std::wcscmp(argv[index], L"--title") == 0) {
            filter.title = argv[index + 1];
        } else if (std::wcscmp(argv[index], L"--process") == 0) {
            filter.process = argv[index + 1];
        } else {
            return false;
        }
    }
    return argc % 2 == 1;
}

void PrintListing(const Filter& filter) {
    std::printf("{\"foreground\": %s, \"windows\": [", Handle(::GetForegroundWindow()).c_str());
    bool first = true;
    for (const HWND window : TopLevelWindows()) {
        if (Matches(window, filter)) {
            PrintWindow(window, first, filter.repaint);
            first = false;
        }
    }
    std::printf("]}\n");
}

std::wstring FromUtf8(std::string_view text) {
    const int length = static_cast<int>(text.size());
    std::wstring wide(static_cast<std::size_t>(length), L'\0');
    wide.resize(static_cast<std::size_t>(
        ::MultiByteToWideChar(CP_UTF8, 0, text.data(), length, wide.data(), length)));
    return wide;
}

Filter ParseQuery(std::string line) {
    while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) {
        line.pop_back();
    }
    const std::size_t tab = line.find('\t');
    const std::size_t secondTab = tab == std::string::npos ? tab : line.find('\t', tab + 1);
    Filter filter;
    filter.title = FromUtf8(std::string_view(line).substr(0, tab));
    if (tab != std::string::npos) {
        filter.process = FromUtf8(std::string_view(line).substr(tab + 1, secondTab - tab - 1));
    }
    filter.repaint =
        secondTab != std::string::npos && std::string_view(line).substr(secondTab + 1) == "repaint";
    return filter;
}

void Serve() {
    std::string line;
    for (int c = std::getchar(); c != EOF; c = std::getchar()) {
        line.push_back(static_cast<char>(c));
        if (c == '\n') {
            PrintListing(ParseQuery(std::move(line)));
            std::printf("end\n");
            std::fflush(stdout);
            line.clear();
        }
    }
}

} // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc == 2 && std::wcscmp(argv[1], L"--serve") == 0) {
        Serve();
        return 0;
    }
    Filter filter;
    if (!ParseFilter(argc, argv, filter)) {
        std::fputs("usage: window-list.exe [--title TEXT] [--process NAME] | --serve\n", stderr);
        return 2;
    }
    PrintListing(filter);
    return 0;
}
