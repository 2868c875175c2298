// The Win32 platform: environment, registry reads against the announced buffer, GDI+ image
// decoding, and the data folder found through them.
#include "core/data_folder.h"
#include "platform/platform.h"
#include "platform/text.h"
#include "platform/win32/imaging.h"

#include <gtest/gtest.h>
#include <windows.h>
#include <zlib.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace orvex {
namespace {

constexpr size_t kAnnounced = 255; // the data folder's registry buffer

std::wstring wide(const std::u16string& s) { return std::wstring(s.begin(), s.end()); }

// A key of its own under HKCU\Software, removed with its values afterwards.
class RegistryFixture : public ::testing::Test {
protected:
    void SetUp() override {
        key_ = u"Software\\OrvexWinTests\\Platform" + ascii(std::to_string(GetCurrentProcessId()));
        HKEY created = nullptr;
        ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, wide(key_).c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                                  &created, nullptr),
                  ERROR_SUCCESS);
        RegCloseKey(created);
    }
    void TearDown() override { RegDeleteTreeW(HKEY_CURRENT_USER, wide(key_).c_str()); }

    void set(const wchar_t* name, DWORD type, const void* bytes, DWORD size) {
        HKEY k = nullptr;
        ASSERT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, wide(key_).c_str(), 0, KEY_SET_VALUE, &k), ERROR_SUCCESS);
        ASSERT_EQ(RegSetValueExW(k, name, 0, type, static_cast<const BYTE*>(bytes), size), ERROR_SUCCESS);
        RegCloseKey(k);
    }
    void setText(const wchar_t* name, const std::wstring& text) {
        set(name, REG_SZ, text.c_str(), DWORD((text.size() + 1) * sizeof(wchar_t)));
    }
    std::optional<std::u16string> read(const char16_t* name, size_t announced = kAnnounced) {
        return platform().registryValue(key_, name, announced);
    }

    std::u16string key_;
};

TEST_F(RegistryFixture, StringValueComesBackWithItsTerminator) {
    setText(L"TempPath", L"D:\\Temp\\");
    EXPECT_EQ(read(u"TempPath"), std::u16string(u"D:\\Temp\\") + u'\0');
}

TEST_F(RegistryFixture, StringWithoutTerminatorGivesExactlyItsUnits) {
    // NOTE: Wine stores a terminator of its own when the unit behind the data is NUL; a
    // unit other than NUL behind it keeps the value unterminated, as Windows stores it.
    const std::wstring text = L"C:\\DataX";
    set(L"TempPath", REG_SZ, text.c_str(), DWORD((text.size() - 1) * sizeof(wchar_t)));
    EXPECT_EQ(read(u"TempPath"), std::u16string(u"C:\\Data"));
}

TEST_F(RegistryFixture, ValueMustFitTheAnnouncedBufferByteForByte) {
    // 126 units and the terminator are 254 bytes: they fit in 255. 127 and the terminator
    // are 256: refused, not cut and not read past the buffer.
    setText(L"Fits", std::wstring(126, L'x'));
    setText(L"TooLong", std::wstring(127, L'y'));
    setText(L"MuchLonger", std::wstring(2000, L'z'));
    EXPECT_EQ(read(u"Fits"), std::u16string(126, u'x') + u'\0');
    EXPECT_EQ(read(u"TooLong"), std::nullopt);
    EXPECT_EQ(read(u"MuchLonger"), std::nullopt);
}

TEST_F(RegistryFixture, OtherTypesAndOddByteCountsAreReadAsUnits) {
    const DWORD number = 0x00410042;
    set(L"Number", REG_DWORD, &number, sizeof number);
    EXPECT_EQ(read(u"Number"), std::u16string({u'\x0042', u'\x0041'}));

    const unsigned char odd[3] = {0x41, 0x00, 0x42};
    set(L"Odd", REG_BINARY, odd, sizeof odd);
    EXPECT_EQ(read(u"Odd"), std::u16string({u'\x0041', u'\x0042'}));

    // Exactly the announced 255 bytes: 127 full units and a last byte of its own.
    std::vector<unsigned char> full(255, 0x61);
    full[254] = 0x7A;
    set(L"Full", REG_BINARY, full.data(), DWORD(full.size()));
    const auto units = read(u"Full");
    ASSERT_TRUE(units.has_value());
    ASSERT_EQ(units->size(), 128u);
    EXPECT_EQ((*units)[0], char16_t(0x6161));
    EXPECT_EQ((*units)[127], char16_t(0x007A));
}

TEST_F(RegistryFixture, MissingKeyOrValueGivesNothing) {
    EXPECT_EQ(read(u"NoSuchValue"), std::nullopt);
    EXPECT_EQ(platform().registryValue(key_ + u"\\NoSuchKey", u"TempPath", kAnnounced), std::nullopt);
}

// The data folder from the real registry key when APPDATA gives nothing.
TEST(DataFolderWin32, RegistryTempPathIsUsedWhenAppDataIsUnset) {
    const wchar_t* key = L"SOFTWARE\\Tervanic\\Planomat2027_OrvexPlugin";
    wchar_t savedAppData[512] = {};
    const DWORD savedLength = GetEnvironmentVariableW(L"APPDATA", savedAppData, 512);
    SetEnvironmentVariableW(L"APPDATA", nullptr);
    HKEY k = nullptr;
    ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, key, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &k, nullptr),
              ERROR_SUCCESS);
    const std::wstring value = L"D:\\Temp\\";
    RegSetValueExW(k, L"TempPath", 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                   DWORD((value.size() + 1) * sizeof(wchar_t)));
    RegCloseKey(k);

    resetDataFolderCache();
    EXPECT_EQ(getDataFolder(), u"D:\\Temp\\");
    EXPECT_EQ(dataFilePath(u"camera.cam"), u"D:\\Temp\\camera.cam");

    RegDeleteTreeW(HKEY_CURRENT_USER, key);
    if (savedLength > 0 && savedLength < 512) SetEnvironmentVariableW(L"APPDATA", savedAppData);
    resetDataFolderCache();
}

TEST(EnvironmentWin32, ValueMustBeSetNonEmptyAndFitTheBuffer) {
    SetEnvironmentVariableW(L"ORVEX_TEST_VALUE", L"C:\\Users\\A\\AppData\\Roaming");
    EXPECT_EQ(platform().environmentVariable(u"ORVEX_TEST_VALUE", 512), u"C:\\Users\\A\\AppData\\Roaming");

    SetEnvironmentVariableW(L"ORVEX_TEST_VALUE", L"");
    EXPECT_EQ(platform().environmentVariable(u"ORVEX_TEST_VALUE", 512), std::nullopt);

    SetEnvironmentVariableW(L"ORVEX_TEST_VALUE", nullptr);
    EXPECT_EQ(platform().environmentVariable(u"ORVEX_TEST_VALUE", 512), std::nullopt);

    // 511 units and the terminator fill a 512-unit buffer; one more does not fit.
    SetEnvironmentVariableW(L"ORVEX_TEST_VALUE", std::wstring(511, L'a').c_str());
    EXPECT_EQ(platform().environmentVariable(u"ORVEX_TEST_VALUE", 512), std::u16string(511, u'a'));
    SetEnvironmentVariableW(L"ORVEX_TEST_VALUE", std::wstring(512, L'b').c_str());
    EXPECT_EQ(platform().environmentVariable(u"ORVEX_TEST_VALUE", 512), std::nullopt);
    SetEnvironmentVariableW(L"ORVEX_TEST_VALUE", nullptr);
}

// --- image decoding -------------------------------------------------------------------

void put16(std::string& s, uint16_t v) { s.append(reinterpret_cast<const char*>(&v), 2); }
void put32(std::string& s, uint32_t v) { s.append(reinterpret_cast<const char*>(&v), 4); }
void put32be(std::string& s, uint32_t v) {
    const char b[4] = {char(v >> 24), char(v >> 16), char(v >> 8), char(v)};
    s.append(b, 4);
}

// A 24-bit BMP; a negative height stores the rows top first. pixels: B, G, R per pixel,
// rows top first.
std::string bmp24(int32_t width, int32_t height, const std::vector<uint8_t>& pixels) {
    const int32_t rows = height < 0 ? -height : height;
    const uint32_t stride = (uint32_t(width) * 3 + 3) & ~3u;
    std::string s = "BM";
    put32(s, 54 + stride * rows);
    put32(s, 0);
    put32(s, 54);
    put32(s, 40);
    put32(s, uint32_t(width));
    put32(s, uint32_t(height));
    put16(s, 1);
    put16(s, 24);
    put32(s, 0);
    put32(s, stride * rows);
    put32(s, 2835);
    put32(s, 2835);
    put32(s, 0);
    put32(s, 0);
    for (int32_t r = 0; r < rows; ++r) {
        const int32_t source = height < 0 ? r : rows - 1 - r; // bottom-up files store the last row first
        std::string row(reinterpret_cast<const char*>(pixels.data()) + size_t(source) * width * 3, size_t(width) * 3);
        row.resize(stride, '\0');
        s += row;
    }
    return s;
}

void chunk(std::string& png, const char* type, const std::string& data) {
    put32be(png, uint32_t(data.size()));
    std::string body = std::string(type, 4) + data;
    png += body;
    put32be(png, uint32_t(crc32(0, reinterpret_cast<const Bytef*>(body.data()), uInt(body.size()))));
}

// An 8-bit RGBA PNG; pixels: R, G, B, A per pixel, rows top first.
std::string pngRgba(uint32_t width, uint32_t height, const std::vector<uint8_t>& pixels) {
    std::string raw;
    for (uint32_t y = 0; y < height; ++y) {
        raw += '\0'; // no filter
        raw.append(reinterpret_cast<const char*>(pixels.data()) + size_t(y) * width * 4, size_t(width) * 4);
    }
    uLongf packedSize = compressBound(uLong(raw.size()));
    std::string packed(packedSize, '\0');
    compress(reinterpret_cast<Bytef*>(packed.data()), &packedSize, reinterpret_cast<const Bytef*>(raw.data()),
             uLong(raw.size()));
    packed.resize(packedSize);

    std::string png = "\x89PNG\r\n\x1a\n";
    std::string header;
    put32be(header, width);
    put32be(header, height);
    header += std::string("\x08\x06\x00\x00\x00", 5);
    chunk(png, "IHDR", header);
    chunk(png, "IDAT", packed);
    chunk(png, "IEND", "");
    return png;
}

class ImageFixture : public ::testing::Test {
protected:
    void TearDown() override {
        for (const auto& f : files_) DeleteFileW(f.c_str());
    }
    std::u16string write(const std::string& name, const std::string& bytes) {
        wchar_t temp[MAX_PATH + 1] = {};
        GetTempPathW(MAX_PATH + 1, temp);
        const std::wstring path = std::wstring(temp) + L"orvex-image-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
                                  std::wstring(name.begin(), name.end());
        std::FILE* f = _wfopen(path.c_str(), L"wb");
        EXPECT_NE(f, nullptr);
        if (f) {
            std::fwrite(bytes.data(), 1, bytes.size(), f);
            std::fclose(f);
        }
        files_.push_back(path);
        return std::u16string(path.begin(), path.end());
    }

    std::vector<std::wstring> files_;
};

TEST_F(ImageFixture, BottomUpBmpDecodesRowsTopFirstInBgraOrder) {
    // 3 x 2: top row red, green, blue; bottom row white, black, grey (B, G, R each).
    const std::vector<uint8_t> pixels = {0, 0, 255, 0, 255, 0, 255, 0, 0, 255, 255, 255, 0, 0, 0, 128, 128, 128};
    PixelImage image;
    ASSERT_TRUE(platform().decodeImage(write("a.bmp", bmp24(3, 2, pixels)), image));
    EXPECT_EQ(image.width, 3u);
    EXPECT_EQ(image.height, 2u);
    const std::vector<uint8_t> expected = {0, 0, 255, 255, 0,   255, 0,   255, 255, 0,   0,   255,
                                           255, 255, 255, 255, 0, 0, 0, 255, 128, 128, 128, 255};
    EXPECT_EQ(image.bgra, expected);
}

TEST_F(ImageFixture, TopDownBmpKeepsItsRowOrder) {
    const std::vector<uint8_t> pixels = {1, 2, 3, 4, 5, 6};
    PixelImage image;
    ASSERT_TRUE(platform().decodeImage(write("b.bmp", bmp24(1, -2, pixels)), image));
    EXPECT_EQ(image.bgra, (std::vector<uint8_t>{1, 2, 3, 255, 4, 5, 6, 255}));
}

TEST_F(ImageFixture, PngKeepsColoursAndAlpha) {
    // 2 x 2 RGBA with four different alphas.
    const std::vector<uint8_t> rgba = {10, 20, 30, 255, 40, 50, 60, 128, 70, 80, 90, 0, 200, 150, 100, 1};
    PixelImage image;
    ASSERT_TRUE(platform().decodeImage(write("c.png", pngRgba(2, 2, rgba)), image));
    EXPECT_EQ(image.width, 2u);
    EXPECT_EQ(image.height, 2u);
    const std::vector<uint8_t> expected = {30, 20, 10, 255, 60, 50, 40, 128, 90, 80, 70, 0, 100, 150, 200, 1};
    EXPECT_EQ(image.bgra, expected);
}

TEST_F(ImageFixture, UnreadableFilesFailAndLeaveTheImageAlone) {
    PixelImage image;
    image.width = 7;
    image.bgra = {9};
    EXPECT_FALSE(platform().decodeImage(u"Z:\\no\\such\\folder\\none.png", image));
    EXPECT_FALSE(platform().decodeImage(write("garbage.png", "not an image at all"), image));
    const std::string png = pngRgba(2, 2, std::vector<uint8_t>(16, 7));
    EXPECT_FALSE(platform().decodeImage(write("cut.png", png.substr(0, 20)), image));
    EXPECT_EQ(image.width, 7u);
    EXPECT_EQ(image.bgra, std::vector<uint8_t>{9});
}

TEST_F(ImageFixture, DecodingWorksAgainAfterImagingWasShutDown) {
    const std::u16string path = write("d.bmp", bmp24(1, 1, {1, 2, 3}));
    PixelImage first, second;
    ASSERT_TRUE(platform().decodeImage(path, first));
    win32::shutdownImaging();
    win32::shutdownImaging(); // a second shutdown does nothing
    ASSERT_TRUE(platform().decodeImage(path, second));
    EXPECT_EQ(first.bgra, second.bgra);
    win32::shutdownImaging();
}

} // namespace
} // namespace orvex
