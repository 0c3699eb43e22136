// The fuzz targets linked into the corpus replayer, ended by a null entry.
#pragma once
#include <cstddef>
#include <cstdint>

struct FuzzTarget {
    const char *name;
    int (*input)(const uint8_t *data, size_t size);
};

extern const FuzzTarget kFuzzTargets[];
