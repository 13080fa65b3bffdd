#pragma once

#include <windows.h>

#include "pipeline/CMediaWriter.h"
#include "wmf/WmfTypes.h"

class CWmvStream;

// Writes one recording into a Windows Media (ASF) file through the Windows Media Format
// runtime. A profile is built for every file from the streams (CWmvStream objects), which
// arrive already compressed; samples go to the runtime by stream number.
class CWmvWriter : public CMediaWriter
{
public:
    typedef HRESULT(WINAPI* CreateProfileManagerFn)(IWMProfileManager**);
    typedef HRESULT(WINAPI* CreateWriterFn)(IUnknown*, IWMWriter**);

    // Uses the system's runtime when it can write, else the built-in one.
    CWmvWriter();
    // Uses the given runtime factories.
    CWmvWriter(CreateProfileManagerFn pfnCreateProfileManager, CreateWriterFn pfnCreateWriter);
    ~CWmvWriter() override;

    int Initialize() override;
    void Uninitialize() override;
    int Start() override;
    void Stop() override;

private:
    void Construct(CreateProfileManagerFn pfnCreateProfileManager);
    CWmvStream* WmvStream(int nIndex) const;
    int BuildProfile();
    int AddStreamToProfile(CWmvStream* pStream);
    int ConfigureWriter();
    void AddCodecInfo();
    int StartStreams();
    void StopStreams();
    void EndSdkWriting();
    void ReleaseProfile();
    int CopyFileNameForSdk();

    CreateWriterFn m_pfnCreateWriter;
    wchar_t* m_pwszFileName;
    IWMProfileManager* m_pProfileManager;
    IWMProfile* m_pProfile;
    IWMWriter* m_pWmWriter;
    IWMWriterAdvanced* m_pWmAdvanced;
    IWMHeaderInfo3* m_pHeaderInfo;
    // The runtime's file is open (BeginWriting succeeded and EndWriting is due).
    bool m_bSdkWriting;
};
