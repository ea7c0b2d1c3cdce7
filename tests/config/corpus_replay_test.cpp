// Every stored fuzzer input, replayed as an ordinary test.
#include <dirent.h>

#include <algorithm>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "config/config_roundtrip.h"

namespace {

std::vector<std::string> CorpusFiles() {
    std::vector<std::string> names;
    DIR* d = opendir(KAPTO_CONFIG_CORPUS_DIR);
    if (d == nullptr) return names;
    while (dirent* e = readdir(d)) {
        std::string name = e->d_name;
        if (name != "." && name != "..") names.push_back(name);
    }
    closedir(d);
    std::sort(names.begin(), names.end());
    return names;
}

TEST(ConfigCorpus, EveryStoredInputHoldsTheRoundTrips) {
    std::vector<std::string> names = CorpusFiles();
    ASSERT_FALSE(names.empty()) << "no corpus in " << KAPTO_CONFIG_CORPUS_DIR;
    std::string dir = kptest::MakeTempDir();
    ASSERT_FALSE(dir.empty());
    for (const std::string& name : names) {
        std::string bytes = kptest::ReadBytes(std::string(KAPTO_CONFIG_CORPUS_DIR) + "/" + name);
        EXPECT_EQ("", kptest::CheckConfigBytes(bytes, dir)) << name;
    }
    for (const char* f : {"in.xml", "out1.xml", "out2.xml"})
        kptest::RemoveFile(kptest::Join(dir, f));
    kptest::RemoveDir(dir);
}

}  // namespace
