// Byte readers over bytes already read from a file. Each says its byte order
// in its name; every identifier assembles its numbers through these.
#pragma once

#include <cstdint>

inline uint16_t read_u16le(const unsigned char* p) {
    return uint16_t(p[0] | p[1] << 8);
}

inline uint32_t read_u32le(const unsigned char* p) {
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

inline uint16_t read_u16be(const unsigned char* p) {
    return uint16_t(p[0] << 8 | p[1]);
}

inline uint32_t read_u32be(const unsigned char* p) {
    return uint32_t(p[0]) << 24 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 | uint32_t(p[3]);
}

inline uint64_t read_u64be(const unsigned char* p) {
    return uint64_t(read_u32be(p)) << 32 | read_u32be(p + 4);
}

// Eight little-endian bytes as an unsigned 64-bit quantity, returned as a
// double: the low 32 bits plus the high 32 bits times 2^32.
inline double u64le_to_double(const unsigned char* p) {
    return double(read_u32le(p)) + double(read_u32le(p + 4)) * 4294967296.0;
}
