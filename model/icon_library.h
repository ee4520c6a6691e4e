#pragma once
// The icon library behind the icon library window: the icons of one library (read from an
// executable or an ".icl" file, or made new), their names, formats and thumbnails, and the rules
// for inserting, renaming, deleting, receiving a document's formats and saving. No widgets here:
// the window shows this state and asks the user; everything else can be driven headless.
//
// A format read from a module keeps the module's bytes of its image and is decoded from them
// whenever it is opened or saved, so opening a module writes nothing; the formats a document
// saves into the library live in working snapshot files of this run's "tmplib" folder. Those
// files are named by a counter of the run, never from an icon's name, so no name a user types or
// a module carries can clash, escape the folder or be invalid as a file name. Images that a
// module holds but that cannot be read keep their raw bytes, so saving writes them back as they
// were rather than dropping them.
//
// Documents are linked both ways: an icon remembers the document window that edits it (as a
// plain QObject, so this floor stays free of widgets), and a document remembers its icon's name
// and the library's serial, which changes with every open or new library, so a document of a
// library that is gone can never save into its successor.
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include <QByteArray>
#include <QPointer>
#include <QString>

#include "iconfiles/icon_resources.h"
#include "imaging/icon_image.h"
#include "platform/bitmap24.h"

// One format of an icon.
struct TIconFormat {
    // Resource number of the image (from the file when read; renumbered when written).
    int32_t Id = 0;
    int32_t Width = 0;
    int32_t Height = 0;
    // 1, 4, 8, 24 or 32.
    int32_t BitCount = 0;
    // The working snapshot file with the pixels; empty when nothing was written.
    QString TempFile;
    // The module's bytes of an image that was read (for a PNG image, the stream that KeptPng
    // holds too), decoded again whenever the format is opened or saved: a module's formats get
    // no working file, a document's save gives the icon new ones.
    QByteArray ModuleImage;
    // The bit count decoding ModuleImage starts from (the module's group entry).
    int32_t EntryBits = 0;
    // The module's bytes of an image that could not be read, written back unchanged on save.
    QByteArray RawImage;
    // The PNG stream a large image was read from, or was compressed into when a document saved
    // it into the library. A format's pixels never change in place (a document's save gives the
    // icon new formats), so while this is set a save writes it back as it was: no pixels read
    // back from the working file, no compression again. A document's save hands a stream read
    // from a file on to a new format with the very same pixels.
    QByteArray KeptPng;
};

// One icon of the library.
struct TGroupIcon {
    QString Name;
    // The formats that count; a new library's icon has one placeholder slot that does not.
    int32_t FormatCount = 0;
    std::vector<TIconFormat> Formats;
    // 32 x 32, drawn in the list; never changed once made, so icons showing the same picture
    // (every blank one, or the groups of a module that all name one image) share it.
    std::shared_ptr<const Bitmap24> Thumbnail;
    // The document window that edits this icon, if any (owned by the main window).
    QPointer<QObject> Editor;
};

// Width, height and bit count of one format, as the thumbnail choice sees it.
struct TFormatShape {
    int32_t Width = 0;
    int32_t Height = 0;
    int32_t BitCount = 0;
};

class TIconLibrary {
public:
    // Names cut this long (bytes in the file's code page) before they are made unique.
    static constexpr int MaxNameBytes = MaxLibraryNameBytes;
    static constexpr int ThumbnailSide = 32;

    // Text of the last failure of an operation that returned -1; the caller shows it.
    QString MessageText;
    std::vector<TGroupIcon> Icons;
    // Folder of the working files, with its trailing separator.
    QString TempDir;
    // When set, gives the working folder again before working files are written, so a folder
    // deleted while the program runs is made again instead of failing every later save.
    std::function<QString()> TempDirSource;
    // True for ".icl" files and new libraries; executables are read-only.
    bool Editable = false;
    bool Modified = false;
    // File name without folder ("New Icon Lib" for a new one); folder with its trailing separator,
    // empty for a library never saved.
    QString LibName;
    QString LibPath;
    // Changes with every library opened or made new; linked documents carry the one they were
    // linked under.
    uint32_t Serial = 1;
    // What the last Open could not read: images the file does not hold (no resource of their
    // number, or outside a file cut short), and images it holds that could not be decoded (their
    // bytes kept).
    int MissingImages = 0;
    int KeptImages = 0;

    explicit TIconLibrary(const QString& tempDir = QString());
    ~TIconLibrary();
    TIconLibrary(const TIconLibrary&) = delete;
    TIconLibrary& operator=(const TIconLibrary&) = delete;

    int Count() const { return int(Icons.size()); }
    bool IsValidIndex(int index) const { return index >= 0 && index < Count(); }

    // ---- texts ----
    // "Icon Library - " + LibName, with " *" while modified.
    QString CaptionText() const;
    // The list's two-line caption: the name, a carriage return, then "WxH bits" for one format
    // or "(n Formats)".
    static QString ItemCaption(const TGroupIcon& icon);

    // The question asked before a modified library is replaced or left.
    QString ModifiedQuestion() const;
    // True when leaving the library would lose changes (an editable library that is modified).
    bool NeedsSaveQuestion() const { return Editable && Modified; }
    // The path a library is saved under when the save dialog answers Chosen: ".icl" appended
    // unless the name already ends so, in any case.
    static QString SaveTarget(const QString& chosen);
    // The library now lives at Path: LibPath and LibName follow it.
    void SetPath(const QString& path);

    // ---- names ----
    // Makes the name of icon Index differ (ignoring case) from those of the icons before it, by
    // "(n)" suffixes: Icon, Icon(1), Icon(2); a clash with Icon(x) gives Icon(x)(1). Names stay
    // within MaxNameBytes: the base is shortened so "base(n)" fits.
    void MakeNameUnique(int index);
    // MakeNameUnique for every icon in order.
    void MakeNamesUnique();
    // The name cut to MaxNameBytes bytes.
    static QString CutName(const QString& name);
    // Index of another icon (not Except) with that name ignoring case, or -1.
    int FindName(const QString& name, int except = -1) const;

    // ---- thumbnails ----
    // Position of the format to show as thumbnail, or -1 without formats.
    static int ChooseThumbnailFormat(const std::vector<TFormatShape>& formats);

    // ---- working files ----
    // A fresh working-file name in TempDir, from the run's counter.
    QString NewTempFile() const;
    // Loads a format's pixels from its working file; false when it is missing or unreadable.
    bool LoadFormat(const TIconFormat& format, TIconImageRec& image) const;
    // Why none of the formats of icon Index can be opened, or an empty text when one can.
    QString WhyNoFormatOpens(int index) const;

    // ---- whole library ----
    // Reads a module or library file. Read-only for ".EXE", ".DLL", ".CPL", ".OCX", editable for
    // ".ICL", unchanged for other extensions. A file without readable icons gives an empty
    // library and 0. -1 with MessageText when the file cannot be opened or read (the library is
    // then empty, read-only and without a path). Warning gets a text when images could not be
    // read, saying how many; when some are not in the file at all, or their working files could
    // not be written, the library is read-only so that a save never drops them from the file.
    int Open(const QString& path, QString& warning);
    // A new library: one icon "New Icon" without formats and with its placeholder slot.
    void NewLibrary();
    // Deletes every working file and forgets every icon (documents must be closed first).
    void Clear();
    // Writes the library to Path; 0 and unmodified, or -1 with MessageText (Modified kept).
    int WriteLibraryFile(const QString& path);

    // ---- icons ----
    // Appends an icon "New Icon" without formats, named unique. Returns its index (-1 when the
    // library is not editable or empty).
    int InsertIcon();
    // Removes icon Index and its working files. False for a bad index or a read-only library.
    bool DeleteIcon(int index);
    enum class TRenameResult { Renamed, Blank, Clash, NotAllowed };
    // Renames icon Index to Text (blank: nothing; cut to MaxNameBytes; refused when another icon
    // has the name ignoring case).
    TRenameResult RenameIcon(int index, const QString& text);
    // Adds the formats as a new icon named Name ("New Icon" when blank). Returns its index, or
    // -1 with MessageText.
    int AddIcon(const QString& name, const TIconImageArray& formats);
    // Replaces the formats of the icon edited by Editor, else of the first called Name ignoring
    // case. Serial must be this library's. Returns the icon's index, or -1 with MessageText; the
    // old working files stay until the new ones are written. A large format whose pixels are those
    // of a format it replaces keeps that one's PNG stream.
    int ReplaceIcon(const QString& name, const TIconImageArray& formats, const QObject* editor, uint32_t serial);
    // Makes Editor the editor of icon Index only.
    void LinkEditor(int index, QObject* editor);
    // Index of the icon edited by Editor, or -1.
    int FindEditor(const QObject* editor) const;

private:
    // The formats of every icon the reader listed, their thumbnails and what could not be read.
    void ReadImages(TIconModuleReader& reader);
    // Writes the formats into new working files and draws a thumbnail; false (with
    // MessageText) when a file cannot be written, and then nothing is left behind.
    bool BuildIcon(const TIconImageArray& formats, TGroupIcon& icon);
    // Gives each large format of Fresh (built from Formats) the kept PNG stream of a format of Old
    // with the very same pixels.
    void KeepUnchangedPngs(const TGroupIcon& old, const TIconImageArray& formats, TGroupIcon& fresh) const;
    static void DeleteFiles(TGroupIcon& icon);
    static std::shared_ptr<const Bitmap24> BlankThumbnail();
};
