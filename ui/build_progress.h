#pragma once

#include <windows.h>

#include <string>

#include "framework/dialog_ex.h"
#include "win32_handle.h"

namespace kestrow {

// The small window over the main window that shows how far a long conversion has come: the
// package's name, a bar, and the percentage in words. It cannot be closed by the user; it goes with
// its object, when the conversion ends.
class CBuildProgress : public CDialogEx {
public:
    explicit CBuildProgress(std::wstring packageName);
    ~CBuildProgress() override;

    // Shows the window over its owner with the bar at permille; false when it could not be
    // made, which leaves the conversion as it is.
    bool Open(HWND owner, unsigned permille);
    void ShowPermille(unsigned permille);

protected:
    void DoDataExchange(CDataExchange& exchange) override;
    BOOL OnInitDialog() override;
    void OnOK() override;
    void OnCancel() override;

private:
    static constexpr unsigned kNoPercentShown = ~0u;

    void CenterOverOwner();

    std::wstring packageName_;
    CStatic packageNameText_;
    CProgressCtrl progressBar_;
    CStatic statusText_;
    std::wstring statusPattern_;
    unsigned shownPercent_ = kNoPercentShown;
    Window window_;
};

} // namespace kestrow
