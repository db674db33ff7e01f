#include "app/shell/core/settings_file.h"

#include "app/res/ui_texts.h"
#include "platform/c_numbers.h"
#include "platform/log.h"
#include "platform/profile.h"
#include "platform/program_folder.h"

#include <cstdio>
#include <cstdlib>

namespace {

constexpr const char* kMainSection = "Vexilo";
constexpr const char* kCalibSection = "CALIBRATION";

// Calls visit(key, member) for every key of the main section, in the order the
// file is written.
template <class Settings, class Visitor>
void VisitMainKeys(Settings& s, Visitor&& visit)
{
    visit("type", s.type);
    visit("resize", s.resize);
    visit("color.text", s.m_clrText);
    visit("color.line", s.m_clrLine);
    visit("TH", s.TH);
    visit("TV", s.TV);
    visit("EH", s.EH);
    visit("EV", s.EV);
    visit("EHS", s.EHS);
    visit("EVS", s.EVS);
    visit("timer", s.timer);
    visit("BufSize", s.BufSize);
    visit("Clock", s.Clock);
    visit("Gamma", s.Gamma);
    visit("GlovalGain", s.GlovalGain);
    visit("ColorGainG1", s.ColorGainG1);
    visit("ColorGainR", s.ColorGainR);
    visit("ColorGainB", s.ColorGainB);
    visit("ColorGainG2", s.ColorGainG2);
    visit("Shutter", s.Shutter);
    visit("m_WB_R", s.m_WB_R);
    visit("m_WB_G", s.m_WB_G);
    visit("m_WB_B", s.m_WB_B);
    visit("m_WB_Flg", s.m_WB_Flg);
    visit("m_Bai", s.m_Bai);
    visit("m_Bai_X", s.m_Bai_X);
    visit("m_Bai_Y", s.m_Bai_Y);
    visit("savedir", s.m_szSaveDir);
    visit("m_BayerR", s.m_BayerR);
    visit("m_BayerG", s.m_BayerG);
    visit("m_BayerB", s.m_BayerB);
    visit("m_BayerFlg", s.m_BayerFlg);
    visit("m_InterlaceFlg", s.m_InterlaceFlg);
    visit("m_Interlace", s.m_Interlace);
    visit("m_BinaryFlg", s.m_BinaryFlg);
    visit("m_Binary", s.m_Binary);
    visit("m_BayerMode", s.m_BayerMode);
    visit("m_RGBFlg", s.m_RGBFlg);
    visit("m_YUVFlg", s.m_YUVFlg);
    visit("m_LOGFlg", s.m_LOGFlg);
    visit("m_AutoIrisFlg", s.m_AutoIrisFlg);
    visit("m_AutoIrisMode", s.m_AutoIrisMode);
    visit("m_IOWdata", s.m_IOWdata);
    visit("m_HLS.H", s.m_HLS.H);
    visit("m_HLS.L", s.m_HLS.L);
    visit("m_HLS.S", s.m_HLS.S);
    visit("m_HLS.C", s.m_HLS.C);
    visit("m_HLS.SP", s.m_HLS.SP);
    visit("m_ScaleData.Visible", s.m_ScaleData.Visible);
    visit("m_ScaleData.Type", s.m_ScaleData.Type);
    visit("m_ScaleData.Pos.x", s.m_ScaleData.Pos.x);
    visit("m_ScaleData.Pos.y", s.m_ScaleData.Pos.y);
    visit("m_ScaleData.Size.cx", s.m_ScaleData.Size.cx);
    visit("m_ScaleData.Size.cy", s.m_ScaleData.Size.cy);
    visit("m_ScaleData.Scale.x", s.m_ScaleData.Scale.x);
    visit("m_ScaleData.Scalexy", s.m_ScaleData.Scalexy);
}

// Reads keys of one section with the read rules of the settings file.
class CSectionReader {
public:
    CSectionReader(const CProfileFile& file, const char* szSection) : m_File(file), m_szSection(szSection) {}

    int Int(const char* szKey, int nDefault) const { return m_File.GetInt(m_szSection, szKey, nDefault); }

    // A double is read as text of at most 63 characters whose default is the
    // current value in "%f" form.
    double Double(const char* szKey, double dDefault) const
    {
        char szValue[64];
        m_File.GetString(m_szSection, szKey, FormatFixed6(dDefault).c_str(), szValue, sizeof szValue);
        return ParseDecimal(szValue);
    }

    std::string String(const char* szKey, const char* szDefault, DWORD nBufferSize) const
    {
        std::string value(nBufferSize, '\0');
        const DWORD nLength = m_File.GetString(m_szSection, szKey, szDefault, value.data(), nBufferSize);
        value.resize(nLength);
        return value;
    }

    // Every member keeps its current value as default; byte and 16-bit settings keep
    // the low bits of what is read.
    void operator()(const char* szKey, int& nValue) const { nValue = Int(szKey, nValue); }
    void operator()(const char* szKey, DWORD& dwValue) const
    {
        dwValue = static_cast<DWORD>(Int(szKey, static_cast<int>(dwValue)));
    }
    void operator()(const char* szKey, BYTE& byValue) const { byValue = static_cast<BYTE>(Int(szKey, byValue)); }
    void operator()(const char* szKey, WORD& wValue) const { wValue = static_cast<WORD>(Int(szKey, wValue)); }
    void operator()(const char* szKey, double& dValue) const { dValue = Double(szKey, dValue); }
    // The only string key is the picture folder, at most 259 characters; empty by default.
    void operator()(const char* szKey, std::string& value) const { value = String(szKey, "", 260); }

private:
    const CProfileFile& m_File;
    const char* m_szSection;
};

// Writes keys of one section: integers as "%d", doubles as "%f", strings as they are.
class CSectionWriter {
public:
    CSectionWriter(CProfileFile& file, const char* szSection) : m_File(file), m_szSection(szSection) {}

    void operator()(const char* szKey, const std::string& value) const
    {
        // A folder name with a line break cannot be stored on one line; the key
        // then keeps what it had rather than breaking the file.
        m_File.WriteString(m_szSection, szKey, value.c_str());
    }
    void operator()(const char* szKey, double dValue) const { (*this)(szKey, FormatFixed6(dValue)); }
    void operator()(const char* szKey, int nValue) const { (*this)(szKey, std::to_string(nValue)); }
    void operator()(const char* szKey, DWORD dwValue) const { (*this)(szKey, static_cast<int>(dwValue)); }
    void operator()(const char* szKey, BYTE byValue) const { (*this)(szKey, static_cast<int>(byValue)); }
    void operator()(const char* szKey, WORD wValue) const { (*this)(szKey, static_cast<int>(wValue)); }

private:
    CProfileFile& m_File;
    const char* m_szSection;
};

std::string KeyOf(const char* szFormat, int nIndex)
{
    char szKey[64];
    std::snprintf(szKey, sizeof szKey, szFormat, nIndex);
    return szKey;
}

void LoadCalibEntry(const CSectionReader& reader, int i, CCalibEntry& entry)
{
    char szDefaultName[256];
    std::snprintf(szDefaultName, sizeof szDefaultName, "%s%d", LoadUiString(IDS_CALIB_NAME), i + 1);
    const std::string name = reader.String(KeyOf("name_%d", i).c_str(), szDefaultName, sizeof entry.m_szName);
    std::snprintf(entry.m_szName, sizeof entry.m_szName, "%s", name.c_str());
    entry.m_dLengthX = reader.Double(KeyOf("length.x_%d", i).c_str(), 10.0);
    entry.m_dLengthY = reader.Double(KeyOf("length.y_%d", i).c_str(), 10.0);
    entry.m_nUnit = reader.Int(KeyOf("unit_%d", i).c_str(), 0);
    entry.m_dMppX = reader.Double(KeyOf("mpp.x_%d", i).c_str(), 0.0);
    entry.m_dMppY = reader.Double(KeyOf("mpp.y_%d", i).c_str(), 0.0);
    entry.m_dLeft = reader.Double(KeyOf("left_%d", i).c_str(), 0.0);
    entry.m_dTop = reader.Double(KeyOf("top_%d", i).c_str(), 0.0);
    entry.m_dRight = reader.Double(KeyOf("right_%d", i).c_str(), 200.0);
    entry.m_dBottom = reader.Double(KeyOf("bottom_%d", i).c_str(), 200.0);
}

} // namespace

std::string ResolveSettingsFolder(const std::string& szOption)
{
    if (!szOption.empty())
        return szOption;
    const char* szEnvironment = std::getenv("VEXILO_SETTINGS");
    if (szEnvironment != nullptr && szEnvironment[0] != '\0')
        return szEnvironment;
    const std::string programFolder = ProgramFolder();
    if (IsWritableFolder(programFolder))
        return programFolder;
    const std::string userFolder = UserConfigFolder();
    MakeFolders(userFolder);
    return userFolder;
}

CSettingsFile::CSettingsFile(std::string szFolder) : m_szFolder(std::move(szFolder)) {}

std::string CSettingsFile::IniPath() const { return m_szFolder + "/Vexilo.ini"; }

std::string CSettingsFile::DefaultPictureFolder() const { return m_szFolder + "/bmp"; }

void CSettingsFile::Load(CViewerSettings& settings, CCalibList& calibList, bool bCreatePictureFolder) const
{
    if (bCreatePictureFolder)
        MakeFolders(DefaultPictureFolder());

    CProfileFile file;
    if (!file.Load(IniPath().c_str()))
        LogLine(ELogCategory::Files, "%s cannot be read: the settings keep their defaults", IniPath().c_str());
    const CSectionReader main(file, kMainSection);
    // These three start from fixed defaults, not from the current values.
    settings.m_WB_Flg = 0;
    settings.m_Bai = 1;
    settings.m_IOWdata = 0;
    VisitMainKeys(settings, main);
    if (settings.m_szSaveDir.empty())
        settings.m_szSaveDir = DefaultPictureFolder();

    const CSectionReader calib(file, kCalibSection);
    for (int i = 0; i < CALIB_ENTRY_COUNT; ++i)
        LoadCalibEntry(calib, i, calibList[i]);
}

CWindowPlacement CSettingsFile::LoadPlacement(const RECT& rcCurrent) const
{
    CProfileFile file;
    if (!file.Load(IniPath().c_str()))
        LogLine(ELogCategory::Files, "%s cannot be read: the settings keep their defaults", IniPath().c_str());
    const CSectionReader main(file, kMainSection);
    CWindowPlacement placement;
    placement.rcNormal.left = main.Int("Window_Left", rcCurrent.left);
    placement.rcNormal.right = main.Int("Window_Right", rcCurrent.right);
    placement.rcNormal.top = main.Int("Window_Top", rcCurrent.top);
    placement.rcNormal.bottom = main.Int("Window_Bottom", rcCurrent.bottom);
    placement.bMaximized = main.Int("Window_Max", 0) != 0;
    return placement;
}

bool CSettingsFile::Save(const CViewerSettings& settings, const CWindowPlacement& placement) const
{
    // Start from the file as it is, so the calibration section, comments and keys of
    // other programs stay byte for byte.
    CProfileFile file;
    if (!file.Load(IniPath().c_str())) {
        LogLine(ELogCategory::Files, "%s cannot be read: it is left as it is, the settings are not saved",
                IniPath().c_str());
        return false;
    }
    const CSectionWriter main(file, kMainSection);
    VisitMainKeys(settings, main);
    main("Window_Max", placement.bMaximized ? 1 : 0);
    main("Window_Left", placement.rcNormal.left);
    main("Window_Right", placement.rcNormal.right);
    main("Window_Top", placement.rcNormal.top);
    main("Window_Bottom", placement.rcNormal.bottom);
    if (!file.Save(IniPath().c_str())) {
        LogLine(ELogCategory::Files, "the settings cannot be written to %s", IniPath().c_str());
        return false;
    }
    return true;
}
