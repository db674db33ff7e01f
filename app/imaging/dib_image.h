// CDibImage: the program's one picture type, a device-independent bitmap of 8 bits
// (256-entry colour table) or 24 bits (blue, green, red) per pixel held in memory.
#pragma once

#include "app/imaging/pixel_routine.h"
#include "platform/win_types.h"

#include <cstddef>
#include <memory>
#include <type_traits>
#include <utility>

// Pixel memory is owned by the object, zero-filled when created, rows stored bottom-up:
// memory row r holds picture row Height() - 1 - r, and every row is Stride() bytes,
// ((bits / 8) * width + 3) rounded down to a multiple of 4.
//
// Rectangles and positions given to Fill, BlitFrom, StretchFrom and Apply are picture
// coordinates: x to the right, y DOWN from the top line as shown, right and bottom
// exclusive. Apply and ApplyScaled hand their routines memory rows instead (see there).
//
// A picture whose creation failed is empty: it has no pixel memory and every drawing
// operation on it does nothing. Copying is not supported (use CreateLike + BlitFrom);
// moving hands the pixel memory over and leaves the source empty.
class CDibImage {
public:
    // Kinds of SetPalette.
    static constexpr int PALETTE_GREY = 0;    // grey ramp on all 256 entries
    static constexpr int PALETTE_ENTRIES = 2; // entries taken from a table

    // Size of the header area; the first 40 bytes are the BITMAPINFOHEADER.
    static constexpr std::size_t HEADER_AREA_SIZE = 108;
    // Largest pixel memory a picture may have, so that every offset fits an int.
    static constexpr long long MAX_PIXEL_BYTES = 0x7fffffff;

    CDibImage();
    virtual ~CDibImage();
    CDibImage(const CDibImage&) = delete;
    CDibImage& operator=(const CDibImage&) = delete;
    CDibImage(CDibImage&& other) noexcept;
    CDibImage& operator=(CDibImage&& other) noexcept;

    // New zeroed picture; bitCount 8 (grey ramp) or 24. FALSE for a size <= 0 or another
    // bit count (the picture is then left as it was), and for a size that cannot be
    // allocated (the picture is then empty).
    virtual BOOL Create(int nWidth, int nHeight, int nBitCount);
    // New zeroed picture from a bitmap header. Reads at most nHeaderBytes (and at most
    // the header's own biSize, capped at 108) from pHeader. FALSE on null, width <= 0 or
    // height <= 0 (a top-down header is refused), or a compression other than BI_RGB and
    // BI_BITFIELDS. Bit counts up to 8 give an 8-bit picture, 16, 24 and 32 a 24-bit one;
    // where the format changes, the stored header says 8 or 24 bits, BI_RGB, no image
    // size and no colours used. The stored header's size field is 40.
    virtual BOOL CreateFromHeader(const BITMAPINFOHEADER* pHeader,
                                  std::size_t nHeaderBytes = sizeof(BITMAPINFOHEADER));
    // Same header, size and format as pOther, zero pixels; an 8-bit picture takes
    // pOther's colour table. FALSE on null or when pOther is empty.
    virtual BOOL CreateLike(const CDibImage* pOther);
    // Back to the empty state.
    void Destroy();

    // PALETTE_GREY: grey ramp on all entries. PALETTE_ENTRIES: nCount entries from pEntries
    // into the table from nFirst on, cut at the table's end. Other kinds do nothing.
    BOOL SetPalette(int nKind, const RGBQUAD* pEntries = nullptr, int nFirst = 0, int nCount = 0);

    // Draws a packed bitmap (info header, colour table, pixel rows) of nSize bytes. An
    // empty picture is first created from its header (a top-down bitmap cannot create
    // one: FALSE). An existing picture gets the bitmap at its top-left corner, clipped,
    // converted to its own format; an 8-bit picture also takes the bitmap's colour table.
    // FALSE, with the picture unchanged, when the bitmap is malformed or shorter than its
    // header says.
    BOOL SetDibBits(const void* pPacked, std::size_t nSize);
    // The same for a whole .bmp file image of nSize bytes; FALSE unless it starts with "BM".
    BOOL LoadFromBmpMemory(const BYTE* pData, std::size_t nSize);
    // Decodes PNG resource nId of type szType (RT_PNG) into a new 24-bit picture. On
    // failure the picture is unchanged.
    BOOL LoadPngResource(int nId, const char* szType);

    // Solid fill of a rectangle (null: the whole picture), clipped. An 8-bit picture
    // takes the colour-table entry nearest to the colour. FALSE on an empty picture.
    BOOL Fill(const RECT* pRect, COLORREF clr);
    // Copies the source rectangle (null: the whole source) to (x, y), clipped on both
    // sides so that pixels stay paired. 8 -> 24 bits goes through the source's colour
    // table, 24 -> 8 bits takes the nearest entry of this picture's table.
    void BlitFrom(const CDibImage& src, const RECT* pSrcRect, int x, int y);
    // Nearest-neighbour stretch copy of rcSrc onto rcDst, as the platform's StretchBlt in
    // COLORONCOLOR mode. Each rectangle is an origin (left, top) with signed extents
    // (right - left, bottom - top). A positive extent covers origin .. origin + extent - 1;
    // a negative one covers origin, origin - 1, ..., origin + extent + 1 and mirrors the
    // copy. So {0, h - 1, w, -1} is the whole of a w x h picture read from its last row
    // upwards: copied onto {0, 0, w, h} it turns the picture upside down. Destination
    // pixel i of a run of n takes source pixel i * m / n of a run of m. Pixels falling
    // outside either picture are skipped. FALSE when either picture is empty, an extent
    // is zero or src is this picture.
    BOOL StretchFrom(const CDibImage& src, const RECT& rcSrc, const RECT& rcDst);

    // Runs a one-rectangle routine (PixelRoutine signature; a function, function pointer
    // or lambda) with this picture as destination. The source rectangle (null: the whole
    // source) is placed with its top-left at (x, y) here; the placed rectangle is clipped
    // to this picture and the source one to the source picture, each shifting the other.
    // If nothing is left, the routine is not called and the result is 0. Otherwise the
    // routine gets the clipped source rectangle in memory rows (top' = source height -
    // clipped bottom, bottom' = source height - clipped top, columns unchanged) and the
    // destination position (clipped x, this height - clipped destination bottom), and its
    // result is returned. src may be this picture (in-place routines).
    template <typename Routine>
        requires std::is_invocable_r_v<int, Routine&, BYTE*, const BYTE*, const RECT&, int, int, int, int, int,
                                       int, void*, int>
    int Apply(Routine&& routine, const CDibImage& src, const RECT* pSrcRect = nullptr, int x = 0, int y = 0,
              void* pParam = nullptr, int nExtra = 0)
    {
        CApplyFrame frame;
        if (!ClipForApply(src, pSrcRect, x, y, frame))
            return 0;
        return static_cast<int>(routine(frame.pDst, frame.pSrc, frame.rcSrc, frame.nDstX, frame.nDstY,
                                        frame.nDstBpp, frame.nSrcBpp, frame.nDstStride, frame.nSrcStride,
                                        pParam, nExtra));
    }

    // Runs a scaling routine (ScaleRoutine signature) with the rectangles as given, not
    // clipped (null: the whole picture). Returns the routine's result, or 0 without
    // calling it when either picture is empty.
    template <typename Routine>
        requires std::is_invocable_r_v<int, Routine&, BYTE*, const BYTE*, const RECT&, const RECT&, int, int,
                                       int, int, int, int, int, int, void*, int>
    int ApplyScaled(Routine&& routine, const CDibImage& src, const RECT* pSrcRect = nullptr,
                    const RECT* pDstRect = nullptr, void* pParam = nullptr, int nExtra = 0)
    {
        if (!IsCreated() || !src.IsCreated())
            return 0;
        const RECT rcSrc = pSrcRect != nullptr ? *pSrcRect : src.Bounds();
        const RECT rcDst = pDstRect != nullptr ? *pDstRect : Bounds();
        return static_cast<int>(routine(m_pBits.get(), src.m_pBits.get(), rcDst, rcSrc, m_nWidth, m_nHeight,
                                        src.m_nWidth, src.m_nHeight, BytesPerPixel(), src.BytesPerPixel(),
                                        m_nStride, src.m_nStride, pParam, nExtra));
    }

    int Width() const { return m_nWidth; }
    int Height() const { return m_nHeight; }
    int Stride() const { return m_nStride; }
    int BitCount() const { return m_nBitCount; }
    int BytesPerPixel() const { return m_nBitCount / 8; }
    BYTE* Bits() { return m_pBits.get(); }
    const BYTE* Bits() const { return m_pBits.get(); }
    const BITMAPINFOHEADER& Header() const { return m_Header.bmi; }
    // 256 entries; meaningful for 8-bit pictures.
    const RGBQUAD* ColorTable() const { return m_ColorTable; }
    // TRUE when the picture has pixel memory.
    bool IsCreated() const { return m_pBits != nullptr; }
    // The whole picture as a rectangle.
    RECT Bounds() const { return RECT{0, 0, m_nWidth, m_nHeight}; }

private:
    struct CHeaderArea {
        BITMAPINFOHEADER bmi;
        BYTE extra[HEADER_AREA_SIZE - sizeof(BITMAPINFOHEADER)];
    };
    static_assert(sizeof(CHeaderArea) == HEADER_AREA_SIZE);

    // What Apply hands a routine after clipping.
    struct CApplyFrame {
        BYTE* pDst = nullptr;
        const BYTE* pSrc = nullptr;
        RECT rcSrc{};
        int nDstX = 0;
        int nDstY = 0;
        int nDstBpp = 0;
        int nSrcBpp = 0;
        int nDstStride = 0;
        int nSrcStride = 0;
    };

    // Clips and converts to memory rows for Apply; FALSE (frame all zero) when empty.
    bool ClipForApply(const CDibImage& src, const RECT* pSrcRect, int x, int y, CApplyFrame& frame);
    // Allocates zeroed pixel memory for the header now in m_Header; on failure the
    // picture is destroyed.
    bool AllocatePixels();
    void ResetFields();
    void SetGreyRamp();
    // First byte of picture row nPictureRow, counted from the top line.
    BYTE* MemoryRow(int nPictureRow)
    {
        return m_pBits.get() + static_cast<std::size_t>(m_nHeight - 1 - nPictureRow) * m_nStride;
    }
    const BYTE* MemoryRow(int nPictureRow) const
    {
        return m_pBits.get() + static_cast<std::size_t>(m_nHeight - 1 - nPictureRow) * m_nStride;
    }
    bool DrawPacked(const BYTE* pPacked, std::size_t nSize, std::size_t nPixelOffset);

    CHeaderArea m_Header{};
    RGBQUAD m_ColorTable[256]{};
    std::unique_ptr<BYTE[]> m_pBits;
    int m_nWidth = 0;
    int m_nHeight = 0;
    int m_nStride = 0;
    int m_nBitCount = 0;
};
