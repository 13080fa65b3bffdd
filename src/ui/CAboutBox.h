#pragma once
// The about box: product artwork with the version, the legal notice and the maker's address.
#include "sysinfo/FileVersionRecord.h"
#include "ui/CBitmapDlg.h"

class CAboutBox : public CBitmapDlg
{
public:
    // pRecord: the program's version record (may be null).
    explicit CAboutBox(const FileVersionRecord* pRecord);

    static const char* const kWebAddress;
    static const char* const kDefaultNotice;
    static const POINT kVersionPos;
    static const POINT kNoticePos;

    const CString& GetVersionText() const { return m_strVersion; }
    const CString& GetNoticeText() const { return m_strNotice; }

protected:
    BOOL Init() override;
    void Cleanup() override;
    BOOL LoadBackground(CDib* pBitmap) override;
    void DrawContent(CDC* pDC) override;

private:
    const FileVersionRecord* m_pRecord;
    CFont m_fontTitle;
    CFont m_fontText;
    CFont m_fontLink;
    CString m_strVersion;
    CString m_strNotice;
    CString m_strAddress;
};
