#include "workspace/main_form.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QCloseEvent>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QIcon>
#include <QMargins>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QStatusBar>
#include <QToolBar>
#include <QUrl>

#include "creators/icon_mixer_form.h"
#include "iconfiles/qv_clipboard.h"
#include "platform/small_routines.h"
#include "imaging/imaging_state.h"
#include "platform/app_paths.h"
#include "platform/ui/dialogs.h"
#include "platform/ui/form_builder.h"
#include "platform/ui/work_area.h"
#include "workspace/childwin.h"
#include "workspace/peers.h"
#include "model/selection.h"
#include "workspace/selection_controller.h"
#include "workspace/window_registry.h"
#include "workspace/history_form.h"
#include "workspace/icon_lib_form.h"
#include "workspace/color_panel.h"
#include "workspace/tools_panel.h"

Tfrm_main* frm_main = nullptr;

// The glyphs and the program's icon are compiled into the library; a static library's resources
// must be registered by name.
static void InitFormResources() { Q_INIT_RESOURCE(forms); }

namespace {

// A menu caption or item text that shows a path: "&" is the accelerator marker, so it is doubled.
QString LiteralMenuText(const QString& text)
{
    QString out = text;
    out.replace(QLatin1Char('&'), QStringLiteral("&&"));
    return out;
}

// Tile Horizontal stacks the documents one above the other, each as wide as the frame; Tile
// Vertical sets them side by side. Minimized documents stay where they are.
void TileDocuments(QMdiArea* mdi, Qt::Orientation orientation)
{
    QList<QMdiSubWindow*> windows;
    for (QMdiSubWindow* w : mdi->subWindowList(QMdiArea::CreationOrder))
        if (w->isVisible() && !w->isMinimized()) windows << w;
    if (windows.isEmpty()) return;
    const QRect area = mdi->viewport()->rect();
    const int n = int(windows.size());
    for (int i = 0; i < n; ++i) {
        QMdiSubWindow* w = windows[i];
        if (w->isMaximized()) w->showNormal();
        QRect r;
        if (orientation == Qt::Horizontal) {
            const int top = area.height() * i / n;
            r = QRect(0, top, area.width(), area.height() * (i + 1) / n - top);
        } else {
            const int left = area.width() * i / n;
            r = QRect(left, 0, area.width() * (i + 1) / n - left, area.height());
        }
        w->setGeometry(r);
    }
}

} // namespace

// ---------------------------------------------------------------------------------------------

Tfrm_main::Tfrm_main(QWidget* parent) : TBaseForm<QMainWindow>(QStringLiteral("frm_main"), parent)
{
    frm_main = this;
    RegisterPeers();
    FormCreate();
}

void Tfrm_main::RegisterPeers()
{
    TFramePeers& peers = FramePeers();
    peers.ActiveImage = [this] { return ActiveImage(); };
    peers.ActiveFormats = [this]() -> TIconImageArray* {
        Tfrm_childwin* doc = ActiveDocument();
        return doc ? &doc->Images() : nullptr;
    };
    peers.AddFormatToActive = [this](const TIconImageRec& format) {
        if (Tfrm_childwin* doc = ActiveDocument()) {
            doc->AddImageFormat(format);
            doc->SetModified(true);
        }
    };
    peers.RefreshActiveDocument = [this] { RefreshActiveDocument(); };
    peers.MarkActiveModified = [this] {
        if (Tfrm_childwin* doc = ActiveDocument()) doc->SetModified(true);
    };
    peers.DiscardActiveText = [this] {
        if (Tfrm_childwin* doc = ActiveDocument()) doc->DiscardText();
    };
    peers.IsActiveDocument = [this](const QWidget* document) { return ActiveDocument() == document; };
    peers.UndoRedoChanged = [this](bool canUndo, bool canRedo) {
        if (act_EditUndo) act_EditUndo->setEnabled(canUndo);
        if (act_EditRedo) act_EditRedo->setEnabled(canRedo);
    };
    peers.HistoryShown = [this](bool shown) {
        if (act_History_window) act_History_window->setChecked(shown);
    };
    peers.PreviewShown = [this](bool shown) {
        if (act_Preview_window) act_Preview_window->setChecked(shown);
    };
    peers.TogglePreview = [this] {
        if (act_Preview_window) act_Preview_window->trigger();
    };
    peers.AddRecentFile = [this](const QString& path) { AddRecentFile(path); };
    peers.SetTextEditing = [this](bool editing) { SetTextEditing(editing); };
    peers.MainWindow = [this]() -> QWidget* { return this; };
    peers.QVClipboard = [this] { return QVClipboard_.get(); };
    peers.ToolChanged = [this] { ToolChanged(); };
    peers.PaletteChanged = [this] { PaletteChanged(); };
    peers.ActiveColorType = [this] { return ActiveColorType(); };
    peers.CommitAllTexts = [this] {
        for (Tfrm_childwin* doc : Documents()) doc->CommitText();
    };
    peers.SetActiveTextFrame = [this](int x, int y, int angle, int height, int width) {
        if (Tfrm_childwin* doc = ActiveDocument()) doc->SetTextFrame(x, y, angle, height, width);
    };
    peers.DocumentKeyPress = [this](QKeyEvent* event) {
        if (Tfrm_childwin* doc = ActiveDocument()) QCoreApplication::sendEvent(doc, event);
    };
    peers.OpenPictureDialog = [this](QWidget* parent, QString& path) {
        if (!dlgOpenPic2.Execute(parent)) return false;
        path = dlgOpenPic2.FileName;
        return true;
    };
    RegisterLibraryPeers();
}

Tfrm_main::~Tfrm_main()
{
    Timer1.stop();
    // Nothing the frame's area reports while it empties may reach a window being torn down.
    disconnect(mdi_, nullptr, this, nullptr);
    // Documents go before the windows they talk to, the tool windows in the reverse order of creation.
    const QList<QMdiSubWindow*> documents = mdi_->subWindowList(QMdiArea::CreationOrder);
    for (auto it = documents.rbegin(); it != documents.rend(); ++it) delete *it;
    for (QWidget* w : {HistoryWindow.data(), ColorWindow.data(), ToolsWindow.data()}) delete w;
    ReopenList.reset(); // writes the recent-files list
    QVClipboard_.reset();
    imaging_.reset();
    if (frm_main == this) {
        frm_main = nullptr;
        DocumentPeers().SaveToLibrary = nullptr;
        TFramePeers& peers = FramePeers();
        const TFramePeers history = peers;
        peers = TFramePeers{};
        // The history window's entries are its own; it may outlive the frame in tests.
        peers.AddSnapshot = history.AddSnapshot;
        peers.ShowTrackOf = history.ShowTrackOf;
        peers.RemoveTracks = history.RemoveTracks;
        peers.AddToRecycle = history.AddToRecycle;
    }
}

void Tfrm_main::FormCreate()
{
    InitFormResources();
    setWindowTitle(QStringLiteral("Tavrin"));
    setWindowIcon(ProgramIcon());
    setMinimumSize(450, 530);
    // The rectangle the window returns to when it is first un-maximized: centred on the work area.
    const Rect area = WorkAreaOf(nullptr);
    const QSize normal(qBound(450, area.Width() * 3 / 4, 1024), qBound(530, area.Height() * 3 / 4, 768));
    setGeometry(area.Left + (area.Width() - normal.width()) / 2, area.Top + (area.Height() - normal.height()) / 2,
                normal.width(), normal.height());
    setWindowState(Qt::WindowMaximized);

    // The shared display state: white background, the working bitmaps.
    imaging_ = std::make_unique<ImagingState>();
    imaging_->BackgroundColor = 0xFFFFFF;
    setAcceptDrops(true);
    QVClipboard_ = std::make_unique<TQVClipboard>();
    if (QClipboard* clipboard = QGuiApplication::clipboard()) {
        clipboardHasPicture_ = TQVClipboard::HasPicture();
        connect(clipboard, &QClipboard::dataChanged, this, [this] { clipboardHasPicture_ = TQVClipboard::HasPicture(); });
    }

    mdi_ = new QMdiArea(this);
    mdi_->setObjectName(QStringLiteral("mdi"));
    mdi_->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    mdi_->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setCentralWidget(mdi_);
    statusBar()->setObjectName(QStringLiteral("StatusBar"));

    dlgOpenPic.Title = QStringLiteral("Open Icons or Images");
    dlgOpenPic.DefaultExt = QStringLiteral("ico");
    dlgOpenPic.AllowMultiSelect = true;
    dlgOpenPic.Filter = QStringLiteral(
        "All(*.ico, *.bmp, *.jpg, *.jpeg, *.png, *.gif, *.exe; *.dll; *.icl; *.cpl; *.ocx)"
        "|*.ico;*.bmp;*.jpg;*.jpeg;*.png;*.gif;*.exe;*.dll;*.icl;*.cpl;*.ocx"
        "|Icons(*.ico)|*.ico"
        "|Images(*.bmp, *.jpg, *.jpeg, *.png, *.gif)|*.bmp;*.jpg;*.jpeg;*.png;*.gif"
        "|Icon Library(*.exe; *.dll; *.icl; *.cpl; *.ocx)|*.exe;*.dll;*.icl;*.cpl;*.ocx");
    dlgOpenPic.FilterIndex = 0;

    dlgOpenPic2.Title = QStringLiteral("Open Picture");
    dlgOpenPic2.Filter = QStringLiteral(
        "All (*.jpg;*.jpeg;*.bmp;*.gif;*.png)|*.jpg;*.jpeg;*.bmp;*.gif;*.png"
        "|JPEG Image File (*.jpg)|*.jpg|JPEG Image File (*.jpeg)|*.jpeg|Bitmaps (*.bmp)|*.bmp"
        "|PNG Image File (*.png)|*.png|GIF Image File (*.gif)|*.gif");
    dlgOpenPic2.FilterIndex = 0;

    dlgSavePicAs.DefaultExt = QStringLiteral("ico");
    dlgSavePicAs.OverwritePrompt = true;
    dlgSavePicAs.Filter = QStringLiteral(
        "Icons (*.ICO)|*.ico|Bitmaps (*.BMP)|*.bmp|JPEG (*.JPG)|*.jpg|PNG (*.PNG)|*.png|GIF (*.GIF)|*.gif");

    CreateActions();
    CreateMenus();
    CreateToolBar();
    ConnectCommands();

    TextEditing = false;
    Timer1.setInterval(200);
    connect(&Timer1, &QTimer::timeout, this, &Tfrm_main::UpdateEditCommands);
    Timer1.start();
}

void Tfrm_main::CreateActions()
{
    auto make = [this](QAction*& slot, const char* name, const QString& caption, const QKeySequence& shortcut = {}) {
        slot = new QAction(caption, this);
        slot->setObjectName(QLatin1String(name));
        if (!shortcut.isEmpty()) slot->setShortcut(shortcut);
        return slot;
    };
    make(FileNew1, "FileNew1", QStringLiteral("&New"), QKeySequence(Qt::CTRL | Qt::Key_N));
    make(FileOpen1, "FileOpen1", QStringLiteral("&Open"), QKeySequence(Qt::CTRL | Qt::Key_O));
    make(FileSave1, "FileSave1", QStringLiteral("&Save"), QKeySequence(Qt::CTRL | Qt::Key_S));
    make(FileSaveAs1, "FileSaveAs1", QStringLiteral("Save &As..."));
    make(act_IconProperties, "act_IconProperties", QStringLiteral("Icon Properties"));
    make(act_saveToLib, "act_saveToLib", QStringLiteral("Save to Icon library"));
    make(FileClose1, "FileClose1", QStringLiteral("&Close"));
    make(FileExit1, "FileExit1", QStringLiteral("E&xit"));
    make(act_EditCut, "act_EditCut", QStringLiteral("Cut"), QKeySequence(Qt::CTRL | Qt::Key_X));
    make(act_EditCopy, "act_EditCopy", QStringLiteral("Copy"), QKeySequence(Qt::CTRL | Qt::Key_C));
    make(act_EditPaste, "act_EditPaste", QStringLiteral("Paste"), QKeySequence(Qt::CTRL | Qt::Key_V));
    make(act_EditClear, "act_EditClear", QStringLiteral("Clear"), QKeySequence(Qt::Key_Delete));
    make(act_SelectAll, "act_SelectAll", QStringLiteral("Select All"), QKeySequence(Qt::CTRL | Qt::Key_A));
    make(act_SelectNone, "act_SelectNone", QStringLiteral("Select None"), QKeySequence(Qt::CTRL | Qt::Key_D));
    make(act_EditUndo, "act_EditUndo", QStringLiteral("Undo"), QKeySequence(Qt::CTRL | Qt::Key_Z));
    make(act_EditRedo, "act_EditRedo", QStringLiteral("Redo"), QKeySequence(Qt::SHIFT | Qt::CTRL | Qt::Key_Z));
    make(act_Preview_window, "act_Preview_window", QStringLiteral("Preview Window"));
    make(act_History_window, "act_History_window", QStringLiteral("History Window"));
    make(act_icon_lib, "act_icon_lib", QStringLiteral("Icon Library"));
    make(act_effect_filters, "act_effect_filters", QStringLiteral("Filters"));
    make(act_effect_Contrast_Brightness, "act_effect_Contrast_Brightness", QStringLiteral("Brightness / Contrast"));
    make(act_effect_Saturation, "act_effect_Saturation", QStringLiteral("Saturation"));
    make(act_effect_ColorBalance, "act_effect_ColorBalance", QStringLiteral("Color Balance"));
    make(act_effect_InvertColor, "act_effect_InvertColor", QStringLiteral("Invert Color"));
    make(act_effect_blur, "act_effect_blur", QStringLiteral("Blur"));
    make(act_effect_Sharpen, "act_effect_Sharpen", QStringLiteral("Sharpen"));
    make(act_effect_Shadow, "act_effect_Shadow", QStringLiteral("Shadow"));
    make(act_effect_Stroke, "act_effect_Stroke", QStringLiteral("Stroke"));
    make(act_effect_flip_horizontal, "act_effect_flip_horizontal", QStringLiteral("Flip Horizontal"));
    make(act_effect_flip_vertical, "act_effect_flip_vertical", QStringLiteral("Flip Vertical"));
    make(act_effect_rotate180, "act_effect_rotate180", QStringLiteral("Rotate 180"));
    make(act_effect_rotate90CW, "act_effect_rotate90CW", QStringLiteral("Rotate 90 CW"));
    make(act_effect_rotate90CCW, "act_effect_rotate90CCW", QStringLiteral("Rotate 90 CCW"));
    make(act_effect_rotate, "act_effect_rotate", QStringLiteral("Rotate  Arbitrary "));
    make(act_effect_zoom, "act_effect_zoom", QStringLiteral("Zoom"));
    make(act_photo_to_icon, "act_photo_to_icon", QStringLiteral("Photo to Icon"));
    make(act_icon_mixer, "act_icon_mixer", QStringLiteral("Icons Mixer"));
    make(act_load_icl, "act_load_icl", QStringLiteral("Load from Icon Library"));
    make(WindowCascade1, "WindowCascade1", QStringLiteral("&Cascade"));
    make(WindowTileHorizontal1, "WindowTileHorizontal1", QStringLiteral("Tile &Horizontal"));
    make(WindowTileVertical1, "WindowTileVertical1", QStringLiteral("Tile &Vertical"));
    make(WindowMinimizeAll1, "WindowMinimizeAll1", QStringLiteral("&Minimize All"));
    make(act_help, "act_help", QStringLiteral("Help"), QKeySequence(Qt::Key_F1));
    make(HelpAbout1, "HelpAbout1", QStringLiteral("&About..."));
    make(act_homepage, "act_homepage", QStringLiteral("Home Page"));

    SetActionHint(FileNew1, QStringLiteral("New|Create a new file"));
    SetActionHint(FileOpen1, QStringLiteral("Open|Open a file"));
    SetActionHint(FileClose1, QStringLiteral("Close|Close current file"));
    SetActionHint(FileSave1, QStringLiteral("Save|Save current file"));
    SetActionHint(FileSaveAs1, QStringLiteral("Save As|Save current file with different name"));
    SetActionHint(FileExit1, QStringLiteral("Exit|Exit application"));
    SetActionHint(WindowCascade1, QStringLiteral("Cascade"));
    SetActionHint(WindowTileHorizontal1, QStringLiteral("Tile Horizontally"));
    SetActionHint(WindowTileVertical1, QStringLiteral("Tile Vertically"));
    SetActionHint(WindowMinimizeAll1, QStringLiteral("Minimize All"));

    FileNew1->setIcon(ToolGlyph("document-new", "new"));
    FileOpen1->setIcon(ToolGlyph("document-open", "open"));
    FileSave1->setIcon(ToolGlyph("document-save", "save"));
    act_EditCut->setIcon(ToolGlyph("edit-cut", "cut"));
    act_EditCopy->setIcon(ToolGlyph("edit-copy", "copy"));
    act_EditPaste->setIcon(ToolGlyph("edit-paste", "paste"));
    WindowCascade1->setIcon(ToolGlyph("window-cascade", "cascade"));
    WindowTileHorizontal1->setIcon(ToolGlyph("window-tile-horizontal", "tile_horizontal"));
    WindowTileVertical1->setIcon(ToolGlyph("window-tile-vertical", "tile_vertical"));

    for (QAction* a : {act_Preview_window, act_History_window, act_icon_lib}) a->setCheckable(true);

    // Off until the history window says otherwise.
    act_EditUndo->setEnabled(false);
    act_EditRedo->setEnabled(false);
    FileClose1->setEnabled(false);
    for (QAction* a : {act_EditCut, act_EditCopy, act_EditPaste, act_EditClear, act_SelectAll, act_SelectNone})
        a->setEnabled(false);
}

QList<QAction*> Tfrm_main::EffectActions() const
{
    return {act_effect_flip_horizontal, act_effect_flip_vertical, act_effect_rotate180, act_effect_rotate90CW,
            act_effect_rotate90CCW,     act_effect_InvertColor,   act_effect_Contrast_Brightness,
            act_effect_ColorBalance,    act_effect_Saturation,    act_effect_blur,
            act_effect_Sharpen,         act_effect_filters,       act_effect_rotate,
            act_effect_Stroke,          act_effect_Shadow,        act_effect_zoom};
}

void Tfrm_main::CreateMenus()
{
    QMenuBar* bar = menuBar();
    bar->setObjectName(QStringLiteral("MainMenu1"));

    QMenu* file = bar->addMenu(QStringLiteral("&File"));
    file->menuAction()->setStatusTip(QStringLiteral("File related commands"));
    file->addAction(FileNew1);
    file->addAction(FileOpen1);
    Mnu_Reopen = file->addMenu(QStringLiteral("Reopen"));
    Mnu_Reopen->setObjectName(QStringLiteral("Mnu_Reopen"));
    file->addAction(FileSave1);
    file->addAction(FileSaveAs1);
    file->addAction(act_IconProperties);
    file->addAction(act_saveToLib);
    file->addAction(FileClose1);
    file->addSeparator();
    file->addAction(FileExit1);

    QMenu* edit = bar->addMenu(QStringLiteral("&Edit"));
    edit->menuAction()->setStatusTip(QStringLiteral("Edit commands"));
    edit->addAction(act_EditCut);
    edit->addAction(act_EditCopy);
    edit->addAction(act_EditPaste);
    edit->addSeparator();
    edit->addAction(act_EditClear);
    edit->addSeparator();
    edit->addAction(act_SelectAll);
    edit->addAction(act_SelectNone);
    edit->addSeparator();
    edit->addAction(act_EditUndo);
    edit->addAction(act_EditRedo);

    QMenu* view = bar->addMenu(QStringLiteral("View"));
    view->addAction(act_Preview_window);
    view->addAction(act_History_window);
    view->addAction(act_icon_lib);

    QMenu* effect = bar->addMenu(QStringLiteral("Effect"));
    effect->addAction(act_effect_filters);
    effect->addSeparator();
    effect->addAction(act_effect_Contrast_Brightness);
    effect->addAction(act_effect_Saturation);
    effect->addAction(act_effect_ColorBalance);
    effect->addAction(act_effect_InvertColor);
    effect->addSeparator();
    effect->addAction(act_effect_blur);
    effect->addAction(act_effect_Sharpen);
    effect->addSeparator();
    effect->addAction(act_effect_Shadow);
    effect->addAction(act_effect_Stroke);
    effect->addSeparator();
    effect->addAction(act_effect_flip_horizontal);
    effect->addAction(act_effect_flip_vertical);
    effect->addAction(act_effect_rotate180);
    effect->addAction(act_effect_rotate90CW);
    effect->addAction(act_effect_rotate90CCW);
    effect->addAction(act_effect_rotate);
    effect->addAction(act_effect_zoom);

    QMenu* creators = bar->addMenu(QStringLiteral("Icon Creators"));
    creators->addAction(act_photo_to_icon);
    creators->addAction(act_icon_mixer);
    creators->addSeparator();
    creators->addAction(act_load_icl);
    creators->addAction(act_saveToLib);

    windowMenu_ = bar->addMenu(QStringLiteral("&Window"));
    windowMenu_->setObjectName(QStringLiteral("Window1"));
    windowMenu_->menuAction()->setStatusTip(QStringLiteral("Window related commands"));
    connect(windowMenu_, &QMenu::aboutToShow, this, &Tfrm_main::UpdateWindowMenu);
    UpdateWindowMenu();

    QMenu* help = bar->addMenu(QStringLiteral("&Help"));
    help->menuAction()->setStatusTip(QStringLiteral("Help topics"));
    help->addAction(act_help);
    help->addAction(HelpAbout1);
    help->addSeparator();
    help->addAction(act_homepage);

    for (QMenu* m : {file, edit, view, effect, creators, windowMenu_, help, Mnu_Reopen}) m->setToolTipsVisible(false);
}

void Tfrm_main::UpdateWindowMenu()
{
    // The window list after the arrangements, as a multiple-document frame's Window menu has it.
    windowMenu_->clear();
    windowMenu_->addAction(WindowCascade1);
    windowMenu_->addAction(WindowTileHorizontal1);
    windowMenu_->addAction(WindowTileVertical1);
    windowMenu_->addAction(WindowMinimizeAll1);
    const QList<QMdiSubWindow*> windows = mdi_->subWindowList(QMdiArea::CreationOrder);
    if (windows.isEmpty()) return;
    windowMenu_->addSeparator();
    QMdiSubWindow* current = mdi_->currentSubWindow();
    int n = 0;
    for (QMdiSubWindow* w : windows) {
        ++n;
        QAction* item = windowMenu_->addAction(QStringLiteral("&%1 %2").arg(n).arg(LiteralMenuText(w->windowTitle())));
        item->setCheckable(true);
        item->setChecked(w == current);
        connect(item, &QAction::triggered, this, [this, sub = QPointer<QMdiSubWindow>(w)] {
            if (sub) mdi_->setActiveSubWindow(sub);
        });
    }
}

void Tfrm_main::CreateToolBar()
{
    ToolBar2 = addToolBar(QStringLiteral("ToolBar2"));
    ToolBar2->setObjectName(QStringLiteral("ToolBar2"));
    ToolBar2->setMovable(false);
    ToolBar2->setFixedHeight(30);
    ToolBar2->setIconSize(QSize(16, 16));
    ToolBar2->addAction(FileNew1);
    ToolBar2->addAction(FileOpen1);
    ToolBar2->addAction(FileSave1);
    ToolBar2->addSeparator();
    ToolBar2->addAction(act_EditCut);
    ToolBar2->addAction(act_EditCopy);
    ToolBar2->addAction(act_EditPaste);
    ToolBar2->addSeparator();
    ToolBar2->addAction(WindowCascade1);
    ToolBar2->addAction(WindowTileHorizontal1);
    ToolBar2->addAction(WindowTileVertical1);
}

void Tfrm_main::ConnectCommands()
{
    connect(FileNew1, &QAction::triggered, this, &Tfrm_main::FileNew1Execute);
    connect(act_IconProperties, &QAction::triggered, this, &Tfrm_main::act_IconPropertiesExecute);
    connect(HelpAbout1, &QAction::triggered, this, &Tfrm_main::HelpAbout1Execute);
    connect(FileOpen1, &QAction::triggered, this, &Tfrm_main::FileOpen1Execute);
    connect(FileSave1, &QAction::triggered, this, &Tfrm_main::FileSave1Execute);
    connect(FileSaveAs1, &QAction::triggered, this, &Tfrm_main::FileSaveAs1Execute);
    connect(FileClose1, &QAction::triggered, this, &Tfrm_main::FileClose1Execute);
    connect(FileExit1, &QAction::triggered, this, &QWidget::close);
    connect(act_load_icl, &QAction::triggered, this, &Tfrm_main::act_load_iclExecute);
    connect(act_saveToLib, &QAction::triggered, this, &Tfrm_main::act_saveToLibExecute);
    connect(act_icon_mixer, &QAction::triggered, this, &Tfrm_main::act_icon_mixerExecute);
    connect(act_photo_to_icon, &QAction::triggered, this, &Tfrm_main::act_photo_to_iconExecute);
    connect(act_help, &QAction::triggered, this, &Tfrm_main::act_helpExecute);
    connect(act_homepage, &QAction::triggered, this, &Tfrm_main::act_homepageExecute);

    connect(act_effect_flip_horizontal, &QAction::triggered, this, [this] { DirectEffect(TDirectEffect::FlipHorizontal); });
    connect(act_effect_flip_vertical, &QAction::triggered, this, [this] { DirectEffect(TDirectEffect::FlipVertical); });
    connect(act_effect_rotate180, &QAction::triggered, this, [this] { DirectEffect(TDirectEffect::Rotate180); });
    connect(act_effect_rotate90CW, &QAction::triggered, this, [this] { DirectEffect(TDirectEffect::Rotate90CW); });
    connect(act_effect_rotate90CCW, &QAction::triggered, this, [this] { DirectEffect(TDirectEffect::Rotate90CCW); });
    connect(act_effect_InvertColor, &QAction::triggered, this, [this] { DirectEffect(TDirectEffect::InvertColor); });
    for (QAction* a : {act_effect_filters, act_effect_Contrast_Brightness, act_effect_Saturation, act_effect_ColorBalance,
                       act_effect_blur, act_effect_Sharpen, act_effect_Shadow, act_effect_Stroke, act_effect_rotate,
                       act_effect_zoom})
        connect(a, &QAction::triggered, this, [this, a] { EffectDialogExecute(a); });

    connect(WindowCascade1, &QAction::triggered, mdi_, &QMdiArea::cascadeSubWindows);
    connect(WindowTileHorizontal1, &QAction::triggered, this, [this] { TileDocuments(mdi_, Qt::Horizontal); });
    connect(WindowTileVertical1, &QAction::triggered, this, [this] { TileDocuments(mdi_, Qt::Vertical); });
    connect(WindowMinimizeAll1, &QAction::triggered, this, [this] {
        const QList<QMdiSubWindow*> windows = mdi_->subWindowList(QMdiArea::CreationOrder);
        for (auto it = windows.rbegin(); it != windows.rend(); ++it) (*it)->showMinimized();
    });

    connect(act_EditCopy, &QAction::triggered, this, [this] { EditSelection(skCopy); });
    connect(act_EditCut, &QAction::triggered, this, [this] { EditSelection(skCut); });
    connect(act_EditClear, &QAction::triggered, this, [this] { EditSelection(skClear); });
    connect(act_SelectAll, &QAction::triggered, this, [this] {
        if (Tfrm_childwin* doc = ActiveDocument(); doc && !TextEditing) SelectionController::SelectAll(doc->Document(), doc->PaintBox1);
    });
    connect(act_SelectNone, &QAction::triggered, this, [this] {
        if (Tfrm_childwin* doc = ActiveDocument(); doc && !TextEditing) SelectionController::SelectNone(doc->Document(), doc->PaintBox1);
    });
    connect(act_EditPaste, &QAction::triggered, this, &Tfrm_main::act_EditPasteExecute);
    connect(act_EditUndo, &QAction::triggered, this, [] {
        if (frm_history && frm_history->CanUndo()) frm_history->Undo();
    });
    connect(act_EditRedo, &QAction::triggered, this, [] {
        if (frm_history && frm_history->CanRedo()) frm_history->Redo();
    });

    connect(act_Preview_window, &QAction::triggered, this, [this] { ToggleToolWindow(PreviewWindow, act_Preview_window); });
    connect(act_History_window, &QAction::triggered, this, [this] { ToggleToolWindow(HistoryWindow, act_History_window); });
    connect(act_icon_lib, &QAction::triggered, this, [this] { ToggleToolWindow(LibraryWindow, act_icon_lib); });

    connect(mdi_, &QMdiArea::subWindowActivated, this, [this] { FileClose1->setEnabled(!mdi_->subWindowList().isEmpty()); });
}

void Tfrm_main::ToggleToolWindow(QWidget* window, QAction* action)
{
    if (!window) return;
    if (window->isVisible())
        window->close();
    else
        window->show();
    action->setChecked(window->isVisible());
}

// ---- services that need no document ----

void Tfrm_main::SetTextEditing(bool on)
{
    TextEditing = on;
    // While a text frame is open the Delete key discards it: Clear is reached from the menu only.
    act_EditClear->setShortcut(on ? QKeySequence() : QKeySequence(Qt::Key_Delete));
    for (QAction* a : EffectActions()) a->setEnabled(!on);
}

void Tfrm_main::AddRecentFile(const QString& path)
{
    if (!ReopenList) return;
    ReopenList->Add(path);
    RebuildReopenMenu();
}

void Tfrm_main::RemoveRecentFile(const QString& path)
{
    if (!ReopenList) return;
    ReopenList->Remove(path);
    RebuildReopenMenu();
}

void Tfrm_main::RebuildReopenMenu()
{
    Mnu_Reopen->clear();
    if (!ReopenList) return;
    for (int i = 0; i < ReopenList->Count(); ++i) {
        QAction* item = Mnu_Reopen->addAction(LiteralMenuText(ReopenList->Get(i)));
        connect(item, &QAction::triggered, this, [this, i] { reopenClick(i); });
    }
}

void Tfrm_main::reopenClick(int position)
{
    const QString path = ReopenList ? ReopenList->Get(position) : QString();
    if (path.isEmpty()) return;
    OpenFiles({path});
    // The open knows a file by its absolute name alone, which it adds on success and removes on
    // failure: an entry stored under another (a hand-edited list's) goes either way, or a failed
    // one would stay for good.
    if (QDir::cleanPath(QDir::current().absoluteFilePath(path)) != path) RemoveRecentFile(path);
}

bool Tfrm_main::ClipboardHasPicture() const { return clipboardHasPicture_; }

void Tfrm_main::UpdateEditCommands()
{
    Tfrm_childwin* doc = ActiveDocument();
    const TEditCommandState s = EditCommandStates(doc != nullptr, doc && DocumentHasSelection(doc),
                                                  doc && ClipboardHasPicture(), TextEditing);
    act_EditCut->setEnabled(s.Cut);
    act_EditCopy->setEnabled(s.Copy);
    act_EditClear->setEnabled(s.Clear);
    act_EditPaste->setEnabled(s.Paste);
    act_SelectAll->setEnabled(s.SelectAll);
    act_SelectNone->setEnabled(s.SelectNone);
    FileClose1->setEnabled(DocumentCount() > 0);
}

// ---- first show and shut-down ----

void Tfrm_main::setVisible(bool visible)
{
    TBaseForm<QMainWindow>::setVisible(visible);
    if (visible && !firstShowDone_ && isMaximized()) {
        // A platform that maximizes the window as it shows it has told the new size by now; taken
        // before the first show's windows and documents are made, they are laid out and painted
        // once, at the size they keep (a document then opens centred on the maximized frame).
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    }
    if (visible && !firstShowDone_) {
        firstShowDone_ = true;
        FormShow();
    }
}

void Tfrm_main::FormShow()
{
    // The tools window, the colour window and the history window, in this order; the tools
    // window keeps to the topmost band.
    auto* tools = new Tfrm_tools_panel(this);
    AppWindows::Register(tools);
    ToolsWindow = tools;
    auto* colors = new Tfrm_color_panel(this);
    AppWindows::Register(colors);
    ColorWindow = colors;
    auto* history = new Tfrm_history(this);
    AppWindows::Register(history);
    HistoryWindow = history;

    LayOutToolWindowsNow();
    for (QWidget* w : {ToolsWindow.data(), ColorWindow.data()})
        if (w) w->show();
    RestoreToolWindowVisibility();
    FollowToolWindowFrames();

    ReopenList = std::make_unique<TReopenList>();
    RebuildReopenMenu();
    OpenCommandLineFiles(CommandLine);
}

void Tfrm_main::OpenCommandLineFiles(const QStringList& arguments)
{
    QStringList paths;
    for (const QString& a : arguments) paths << a;
    OpenFiles(paths);
}

namespace {
// The placement base of a tool window, when it has one.
TBaseFormCore* BaseOf(QWidget* w) { return dynamic_cast<TBaseFormCore*>(w); }

// What the window manager draws around a window's client area; null while it has not told.
QMargins FrameMarginsOf(const QWidget* w)
{
    const QRect outer = w->frameGeometry();
    const QRect inner = w->geometry();
    return QMargins(inner.left() - outer.left(), inner.top() - outer.top(), outer.right() - inner.right(),
                    outer.bottom() - inner.bottom());
}
} // namespace

void Tfrm_main::LayOutToolWindowsNow(bool onlyUnplaced)
{
    QWidget* const windows[] = {ToolsWindow, ColorWindow, HistoryWindow, LibraryWindow, PreviewWindow};
    // A window not yet framed by the window manager is counted with the frame of one that is
    // (the main window's at first), so the first layout already leaves room for the title bars.
    QMargins known = FrameMarginsOf(this);
    for (QWidget* w : windows) {
        if (!w) continue;
        w->createWinId(); // so that the frame is known where the platform can tell it
        if (!FrameMarginsOf(w).isNull()) known = FrameMarginsOf(w);
    }
    auto margins = [&](QWidget* w) {
        const QMargins m = FrameMarginsOf(w);
        return m.isNull() ? known : m;
    };
    auto outerSize = [&](QWidget* w) { return w ? w->size().grownBy(margins(w)) : QSize(); };

    const Rect a = WorkAreaOf(this);
    const QRect area(a.Left, a.Top, a.Width(), a.Height());
    // A maximized frame covers the work area even before the window manager has said so.
    const QRect outer = isMaximized() ? area : frameGeometry();
    const TToolWindowLayout l =
        LayOutToolWindows(outer, area, outerSize(ToolsWindow), outerSize(ColorWindow), outerSize(HistoryWindow),
                          outerSize(LibraryWindow), outerSize(PreviewWindow));
    const QRect places[] = {l.Tools, l.Colors, l.History, l.Library, l.Preview};
    for (int i = 0; i < 5; ++i) {
        QWidget* w = windows[i];
        if (!w) continue;
        TBaseFormCore* base = BaseOf(w);
        if (onlyUnplaced && (!base || base->HasStoredPosition())) continue;
        // The window's own frame when known, else the estimate the layout counted with.
        const QRect place = places[i];
        const QMargins m = margins(w);
        if (base && !FrameMarginsOf(w).isNull()) {
            base->SetOuterGeometry(place);
            continue;
        }
        const QSize client = place.size().shrunkBy(m);
        if (client != w->size() && client.isValid()) w->resize(client);
        w->move(place.topLeft()); // a window's position is its frame's

    }
}

void Tfrm_main::FollowToolWindowFrames()
{
    // The window manager frames the windows some time after they are shown, with no event of its
    // own: look for the frames for a short while, and lay the windows out again by them.
    auto* timer = new QTimer(this);
    timer->setInterval(25);
    connect(timer, &QTimer::timeout, this, [this, timer, polls = 0]() mutable {
        bool framed = true;
        for (QWidget* w : {ToolsWindow.data(), ColorWindow.data(), HistoryWindow.data(), LibraryWindow.data(),
                           PreviewWindow.data()})
            if (w && w->isVisible() && FrameMarginsOf(w).isNull()) framed = false;
        if (framed) LayOutToolWindowsNow(true);
        if (framed || ++polls >= 80) {
            timer->stop();
            timer->deleteLater();
        }
    });
    timer->start();
}

void Tfrm_main::RestoreToolWindowVisibility()
{
    const struct {
        QWidget* window;
        bool defaultShowing;
    } windows[] = {{HistoryWindow, true}, {LibraryWindow, false}, {PreviewWindow, false}};
    for (const auto& w : windows) {
        TBaseFormCore* base = BaseOf(w.window);
        if (!base || !base->RememberPlacement) continue;
        if (ReadShowing(PositionFile, w.window->objectName(), w.defaultShowing)) w.window->show();
    }
}

void Tfrm_main::WriteToolWindowVisibility()
{
    for (QWidget* w : {HistoryWindow.data(), LibraryWindow.data(), PreviewWindow.data()}) {
        TBaseFormCore* base = BaseOf(w);
        if (!base || !base->RememberPlacement) continue;
        WriteShowing(PositionFile, w->objectName(), w->isVisible());
    }
}

bool Tfrm_main::QueryShutDown()
{
    QList<QPointer<Tfrm_childwin>> documents;
    for (Tfrm_childwin* doc : Documents()) documents.prepend(doc);
    // Every document is asked before any closes, so a Cancel further down the list keeps them all;
    // a No is only acted on once the whole shut-down goes on.
    QList<QPointer<Tfrm_childwin>> discarded;
    for (const QPointer<Tfrm_childwin>& doc : documents) {
        if (!doc) continue;
        switch (doc->AskToSave()) {
        case Tfrm_childwin::TCloseAnswer::Keep: return false;
        case Tfrm_childwin::TCloseAnswer::Discard: discarded << doc; break;
        case Tfrm_childwin::TCloseAnswer::Close: break;
        }
    }
    // The library's question comes after the documents', whose saves may go into it.
    if (IconLib && !IconLib->QueryEndSave()) return false;
    for (const QPointer<Tfrm_childwin>& doc : discarded)
        if (doc) doc->SetModified(false);
    for (const QPointer<Tfrm_childwin>& doc : documents) {
        if (!doc) continue;
        auto* sub = qobject_cast<QMdiSubWindow*>(doc->parentWidget());
        if (!(sub ? sub->close() : doc->close())) return false;
    }
    return true;
}

void Tfrm_main::SaveWindowState()
{
    SavePlacement();
    WriteToolWindowVisibility();
}

void Tfrm_main::closeEvent(QCloseEvent* event)
{
    if (!QueryShutDown()) {
        event->ignore();
        return;
    }
    SaveWindowState();
    event->accept();
    emit ShutDownAccepted();
}

// ---- drops ----

void Tfrm_main::dragEnterEvent(QDragEnterEvent* event)
{
    if (event->mimeData()->hasUrls()) event->acceptProposedAction();
}

void Tfrm_main::dropEvent(QDropEvent* event)
{
    event->acceptProposedAction();
    WMDropFiles(event->mimeData());
}

void Tfrm_main::WMDropFiles(const QMimeData* data)
{
    // Every dropped file reaches the open routine whole, in drop order.
    QStringList paths;
    if (data)
        for (const QUrl& url : data->urls())
            if (url.isLocalFile()) paths << url.toLocalFile();
    OpenFiles(paths);
}

// ---- commands ----

void Tfrm_main::FileOpen1Execute()
{
    if (dlgOpenPic.Execute(this)) OpenFiles(dlgOpenPic.Files);
}

void Tfrm_main::act_load_iclExecute()
{
    dlgOpenPic.FilterIndex = 2;
    FileOpen1Execute();
}

void Tfrm_main::FileClose1Execute()
{
    if (QMdiSubWindow* sub = mdi_->currentSubWindow()) sub->close();
}

int Tfrm_main::DocumentCount() const { return int(mdi_->subWindowList().size()); }

void Tfrm_main::act_icon_mixerExecute()
{
    if (DocumentCount() < 2) {
        MessageBox(this, QStringLiteral("At least two icons opening."), QStringLiteral("Icons Mixer"));
        return;
    }
    // The dialog reads the documents' formats while it is open and hands back the mixes; the new
    // document is made here, where document windows are known.
    Tfrm_icon_mixer mixer(this);
    for (Tfrm_childwin* doc : Documents())
        mixer.AddDocument(MixerItemName(doc->Document().FileName, doc->Document().LibIconName), doc->Document().Images);
    if (mixer.exec() != QDialog::Accepted || mixer.Result.IsEmpty()) return;
    Tfrm_childwin* doc = CreateDocumentWindow();
    for (int i = 0; i < mixer.Result.Count(); ++i) doc->AddImageFormat(mixer.Result[i]);
    doc->Document().FileName = QString::fromLatin1(MixerFileName);
    // The mix exists in no file yet: closing it asks to save, and its caption says so.
    doc->SetModified(true);
    doc->setWindowTitle(mixer.ResultCaption + QStringLiteral(" *"));
}

QString Tfrm_main::HelpFilePath() { return QDir(AppPaths::ExecutableDir()).filePath(QStringLiteral("tavrin.chm")); }


void Tfrm_main::act_helpExecute() { ShellOpen(HelpFilePath()); }

void Tfrm_main::act_homepageExecute() { ShellOpen(AppPaths::HomePagePath()); }
