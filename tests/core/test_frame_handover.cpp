#include "app/shell/core/frame_handover.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <thread>

TEST(FrameHandover, UiSeesOnlyTheNewestWholePicture)
{
    CFrameHandover handover;
    EXPECT_FALSE(handover.TakeNewest());
    EXPECT_FALSE(handover.Front().IsCreated());

    for (BYTE value : {10, 20}) {
        CDibImage& back = handover.Back();
        if (!back.IsCreated())
            back.Create(4, 3, 8);
        std::fill(back.Bits(), back.Bits() + back.Stride() * back.Height(), value);
        handover.Publish();
    }
    ASSERT_TRUE(handover.TakeNewest());
    EXPECT_EQ(handover.Front().Bits()[0], 20) << "the older frame was overtaken";
    EXPECT_FALSE(handover.TakeNewest()) << "nothing new since";
    EXPECT_EQ(handover.Front().Bits()[0], 20) << "the front stays until a newer one is taken";
    EXPECT_EQ(handover.PublishedCount(), 2u);
}

TEST(FrameHandover, ConcurrentFramesAreNeverTorn)
{
    CFrameHandover handover;
    std::atomic<bool> bStop{false};
    std::thread display([&] {
        for (int nFrame = 1; !bStop.load(); ++nFrame) {
            CDibImage& back = handover.Back();
            if (!back.IsCreated())
                back.Create(64, 48, 8);
            std::fill(back.Bits(), back.Bits() + back.Stride() * back.Height(), static_cast<BYTE>(nFrame));
            handover.Publish();
        }
    });
    int nTaken = 0;
    while (nTaken < 500) {
        if (!handover.TakeNewest()) {
            std::this_thread::yield();
            continue;
        }
        ++nTaken;
        const CDibImage& front = handover.Front();
        const BYTE* pBits = front.Bits();
        const BYTE* pEnd = pBits + front.Stride() * front.Height();
        ASSERT_TRUE(std::all_of(pBits, pEnd, [first = pBits[0]](BYTE b) { return b == first; }))
            << "picture " << nTaken << " mixes two frames";
    }
    bStop = true;
    display.join();
    EXPECT_GE(handover.PublishedCount(), 500u);
}
