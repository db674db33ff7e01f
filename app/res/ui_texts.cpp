#include "app/res/ui_texts.h"

int g_bJapanese = 0;

namespace {

const CUiText s_StringTable[] = {
    // Tooltips of the main window, shown in the Japanese user interface only.
    {200, nullptr, "カメラ映像の表示／非表示を切り替えます"},
    {201, nullptr, "現在の映像を画像として保存します"},
    {202, nullptr, "画像の保存先フォルダを指定します"},
    {203, nullptr, "カメラと画像の設定をします"},
    {204, nullptr, "画像保存の際計測ラインを表示した状態で保存します"},
    {205, nullptr, "保存した画像をサムネイルで一覧表示します"},
    {206, nullptr, "ホワイトバランスを自動調節します"},
    {207, nullptr, "表示倍率を変更します"},
    {208, nullptr, "２点間の距離を測ります"},
    {209, nullptr, "指定した多角形の面積を測ります"},
    {210, nullptr, "円の直径を計ります"},
    {211, nullptr, "円の直径と２円間の距離を測ります"},
    {212, nullptr, "垂線の距離を測ります"},
    {213, nullptr, "角度を測ります"},
    {214, nullptr, "選択した計測結果をリストから削除します"},
    {215, nullptr, "計測結果をすべてリストから削除します"},
    {216, nullptr, "計測線などの色を設定します"},
    {217, nullptr, "計測結果をCSVファイルに保存します"},
    {218, nullptr, "校正値の設定をします"},
    {219, nullptr, "使用する校正値を選択します"},
    {220, nullptr, "計測結果の一覧です"},
    {224, nullptr, "スケールの設定をします"},
    // Texts of the results list, the measurement labels and the start-up.
    {1000, "Length", "二点間距離"},
    {1001, "Polygon area", "多角形面積"},
    {1002, "Circle diameter", "円直径"},
    {1003, "Circle distance", "二円間距離"},
    {1004, "Angle", "角度"},
    {1005, "degree", "°"},
    {1006, "Data", "校正値"},
    {1007, "Type", "計測内容"},
    {1008, "Result", "測定値"},
    {1009, "Unit", "単位"},
    {1010, "MS Sans Serif", "ＭＳ　Ｐゴシック"},
    {1011, "It has already startup", "既に同系列のソフトが起動しているため起動できません"},
    // The save dialogs' title; the CSV export's filters and its failure.
    {IDS_SAVE_AS_TITLE, "Save as", "保存先指定"},
    {IDS_CSV_FILTER, "CSV File(*.csv)", "CSVファイル(*.csv)"},
    {IDS_ALL_FILES_FILTER, "All File(*.*)", "全てのファイル(*.*)"},
    {IDS_CSV_NOT_WRITTEN, "The results were not saved.", "計測結果を保存できませんでした。"},
    // The picture folder's chooser, and its refusal of a folder that cannot be written.
    {IDS_BROWSE_FOLDER_TITLE, "Please specify a save folder", "フォルダを選択して下さい"},
    {IDS_FOLDER_NOT_WRITABLE, "Pictures cannot be saved in this folder. Please choose another one.",
     "このフォルダには画像を保存できません。別のフォルダを選択して下さい。"},
    // Saving the picture shown: the save dialog's filters and the failure.
    {IDS_BMP_FILTER, "Bitmap File(*.bmp)", "ビットマップファイル(*.bmp)"},
    {IDS_JPEG_FILTER, "Jpeg File(*.jpg)", "JPEGファイル(*.jpg)"},
    {IDS_PICTURE_NOT_SAVED, "The picture was not saved.", "画像を保存できませんでした。"},
    // The thumbnail dialog's title and the thumbnails' popup menu.
    {IDS_THUMBNAIL_TITLE, "Thumbnail", "サムネイル"},
    {ID_THUMB_REMOVE, "Remove", "削除"},
    {ID_THUMB_OPEN, "Open", "開く"},
    {ID_THUMB_TRASH, "Trash box", "ゴミ箱"},
    // The integer and number fields' messages when a text is no integer or number.
    {IDP_PARSE_INT, "Please enter an integer.", "整数を入力してください。"},
    {IDP_PARSE_REAL, "Please enter a number.", "数字を入力してください。"},
};

// The calibration dialog (template 139): its title (0), OK (1), CANCEL (2), and the
// labels of its fields, keyed by the field they label.
const CUiText s_CalibDialogTexts[] = {
    {0, "Calibration value", "校正値"},
    {1, "OK", "OK"},
    {2, "CANCEL", "ｷｬﾝｾﾙ"},
    {1119, "CAL name", "校正値名"},
    {1121, "X", "X"},
    {1122, "Y", "Y"},
    {1123, "Unit", "単位"},
};

// The colour dialog (template 136): its title (0), OK (1) and its swatches' labels.
const CUiText s_ColorDialogTexts[] = {
    {0, "Color setting", "色設定"},
    {1, "OK", "OK"},
    {1023, "Line color", "測定ライン用"},
    {1024, "Text color", "測定結果テキスト用"},
};

// The scale dialog (template 158): its title (0), OK (1), CANCEL (2), the labels keyed
// by the control they label, the check box's caption and the entries of its two lists.
// "Potision" is the program's own caption.
const CUiText s_ScaleDialogTexts[] = {
    {0, "Scale setting", "スケール表示設定"},
    {1, "OK", "OK"},
    {2, "CANCEL", "ｷｬﾝｾﾙ"},
    {1121, "X", "X"},
    {1122, "Y", "Y"},
    {1124, "Type", "表示タイプ"},
    {1125, "Potision", "表示位置"},
    {1205, "Show scale", "スケール表示"},
    {ScaleListEntryId(1124, 0), "X bar", "Xバー"},
    {ScaleListEntryId(1124, 1), "X-Y bar", "X-Yバー"},
    {ScaleListEntryId(1125, 0), "upper left", "左上"},
    {ScaleListEntryId(1125, 1), "lower left", "左下"},
    {ScaleListEntryId(1125, 2), "upper right", "右上"},
    {ScaleListEntryId(1125, 3), "lower right", "右下"},
    {ScaleListEntryId(1125, 4), "center", "中央"},
};

// The image setting dialog (template 153): its title (0), OK (1), CANCEL (2), and the
// labels keyed by the control they label; the three captions without a control of their
// own have keys of their own (IMAGE_SET_TEXT_...).
const CUiText s_ImageSetDialogTexts[] = {
    {0, "Image Setting", "イメージ設定"},
    {1, "OK", "OK"},
    {2, "CANCEL", "キャンセル"},
    {1142, "Interlace", "インタレース"},
    {1210, "Binarization", "二値化"},
    {1145, "Red", "Ｒ"},
    {1146, "Green", "Ｇ"},
    {1148, "Blue", "Ｂ"},
    {1143, "Bayer", "ベイヤー"},
    {1213, "Auto Iris", "自動露出"},
    {1214, "Gain", "ゲイン"},
    {1215, "Exposure", "シャッター"},
    {1205, "Contrast", "コントラスト"},
    {1208, "Sharpness", "シャープネス"},
    {1181, "Hue", "色相"},
    {1183, "Brightness", "明度"},
    {1185, "Saturation", "彩度"},
    {1170, "Global Gain", "グローバルゲイン"},
    {IMAGE_SET_TEXT_GAIN_A, "A", "Ａ"},
    {IMAGE_SET_TEXT_MIRROR, "Mirror", "ミラー転送"},
    {1169, "Horizon", "横方向"},
    {1168, "Vertical", "縦方向"},
    {1166, "Gamma", "ガンマ補正"},
    {IMAGE_SET_TEXT_COLOR_GAIN, "Color Gain", "カラーゲイン"},
    {1173, "Green1", "緑１"},
    {1174, "Red", "赤"},
    {1175, "Blue", "青"},
    {1176, "Green2", "緑２"},
    {1180, "Exposure Time", "シャッタースピード"},
};

// The camera setting dialog (template 152): its title (0), OK (1), CANCEL (2), Save and
// Load, the labels keyed by the control they label, the clock list's entries, the file
// boxes' titles and filter, and its messages.
const CUiText s_CameraSetDialogTexts[] = {
    {0, "Camera Setting", "カメラ設定"},
    {1, "OK", "反映"},
    {2, "CANCEL", "ｷｬﾝｾﾙ"},
    {1087, "Save", "保存"},
    {1088, "Load", "読み込み"},
    {1145, "H Total", "総水平画素"},
    {1146, "V Total", "総垂直画素"},
    {1147, "H Effective", "有効水平画素"},
    {1148, "V Effective", "有効垂直画素"},
    {1149, "H Start", "有効水平起点"},
    {1150, "V Start", "有効垂直起点"},
    {1143, "Timer", "タイマー"},
    {1144, "Buffer Size", "バッファサイズ"},
    {1216, "Clock", "動作クロック"},
    {CameraClockEntryId(0), "normal", "標準"},
    {CameraClockEntryId(1), "half", "ハーフ"},
    {IDS_CAMERA_SET_SAVE_TITLE, "Save Setting", "設定保存"},
    {IDS_CAMERA_SET_LOAD_TITLE, "Load Setting", "設定読み込み"},
    {IDS_CAMERA_SET_FILTER, "Ini File(*.ini)", "設定ファイル(*.ini)"},
    {IDS_CAMERA_SET_NOT_SAVED, "The camera setting was not saved.", "カメラ設定を保存できませんでした。"},
    {IDS_CAMERA_SET_NOT_READ, "The setting file could not be read.", "設定ファイルを読み込めませんでした。"},
    {IDS_CAMERA_WINDOW_NEGATIVE_X, "The camera cannot use this window: H Start must be %d or more.",
     "この範囲ではカメラが動作しません。有効水平起点は%d以上にしてください。"},
    {IDS_CAMERA_WINDOW_TOO_NARROW, "The camera cannot use this window: H Effective must be %d or more.",
     "この範囲ではカメラが動作しません。有効水平画素は%d以上にしてください。"},
    {IDS_CAMERA_WINDOW_BEYOND_RIGHT,
     "The camera cannot use this window: H Start + H Effective must be %d or less.",
     "この範囲ではカメラが動作しません。有効水平起点と有効水平画素の和は%d以下にしてください。"},
    {IDS_CAMERA_WINDOW_NEGATIVE_Y, "The camera cannot use this window: V Start must be %d or more.",
     "この範囲ではカメラが動作しません。有効垂直起点は%d以上にしてください。"},
    {IDS_CAMERA_WINDOW_TOO_LOW, "The camera cannot use this window: V Effective must be %d or more.",
     "この範囲ではカメラが動作しません。有効垂直画素は%d以上にしてください。"},
    {IDS_CAMERA_WINDOW_BEYOND_BOTTOM,
     "The camera cannot use this window: V Start + V Effective must be %d or less.",
     "この範囲ではカメラが動作しません。有効垂直起点と有効垂直画素の和は%d以下にしてください。"},
};

const CUiText s_MainWindowControls[] = {
    {1072, "", ""},
    {1100, "Load image", "画像取り込み"},
    {1130, "LIVE", "ライブ映像"},
    {1087, "SAVE", "画像保存"},
    {1088, "DIR", "保存先指定"},
    {1132, "SET", "カメラ設定"},
    {1131, "TYPE", "保存形式"},
    {1133, "THUMB", "サムネイル"},
    {1122, "WB", "WB"},
    {1099, "", ""},
    {1111, "Instrumental", "計測"},
    {1018, "LINE", "二点間距離"},
    {1113, "ARIA", "多角形面積"},
    {1114, "CIRCLE", "円直径"},
    {1115, "CIRCLE2", "２円間距離"},
    {1120, "SUI", "垂線"},
    {1121, "ANGLE", "角度"},
    {1119, "DELETE", "リスト削除"},
    {1116, "CLEAR", "リスト全削除"},
    {1117, "COLOR", "色設定"},
    {1124, "CALIB", "設定"},
    {1125, "", ""},
    {1126, "Calibration value", "校正値"},
    {1127, "CSV", "保存"},
    {1118, "", ""},
    {1128, "Scale", "スケール"},
    {1129, "", ""},
    {1074, "", ""},
    {1134, "", ""},
    {1123, "", ""},
};

const CUiText s_ZoomChoices[] = {
    {0, "full-screen", "全画面表示"},
    {1, "x1", "１倍"},
    {2, "x2", "２倍"},
    {3, "x4", "４倍"},
    {4, "x8", "８倍"},
    {5, "x16", "16倍"},
};

const CUiText* FindText(std::span<const CUiText> table, int nId)
{
    for (const CUiText& text : table) {
        if (text.nId == nId)
            return &text;
    }
    return nullptr;
}

const char* TextIn(const CUiText* pText, bool bJapanese)
{
    if (pText == nullptr)
        return "";
    const char* sz = bJapanese ? pText->szJapanese : pText->szEnglish;
    return sz != nullptr ? sz : "";
}

} // namespace

std::span<const CUiText> StringTable() { return s_StringTable; }
std::span<const CUiText> MainWindowControls() { return s_MainWindowControls; }
std::span<const CUiText> ZoomChoices() { return s_ZoomChoices; }
std::span<const CUiText> CalibDialogTexts() { return s_CalibDialogTexts; }
std::span<const CUiText> ColorDialogTexts() { return s_ColorDialogTexts; }
std::span<const CUiText> ScaleDialogTexts() { return s_ScaleDialogTexts; }
std::span<const CUiText> CameraSetDialogTexts() { return s_CameraSetDialogTexts; }
std::span<const CUiText> ImageSetDialogTexts() { return s_ImageSetDialogTexts; }

const char* LoadUiString(int nId, bool bJapanese) { return TextIn(FindText(s_StringTable, nId), bJapanese); }
const char* LoadUiString(int nId) { return LoadUiString(nId, g_bJapanese != 0); }
const char* MainWindowCaption(int nControlId) { return TextIn(FindText(s_MainWindowControls, nControlId), g_bJapanese != 0); }
const char* CurrentText(const CUiText& text) { return TextIn(&text, g_bJapanese != 0); }
const char* CalibDialogText(int nId) { return TextIn(FindText(s_CalibDialogTexts, nId), g_bJapanese != 0); }
const char* ColorDialogText(int nId) { return TextIn(FindText(s_ColorDialogTexts, nId), g_bJapanese != 0); }
const char* ScaleDialogText(int nId) { return TextIn(FindText(s_ScaleDialogTexts, nId), g_bJapanese != 0); }
const char* CameraSetDialogText(int nId)
{
    return TextIn(FindText(s_CameraSetDialogTexts, nId), g_bJapanese != 0);
}
const char* ImageSetDialogText(int nId) { return TextIn(FindText(s_ImageSetDialogTexts, nId), g_bJapanese != 0); }
