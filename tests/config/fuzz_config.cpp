// libFuzzer target: arbitrary bytes as config.xml, through the XML reader and
// writer and the configuration store's load and save.
#include <stddef.h>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>

#include <string>

#include "config/config_roundtrip.h"

namespace {

std::string g_dir;

void RemoveScratch() {
    for (const char* f : {"in.xml", "out1.xml", "out2.xml", "out1.xml.tmp", "out2.xml.tmp"})
        kptest::RemoveFile(kptest::Join(g_dir, f));
    kptest::RemoveDir(g_dir);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (g_dir.empty()) {
        g_dir = kptest::MakeTempDir();
        if (g_dir.empty()) {
            fprintf(stderr, "fuzz_config: no scratch directory\n");
            abort();
        }
        atexit(RemoveScratch);
    }
    const std::string& dir = g_dir;
    std::string problem = kptest::CheckConfigBytes(std::string((const char*)data, size), dir);
    if (!problem.empty()) {
        fprintf(stderr, "fuzz_config: %s\n", problem.c_str());
        abort();
    }
    return 0;
}
