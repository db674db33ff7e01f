// The main window's SAVE and TYPE buttons: the picture shown written to a file chosen
// in the save dialog, with or without the measurements burnt in.
#include "app/res/ui_texts.h"
#include "app/res/version.h"
#include "app/shell/core/main_window_template.h"
#include "app/shell/viewer_dlg.h"
#include "platform/clock.h"

#include <QFileDialog>
#include <QMessageBox>

void CViewerDlg::SavePicture()
{
    // The picture must not change while it is chosen and written: a running live view
    // stops, and comes back afterwards however the dialog ended.
    const bool bWasLive = !m_LiveView.IsFrozen();
    if (bWasLive)
        OnLive();
    CSaveTarget target;
    if (AskSaveTarget(target))
        WritePicture(target);
    if (bWasLive)
        OnLive();
}

void CViewerDlg::OnSaveOverlayToggle()
{
    m_bSaveOverlay = m_bSaveOverlay == 0 ? 1 : 0;
    GetDlgItem(IDC_TYPE)->update();
    update();
}

bool CViewerDlg::AskSaveTarget(CSaveTarget& target)
{
    const std::string szSaveDir = m_Settings.Read([](const CViewerSettings& s) { return s.m_szSaveDir; });
    const QString initial = QString::fromStdString(szSaveDir + "/" + DefaultPictureName(LocalTimeNow()));
    const QString bmpFilter = QString::fromUtf8(LoadUiString(IDS_BMP_FILTER));
    const QString jpegFilter = QString::fromUtf8(LoadUiString(IDS_JPEG_FILTER));
    QFileDialog chooser(this, QString::fromUtf8(LoadUiString(IDS_SAVE_AS_TITLE)), initial,
                        bmpFilter + QStringLiteral(";;") + jpegFilter);
    chooser.setAcceptMode(QFileDialog::AcceptSave);
    chooser.setDefaultSuffix(QStringLiteral("bmp"));
    chooser.selectNameFilter(bmpFilter);
    if (chooser.exec() != QDialog::Accepted || chooser.selectedFiles().isEmpty())
        return false;
    // The filter chosen decides the format, whatever the name's extension.
    const int nFormat = chooser.selectedNameFilter() == jpegFilter ? SAVE_FORMAT_JPEG : SAVE_FORMAT_BMP;
    target = ResolveSaveTarget(chooser.selectedFiles().first().toStdString(), nFormat);
    return true;
}

void CViewerDlg::WritePicture(const CSaveTarget& target)
{
    // The measurements are drawn at the picture's own scale; the view keeps its zoom.
    CScaleData scale = m_Settings.Read([](const CViewerSettings& s) { return s.m_ScaleData; });
    CSaveOverlay overlay;
    overlay.pList = &m_Measure.m_MeasureList;
    overlay.pCurrent = &m_Measure.m_CurMeasure;
    overlay.pScale = &scale;
    overlay.style = ViewOverlay();
    const CDibImage& source = m_LiveView.ShownImage();
    std::string szError;
    if (!ComposePicture(target.szPath.c_str(), source, target.nFormat, m_bSaveOverlay != 0 ? &overlay : nullptr,
                        &szError)) {
        QMessageBox::warning(this, QString::fromUtf8(PROGRAM_TITLE),
                             QString::fromUtf8(LoadUiString(IDS_PICTURE_NOT_SAVED)) + QStringLiteral("\n") +
                                 QString::fromStdString(szError));
        return;
    }

    // A picture saved elsewhere takes the picture folder there (not a failed one: the
    // folder may be no folder at all).
    const std::string szSaveDir = m_Settings.Read([](const CViewerSettings& s) { return s.m_szSaveDir; });
    if (!target.szFolder.empty() && target.szFolder != szSaveDir)
        SwitchPictureFolder(target.szFolder);

    // The thumbnail shows the picture without the measurements; a picture saved again
    // under its old name has its old thumbnail replaced, at the end of the list.
    const int nOld = m_Thumbs.IndexOf(target.szPath);
    if (nOld >= 0)
        m_Thumbs.RemoveAt(nOld);
    m_Thumbs.AddThumbnail(target.szPath, source);
    OnThumbsChanged();
}
