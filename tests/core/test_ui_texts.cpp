#include "app/res/resources.h"
#include "app/res/ui_texts.h"
#include "app/shell/core/main_window_template.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <string>

namespace {

struct CLanguageGuard {
    explicit CLanguageGuard(int bJapanese) { g_bJapanese = bJapanese; }
    ~CLanguageGuard() { g_bJapanese = 0; }
};

bool IsTooltip(int nId) { return nId >= 200 && nId <= 224; }

// Each of the ids once in the table, with a text in both languages.
void ExpectEveryTextOnceInBothLanguages(std::span<const CUiText> table, const std::set<int>& expected)
{
    std::set<int> ids;
    for (const CUiText& text : table) {
        EXPECT_TRUE(ids.insert(text.nId).second) << "duplicate text " << text.nId;
        ASSERT_NE(text.szEnglish, nullptr) << text.nId;
        ASSERT_NE(text.szJapanese, nullptr) << text.nId;
        EXPECT_STRNE(text.szEnglish, "") << text.nId;
        EXPECT_STRNE(text.szJapanese, "") << text.nId;
    }
    EXPECT_EQ(ids, expected);
}

} // namespace

TEST(UiTexts, EveryStringHasBothLanguagesExceptJapaneseOnlyTooltips)
{
    std::set<int> ids;
    for (const CUiText& text : StringTable()) {
        EXPECT_TRUE(ids.insert(text.nId).second) << "duplicate string " << text.nId;
        ASSERT_NE(text.szJapanese, nullptr) << text.nId;
        EXPECT_STRNE(text.szJapanese, "") << text.nId;
        if (IsTooltip(text.nId)) {
            EXPECT_EQ(text.szEnglish, nullptr) << "tooltips exist in the Japanese table only: " << text.nId;
        } else {
            ASSERT_NE(text.szEnglish, nullptr) << text.nId;
            EXPECT_STRNE(text.szEnglish, "") << text.nId;
        }
    }
    for (int nId = 1000; nId <= 1011; ++nId)
        EXPECT_TRUE(ids.count(nId)) << "missing string " << nId;
    for (int nId : {IDS_SAVE_AS_TITLE, IDS_CSV_FILTER, IDS_ALL_FILES_FILTER, IDS_CSV_NOT_WRITTEN, IDP_PARSE_INT,
                    IDP_PARSE_REAL, IDS_BROWSE_FOLDER_TITLE, IDS_FOLDER_NOT_WRITABLE, IDS_THUMBNAIL_TITLE,
                    ID_THUMB_REMOVE, ID_THUMB_OPEN, ID_THUMB_TRASH, IDS_BMP_FILTER, IDS_JPEG_FILTER,
                    IDS_PICTURE_NOT_SAVED})
        EXPECT_TRUE(ids.count(nId)) << "missing string " << nId;
    EXPECT_TRUE(ids.count(IDP_PARSE_INT));
    for (const CUiText& text : ColorDialogTexts()) {
        ASSERT_NE(text.szEnglish, nullptr);
        ASSERT_NE(text.szJapanese, nullptr);
    }
    for (const CUiText& text : CalibDialogTexts()) {
        ASSERT_NE(text.szEnglish, nullptr);
        ASSERT_NE(text.szJapanese, nullptr);
        EXPECT_STRNE(text.szJapanese, "") << text.nId;
    }
}

TEST(UiTexts, ScaleDialogHasEveryTextInBothLanguages)
{
    std::set<int> expected = {0, 1, 2, 1121, 1122, 1124, 1125, 1205};
    for (int i = 0; i < 2; ++i)
        expected.insert(ScaleListEntryId(1124, i));
    for (int i = 0; i < 5; ++i)
        expected.insert(ScaleListEntryId(1125, i));
    ExpectEveryTextOnceInBothLanguages(ScaleDialogTexts(), expected);
    CLanguageGuard japanese(1);
    EXPECT_STREQ(ScaleDialogText(ScaleListEntryId(1125, 4)), "中央");
    EXPECT_STREQ(LoadUiString(IDP_PARSE_INT), "整数を入力してください。");
}

TEST(UiTexts, CameraSetDialogHasEveryTextInBothLanguages)
{
    std::set<int> expected = {0, 1, 2, 1087, 1088, 1143, 1144, 1145, 1146, 1147, 1148, 1149, 1150, 1216,
                              CameraClockEntryId(0), CameraClockEntryId(1), IDS_CAMERA_SET_SAVE_TITLE,
                              IDS_CAMERA_SET_LOAD_TITLE, IDS_CAMERA_SET_FILTER, IDS_CAMERA_SET_NOT_SAVED,
                              IDS_CAMERA_SET_NOT_READ};
    for (int nId = IDS_CAMERA_WINDOW_NEGATIVE_X; nId <= IDS_CAMERA_WINDOW_BEYOND_BOTTOM; ++nId)
        expected.insert(nId);
    ExpectEveryTextOnceInBothLanguages(CameraSetDialogTexts(), expected);
    for (const CUiText& text : CameraSetDialogTexts()) {
        // The window messages are formats with the limit as their one number.
        const bool bFormat =
            text.nId >= IDS_CAMERA_WINDOW_NEGATIVE_X && text.nId <= IDS_CAMERA_WINDOW_BEYOND_BOTTOM;
        for (const std::string s : {text.szEnglish, text.szJapanese}) {
            EXPECT_EQ(std::count(s.begin(), s.end(), '%'), bFormat ? 1 : 0) << text.nId << ": " << s;
            EXPECT_EQ(s.find("%d") != std::string::npos, bFormat) << text.nId << ": " << s;
        }
    }
    CLanguageGuard japanese(1);
    EXPECT_STREQ(CameraSetDialogText(1), "反映");
    EXPECT_STREQ(CameraSetDialogText(CameraClockEntryId(1)), "ハーフ");
}

TEST(UiTexts, ImageSetDialogHasEveryTextInBothLanguages)
{
    ExpectEveryTextOnceInBothLanguages(
        ImageSetDialogTexts(),
        {0, 1, 2, 1142, 1143, 1145, 1146, 1148, 1166, 1168, 1169, 1170, 1173, 1174, 1175, 1176, 1180, 1181, 1183,
         1185, 1205, 1208, 1210, 1213, 1214, 1215, IMAGE_SET_TEXT_GAIN_A, IMAGE_SET_TEXT_MIRROR,
         IMAGE_SET_TEXT_COLOR_GAIN});
    CLanguageGuard japanese(1);
    EXPECT_STREQ(ImageSetDialogText(1180), "シャッタースピード");
}

TEST(UiTexts, EveryTemplateControlHasCaptionsInBothLanguagesAndViceVersa)
{
    std::set<int> templateIds;
    for (const CControlTemplate& control : MainWindowTemplate())
        templateIds.insert(control.nId);
    std::set<int> textIds;
    for (const CUiText& text : MainWindowControls()) {
        textIds.insert(text.nId);
        ASSERT_NE(text.szEnglish, nullptr);
        ASSERT_NE(text.szJapanese, nullptr);
        EXPECT_EQ(std::string(text.szEnglish).empty(), std::string(text.szJapanese).empty()) << text.nId;
    }
    EXPECT_EQ(templateIds, textIds);
    EXPECT_EQ(templateIds.size(), 30u);
}

TEST(UiTexts, LookupFollowsTheLanguageSwitch)
{
    {
        CLanguageGuard english(0);
        EXPECT_STREQ(LoadUiString(IDS_ALREADY_RUNNING), "It has already startup");
        EXPECT_STREQ(MainWindowCaption(IDC_LIVE), "LIVE");
        EXPECT_STREQ(LoadUiString(200), "") << "no English tooltips";
        EXPECT_STREQ(LoadUiString(9999), "");
    }
    {
        CLanguageGuard japanese(1);
        EXPECT_STREQ(LoadUiString(IDS_ALREADY_RUNNING), "既に同系列のソフトが起動しているため起動できません");
        EXPECT_STREQ(MainWindowCaption(IDC_LIVE), "ライブ映像");
        EXPECT_STREQ(MainWindowCaption(IDC_TOOL_GROUP), "計測");
        EXPECT_STREQ(LoadUiString(IDS_DEGREE), "°");
    }
}

TEST(UiTexts, ZoomChoicesInOrder)
{
    const auto choices = ZoomChoices();
    ASSERT_EQ(choices.size(), 6u);
    const char* english[] = {"full-screen", "x1", "x2", "x4", "x8", "x16"};
    const char* japanese[] = {"全画面表示", "１倍", "２倍", "４倍", "８倍", "16倍"};
    for (std::size_t i = 0; i < choices.size(); ++i) {
        EXPECT_STREQ(choices[i].szEnglish, english[i]);
        EXPECT_STREQ(choices[i].szJapanese, japanese[i]);
    }
}

TEST(Resources, PanelPictureFollowsTheLanguageOthersAreShared)
{
    CResourceBlock english, japanese, tile, missing;
    {
        CLanguageGuard guard(0);
        ASSERT_TRUE(FindResourceBlock(IDB_PANEL, RT_PNG, english));
        ASSERT_TRUE(FindResourceBlock(IDB_BACKGROUND, RT_PNG, tile));
    }
    {
        CLanguageGuard guard(1);
        ASSERT_TRUE(FindResourceBlock(IDB_PANEL, RT_PNG, japanese));
        CResourceBlock tileJa;
        ASSERT_TRUE(FindResourceBlock(IDB_BACKGROUND, RT_PNG, tileJa));
        EXPECT_EQ(tileJa.pData, tile.pData);
    }
    EXPECT_NE(english.pData, japanese.pData);
    EXPECT_GT(english.nSize, 8u);
    EXPECT_FALSE(FindResourceBlock(IDB_PANEL, "Bitmap", missing));
    EXPECT_FALSE(FindResourceBlock(4242, RT_PNG, missing));
    EXPECT_TRUE(FindResourceBlock(IDR_MAINFRAME, RT_ICON_PNG, missing));
    EXPECT_TRUE(FindResourceBlock(IDC_HAND_CURSOR, RT_CURSOR_PNG, missing));
}
