#pragma once
// A shown main window with one document holding the given format, current and fitted to a window
// of the largest size: where the benchmarks of edits measure the redraw they cause. Freed with
// every window of the run.
#include <QApplication>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <utility>

#include "app/app_windows.h"
#include "imaging/icon_image.h"
#include "workspace/childwin.h"
#include "workspace/main_form.h"

struct BenchFrame {
    explicit BenchFrame(TIconImageRec rec)
    {
        main = new Tfrm_main;
        main->show();
        doc = main->CreateDocumentWindow();
        doc->AddImageFormat(rec);
        auto* sub = qobject_cast<QMdiSubWindow*>(doc->parentWidget());
        main->MdiArea()->setActiveSubWindow(sub);
        sub->resize(Tfrm_childwin::MaxWidth, Tfrm_childwin::MaxHeight);
        doc->ActivateCurrentFormat();
        QApplication::processEvents();
    }
    ~BenchFrame()
    {
        doc->Document().Modified = 0;
        AppWindows::FreeAll();
    }
    BenchFrame(const BenchFrame&) = delete;
    BenchFrame& operator=(const BenchFrame&) = delete;

    Tfrm_main* main = nullptr;
    Tfrm_childwin* doc = nullptr;
};
