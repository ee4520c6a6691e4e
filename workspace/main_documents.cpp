// The main window's services that reach into the document windows.
#include "workspace/main_form.h"

#include <QMdiArea>
#include <QMdiSubWindow>

#include "workspace/childwin.h"

Tfrm_childwin* Tfrm_main::ActiveDocument() const
{
    // The frame's current child stays current while a tool window has the focus.
    QMdiSubWindow* sub = mdi_ ? mdi_->currentSubWindow() : nullptr;
    return sub ? qobject_cast<Tfrm_childwin*>(sub->widget()) : nullptr;
}

TIconImageRec* Tfrm_main::ActiveImage() const
{
    Tfrm_childwin* doc = ActiveDocument();
    return doc ? doc->CurrentImage() : nullptr;
}

void Tfrm_main::RefreshActiveDocument()
{
    if (Tfrm_childwin* doc = ActiveDocument()) doc->ActivateCurrentFormat();
}

int32_t Tfrm_main::ActiveColorType() const
{
    const TIconImageRec* f = ActiveImage();
    return f ? f->ColorType : ctTrueAlpha;
}

void Tfrm_main::ToolChanged()
{
    if (Tfrm_childwin* doc = ActiveDocument()) doc->ToolChanged();
}

void Tfrm_main::PaletteChanged()
{
    if (Tfrm_childwin* doc = ActiveDocument()) doc->ApplyPanelPalette();
}

QList<Tfrm_childwin*> Tfrm_main::Documents() const
{
    QList<Tfrm_childwin*> documents;
    if (!mdi_) return documents;
    for (QMdiSubWindow* sub : mdi_->subWindowList(QMdiArea::CreationOrder))
        if (auto* doc = qobject_cast<Tfrm_childwin*>(sub->widget())) documents << doc;
    return documents;
}

bool Tfrm_main::DocumentHasSelection(Tfrm_childwin* document) { return document && document->HasSelection(); }

Tfrm_childwin* Tfrm_main::CreateDocumentWindow()
{
    auto* doc = new Tfrm_childwin;
    doc->AttachTo(mdi_)->show();
    return doc;
}

void Tfrm_main::OpenFiles(const QStringList&) {}
void Tfrm_main::DirectEffect(TDirectEffect) {}
void Tfrm_main::FileSave1Execute() {}
void Tfrm_main::FileSaveAs1Execute() {}
