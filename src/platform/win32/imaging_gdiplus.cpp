// GDI+ image decoding: the decoded image is copied into a full-size 32-bit ARGB bitmap (the
// format conversion) whose locked rows are copied out. Every bitmap made here is released
// on every path. The library is loaded by the first decode, not with the program: loading it
// (and the libraries it needs) costs a start that generates no normal map for nothing.
#include "platform/win32/imaging.h"

#include "platform/win32/gdiplus_flat.h"
#include "platform/win32/wide_text.h"

#include <cstdint>
#include <cstring>
#include <limits>
#include <new>
#include <utility>
#include <vector>

namespace orvex::win32 {

namespace {

using namespace orvex::win32::gdiplus;

// The operations used, bound from gdiplus.dll by name. The library stays loaded once bound:
// its background thread must not lose its code.
struct Library {
    decltype(&GdiplusStartup) startup = nullptr;
    decltype(&GdiplusShutdown) shutdown = nullptr;
    decltype(&GdipCreateBitmapFromFile) createBitmapFromFile = nullptr;
    decltype(&GdipGetImageWidth) getImageWidth = nullptr;
    decltype(&GdipGetImageHeight) getImageHeight = nullptr;
    decltype(&GdipCloneBitmapArea) cloneBitmapArea = nullptr;
    decltype(&GdipBitmapLockBits) bitmapLockBits = nullptr;
    decltype(&GdipBitmapUnlockBits) bitmapUnlockBits = nullptr;
    decltype(&GdipDisposeImage) disposeImage = nullptr;
};

Library library;
bool gBound = false;
ULONG_PTR gToken = 0;
bool gStarted = false;

template <typename Function>
bool bindOperation(HMODULE module, const char* name, Function& function) {
    // GetProcAddress hands out a generic function pointer (through void(*)() the cast draws
    // no type warning).
    function = reinterpret_cast<Function>(reinterpret_cast<void (*)()>(GetProcAddress(module, name)));
    return function != nullptr;
}

bool bindLibrary() {
    if (gBound) return true;
    const HMODULE module = LoadLibraryW(L"gdiplus.dll");
    if (!module) return false; // tried again on the next decode
    Library bound;
    if (!bindOperation(module, "GdiplusStartup", bound.startup) ||
        !bindOperation(module, "GdiplusShutdown", bound.shutdown) ||
        !bindOperation(module, "GdipCreateBitmapFromFile", bound.createBitmapFromFile) ||
        !bindOperation(module, "GdipGetImageWidth", bound.getImageWidth) ||
        !bindOperation(module, "GdipGetImageHeight", bound.getImageHeight) ||
        !bindOperation(module, "GdipCloneBitmapArea", bound.cloneBitmapArea) ||
        !bindOperation(module, "GdipBitmapLockBits", bound.bitmapLockBits) ||
        !bindOperation(module, "GdipBitmapUnlockBits", bound.bitmapUnlockBits) ||
        !bindOperation(module, "GdipDisposeImage", bound.disposeImage))
        return false;
    library = bound;
    gBound = true;
    return true;
}

bool startImaging() {
    if (gStarted) return true;
    if (!bindLibrary()) return false;
    StartupInput input{1, nullptr, FALSE, FALSE};
    if (library.startup(&gToken, &input, nullptr) != kOk) {
        gToken = 0;
        return false; // tried again on the next decode
    }
    gStarted = true;
    return true;
}

// Owns one GDI+ bitmap.
class Bitmap {
public:
    Bitmap() = default;
    ~Bitmap() {
        if (bitmap_) library.disposeImage(asImage(bitmap_));
    }
    Bitmap(const Bitmap&) = delete;
    Bitmap& operator=(const Bitmap&) = delete;
    GpBitmap** out() { return &bitmap_; }
    GpBitmap* get() const { return bitmap_; }

private:
    GpBitmap* bitmap_ = nullptr;
};

// Copies the rows of a locked 32-bit bitmap; the stride may be larger than a row, or
// negative for a bitmap stored bottom row first.
bool copyRows(const BitmapData& data, UINT width, UINT height, PixelImage& out) {
    const size_t rowBytes = size_t(width) * 4;
    const int64_t stride = data.Stride;
    if (!data.Scan0 || uint64_t(stride < 0 ? -stride : stride) < rowBytes) return false;
    const auto* first = static_cast<const uint8_t*>(data.Scan0);
    for (UINT y = 0; y < height; ++y)
        std::memcpy(out.bgra.data() + size_t(y) * rowBytes, first + int64_t(y) * stride, rowBytes);
    return true;
}

} // namespace

bool decodeImageGdiplus(const std::u16string& path, PixelImage& out) {
    if (!startImaging()) return false;

    const std::wstring widePath = toWide(path);
    Bitmap decoded;
    if (library.createBitmapFromFile(widePath.c_str(), decoded.out()) != kOk || !decoded.get()) return false;

    UINT width = 0, height = 0;
    if (library.getImageWidth(asImage(decoded.get()), &width) != kOk ||
        library.getImageHeight(asImage(decoded.get()), &height) != kOk || width == 0 || height == 0)
        return false;
    // GDI+ takes the lock rectangle in signed integers.
    constexpr UINT kLargestSide = UINT(std::numeric_limits<INT>::max());
    if (width > kLargestSide || height > kLargestSide) return false;
    // W x H x 4 bytes must be addressable before anything is allocated.
    if (uint64_t(width) > std::numeric_limits<size_t>::max() / 4 / height) return false;
    const size_t bytes = size_t(width) * height * 4;

    Bitmap argb;
    if (library.cloneBitmapArea(0.0f, 0.0f, float(width), float(height), kPixelFormat32bppARGB, decoded.get(),
                            argb.out()) != kOk ||
        !argb.get())
        return false;

    std::vector<uint8_t> pixels;
    try {
        pixels.resize(bytes);
    } catch (const std::bad_alloc&) {
        return false;
    }

    const Rect area{0, 0, INT(width), INT(height)};
    BitmapData locked{};
    if (library.bitmapLockBits(argb.get(), &area, kImageLockModeRead, kPixelFormat32bppARGB, &locked) != kOk)
        return false;
    PixelImage image;
    image.width = width;
    image.height = height;
    image.bgra = std::move(pixels);
    const bool copied = copyRows(locked, width, height, image);
    library.bitmapUnlockBits(argb.get(), &locked);
    if (!copied) return false;

    out = std::move(image);
    return true;
}

void shutdownImaging() {
    if (!gStarted) return;
    library.shutdown(gToken);
    gToken = 0;
    gStarted = false;
}

} // namespace orvex::win32
