// The recent captures' bound and the index of earlier sessions' files: what
// stays, what goes, and an index read back whole or, damaged, as far as it
// can be.
#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "lib/recent/recent_bound.h"
#include "lib/recent/recent_index.h"
#include "support/temp_files.h"

namespace {

const unsigned long long MB = 1ull << 20;

TEST(RecentBound, TheOldestGoFirstAndASavedCaptureOnlyLetsGoOfItsPixels) {
    const KpBoundItem::Fate K = KpBoundItem::kKeep, U = KpBoundItem::kUnload, R = KpBoundItem::kRemove;
    const struct {
        const char* pszWhat;
        std::vector<KpBoundItem> items;  // newest first; fate ignored
        std::vector<KpBoundItem::Fate> fates;
    } cases[] = {
        {"31 small", std::vector<KpBoundItem>(31, {MB, false, K}), [] {
             std::vector<KpBoundItem::Fate> f(31, KpBoundItem::kKeep);
             f[30] = KpBoundItem::kRemove;
             return f;
         }()},
        {"over 300 MB, none saved", {{100 * MB, false, K}, {100 * MB, false, K}, {100 * MB, false, K}, {1, false, K}},
         {K, K, K, R}},
        {"over 300 MB, the oldest saved", {{150 * MB, false, K}, {100 * MB, false, K}, {100 * MB, true, K}},
         {K, K, U}},
        {"files alone cost nothing", {{200 * MB, true, K}, {0, true, K}, {150 * MB, false, K}, {0, true, K}},
         {K, K, R, K}},
        {"exactly 300 MB", {{200 * MB, false, K}, {100 * MB, false, K}}, {K, K}},
    };
    for (auto c : cases) {
        SCOPED_TRACE(c.pszWhat);
        KpBoundRecent(c.items.data(), (int)c.items.size());
        std::vector<KpBoundItem::Fate> fates;
        for (const KpBoundItem& item : c.items)
            fates.push_back(item.fate);
        EXPECT_EQ(c.fates, fates);
    }
}

KpRecentFile Entry(const std::string& strPath, int nSecond) { return {strPath.c_str(), {2024, 3, 5, 7, 8, nSecond}, 640, 480}; }

bool InSet(const CString& strPath, void* pContext) {
    return static_cast<std::set<std::string>*>(pContext)->count(strPath.GetString()) != 0;
}

TEST(RecentIndex, WrittenEntriesReadBackInOrderAndGoneFilesAreDropped) {
    const std::string dir = kptest::MakeTempDir();
    ASSERT_FALSE(dir.empty());
    const std::string strIndex = kptest::Join(dir, "recent.txt");
    KpRecentFileArray written = {Entry("C:\\Pics\\\xbd\xe7 b.png", 9), Entry("D:\\x\\a.jpg", 8),
                                 Entry("D:\\x\\gone.png", 7)};
    written[1].nWidth = 3840;
    ASSERT_TRUE(KpWriteRecentIndex(strIndex.c_str(), written));

    std::set<std::string> existing = {"C:\\Pics\\\xbd\xe7 b.png", "D:\\x\\a.jpg"};
    KpRecentFileArray read;
    KpReadRecentIndex(strIndex.c_str(), 30, InSet, &existing, read);
    ASSERT_EQ(2u, read.size());
    for (size_t i = 0; i < read.size(); ++i) {
        EXPECT_EQ(written[i].strPath, read[i].strPath);
        EXPECT_EQ(written[i].nWidth, read[i].nWidth);
        EXPECT_EQ(written[i].nHeight, read[i].nHeight);
        EXPECT_EQ(written[i].time.nSecond, read[i].time.nSecond);
        EXPECT_EQ(2024, read[i].time.nYear);
    }
    // A write that cannot happen leaves the index as it was.
    EXPECT_FALSE(KpWriteRecentIndex(kptest::Join(dir, "no-such-dir/recent.txt").c_str(), written));
    KpReadRecentIndex(strIndex.c_str(), 1, nullptr, nullptr, read);
    EXPECT_EQ(1u, read.size()) << "more than the entries asked for";
    remove(strIndex.c_str());
    rmdir(dir.c_str());
}

TEST(RecentIndex, ADamagedIndexGivesTheEntriesThatStillRead) {
    const std::string dir = kptest::MakeTempDir();
    ASSERT_FALSE(dir.empty());
    const std::string strIndex = kptest::Join(dir, "recent.txt");
    const std::string good = "2024-03-05 07:08:09\t640\t480\tC:\\a.png";
    const std::string bytes = "\x89garbage\n" + good + "\r\n" +
                              "2024-13-05 07:08:09\t640\t480\tC:\\month.png\n"  // month 13
                              "2024-03-05 07:08:09\t0\t480\tC:\\zero.png\n"     // no width
                              "2024-03-05 07:08:09\t640\t480\t\n"               // no path
                              "2024-03-05 07:08:09\t640\t480\tC:\\\x01.png\n"   // a control character
                              "2024-03-05 07:08:09\t640\t480\tC:\\" +
                              std::string(5000, 'l') + ".png\n" +                                  // too long
                              std::string("2024-03-05 07:08:09\t640\t480\tC:\\n\0ul.png\n", 41) +  // a NUL
                              good + "\n" +                                                         // twice
                              "2024-03-05 07:08:10\t1\t2\tC:\\b.png";                              // no line feed
    ASSERT_TRUE(kptest::WriteBytes(strIndex, bytes));
    KpRecentFileArray read;
    KpReadRecentIndex(strIndex.c_str(), 30, nullptr, nullptr, read);
    ASSERT_EQ(2u, read.size());
    EXPECT_STREQ("C:\\a.png", read[0].strPath);
    EXPECT_STREQ("C:\\b.png", read[1].strPath);
    EXPECT_EQ(2, read[1].nHeight);

    // No index at all is an empty one.
    remove(strIndex.c_str());
    KpReadRecentIndex(strIndex.c_str(), 30, nullptr, nullptr, read);
    EXPECT_TRUE(read.empty());
    rmdir(dir.c_str());
}

}  // namespace
