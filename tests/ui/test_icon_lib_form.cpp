// The icon library window driven as a person would: a module opened by a drop, its icons listed
// with thumbnails and opened into documents; a new library built from documents, renamed, saved,
// edited through its linked documents and opened again; the questions before a modified library
// is replaced or the program ends.
#include <QApplication>
#include <QImage>
#include <QListWidget>
#include <QMimeData>
#include <QTest>
#include <QUrl>

#include "iconfiles/icon_resources.h"
#include "support/ui_helpers.h"
#include "support/when_modal.h"
#include "workspace/dialogs/add_new_image_form.h"
#include "workspace/icon_lib_form.h"

namespace {

const QString ModuleX64 = TestDataPath(QStringLiteral("modules/icons_x64.dll"));

class IconLibFormTest : public MainWindowTest {
protected:
    void SetUp() override
    {
        MainWindowTest::SetUp();
        lib = new Tfrm_Icon_Lib(main.get());
        main->IconLib = lib;
        main->LibraryWindow = lib;
    }

    QStringList ItemTexts() const
    {
        QStringList out;
        for (int i = 0; i < lib->lsv_Lib->count(); ++i) out << lib->lsv_Lib->item(i)->text().replace(QChar(13), QLatin1Char('|'));
        return out;
    }
    QStringList Names() const
    {
        QStringList out;
        for (const TGroupIcon& icon : lib->Library().Icons) out << icon.Name;
        return out;
    }
    void DoubleClick(int row)
    {
        QListWidgetItem* item = lib->lsv_Lib->item(row);
        ASSERT_NE(item, nullptr);
        const QPoint at = lib->lsv_Lib->visualItemRect(item).center();
        QTest::mouseClick(lib->lsv_Lib->viewport(), Qt::LeftButton, {}, at);
        QTest::mouseDClick(lib->lsv_Lib->viewport(), Qt::LeftButton, {}, at);
    }
    void Drop(const QStringList& paths)
    {
        QMimeData data;
        QList<QUrl> urls;
        for (const QString& p : paths) urls << QUrl::fromLocalFile(p);
        data.setUrls(urls);
        main->WMDropFiles(&data);
    }
    // The list as the screen shows it.
    QImage ListPicture() const { return lib->lsv_Lib->viewport()->grab().toImage(); }

    Tfrm_Icon_Lib* lib = nullptr;
};

} // namespace

TEST_F(IconLibFormTest, ADroppedModuleIsListedReadOnlyAndItsIconsOpenUnlinked)
{
    EXPECT_EQ(lib->windowTitle(), QStringLiteral("Icon Library - "));
    EXPECT_FALSE(main->act_icon_lib->isChecked());
    // Two modules dropped at once: only the first is opened.
    Drop({ModuleX64, TestDataPath(QStringLiteral("modules/icons_x86.dll"))});
    EXPECT_TRUE(lib->isVisible());
    EXPECT_TRUE(main->act_icon_lib->isChecked());
    EXPECT_EQ(lib->windowTitle(), QStringLiteral("Icon Library - icons_x64.dll"));
    EXPECT_EQ(Recent(), QStringList{ModuleX64});

    // What the reader lists is what the window lists, each with its two-line caption.
    TIconModuleReader reader;
    ASSERT_EQ(reader.ReadLibrary(ModuleX64), 0);
    ASSERT_EQ(lib->lsv_Lib->count(), int(reader.Icons.size()));
    ASSERT_EQ(lib->lsv_Lib->count(), 3);
    QStringList expected;
    for (const TModuleIcon& icon : reader.Icons) expected << icon.Name;
    EXPECT_EQ(Names(), expected);
    for (int i = 0; i < 3; ++i) {
        const TGroupIcon& icon = lib->Library().Icons[size_t(i)];
        const QString second = icon.FormatCount == 1
                                   ? QStringLiteral("%1x%2 %3").arg(icon.Formats[0].Width).arg(icon.Formats[0].Height).arg(icon.Formats[0].BitCount)
                                   : QStringLiteral("(%1 Formats)").arg(icon.FormatCount);
        EXPECT_EQ(ItemTexts()[i], icon.Name + QLatin1Char('|') + second);
    }
    EXPECT_TRUE(ItemTexts().contains(QStringLiteral("QV Icon2|(4 Formats)"))) << ItemTexts().join(QLatin1Char(' ')).toStdString();

    // Read-only: the editing commands are off and do nothing.
    for (QAction* a : {lib->act_Save, lib->act_Insert, lib->act_Delete, lib->act_Rename}) EXPECT_FALSE(a->isEnabled());
    lib->SelectIndex(0);
    lib->act_InsertExecute();
    lib->act_DeleteExecute();
    EXPECT_EQ(lib->lsv_Lib->count(), 3);
    EXPECT_TRUE(dialogs.Messages.isEmpty());

    // Each cell shows its thumbnail on white, centred at the top of the cell.
    const QImage shown = ListPicture();
    int coloured = 0;
    for (int row = 0; row < 3; ++row) {
        const QRect cell = lib->lsv_Lib->visualItemRect(lib->lsv_Lib->item(row));
        const QRect thumb(cell.left() + (cell.width() - 32) / 2, cell.top() + 4, 32, 32);
        int here = 0;
        for (int y = thumb.top(); y <= thumb.bottom(); ++y)
            for (int x = thumb.left(); x <= thumb.right(); ++x)
                if (shown.pixelColor(x, y) != QColor(Qt::white)) ++here;
        EXPECT_GT(here, 40) << "row " << row;
        coloured += here;
    }
    EXPECT_GT(coloured, 0);

    // Double click opens the icon in a document named after it, not linked to the library.
    const int appRow = int(Names().indexOf(QStringLiteral("QV Icon2")));
    DoubleClick(appRow);
    ASSERT_EQ(main->DocumentCount(), 1);
    Tfrm_childwin* doc = main->Documents().first();
    EXPECT_EQ(doc->windowTitle(), QStringLiteral("QV Icon2 *")); // in no file of its own yet
    EXPECT_TRUE(doc->Document().LibIconName.isEmpty());
    EXPECT_TRUE(doc->Document().Folder.isEmpty());
    ASSERT_EQ(doc->Images().Count(), 4);
    std::vector<TModuleImage> images;
    reader.ReadIconImages(appRow, images);
    ASSERT_EQ(images.size(), 4u);
    for (int i = 0; i < 4; ++i) ExpectSameImage(doc->Images()[i], images[size_t(i)].Image, "format " + std::to_string(i));
    // A second double click brings that document to the front instead of opening another.
    NewDocument(QStringLiteral("other"), {PatternFormat(16, 16, ctTrueAlpha, 2)});
    DoubleClick(appRow);
    EXPECT_EQ(main->DocumentCount(), 2);
    EXPECT_EQ(main->ActiveDocument(), doc);
    // Saving such a document into a read-only library is refused with the library's message.
    main->act_saveToLib->trigger();
    EXPECT_EQ(dialogs.Shown().last(), QStringLiteral("Save File: Can't find an opening ICL(*.ICL) library."));

    // Opening the module again only shows the window.
    lib->hide();
    EXPECT_FALSE(main->act_icon_lib->isChecked());
    Drop({ModuleX64});
    EXPECT_TRUE(lib->isVisible());
    EXPECT_EQ(main->DocumentCount(), 2);
}

TEST_F(IconLibFormTest, ANewLibraryIsBuiltFromDocumentsRenamedSavedAndOpenedAgain)
{
    lib->show();
    lib->act_new->trigger();
    EXPECT_EQ(lib->windowTitle(), QStringLiteral("Icon Library - New Icon Lib"));
    EXPECT_EQ(ItemTexts(), QStringList{"New Icon|(0 Formats)"});
    for (QAction* a : {lib->act_Save, lib->act_Insert, lib->act_Delete, lib->act_Rename}) EXPECT_TRUE(a->isEnabled());
    // Insert appends an empty icon named unique; it does not mark the library.
    lib->act_Insert->trigger();
    EXPECT_EQ(Names(), (QStringList{"New Icon", "New Icon(1)"}));
    EXPECT_EQ(lib->windowTitle(), QStringLiteral("Icon Library - New Icon Lib"));

    // File > Save to Icon library adds the active document as a new icon and links it.
    Tfrm_childwin* doc = NewDocument(QStringLiteral("Folder"), {SolidFormat(32, 32, ctTrueAlpha, MakeColor(255, 0, 0), 0)});
    main->act_saveToLib->trigger();
    EXPECT_EQ(ItemTexts(), (QStringList{"New Icon|(0 Formats)", "New Icon(1)|(0 Formats)", "Folder|32x32 32"}));
    EXPECT_EQ(lib->SelectedIndex(), 2);
    EXPECT_EQ(doc->windowTitle(), QStringLiteral("Folder in New Icon Lib library"));
    EXPECT_EQ(lib->windowTitle(), QStringLiteral("Icon Library - New Icon Lib *"));
    // A second document of the same name gets a name of its own.
    NewDocument(QStringLiteral("folder"), {SolidFormat(16, 16, ctTrueAlpha, MakeColor(0, 0, 255), 0)});
    main->act_saveToLib->trigger();
    EXPECT_EQ(Names(), (QStringList{"New Icon", "New Icon(1)", "Folder", "folder(1)"}));

    // Rename: a clash is refused, a new name reaches the linked document.
    lib->SelectIndex(2);
    dialogs.TextAnswers << QStringLiteral("NEW ICON");
    lib->act_Rename->trigger();
    EXPECT_EQ(dialogs.TextRequests.last(), QStringLiteral("Rename: Please enter a new name [Folder]"));
    EXPECT_EQ(dialogs.Shown().last(), QStringLiteral("Rename icon: The existence of the same name."));
    EXPECT_EQ(Names()[2], QStringLiteral("Folder"));
    dialogs.TextAnswers << QStringLiteral("Red square");
    lib->act_Rename->trigger();
    EXPECT_EQ(Names()[2], QStringLiteral("Red square"));
    EXPECT_EQ(ItemTexts()[2], QStringLiteral("Red square|32x32 32"));
    EXPECT_EQ(doc->windowTitle(), QStringLiteral("Red square in New Icon Lib library"));

    // The first save asks for a name and adds ".icl"; linked documents follow the new name.
    const QString target = Path(QStringLiteral("my"));
    dialogs.FileAnswers.enqueue(ScriptedDialogs::Choose({target}));
    lib->act_Save->trigger();
    EXPECT_EQ(dialogs.FileRequests.last().Filter, QStringLiteral("Icon Library(*.icl)|*.icl"));
    EXPECT_TRUE(dialogs.FileRequests.last().OverwritePrompt);
    EXPECT_TRUE(QFileInfo::exists(target + QStringLiteral(".icl")));
    EXPECT_EQ(lib->windowTitle(), QStringLiteral("Icon Library - my.icl"));
    EXPECT_EQ(Recent().first(), target + QStringLiteral(".icl"));
    EXPECT_EQ(doc->windowTitle(), QStringLiteral("Red square in my.icl library"));

    // The linked document's Save replaces its icon's formats and thumbnail.
    TIconImageRec& f = doc->Images()[0];
    for (int y = 0; y < 32; ++y)
        for (int x = 0; x < 32; ++x) f.Bitmap->SetPixel(x, y, MakeColor(0, 200, 0));
    doc->AddImageFormat(SolidFormat(16, 16, ctTrueAlpha, MakeColor(0, 200, 0), 0));
    doc->SetModified(true);
    EXPECT_EQ(doc->windowTitle(), QStringLiteral("Red square in my.icl library *"));
    Activate(doc);
    main->FileSave1->trigger();
    EXPECT_EQ(doc->windowTitle(), QStringLiteral("Red square in my.icl library"));
    EXPECT_EQ(ItemTexts()[2], QStringLiteral("Red square|(2 Formats)"));
    EXPECT_EQ(lib->windowTitle(), QStringLiteral("Icon Library - my.icl *"));
    EXPECT_EQ(lib->Library().Icons[2].Thumbnail->Pixel(16, 16), MakeColor(0, 200, 0));
    lib->act_Save->trigger();
    EXPECT_EQ(lib->windowTitle(), QStringLiteral("Icon Library - my.icl"));

    // Opened again (its documents close first), the library reads back as it was written.
    const QStringList written = Names();
    lib->act_new->trigger();
    EXPECT_EQ(main->DocumentCount(), 0); // the linked documents went with the library
    dialogs.FileAnswers.enqueue(ScriptedDialogs::Choose({target + QStringLiteral(".icl")}));
    lib->act_Open->trigger();
    EXPECT_EQ(dialogs.FileRequests.last().Title, QStringLiteral("Open Icon Library"));
    const QVector<TFileFilter> filters = ParseFileFilter(dialogs.FileRequests.last().Filter);
    ASSERT_EQ(filters.size(), 1);
    EXPECT_EQ(filters[0].Description, QStringLiteral("Icon Library(*.exe; *.dll; *.icl; *.cpl; *.ocx)"));
    EXPECT_EQ(filters[0].Patterns, (QStringList{"*.exe", "*.dll", "*.icl", "*.cpl", "*.ocx"}));
    EXPECT_EQ(Names(), written);
    EXPECT_EQ(ItemTexts()[2], QStringLiteral("Red square|(2 Formats)"));
    EXPECT_TRUE(lib->act_Rename->isEnabled());
    DoubleClick(2);
    Tfrm_childwin* again = main->ActiveDocument();
    ASSERT_NE(again, nullptr);
    EXPECT_EQ(again->windowTitle(), QStringLiteral("Red square in my.icl library"));
    ASSERT_EQ(again->Images().Count(), 2);
    EXPECT_EQ(again->Images()[0].Bitmap->Pixel(3, 3), MakeColor(0, 200, 0));
}

TEST_F(IconLibFormTest, DeletingAnIconClosesItsDocumentAndKeepsLaterLinksInPlace)
{
    lib->act_new->trigger();
    Tfrm_childwin* a = NewDocument(QStringLiteral("A"), {SolidFormat(16, 16, ctTrueAlpha, 0x0000FF, 0)});
    main->act_saveToLib->trigger();
    Tfrm_childwin* b = NewDocument(QStringLiteral("B"), {SolidFormat(16, 16, ctTrueAlpha, 0x00FF00, 0)});
    main->act_saveToLib->trigger();
    EXPECT_EQ(Names(), (QStringList{"New Icon", "A", "B"}));
    QPointer<Tfrm_childwin> gone = a;

    // No: nothing happens.
    lib->SelectIndex(1);
    dialogs.Answer({TMsgResult::No});
    lib->act_Delete->trigger();
    EXPECT_EQ(dialogs.Shown().last(), QStringLiteral("Delete icon: Are you sure delete the icon 'A'?, It can not resume."));
    EXPECT_EQ(lib->lsv_Lib->count(), 3);
    // Yes: the icon and its document go; B moves up and still brings its document to the front.
    dialogs.Answer({TMsgResult::Yes});
    lib->act_Delete->trigger();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(gone.isNull());
    EXPECT_EQ(Names(), (QStringList{"New Icon", "B"}));
    EXPECT_EQ(lib->windowTitle(), QStringLiteral("Icon Library - New Icon Lib *"));
    NewDocument(QStringLiteral("C"), {SolidFormat(16, 16, ctTrueAlpha, 0, 0)});
    DoubleClick(1);
    EXPECT_EQ(main->ActiveDocument(), b);
    EXPECT_EQ(main->DocumentCount(), 2);
}

TEST_F(IconLibFormTest, AModifiedLibraryIsAskedAboutBeforeAnyOpenAndAtTheEnd)
{
    lib->act_new->trigger();
    NewDocument(QStringLiteral("A"), {SolidFormat(16, 16, ctTrueAlpha, 0x0000FF, 0)});
    main->act_saveToLib->trigger();
    ASSERT_TRUE(lib->Library().Modified);
    const QString question = QStringLiteral("Save Library: The library 'New Icon Lib' has been modified. Do you want to save it?");

    // Cancel from the main window's open: the library stays, the file is not opened.
    dialogs.Answer({TMsgResult::Cancel});
    Drop({ModuleX64});
    EXPECT_EQ(dialogs.Shown().last(), question);
    EXPECT_EQ(dialogs.Messages.last().Buttons, TMsgButtons::YesNoCancel);
    EXPECT_EQ(Names(), (QStringList{"New Icon", "A"}));
    EXPECT_TRUE(Recent().isEmpty());
    // Cancel from the window's own Open and New.
    dialogs.Answer({TMsgResult::Cancel, TMsgResult::Cancel});
    lib->act_Open->trigger();
    lib->act_new->trigger();
    EXPECT_EQ(Names(), (QStringList{"New Icon", "A"}));
    EXPECT_TRUE(dialogs.FileRequests.isEmpty());

    // The end of the run asks once, Yes and No only; a Yes whose save is cancelled keeps the program.
    const int before = int(dialogs.Messages.size());
    dialogs.Answer({TMsgResult::Yes});
    EXPECT_FALSE(main->close());
    ASSERT_EQ(dialogs.Messages.size(), before + 1);
    EXPECT_EQ(dialogs.Shown().last(), question);
    EXPECT_EQ(dialogs.Messages.last().Buttons, TMsgButtons::YesNo);
    EXPECT_TRUE(main->isVisible());

    // No from the open: the module replaces the library and its linked document closes.
    dialogs.Answer({TMsgResult::No});
    Drop({ModuleX64});
    EXPECT_EQ(lib->windowTitle(), QStringLiteral("Icon Library - icons_x64.dll"));
    EXPECT_EQ(main->DocumentCount(), 0);
    EXPECT_EQ(Recent(), QStringList{ModuleX64});
}

TEST_F(IconLibFormTest, AFileThatCannotBeOpenedIsShownAndLeavesAnEmptyLibrary)
{
    const QString missing = Path(QStringLiteral("gone.icl"));
    Drop({missing});
    ASSERT_FALSE(dialogs.Messages.isEmpty());
    EXPECT_EQ(dialogs.Messages.last().Caption, QStringLiteral("Open Icon Library"));
    EXPECT_EQ(lib->lsv_Lib->count(), 0);
    EXPECT_TRUE(lib->LibraryPath().isEmpty());
    EXPECT_FALSE(lib->act_Save->isEnabled());
    EXPECT_TRUE(Recent().isEmpty());
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

TEST_F(IconLibFormTest, TheNewLibrarysEmptyIconOpensThroughTheAddFormatDialogAndSavesIntoItself)
{
    Tfrm_add_new_image addFormat;
    lib->act_new->trigger();
    // Cancel opens nothing.
    WhenModal([](QWidget* modal) { static_cast<QDialog*>(modal)->reject(); });
    DoubleClick(0);
    EXPECT_EQ(main->DocumentCount(), 0);
    WhenModal([&](QWidget*) {
        EXPECT_TRUE(addFormat.rad_48x48->isChecked());
        EXPECT_TRUE(addFormat.rad_32bits->isChecked());
        EXPECT_FALSE(addFormat.chk_BaseImage->isEnabled());
        QTest::mouseClick(addFormat.BitBtn1, Qt::LeftButton);
    });
    DoubleClick(0);
    ASSERT_EQ(main->DocumentCount(), 1);
    Tfrm_childwin* doc = main->ActiveDocument();
    EXPECT_EQ(doc->windowTitle(), QStringLiteral("New Icon in New Icon Lib library"));
    ASSERT_EQ(doc->Images().Count(), 1);
    EXPECT_EQ(doc->Images()[0].Width, 48);

    // Its Save fills the empty icon; the library is modified and the document is not.
    doc->SetModified(true);
    EXPECT_TRUE(doc->Save());
    EXPECT_EQ(ItemTexts(), QStringList{"New Icon|48x48 32"});
    EXPECT_EQ(lib->windowTitle(), QStringLiteral("Icon Library - New Icon Lib *"));
    EXPECT_EQ(doc->windowTitle(), QStringLiteral("New Icon in New Icon Lib library"));
    // Double click now brings that document to the front.
    DoubleClick(0);
    EXPECT_EQ(main->DocumentCount(), 1);
}

TEST_F(IconLibFormTest, WorkingFilesLiveInTmplibForTheRunOnly)
{
    // A module's images stay its own bytes: opening writes no working file.
    Drop({ModuleX64});
    EXPECT_EQ(lib->lsv_Lib->count(), 3);
    EXPECT_TRUE(QviFilesUnder(appDir.Path()).isEmpty());
    // A document's formats saved into a library get one each, all inside "tmplib".
    lib->act_new->trigger();
    TIconImageArray formats;
    formats.Add(PatternFormat(16, 16, ctTrueAlpha, 1));
    formats.Add(PatternFormat(32, 32, ctColors256, 2));
    ASSERT_EQ(lib->SaveIconToLibrary(QStringLiteral("Two"), formats, true, nullptr), 0);
    const QStringList files = QviFilesUnder(appDir.Path());
    EXPECT_EQ(files.size(), 2);
    for (const QString& f : files) EXPECT_TRUE(f.contains(QStringLiteral("/tmplib/"))) << f.toStdString();
    delete lib;
    lib = nullptr;
    EXPECT_TRUE(QviFilesUnder(appDir.Path()).isEmpty());
    EXPECT_FALSE(QFileInfo::exists(Path(QStringLiteral("tmplib"))));
}

TEST_F(IconLibFormTest, ADocumentThatStaysOpenKeepsItsIconAndAFailedSaveKeepsTheChanges)
{
    lib->act_new->trigger();
    Tfrm_childwin* doc = NewDocument(QStringLiteral("A"), {SolidFormat(16, 16, ctTrueAlpha, 0x0000FF, 0)});
    main->act_saveToLib->trigger();
    doc->SetModified(true);

    // Deleting its icon asks the document first; Cancel there keeps both.
    lib->SelectIndex(1);
    dialogs.Answer({TMsgResult::Yes, TMsgResult::Cancel});
    lib->act_Delete->trigger();
    EXPECT_EQ(dialogs.Shown().last(), QStringLiteral("Save Icon: The icon 'A' has been modified. Do you want to save it?"));
    EXPECT_EQ(Names(), (QStringList{"New Icon", "A"}));
    EXPECT_EQ(main->DocumentCount(), 1);

    // A save into a folder that does not exist says so and keeps the library modified.
    dialogs.FileAnswers.enqueue(ScriptedDialogs::Choose({Path(QStringLiteral("no/such/folder/x.icl"))}));
    EXPECT_EQ(lib->SaveLibrary(), -1);
    EXPECT_EQ(dialogs.Messages.last().Caption, QStringLiteral("Save Library"));
    EXPECT_EQ(lib->windowTitle(), QStringLiteral("Icon Library - New Icon Lib *"));
    EXPECT_TRUE(lib->LibraryPath().isEmpty());

    // New Library: the library is asked about first (No); then the document, which saves into
    // the library as it closes (Yes), so the library is asked about once more (Cancel): nothing
    // of that save is thrown away.
    dialogs.Answer({TMsgResult::No, TMsgResult::Yes, TMsgResult::Cancel});
    lib->act_new->trigger();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(main->DocumentCount(), 0);
    EXPECT_EQ(Names(), (QStringList{"New Icon", "A"}));
    EXPECT_EQ(lib->windowTitle(), QStringLiteral("Icon Library - New Icon Lib *"));
    const QStringList shown = dialogs.Shown();
    EXPECT_EQ(shown.mid(shown.size() - 3),
              (QStringList{"Save Library: The library 'New Icon Lib' has been modified. Do you want to save it?",
                           "Save Icon: The icon 'A' has been modified. Do you want to save it?",
                           "Save Library: The library 'New Icon Lib' has been modified. Do you want to save it?"}));
}

TEST_F(IconLibFormTest, ALibraryCutShortSaysWhatItLostAndWhyAnIconDoesNotOpen)
{
    // Cut within its group blocks: the four icons are listed, none of their images is there.
    Drop({TestDataPath(QStringLiteral("modules/regress/ne_cut_1_16.icl"))});
    ASSERT_EQ(lib->lsv_Lib->count(), 4);
    ASSERT_FALSE(dialogs.Messages.isEmpty());
    EXPECT_EQ(dialogs.Messages.last().Caption, QStringLiteral("Open Icon Library"));
    EXPECT_EQ(dialogs.Messages.last().Text,
              QStringLiteral("13 image(s) of the library could not be read: they could not be found in the file. "
                             "It is opened read-only."));
    EXPECT_FALSE(lib->act_Save->isEnabled());
    EXPECT_FALSE(lib->act_Delete->isEnabled());
    EXPECT_EQ(ItemTexts().value(2), QStringLiteral("Blue|(3 Formats)"));

    // A double click on an icon none of whose formats can be read says so; no window opens.
    const qsizetype shown = dialogs.Messages.size();
    DoubleClick(2);
    EXPECT_EQ(main->DocumentCount(), 0);
    ASSERT_EQ(dialogs.Messages.size(), shown + 1);
    EXPECT_EQ(dialogs.Messages.last().Caption, QStringLiteral("Icon Library"));
    EXPECT_EQ(dialogs.Messages.last().Text,
              QStringLiteral("None of the formats of the icon 'Blue' can be opened: 3 image(s) could not be found in the file."));

    // Cut within its last image: the twelve before it open, the cut one is kept as its bytes.
    Drop({TestDataPath(QStringLiteral("modules/regress/ne_cut_15_16.icl"))});
    ASSERT_EQ(lib->lsv_Lib->count(), 4);
    EXPECT_EQ(dialogs.Messages.last().Text,
              QStringLiteral("1 image(s) of the library could not be read; they are kept as they are."));
    EXPECT_TRUE(lib->act_Save->isEnabled());
    DoubleClick(3);
    EXPECT_EQ(main->DocumentCount(), 1);
}
