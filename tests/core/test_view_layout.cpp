#include "app/files/thumb_strip.h"
#include "app/shell/core/view_layout.h"

#include <gtest/gtest.h>

namespace {

// A client area whose room for the view is 1000 x 700 with panel and strip shown.
constexpr RECT kClient{0, 0, 1000 + PANEL_MARGIN_SHOWN, 700 + STRIP_MARGIN_SHOWN};

CViewLayoutInput Input(int nZoom, int W, int H, RECT rcFrame = RECT{0, 0, 10, 10})
{
    return CViewLayoutInput{rcFrame, kClient, nZoom, W, H, true, true};
}

} // namespace

TEST(ViewLayout, MagnifiedViewFillsTheRoomAndOffsetsStayInRange)
{
    const RECT rcView = LayoutViewFrame(Input(2, 640, 480));
    EXPECT_EQ(rcView.Width(), 1000);
    EXPECT_EQ(rcView.Height(), 700);

    CScrollOffsets offsets{-500.0, 25.0};
    ClampScrollOffsets(offsets, rcView, 2, 640, 480);
    EXPECT_DOUBLE_EQ(offsets.x, -140.0);
    EXPECT_DOUBLE_EQ(offsets.y, 0.0);
    offsets = {-70.5, -500.0};
    ClampScrollOffsets(offsets, rcView, 2, 640, 480);
    EXPECT_DOUBLE_EQ(offsets.x, -70.5);
    EXPECT_DOUBLE_EQ(offsets.y, -130.0);
}

TEST(ViewLayout, SmallPictureAtX1GetsItsOwnSizeAndNoScrolling)
{
    const RECT rcView = LayoutViewFrame(Input(1, 320, 240, RECT{7, 7, 100, 100}));
    EXPECT_EQ(rcView, (RECT{7, 7, 327, 247}));
    CScrollOffsets offsets{-30.0, -10.0};
    ClampScrollOffsets(offsets, rcView, 1, 320, 240);
    EXPECT_DOUBLE_EQ(offsets.x, 0.0);
    EXPECT_DOUBLE_EQ(offsets.y, 0.0);
}

TEST(ViewLayout, HidingPanelAndStripWidensAndHeightensTheRoom)
{
    CViewLayoutInput in = Input(1, 4000, 3000);
    const RECT rcBoth = LayoutViewFrame(in);
    in.bPanelVisible = false;
    const RECT rcNoPanel = LayoutViewFrame(in);
    in.bThumbVisible = false;
    const RECT rcNeither = LayoutViewFrame(in);
    EXPECT_EQ(rcNoPanel.Width() - rcBoth.Width(), 204);
    EXPECT_EQ(rcNoPanel.Height(), rcBoth.Height());
    EXPECT_EQ(rcNeither.Height() - rcNoPanel.Height(), 155);
}

TEST(ViewLayout, FitKeepsThePictureAspect)
{
    // Room 1000 x 700 right of and below the frame's corner (0, 0): 4:3 fits 933 x 700.
    const RECT rcWide = LayoutViewFrame(Input(ZOOM_FIT, 640, 480));
    EXPECT_EQ(rcWide.Width(), 933);
    EXPECT_EQ(rcWide.Height(), 700);
    // A tall picture is limited by the height, a wide one by the width.
    const RECT rcBanner = LayoutViewFrame(Input(ZOOM_FIT, 2000, 100));
    EXPECT_EQ(rcBanner.Width(), 1000);
    EXPECT_EQ(rcBanner.Height(), 50);
    // The frame's own corner offset is part of its extents: room 993 x 693 fits
    // 990 x 693 of a 10:7 picture.
    const RECT rcOffset = LayoutViewFrame(Input(ZOOM_FIT, 1000, 700, RECT{7, 7, 8, 8}));
    EXPECT_EQ(rcOffset.Width(), 7 + 990);
    EXPECT_EQ(rcOffset.Height(), 7 + 693);
}

TEST(ViewLayout, WindowToImageAtTheViewCorner)
{
    const RECT rcView{7, 7, 1007, 707};
    const CScrollOffsets offsets{-40.0, -25.5};
    double x = 0, y = 0;
    WindowToImage(7, 7, rcView, 3, offsets, 640, 480, x, y);
    EXPECT_DOUBLE_EQ(x, 40.0);
    EXPECT_DOUBLE_EQ(y, 25.5);
    WindowToImage(7 + 8, 7 + 4, rcView, 3, offsets, 640, 480, x, y);
    EXPECT_DOUBLE_EQ(x, 42.0) << "x4: 8 window pixels are 2 picture pixels";
    EXPECT_DOUBLE_EQ(y, 26.5);
    WindowToImage(7, 7, rcView, ZOOM_FIT, offsets, 640, 480, x, y);
    EXPECT_DOUBLE_EQ(x, 0.0);
    EXPECT_DOUBLE_EQ(y, 0.0);
    WindowToImage(507, 357, rcView, ZOOM_FIT, offsets, 640, 480, x, y);
    EXPECT_DOUBLE_EQ(x, 320.0);
    EXPECT_DOUBLE_EQ(y, 240.0);
}

TEST(ViewLayout, PanningKeepsTheAnchorUnderThePointerWithinRange)
{
    const RECT rcView{0, 0, 1000, 700};
    CScrollOffsets offsets{-100.0, -50.0};
    CPanDrag pan;
    EXPECT_FALSE(pan.Begin(400, 300, ZOOM_FIT, offsets)) << "a fitted view does not pan";
    ASSERT_TRUE(pan.Begin(400, 300, 2, offsets)); // x2
    ASSERT_TRUE(pan.Move(380, 290, rcView, 2, 640, 480, offsets));
    EXPECT_DOUBLE_EQ(offsets.x, -110.0);
    EXPECT_DOUBLE_EQ(offsets.y, -55.0);
    pan.Move(0, 0, rcView, 2, 640, 480, offsets);
    EXPECT_DOUBLE_EQ(offsets.x, -140.0) << "clamped at the picture's right edge";
    EXPECT_DOUBLE_EQ(offsets.y, -130.0);
    pan.Move(999, 699, rcView, 2, 640, 480, offsets);
    EXPECT_DOUBLE_EQ(offsets.x, 0.0);
    EXPECT_DOUBLE_EQ(offsets.y, 0.0);

    EXPECT_FALSE(pan.Move(1000, 300, rcView, 2, 640, 480, offsets)) << "leaving the view ends the drag";
    EXPECT_FALSE(pan.IsActive());
    EXPECT_DOUBLE_EQ(offsets.x, 0.0);
}

TEST(ViewLayout, SideControlsFollowTheRightAndBottomEdges)
{
    const RECT rcClient{0, 0, 1200, 800};
    EXPECT_EQ(MovePanelControl(RECT{700, 22, 750, 75}, rcClient, 143), (RECT{1007, 22, 1057, 75}));
    EXPECT_EQ(LayoutResultsList(RECT{684, 490, 888, 678}, rcClient), (RECT{984, 490, 1188, 788}));
    EXPECT_EQ(LayoutStripPart(RECT{7, 528, 679, 678}, rcClient, true), (RECT{7, 638, 7 + 972, 788}));
    EXPECT_EQ(LayoutStripPart(RECT{7, 528, 679, 678}, rcClient, false).Width(), 1176);
}

TEST(ViewLayout, ThumbScrollBarOnlyWhenThumbnailsOverflow)
{
    // A strip 672 wide holds (672 - 8) / 146 = 4 cells, page 5.
    EXPECT_EQ(VisibleThumbs(672), 4);
    EXPECT_FALSE(ComputeThumbScrollRange(672, 0, true).bShow);
    EXPECT_FALSE(ComputeThumbScrollRange(672, 4, true).bShow);
    const CThumbScrollRange range = ComputeThumbScrollRange(672, 5, true);
    EXPECT_TRUE(range.bShow);
    EXPECT_EQ(range.nMax, 5);
    EXPECT_EQ(range.nPage, 5);
    const CThumbScrollRange hidden = ComputeThumbScrollRange(672, 9, false);
    EXPECT_FALSE(hidden.bShow) << "no bar while the strip is hidden";
    EXPECT_EQ(hidden.nMax, 9);
}

TEST(ViewLayout, ZoomFactors)
{
    EXPECT_EQ(ZoomFactor(0), 1);
    EXPECT_EQ(ZoomFactor(1), 1);
    EXPECT_EQ(ZoomFactor(5), 16);
    EXPECT_EQ(ZoomFactor(-1), 1);
    EXPECT_EQ(ZoomFactor(99), 1);
}

TEST(ViewLayout, ImageToWindowUndoesWindowToImageAtEveryZoom)
{
    const RECT rcView{12, 8, 652, 488};
    const CScrollOffsets offsets{-37.5, -20.0};
    for (int nZoom : {ZOOM_FIT, 1, 3, 5}) {
        double x = 0, y = 0, px = 0, py = 0;
        WindowToImage(100, 77, rcView, nZoom, offsets, 1280, 960, x, y);
        ImageToWindow(x, y, rcView, nZoom, offsets, 1280, 960, px, py);
        EXPECT_DOUBLE_EQ(px, 100.0) << nZoom;
        EXPECT_DOUBLE_EQ(py, 77.0) << nZoom;
    }
}

TEST(ThumbStrip, ItemsShowFromTheScrollPositionAndAPointHitsOne)
{
    const RECT rcFrame{7, 500, 607, 650}; // 600 wide: (600 - 8) / 146 + 1 = 5 shown
    const CStripSpan span = StripSpan(rcFrame, 2, 10);
    EXPECT_EQ(span.nFirst, 2);
    EXPECT_EQ(span.nLast, 7);
    EXPECT_EQ(StripSpan(rcFrame, 8, 10).nLast, 10) << "limited by the count";
    // The fourth thumbnail of a strip scrolled to 2 is item 5.
    const RECT rcFourth = StripCell(rcFrame, 2, 5);
    EXPECT_EQ(rcFourth.left, 7 + 8 + 3 * 146);
    EXPECT_EQ(rcFourth.top, 514);
    EXPECT_EQ(StripHitTest(rcFrame, 2, 10, POINT{rcFourth.left + 70, rcFourth.top + 50}), 5);
    EXPECT_EQ(StripHitTest(rcFrame, 2, 10, POINT{rcFourth.right + 2, rcFourth.top + 50}), -1) << "the gap";
    EXPECT_EQ(StripHitTest(rcFrame, 2, 4, POINT{rcFourth.left + 70, rcFourth.top + 50}), -1) << "no such item";

    CStripDrag drag;
    drag.Begin(400);
    EXPECT_EQ(drag.Move(300), 0) << "within one pitch";
    EXPECT_EQ(drag.Move(250), 1) << "150 pixels to the left: one forwards";
    EXPECT_EQ(drag.Move(397), -1);
    drag.End();
    EXPECT_EQ(drag.Move(0), 0);
}

TEST(ThumbStrip, TheDialogsGridAndItsScrollRange)
{
    const CThumbGrid grid = ThumbGridOf(800, 600);
    EXPECT_EQ(grid.nColumns, 5);
    EXPECT_EQ(grid.nRows, 5);
    const CGridScrollRange range = GridScrollRange(grid, 30);
    EXPECT_TRUE(range.bEnabled);
    EXPECT_EQ(range.nMax, 2);
    EXPECT_FALSE(GridScrollRange(grid, 25).bEnabled);
    const RECT rcCell = GridCell(grid, 1, 7); // second row of the whole, first shown
    EXPECT_EQ(rcCell.left, 2 * 150 + 6);
    EXPECT_EQ(rcCell.top, 10);
    EXPECT_EQ(GridHitTest(grid, 1, 30, POINT{rcCell.left + 1, rcCell.top + 1}), 7);
    EXPECT_EQ(GridHitTest(grid, 1, 6, POINT{rcCell.left + 1, rcCell.top + 1}), -1);
}
