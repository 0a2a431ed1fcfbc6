// Byte scans for the engine's hot loops, sixteen bytes at a time where the CPU allows.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace tessel {

inline bool IsCollapsible(char c) { return c == ' ' || c == '\n' || c == '\t'; }

/// First index in p[0..n) where collapsing whitespace changes something: a LF or TAB
/// (which become spaces), or a space followed by more whitespace; n when there is none.
inline size_t FindCollapse(const char* p, size_t n) {
  size_t i = 0;
#if defined(__SSE2__)
  const __m128i lf = _mm_set1_epi8('\n'), tab = _mm_set1_epi8('\t'), sp = _mm_set1_epi8(' ');
  for (; i + 17 <= n; i += 16) {
    __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i));
    __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i + 1));
    __m128i odd = _mm_or_si128(_mm_cmpeq_epi8(a, lf), _mm_cmpeq_epi8(a, tab));
    __m128i nextWs = _mm_or_si128(_mm_or_si128(_mm_cmpeq_epi8(b, lf), _mm_cmpeq_epi8(b, tab)),
                                  _mm_cmpeq_epi8(b, sp));
    __m128i hit = _mm_or_si128(odd, _mm_and_si128(_mm_cmpeq_epi8(a, sp), nextWs));
    int mask = _mm_movemask_epi8(hit);
    if (mask != 0) return i + static_cast<size_t>(__builtin_ctz(static_cast<unsigned>(mask)));
  }
#endif
  for (; i < n; ++i) {
    char c = p[i];
    if (c == '\n' || c == '\t') return i;
    if (c == ' ' && i + 1 < n && IsCollapsible(p[i + 1])) return i;
  }
  return n;
}

/// Appends p[0..n) to `out` with LF and TAB turned into spaces and runs of them collapsed
/// to one; `lastSpace` says whether `out` ends with such a space, and is updated.
inline void AppendCollapsed(const char* p, size_t n, std::string& out, bool& lastSpace) {
  size_t i = 0;
  while (i < n) {
    if (lastSpace) {  // still inside a run
      while (i < n && IsCollapsible(p[i])) ++i;
      lastSpace = false;
      continue;
    }
    size_t stop = FindCollapse(p + i, n - i);
    out.append(p + i, stop);
    i += stop;
    if (i < n) {  // a whitespace run starts here
      out.push_back(' ');
      ++i;
      lastSpace = true;
    }
  }
  if (n > 0) lastSpace = IsCollapsible(p[n - 1]);
}

/// First index in p[0..n) holding one of the characters the line wrapper reacts to
/// (space, double quote, "<", ">"); n when there is none.
inline size_t FindWrapRelevant(const char* p, size_t n) {
  size_t i = 0;
#if defined(__SSE2__)
  const __m128i sp = _mm_set1_epi8(' '), qt = _mm_set1_epi8('"'), lt = _mm_set1_epi8('<'),
                gt = _mm_set1_epi8('>');
  for (; i + 16 <= n; i += 16) {
    __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i));
    __m128i hit = _mm_or_si128(_mm_or_si128(_mm_cmpeq_epi8(a, sp), _mm_cmpeq_epi8(a, qt)),
                               _mm_or_si128(_mm_cmpeq_epi8(a, lt), _mm_cmpeq_epi8(a, gt)));
    int mask = _mm_movemask_epi8(hit);
    if (mask != 0) return i + static_cast<size_t>(__builtin_ctz(static_cast<unsigned>(mask)));
  }
#endif
  for (; i < n; ++i) {
    char c = p[i];
    if (c == ' ' || c == '"' || c == '<' || c == '>') return i;
  }
  return n;
}

}  // namespace tessel
