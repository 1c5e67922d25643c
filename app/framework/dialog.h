#pragma once

// A modal dialog built from a resource template. Messages go through the
// dialog's message map (derived tables first); members and controls meet in
// DoDataExchange.

#include <windows.h>

#include "app/framework/data_exchange.h"
#include "app/framework/message_map.h"

class Dialog {
public:
    // parent may be null: the application's main window then owns the dialog.
    Dialog(UINT templateId, HWND parent);
    virtual ~Dialog();
    Dialog(const Dialog&) = delete;
    Dialog& operator=(const Dialog&) = delete;

    // Runs the dialog until it ends; returns the value it ended with, or -1
    // when the window could not be created.
    INT_PTR DoModal();

    HWND Handle() const { return window_; }
    HWND Item(int controlId) const { return GetDlgItem(window_, controlId); }

protected:
    virtual const MessageMap* GetMessageMap() const;
    virtual void DoDataExchange(DataExchange& exchange);

    // Returns TRUE to let the dialog manager focus the first tab stop.
    virtual BOOL OnInitDialog();
    virtual void OnOK();
    virtual void OnCancel();

    // saving: true reads the controls into the members, false writes the
    // members into the controls. The dialog's own control notifications are
    // not dispatched meanwhile.
    void UpdateData(bool saving);

    void EndDialog(int result);

    // Lets the dialog manager move the focus to a control, selecting an edit
    // control's whole text as keyboard navigation does.
    void FocusControl(int controlId);

    // What the dialog manager does with WM_PAINT when nobody handles it.
    void DefaultPaint();

    static const MessageMap kMessageMap;

private:
    static INT_PTR CALLBACK DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    static bool MovedSince(HWND window, const RECT& before);
    // Over the owner when it is shown, else over the work area; never outside the work area.
    static void CenterOverOwner(HWND window);
    INT_PTR Dispatch(UINT message, WPARAM wParam, LPARAM lParam);

    INT_PTR HandleInitDialog(WPARAM wParam, LPARAM lParam);
    INT_PTR HandleOk(WPARAM wParam, LPARAM lParam);
    INT_PTR HandleCancel(WPARAM wParam, LPARAM lParam);

    static const MessageMapEntry kMessageEntries[];

    UINT templateId_;
    HWND parent_;
    HWND window_ = nullptr;
    bool exchanging_ = false;  // UpdateData is writing or reading the controls
};
