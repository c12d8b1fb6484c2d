// Where the double quotes, colons and line feeds of a block of 64 bytes
// stand, one bit per byte: the list loader looks at these three bytes only,
// and finds them a block at a time instead of byte by byte. And how many
// line feeds a run of bytes holds, 16 bytes at a time.
#pragma once

#include <algorithm>
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

// The line feeds in [begin, end).
inline size_t CountLineFeeds(const char* begin, const char* end) {
  size_t count = 0;
#ifdef VARNO_BYTE_MASKS_SSE2
  const __m128i lineFeed = _mm_set1_epi8('\n');
  while (end - begin >= 16) {
    // Each byte of `counts` counts up to 255 line feeds before they are added up.
    const size_t parts = std::min<size_t>(static_cast<size_t>(end - begin) / 16, 255);
    __m128i counts = _mm_setzero_si128();
    for (size_t part = 0; part < parts; ++part, begin += 16) {
      const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(begin));
      counts = _mm_sub_epi8(counts, _mm_cmpeq_epi8(bytes, lineFeed));
    }
    const __m128i sums = _mm_sad_epu8(counts, _mm_setzero_si128());
    count += static_cast<size_t>(_mm_extract_epi16(sums, 0) + _mm_extract_epi16(sums, 4));
  }
#endif
  for (; begin != end; ++begin) count += *begin == '\n' ? 1 : 0;
  return count;
}
