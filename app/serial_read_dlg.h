#pragma once

// The main window: the drive list, the selected drive's serial text and the
// Copy button that puts the text on the clipboard.

#include <windows.h>

#include "app/framework/controls.h"
#include "app/framework/dialog.h"
#include "text/text.h"

class CSerialReadDlg : public Dialog {
public:
    explicit CSerialReadDlg(HWND parent = nullptr);
    ~CSerialReadDlg() override;

protected:
    const MessageMap* GetMessageMap() const override;
    void DoDataExchange(DataExchange& exchange) override;
    BOOL OnInitDialog() override;
    // Enter must never close the window: it copies instead.
    void OnOK() override;

private:
    INT_PTR OnSysCommand(WPARAM wParam, LPARAM lParam);
    INT_PTR OnPaint(WPARAM wParam, LPARAM lParam);
    INT_PTR OnQueryDragIcon(WPARAM wParam, LPARAM lParam);
    INT_PTR OnDestroy(WPARAM wParam, LPARAM lParam);
    INT_PTR OnSerialChange(WPARAM wParam, LPARAM lParam);
    INT_PTR OnSelectionChange(WPARAM wParam, LPARAM lParam);
    INT_PTR OnCopy(WPARAM wParam, LPARAM lParam);
    INT_PTR OnIgnoredNotification(WPARAM wParam, LPARAM lParam);

    void AddAboutItem();
    void PaintMinimisedIcon();
    void FillDriveList();
    void ShowSelectedSerial();
    void RefreshSerial(const Text& text);
    void CopySerialToClipboard();

    static const MessageMapEntry kMessageEntries[];
    static const MessageMap kMessageMap;

    Text serialText_;
    ComboBox driveList_;
    // The large icon (taskbar, Alt+Tab, the minimised window) and the small
    // one (title bar), each at the system's own size.
    HICON icon_;
    HICON smallIcon_;
    Text instructionLine_;
    StaticText note_;
};
