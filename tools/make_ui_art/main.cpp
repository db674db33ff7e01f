// make_ui_art: draws Vexilo's user-interface artwork and writes it as PNG files.
//
// Usage: QT_QPA_PLATFORM=offscreen make_ui_art <output folder>
//
// Writes panel_en.png and panel_ja.png (button sprite sheets), background.png (window
// tile), toggles.png (faces of the two small toggle buttons), icon.png and cursor.png.
// Everything is drawn from code with fixed coordinates, colours and font files, so every
// run gives the same files. The sheets and the tile are RGB without alpha because the
// program decodes them into 24-bit pictures; the icon and the cursor keep their alpha.

#include "art_style.h"
#include "panel_sheet.h"
#include "window_art.h"

#include <QDir>
#include <QFontDatabase>
#include <QGuiApplication>
#include <QImage>
#include <QString>
#include <QStringList>

#include <cstdio>

namespace {

// The font files the captions are set in (Debian packages fonts-dejavu-core and
// fonts-ipafont-gothic). Loading them by path pins the exact outlines.
const char* const kLatinFontFile = "/usr/share/fonts/truetype/dejavu/DejaVuSans-Bold.ttf";
const char* const kJapaneseFontFile = "/usr/share/fonts/opentype/ipafont-gothic/ipag.ttf";

bool LoadFont(const char* szPath, const char* szFamily)
{
    const int id = QFontDatabase::addApplicationFont(QString::fromUtf8(szPath));
    const QString family = QString::fromLatin1(szFamily);
    if (id >= 0 && QFontDatabase::applicationFontFamilies(id).contains(family))
        return true;
    std::fprintf(stderr, "make_ui_art: cannot load font family \"%s\" from %s\n", szFamily, szPath);
    return false;
}

bool Save(const QImage& image, const QDir& dir, const char* szName)
{
    const QString path = dir.filePath(QString::fromLatin1(szName));
    if (image.save(path, "PNG"))
        return true;
    std::fprintf(stderr, "make_ui_art: cannot write %s\n", qPrintable(path));
    return false;
}

} // namespace

int main(int argc, char* argv[])
{
    QGuiApplication app(argc, argv);
    const QStringList args = QGuiApplication::arguments();
    if (args.size() != 2) {
        std::fprintf(stderr, "usage: make_ui_art <output folder>\n");
        return 2;
    }
    const QDir dir(args.at(1));
    if (!QDir().mkpath(dir.absolutePath())) {
        std::fprintf(stderr, "make_ui_art: cannot create %s\n", qPrintable(dir.absolutePath()));
        return 1;
    }
    if (!LoadFont(kLatinFontFile, art::kLatinFamily)
        || !LoadFont(kJapaneseFontFile, art::kJapaneseFamily))
        return 1;

    bool bOk = Save(art::MakePanel(false), dir, "panel_en.png");
    bOk = Save(art::MakePanel(true), dir, "panel_ja.png") && bOk;
    bOk = Save(art::MakeBackground(), dir, "background.png") && bOk;
    bOk = Save(art::MakeToggles(), dir, "toggles.png") && bOk;
    bOk = Save(art::MakeIcon(), dir, "icon.png") && bOk;
    bOk = Save(art::MakeCursor(), dir, "cursor.png") && bOk;
    return bOk ? 0 : 1;
}
