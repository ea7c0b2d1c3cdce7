// libFuzzer target: arbitrary bytes as config.xml, through the XML reader and
// writer and the configuration store's load and save.
#include <stddef.h>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>

#include <string>

#include "config/config_roundtrip.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const std::string dir = kptest::MakeTempDir();
    if (dir.empty()) {
        fprintf(stderr, "fuzz_config: no scratch directory\n");
        abort();
    }
    std::string problem = kptest::CheckConfigBytes(std::string((const char*)data, size), dir);
    if (!problem.empty()) {
        fprintf(stderr, "fuzz_config: %s\n", problem.c_str());
        abort();
    }
    return 0;
}
