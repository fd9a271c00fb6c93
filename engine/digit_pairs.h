#pragma once

#include <cstring>

namespace tavrel::engine {

// Writes the two digits of `pair` (below 100, a leading zero kept) at `out`. Numbers are
// written two digits at a time from a table, which halves the chain of divisions by ten.
inline void WriteDigitPair(char* out, unsigned pair) {
    static constexpr char kPairs[] = "00010203040506070809101112131415161718192021222324"
                                     "25262728293031323334353637383940414243444546474849"
                                     "50515253545556575859606162636465666768697071727374"
                                     "75767778798081828384858687888990919293949596979899";
    std::memcpy(out, kPairs + 2 * pair, 2);
}

} // namespace tavrel::engine
