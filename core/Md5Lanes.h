// The MD5 compression of one block in every lane, written once for any vector
// width. Included by a translation unit built for one instruction set, inside
// its own anonymous namespace, after <cstdint> and <immintrin.h>; V supplies
// the vector operations: a type T, lanes, load/store of a lane row, transpose of the
// lanes' blocks into message words, set1, add, rotl<s> and the four MD5
// functions F, G, H, I.
//
// Nothing else may be compiled with the wider instruction set: an inline
// library function instantiated there could be the copy the linker keeps for
// the whole program, and fault on a processor without it.
// No include guard on purpose: each including unit gets its own copy.

template<class V>
void compressLanes(uint32_t (&state)[4][V::lanes], const uint8_t *const (&blocks)[V::lanes])
{
    using T = typename V::T;
    T a = V::load(state[0]);
    T b = V::load(state[1]);
    T c = V::load(state[2]);
    T d = V::load(state[3]);
    const T a0 = a, b0 = b, c0 = c, d0 = d;
    // Word i of every lane's block, side by side.
    T w[16];
    V::transpose(blocks, w);

#define TM_STEP(f, a, b, c, d, x, k, s) \
    a = V::add(b, V::template rotl<s>(V::add(V::add(a, V::f(b, c, d)), V::add(w[x], V::set1(k)))))

    TM_STEP(F, a, b, c, d, 0, 0xd76aa478u, 7);
    TM_STEP(F, d, a, b, c, 1, 0xe8c7b756u, 12);
    TM_STEP(F, c, d, a, b, 2, 0x242070dbu, 17);
    TM_STEP(F, b, c, d, a, 3, 0xc1bdceeeu, 22);
    TM_STEP(F, a, b, c, d, 4, 0xf57c0fafu, 7);
    TM_STEP(F, d, a, b, c, 5, 0x4787c62au, 12);
    TM_STEP(F, c, d, a, b, 6, 0xa8304613u, 17);
    TM_STEP(F, b, c, d, a, 7, 0xfd469501u, 22);
    TM_STEP(F, a, b, c, d, 8, 0x698098d8u, 7);
    TM_STEP(F, d, a, b, c, 9, 0x8b44f7afu, 12);
    TM_STEP(F, c, d, a, b, 10, 0xffff5bb1u, 17);
    TM_STEP(F, b, c, d, a, 11, 0x895cd7beu, 22);
    TM_STEP(F, a, b, c, d, 12, 0x6b901122u, 7);
    TM_STEP(F, d, a, b, c, 13, 0xfd987193u, 12);
    TM_STEP(F, c, d, a, b, 14, 0xa679438eu, 17);
    TM_STEP(F, b, c, d, a, 15, 0x49b40821u, 22);

    TM_STEP(G, a, b, c, d, 1, 0xf61e2562u, 5);
    TM_STEP(G, d, a, b, c, 6, 0xc040b340u, 9);
    TM_STEP(G, c, d, a, b, 11, 0x265e5a51u, 14);
    TM_STEP(G, b, c, d, a, 0, 0xe9b6c7aau, 20);
    TM_STEP(G, a, b, c, d, 5, 0xd62f105du, 5);
    TM_STEP(G, d, a, b, c, 10, 0x02441453u, 9);
    TM_STEP(G, c, d, a, b, 15, 0xd8a1e681u, 14);
    TM_STEP(G, b, c, d, a, 4, 0xe7d3fbc8u, 20);
    TM_STEP(G, a, b, c, d, 9, 0x21e1cde6u, 5);
    TM_STEP(G, d, a, b, c, 14, 0xc33707d6u, 9);
    TM_STEP(G, c, d, a, b, 3, 0xf4d50d87u, 14);
    TM_STEP(G, b, c, d, a, 8, 0x455a14edu, 20);
    TM_STEP(G, a, b, c, d, 13, 0xa9e3e905u, 5);
    TM_STEP(G, d, a, b, c, 2, 0xfcefa3f8u, 9);
    TM_STEP(G, c, d, a, b, 7, 0x676f02d9u, 14);
    TM_STEP(G, b, c, d, a, 12, 0x8d2a4c8au, 20);

    TM_STEP(H, a, b, c, d, 5, 0xfffa3942u, 4);
    TM_STEP(H, d, a, b, c, 8, 0x8771f681u, 11);
    TM_STEP(H, c, d, a, b, 11, 0x6d9d6122u, 16);
    TM_STEP(H, b, c, d, a, 14, 0xfde5380cu, 23);
    TM_STEP(H, a, b, c, d, 1, 0xa4beea44u, 4);
    TM_STEP(H, d, a, b, c, 4, 0x4bdecfa9u, 11);
    TM_STEP(H, c, d, a, b, 7, 0xf6bb4b60u, 16);
    TM_STEP(H, b, c, d, a, 10, 0xbebfbc70u, 23);
    TM_STEP(H, a, b, c, d, 13, 0x289b7ec6u, 4);
    TM_STEP(H, d, a, b, c, 0, 0xeaa127fau, 11);
    TM_STEP(H, c, d, a, b, 3, 0xd4ef3085u, 16);
    TM_STEP(H, b, c, d, a, 6, 0x04881d05u, 23);
    TM_STEP(H, a, b, c, d, 9, 0xd9d4d039u, 4);
    TM_STEP(H, d, a, b, c, 12, 0xe6db99e5u, 11);
    TM_STEP(H, c, d, a, b, 15, 0x1fa27cf8u, 16);
    TM_STEP(H, b, c, d, a, 2, 0xc4ac5665u, 23);

    TM_STEP(I, a, b, c, d, 0, 0xf4292244u, 6);
    TM_STEP(I, d, a, b, c, 7, 0x432aff97u, 10);
    TM_STEP(I, c, d, a, b, 14, 0xab9423a7u, 15);
    TM_STEP(I, b, c, d, a, 5, 0xfc93a039u, 21);
    TM_STEP(I, a, b, c, d, 12, 0x655b59c3u, 6);
    TM_STEP(I, d, a, b, c, 3, 0x8f0ccc92u, 10);
    TM_STEP(I, c, d, a, b, 10, 0xffeff47du, 15);
    TM_STEP(I, b, c, d, a, 1, 0x85845dd1u, 21);
    TM_STEP(I, a, b, c, d, 8, 0x6fa87e4fu, 6);
    TM_STEP(I, d, a, b, c, 15, 0xfe2ce6e0u, 10);
    TM_STEP(I, c, d, a, b, 6, 0xa3014314u, 15);
    TM_STEP(I, b, c, d, a, 13, 0x4e0811a1u, 21);
    TM_STEP(I, a, b, c, d, 4, 0xf7537e82u, 6);
    TM_STEP(I, d, a, b, c, 11, 0xbd3af235u, 10);
    TM_STEP(I, c, d, a, b, 2, 0x2ad7d2bbu, 15);
    TM_STEP(I, b, c, d, a, 9, 0xeb86d391u, 21);

#undef TM_STEP

    V::store(state[0], V::add(a, a0));
    V::store(state[1], V::add(b, b0));
    V::store(state[2], V::add(c, c0));
    V::store(state[3], V::add(d, d0));
}

