#include "wmf/WmfRuntime.h"

#include "base/ScopedWin.h"
#include "wmf/CWmfProfileManager.h"
#include "wmf/CWmfWriter.h"

HRESULT WINAPI OrvWMCreateProfileManager(IWMProfileManager** ppProfileManager)
{
    if (!ppProfileManager)
        return E_POINTER;
    *ppProfileManager = CWmfProfileManager::Create();
    return *ppProfileManager ? S_OK : E_OUTOFMEMORY;
}

HRESULT WINAPI OrvWMCreateWriter(IUnknown*, IWMWriter** ppWriter)
{
    if (!ppWriter)
        return E_POINTER;
    *ppWriter = CWmfWriter::Create();
    return *ppWriter ? S_OK : E_OUTOFMEMORY;
}

HRESULT CWmfRuntime::CreateProfileManager(IWMProfileManager** ppProfileManager)
{
    return Choice().pfnCreateProfileManager(ppProfileManager);
}

HRESULT CWmfRuntime::CreateWriter(IUnknown* pUnkCert, IWMWriter** ppWriter)
{
    return Choice().pfnCreateWriter(pUnkCert, ppWriter);
}

bool CWmfRuntime::IsSystemRuntime()
{
    return Choice().bSystem;
}

const CWmfRuntime::CChoice& CWmfRuntime::Choice()
{
    static const CChoice choice = Decide();
    return choice;
}

CWmfRuntime::CChoice CWmfRuntime::Decide()
{
    const CChoice builtIn = {OrvWMCreateProfileManager, OrvWMCreateWriter, false};
    CScopedModule module(LoadLibraryA("wmvcore.dll"));
    if (!module)
        return builtIn;
    const HMODULE hModule = module.Get();
    auto pfnCreateProfileManager = reinterpret_cast<PFN_CREATE_PROFILE_MANAGER>(
        reinterpret_cast<void*>(GetProcAddress(hModule, "WMCreateProfileManager")));
    auto pfnCreateWriter =
        reinterpret_cast<PFN_CREATE_WRITER>(reinterpret_cast<void*>(GetProcAddress(hModule, "WMCreateWriter")));
    if (pfnCreateProfileManager && pfnCreateWriter && CanWrite(pfnCreateProfileManager, pfnCreateWriter)) {
        module.Detach(); // the module stays loaded
        return CChoice{pfnCreateProfileManager, pfnCreateWriter, true};
    }
    return builtIn;
}

bool CWmfRuntime::CanWrite(PFN_CREATE_PROFILE_MANAGER pfnCreateProfileManager, PFN_CREATE_WRITER pfnCreateWriter)
{
    bool bCanWrite = false;
    IWMProfileManager* pManager = nullptr;
    if (SUCCEEDED(pfnCreateProfileManager(&pManager)) && pManager) {
        IWMProfile* pProfile = nullptr;
        if (SUCCEEDED(pManager->CreateEmptyProfile(WMT_VER_9_0, &pProfile)) && pProfile) {
            pProfile->Release();
            bCanWrite = true;
        }
        pManager->Release();
    }
    if (!bCanWrite)
        return false;
    IWMWriter* pWriter = nullptr;
    if (FAILED(pfnCreateWriter(nullptr, &pWriter)) || !pWriter)
        return false;
    IWMWriterAdvanced* pAdvanced = nullptr;
    IWMHeaderInfo3* pHeaderInfo = nullptr;
    bCanWrite = SUCCEEDED(pWriter->QueryInterface(IID_IWMWriterAdvanced, reinterpret_cast<void**>(&pAdvanced))) &&
                SUCCEEDED(pWriter->QueryInterface(IID_IWMHeaderInfo3, reinterpret_cast<void**>(&pHeaderInfo)));
    if (pAdvanced)
        pAdvanced->Release();
    if (pHeaderInfo)
        pHeaderInfo->Release();
    pWriter->Release();
    return bCanWrite;
}
