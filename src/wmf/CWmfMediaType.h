#pragma once

#include <vector>

#include "wmf/WmfTypes.h"

// A media type record with its own copy of the format block.
class CWmfMediaType
{
public:
    CWmfMediaType();

    // Copies the record and its format block; the record's pUnk is not kept.
    void Assign(const WM_MEDIA_TYPE& type);
    void Clear();
    bool IsSet() const { return m_bSet; }
    const WM_MEDIA_TYPE* Get() const;

    // IWMMediaProps::GetMediaType contract: null pType asks for the size; otherwise the
    // record is copied with its format block placed right behind it in the caller's memory.
    HRESULT CopyTo(WM_MEDIA_TYPE* pType, DWORD* pcbType) const;

    CWmfMediaType(const CWmfMediaType& other);
    CWmfMediaType& operator=(const CWmfMediaType& other);

private:
    WM_MEDIA_TYPE m_type;
    std::vector<BYTE> m_format;
    bool m_bSet;
};
