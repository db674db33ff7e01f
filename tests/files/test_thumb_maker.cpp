// CThumbMaker: a batch comes out in the order of its paths whoever made it, Stop ends a
// long batch at once, Finish completes one into the list, and a new batch drops the old.
#include "app/files/thumb_maker.h"

#include "tests/files/thumb_test_util.h"

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

namespace {

using Clock = std::chrono::steady_clock;

// Polls as the user interface's timer does until the batch is over (or 60 s passed).
std::vector<CThumbItem> PollUntilDone(CThumbMaker& maker)
{
    std::vector<CThumbItem> items;
    const Clock::time_point start = Clock::now();
    while (maker.IsBusy() && Clock::now() - start < std::chrono::seconds(60)) {
        for (CThumbItem& item : maker.TakeFinished())
            items.push_back(std::move(item));
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    for (CThumbItem& item : maker.TakeFinished())
        items.push_back(std::move(item));
    return items;
}

// n copies of one 640 x 480 JPEG picture in the folder.
std::vector<std::string> ManyPictures(const CTempFolder& folder, int n)
{
    const std::string szFirst = WriteTestPicture(folder, "p0.jpg", 640, 480);
    std::vector<std::string> paths{szFirst};
    for (int i = 1; i < n; ++i) {
        paths.push_back(folder.File("p" + std::to_string(i) + ".jpg"));
        std::filesystem::copy_file(szFirst, paths.back());
    }
    return paths;
}

} // namespace

TEST(ThumbMaker, ABatchComesOutInOrderWithUndecodablePicturesSkipped)
{
    CTempFolder folder;
    std::vector<std::string> paths;
    for (int i = 0; i < 12; ++i)
        paths.push_back(WriteTestPicture(folder, "p" + std::to_string(i) + (i % 2 != 0 ? ".jpg" : ".bmp"), 60 + i, 40,
                                         static_cast<std::uint32_t>(i)));
    WriteBytes(paths[5], Bytes(64, 0)); // not a picture any more
    std::vector<std::string> expected = paths;
    expected.erase(expected.begin() + 5);

    CThumbMaker maker;
    maker.Start(paths);
    const std::vector<CThumbItem> items = PollUntilDone(maker);
    EXPECT_FALSE(maker.IsBusy());
    ASSERT_EQ(expected.size(), items.size());
    for (std::size_t i = 0; i < items.size(); ++i) {
        EXPECT_EQ(expected[i], items[i].m_szPath);
        EXPECT_TRUE(SamePixels(ThumbOfFile(expected[i]), items[i].m_Image)) << expected[i];
    }
    EXPECT_TRUE(maker.TakeFinished().empty());
}

TEST(ThumbMaker, StopInTheMiddleReturnsAtOnceAndDropsTheRest)
{
    CTempFolder folder;
    const std::vector<std::string> paths = ManyPictures(folder, 400);
    // What one picture takes here (sanitizers slow it down a lot).
    const Clock::time_point one = Clock::now();
    ThumbOfFile(paths[0]);
    const auto oneTime = Clock::now() - one;

    CThumbMaker maker;
    maker.Start(paths);
    while (maker.TakeFinished().empty())
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    const Clock::time_point start = Clock::now();
    maker.Stop();
    const auto stopTime = Clock::now() - start;
    // Far below the whole batch (400 pictures): only the picture in hand is finished.
    EXPECT_LT(stopTime, 20 * oneTime + std::chrono::milliseconds(500));
    EXPECT_FALSE(maker.IsBusy());
    EXPECT_TRUE(maker.TakeFinished().empty());

    // A stopped maker takes a new batch, and ends a running one when it goes.
    maker.Start({paths[0], paths[1]});
    EXPECT_EQ(2u, PollUntilDone(maker).size());
    CThumbMaker leaving;
    leaving.Start(paths);
}

TEST(ThumbMaker, FinishCompletesTheBatchIntoTheListInOrder)
{
    CTempFolder folder;
    const std::vector<std::string> paths = ManyPictures(folder, 24);
    CThumbList list;
    list.AddThumbnailFromFile(paths[3]); // made before, e.g. by a save: not doubled

    CThumbMaker maker;
    maker.Start(paths);
    // The user interface appends what it takes, skipping what the list holds.
    std::vector<CThumbItem> taken;
    while (taken.empty())
        taken = maker.TakeFinished();
    for (CThumbItem& item : taken)
        if (!list.Contains(item.m_szPath))
            list.Append(std::move(item));
    maker.Finish(list);
    EXPECT_FALSE(maker.IsBusy());

    // paths[3] first (made before), then all others in batch order.
    std::vector<std::string> expected{paths[3]};
    for (std::size_t i = 0; i < paths.size(); ++i)
        if (i != 3)
            expected.push_back(paths[i]);
    std::vector<std::string> got;
    for (int i = 0; i < list.Count(); ++i)
        got.push_back(list.Item(i).m_szPath);
    EXPECT_EQ(expected, got);

    // A new batch drops the old one's items; Finish without a batch adds nothing.
    maker.Start({paths[0], paths[1], paths[2]});
    maker.Start({paths[4]});
    CThumbList fresh;
    maker.Finish(fresh);
    ASSERT_EQ(1, fresh.Count());
    EXPECT_EQ(paths[4], fresh.Item(0).m_szPath);
    maker.Finish(fresh);
    EXPECT_EQ(1, fresh.Count());
}
