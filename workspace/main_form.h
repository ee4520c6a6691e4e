#pragma once
// The main window: the multiple-document frame with the menus, the tool bar and the command table,
// the recent-files list, the 200 ms edit-command timer, file drops, the first-show layout of the
// tool windows, and the services the other windows call (one instance, `frm_main`).
#include <cstdint>
#include <memory>

#include <QList>
#include <QPointer>
#include <QStringList>
#include <QTimer>

#include "workspace/base_form.h"
#include "workspace/picture_dialogs.h"
#include "model/main_commands.h"
#include "model/reopen_list.h"

class QAction;
class QLabel;
class QMdiArea;
class QMdiSubWindow;
class QMimeData;
class QMenu;
class QToolBar;
class ImagingState;
class TQVClipboard;
class Tfrm_childwin;
class Tfrm_Icon_Lib;
class Tfrm_PhotoToIcon;
struct TIconImageRec;

class Tfrm_main : public TBaseForm<QMainWindow> {
    Q_OBJECT

public:
    explicit Tfrm_main(QWidget* parent = nullptr);
    ~Tfrm_main() override;

    // ---- services of the other windows ----
    // The frame's active child (its current one, also while a tool window has the focus), or null.
    Tfrm_childwin* ActiveDocument() const;
    // The current format of the active document, or null when there is none or its index is not valid.
    TIconImageRec* ActiveImage() const;
    void RefreshActiveDocument();
    // Redraws only what shows the current format's pixels (canvas, strip, preview window): the
    // live preview of an effect dialog, which changes nothing else.
    void RepaintActiveFormat();
    // The colour type of the active document's current format; 5 without one.
    int32_t ActiveColorType() const;
    void ToolChanged();
    void PaletteChanged();
    void SetTextEditing(bool on);
    bool IsTextEditing() const { return TextEditing; }
    void AddRecentFile(const QString& path);
    void RemoveRecentFile(const QString& path);
    void OpenFiles(const QStringList& paths);

    // ---- documents ----
    // The document windows in the frame's order (order of creation).
    QList<Tfrm_childwin*> Documents() const;
    int DocumentCount() const;
    // Makes a document window, shown in the frame; the caller names it and adds its formats.
    Tfrm_childwin* CreateDocumentWindow();
    QMdiArea* MdiArea() const { return mdi_; }
    // The program's one clipboard object.
    TQVClipboard* QVClipboard() const { return QVClipboard_.get(); }

    // ---- opening and saving ----
    bool ActivateIfOpen(const QString& path);
    void OpenPictureAsIcon(const QString& path);
    void act_photo_to_iconExecute();
    // File > New: the add-format dialog, then a document called Name; null on Cancel.
    Tfrm_childwin* NewIcon(const QString& name);
    void OpenCommandLineFiles(const QStringList& arguments);
    // Files dropped on the frame.
    void WMDropFiles(const QMimeData* data);
    TReopenList* Reopen() const { return ReopenList.get(); }
    void RebuildReopenMenu();

    // The edit-command timer's rule, run once.
    void UpdateEditCommands();
    // Edit > Copy, Cut, Clear on the active document's selection (TSelectionCommandKind); cut and
    // clear commit an open text frame first.
    void EditSelection(int kind);
    // Edit > Paste: the paste window over the active document's current format.
    void act_EditPasteExecute();

    // ---- commands ----
    QAction* FileNew1 = nullptr;
    QAction* FileOpen1 = nullptr;
    QAction* FileSave1 = nullptr;
    QAction* FileSaveAs1 = nullptr;
    QAction* act_IconProperties = nullptr;
    QAction* act_saveToLib = nullptr;
    QAction* FileClose1 = nullptr;
    QAction* FileExit1 = nullptr;
    QAction* act_EditCut = nullptr;
    QAction* act_EditCopy = nullptr;
    QAction* act_EditPaste = nullptr;
    QAction* act_EditClear = nullptr;
    QAction* act_SelectAll = nullptr;
    QAction* act_SelectNone = nullptr;
    QAction* act_EditUndo = nullptr;
    QAction* act_EditRedo = nullptr;
    QAction* act_Preview_window = nullptr;
    QAction* act_History_window = nullptr;
    QAction* act_icon_lib = nullptr;
    QAction* act_effect_filters = nullptr;
    QAction* act_effect_Contrast_Brightness = nullptr;
    QAction* act_effect_Saturation = nullptr;
    QAction* act_effect_ColorBalance = nullptr;
    QAction* act_effect_InvertColor = nullptr;
    QAction* act_effect_blur = nullptr;
    QAction* act_effect_Sharpen = nullptr;
    QAction* act_effect_Shadow = nullptr;
    QAction* act_effect_Stroke = nullptr;
    QAction* act_effect_flip_horizontal = nullptr;
    QAction* act_effect_flip_vertical = nullptr;
    QAction* act_effect_rotate180 = nullptr;
    QAction* act_effect_rotate90CW = nullptr;
    QAction* act_effect_rotate90CCW = nullptr;
    QAction* act_effect_rotate = nullptr;
    QAction* act_effect_zoom = nullptr;
    QAction* act_photo_to_icon = nullptr;
    QAction* act_icon_mixer = nullptr;
    QAction* act_load_icl = nullptr;
    QAction* WindowCascade1 = nullptr;
    QAction* WindowTileHorizontal1 = nullptr;
    QAction* WindowTileVertical1 = nullptr;
    QAction* WindowMinimizeAll1 = nullptr;
    QAction* act_help = nullptr;
    QAction* HelpAbout1 = nullptr;
    QAction* act_homepage = nullptr;

    QMenu* Mnu_Reopen = nullptr;
    QToolBar* ToolBar2 = nullptr;
    QTimer Timer1;

    TOpenPictureDialogEx dlgOpenPic;
    TOpenPictureDialogEx dlgOpenPic2;
    TSavePictureDialogEx dlgSavePicAs;

    // The tool windows laid out on first show; each later window registers itself here.
    QPointer<QWidget> ToolsWindow;
    QPointer<QWidget> ColorWindow;
    QPointer<QWidget> HistoryWindow;
    QPointer<QWidget> LibraryWindow;
    QPointer<QWidget> PreviewWindow;
    // Photo to icon, made at start-up by app/.
    QPointer<Tfrm_PhotoToIcon> PhotoToIcon;
    // The icon library window, made at start-up by app/.
    QPointer<Tfrm_Icon_Lib> IconLib;
    // Opens a library or module in the icon library window after its question about unsaved
    // changes; false when that was cancelled or the file could not be opened.
    bool OpenLibraryFile(const QString& path);

    // The sixteen Effect commands, in the order the text lock lists them.
    QList<QAction*> EffectActions() const;

    // The program's arguments (file paths), opened on first show.
    QStringList CommandLine;

    // The home page's address (a local page next to the executable).
    // The help file's path.
    static QString HelpFilePath();

    // ---- shut-down ----
    // Asks every modified document (the most recent first), then a modified library, and closes
    // the documents once all have answered. False when one answer keeps the program running
    // (Cancel, or a Yes whose save did not happen): then no window has closed, and an icon
    // answered No before it is still marked modified.
    bool QueryShutDown();
    // Writes the main window's placement and which tool windows are showing ("position.cfg").
    void SaveWindowState();

signals:
    // The main window has closed for good: every question was answered and the settings written;
    // the run may end.
    void ShutDownAccepted();

protected:
    void setVisible(bool visible) override;
    void closeEvent(QCloseEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    void FormCreate();
    // Offers the main window's services to the windows around it (peers.h).
    void RegisterPeers();
    void FormShow();
    void CreateActions();
    void CreateMenus();
    void CreateToolBar();
    void ConnectCommands();
    void UpdateWindowMenu();
    bool ClipboardHasPicture() const;
    static bool DocumentHasSelection(Tfrm_childwin* document);
    // Lays the tool windows out by their outer rectangles; afterwards only those the user has no
    // stored place for.
    void LayOutToolWindowsNow(bool onlyUnplaced = false);
    // Lays them out again once the window manager has framed them.
    void FollowToolWindowFrames();
    void RestoreToolWindowVisibility();
    void WriteToolWindowVisibility();

    // Command handlers.
    void FileNew1Execute();
    void act_IconPropertiesExecute();
    void HelpAbout1Execute();
    void FileOpen1Execute();
    void FileSave1Execute();
    void FileSaveAs1Execute();
    void FileClose1Execute();
    void reopenClick(int position);
    void DirectEffect(TDirectEffect effect);
    // The Effect commands that run an adjustment dialog on the active format.
    void EffectDialogExecute(QAction* action);
    void act_load_iclExecute();
    void act_saveToLibExecute();
    // The main window's services for the icon library window (main_library.cpp).
    void RegisterLibraryPeers();
    void act_icon_mixerExecute();
    void act_helpExecute();
    void act_homepageExecute();
    void ToggleToolWindow(QWidget* window, QAction* action);

    QMdiArea* mdi_ = nullptr;
    QMenu* windowMenu_ = nullptr;
    std::unique_ptr<ImagingState> imaging_;
    std::unique_ptr<TQVClipboard> QVClipboard_;
    std::unique_ptr<TReopenList> ReopenList;
    bool TextEditing = false;
    // Whether the clipboard offers a picture, as it said when it last changed: the timer never asks
    // the clipboard itself (on X11 that waits on the program that owns it).
    bool clipboardHasPicture_ = false;
    bool firstShowDone_ = false;
};

// The one main window while it exists.
extern Tfrm_main* frm_main;
