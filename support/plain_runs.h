// Runs of plain bytes: the writers of the list, the feed, the calendars and
// the CSV exports copy a run of bytes that need no escape at once and look
// at the others one by one. A run is measured 16 bytes at a time.
#pragma once

#include <array>
#include <bit>
#include <cstddef>
#include <cstring>
#include <string_view>

#include "support/byte_masks.h"

// The plain bytes of a format: those from `lowest` to `highest` (taken
// unsigned) that are none of `stops`. A format with fewer than four stops
// repeats one, or names a byte outside the range.
struct PlainByteSet {
  unsigned char lowest;
  unsigned char highest;
  std::array<char, 4> stops;

  bool Holds(char c) const {
    const auto byte = static_cast<unsigned char>(c);
    return byte >= lowest && byte <= highest && c != stops[0] && c != stops[1] && c != stops[2] &&
           c != stops[3];
  }
};

// How many bytes at the start of `text` are plain.
inline size_t PlainRunLength(std::string_view text, const PlainByteSet& plain) {
#ifdef VARNO_BYTE_MASKS_SSE2
  const __m128i lowest = _mm_set1_epi8(static_cast<char>(plain.lowest));
  const __m128i highest = _mm_set1_epi8(static_cast<char>(plain.highest));
  const __m128i zero = _mm_setzero_si128();
  // Bit i tells whether byte i of the 16 at `from` is plain.
  const auto plainBitsAt = [&](const char* from) {
    const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(from));
    // Unsigned: lowest <= byte when lowest - byte saturates to 0, and so on.
    const __m128i inRange = _mm_and_si128(_mm_cmpeq_epi8(_mm_subs_epu8(lowest, bytes), zero),
                                          _mm_cmpeq_epi8(_mm_subs_epu8(bytes, highest), zero));
    __m128i stopped = _mm_setzero_si128();
    for (const char stop : plain.stops) {
      stopped = _mm_or_si128(stopped, _mm_cmpeq_epi8(bytes, _mm_set1_epi8(stop)));
    }
    return static_cast<unsigned>(_mm_movemask_epi8(_mm_andnot_si128(stopped, inRange)));
  };
  size_t at = 0;
  for (; text.size() - at >= 16; at += 16) {
    const unsigned plainBits = plainBitsAt(text.data() + at);
    if (plainBits != 0xFFFF) return at + static_cast<size_t>(std::countr_zero(~plainBits));
  }
  const size_t rest = text.size() - at;
  if (rest == 0) return at;
  // The last bytes, fewer than 16: the 16 that end the text when it has
  // them, else a copy; only the bits of the rest count.
  unsigned plainBits = 0;
  if (text.size() >= 16) {
    plainBits = plainBitsAt(text.data() + text.size() - 16) >> (16 - rest);
  } else {
    char last[16] = {};
    std::memcpy(last, text.data(), rest);
    plainBits = plainBitsAt(last);
  }
  const unsigned stops = ~plainBits & ((1u << rest) - 1);
  return stops == 0 ? text.size() : at + static_cast<size_t>(std::countr_zero(stops));
#else
  size_t at = 0;
  while (at < text.size() && plain.Holds(text[at])) ++at;
  return at;
#endif
}

// Walks `text`: each run of plain bytes goes to `putRun` whole, each other
// byte to `putOther(at)`, which writes what stands for it and returns where
// the walk goes on (past it, or past the bytes it reads with it).
template <typename PutRun, typename PutOther>
void ForEachPlainRun(std::string_view text, const PlainByteSet& plain, PutRun putRun,
                     PutOther putOther) {
  size_t at = 0;
  while (at < text.size()) {
    const size_t run = PlainRunLength(text.substr(at), plain);
    putRun(text.substr(at, run));
    at += run;
    if (at < text.size()) at = putOther(at);
  }
}
