#pragma once

#include "wmf/WmfTypes.h"

// The built-in Windows Media writer runtime, with the platform's factory signatures.
HRESULT WINAPI OrvWMCreateProfileManager(IWMProfileManager** ppProfileManager);
HRESULT WINAPI OrvWMCreateWriter(IUnknown* pUnkCert, IWMWriter** ppWriter);

// Chooses, once per process, between the system's wmvcore.dll and the built-in runtime:
// the system one is used only when it can really write (an empty profile can be created and
// its writer has the advanced and header-info-3 interfaces). Profiles and writers always
// come from the same runtime.
class CWmfRuntime
{
public:
    static HRESULT CreateProfileManager(IWMProfileManager** ppProfileManager);
    static HRESULT CreateWriter(IUnknown* pUnkCert, IWMWriter** ppWriter);
    static bool IsSystemRuntime();

private:
    typedef HRESULT(WINAPI* PFN_CREATE_PROFILE_MANAGER)(IWMProfileManager**);
    typedef HRESULT(WINAPI* PFN_CREATE_WRITER)(IUnknown*, IWMWriter**);

    struct CChoice
    {
        PFN_CREATE_PROFILE_MANAGER pfnCreateProfileManager;
        PFN_CREATE_WRITER pfnCreateWriter;
        bool bSystem;
    };

    static const CChoice& Choice();
    static CChoice Decide();
    static bool CanWrite(PFN_CREATE_PROFILE_MANAGER pfnCreateProfileManager, PFN_CREATE_WRITER pfnCreateWriter);
};
