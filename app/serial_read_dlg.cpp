#include "app/serial_read_dlg.h"

#include <cstdint>
#include <iterator>

#include "app/about_dlg.h"
#include "app/application_icon.h"
#include "app/clipboard.h"
#include "app/copy_failure_text.h"
#include "app/drive_note.h"
#include "app/framework/application.h"
#include "app/framework/code_page.h"
#include "app/framework/resource_strings.h"
#include "app/framework/window_text_api.h"
#include "app/instruction_texts.h"
#include "app/running_copy_mark.h"
#include "res/resource_ids.h"
#include "survey/survey.h"

namespace {

// The list's current selection, kept for undoing edits of the serial field.
int32_t g_selectedDrive = 0;
// 1 until the first paint has filled the drive list.
uint8_t g_firstPaint = 1;
// Shift-JIS text of the note below the list.
Text g_noteText = kNoteText;

constexpr UINT kSystemCommandMask = 0xFFF0;

const Text kNoSerial;

// The serial text of list item `index`. An empty list has no selection (-1),
// and no item may reach past the survey's results: either shows nothing.
const Text& SerialOfDrive(int index) {
    if (index < 0 || index >= g_driveCount || index >= kResultSlots) return kNoSerial;
    return g_driveSerials[index];
}

}  // namespace

const MessageMapEntry CSerialReadDlg::kMessageEntries[] = {
    {WM_SYSCOMMAND, 0, 0, Handler(&CSerialReadDlg::OnSysCommand)},
    {WM_PAINT, 0, 0, Handler(&CSerialReadDlg::OnPaint)},
    {WM_QUERYDRAGICON, 0, 0, Handler(&CSerialReadDlg::OnQueryDragIcon)},
    {WM_DESTROY, 0, 0, Handler(&CSerialReadDlg::OnDestroy)},
    {WM_COMMAND, EN_CHANGE, IDC_SERIAL, Handler(&CSerialReadDlg::OnSerialChange)},
    {WM_COMMAND, CBN_EDITCHANGE, IDC_DRIVE_LIST, Handler(&CSerialReadDlg::OnIgnoredNotification)},
    {WM_COMMAND, CBN_SELCHANGE, IDC_DRIVE_LIST, Handler(&CSerialReadDlg::OnSelectionChange)},
    // The Copy button's id is IDOK, so two entries name its command: this one
    // and the base dialog's IDOK entry, which would call OnOK. This one comes
    // first in the lookup and takes both the click and Enter (the dialog
    // manager's IDOK command); OnCopy goes through OnOK, so either way the
    // one handler copies.
    {WM_COMMAND, BN_CLICKED, IDC_COPY, Handler(&CSerialReadDlg::OnCopy)},
    {WM_COMMAND, EN_CHANGE, IDC_INSTRUCTION_LINE, Handler(&CSerialReadDlg::OnIgnoredNotification)},
    {WM_COMMAND, STN_CLICKED, IDC_NOTE, Handler(&CSerialReadDlg::OnIgnoredNotification)},
};

const MessageMap CSerialReadDlg::kMessageMap{&Dialog::kMessageMap, kMessageEntries,
                                             std::size(kMessageEntries)};

CSerialReadDlg::CSerialReadDlg(HWND parent)
    : Dialog(IDD_MAIN, parent),
      icon_(LoadApplicationIcon(SM_CXICON, SM_CYICON)),
      smallIcon_(LoadApplicationIcon(SM_CXSMICON, SM_CYSMICON)) {}

CSerialReadDlg::~CSerialReadDlg() {
    if (smallIcon_ != nullptr) DestroyIcon(smallIcon_);
    if (icon_ != nullptr) DestroyIcon(icon_);
}

const MessageMap* CSerialReadDlg::GetMessageMap() const { return &kMessageMap; }

void CSerialReadDlg::DoDataExchange(DataExchange& exchange) {
    exchange.BindControl(IDC_DRIVE_LIST, driveList_);
    exchange.ExchangeText(IDC_SERIAL, serialText_);
    exchange.ExchangeText(IDC_INSTRUCTION_LINE, instructionLine_);
    exchange.BindControl(IDC_NOTE, note_);
}

BOOL CSerialReadDlg::OnInitDialog() {
    Dialog::OnInitDialog();
    AddAboutItem();
    WindowApi().sendMessage(Handle(), WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon_));
    WindowApi().sendMessage(Handle(), WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(smallIcon_));
    note_.SetText(g_noteText);
    MarkAsRunningCopy(Handle());

    // Shows the dialog in its place when it is to be used.
    SurveyDrives(Handle());
    return TRUE;
}

INT_PTR CSerialReadDlg::OnDestroy(WPARAM, LPARAM) {
    UnmarkRunningCopy(Handle());
    return FALSE;
}

void CSerialReadDlg::AddAboutItem() {
    HMENU systemMenu = GetSystemMenu(Handle(), FALSE);
    if (systemMenu == nullptr) return;
    const Text itemText = LoadResourceString(IDS_ABOUT_ITEM);
    if (itemText.empty()) return;
    AppendMenuItem(systemMenu, MF_SEPARATOR, 0, nullptr);
    AppendMenuItem(systemMenu, MF_STRING, IDM_ABOUTBOX, SystemText(itemText).Chars());
}

INT_PTR CSerialReadDlg::OnSysCommand(WPARAM wParam, LPARAM) {
    if ((wParam & kSystemCommandMask) != IDM_ABOUTBOX) return FALSE;
    CAboutDlg about;
    about.DoModal();
    return TRUE;
}

// Every paint rewrites the serial field from the list and hands the focus back
// to Copy; the first one also fills the list, because the survey has finished
// by then.
INT_PTR CSerialReadDlg::OnPaint(WPARAM, LPARAM) {
    if (IsIconic(Handle())) {
        PaintMinimisedIcon();
    } else {
        DefaultPaint();
    }
    if (g_firstPaint == 1) FillDriveList();
    ShowSelectedSerial();
    return TRUE;
}

void CSerialReadDlg::PaintMinimisedIcon() {
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(Handle(), &paint);
    WindowApi().sendMessage(Handle(), WM_ICONERASEBKGND, reinterpret_cast<WPARAM>(dc), 0);
    const int iconWidth = GetSystemMetrics(SM_CXICON);
    const int iconHeight = GetSystemMetrics(SM_CYICON);
    RECT client;
    GetClientRect(Handle(), &client);
    const int x = (client.right - client.left - iconWidth + 1) / 2;
    const int y = (client.bottom - client.top - iconHeight + 1) / 2;
    DrawIcon(dc, x, y, icon_);
    EndPaint(Handle(), &paint);
}

void CSerialReadDlg::FillDriveList() {
    for (int i = 0; i < g_driveCount && i < kResultSlots; ++i) {
        driveList_.InsertString(-1, g_driveNames[i]);
    }
    RefreshSerial(SerialOfDrive(0));
    driveList_.SetCurSel(0);
    g_firstPaint = 0;
    UpdateData(true);
    instructionLine_ = kInstructionLine;
    UpdateData(false);
}

void CSerialReadDlg::ShowSelectedSerial() {
    g_selectedDrive = driveList_.GetCurSel();
    RefreshSerial(SerialOfDrive(g_selectedDrive));
    FocusControl(IDC_COPY);
}

INT_PTR CSerialReadDlg::OnQueryDragIcon(WPARAM, LPARAM) { return reinterpret_cast<INT_PTR>(icon_); }

// The field must show the drive's serial text and nothing else: any edit the
// user makes is undone at once. The exchange's own writes never get here.
INT_PTR CSerialReadDlg::OnSerialChange(WPARAM, LPARAM) {
    RefreshSerial(SerialOfDrive(g_selectedDrive));
    return TRUE;
}

// The note explains the serial field: it follows the selection.
INT_PTR CSerialReadDlg::OnSelectionChange(WPARAM, LPARAM) {
    ShowSelectedSerial();
    ShowDriveNote(Handle(), NoteForDrive(g_selectedDrive).c_str());
    return TRUE;
}

INT_PTR CSerialReadDlg::OnCopy(WPARAM, LPARAM) {
    OnOK();
    return TRUE;
}

INT_PTR CSerialReadDlg::OnIgnoredNotification(WPARAM, LPARAM) { return TRUE; }

void CSerialReadDlg::OnOK() {
    CopySerialToClipboard();
    FocusControl(IDC_SERIAL);
}

void CSerialReadDlg::RefreshSerial(const Text& text) {
    UpdateData(true);
    serialText_ = text;
    UpdateData(false);
}

// Plain text, zero-terminated, without a line end, so that it pastes into a
// single-line web form as it is. When the clipboard could not be had, the
// user must not paste whatever it held before into the registration page.
void CSerialReadDlg::CopySerialToClipboard() {
    if (PutTextOnClipboard(Handle(), serialText_)) return;
    ShowMessageBox(Handle(), kCopyFailedText, WideFromShiftJis(LoadResourceString(IDS_MAIN_TITLE)),
                   MB_OK | MB_ICONWARNING);
}
