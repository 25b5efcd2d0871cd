// The fuzzers' reader of their input: bytes one at a time, zeros once it runs out.
#pragma once

#include <cstddef>
#include <cstdint>

struct FuzzInput {
    const uint8_t* data;
    size_t size;
    uint8_t Byte() {
        if (size == 0) return 0;
        --size;
        return *data++;
    }
    bool Done() const { return size == 0; }
};
