// The few functions of GDI+'s flat C interface that the image decoder uses, declared here
// for their types: the decoder binds them from gdiplus.dll when it first needs them.
// NOTE: <gdiplus.h> is a C++ wrapper that needs the min/max macros which NOMINMAX removes,
// and drags in COM headers that WIN32_LEAN_AND_MEAN leaves out; these declarations are the
// library's stable exported ABI and need neither.
#pragma once

#include <windows.h>

namespace orvex::win32::gdiplus {

using GpStatus = int; // 0 is Ok
using PixelFormat = INT;
struct GpImage;
struct GpBitmap; // a GpBitmap is a GpImage

constexpr GpStatus kOk = 0;
constexpr PixelFormat kPixelFormat32bppARGB = 0x26200A;
constexpr UINT kImageLockModeRead = 1;

struct StartupInput {
    UINT32 GdiplusVersion;
    void* DebugEventCallback;
    BOOL SuppressBackgroundThread;
    BOOL SuppressExternalCodecs;
};

struct Rect {
    INT X;
    INT Y;
    INT Width;
    INT Height;
};

struct BitmapData {
    UINT Width;
    UINT Height;
    INT Stride;
    PixelFormat PixelFormat;
    void* Scan0;
    UINT_PTR Reserved;
};

inline GpImage* asImage(GpBitmap* bitmap) { return reinterpret_cast<GpImage*>(bitmap); }

} // namespace orvex::win32::gdiplus

extern "C" {
orvex::win32::gdiplus::GpStatus WINAPI GdiplusStartup(ULONG_PTR* token,
                                                      const orvex::win32::gdiplus::StartupInput* input,
                                                      void* output);
void WINAPI GdiplusShutdown(ULONG_PTR token);
orvex::win32::gdiplus::GpStatus WINAPI GdipCreateBitmapFromFile(const WCHAR* filename,
                                                                orvex::win32::gdiplus::GpBitmap** bitmap);
orvex::win32::gdiplus::GpStatus WINAPI GdipGetImageWidth(orvex::win32::gdiplus::GpImage* image, UINT* width);
orvex::win32::gdiplus::GpStatus WINAPI GdipGetImageHeight(orvex::win32::gdiplus::GpImage* image, UINT* height);
orvex::win32::gdiplus::GpStatus WINAPI GdipCloneBitmapArea(float x, float y, float width, float height,
                                                           orvex::win32::gdiplus::PixelFormat format,
                                                           orvex::win32::gdiplus::GpBitmap* source,
                                                           orvex::win32::gdiplus::GpBitmap** clone);
orvex::win32::gdiplus::GpStatus WINAPI GdipBitmapLockBits(orvex::win32::gdiplus::GpBitmap* bitmap,
                                                          const orvex::win32::gdiplus::Rect* rect, UINT flags,
                                                          orvex::win32::gdiplus::PixelFormat format,
                                                          orvex::win32::gdiplus::BitmapData* data);
orvex::win32::gdiplus::GpStatus WINAPI GdipBitmapUnlockBits(orvex::win32::gdiplus::GpBitmap* bitmap,
                                                            orvex::win32::gdiplus::BitmapData* data);
orvex::win32::gdiplus::GpStatus WINAPI GdipDisposeImage(orvex::win32::gdiplus::GpImage* image);
}
