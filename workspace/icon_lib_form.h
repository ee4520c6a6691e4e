#pragma once
// The stay-on-top "Icon Library" window: the icons of one library at a time (read from an
// executable, read-only, or from an ".icl" file or made new, editable) as a list of thumbnails
// with two-line captions. It opens an icon in a document window, renames, inserts and deletes
// icons, receives a document's formats as a new or replacing icon and saves the library.
//
// The library and its rules live in TIconLibrary (model/icon_library.h); this window asks the
// user, shows the result and keeps the documents linked to its icons in step. It reaches the
// document windows only through the main window's services in FramePeers() (peers.h): a
// document is a plain QObject here.
#include <cstdint>

#include <QHash>
#include <QIcon>
#include <QPixmap>
#include <QString>

#include "imaging/icon_image.h"
#include "model/icon_library.h"
#include "platform/ui/dialogs.h"
#include "workspace/base_form.h"

class QAction;
class QListWidget;
class QListWidgetItem;
class QMenu;
class QToolBar;
struct TLibraryLink;

class Tfrm_Icon_Lib : public Tfrm_base {
    Q_OBJECT
public:
    explicit Tfrm_Icon_Lib(QWidget* parent = nullptr);
    ~Tfrm_Icon_Lib() override;

    TIconLibrary& Library() { return lib_; }
    const TIconLibrary& Library() const { return lib_; }
    // Text of the last failure of SaveIconToLibrary; the caller shows it.
    const QString& MessageText() const { return lib_.MessageText; }
    // Folder + file name of the library shown; empty for a library never saved.
    QString LibraryPath() const;

    // ---- services of the other windows ----
    // Opens a module or library file in place of the library shown (which it does not ask
    // about). 0 when it was read (a file without readable icons gives an empty library); -1 when
    // it could not be opened, which has been shown, or when a linked document stayed open.
    int OpenLibrary(const QString& path);
    // AsNew: adds the formats as a new icon called Name and links Document to it; otherwise
    // replaces the formats of the icon Document edits (or called Name), refused when Serial is not
    // this library's. 0, or -1 with MessageText.
    int SaveIconToLibrary(const QString& name, const TIconImageArray& formats, bool asNew, QObject* document,
                          uint32_t serial = 0);
    // 0 when saved, -1 when the save failed (shown) or its dialog was cancelled.
    int SaveLibrary();
    // -1 Cancel, 0 nothing to save or No, else the result of SaveLibrary.
    int AskSaveModified();
    // The question of the end of the run (Yes and No only); false when a Yes did not save, so the
    // program stays open.
    bool QueryEndSave();

    // ---- handlers ----
    void act_OpenExecute();
    void act_newExecute();
    void act_SaveExecute();
    void act_DeleteExecute();
    void act_InsertExecute();
    void act_editExecute();
    void act_RenameExecute();

    // ---- controls ----
    QToolBar* tlb_ico_lib = nullptr;
    QListWidget* lsv_Lib = nullptr;
    QMenu* pm_icon_lib = nullptr;
    QAction* act_Open = nullptr;
    QAction* act_new = nullptr;
    QAction* act_Save = nullptr;
    QAction* act_Delete = nullptr;
    QAction* act_Insert = nullptr;
    QAction* act_edit = nullptr;
    QAction* act_Rename = nullptr;
    TFileDialogRequest dlgOpenlib;
    TFileDialogRequest dlgSaveLib;

    // The selected icon's index, or -1.
    int SelectedIndex() const;
    void SelectIndex(int index);

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    void SetModified(bool modified);
    void UpdateCaption();
    void EnableEditing(bool editable);
    // Closes the document windows of every icon (each may refuse), then forgets every icon and
    // its working files. A document that saved into the library as it closed brings the
    // library's question again. False when a document stayed open or the question was
    // cancelled: nothing was cleared.
    bool ClearLibrary();
    // The list anew from the library.
    void FillList();
    // One icon's list item: caption and cached thumbnail.
    void UpdateItem(int index);
    // With Shared, icons sharing a thumbnail share one pixmap.
    QListWidgetItem* MakeItem(int index, QHash<const Bitmap24*, QPixmap>* shared = nullptr) const;
    // The link a document of icon Index gets.
    TLibraryLink LinkOf(int index) const;
    // Every linked document takes its icon's present name and the library's.
    void RelinkDocuments();

    TIconLibrary lib_;
    bool endQuestionAsked_ = false;
    // Counts the saves of linked documents into the library.
    int documentSaves_ = 0;
};
