// The 8-lane MD5 compression, built for AVX2 (this file alone is compiled
// with -mavx2, and called only when the processor has it).

#include <cstdint>

#include <immintrin.h>

namespace {

struct Vector256
{
    using T = __m256i;
    static constexpr int lanes = 8;

    static T load(const uint32_t *row) { return _mm256_load_si256(reinterpret_cast<const __m256i *>(row)); }
    static void store(uint32_t *row, T value) { _mm256_store_si256(reinterpret_cast<__m256i *>(row), value); }
    static T set1(uint32_t value) { return _mm256_set1_epi32(int(value)); }
    static T add(T a, T b) { return _mm256_add_epi32(a, b); }
    template<int s>
    static T rotl(T x) { return _mm256_or_si256(_mm256_slli_epi32(x, s), _mm256_srli_epi32(x, 32 - s)); }
    // (b & c) | (~b & d)
    static T F(T b, T c, T d) { return _mm256_or_si256(_mm256_and_si256(b, c), _mm256_andnot_si256(b, d)); }
    // (b & d) | (c & ~d)
    static T G(T b, T c, T d) { return _mm256_or_si256(_mm256_and_si256(b, d), _mm256_andnot_si256(d, c)); }
    static T H(T b, T c, T d) { return _mm256_xor_si256(_mm256_xor_si256(b, c), d); }
    // c ^ (b | ~d)
    static T I(T b, T c, T d)
    {
        return _mm256_xor_si256(c, _mm256_or_si256(b, _mm256_xor_si256(d, _mm256_set1_epi32(-1))));
    }

    // Two 8 x 8 transposes of 32-bit words (the first and second half of each
    // block): row i is lane i's half block.
    static void transpose(const uint8_t *const (&blocks)[8], T (&w)[16])
    {
        for (int half = 0; half < 2; ++half) {
            T r[8];
            for (int i = 0; i < 8; ++i)
                r[i] = _mm256_loadu_si256(reinterpret_cast<const __m256i *>(blocks[i] + 32 * half));
            T t[8];
            for (int k = 0; k < 4; ++k) {
                t[2 * k] = _mm256_unpacklo_epi32(r[2 * k], r[2 * k + 1]);
                t[2 * k + 1] = _mm256_unpackhi_epi32(r[2 * k], r[2 * k + 1]);
            }
            // u[4k + m], 128-bit part j: word 4j + m of rows 4k .. 4k + 3.
            T u[8];
            for (int k = 0; k < 2; ++k) {
                u[4 * k] = _mm256_unpacklo_epi64(t[4 * k], t[4 * k + 2]);
                u[4 * k + 1] = _mm256_unpackhi_epi64(t[4 * k], t[4 * k + 2]);
                u[4 * k + 2] = _mm256_unpacklo_epi64(t[4 * k + 1], t[4 * k + 3]);
                u[4 * k + 3] = _mm256_unpackhi_epi64(t[4 * k + 1], t[4 * k + 3]);
            }
            for (int m = 0; m < 4; ++m) {
                w[8 * half + m] = _mm256_permute2x128_si256(u[m], u[4 + m], 0x20);
                w[8 * half + 4 + m] = _mm256_permute2x128_si256(u[m], u[4 + m], 0x31);
            }
        }
    }
};

#include "Md5Lanes.h"

} // namespace

void md5CompressLanes8(uint32_t (&state)[4][8], const uint8_t *const (&blocks)[8])
{
    compressLanes<Vector256>(state, blocks);
}
