#include "dialog_ex.h"

namespace kestrow {

void DDX_Control(CDataExchange& exchange, int controlId, CWnd& control) {
    control.Attach(::GetDlgItem(exchange.Dialog(), controlId));
}

INT_PTR CDialogEx::DoModal() {
    const INT_PTR result =
        ::DialogBoxParamW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(templateId_),
                          ::GetActiveWindow(), &DialogProc, reinterpret_cast<LPARAM>(this));
    hwnd_ = nullptr;
    return result;
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

bool CDialogEx::RouteEvent(UINT message, int controlId, UINT code, NMHDR* header, LRESULT& result) {
    for (const MessageMap* map = GetMessageMap(); map != nullptr; map = map->base) {
        for (const MessageMapEntry& entry : map->entries) {
            if (entry.message != message || entry.controlId != controlId || entry.code != code) {
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

INT_PTR CALLBACK CDialogEx::DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_INITDIALOG) {
        auto* dialog = reinterpret_cast<CDialogEx*>(lParam);
        ::SetWindowLongPtrW(window, DWLP_USER, lParam);
        dialog->hwnd_ = window;
        return dialog->OnInitDialog();
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
    }
    return FALSE;
}

} // namespace kestrow
