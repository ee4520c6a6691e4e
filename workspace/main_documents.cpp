// The main window's side of the documents: the services that reach into the active document,
// opening files into documents, Save As, and the direct effects.
#include <algorithm>
#include <exception>

#include <QDir>
#include <QFileInfo>
#include <QMdiArea>
#include <QMdiSubWindow>

#include "iconfiles/file_access.h"
#include "imaging/compositing.h"
#include "imaging/transforms.h"
#include "platform/ui/dialogs.h"
#include "workspace/childwin.h"
#include "workspace/history_form.h"
#include "workspace/icon_lib_form.h"
#include "workspace/main_form.h"
#include "model/selection.h"
#include "model/tool_ids.h"
#include "workspace/peers.h"

#include "creators/photo_to_icon_form.h"
#include "model/new_format.h"

namespace {

// The extension from the file name's last dot on, upper-cased; empty without a dot.
QString UpperExtension(const QString& path)
{
    const QString name = QFileInfo(path).fileName();
    const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
    return dot < 0 ? QString() : name.mid(dot).toUpper();
}

bool IsLibraryExtension(const QString& ext)
{
    return ext == QLatin1String(".EXE") || ext == QLatin1String(".DLL") || ext == QLatin1String(".ICL") ||
           ext == QLatin1String(".CPL") || ext == QLatin1String(".OCX");
}

bool IsPictureExtension(const QString& ext)
{
    return ext == QLatin1String(".BMP") || ext == QLatin1String(".JPG") || ext == QLatin1String(".JPEG") ||
           ext == QLatin1String(".PNG") || ext == QLatin1String(".GIF");
}

void ShowException(QWidget* parent, const char* what)
{
    MessageBox(parent, QString::fromLocal8Bit(what), QStringLiteral("Tavrin"), TMsgButtons::Ok, TMsgIcon::Error);
}

} // namespace

// ---- services ----

void Tfrm_main::EditSelection(int kind)
{
    Tfrm_childwin* doc = ActiveDocument();
    if (!doc || !doc->HasSelection() || !QVClipboard_) return;
    if (kind != skCopy) doc->CommitText();
    TIconImageRec* f = doc->CurrentImage();
    const QString caption = SelectionCommand(doc->Document(), kind, *QVClipboard_);
    if (!f || caption.isEmpty()) return;
    if (const auto& snap = FramePeers().AddSnapshot) snap(f, caption);
    doc->SetModified(true);
    // Activating the format again draws it, its strip cell and preview, and drops the selection.
    doc->ActivateCurrentFormat();
}

Tfrm_childwin* Tfrm_main::ActiveDocument() const
{
    QMdiSubWindow* sub = mdi_->currentSubWindow();
    return sub ? qobject_cast<Tfrm_childwin*>(sub->widget()) : nullptr;
}

TIconImageRec* Tfrm_main::ActiveImage() const
{
    Tfrm_childwin* doc = ActiveDocument();
    return doc ? doc->Images().At(doc->CurrentIndex()) : nullptr;
}

void Tfrm_main::RefreshActiveDocument()
{
    if (Tfrm_childwin* doc = ActiveDocument()) doc->ActivateCurrentFormat();
}

void Tfrm_main::RepaintActiveFormat()
{
    Tfrm_childwin* doc = ActiveDocument();
    if (!doc) return;
    doc->FormPaint();
    doc->DrawFormatStrip();
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
    // The tools window's previews first, so they show the new colour before the document repaints.
    if (const auto& refresh = ToolsPeers().RefreshPreviews) refresh();
    Tfrm_childwin* doc = ActiveDocument();
    if (!doc) return;
    // An open text frame is drawn again with the tools window's text, font and anti-aliasing and
    // the colour window's colour as they are now, so what the frame shows is what it will commit.
    const TDocumentModel& model = doc->Document();
    if (model.LastTool == tiText) doc->SetTextFrame(model.TextX, model.TextY, model.TextAngle, model.TextH, model.TextW);
    // Only a palette the format does not have yet costs a repaint of canvas and strip; a colour
    // change in true colour, or one that leaves the palette as it was, repaints nothing. An edited
    // palette is a change of the icon, so the document asks to be saved.
    const TIconImageRec* f = doc->Document().CurrentImage();
    int32_t panelType = 0;
    TPalette panelPalette;
    const auto& edited = DocumentPeers().PanelPaletteEdited;
    if (edited && !edited()) return;
    const auto& getPalette = DocumentPeers().GetPanelPalette;
    if (!f || !IsPaletteColorType(f->ColorType) || !getPalette || !getPalette(panelType, panelPalette) ||
        panelType != f->ColorType)
        return;
    const int n = std::min<int>(panelPalette.palNumEntries, 256);
    if (n == 0) return;
    const bool same = f->Palette.palNumEntries == n &&
                      std::equal(panelPalette.palPalEntry.begin(), panelPalette.palPalEntry.begin() + n,
                                 f->Palette.palPalEntry.begin());
    if (same) return;
    doc->ApplyPanelPalette();
    doc->SetModified(true);
}

QList<Tfrm_childwin*> Tfrm_main::Documents() const
{
    QList<Tfrm_childwin*> out;
    for (QMdiSubWindow* sub : mdi_->subWindowList(QMdiArea::CreationOrder))
        if (auto* doc = qobject_cast<Tfrm_childwin*>(sub->widget())) out << doc;
    return out;
}

bool Tfrm_main::DocumentHasSelection(Tfrm_childwin* document) { return document && document->HasSelection(); }

Tfrm_childwin* Tfrm_main::CreateDocumentWindow()
{
    auto* doc = new Tfrm_childwin;
    doc->AttachTo(mdi_)->show();
    return doc;
}

// ---- opening ----

bool Tfrm_main::ActivateIfOpen(const QString& path)
{
    for (Tfrm_childwin* doc : Documents()) {
        const TDocumentModel& d = doc->Document();
        if (d.Folder.isEmpty() || d.Folder + d.FileName != path) continue;
        if (QMdiSubWindow* sub = qobject_cast<QMdiSubWindow*>(doc->parentWidget())) {
            if (sub->isMinimized()) sub->showNormal();
            mdi_->setActiveSubWindow(sub);
        }
        return true;
    }
    if (IconLib && !IconLib->LibraryPath().isEmpty() && IconLib->LibraryPath() == path) {
        if (!IconLib->isVisible()) IconLib->show();
        return true;
    }
    return false;
}

void Tfrm_main::OpenFiles(const QStringList& paths)
{
    TIconFileAccess access;
    bool libraryMet = false;
    try {
        for (const QString& given : paths) {
            if (given.isEmpty()) continue;
            // Every path is made absolute, so one file is known by one name.
            const QString path = QDir::cleanPath(QDir::current().absoluteFilePath(given));
            if (ActivateIfOpen(path)) continue;
            const QString ext = UpperExtension(path);
            const bool known = ext == QLatin1String(".ICO") || IsLibraryExtension(ext) || IsPictureExtension(ext);
            // A pipe or a device named like an icon or a picture would block the read or never
            // end it; such a path is refused before any reader opens it.
            if (const QFileInfo kind(path); known && kind.exists() && !kind.isFile()) {
                MessageBox(this, NotRegularFileText(path), QStringLiteral("Open Icon"));
                if (!IsPictureExtension(ext)) RemoveRecentFile(path);
                continue;
            }
            if (ext == QLatin1String(".ICO")) {
                TIconImageArray formats;
                if (access.LoadIconFile(path, formats) != 0) {
                    MessageBox(this, access.LastError, QStringLiteral("Open Icon"));
                    RemoveRecentFile(path);
                    continue;
                }
                if (!formats.IsEmpty()) {
                    Tfrm_childwin* doc = CreateDocumentWindow();
                    doc->Document().SetFilePath(path);
                    doc->AddImageFormats(formats);
                    doc->UpdateCaption();
                }
                AddRecentFile(path);
            } else if (IsLibraryExtension(ext)) {
                // Only the first library of a list is opened.
                if (libraryMet) continue;
                libraryMet = true;
                OpenLibraryFile(path);
            } else if (IsPictureExtension(ext)) {
                OpenPictureAsIcon(path);
            } else {
                RemoveRecentFile(path);
            }
        }
    } catch (const std::exception& e) {
        // A damaged file ends the list; what was opened stays open.
        ShowException(this, e.what());
    }
}

void Tfrm_main::OpenPictureAsIcon(const QString& path)
{
    if (!PhotoToIcon || !PhotoToIcon->LoadPicture(path)) return;
    if (!PhotoToIcon->Execute() || PhotoToIcon->Formats.IsEmpty()) return;
    Tfrm_childwin* doc = CreateDocumentWindow();
    // Counted with the new window already in the frame.
    doc->Document().FileName = QStringLiteral("Icon%1").arg(DocumentCount() + 1);
    for (int i = 0; i < PhotoToIcon->Formats.Count(); ++i) doc->AddImageFormat(PhotoToIcon->Formats[i]);
    // The icon exists in no file yet: closing it asks to save, as after an edit.
    doc->SetModified(true);
    doc->UpdateCaption();
}

void Tfrm_main::act_photo_to_iconExecute()
{
    if (dlgOpenPic2.Execute(this)) OpenPictureAsIcon(dlgOpenPic2.FileName);
}

// ---- saving ----

void Tfrm_main::FileSave1Execute()
{
    if (Tfrm_childwin* doc = ActiveDocument()) doc->Save();
}

void Tfrm_main::FileSaveAs1Execute()
{
    Tfrm_childwin* doc = ActiveDocument();
    if (!doc) return;
    TDocumentModel& d = doc->Document();
    dlgSavePicAs.FileName = SaveAsProposal(d.FileName);
    if (!d.Folder.isEmpty()) dlgSavePicAs.InitialDir = d.Folder;
    if (!dlgSavePicAs.Execute(this)) return;

    const int filterIndex = (dlgSavePicAs.FilterIndex >= 1 && dlgSavePicAs.FilterIndex <= 5) ? dlgSavePicAs.FilterIndex : 1;
    const QString chosen = QDir::cleanPath(QDir::current().absoluteFilePath(dlgSavePicAs.FileName));
    const QString name = WithSaveAsExtension(chosen, filterIndex);
    // The dialog asked about the name it returned; a name that only now got its extension is
    // asked about here.
    if (name != chosen && QFileInfo::exists(name)) {
        const TMsgResult answer =
            MessageBox(this, QStringLiteral("%1 already exists.\nDo you want to replace it?").arg(QFileInfo(name).fileName()),
                       QStringLiteral("Save As"), TMsgButtons::YesNo, TMsgIcon::Warning);
        if (answer != TMsgResult::Yes) return;
    }

    TIconFileAccess access;
    if (filterIndex == 1) {
        QString error;
        if (!d.SaveIconTo(name, error)) {
            MessageBox(this, error, QStringLiteral("Save File"));
            return;
        }
        doc->UpdateCaption();
        AddRecentFile(name);
        return;
    }
    const TIconImageRec* f = doc->CurrentImage();
    if (!f) return;
    if (access.ExportImage(name, *f) != 0) MessageBox(this, access.LastError, QStringLiteral("Save File"));
}

// ---- direct effects ----

void Tfrm_main::DirectEffect(TDirectEffect effect)
{
    Tfrm_childwin* doc = ActiveDocument();
    TIconImageRec* f = ActiveImage();
    if (!doc || !f) return;
    const QString caption = ApplyDirectEffect(*f, effect);
    RefreshActiveDocument();
    if (frm_history) frm_history->AddSnapshot(f, caption);
    doc->SetModified(true);
}

// ---- paste ----

void Tfrm_main::act_EditPasteExecute()
{
    Tfrm_childwin* doc = ActiveDocument();
    if (!doc) return;
    // Pasting changes pixels: the text being typed goes into the format first.
    doc->CommitText();
    TIconImageRec* f = ActiveImage();
    const auto& paste = DocumentPeers().PasteDialog;
    bool pasted = false;
    try {
        // A picture too large for the memory left is said, not thrown past the command.
        pasted = f && paste && paste(this, *f);
    } catch (const std::exception& e) {
        ShowException(this, e.what());
    }
    if (!pasted) return;
    const TFramePeers& peers = FramePeers();
    if (peers.AddSnapshot) peers.AddSnapshot(f, QStringLiteral("Paste"));
    if (peers.MarkActiveModified) peers.MarkActiveModified();
    if (peers.RefreshActiveDocument) peers.RefreshActiveDocument();
}
