#pragma once
// The main window's template skinned the way the program does it, for tests and the demo.
#include "framework/CDialog.h"
#include "res/resource.h"
#include "sysinfo/FileVersionRecord.h"
#include "ui/CAboutBox.h"
#include "ui/CIconButton.h"
#include "ui/CSkinWnd.h"

#include <vector>

class CSkinTestDialog : public CDialog
{
public:
    CSkinTestDialog(UINT nMaskID = IDB_SKIN_MASK, UINT nFaceID = IDB_SKIN_FACE, UINT nHoverID = IDB_SKIN_HOVER)
        : m_nMaskID(nMaskID), m_nFaceID(nFaceID), m_nHoverID(nHoverID)
    {
        m_record.m_strFileVersion = "1.2.3.4";
        m_record.m_strLegalCopyright = "Copyright (C) 2026 Vantri";
    }

    BOOL CreateFromTemplate() { return Create(IDD_ORVANE_DIALOG, nullptr); }

    BOOL OnInitDialog() override
    {
        CDialog::OnInitDialog();
        // Template places before skinning, in client coordinates.
        for (HWND hChild = ::GetWindow(m_hWnd, GW_CHILD); hChild; hChild = ::GetWindow(hChild, GW_HWNDNEXT)) {
            RECT rc;
            ::GetWindowRect(hChild, &rc);
            ::MapWindowPoints(nullptr, m_hWnd, reinterpret_cast<POINT*>(&rc), 2);
            m_templateRects.push_back({hChild, rc});
        }
        m_btnStart.SubclassDlgItem(IDC_BTN_START, this);
        m_btnDefault.SubclassDlgItem(IDC_BTN_DEFAULT, this);
        m_btnStart.SetIcon(IDI_START);
        m_btnDefault.SetIcon(IDI_DEFAULT);
        m_btnStart.SetFlat(FALSE);
        m_btnDefault.SetFlat(FALSE);
        FillControls();

        m_skin.SetImageID(CSkinWnd::IMAGE_MASK, m_nMaskID);
        m_skin.SetImageID(CSkinWnd::IMAGE_FACE, m_nFaceID);
        m_skin.SetImageID(CSkinWnd::IMAGE_HOVER, m_nHoverID);
        m_skin.Attach(m_hWnd);
        m_skin.ApplySkin();
        // After skinning: the skinned buttons keep the cursor themselves.
        HCURSOR hHand = ::LoadCursorA(nullptr, IDC_HAND);
        ::SendDlgItemMessageA(m_hWnd, IDC_BTN_HELP, BM_SETIMAGE, IMAGE_CURSOR, reinterpret_cast<LPARAM>(hHand));
        ::SendDlgItemMessageA(m_hWnd, IDC_BTN_ABOUT, BM_SETIMAGE, IMAGE_CURSOR, reinterpret_cast<LPARAM>(hHand));
        return TRUE;
    }

    void FillControls()
    {
        ::SetDlgItemTextA(m_hWnd, IDC_EDT_SAVE_FOLDER, "C:\\users\\Public\\Videos\\Orvane");
        auto add = [&](int nID, std::initializer_list<const char*> items) {
            for (const char* item : items)
                ::SendDlgItemMessageA(m_hWnd, nID, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(item));
            ::SendDlgItemMessageA(m_hWnd, nID, CB_SETCURSEL, 0, 0);
        };
        add(IDC_CMB_FORMAT, {"AVI", "WMV"});
        add(IDC_CMB_CODEC, {"Screen capture codec", "Uncompressed"});
        add(IDC_CMB_AUDIO_DEVICE, {"Default sound device"});
        add(IDC_CMB_AUDIO_INPUT, {"Stereo mix"});
        add(IDC_CMB_SAMPLE_RATE, {"44100 Hz", "22050 Hz"});
        add(IDC_CMB_AUDIO_QUALITY, {"128 kbit/s MP3", "64 kbit/s MP3"});
        add(IDC_CMB_FPS, {"15", "10", "25"});
        add(IDC_CMB_HOTKEY, {"F9", "F10"});
        ::SendDlgItemMessageA(m_hWnd, IDC_SLD_VOLUME, TBM_SETRANGE, TRUE, MAKELPARAM(0, 100));
        ::SendDlgItemMessageA(m_hWnd, IDC_SLD_VOLUME, TBM_SETTICFREQ, 10, 0);
        ::SendDlgItemMessageA(m_hWnd, IDC_SLD_VOLUME, TBM_SETPOS, TRUE, 30);
        ::CheckDlgButton(m_hWnd, IDC_CHK_CTRL, BST_CHECKED);
        ::CheckDlgButton(m_hWnd, IDC_CHK_ALT, BST_CHECKED);
    }

    BOOL OnCommand(WPARAM wParam, LPARAM lParam) override
    {
        UINT nID = LOWORD(wParam);
        if (HIWORD(wParam) == BN_CLICKED) {
            m_commands.push_back(nID);
            if (nID == IDC_BTN_ABOUT && m_bOpenAbout) {
                CAboutBox about(&m_record);
                about.Show(nullptr);
            } else if (nID == IDC_BTN_CLOSE && m_bCloseQuits) {
                ::PostQuitMessage(0);
            } else if (nID == IDC_BTN_MINIMIZE) {
                ::ShowWindow(m_hWnd, SW_MINIMIZE);
            }
        }
        return CDialog::OnCommand(wParam, lParam);
    }

    RECT TemplateRect(HWND hChild) const
    {
        for (const auto& entry : m_templateRects)
            if (entry.first == hChild)
                return entry.second;
        return RECT{0, 0, 0, 0};
    }

    CSkinWnd m_skin;
    CIconButton m_btnStart;
    CIconButton m_btnDefault;
    FileVersionRecord m_record;
    std::vector<UINT> m_commands;
    std::vector<std::pair<HWND, RECT>> m_templateRects;
    BOOL m_bOpenAbout = FALSE;
    BOOL m_bCloseQuits = FALSE;

private:
    UINT m_nMaskID, m_nFaceID, m_nHoverID;
};
