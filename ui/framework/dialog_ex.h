#pragma once

// Modal dialogs from templates of the program's own module, in the manner of the classic
// dialog framework: a window class derives from CDialogEx, binds its control members in
// DoDataExchange, prepares its texts in OnInitDialog and lists its event handlers in its
// message map.

#include <windows.h>

#include "message_map.h"
#include "wnd.h"

namespace kestrow {

// Binds control members to the controls of a dialog that has just been created.
class CDataExchange {
public:
    explicit CDataExchange(HWND dialog) : dialog_(dialog) {}
    HWND Dialog() const { return dialog_; }

private:
    HWND dialog_;
};

void DDX_Control(CDataExchange& exchange, int controlId, CWnd& control);

class CDialogEx : public CWnd {
public:
    // The window opens with no parent: the window active at that moment becomes its owner.
    explicit CDialogEx(UINT templateId) : templateId_(templateId) {}

    // Creates the window, runs it until it ends and returns its end code (IDOK, IDCANCEL,
    // or -1 when it could not be created).
    INT_PTR DoModal();
    // Creates the window and returns at once, leaving it to the caller's message loop; the
    // window, owned by owner, lives until the caller destroys it. Null when it could not be
    // created.
    HWND CreateModeless(HWND owner);

protected:
    virtual const MessageMap* GetMessageMap() const;
    virtual void DoDataExchange(CDataExchange& exchange);
    // Binds the controls; returns TRUE to have the focus put on the first tab stop.
    virtual BOOL OnInitDialog();
    virtual void OnOK();
    virtual void OnCancel();
    // Sees every message meant for the window or its controls before the dialog manager turns
    // keys into commands; true keeps the message from going any further.
    virtual BOOL PreTranslateMessage(MSG& message);

    void EndDialog(INT_PTR result) { ::EndDialog(hwnd_, result); }

private:
    static INT_PTR CALLBACK DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    static LRESULT CALLBACK FilterMessage(int code, WPARAM wParam, LPARAM lParam);
    bool RouteEvent(UINT message, int controlId, UINT code, NMHDR* header, LRESULT& result);
    bool RouteMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);

    UINT templateId_;
};

} // namespace kestrow
