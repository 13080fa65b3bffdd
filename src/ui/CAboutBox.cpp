#include "ui/CAboutBox.h"

#include "framework/AfxCore.h"

const char* const CAboutBox::kWebAddress = "https://www.vantri.com/";
const char* const CAboutBox::kDefaultNotice = "Copyright (C) Vantri. All rights reserved.";
const POINT CAboutBox::kVersionPos = {170, 50};
const POINT CAboutBox::kNoticePos = {10, 185};

namespace {

const UINT kAboutBitmapID = 136;

void MakeFont(CFont* pFont, int nHeight, int nWeight, BOOL bUnderline, LPCSTR lpszFace)
{
    pFont->CreateFont(nHeight, 0, 0, 0, nWeight, FALSE, static_cast<BYTE>(bUnderline), FALSE, ANSI_CHARSET,
                      OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH, lpszFace);
}

} // namespace

CAboutBox::CAboutBox(const FileVersionRecord* pRecord) : m_pRecord(pRecord)
{
}

BOOL CAboutBox::Init()
{
    MakeFont(&m_fontTitle, 14, FW_BOLD, FALSE, "MS Sans Serif");
    MakeFont(&m_fontText, 13, FW_NORMAL, FALSE, "Verdana");
    MakeFont(&m_fontLink, 13, FW_NORMAL, TRUE, "Verdana");
    m_strVersion = "";
    m_strNotice = kDefaultNotice;
    if (m_pRecord) {
        if (!m_pRecord->m_strFileVersion.IsEmpty())
            m_strVersion = m_pRecord->m_strFileVersion;
        else if (!m_pRecord->m_strProductVersion.IsEmpty())
            m_strVersion = m_pRecord->m_strProductVersion;
        if (!m_pRecord->m_strLegalCopyright.IsEmpty())
            m_strNotice = m_pRecord->m_strLegalCopyright;
    }
    m_strAddress = kWebAddress;
    return TRUE;
}

void CAboutBox::Cleanup()
{
    m_fontTitle.DeleteObject();
    m_fontText.DeleteObject();
    m_fontLink.DeleteObject();
}

BOOL CAboutBox::LoadBackground(CDib* pBitmap)
{
    LPCSTR lpszName = MAKEINTRESOURCEA(kAboutBitmapID);
    return pBitmap->Load(AfxFindResourceHandle(lpszName, RT_BITMAP), lpszName, nullptr);
}

void CAboutBox::DrawContent(CDC* pDC)
{
    RECT rcVersion = {kVersionPos.x, kVersionPos.y, kVersionPos.x, kVersionPos.y};
    DrawItem(pDC, &m_fontTitle, m_strVersion, &rcVersion, 0xFFFFFF);
    RECT rcNotice = {kNoticePos.x, kNoticePos.y, kNoticePos.x, kNoticePos.y};
    DrawItem(pDC, &m_fontText, m_strNotice, &rcNotice, 0);
    int nLinkX = (rcNotice.right - rcNotice.left) + 15;
    RECT rcLink = {nLinkX, kNoticePos.y, nLinkX, kNoticePos.y};
    DrawItem(pDC, &m_fontLink, nullptr, &rcLink, 0, m_strAddress, 0xFF0000, 0x0000FF);
}
