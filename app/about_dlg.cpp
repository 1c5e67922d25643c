#include "app/about_dlg.h"

#include "res/resource_ids.h"

const MessageMap CAboutDlg::kMessageMap{&Dialog::kMessageMap, nullptr, 0};

CAboutDlg::CAboutDlg() : Dialog(IDD_ABOUTBOX, nullptr) {}

const MessageMap* CAboutDlg::GetMessageMap() const { return &kMessageMap; }
