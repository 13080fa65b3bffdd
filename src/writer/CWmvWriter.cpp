#include "writer/CWmvWriter.h"

#include <new>

#include "wmf/WmfRuntime.h"
#include "writer/CWmvStream.h"

namespace {

const int kQueueCapacity = 1000;
const char kFormatName[] = "Advanced System File";
const char kExtension[] = "asf";

template <class T> void SafeRelease(T*& p)
{
    if (p)
        p->Release();
    p = nullptr;
}

HRESULT WINAPI CreateRuntimeProfileManager(IWMProfileManager** ppManager)
{
    return CWmfRuntime::CreateProfileManager(ppManager);
}

HRESULT WINAPI CreateRuntimeWriter(IUnknown* pUnkCert, IWMWriter** ppWriter)
{
    return CWmfRuntime::CreateWriter(pUnkCert, ppWriter);
}

void SetVbrProperties(IWMPropertyVault* pVault)
{
    BOOL bEnabled = TRUE;
    DWORD dwZero = 0;
    pVault->SetProperty(L"_VBRENABLED", WMT_TYPE_BOOL, reinterpret_cast<BYTE*>(&bEnabled), 4);
    pVault->SetProperty(L"_RMAX", WMT_TYPE_DWORD, reinterpret_cast<BYTE*>(&dwZero), 4);
    pVault->SetProperty(L"_BMAX", WMT_TYPE_DWORD, reinterpret_cast<BYTE*>(&dwZero), 4);
}

} // namespace

CWmvWriter::CWmvWriter() : CMediaWriter(kQueueCapacity), m_pfnCreateWriter(CreateRuntimeWriter)
{
    Construct(CreateRuntimeProfileManager);
}

CWmvWriter::CWmvWriter(CreateProfileManagerFn pfnCreateProfileManager, CreateWriterFn pfnCreateWriter)
    : CMediaWriter(kQueueCapacity), m_pfnCreateWriter(pfnCreateWriter)
{
    Construct(pfnCreateProfileManager);
}

void CWmvWriter::Construct(CreateProfileManagerFn pfnCreateProfileManager)
{
    m_pwszFileName = nullptr;
    m_pProfileManager = nullptr;
    m_pProfile = nullptr;
    m_pWmWriter = nullptr;
    m_pWmAdvanced = nullptr;
    m_pHeaderInfo = nullptr;
    m_bSdkWriting = false;
    SetFormatName(kFormatName);
    SetExtension(kExtension);
    if (!pfnCreateProfileManager || FAILED(pfnCreateProfileManager(&m_pProfileManager)))
        m_pProfileManager = nullptr;
}

CWmvWriter::~CWmvWriter()
{
    CWmvWriter::Stop();
    ReleaseProfile();
    CWmvWriter::Uninitialize();
    delete[] m_pwszFileName;
    SafeRelease(m_pProfileManager);
}

int CWmvWriter::Initialize()
{
    if (m_pWmWriter)
        return 1;
    if (!m_pfnCreateWriter || FAILED(m_pfnCreateWriter(nullptr, &m_pWmWriter)) || !m_pWmWriter ||
        FAILED(m_pWmWriter->QueryInterface(IID_IWMWriterAdvanced, reinterpret_cast<void**>(&m_pWmAdvanced))) ||
        FAILED(m_pWmWriter->QueryInterface(IID_IWMHeaderInfo3, reinterpret_cast<void**>(&m_pHeaderInfo)))) {
        Uninitialize();
        return 0;
    }
    return 1;
}

void CWmvWriter::Uninitialize()
{
    SafeRelease(m_pHeaderInfo);
    SafeRelease(m_pWmAdvanced);
    SafeRelease(m_pWmWriter);
}

CWmvStream* CWmvWriter::WmvStream(int nIndex) const
{
    return static_cast<CWmvStream*>(GetStream(nIndex));
}

int CWmvWriter::Start()
{
    Stop();
    // A runtime still busy with the last write of an earlier file cannot begin another.
    if (m_bSdkWriting)
        return 0;
    if (!m_pProfileManager || !m_pWmWriter || !m_pWmAdvanced || !m_pHeaderInfo)
        return 0;
    if (!BuildProfile() || !ConfigureWriter()) {
        ReleaseProfile();
        return 0;
    }
    AddCodecInfo();
    if (FAILED(m_pWmWriter->BeginWriting())) {
        ReleaseProfile();
        return 0;
    }
    m_bSdkWriting = true;
    // A start that fails from here on still closes the runtime's file, so that the next
    // start finds the runtime ready.
    if (!StartStreams() || !CMediaWriter::Start()) {
        CMediaWriter::Stop();
        EndSdkWriting();
        return 0;
    }
    return 1;
}

int CWmvWriter::BuildProfile()
{
    ReleaseProfile();
    if (FAILED(m_pProfileManager->CreateEmptyProfile(WMT_VER_9_0, &m_pProfile)) || !m_pProfile) {
        m_pProfile = nullptr;
        return 0;
    }
    // A stream the runtime refuses is left out; its samples are then dropped, not failed.
    for (int i = 0; i < GetStreamCount(); ++i)
        WmvStream(i)->SetInProfile(AddStreamToProfile(WmvStream(i)) != 0);
    return 1;
}

int CWmvWriter::AddStreamToProfile(CWmvStream* pStream)
{
    IWMStreamConfig* pConfig = nullptr;
    if (FAILED(m_pProfile->CreateNewStream(pStream->MediaTypeGuid(), &pConfig)) || !pConfig)
        return 0;
    pConfig->SetStreamNumber(pStream->StreamNumber());
    pConfig->SetBitrate(pStream->Bitrate());
    pConfig->SetBufferWindow(pStream->BufferWindow());

    int nAdded = 0;
    IWMPropertyVault* pVault = nullptr;
    IWMMediaProps* pProps = nullptr;
    bool bUsable = true;
    if (pStream->IsVariableBitRate()) {
        bUsable = SUCCEEDED(pConfig->QueryInterface(IID_IWMPropertyVault, reinterpret_cast<void**>(&pVault)));
        if (bUsable)
            SetVbrProperties(pVault);
    }
    WM_MEDIA_TYPE* pType = pStream->MediaType();
    if (bUsable && pType && SUCCEEDED(pConfig->QueryInterface(IID_IWMMediaProps, reinterpret_cast<void**>(&pProps))) &&
        SUCCEEDED(pProps->SetMediaType(pType))) {
        m_pProfile->AddStream(pConfig);
        nAdded = 1;
    }
    SafeRelease(pConfig);
    SafeRelease(pVault);
    SafeRelease(pProps);
    return nAdded;
}

int CWmvWriter::ConfigureWriter()
{
    DWORD dwInputs = 0;
    if (FAILED(m_pWmWriter->SetProfile(m_pProfile)) || FAILED(m_pWmWriter->GetInputCount(&dwInputs)))
        return 0;
    for (DWORD i = 0; i < dwInputs; ++i) {
        if (FAILED(m_pWmWriter->SetInputProps(i, nullptr)))
            return 0;
    }
    return CopyFileNameForSdk() && SUCCEEDED(m_pWmWriter->SetOutputFilename(m_pwszFileName));
}

int CWmvWriter::CopyFileNameForSdk()
{
    char szName[MAX_PATH];
    if (!GetFileName(szName, sizeof(szName)))
        return 0;
    const int cchName = MultiByteToWideChar(CP_ACP, 0, szName, -1, nullptr, 0);
    wchar_t* pwszName = cchName > 0 ? new (std::nothrow) wchar_t[cchName] : nullptr;
    if (!pwszName || !MultiByteToWideChar(CP_ACP, 0, szName, -1, pwszName, cchName)) {
        delete[] pwszName;
        return 0;
    }
    delete[] m_pwszFileName;
    m_pwszFileName = pwszName;
    return 1;
}

void CWmvWriter::AddCodecInfo()
{
    for (int i = 0; i < GetStreamCount(); ++i) {
        const CWmvStream* pStream = WmvStream(i);
        if (pStream->CodecType() == -1)
            continue;
        m_pHeaderInfo->AddCodecInfo(pStream->CodecName(), pStream->CodecDescription(),
                                    static_cast<WMT_CODEC_INFO_TYPE>(pStream->CodecType()), pStream->CodecInfoSize(),
                                    const_cast<BYTE*>(pStream->CodecInfo()));
    }
}

int CWmvWriter::StartStreams()
{
    for (int i = 0; i < GetStreamCount(); ++i) {
        CWmvStream* pStream = WmvStream(i);
        pStream->Attach(m_pWmWriter, m_pWmAdvanced);
        if (!pStream->Start())
            return 0;
    }
    return 1;
}

void CWmvWriter::StopStreams()
{
    for (int i = 0; i < GetStreamCount(); ++i)
        WmvStream(i)->Stop();
}

// Also runs when the writing thread has already ended by itself (a write failure without
// anyone to notify), so that the file is always completed. A thread stuck in a write holds
// the runtime's lock: the file is ended by a later call, once the thread is back.
void CWmvWriter::Stop()
{
    if (!IsWriting() && !m_bSdkWriting)
        return;
    if (!StopThread())
        return;
    EndSdkWriting();
}

void CWmvWriter::EndSdkWriting()
{
    StopStreams();
    if (m_bSdkWriting && m_pWmWriter)
        m_pWmWriter->EndWriting();
    m_bSdkWriting = false;
    ReleaseProfile();
}

void CWmvWriter::ReleaseProfile()
{
    SafeRelease(m_pProfile);
}
