// The resources and PE header of the built executables: this build's
// tavrin.exe and, when it has been built, the 32-bit product.

#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <ostream>
#include <stdexcept>
#include <cstring>
#include <cwctype>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "app/Version.h"
#include "settings/Settings.h"

namespace tavrin::app::testing {
namespace {

struct Product {
    const char* name;
    const wchar_t* path;
    WORD machine;
    const char* manifestArchitecture;
};

const Product kThisBuild{"this build", TAVRIN_EXE_PATH,
#if defined(_WIN64)
                         IMAGE_FILE_MACHINE_AMD64, "amd64"
#else
                         IMAGE_FILE_MACHINE_I386, "x86"
#endif
};
const Product kI686Product{"i686 product", TAVRIN_I686_EXE_PATH, IMAGE_FILE_MACHINE_I386, "x86"};

void PrintTo(const Product& product, std::ostream* out) { *out << product.name; }

std::vector<unsigned char> ReadFileBytes(const wchar_t* path) {
    const HANDLE file = ::CreateFileW(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return {};
    std::vector<unsigned char> bytes(::GetFileSize(file, nullptr));
    DWORD read = 0;
    ::ReadFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &read, nullptr);
    ::CloseHandle(file);
    bytes.resize(read);
    return bytes;
}

// Sequential reader over a resource's bytes.
class Reader {
public:
    Reader(const void* data, std::size_t size) : data_(static_cast<const unsigned char*>(data)), size_(size) {}

    template <typename T>
    T Get() {
        T value{};
        if (at_ + sizeof(T) > size_) throw std::out_of_range("resource too short");
        std::memcpy(&value, data_ + at_, sizeof(T));
        at_ += sizeof(T);
        return value;
    }
    std::wstring String() {
        std::wstring text;
        for (wchar_t c = Get<wchar_t>(); c != L'\0'; c = Get<wchar_t>()) text += c;
        return text;
    }
    // A name or an ordinal: an ordinal comes back as "#<number>".
    std::wstring NameOrOrdinal() {
        const auto first = Get<WORD>();
        if (first == 0) return L"";
        if (first == 0xFFFF) return L"#" + std::to_wstring(Get<WORD>());
        at_ -= 2;
        return String();
    }
    void AlignTo(std::size_t bytes) { at_ = (at_ + bytes - 1) / bytes * bytes; }
    std::size_t Offset() const { return at_; }

private:
    const unsigned char* data_;
    std::size_t size_;
    std::size_t at_ = 0;
};

class ProductResources : public ::testing::TestWithParam<Product> {
protected:
    void SetUp() override {
        module_ = ::LoadLibraryExW(GetParam().path, nullptr, LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
        if (module_ == nullptr && GetParam().path == kI686Product.path &&
            ::GetFileAttributesW(GetParam().path) == INVALID_FILE_ATTRIBUTES) {
            GTEST_SKIP() << "the i686 product has not been built (build the mingw-i686 preset first)";
        }
        ASSERT_NE(module_, nullptr) << "cannot load the resources, error " << ::GetLastError();
    }
    void TearDown() override {
        if (module_ != nullptr) ::FreeLibrary(module_);
    }

    // The bytes of one resource; empty when it is missing.
    std::string Resource(const wchar_t* type, const wchar_t* name, WORD language) const {
        const HRSRC info = ::FindResourceExW(module_, type, name, language);
        if (info == nullptr) return {};
        const auto* data = static_cast<const char*>(::LockResource(::LoadResource(module_, info)));
        return std::string(data, ::SizeofResource(module_, info));
    }

    HMODULE module_ = nullptr;
};

// The numbers the product's resources must carry, written out here so that a
// change of an id in the code shows as a failure.
constexpr WORD kDialogTemplate = 102;
constexpr WORD kIconGroup = 128;
constexpr WORD kInitialDataType = 240;
constexpr WORD kJapanese = MAKELANGID(LANG_JAPANESE, SUBLANG_DEFAULT);
constexpr WORD kEnglishUs = MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US);

struct ExpectedControl {
    DWORD id;
    const wchar_t* className;
    const wchar_t* text;
    short x, y, cx, cy;
    DWORD style;
};

constexpr DWORD kChild = WS_CHILD | WS_VISIBLE;
const ExpectedControl kControls[] = {
    {1007 /* address */, L"SysIPAddress32", L"", 43, 60, 102, 12, kChild | WS_GROUP | WS_TABSTOP},
    {1010 /* HD */, L"Button", L"ハイビジョン", 30, 102, 72, 12, kChild | BS_AUTORADIOBUTTON | WS_GROUP | WS_TABSTOP},
    {1012 /* Full HD */, L"Button", L"フルハイビジョン", 120, 102, 72, 12, kChild | BS_AUTORADIOBUTTON | WS_TABSTOP},
    {1023 /* hour */, L"ComboBox", L"", 24, 144, 24, 348,
     kChild | CBS_DROPDOWNLIST | WS_VSCROLL | WS_GROUP | WS_TABSTOP},
    {IDOK, L"Button", L"登録", 26, 168, 50, 18, kChild | BS_DEFPUSHBUTTON | WS_GROUP | WS_TABSTOP},
    {1026 /* 削除 */, L"Button", L"削除", 99, 169, 49, 17, kChild | BS_PUSHBUTTON | WS_TABSTOP},
    {IDCANCEL, L"Button", L"キャンセル", 171, 168, 50, 18, kChild | BS_PUSHBUTTON | WS_TABSTOP},
    {1000, L"Static",
     L"Quorvix画面へのショートカットをスタートアップとデスクトップに作成し、\n"
     L"Quorvix画面のリフレッシュ処理をスケジュールに登録します",
     21, 18, 220, 18, kChild | SS_LEFTNOWORDWRAP},
    {1001, L"Static", L"①LAN対応ユニットへのリンク先を入力してください", 18, 42, 223, 12,
     kChild | SS_LEFTNOWORDWRAP},
    {1002, L"Static", L"②表示する画面サイズを選択してください", 18, 84, 223, 12, kChild | SS_LEFTNOWORDWRAP},
    {1004, L"Static", L"③Quorvix画面のリフレッシュを行う時刻を設定してください", 18, 126, 223, 12,
     kChild | SS_LEFTNOWORDWRAP},
    {1005, L"Static", L"http://", 18, 60, 24, 12, kChild | SS_RIGHT | SS_CENTERIMAGE},
    {1006, L"Static", L"/display.htm?size=1", 146, 60, 95, 12, kChild | SS_LEFT | SS_CENTERIMAGE},
    {0xFFFF, L"Static", L"時  00 分", 54, 144, 43, 14, kChild | SS_LEFT | SS_CENTERIMAGE | WS_GROUP},
};

// Microsoft's resource compiler stores the predefined classes as ordinals,
// windres as upper-case names; Windows matches class names ignoring case.
std::wstring ClassName(const std::wstring& stored) {
    if (stored == L"#128") return L"BUTTON";
    if (stored == L"#130") return L"STATIC";
    if (stored == L"#133") return L"COMBOBOX";
    std::wstring upper = stored;
    for (wchar_t& c : upper) c = static_cast<wchar_t>(::towupper(c));
    return upper;
}

std::wstring Upper(std::wstring text) { return ClassName(text); }

TEST_P(ProductResources, DialogTemplateMatchesTheLayout) {
    const std::string bytes = Resource(RT_DIALOG, MAKEINTRESOURCEW(kDialogTemplate), kJapanese);
    ASSERT_FALSE(bytes.empty());
    Reader dialog(bytes.data(), bytes.size());
    EXPECT_EQ(dialog.Get<WORD>(), 1);       // extended template
    EXPECT_EQ(dialog.Get<WORD>(), 0xFFFF);
    EXPECT_EQ(dialog.Get<DWORD>(), 0u);     // help id
    EXPECT_EQ(dialog.Get<DWORD>(), static_cast<DWORD>(WS_EX_APPWINDOW));
    EXPECT_EQ(dialog.Get<DWORD>(), 0x90C800C0u);
    const auto count = dialog.Get<WORD>();
    ASSERT_EQ(count, std::size(kControls));
    EXPECT_EQ(dialog.Get<short>(), 0);
    EXPECT_EQ(dialog.Get<short>(), 0);
    EXPECT_EQ(dialog.Get<short>(), 248);
    EXPECT_EQ(dialog.Get<short>(), 193);
    EXPECT_EQ(dialog.NameOrOrdinal(), L"");  // no menu
    EXPECT_EQ(dialog.NameOrOrdinal(), L"");  // the standard dialog class
    EXPECT_EQ(dialog.String(), L"Quorvix画面設定ツール");
    EXPECT_EQ(dialog.Get<WORD>(), 9);        // points
    EXPECT_EQ(dialog.Get<WORD>(), 0);        // weight
    EXPECT_EQ(dialog.Get<BYTE>(), 0);        // italic
    EXPECT_EQ(dialog.Get<BYTE>(), 1);        // DEFAULT_CHARSET
    EXPECT_EQ(dialog.String(), L"MS UI Gothic");

    for (const ExpectedControl& expected : kControls) {
        SCOPED_TRACE(::testing::Message() << "control " << expected.id);
        dialog.AlignTo(4);
        EXPECT_EQ(dialog.Get<DWORD>(), 0u);  // help id
        EXPECT_EQ(dialog.Get<DWORD>(), 0u);  // extended style
        EXPECT_EQ(dialog.Get<DWORD>(), expected.style);
        EXPECT_EQ(dialog.Get<short>(), expected.x);
        EXPECT_EQ(dialog.Get<short>(), expected.y);
        EXPECT_EQ(dialog.Get<short>(), expected.cx);
        EXPECT_EQ(dialog.Get<short>(), expected.cy);
        EXPECT_EQ(dialog.Get<DWORD>() & 0xFFFF, expected.id);
        EXPECT_EQ(ClassName(dialog.NameOrOrdinal()), Upper(expected.className));
        EXPECT_EQ(dialog.NameOrOrdinal(), expected.text);
        EXPECT_EQ(dialog.Get<WORD>(), 0);  // no creation data
    }
}

TEST_P(ProductResources, InitialDataHoldsTheHourItemsAndTheLayoutIsEmpty) {
    const std::string bytes = Resource(MAKEINTRESOURCEW(kInitialDataType), MAKEINTRESOURCEW(kDialogTemplate), kJapanese);
    ASSERT_EQ(bytes.size(), 236u);
    Reader records(bytes.data(), bytes.size());
    // 2 and 3 are not offered.
    const char* const hours[] = {"0",  "1",  "4",  "5",  "6",  "7",  "8",  "9",  "10", "11", "12",
                                 "13", "14", "15", "16", "17", "18", "19", "20", "21", "22", "23"};
    for (const char* hour : hours) {
        EXPECT_EQ(records.Get<WORD>(), 1023);
        EXPECT_EQ(records.Get<WORD>(), 0x0403);
        const auto length = records.Get<std::uint32_t>();
        std::string text;
        for (std::uint32_t i = 0; i < length; ++i) text += records.Get<char>();
        EXPECT_EQ(text, std::string(hour) + '\0');
    }
    EXPECT_EQ(records.Get<WORD>(), 0);
    EXPECT_EQ(records.Offset(), bytes.size());

    EXPECT_EQ(Resource(L"AFX_DIALOG_LAYOUT", MAKEINTRESOURCEW(kDialogTemplate), kJapanese), std::string(2, '\0'));
}

TEST_P(ProductResources, IconGroupHoldsTheThirteenImages) {
    const std::string group = Resource(RT_GROUP_ICON, MAKEINTRESOURCEW(kIconGroup), kJapanese);
    ASSERT_FALSE(group.empty());
    Reader directory(group.data(), group.size());
    EXPECT_EQ(directory.Get<WORD>(), 0);
    EXPECT_EQ(directory.Get<WORD>(), 1);
    struct Image {
        int size;
        WORD bits;
    };
    // 16- and 256-colour bitmaps for each small size, the same sizes in true
    // colour as bitmaps, and 256 px as PNG.
    const Image expected[] = {{48, 4},   {32, 4},  {24, 4},  {16, 4},  {48, 8},  {32, 8}, {24, 8},
                              {16, 8},   {256, 32}, {48, 32}, {32, 32}, {24, 32}, {16, 32}};
    ASSERT_EQ(directory.Get<WORD>(), std::size(expected));
    for (const Image& image : expected) {
        SCOPED_TRACE(::testing::Message() << image.size << " px, " << image.bits << " bits");
        EXPECT_EQ(directory.Get<BYTE>(), image.size % 256);
        EXPECT_EQ(directory.Get<BYTE>(), image.size % 256);
        EXPECT_EQ(directory.Get<BYTE>(), image.bits == 4 ? 16 : 0);  // colours in the palette
        directory.Get<BYTE>();
        EXPECT_EQ(directory.Get<WORD>(), 1);
        EXPECT_EQ(directory.Get<WORD>(), image.bits);
        const auto bytesInResource = directory.Get<DWORD>();
        const auto id = directory.Get<WORD>();

        const std::string data = Resource(RT_ICON, MAKEINTRESOURCEW(id), kJapanese);
        ASSERT_EQ(data.size(), bytesInResource);
        if (image.size == 256) {
            EXPECT_EQ(data.substr(0, 8), "\x89PNG\r\n\x1a\n");
            Reader header(data.data() + 16, data.size() - 16);  // IHDR: width and height, big-endian
            EXPECT_EQ(_byteswap_ulong(header.Get<DWORD>()), static_cast<DWORD>(image.size));
            EXPECT_EQ(_byteswap_ulong(header.Get<DWORD>()), static_cast<DWORD>(image.size));
            continue;
        }
        // A bitmap: its header, then the colour and mask rows (height counts both).
        ASSERT_GE(data.size(), sizeof(BITMAPINFOHEADER));
        BITMAPINFOHEADER header{};
        std::memcpy(&header, data.data(), sizeof header);
        EXPECT_EQ(header.biSize, sizeof header);
        EXPECT_EQ(header.biWidth, image.size);
        EXPECT_EQ(header.biHeight, 2 * image.size);
        EXPECT_EQ(header.biBitCount, image.bits);
        EXPECT_EQ(header.biCompression, static_cast<DWORD>(BI_RGB));
        const std::size_t paletteBytes = image.bits == 32 ? 0 : (std::size_t{1} << image.bits) * 4;
        const auto rowBytes = [](int bits, int width) { return static_cast<std::size_t>((bits * width + 31) / 32 * 4); };
        EXPECT_EQ(data.size(), sizeof header + paletteBytes +
                                   image.size * (rowBytes(image.bits, image.size) + rowBytes(1, image.size)));
    }
    // Windows draws every image: the icon loads at every size the shell asks for.
    for (const int size : {16, 24, 32, 48, 256}) {
        SCOPED_TRACE(::testing::Message() << "loaded at " << size << " px");
        const HICON icon = static_cast<HICON>(
            ::LoadImageW(module_, MAKEINTRESOURCEW(kIconGroup), IMAGE_ICON, size, size, LR_DEFAULTCOLOR));
        ASSERT_NE(icon, nullptr);
        ICONINFO info{};
        ASSERT_TRUE(::GetIconInfo(icon, &info));
        BITMAP colour{};
        EXPECT_NE(::GetObjectW(info.hbmColor, sizeof colour, &colour), 0);
        EXPECT_EQ(colour.bmWidth, size);
        EXPECT_EQ(colour.bmHeight, size);
        ::DeleteObject(info.hbmColor);
        ::DeleteObject(info.hbmMask);
        ::DestroyIcon(icon);
    }
}

TEST_P(ProductResources, VersionIsTheOneOfVersionHeader) {
    std::string bytes = Resource(RT_VERSION, MAKEINTRESOURCEW(VS_VERSION_INFO), kJapanese);
    ASSERT_FALSE(bytes.empty());
    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT length = 0;
    ASSERT_TRUE(::VerQueryValueW(bytes.data(), L"\\", reinterpret_cast<void**>(&fixed), &length));
    const DWORD major = MAKELONG(TAVRIN_VERSION_MINOR, TAVRIN_VERSION_MAJOR);
    const DWORD minor = MAKELONG(TAVRIN_VERSION_REVISION, TAVRIN_VERSION_BUILD);
    EXPECT_EQ(fixed->dwFileVersionMS, major);
    EXPECT_EQ(fixed->dwFileVersionLS, minor);
    EXPECT_EQ(fixed->dwProductVersionMS, major);
    EXPECT_EQ(fixed->dwProductVersionLS, minor);
    EXPECT_EQ(major, MAKELONG(11, 1));
    EXPECT_EQ(minor, 0u);

    wchar_t* text = nullptr;
    ASSERT_TRUE(::VerQueryValueW(bytes.data(), L"\\StringFileInfo\\041104b0\\FileVersion",
                                 reinterpret_cast<void**>(&text), &length));
    EXPECT_STREQ(text, L"1.11.0.0");
    ASSERT_TRUE(::VerQueryValueW(bytes.data(), L"\\StringFileInfo\\041104b0\\ProductName",
                                 reinterpret_cast<void**>(&text), &length));
    EXPECT_STREQ(text, L"Quorvix画面設定ツール");
    DWORD* translation = nullptr;
    ASSERT_TRUE(::VerQueryValueW(bytes.data(), L"\\VarFileInfo\\Translation", reinterpret_cast<void**>(&translation),
                                 &length));
    EXPECT_EQ(*translation, MAKELONG(0x0411, 1200));
}

TEST_P(ProductResources, ManifestAsksForAdministratorAndCommonControlsSix) {
    const std::string manifest = Resource(RT_MANIFEST, CREATEPROCESS_MANIFEST_RESOURCE_ID, kEnglishUs);
    ASSERT_FALSE(manifest.empty());
    EXPECT_EQ(manifest.substr(0, 3), "\xEF\xBB\xBF");
    const std::string expected[] = {
        R"(<assembly xmlns="urn:schemas-microsoft-com:asm.v1" manifestVersion="1.0">)",
        R"(name="Microsoft.Windows.Common-Controls" version="6.0.0.0" processorArchitecture=")" +
            std::string(GetParam().manifestArchitecture) + R"(" publicKeyToken="6595b64144ccf1df" language="*")",
        R"(<trustInfo xmlns="urn:schemas-microsoft-com:asm.v3">)",
        R"(<requestedExecutionLevel level="requireAdministrator" uiAccess="false"/>)",
        R"(<application xmlns="urn:schemas-microsoft-com:asm.v3">)",
        R"(<dpiAware xmlns="http://schemas.microsoft.com/SMI/2005/WindowsSettings">true</dpiAware>)",
    };
    for (const std::string& part : expected) EXPECT_NE(manifest.find(part), std::string::npos) << part;
    // Without a compatibility section the platform reports 6.2 on later
    // releases, which the register step relies on.
    EXPECT_EQ(manifest.find("compatibility"), std::string::npos);
    EXPECT_EQ(manifest.find("supportedOS"), std::string::npos);
}

// The parts of a PE image the product's build settings decide.
struct PeImage {
    WORD machine = 0;
    WORD subsystem = 0;
    WORD subsystemMajor = 0;
    WORD subsystemMinor = 0;
    WORD dllCharacteristics = 0;
    std::vector<std::string> importedDlls;
};

PeImage ReadPeImage(const std::vector<unsigned char>& file) {
    auto at = [&file](std::size_t offset, std::size_t size) {
        if (offset + size > file.size()) throw std::out_of_range("truncated PE file");
        std::uint64_t value = 0;
        std::memcpy(&value, file.data() + offset, size);
        return value;
    };
    PeImage image;
    const std::size_t pe = at(0x3C, 4);
    if (at(pe, 4) != 0x4550) throw std::runtime_error("no PE signature");
    image.machine = static_cast<WORD>(at(pe + 4, 2));
    const std::size_t sectionCount = at(pe + 6, 2);
    const std::size_t optional = pe + 24;
    const std::size_t sections = optional + at(pe + 20, 2);
    const bool pe32Plus = at(optional, 2) == 0x20B;
    // These fields sit at the same place in PE32 and PE32+.
    image.subsystemMajor = static_cast<WORD>(at(optional + 48, 2));
    image.subsystemMinor = static_cast<WORD>(at(optional + 50, 2));
    image.subsystem = static_cast<WORD>(at(optional + 68, 2));
    image.dllCharacteristics = static_cast<WORD>(at(optional + 70, 2));

    auto fileOffset = [&](std::size_t rva) -> std::size_t {
        for (std::size_t i = 0; i < sectionCount; ++i) {
            const std::size_t header = sections + i * 40;
            const std::size_t start = at(header + 12, 4);
            const std::size_t size = std::max<std::size_t>(at(header + 8, 4), at(header + 16, 4));
            if (rva >= start && rva < start + size) return rva - start + at(header + 20, 4);
        }
        throw std::out_of_range("address outside every section");
    };
    const std::size_t importDirectory = at(optional + (pe32Plus ? 112 : 96) + 8, 4);
    for (std::size_t descriptor = fileOffset(importDirectory); at(descriptor + 12, 4) != 0; descriptor += 20) {
        const char* name = reinterpret_cast<const char*>(file.data() + fileOffset(at(descriptor + 12, 4)));
        image.importedDlls.emplace_back(name);
    }
    return image;
}

TEST_P(ProductResources, HeaderMarksAGuiProgramForVistaAndLaterWithAslrDepAndTerminalServer) {
    const PeImage image = ReadPeImage(ReadFileBytes(GetParam().path));
    EXPECT_EQ(image.machine, GetParam().machine);
    EXPECT_EQ(image.subsystem, IMAGE_SUBSYSTEM_WINDOWS_GUI);
    EXPECT_EQ(image.subsystemMajor, 6);
    EXPECT_EQ(image.subsystemMinor, 0);
    EXPECT_TRUE(image.dllCharacteristics & IMAGE_DLLCHARACTERISTICS_DYNAMIC_BASE);
    EXPECT_TRUE(image.dllCharacteristics & IMAGE_DLLCHARACTERISTICS_NX_COMPAT);
    EXPECT_TRUE(image.dllCharacteristics & IMAGE_DLLCHARACTERISTICS_TERMINAL_SERVER_AWARE);

    // Linked statically: a clean PC has none of the MinGW runtime DLLs.
    ASSERT_FALSE(image.importedDlls.empty());
    for (const std::string& dll : image.importedDlls) {
        EXPECT_NE(dll.rfind("lib", 0), 0u) << dll;
    }
}

INSTANTIATE_TEST_SUITE_P(Executables, ProductResources, ::testing::Values(kThisBuild, kI686Product),
                         [](const ::testing::TestParamInfo<Product>& info) {
                             return info.index == 0 ? std::string("ThisBuild") : std::string("I686Product");
                         });

}  // namespace
}  // namespace tavrin::app::testing
