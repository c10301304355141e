// The 16-lane MD5 compression, built for AVX-512 (this file alone is compiled
// with -mavx512f, and called only when the processor has it).

#include <cstdint>

#include <immintrin.h>

namespace {

struct Vector512
{
    using T = __m512i;
    static constexpr int lanes = 16;

    static T load(const uint32_t *row) { return _mm512_load_si512(row); }
    static void store(uint32_t *row, T value) { _mm512_store_si512(row, value); }
    static T set1(uint32_t value) { return _mm512_set1_epi32(int(value)); }
    static T add(T a, T b) { return _mm512_add_epi32(a, b); }
    template<int s>
    static T rotl(T x) { return _mm512_rol_epi32(x, s); }
    static T F(T b, T c, T d) { return _mm512_ternarylogic_epi32(b, c, d, 0xca); }
    static T G(T b, T c, T d) { return _mm512_ternarylogic_epi32(b, c, d, 0xe4); }
    static T H(T b, T c, T d) { return _mm512_ternarylogic_epi32(b, c, d, 0x96); }
    static T I(T b, T c, T d) { return _mm512_ternarylogic_epi32(b, c, d, 0x39); }

    // A 16 x 16 transpose of 32-bit words: row i is lane i's block.
    static void transpose(const uint8_t *const (&blocks)[16], T (&w)[16])
    {
        T r[16];
        for (int i = 0; i < 16; ++i)
            r[i] = _mm512_loadu_si512(blocks[i]);
        T t[16];
        for (int k = 0; k < 8; ++k) {
            t[2 * k] = _mm512_unpacklo_epi32(r[2 * k], r[2 * k + 1]);
            t[2 * k + 1] = _mm512_unpackhi_epi32(r[2 * k], r[2 * k + 1]);
        }
        // u[4k + m], 128-bit part j: word 4j + m of rows 4k .. 4k + 3.
        T u[16];
        for (int k = 0; k < 4; ++k) {
            u[4 * k] = _mm512_unpacklo_epi64(t[4 * k], t[4 * k + 2]);
            u[4 * k + 1] = _mm512_unpackhi_epi64(t[4 * k], t[4 * k + 2]);
            u[4 * k + 2] = _mm512_unpacklo_epi64(t[4 * k + 1], t[4 * k + 3]);
            u[4 * k + 3] = _mm512_unpackhi_epi64(t[4 * k + 1], t[4 * k + 3]);
        }
        for (int m = 0; m < 4; ++m) {
            const T low01 = _mm512_shuffle_i32x4(u[m], u[4 + m], 0x44);
            const T high01 = _mm512_shuffle_i32x4(u[m], u[4 + m], 0xee);
            const T low23 = _mm512_shuffle_i32x4(u[8 + m], u[12 + m], 0x44);
            const T high23 = _mm512_shuffle_i32x4(u[8 + m], u[12 + m], 0xee);
            w[m] = _mm512_shuffle_i32x4(low01, low23, 0x88);
            w[4 + m] = _mm512_shuffle_i32x4(low01, low23, 0xdd);
            w[8 + m] = _mm512_shuffle_i32x4(high01, high23, 0x88);
            w[12 + m] = _mm512_shuffle_i32x4(high01, high23, 0xdd);
        }
    }
};

#include "Md5Lanes.h"

} // namespace

void md5CompressLanes16(uint32_t (&state)[4][16], const uint8_t *const (&blocks)[16])
{
    compressLanes<Vector512>(state, blocks);
}
