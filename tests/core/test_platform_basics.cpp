#include "platform/manual_reset_event.h"
#include "platform/system_language.h"

#include <gtest/gtest.h>

#include <thread>

TEST(SystemLanguage, FirstSetVariableDecides)
{
    EXPECT_TRUE(IsJapaneseLocale(nullptr, nullptr, "ja_JP.UTF-8"));
    EXPECT_TRUE(IsJapaneseLocale("", "", "ja"));
    EXPECT_TRUE(IsJapaneseLocale("ja_JP.eucJP", "en_US.UTF-8", "en_US.UTF-8"));
    EXPECT_FALSE(IsJapaneseLocale("C", nullptr, "ja_JP.UTF-8")) << "LC_ALL overrides LANG";
    EXPECT_TRUE(IsJapaneseLocale(nullptr, "ja_JP.UTF-8", "de_DE.UTF-8")) << "LC_MESSAGES before LANG";
    EXPECT_FALSE(IsJapaneseLocale(nullptr, nullptr, nullptr));
    EXPECT_FALSE(IsJapaneseLocale(nullptr, nullptr, "jam_JM")) << "only the language code counts";
    EXPECT_FALSE(IsJapaneseLocale(nullptr, nullptr, "en_JP"));
}

TEST(ManualResetEvent, StaysSetForEveryWaiterUntilReset)
{
    CManualResetEvent event;
    EXPECT_FALSE(event.Wait(1));
    std::thread setter([&event] { event.Set(); });
    EXPECT_TRUE(event.Wait());
    setter.join();
    EXPECT_TRUE(event.Wait(0));
    EXPECT_TRUE(event.IsSet());
    event.Reset();
    EXPECT_FALSE(event.Wait(0));
}
