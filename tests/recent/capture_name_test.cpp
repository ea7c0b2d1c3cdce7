// The names automatic saving makes from its pattern: the fields, characters
// Windows refuses, device names, a title too long for the path, and the
// _2, _3 of a name already taken.
#include <gtest/gtest.h>

#include <set>
#include <string>

#include "kp_capture_name.h"

namespace {

// Titles in code page 936 whatever the build's own encoding: 记事本.
const char kNotepad[] = "\xbc\xc7\xca\xc2\xb1\xbe";

KpNameFields Fields(const char* pszTitle, unsigned long nCounter = 1) {
    KpNameFields f;
    f.time = {2024, 3, 5, 7, 8, 9};
    f.nCounter = nCounter;
    f.strTitle = pszTitle;
    return f;
}

TEST(CaptureName, PatternsGiveTheNamesWindowsTakes) {
    const struct {
        const char* pszPattern;
        const char* pszTitle;
        const char* pszName;
    } cases[] = {
        {"", "", "Kapto_20240305_070809"},
        {KP_DEFAULT_NAME_PATTERN, kNotepad, "Kapto_20240305_070809"},
        {"%Y-%m-%d %H.%M.%S #%n %t %% %x %", kNotepad, "2024-03-05 07.08.09 #0042 \xbc\xc7\xca\xc2\xb1\xbe % %x %"},
        {"%t", "", "屏幕"},
        // Refused characters become '_', in the title and in the pattern.
        {"%t", "a<b>c:d\"e/f\\g|h?i*j\tk\x01", "a_b_c_d_e_f_g_h_i_j_k_"},
        {"a/b\\%t", "x", "a_b_x"},
        // A double-byte character whose second byte is '\' or '|' stays.
        {"%t", "\x81\x5c\xb1\x7c", "\x81\x5c\xb1\x7c"},
        // A lead byte without its second byte is no character.
        {"%t", "ab\xb1", "ab_"},
        // Device names would open the device, not a file.
        {"%t", "CON", "_CON"},
        {"%t", "nul.txt", "_nul.txt"},
        {"%t", "CONSOLE", "CONSOLE"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.pszPattern + std::string(" / ") + c.pszTitle);
        EXPECT_EQ(std::string(c.pszName), KpCaptureFileName(c.pszPattern, Fields(c.pszTitle, 42), 200).GetString());
    }
}

TEST(CaptureName, ATitleTooLongIsShortenedFirstAndNeverHalfACharacter) {
    const std::string strAscii(300, 'w');
    const struct {
        const char* pszPattern;
        std::string strTitle;
        int nMax;
        std::string strName;
    } cases[] = {
        {"Kapto_%Y_%t", strAscii, 50, "Kapto_2024_" + std::string(39, 'w')},
        // Each of two titles gives way by the same amount.
        {"%t-%t", strAscii, 21, std::string(10, 'w') + "-" + std::string(10, 'w')},
        // No title left to shorten: the name's end goes.
        {"%Y%m%d%H%M%S%t", "", 10, "2024030507"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.pszPattern);
        EXPECT_EQ(c.strName, KpCaptureFileName(c.pszPattern, Fields(c.strTitle.c_str()), c.nMax).GetString());
    }
    // Double-byte characters (lead bytes 0x81-0xFE) are cut whole.
    std::string strGbk;
    for (int i = 0; i < 150; ++i)
        strGbk += "\xbd\xe7";
    CString strName = KpCaptureFileName("%t", Fields(strGbk.c_str()), 51);
    EXPECT_EQ(50, strName.GetLength());
}

bool InSet(const CString& strPath, void* pContext) {
    return static_cast<std::set<std::string>*>(pContext)->count(strPath.GetString()) != 0;
}

TEST(CaptureName, ANewPathFitsAndOverwritesNothing) {
    const KpNameFields f = Fields(std::string(300, 't').c_str());
    std::set<std::string> existing;
    const CString strFirst = KpNewCapturePath("C:\\Pics\\", "%Y_%t", f, "png", InSet, &existing);
    EXPECT_EQ(kKpMaxPathBytes - 5, strFirst.GetLength());
    EXPECT_EQ(0, strFirst.Find("C:\\Pics\\2024_ttt"));
    EXPECT_EQ(strFirst.GetLength() - 4, strFirst.Find(".png"));

    // Two captures in one second: _2, then _3.
    existing.insert(strFirst.GetString());
    const CString strSecond = KpNewCapturePath("C:\\Pics", "%Y_%t", f, "png", InSet, &existing);
    EXPECT_EQ(strFirst.Left(strFirst.GetLength() - 4) + "_2.png", strSecond);
    existing.insert(strSecond.GetString());
    EXPECT_EQ(strFirst.Left(strFirst.GetLength() - 4) + "_3.png",
              KpNewCapturePath("C:\\Pics\\", "%Y_%t", f, "png", InSet, &existing));

    // A folder that leaves no room for a name.
    EXPECT_TRUE(KpNewCapturePath(CString('d', 250), "%Y", f, "png", nullptr, nullptr).IsEmpty());
}

}  // namespace
