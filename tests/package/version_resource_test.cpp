// Every binary that ships carries the product's version resource: the
// numbers Windows shows in the file's properties and the installer's entry,
// the texts in Chinese, the file's own name.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "package/package_paths.h"

namespace {

struct ShippedFile {
    const char* pszName;
    DWORD dwFileType;
    const char* pszDescription;  // UTF-8 source text, read back in code page 936
};

const ShippedFile kShipped[] = {
    {"Kapto.exe", VFT_APP, "Kapto 截图工具"},
    {"Kaptolib.dll", VFT_DLL, "Kapto 截图库"},
    {"kfw.dll", VFT_DLL, "Kapto 窗口框架库"},
    {"Hook.dll", VFT_DLL, "Kapto 鼠标钩子库"},
};

std::string StringValue(const std::vector<BYTE>& block, const char* pszName) {
    std::string query = std::string("\\StringFileInfo\\080404b0\\") + pszName;
    char* psz = nullptr;
    UINT n = 0;
    if (!::VerQueryValueA(block.data(), query.c_str(), (void**)&psz, &n) || psz == nullptr) return "<none>";
    return psz;
}

std::vector<int> VersionNumbers() {
    std::vector<int> parts;
    std::string s = KAPTO_VERSION;
    size_t start = 0;
    for (;;) {
        size_t dot = s.find('.', start);
        parts.push_back(atoi(s.substr(start, dot - start).c_str()));
        if (dot == std::string::npos) break;
        start = dot + 1;
    }
    return parts;
}

TEST(VersionResource, EveryShippedBinaryNamesProductVersionAndItself) {
    const std::vector<int> v = VersionNumbers();
    ASSERT_EQ(3u, v.size()) << KAPTO_VERSION;
    for (const ShippedFile& f : kShipped) {
        SCOPED_TRACE(f.pszName);
        std::string path = kaptotest::ExeDir() + f.pszName;
        DWORD dwHandle = 0;
        DWORD nSize = ::GetFileVersionInfoSizeA(path.c_str(), &dwHandle);
        ASSERT_NE(0u, nSize) << "no version resource";
        std::vector<BYTE> block(nSize);
        ASSERT_TRUE(::GetFileVersionInfoA(path.c_str(), 0, nSize, block.data()));

        VS_FIXEDFILEINFO* pFixed = nullptr;
        UINT n = 0;
        ASSERT_TRUE(::VerQueryValueA(block.data(), "\\", (void**)&pFixed, &n));
        ASSERT_GE(n, sizeof(VS_FIXEDFILEINFO));
        EXPECT_EQ(0xFEEF04BDu, pFixed->dwSignature);
        EXPECT_EQ(MAKELONG(v[1], v[0]), (int)pFixed->dwFileVersionMS);
        EXPECT_EQ(MAKELONG(0, v[2]), (int)pFixed->dwFileVersionLS);
        EXPECT_EQ(pFixed->dwFileVersionMS, pFixed->dwProductVersionMS);
        EXPECT_EQ(pFixed->dwFileVersionLS, pFixed->dwProductVersionLS);
        EXPECT_EQ(f.dwFileType, pFixed->dwFileType);
        EXPECT_EQ(0u, pFixed->dwFileFlags & pFixed->dwFileFlagsMask);

        EXPECT_EQ(KAPTO_VERSION, StringValue(block, "FileVersion"));
        EXPECT_EQ(KAPTO_VERSION, StringValue(block, "ProductVersion"));
        EXPECT_EQ("Kapto", StringValue(block, "ProductName"));
        EXPECT_EQ(f.pszName, StringValue(block, "OriginalFilename"));
        EXPECT_EQ(f.pszDescription, StringValue(block, "FileDescription"));
        EXPECT_EQ("Orvel", StringValue(block, "CompanyName"));
    }
}

}  // namespace
