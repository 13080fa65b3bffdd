#pragma once
// A skin picture: a 24-bit DIB with a pattern brush painting any area with the matching
// part of the picture.
#include "framework/CBrush.h"
#include "ui/CDib.h"

class CSkinImage : public CDib
{
public:
    BOOL CreateBrush() { return m_brush.CreatePatternBrush(this); }
    CBrush* GetBrush() { return &m_brush; }

private:
    CBrush m_brush;
};

// A "png" resource of the current resource module; null for id 0 or any failure.
CSkinImage* LoadSkinImage(UINT nID);
// The rectangle of a full-size picture as an image of its own; null when it looks exactly
// like the face there, or on failure.
CSkinImage* CropSkinImage(CSkinImage* pImage, CSkinImage* pFace, const RECT& rect);
