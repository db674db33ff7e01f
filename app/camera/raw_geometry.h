// Where the useful picture lies in a raw frame as the camera sends it.
#pragma once

// A raw frame is m_nVStart + m_nVEffective rows of m_nHTotal samples, rows top to
// bottom; the useful window starts at row m_nVStart, column m_nHStart.
struct CRawGeometry {
    int m_nHTotal = 0;
    int m_nHStart = 0;
    int m_nHEffective = 0;
    int m_nVTotal = 0;
    int m_nVStart = 0;
    int m_nVEffective = 0;
    int m_nTransferSize = 0; // bytes of one 8-bit frame transfer, a multiple of 1024

    // Before the first capture window is set.
    static CRawGeometry Reset() { return CRawGeometry{1339, 50, 1280, 1040, 10, 1028, 0}; }

    // A capture window of nWidth x nHeight pixels.
    static CRawGeometry ForWindow(int nWidth, int nHeight) { return CRawGeometry{681, 12, nWidth, nHeight + 10, 1, nHeight, 0}; }

    // Samples of the rows a transfer carries, rounded up to a multiple of 1024.
    int TransferSize() const { return (m_nHTotal * (m_nVStart + m_nVEffective) + 1023) / 1024 * 1024; }
};
