// Where the double quotes, colons and line feeds of a block of 64 bytes
// stand, one bit per byte: the list loader looks at these three bytes only,
// and finds them a block at a time instead of byte by byte.
#pragma once

#include <cstddef>
#include <cstdint>

#if defined(__SSE2__) || defined(_M_X64)
#include <emmintrin.h>
#define VARNO_BYTE_MASKS_SSE2 1
#endif

constexpr size_t kMaskBlockSize = 64;

// Bit i stands for byte i of the block.
struct BlockMasks {
  uint64_t quotes = 0;
  uint64_t colons = 0;
  uint64_t lineFeeds = 0;
};

// One byte at a time: for processors without SSE2, and the measure the
// faster form is tested against.
inline BlockMasks BlockMasksByteByByte(const char* block) {
  BlockMasks masks;
  for (size_t i = 0; i < kMaskBlockSize; ++i) {
    const uint64_t bit = uint64_t{1} << i;
    if (block[i] == '"') masks.quotes |= bit;
    if (block[i] == ':') masks.colons |= bit;
    if (block[i] == '\n') masks.lineFeeds |= bit;
  }
  return masks;
}

// The masks of the 64 bytes at `block`.
inline BlockMasks BlockMasksOf(const char* block) {
#ifdef VARNO_BYTE_MASKS_SSE2
  const __m128i quote = _mm_set1_epi8('"');
  const __m128i colon = _mm_set1_epi8(':');
  const __m128i lineFeed = _mm_set1_epi8('\n');
  const auto bitsOf = [](__m128i bytes, __m128i wanted) {
    return static_cast<uint64_t>(
        static_cast<uint32_t>(_mm_movemask_epi8(_mm_cmpeq_epi8(bytes, wanted))));
  };
  BlockMasks masks;
  for (int part = 0; part < 4; ++part) {
    const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(block + 16 * part));
    masks.quotes |= bitsOf(bytes, quote) << (16 * part);
    masks.colons |= bitsOf(bytes, colon) << (16 * part);
    masks.lineFeeds |= bitsOf(bytes, lineFeed) << (16 * part);
  }
  return masks;
#else
  return BlockMasksByteByByte(block);
#endif
}
