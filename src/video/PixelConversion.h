#pragma once
// Row conversions from the surface formats to 32-bit pixels (blue, green, red, fourth byte).
// Each takes (destination, destination stride, source, source stride, width in pixels,
// rows). The plain versions define the results; the others give the same bytes with SSE2.
#include <windows.h>

typedef void (*RowConverter)(BYTE* pDest, int nDestStride, const BYTE* pSource, int nSourceStride, int nWidth,
                             int nRows);

// 5-5-5: each 5-bit value v becomes (v << 3) | (v >> 2); fourth byte 0.
void Convert555To32(BYTE* pDest, int nDestStride, const BYTE* pSource, int nSourceStride, int nWidth, int nRows);
// 5-6-5: red and blue as 5-5-5, green g becomes (g << 2) | (g >> 4); fourth byte 0.
void Convert565To32(BYTE* pDest, int nDestStride, const BYTE* pSource, int nSourceStride, int nWidth, int nRows);
// 24-bit: blue, green and red are copied; fourth byte 0.
void Convert24To32(BYTE* pDest, int nDestStride, const BYTE* pSource, int nSourceStride, int nWidth, int nRows);

void Convert555To32Plain(BYTE* pDest, int nDestStride, const BYTE* pSource, int nSourceStride, int nWidth, int nRows);
void Convert565To32Plain(BYTE* pDest, int nDestStride, const BYTE* pSource, int nSourceStride, int nWidth, int nRows);
void Convert24To32Plain(BYTE* pDest, int nDestStride, const BYTE* pSource, int nSourceStride, int nWidth, int nRows);
