// The icon library window: its list, tool bar and pop-up menu, and the commands that open, make,
// edit and save libraries and keep the linked document windows in step.
#include "workspace/icon_lib_form.h"

#include <exception>

#include <QAction>
#include <QApplication>
#include <QListWidget>
#include <QMenu>
#include <QPainter>
#include <QPixmap>
#include <QStyledItemDelegate>
#include <QToolBar>
#include <QVBoxLayout>

#include "platform/app_paths.h"
#include "platform/ui/form_builder.h"
#include "workspace/peers.h"

namespace {

constexpr int CellWidth = 96;
constexpr int CellHeight = 74;
constexpr int ThumbTop = 4;
const QString OpenCaption = QStringLiteral("Open Icon Library");


// Draws each icon as the list shows it: on white, its thumbnail at the top of the cell, centred,
// and its two-line caption below. The thumbnail is the item's cached pixmap, so scrolling only
// copies pixels.
class TLibraryItemDelegate final : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        painter->save();
        const QRect r = option.rect;
        painter->fillRect(r, Qt::white);
        const QPixmap thumb = index.data(Qt::DecorationRole).value<QPixmap>();
        const int side = TIconLibrary::ThumbnailSide;
        if (!thumb.isNull()) painter->drawPixmap(r.left() + (r.width() - side) / 2, r.top() + ThumbTop, thumb);
        const QString caption = index.data(Qt::DisplayRole).toString();
        const qsizetype cr = caption.indexOf(QChar(13));
        const QString line1 = cr < 0 ? caption : caption.left(cr);
        const QString line2 = cr < 0 ? QString() : caption.mid(cr + 1);
        const QFontMetrics fm(option.font);
        const QRect text(r.left() + 1, r.top() + ThumbTop + side + 2, r.width() - 2, 2 * fm.height());
        const bool selected = (option.state & QStyle::State_Selected) != 0;
        if (selected) painter->fillRect(text, option.palette.brush(QPalette::Active, QPalette::Highlight));
        painter->setPen(selected ? option.palette.color(QPalette::Active, QPalette::HighlightedText)
                                 : option.palette.color(QPalette::Text));
        painter->setFont(option.font);
        painter->drawText(QRect(text.left(), text.top(), text.width(), fm.height()), Qt::AlignHCenter | Qt::AlignTop,
                          fm.elidedText(line1, Qt::ElideRight, text.width()));
        painter->drawText(QRect(text.left(), text.top() + fm.height(), text.width(), fm.height()),
                          Qt::AlignHCenter | Qt::AlignTop, fm.elidedText(line2, Qt::ElideRight, text.width()));
        painter->restore();
    }

    QSize sizeHint(const QStyleOptionViewItem&, const QModelIndex&) const override
    {
        return QSize(CellWidth, CellHeight);
    }
};

} // namespace

Tfrm_Icon_Lib::Tfrm_Icon_Lib(QWidget* parent)
    : Tfrm_base(QStringLiteral("frm_Icon_Lib"), parent, Qt::Tool | Qt::WindowStaysOnTopHint),
      lib_(AppPaths::WorkFolder(QStringLiteral("tmplib")))
{
    setWindowTitle(QStringLiteral("Icon Library"));
    lib_.TempDirSource = [] { return AppPaths::WorkFolder(QStringLiteral("tmplib")); };
    SnapToEdges = true;
    resize(230, 300);
    setSizeGripEnabled(false);

    const auto make = [this](QAction*& slot, const char* name, const QString& caption, const QString& hint,
                             const QKeySequence& shortcut, const QIcon& icon) {
        slot = new QAction(icon, caption, this);
        slot->setObjectName(QLatin1String(name));
        if (!shortcut.isEmpty()) {
            slot->setShortcut(shortcut);
            slot->setShortcutContext(Qt::WidgetWithChildrenShortcut);
        }
        SetActionHint(slot, hint);
        addAction(slot);
    };
    make(act_Open, "act_Open", QStringLiteral("&Open Library"), QStringLiteral("Open|Opens an existing icon library"),
         QKeySequence(Qt::CTRL | Qt::Key_O), ToolGlyph("document-open", "open"));
    make(act_new, "act_new", QStringLiteral("&New Library"), QStringLiteral("New|Create new icon library"),
         QKeySequence(Qt::CTRL | Qt::Key_N), ToolGlyph("document-new", "new"));
    make(act_Save, "act_Save", QStringLiteral("&Save"), QStringLiteral("Save|Save Icon Library"),
         QKeySequence(Qt::CTRL | Qt::Key_S), ToolGlyph("document-save", "save"));
    make(act_Delete, "act_Delete", QStringLiteral("&Delete"), QStringLiteral("Delete|Delete an Icon form library"),
         QKeySequence(Qt::Key_Delete), ToolGlyph("edit-delete", "delete"));
    make(act_Insert, "act_Insert", QStringLiteral("&Insert"), QStringLiteral("Insert|Insert an icon into library"),
         QKeySequence(Qt::CTRL | Qt::Key_I), ToolGlyph("list-add", "insert"));
    make(act_edit, "act_edit", QStringLiteral("Edit"), QStringLiteral("Edit|Edit the icon"), {},
         ToolGlyph("document-edit", "edit"));
    make(act_Rename, "act_Rename", QStringLiteral("Rename"), QStringLiteral("Rename|Rename one icon"), {},
         ToolGlyph("edit-rename", "rename"));

    tlb_ico_lib = new QToolBar(this);
    tlb_ico_lib->setObjectName(QStringLiteral("tlb_ico_lib"));
    tlb_ico_lib->setIconSize(QSize(16, 16));
    tlb_ico_lib->setToolButtonStyle(Qt::ToolButtonFollowStyle);
    tlb_ico_lib->addAction(act_new);
    tlb_ico_lib->addAction(act_Open);
    tlb_ico_lib->addAction(act_Save);
    tlb_ico_lib->addSeparator();
    tlb_ico_lib->addAction(act_Rename);
    tlb_ico_lib->addAction(act_edit);
    tlb_ico_lib->addAction(act_Insert);
    tlb_ico_lib->addAction(act_Delete);

    lsv_Lib = new QListWidget(this);
    lsv_Lib->setObjectName(QStringLiteral("lsv_Lib"));
    lsv_Lib->setViewMode(QListView::IconMode);
    lsv_Lib->setIconSize(QSize(TIconLibrary::ThumbnailSide, TIconLibrary::ThumbnailSide));
    lsv_Lib->setGridSize(QSize(CellWidth, CellHeight));
    lsv_Lib->setUniformItemSizes(true);
    lsv_Lib->setResizeMode(QListView::Adjust);
    lsv_Lib->setMovement(QListView::Static);
    lsv_Lib->setSelectionMode(QAbstractItemView::SingleSelection);
    lsv_Lib->setEditTriggers(QAbstractItemView::NoEditTriggers);
    lsv_Lib->setContextMenuPolicy(Qt::CustomContextMenu);
    lsv_Lib->setItemDelegate(new TLibraryItemDelegate(lsv_Lib));
    QPalette listPalette = lsv_Lib->palette();
    // The selection stays visible while another window has the focus.
    listPalette.setColor(QPalette::Inactive, QPalette::Highlight, listPalette.color(QPalette::Active, QPalette::Highlight));
    listPalette.setColor(QPalette::Base, Qt::white);
    lsv_Lib->setPalette(listPalette);

    pm_icon_lib = new QMenu(this);
    pm_icon_lib->setObjectName(QStringLiteral("pm_icon_lib"));
    pm_icon_lib->addAction(act_Open);
    pm_icon_lib->addAction(act_new);
    pm_icon_lib->addAction(act_Save);
    pm_icon_lib->addSeparator();
    pm_icon_lib->addAction(act_Insert);
    pm_icon_lib->addAction(act_edit);
    pm_icon_lib->addAction(act_Rename);
    pm_icon_lib->addAction(act_Delete);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(tlb_ico_lib);
    layout->addWidget(lsv_Lib);

    dlgOpenlib.DialogKind = TFileDialogRequest::Kind::OpenOne;
    dlgOpenlib.Title = OpenCaption;
    dlgOpenlib.DefaultExt = QStringLiteral("icl");
    dlgOpenlib.Filter = QStringLiteral("Icon Library(*.exe; *.dll; *.icl; *.cpl; *.ocx)|*.exe; *.dll; *.icl; *.cpl; *.ocx");
    dlgSaveLib.DialogKind = TFileDialogRequest::Kind::Save;
    dlgSaveLib.Filter = QStringLiteral("Icon Library(*.icl)|*.icl");
    // With the extension known to the dialog, the overwrite question sees the final name.
    dlgSaveLib.DefaultExt = QStringLiteral("icl");
    dlgSaveLib.OverwritePrompt = true;

    connect(act_Open, &QAction::triggered, this, &Tfrm_Icon_Lib::act_OpenExecute);
    connect(act_new, &QAction::triggered, this, &Tfrm_Icon_Lib::act_newExecute);
    connect(act_Save, &QAction::triggered, this, &Tfrm_Icon_Lib::act_SaveExecute);
    connect(act_Delete, &QAction::triggered, this, &Tfrm_Icon_Lib::act_DeleteExecute);
    connect(act_Insert, &QAction::triggered, this, &Tfrm_Icon_Lib::act_InsertExecute);
    connect(act_edit, &QAction::triggered, this, &Tfrm_Icon_Lib::act_editExecute);
    connect(act_Rename, &QAction::triggered, this, &Tfrm_Icon_Lib::act_RenameExecute);
    connect(lsv_Lib, &QListWidget::itemDoubleClicked, this, [this] { act_editExecute(); });
    connect(lsv_Lib, &QListWidget::customContextMenuRequested, this,
            [this](const QPoint& pos) { pm_icon_lib->popup(lsv_Lib->viewport()->mapToGlobal(pos)); });

    lib_.Editable = false;
    lib_.LibPath.clear();
    EnableEditing(false);
    SetModified(false);
}

Tfrm_Icon_Lib::~Tfrm_Icon_Lib()
{
    // The end-of-run question belongs before the teardown (QueryEndSave); a window freed without
    // it still offers to keep its changes.
    if (!endQuestionAsked_ && lib_.NeedsSaveQuestion()) QueryEndSave();
    // Documents are gone or go with the frame: only the working files are removed here, with
    // this run's working folder.
    lib_.Clear();
    AppPaths::RemoveWorkFolder(QStringLiteral("tmplib"));
}

QString Tfrm_Icon_Lib::LibraryPath() const { return lib_.LibPath.isEmpty() ? QString() : lib_.LibPath + lib_.LibName; }

// ---- state shown ----

void Tfrm_Icon_Lib::SetModified(bool modified)
{
    lib_.Modified = modified;
    UpdateCaption();
}

void Tfrm_Icon_Lib::UpdateCaption() { setWindowTitle(lib_.CaptionText()); }

void Tfrm_Icon_Lib::EnableEditing(bool editable)
{
    for (QAction* a : {act_Save, act_Insert, act_Delete, act_Rename}) a->setEnabled(editable);
}

QListWidgetItem* Tfrm_Icon_Lib::MakeItem(int index, QHash<const Bitmap24*, QPixmap>* shared) const
{
    auto* item = new QListWidgetItem;
    const TGroupIcon& icon = lib_.Icons[size_t(index)];
    item->setText(TIconLibrary::ItemCaption(icon));
    if (icon.Thumbnail && !icon.Thumbnail->IsEmpty()) {
        // Icons that share a thumbnail share its pixmap too.
        QPixmap pixmap;
        if (shared) pixmap = shared->value(icon.Thumbnail.get());
        if (pixmap.isNull()) {
            pixmap = QPixmap::fromImage(icon.Thumbnail->ToQImage());
            if (shared) shared->insert(icon.Thumbnail.get(), pixmap);
        }
        item->setData(Qt::DecorationRole, pixmap);
    }
    return item;
}

void Tfrm_Icon_Lib::FillList()
{
    lsv_Lib->setUpdatesEnabled(false);
    lsv_Lib->clear();
    QHash<const Bitmap24*, QPixmap> shared;
    for (int i = 0; i < lib_.Count(); ++i) lsv_Lib->addItem(MakeItem(i, &shared));
    lsv_Lib->setUpdatesEnabled(true);
}

void Tfrm_Icon_Lib::UpdateItem(int index)
{
    QListWidgetItem* item = lsv_Lib->item(index);
    if (!item || !lib_.IsValidIndex(index)) return;
    QListWidgetItem* fresh = MakeItem(index);
    item->setText(fresh->text());
    item->setData(Qt::DecorationRole, fresh->data(Qt::DecorationRole));
    delete fresh;
}

int Tfrm_Icon_Lib::SelectedIndex() const
{
    const QList<QListWidgetItem*> selected = lsv_Lib->selectedItems();
    return selected.isEmpty() ? -1 : lsv_Lib->row(selected.first());
}

void Tfrm_Icon_Lib::SelectIndex(int index)
{
    if (QListWidgetItem* item = lsv_Lib->item(index)) {
        lsv_Lib->setCurrentItem(item);
        item->setSelected(true);
        lsv_Lib->scrollToItem(item);
    }
}

TLibraryLink Tfrm_Icon_Lib::LinkOf(int index) const
{
    TLibraryLink link;
    if (!lib_.IsValidIndex(index)) return link;
    const QString& name = lib_.Icons[size_t(index)].Name;
    if (lib_.Editable) {
        link.LibIconName = name;
        link.LibName = lib_.LibName;
        link.Serial = lib_.Serial;
    } else {
        // A read-only library's icon opens as a document of its own, saved to a file.
        link.FileName = name;
    }
    return link;
}

void Tfrm_Icon_Lib::RelinkDocuments()
{
    const auto& relink = FramePeers().LinkDocument;
    if (!relink || !lib_.Editable) return;
    for (int i = 0; i < lib_.Count(); ++i)
        if (QObject* doc = lib_.Icons[size_t(i)].Editor) relink(doc, LinkOf(i));
}

// ---- whole library ----

bool Tfrm_Icon_Lib::ClearLibrary()
{
    // Each document first, with its own question; one that stays open keeps the library too.
    const auto& closeDocument = FramePeers().CloseDocument;
    const int saves = documentSaves_;
    for (int i = 0; i < lib_.Count(); ++i) {
        QObject* doc = lib_.Icons[size_t(i)].Editor;
        if (!doc) continue;
        if (!closeDocument || !closeDocument(doc)) return false;
    }
    if (documentSaves_ != saves && AskSaveModified() != 0) return false;
    lib_.Clear();
    lsv_Lib->clear();
    return true;
}

int Tfrm_Icon_Lib::OpenLibrary(const QString& path)
{
    if (!ClearLibrary()) return -1;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    QString warning;
    int result = -1;
    try {
        result = lib_.Open(path, warning);
    } catch (const std::exception& e) {
        lib_.Clear();
        lib_.Editable = false;
        lib_.LibPath.clear();
        lib_.MessageText = QString::fromLocal8Bit(e.what());
    }
    EnableEditing(lib_.Editable);
    FillList();
    SetModified(false);
    QApplication::restoreOverrideCursor();
    if (!isVisible()) show();
    if (result != 0) {
        MessageBox(this, lib_.MessageText, OpenCaption, TMsgButtons::Ok, TMsgIcon::Error);
        return -1;
    }
    if (!warning.isEmpty()) MessageBox(this, warning, OpenCaption, TMsgButtons::Ok, TMsgIcon::Warning);
    return 0;
}

void Tfrm_Icon_Lib::act_OpenExecute()
{
    if (AskSaveModified() != 0) return;
    if (!Dialogs().RunFileDialog(this, dlgOpenlib)) return;
    const QString path = dlgOpenlib.FileName;
    if (OpenLibrary(path) == 0)
        if (const auto& add = FramePeers().AddRecentFile) add(path);
}

void Tfrm_Icon_Lib::act_newExecute()
{
    if (AskSaveModified() != 0) return;
    if (!ClearLibrary()) return;
    lib_.NewLibrary();
    FillList();
    EnableEditing(true);
    SetModified(false);
}

int Tfrm_Icon_Lib::AskSaveModified()
{
    if (!lib_.NeedsSaveQuestion()) return 0;
    switch (MessageBox(this, lib_.ModifiedQuestion(), QStringLiteral("Save Library"), TMsgButtons::YesNoCancel,
                       TMsgIcon::Question)) {
    case TMsgResult::Yes: return SaveLibrary();
    case TMsgResult::No: return 0;
    default: return -1;
    }
}

bool Tfrm_Icon_Lib::QueryEndSave()
{
    endQuestionAsked_ = true;
    if (!lib_.NeedsSaveQuestion()) return true;
    const TMsgResult answer = MessageBox(this, lib_.ModifiedQuestion(), QStringLiteral("Save Library"),
                                         TMsgButtons::YesNo, TMsgIcon::Question);
    if (answer != TMsgResult::Yes) return true;
    if (SaveLibrary() == 0) return true;
    // The run goes on, so the question comes again at the next attempt to end it.
    endQuestionAsked_ = false;
    return false;
}

int Tfrm_Icon_Lib::SaveLibrary()
{
    QString target;
    const bool firstSave = lib_.LibPath.isEmpty();
    if (!firstSave) {
        target = lib_.LibPath + lib_.LibName;
    } else {
        dlgSaveLib.FileName = lib_.LibName;
        if (!Dialogs().RunFileDialog(this, dlgSaveLib)) return -1;
        target = TIconLibrary::SaveTarget(dlgSaveLib.FileName);
    }
    int result = -1;
    try {
        result = lib_.WriteLibraryFile(target);
    } catch (const std::exception& e) {
        lib_.MessageText = QString::fromLocal8Bit(e.what());
    }
    if (result != 0) {
        // The file on disk is as it was, and the changes are still only here.
        MessageBox(this, lib_.MessageText, QStringLiteral("Save Library"), TMsgButtons::Ok, TMsgIcon::Error);
        return -1;
    }
    if (firstSave) {
        lib_.SetPath(target);
        if (const auto& add = FramePeers().AddRecentFile) add(target);
    }
    SetModified(false);
    // Linked documents name the library by its new name.
    RelinkDocuments();
    return 0;
}

void Tfrm_Icon_Lib::act_SaveExecute()
{
    if (!lib_.Editable) return;
    SaveLibrary();
}

// ---- icons ----

void Tfrm_Icon_Lib::act_InsertExecute()
{
    const int at = lib_.InsertIcon();
    if (at < 0) return;
    lsv_Lib->addItem(MakeItem(at));
}

void Tfrm_Icon_Lib::act_DeleteExecute()
{
    const int index = SelectedIndex();
    if (!lib_.Editable || !lib_.IsValidIndex(index)) return;
    const QString name = lib_.Icons[size_t(index)].Name;
    if (MessageBox(this, QStringLiteral("Are you sure delete the icon '%1'?, It can not resume.").arg(name),
                   QStringLiteral("Delete icon"), TMsgButtons::YesNo, TMsgIcon::Question) != TMsgResult::Yes)
        return;
    // Its document goes first and may keep itself open (its own question): the icon then stays.
    if (QObject* doc = lib_.Icons[size_t(index)].Editor) {
        const auto& closeDocument = FramePeers().CloseDocument;
        if (!closeDocument || !closeDocument(doc)) return;
    }
    delete lsv_Lib->takeItem(index);
    lib_.DeleteIcon(index);
    SetModified(true);
}

void Tfrm_Icon_Lib::act_RenameExecute()
{
    const int index = SelectedIndex();
    if (!lib_.Editable || !lib_.IsValidIndex(index)) return;
    QString text = lib_.Icons[size_t(index)].Name;
    // Cancel leaves the present name, which is taken like a typed one.
    Dialogs().InputText(this, QStringLiteral("Rename"), QStringLiteral("Please enter a new name"), text);
    switch (lib_.RenameIcon(index, text)) {
    case TIconLibrary::TRenameResult::Clash:
        MessageBox(this, QStringLiteral("The existence of the same name."), QStringLiteral("Rename icon"));
        return;
    case TIconLibrary::TRenameResult::Renamed: break;
    default: return;
    }
    UpdateItem(index);
    if (QObject* doc = lib_.Icons[size_t(index)].Editor)
        if (const auto& relink = FramePeers().LinkDocument) relink(doc, LinkOf(index));
    SetModified(true);
}

void Tfrm_Icon_Lib::act_editExecute()
{
    const int index = SelectedIndex();
    if (!lib_.IsValidIndex(index)) return;
    TGroupIcon& icon = lib_.Icons[size_t(index)];
    if (icon.Editor) {
        if (const auto& activate = FramePeers().ActivateDocument) activate(icon.Editor);
        return;
    }
    const TLibraryLink link = LinkOf(index);
    QObject* doc = nullptr;
    if (icon.FormatCount > 0) {
        TIconImageArray formats;
        for (const TIconFormat& f : icon.Formats) {
            TIconImageRec image;
            // A format whose working file is missing is left out.
            if (lib_.LoadFormat(f, image)) formats.Add(std::move(image));
        }
        if (formats.IsEmpty()) {
            // Say why rather than do nothing: the file may be cut short or damaged.
            MessageBox(this, lib_.WhyNoFormatOpens(index), QStringLiteral("Icon Library"), TMsgButtons::Ok, TMsgIcon::Warning);
            return;
        }
        if (const auto& open = FramePeers().OpenLibraryDocument) doc = open(link, formats);
    } else {
        if (const auto& create = FramePeers().NewLibraryDocument) doc = create(link);
    }
    if (doc) lib_.LinkEditor(index, doc);
}

int Tfrm_Icon_Lib::SaveIconToLibrary(const QString& name, const TIconImageArray& formats, bool asNew,
                                     QObject* document, uint32_t serial)
{
    int index = -1;
    if (asNew) {
        index = lib_.AddIcon(name, formats);
        if (index < 0) return -1;
        lsv_Lib->addItem(MakeItem(index));
        // Linked both ways, so renaming, deleting and clearing reach the document.
        if (document) {
            lib_.LinkEditor(index, document);
            if (const auto& relink = FramePeers().LinkDocument) relink(document, LinkOf(index));
        }
    } else {
        index = lib_.ReplaceIcon(name, formats, document, serial);
        if (index < 0) return -1;
        ++documentSaves_;
        UpdateItem(index);
    }
    lsv_Lib->clearSelection();
    SelectIndex(index);
    SetModified(true);
    return 0;
}

// ---- visibility ----

void Tfrm_Icon_Lib::showEvent(QShowEvent* event)
{
    Tfrm_base::showEvent(event);
    if (const auto& shown = FramePeers().LibraryShown) shown(true);
}

void Tfrm_Icon_Lib::hideEvent(QHideEvent* event)
{
    Tfrm_base::hideEvent(event);
    if (const auto& shown = FramePeers().LibraryShown) shown(false);
}
