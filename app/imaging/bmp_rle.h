// Expansion of the run-length encoded pixel data of a bitmap (BI_RLE8, BI_RLE4) into the
// rows the same bitmap has uncompressed.
#pragma once

#include "platform/win_types.h"

#include <cstddef>

constexpr DWORD BI_RLE8 = 1;
constexpr DWORD BI_RLE4 = 2;

// The stream is a sequence of two-byte commands, read from the bottom line up:
//   n, v     (n > 0) a run of n pixels: index v (RLE8), or the two indices of v's high
//            and low nibble taking turns, high first (RLE4);
//   0, 0     end of line: column 0 of the next line up;
//   0, 1     end of bitmap;
//   0, 2, dx, dy   delta: dx columns right and dy lines up;
//   0, n     (n >= 3) absolute run: the next n indices as they are stored uncompressed
//            (n bytes, or n nibbles high first), padded to an even number of bytes.
// Pixels the stream does not write (skipped by a delta, left by an end of line or an
// end of bitmap before the row or picture is full) keep index 0.
//
// What falls outside the picture is dropped, never refused: pixels of a run or an
// absolute run beyond the end of the row (the run's bytes are still read), everything
// after a delta right past the row's end until the next end of line, and everything
// once an end of line or a delta has left the top line (decoding stops there, as at an
// end of bitmap).
//
// A stream that is cut short is refused: one whose bytes run out before its end of
// bitmap while the position can still reach a pixel (any line below the top line, or
// the top line short of its end), including a command cut off halfway.
//
// nBitCount is 8 (BI_RLE8) or 4 (BI_RLE4). pRows receives nHeight rows of nRowBytes
// bytes each, bottom line first, as an uncompressed bottom-up bitmap of nBitCount bits
// stores them; nRowBytes must hold a row's pixels, and the bytes beyond them stay zero.
// Only pStream[0 .. nStreamBytes) is read and only pRows' nHeight * nRowBytes bytes
// written. Returns false for a stream cut short (pRows then holds what was decoded) or
// arguments the expansion cannot take (another bit count, a size <= 0, rows too short).
bool ExpandBmpRle(const BYTE* pStream, std::size_t nStreamBytes, int nBitCount, int nWidth, int nHeight,
                  BYTE* pRows, std::size_t nRowBytes);
