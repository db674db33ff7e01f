// The marker segments the JPEG encoder writes before and after the entropy-coded data.
#pragma once

#include "app/files/out_bit_stream.h"

// SOI, APP0 (JFIF 1.02, 72 x 72 dots per inch), COM (two spaces), the two DQT and four
// DHT segments, SOF0 for three components (identifiers 0, 1, 2; luminance sampled 2x2)
// and SOS. Width and height are written as 16-bit numbers.
void WriteJpegHeaders(COutBitStream& out, int nWidth, int nHeight);

// EOI, after completing a partly filled byte.
void WriteJpegEnd(COutBitStream& out);
