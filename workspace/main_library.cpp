// The main window's side of the icon library: the document services the library window calls
// (open an icon in a document, link, bring to front, close), the document's Save into its
// library icon, File > Save to Icon library, and opening libraries from the open routine.
#include <QMdiArea>
#include <QMdiSubWindow>

#include "platform/ui/dialogs.h"
#include "workspace/childwin.h"
#include "workspace/icon_lib_form.h"
#include "workspace/main_form.h"
#include "workspace/peers.h"

namespace {

Tfrm_childwin* AsDocument(QObject* object) { return qobject_cast<Tfrm_childwin*>(object); }

void ApplyLink(Tfrm_childwin& doc, const TLibraryLink& link)
{
    doc.Document().LibIconName = link.LibIconName;
    doc.Document().LibName = link.LibName;
    doc.LibrarySerial = link.Serial;
    doc.UpdateCaption();
}

const QString NoLibraryText = QStringLiteral("Can't find an opening ICL(*.ICL) library.");

} // namespace

void Tfrm_main::RegisterLibraryPeers()
{
    TFramePeers& peers = FramePeers();
    peers.LibraryShown = [this](bool shown) {
        if (act_icon_lib) act_icon_lib->setChecked(shown);
    };
    peers.OpenLibraryDocument = [this](const TLibraryLink& link, const TIconImageArray& formats) -> QObject* {
        if (formats.IsEmpty()) return nullptr;
        Tfrm_childwin* doc = CreateDocumentWindow();
        doc->Document().FileName = link.FileName;
        doc->AddImageFormats(formats);
        // An icon of a read-only library is the library's, not the document's: until it is
        // saved to a file of its own, closing it asks.
        if (link.LibIconName.isEmpty()) doc->SetModified(true);
        ApplyLink(*doc, link);
        return doc;
    };
    peers.NewLibraryDocument = [this](const TLibraryLink& link) -> QObject* {
        Tfrm_childwin* doc = NewIcon(link.FileName);
        if (doc) ApplyLink(*doc, link);
        return doc;
    };
    peers.ActivateDocument = [this](QObject* document) {
        Tfrm_childwin* doc = AsDocument(document);
        auto* sub = doc ? qobject_cast<QMdiSubWindow*>(doc->parentWidget()) : nullptr;
        if (!sub) return;
        if (sub->isMinimized()) sub->showNormal();
        mdi_->setActiveSubWindow(sub);
    };
    peers.CloseDocument = [](QObject* document) {
        Tfrm_childwin* doc = AsDocument(document);
        if (!doc) return true;
        auto* sub = qobject_cast<QMdiSubWindow*>(doc->parentWidget());
        return sub ? sub->close() : doc->close();
    };
    peers.LinkDocument = [](QObject* document, const TLibraryLink& link) {
        if (Tfrm_childwin* doc = AsDocument(document)) ApplyLink(*doc, link);
    };
    DocumentPeers().SaveToLibrary = [this](Tfrm_childwin& doc, QString& error) {
        if (!IconLib) {
            error = NoLibraryText;
            return false;
        }
        if (IconLib->SaveIconToLibrary(doc.Document().LibIconName, doc.Images(), false, &doc, doc.LibrarySerial) != 0) {
            error = IconLib->MessageText();
            return false;
        }
        return true;
    };
}

void Tfrm_main::act_saveToLibExecute()
{
    Tfrm_childwin* doc = ActiveDocument();
    if (!doc) return;
    if (!IconLib) {
        MessageBox(this, NoLibraryText, QStringLiteral("Save File"));
        return;
    }
    if (IconLib->SaveIconToLibrary(doc->Document().FileName, doc->Images(), true, doc) != 0)
        MessageBox(this, IconLib->MessageText(), QStringLiteral("Save File"));
}

bool Tfrm_main::OpenLibraryFile(const QString& path)
{
    if (!IconLib) return false;
    // Unsaved changes of the library shown are asked about first; Cancel skips this file.
    if (IconLib->AskSaveModified() != 0) return false;
    if (IconLib->OpenLibrary(path) != 0) return false;
    AddRecentFile(path);
    return true;
}
