#include "dialog_ex.h"

#include "control_fit.h"
#include "win32_handle.h"

namespace kestrow {

namespace {

// The innermost modal dialog of this thread, which pre-filters the messages of its window.
thread_local CDialogEx* filteringDialog = nullptr;

// Makes a dialog the thread's innermost for the time of its modal run.
class FilteringScope {
public:
    explicit FilteringScope(CDialogEx& dialog) : outer_(filteringDialog) {
        filteringDialog = &dialog;
    }
    ~FilteringScope() { filteringDialog = outer_; }
    FilteringScope(const FilteringScope&) = delete;
    FilteringScope& operator=(const FilteringScope&) = delete;

private:
    CDialogEx* outer_;
};

} // namespace

void DDX_Control(CDataExchange& exchange, int controlId, CWnd& control) {
    control.Attach(::GetDlgItem(exchange.Dialog(), controlId));
}

INT_PTR CDialogEx::DoModal() {
    // The dialog manager's modal loop hands each message to the thread's message filter before
    // it acts on it; that is where the dialog's own pre-filter gets its turn.
    const FilteringScope scope(*this);
    const WindowsHook filter(
        ::SetWindowsHookExW(WH_MSGFILTER, &FilterMessage, nullptr, ::GetCurrentThreadId()));
    const INT_PTR result =
        ::DialogBoxParamW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(templateId_),
                          ::GetActiveWindow(), &DialogProc, reinterpret_cast<LPARAM>(this));
    hwnd_ = nullptr;
    return result;
}

HWND CDialogEx::CreateModeless(HWND owner) {
    return ::CreateDialogParamW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(templateId_), owner,
                                &DialogProc, reinterpret_cast<LPARAM>(this));
}

const MessageMap* CDialogEx::GetMessageMap() const {
    // Enter and the default button raise IDOK; Escape and the close box raise IDCANCEL.
    static const MessageMapEntry entries[] = {
        CommandEntry(IDOK, BN_CLICKED, &CDialogEx::OnOK),
        CommandEntry(IDCANCEL, BN_CLICKED, &CDialogEx::OnCancel),
    };
    static const MessageMap map{nullptr, entries};
    return &map;
}

void CDialogEx::DoDataExchange(CDataExchange&) {}

BOOL CDialogEx::OnInitDialog() {
    CDataExchange exchange(hwnd_);
    DoDataExchange(exchange);
    return TRUE;
}

void CDialogEx::OnOK() {
    EndDialog(IDOK);
}

void CDialogEx::OnCancel() {
    EndDialog(IDCANCEL);
}

BOOL CDialogEx::PreTranslateMessage(MSG&) {
    return FALSE;
}

LRESULT CALLBACK CDialogEx::FilterMessage(int code, WPARAM wParam, LPARAM lParam) {
    auto* message = reinterpret_cast<MSG*>(lParam);
    CDialogEx* dialog = filteringDialog;
    if (code == MSGF_DIALOGBOX && dialog != nullptr && dialog->hwnd_ != nullptr &&
        (message->hwnd == dialog->hwnd_ || ::IsChild(dialog->hwnd_, message->hwnd)) &&
        dialog->PreTranslateMessage(*message)) {
        return TRUE;
    }
    return ::CallNextHookEx(nullptr, code, wParam, lParam);
}

bool CDialogEx::RouteEvent(UINT message, int controlId, UINT code, NMHDR* header, LRESULT& result) {
    for (const MessageMap* map = GetMessageMap(); map != nullptr; map = map->base) {
        for (const MessageMapEntry& entry : map->entries) {
            if (entry.message != message || entry.controlId != controlId || entry.code != code ||
                entry.onMessage != nullptr) {
                continue;
            }
            if (entry.onCommand != nullptr) {
                (this->*entry.onCommand)();
            } else {
                (this->*entry.onNotify)(*header, result);
            }
            return true;
        }
    }
    return false;
}

bool CDialogEx::RouteMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    for (const MessageMap* map = GetMessageMap(); map != nullptr; map = map->base) {
        for (const MessageMapEntry& entry : map->entries) {
            if (entry.message == message && entry.onMessage != nullptr) {
                result = (this->*entry.onMessage)(wParam, lParam);
                return true;
            }
        }
    }
    return false;
}

INT_PTR CALLBACK CDialogEx::DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_INITDIALOG) {
        auto* dialog = reinterpret_cast<CDialogEx*>(lParam);
        ::SetWindowLongPtrW(window, DWLP_USER, lParam);
        dialog->hwnd_ = window;
        const BOOL result = dialog->OnInitDialog();
        // Only now are the texts the window's own: the template's may be placeholders.
        FitControlsToTexts(window);
        return result;
    }
    // Messages that arrive before WM_INITDIALOG find no object yet.
    auto* dialog = reinterpret_cast<CDialogEx*>(::GetWindowLongPtrW(window, DWLP_USER));
    if (dialog == nullptr) {
        return FALSE;
    }
    LRESULT result = 0;
    if (message == WM_COMMAND) {
        return dialog->RouteEvent(WM_COMMAND, LOWORD(wParam), HIWORD(wParam), nullptr, result);
    }
    if (message == WM_NOTIFY) {
        auto* header = reinterpret_cast<NMHDR*>(lParam);
        if (dialog->RouteEvent(WM_NOTIFY, static_cast<int>(header->idFrom), header->code, header,
                               result)) {
            ::SetWindowLongPtrW(window, DWLP_MSGRESULT, result);
            return TRUE;
        }
        return FALSE;
    }
    if (dialog->RouteMessage(message, wParam, lParam, result)) {
        ::SetWindowLongPtrW(window, DWLP_MSGRESULT, result);
        return TRUE;
    }
    return FALSE;
}

} // namespace kestrow
