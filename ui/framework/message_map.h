#pragma once

// Routing of control events to a dialog's handlers, by control id and notification code.
// Each dialog class lists its handlers in a table that names its base's table, as in:
//
//     const MessageMap* CSomeDlg::GetMessageMap() const {
//         static const MessageMapEntry entries[] = {
//             CommandEntry(1009, BN_CLICKED, &CSomeDlg::OnBrowse),
//             NotifyEntry(1025, NM_CLICK, &CSomeDlg::OnLinkClick),
//             MessageEntry(WM_TIMER, &CSomeDlg::OnTimer),
//         };
//         static const MessageMap map{CDialogEx::GetMessageMap(), entries};
//         return &map;
//     }

#include <windows.h>

#include <span>

namespace kestrow {

class CDialogEx;

using CommandHandler = void (CDialogEx::*)();
using NotifyHandler = void (CDialogEx::*)(NMHDR& header, LRESULT& result);
using MessageHandler = LRESULT (CDialogEx::*)(WPARAM wParam, LPARAM lParam);

struct MessageMapEntry {
    UINT message; // WM_COMMAND, WM_NOTIFY, or any message of the window itself
    int controlId;
    UINT code; // notification code: BN_CLICKED, EN_CHANGE, NM_CLICK, ...
    CommandHandler onCommand;
    NotifyHandler onNotify;
    MessageHandler onMessage = nullptr;
};

struct MessageMap {
    const MessageMap* base; // searched when no entry of this map matches
    std::span<const MessageMapEntry> entries;
};

// A handler of a dialog derived from CDialogEx for a WM_COMMAND notification.
template <typename Dialog>
MessageMapEntry CommandEntry(int controlId, UINT code, void (Dialog::*handler)()) {
    return {WM_COMMAND, controlId, code, static_cast<CommandHandler>(handler), nullptr};
}

// A handler for a WM_NOTIFY notification; it sets the notification's result.
template <typename Dialog>
MessageMapEntry NotifyEntry(int controlId, UINT code,
                            void (Dialog::*handler)(NMHDR& header, LRESULT& result)) {
    return {WM_NOTIFY, controlId, code, nullptr, static_cast<NotifyHandler>(handler)};
}

// A handler for a message sent or posted to the window itself (a timer, a message of the
// program's own); what it returns is the message's result.
template <typename Dialog>
MessageMapEntry MessageEntry(UINT message,
                             LRESULT (Dialog::*handler)(WPARAM wParam, LPARAM lParam)) {
    return {message, 0, 0, nullptr, nullptr, static_cast<MessageHandler>(handler)};
}

} // namespace kestrow
