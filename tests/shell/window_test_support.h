// Helpers of the window tests: starting the main window, answering modal windows and
// file boxes as they open.
#pragma once

#include "app/shell/viewer_dlg.h"

#include <QApplication>
#include <QFileDialog>
#include <QLineEdit>
#include <QTest>
#include <QTimer>

#include <functional>

// Runs fnAnswer on the next modal window of type T once it is open.
template <typename T>
void WhenModal(std::function<void(T*)> fnAnswer)
{
    QTimer::singleShot(10, [fnAnswer] {
        if (auto* pWindow = qobject_cast<T*>(QApplication::activeModalWidget()))
            fnAnswer(pWindow);
        else
            WhenModal<T>(fnAnswer);
    });
}

// Answers the next file box with path, typed into its name field as a user would
// (selectFile would switch folders, and the folder's late listing may clear the name
// again), with the name filter nameFilter when one is given. Its title goes to *pTitle.
inline void AnswerFileDialog(const QString& path, const QString& nameFilter = QString(), QString* pTitle = nullptr)
{
    WhenModal<QFileDialog>([path, nameFilter, pTitle](QFileDialog* pChooser) {
        if (pTitle != nullptr)
            *pTitle = pChooser->windowTitle();
        if (!nameFilter.isEmpty())
            pChooser->selectNameFilter(nameFilter);
        pChooser->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))->setText(path);
        QMetaObject::invokeMethod(pChooser, "accept");
    });
}

// Initialises the main window, shows it at 1100 x 800 and waits until the live view has
// shown its first frame; false when that does not happen within five seconds.
inline bool ShowLiveWindow(CViewerDlg& dlg)
{
    dlg.OnInitDialog();
    dlg.resize(1100, 800);
    dlg.show();
    return QTest::qWaitForWindowExposed(&dlg) &&
           QTest::qWaitFor([&dlg] { return dlg.LiveView().ShownFrameCount() >= 1; }, 5000);
}
