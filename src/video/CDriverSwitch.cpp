#include "video/CDriverSwitch.h"

#include <aclapi.h>

#include <cstdio>
#include <cstring>

#include "base/ScopedWin.h"
#include "drivers/vidcap/VidcapProtocol.h"
#include "drivers/vidcap/VidcapSwitch.h"

namespace {

CDriverSwitch::CreateKeyFunction s_pfnCreateKey = ::RegCreateKeyExA;

// Everyone: full access, as a security descriptor with an explicit DACL.
class CWorldAccess
{
public:
    CWorldAccess() : m_pSid(nullptr), m_pAcl(nullptr), m_descriptor(), m_attributes()
    {
        SID_IDENTIFIER_AUTHORITY world = SECURITY_WORLD_SID_AUTHORITY;
        if (!AllocateAndInitializeSid(&world, 1, SECURITY_WORLD_RID, 0, 0, 0, 0, 0, 0, 0, &m_pSid))
            return;
        EXPLICIT_ACCESSA access;
        memset(&access, 0, sizeof(access));
        access.grfAccessPermissions = KEY_ALL_ACCESS;
        access.grfAccessMode = SET_ACCESS;
        access.grfInheritance = NO_INHERITANCE;
        access.Trustee.TrusteeForm = TRUSTEE_IS_SID;
        access.Trustee.TrusteeType = TRUSTEE_IS_WELL_KNOWN_GROUP;
        access.Trustee.ptstrName = static_cast<LPSTR>(m_pSid);
        if (SetEntriesInAclA(1, &access, nullptr, &m_pAcl) != ERROR_SUCCESS)
            m_pAcl = nullptr;
        InitializeSecurityDescriptor(&m_descriptor, SECURITY_DESCRIPTOR_REVISION);
        SetSecurityDescriptorDacl(&m_descriptor, TRUE, m_pAcl, FALSE);
        m_attributes.nLength = sizeof(m_attributes);
        m_attributes.lpSecurityDescriptor = &m_descriptor;
        m_attributes.bInheritHandle = FALSE;
    }
    ~CWorldAccess()
    {
        if (m_pAcl)
            LocalFree(m_pAcl);
        if (m_pSid)
            FreeSid(m_pSid);
    }
    CWorldAccess(const CWorldAccess&) = delete;
    CWorldAccess& operator=(const CWorldAccess&) = delete;

    bool IsValid() const { return m_pAcl != nullptr; }
    SECURITY_ATTRIBUTES* Attributes() { return IsValid() ? &m_attributes : nullptr; }
    PSECURITY_DESCRIPTOR Descriptor() { return &m_descriptor; }

private:
    PSID m_pSid;
    PACL m_pAcl;
    SECURITY_DESCRIPTOR m_descriptor;
    SECURITY_ATTRIBUTES m_attributes;
};

// pAccess: the security the machine's keys get; none for the user's.
HKEY CreateOpenKey(HKEY hParent, const char* pszName, CWorldAccess* pAccess)
{
    SECURITY_ATTRIBUTES* pAttributes = pAccess ? pAccess->Attributes() : nullptr;
    HKEY hKey = nullptr;
    LONG nResult = s_pfnCreateKey(hParent, pszName, 0, const_cast<char*>(""), REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS,
                                  pAttributes, &hKey, nullptr);
    // Some systems keep the current hardware profile in a volatile key, below which only
    // volatile keys can be created; the switch then lasts until the system restarts.
    if (nResult == ERROR_CHILD_MUST_BE_VOLATILE)
        nResult = s_pfnCreateKey(hParent, pszName, 0, const_cast<char*>(""), REG_OPTION_VOLATILE, KEY_ALL_ACCESS,
                                 pAttributes, &hKey, nullptr);
    if (nResult != ERROR_SUCCESS)
        return nullptr;
    if (pAccess && pAccess->IsValid())
        RegSetKeySecurity(hKey, DACL_SECURITY_INFORMATION, pAccess->Descriptor());
    return hKey;
}

bool WriteUnder(HKEY hRoot, const char* pszPath, const char* pszSubKey, DWORD dwValue, CWorldAccess* pAccess)
{
    CScopedRegKey hService(CreateOpenKey(hRoot, pszPath, pAccess));
    if (!hService)
        return false;
    CScopedRegKey hDevice(CreateOpenKey(hService.Get(), pszSubKey, pAccess));
    return hDevice && RegSetValueExA(hDevice.Get(), VIDCAP_ATTACH_VALUE, 0, REG_DWORD,
                                     reinterpret_cast<const BYTE*>(&dwValue), sizeof(dwValue)) == ERROR_SUCCESS;
}

// A user's value would hide the machine's from then on.
void DeleteUserValue(const char* pszDriverName, const char* pszSubKey)
{
    char szPath[MAX_PATH];
    CDriverSwitch::UserKeyPath(pszDriverName, szPath, sizeof(szPath));
    lstrcatA(szPath, "\\");
    lstrcatA(szPath, pszSubKey);
    CScopedRegKey hKey;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, szPath, 0, KEY_SET_VALUE, hKey.Receive()) != ERROR_SUCCESS) {
        hKey.Detach();
        return;
    }
    RegDeleteValueA(hKey.Get(), VIDCAP_ATTACH_VALUE);
}

} // namespace

void CDriverSwitch::KeyPath(const char* pszDriverName, char* pszPath, size_t cchPath)
{
    VidcapSwitchKeyPath(HKEY_LOCAL_MACHINE, pszDriverName, pszPath, cchPath);
}

void CDriverSwitch::UserKeyPath(const char* pszDriverName, char* pszPath, size_t cchPath)
{
    VidcapSwitchKeyPath(HKEY_CURRENT_USER, pszDriverName, pszPath, cchPath);
}

CDriverSwitch::CreateKeyFunction CDriverSwitch::SetCreateKeyFunction(CreateKeyFunction pfnCreateKey)
{
    CreateKeyFunction pfnOld = s_pfnCreateKey;
    s_pfnCreateKey = pfnCreateKey ? pfnCreateKey : ::RegCreateKeyExA;
    return pfnOld;
}

void CDriverSwitch::SubKeyName(const char* pszDeviceName, char* pszSubKey, size_t cchSubKey)
{
    char szUpper[sizeof(DISPLAY_DEVICEA::DeviceName) + 1];
    lstrcpynA(szUpper, pszDeviceName ? pszDeviceName : "", sizeof(szUpper));
    CharUpperA(szUpper);
    const char* pszDevice = strstr(szUpper, "\\DEVICE");
    lstrcpynA(pszSubKey, pszDevice ? pszDevice + 1 : "DEVICE0", static_cast<int>(cchSubKey));
}

bool CDriverSwitch::Write(const char* pszDriverName, const char* pszSubKey, DWORD dwValue)
{
    char szPath[MAX_PATH];
    KeyPath(pszDriverName, szPath, sizeof(szPath));
    CWorldAccess access;
    if (WriteUnder(HKEY_LOCAL_MACHINE, szPath, pszSubKey, dwValue, &access)) {
        DeleteUserValue(pszDriverName, pszSubKey);
        return true;
    }
    UserKeyPath(pszDriverName, szPath, sizeof(szPath));
    return WriteUnder(HKEY_CURRENT_USER, szPath, pszSubKey, dwValue, nullptr);
}

bool CDriverSwitch::Read(const char* pszDriverName, const char* pszSubKey, DWORD& dwValue)
{
    return VidcapReadSwitch(pszDriverName, pszSubKey, dwValue);
}
