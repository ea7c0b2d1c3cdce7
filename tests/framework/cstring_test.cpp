// CString on code-page-936 text: searches and replacements must never match
// the trail byte of a double-byte character. Byte escapes keep the bytes the
// same in the native build, which has no CP936 literals.
#include <gtest/gtest.h>

#include "framework/carray.h"
#include "framework/cstring.h"

namespace {

// "乗" is 0x81 0x5C: its trail byte is a backslash. "亅" is 0x81 0x7C: its
// trail byte is '|'. "整个" is ordinary double-byte text.
const char kTrailBackslash[] = "\x81\x5c";
const char kTrailBar[] = "\x81\x7c";

struct FindCase {
    const char* text;
    const char* what;
    int start;
    int expected;
};

TEST(CStringTest, FindStepsOverDoubleByteCharacters) {
    const FindCase cases[] = {
        {"a\x81\x5c"
         "b",
         "\\", 0, -1},                 // the trail byte is not a backslash
        {"a\x81\x5c\\b", "\\", 0, 3},  // a real one after it is found
        {"\x81\x7c|x", "|", 0, 2},
        {"\x81\x7c"
         "x",
         "|", 0, -1},
        {"\xd5\xfb\xb8\xf6", "\xfb\xb8", 0, -1},  // straddles two characters
        {"\xd5\xfb\xb8\xf6", "\xb8\xf6", 0, 2},
        {"abcabc", "bc", 2, 4},
        {"abc", "", 1, 1},
        {"abc", "x", 0, -1},
        {"abc", "c", 7, -1},
    };
    for (const FindCase& c : cases) {
        EXPECT_EQ(c.expected, CString(c.text).Find(c.what, c.start)) << c.text << " / " << c.what;
    }
    EXPECT_EQ(-1, CString("\x81\x5c").Find('\\'));
    EXPECT_EQ(2, CString("\x81\x5c\\").Find('\\'));
    EXPECT_EQ(-1, CString("\x81\x7c").ReverseFind('|'));
    EXPECT_EQ(4, CString("a|\x81\x7c|b").ReverseFind('|'));
    EXPECT_EQ(-1, CString("\x81\x7c\x81\x5c").FindOneOf("|\\"));
}

struct ReplaceCase {
    const char* text;
    const char* from;
    const char* to;
    const char* expected;
    int count;
};

TEST(CStringTest, ReplaceLeavesTrailBytesAlone) {
    const ReplaceCase cases[] = {
        {"\x81\x7c|\x81\x7c", "|", "\x01", "\x81\x7c\x01\x81\x7c", 1},
        {"C:\\\x81\x5c\\x", "\\", "/", "C:/\x81\x5c/x", 2},
        {"a/b", "/", "\\colon", "a\\colonb", 1},
        {"a\\colonb\\colon", "\\colon", "/", "a/b/", 2},
        {"aaa", "aa", "b", "ba", 1},
        {"abc", "", "x", "abc", 0},
        {"", "a", "b", "", 0},
    };
    for (const ReplaceCase& c : cases) {
        CString s(c.text);
        EXPECT_EQ(c.count, s.Replace(c.from, c.to)) << c.text;
        EXPECT_STREQ(c.expected, s) << c.text;
    }
    CString s("\x81\x7c|\x81\x7c|");
    EXPECT_EQ(2, s.Replace('|', '\0'));
    EXPECT_EQ(2, s.GetLength());  // a new zero ends the text, as in C
    CString t(kTrailBar);
    t += kTrailBackslash;
    EXPECT_EQ(0, t.Replace('|', '!'));
    EXPECT_EQ(0, t.Replace('\\', '/'));
    EXPECT_EQ(0, t.Remove('\\'));
    EXPECT_STREQ("\x81\x7c\x81\x5c", t);
}

TEST(CStringTest, CaseChangesOnlyTouchSingleByteLetters) {
    // 0x81 0x61 is one character whose trail byte is 'a'.
    CString s("ab\x81\x61Z");
    s.MakeUpper();
    EXPECT_STREQ("AB\x81\x61Z", s);
    s.MakeLower();
    EXPECT_STREQ("ab\x81\x61z", s);
    CString r(
        "a\xd5\xfb"
        "b");
    r.MakeReverse();
    EXPECT_STREQ(
        "b\xd5\xfb"
        "a",
        r);
}

TEST(CStringTest, ExtractionClampsToTheText) {
    CString s("hello");
    EXPECT_STREQ("he", s.Left(2));
    EXPECT_STREQ("hello", s.Left(99));
    EXPECT_STREQ("", s.Left(-1));
    EXPECT_STREQ("llo", s.Mid(2));
    EXPECT_STREQ("l", s.Mid(2, 1));
    EXPECT_STREQ("", s.Mid(9));
    EXPECT_STREQ("hello", s.Mid(-3));
    EXPECT_STREQ("lo", s.Right(2));
    EXPECT_STREQ("hello", s.Right(50));
}

TEST(CStringTest, FormatFollowsPrintf) {
    CString s;
    s.Format("%d|%s|%05.1f|%u", -7, "x", 2.5, 4294967295u);
    EXPECT_STREQ("-7|x|002.5|4294967295", s);
    std::string big(5000, 'q');
    s.Format("<%s>", big.c_str());
    EXPECT_EQ(5002, s.GetLength());
    s.AppendFormat("%c", '!');
    EXPECT_EQ('!', s[5002]);
}

TEST(CStringTest, ComparisonAndConcatenation) {
    CString a("abc");
    EXPECT_TRUE(a == "abc");
    EXPECT_TRUE("abc" == a);
    EXPECT_TRUE(a != CString("abd"));
    EXPECT_TRUE(a < "abd");
    EXPECT_EQ(0, a.CompareNoCase("ABC"));
    EXPECT_STREQ("abcabc", a + a);
    a += a;  // appending itself
    EXPECT_STREQ("abcabc", a);
    a = a.Mid(3);  // assigning a part of itself
    EXPECT_STREQ("abc", a);
    CString n(nullptr);
    EXPECT_TRUE(n.IsEmpty());
    n = (const char*)nullptr;
    EXPECT_EQ(0, n.GetLength());
}

TEST(CStringTest, TrimKeepsDoubleByteCharacters) {
    CString s("  \t\xd5\xfb x \n");
    s.Trim();
    EXPECT_STREQ("\xd5\xfb x", s);
    CString t("xx\x81\x78xx");  // a trail byte equal to 'x'
    t.Trim('x');
    EXPECT_STREQ("\x81\x78", t);
}

TEST(CStringTest, BufferAccess) {
    CString s;
    char* p = s.GetBuffer(10);
    ASSERT_NE(nullptr, p);
    memcpy(p, "abc", 4);
    s.ReleaseBuffer();
    EXPECT_EQ(3, s.GetLength());
    s.GetBufferSetLength(2);
    EXPECT_STREQ("ab", s);
    s.Insert(1, "XY");
    EXPECT_STREQ("aXYb", s);
    s.Delete(0, 2);
    EXPECT_STREQ("Yb", s);
}

TEST(CArrayTest, GrowsCopiesAndIgnoresBadIndices) {
    CArray<CString, const CString&> a;
    for (int i = 0; i < 100; ++i) {
        CString s;
        s.Format("%d", i);
        EXPECT_EQ(i, a.Add(s));
    }
    a.Add(a[5]);  // an element of itself
    EXPECT_STREQ("5", a[100]);
    a.RemoveAt(0, 50);
    EXPECT_EQ(51, a.GetSize());
    EXPECT_STREQ("50", a[0]);
    a.InsertAt(1, CString("x"), 2);
    EXPECT_STREQ("x", a[2]);
    EXPECT_STREQ("51", a[3]);
    CArray<CString, const CString&> b(a);
    b.SetAt(0, "changed");
    EXPECT_STREQ("50", a[0]);
    EXPECT_EQ(53, a.GetSize());
    a.SetAtGrow(60, "grown");
    EXPECT_EQ(61, a.GetSize());
    EXPECT_TRUE(a[59].IsEmpty());
    a.RemoveAll();
    EXPECT_TRUE(a.IsEmpty());
}

// An index outside the text or the array is a caller's fault: checked builds
// stop at it, release builds read an empty value and ignore the write.
TEST(ContractTest, OutOfRangeIndexes) {
    CString s("hello");
    CArray<CString, const CString&> a;
    a.Add("x");
#if KFW_CHECKS
    EXPECT_DEATH(s.GetAt(5), "CString index out of range");
    EXPECT_DEATH(s.SetAt(-1, 'x'), "CString index out of range");
    EXPECT_DEATH(a.GetAt(1), "CArray index out of range");
    EXPECT_DEATH(a[-1], "CArray index out of range");
    EXPECT_DEATH(a.SetAt(7, "y"), "CArray index out of range");
#else
    EXPECT_EQ(0, s.GetAt(5));
    s.SetAt(-1, 'x');
    EXPECT_STREQ("hello", s);
    EXPECT_TRUE(a.GetAt(1).IsEmpty());
    EXPECT_TRUE(a[-1].IsEmpty());
    a.SetAt(7, "y");
    EXPECT_EQ(1, a.GetSize());
#endif
}

}  // namespace
