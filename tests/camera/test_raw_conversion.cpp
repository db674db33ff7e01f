#include "app/camera/raw_conversion.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

// A raw frame of a w x h window whose samples come from a function of (row, column).
struct CRawScene {
    CRawScene(int w, int h, bool bTenBit, int nPhase) : geometry(CRawGeometry::ForWindow(w, h)), tenBit(bTenBit), phase(nPhase)
    {
        slot.assign(static_cast<std::size_t>(geometry.m_nHTotal) * (geometry.m_nVStart + h) * (bTenBit ? 2 : 1), 0);
    }
    void Set(int r, int c, int nValue)
    {
        const std::size_t i = static_cast<std::size_t>(geometry.m_nVStart + r) * geometry.m_nHTotal + geometry.m_nHStart + c;
        if (tenBit) {
            slot[2 * i] = static_cast<BYTE>(nValue >> 2);
            slot[2 * i + 1] = static_cast<BYTE>(nValue & 3);
        } else {
            slot[i] = static_cast<BYTE>(nValue);
        }
    }
    // Fills every sample by its colour: red, green or blue value (8-bit scale).
    void FillByColor(int nRed, int nGreen, int nBlue, int nScale = 1)
    {
        for (int r = 0; r < geometry.m_nVEffective; ++r) {
            for (int c = 0; c < geometry.m_nHEffective; ++c) {
                const bool bOddRow = ((r ^ phase) & 1) != 0;
                const bool bOddColumn = ((c ^ (phase >> 1)) & 1) != 0;
                const int nValue = bOddRow == bOddColumn ? nGreen : (bOddColumn ? nRed : nBlue);
                Set(r, c, nValue * nScale);
            }
        }
    }
    CRawFrame Frame() const { return CRawFrame{slot.data(), geometry, tenBit, phase}; }

    CRawGeometry geometry;
    bool tenBit;
    int phase;
    std::vector<BYTE> slot;
};

std::vector<BYTE> Demosaic(const CRawScene& scene, int nMode, const double dGain[3], BYTE nFill = 0xAB)
{
    std::vector<BYTE> out(static_cast<std::size_t>(scene.geometry.m_nHEffective) * 3 * scene.geometry.m_nVEffective, nFill);
    EXPECT_TRUE(DemosaicRaw(scene.Frame(), nMode, dGain, out.data(), scene.geometry.m_nHEffective * 3));
    return out;
}

const BYTE* Pixel(const std::vector<BYTE>& out, int w, int r, int c) { return &out[(static_cast<std::size_t>(r) * w + c) * 3]; }

constexpr double kUnity[3] = {1.0, 1.0, 1.0};

} // namespace

TEST(RawConversion, UniformSceneIsUniformGreyInBothModesAndNeedsNoBalance)
{
    CRawScene scene(16, 12, false, 0);
    scene.FillByColor(100, 100, 100);
    for (int nMode : {0, 1}) {
        const std::vector<BYTE> out = Demosaic(scene, nMode, kUnity);
        for (int r = 2; r <= 9; ++r)
            for (int c = 2; c <= 13; ++c)
                for (int k = 0; k < 3; ++k)
                    ASSERT_EQ(Pixel(out, 16, r, c)[k], 100) << "mode " << nMode << " at " << r << "," << c;
    }
    double dGain[3] = {0, 0, 0};
    MeasureRawWhiteBalance(scene.Frame(), dGain);
    EXPECT_DOUBLE_EQ(dGain[0], 1.0);
    EXPECT_DOUBLE_EQ(dGain[1], 1.0);
    EXPECT_DOUBLE_EQ(dGain[2], 1.0);
}

TEST(RawConversion, HalfRedGivesGainTwoAndBalancedOutput)
{
    for (int nPhase = 0; nPhase < 4; ++nPhase) {
        CRawScene scene(10, 9, false, nPhase);
        scene.FillByColor(60, 120, 40);
        double dGain[3];
        MeasureRawWhiteBalance(scene.Frame(), dGain);
        EXPECT_DOUBLE_EQ(dGain[0], 2.0) << nPhase;
        EXPECT_DOUBLE_EQ(dGain[2], 3.0) << nPhase;
        for (int nMode : {0, 1}) {
            const std::vector<BYTE> out = Demosaic(scene, nMode, dGain);
            const BYTE* p = Pixel(out, 10, 4, 5);
            EXPECT_EQ(p[2], 120) << "red, phase " << nPhase << " mode " << nMode;
            EXPECT_EQ(p[1], 120);
            EXPECT_EQ(p[0], 120) << "blue";
        }
    }
}

TEST(RawConversion, ColoursFollowThePhaseOnOddWidthsAndClampAt255)
{
    for (int nPhase = 0; nPhase < 4; ++nPhase) {
        CRawScene scene(5, 7, false, nPhase);
        scene.FillByColor(200, 100, 50);
        for (int nMode : {0, 1}) {
            const std::vector<BYTE> out = Demosaic(scene, nMode, kUnity);
            for (int r = 2; r <= 4; ++r) {
                const BYTE* p = Pixel(out, 5, r, 2);
                EXPECT_EQ(p[0], 50) << "phase " << nPhase << " mode " << nMode << " row " << r;
                EXPECT_EQ(p[1], 100);
                EXPECT_EQ(p[2], 200);
            }
        }
        const double dStrong[3] = {2.0, 1.0, 1.0};
        EXPECT_EQ(Pixel(Demosaic(scene, 1, dStrong), 5, 3, 2)[2], 255) << "400 clamps to 255";
    }
}

TEST(RawConversion, TwoPixelBorderIsLeftUntouched)
{
    CRawScene scene(12, 10, false, 0);
    scene.FillByColor(30, 60, 90);
    const std::vector<BYTE> out = Demosaic(scene, 0, kUnity, 0xAB);
    for (int r = 0; r < 10; ++r) {
        for (int c = 0; c < 12; ++c) {
            const bool bBorder = r < 2 || r > 7 || c < 2 || c > 9;
            if (bBorder)
                ASSERT_EQ(Pixel(out, 12, r, c)[1], 0xAB) << r << "," << c;
            else
                ASSERT_EQ(Pixel(out, 12, r, c)[1], 60) << r << "," << c;
        }
    }
}

TEST(RawConversion, TenBitMatchesEightBitWhenLowBitsAreZero)
{
    CRawScene eight(14, 11, false, 3);
    CRawScene ten(14, 11, true, 3);
    for (int r = 0; r < 11; ++r) {
        for (int c = 0; c < 14; ++c) {
            const int nValue = (r * 37 + c * 11) % 256;
            eight.Set(r, c, nValue);
            ten.Set(r, c, nValue * 4);
        }
    }
    const double dGain[3] = {1.3, 1.0, 0.8};
    for (int nMode : {0, 2})
        EXPECT_EQ(Demosaic(eight, nMode, dGain), Demosaic(ten, nMode, dGain)) << "mode " << nMode;

    std::vector<BYTE> greyEight(14 * 11 * 3), greyTen(14 * 11 * 3);
    ConvertRawToGrey(eight.Frame(), greyEight.data(), 14 * 3);
    ConvertRawToGrey(ten.Frame(), greyTen.data(), 14 * 3);
    EXPECT_EQ(greyEight, greyTen);

    std::vector<BYTE> raw(14 * 11 * 2);
    CopyRawWindow(ten.Frame(), raw.data(), 14 * 2);
    EXPECT_EQ(raw[2 * (14 * 1 + 2)] | raw[2 * (14 * 1 + 2) + 1] << 8, ((37 + 22) % 256) * 4);
}

TEST(RawConversion, RawCopyTakesTheWindowRowsIntoTheCallersStride)
{
    CRawScene scene(6, 4, false, 0);
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 6; ++c)
            scene.Set(r, c, r * 10 + c);
    std::vector<BYTE> out(8 * 4, 0xEE);
    CopyRawWindow(scene.Frame(), out.data(), 8);
    EXPECT_EQ(out[0], 0);
    EXPECT_EQ(out[5], 5);
    EXPECT_EQ(out[6], 0xEE) << "padding is not written";
    EXPECT_EQ(out[8 * 3 + 4], 34);
}

TEST(RawConversion, ZeroMeansGiveBoundedGains)
{
    CRawScene scene(8, 8, false, 0);
    scene.FillByColor(0, 100, 0);
    double dGain[3];
    MeasureRawWhiteBalance(scene.Frame(), dGain);
    const std::vector<BYTE> out = Demosaic(scene, 0, dGain);
    EXPECT_EQ(Pixel(out, 8, 4, 4)[2], 0) << "no red to scale";
    EXPECT_EQ(Pixel(out, 8, 4, 4)[1], 100);
}
