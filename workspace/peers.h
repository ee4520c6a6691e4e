#pragma once
// The peers registry: what a window calls in the windows around it without knowing their classes.
// Each window fills its entries when it is made and empties them when it goes; an empty entry
// means that window is not there, and the caller does without it. Only app/ and the main
// window's command table know concrete window classes.
#include <cstdint>
#include <functional>
#include <vector>

#include <QString>
#include <Qt>

#include "imaging/icon_image.h"
#include "imaging/paint.h"
#include "platform/color.h"
#include "model/tool_ids.h"

class QFont;
class QKeyEvent;
class QPainter;
class QObject;
class QWidget;
class Tfrm_childwin;
class TQVClipboard;
struct TIconImageSource;

// Mouse phases handed to the tools.
enum TMousePhase : int { mpRelease = 1, mpPress = 2, mpMove = 3 };


// What the document windows call in the windows and dialogs around them that are made apart
// from the frame: the tools window, the colour window, the preview window, the icon library and
// the add-format and delete-format dialogs. Each fills its entries when it is created; an empty
// entry means that window is not there, and the document does without it.
struct TDocumentPeers {
    // ---- tools window ----
    // The current tool (TToolId).
    std::function<int()> CurrentToolId;
    // A format became current: the tools window leaves the text tool and, for palette formats,
    // forces a hard brush without anti-aliasing.
    std::function<void(Tfrm_childwin* doc, int index, int32_t colorType)> ActiveImageChanged;
    // Leaves the text tool without committing its text.
    std::function<void()> LeaveTextTool;
    // Shows the image cell under the mouse.
    std::function<void(int cellX, int cellY)> ShowCell;
    // ---- painting tools ----
    // A mouse event on the canvas for the current tool (phase: TMousePhase; x, y: canvas pixels).
    std::function<void(Tfrm_childwin& doc, int toolId, int phase, int x, int y, Qt::MouseButtons buttons,
                       Qt::KeyboardModifiers modifiers)>
        ToolMouse;
    // Opens a text frame over the current format (the text tool was chosen).
    std::function<void(Tfrm_childwin& doc)> StartTextFrame;
    // The zoom changed while a text frame is open: the frame is placed again over the text, which
    // keeps its place in image pixels (TextX, TextY, TextW, TextH, TextAngle).
    std::function<void(Tfrm_childwin& doc)> PlaceTextFrame;
    // The tools window's text placement fields changed: the open text frame takes this centre,
    // angle, height and width (image pixels) and the text is rendered there.
    std::function<void(Tfrm_childwin& doc, int x, int y, int angle, int height, int width)> SetTextFrame;
    // Draws what the current tool shows over the canvas (brush outline, selection outline, text
    // frame); called inside the canvas's paint event.
    std::function<void(Tfrm_childwin& doc, QPainter& painter)> PaintToolOverlay;
    // ---- colour window ----
    // The colour window's colour type and palette; false when there is no colour window.
    std::function<bool(int32_t& colorType, TPalette& palette)> GetPanelPalette;
    // Switches the colour window to a format's colour type and palette.
    std::function<void(int32_t colorType, const TPalette& palette)> SetPanelColorType;
    // True only while the colour window reports a change in which the user edited one of its palette
    // entries. Only such a change writes the window's palette into the format: at any other change
    // the format's palette may be newer than the window's (an effect re-quantised it), and writing
    // the window's copy back would recolour the picture.
    std::function<bool()> PanelPaletteEdited;
    // ---- preview window ----
    std::function<void(const TIconImageArray* formats, int index)> PreviewShowImage;
    // The document that owns these formats is going away.
    std::function<void(const TIconImageArray* formats)> PreviewForgetFormats;
    // ---- icon library ----
    // Saves the document's formats under its library icon name; false with a message text.
    std::function<bool(Tfrm_childwin& doc, QString& error)> SaveToLibrary;
    // ---- dialogs ----
    // The add-format dialog on the icon's formats: the new format's record on OK (owned by the
    // dialog, valid until its next run), null on Cancel.
    std::function<const TIconImageRec*(QWidget* parent, TIconImageArray& formats, int currentIndex)> AddFormatDialog;
    // The delete-format confirmation for a format: true on OK.
    std::function<bool(QWidget* parent, const TIconImageRec& format)> ConfirmDeleteFormat;
    // The paste window over a format, modal: true when OK wrote the clipboard picture into it.
    std::function<bool(QWidget* parent, TIconImageRec& target)> PasteDialog;
};
TDocumentPeers& DocumentPeers();

// How a document window is tied to an icon of the library window: the icon's name and the
// library's name (both empty: not linked), the serial of the library it was linked under, and
// the file name a document of a read-only library is given.
struct TLibraryLink {
    QString FileName;
    QString LibIconName;
    QString LibName;
    uint32_t Serial = 0;
};

// What the frame's singleton windows offer one another: the main window's services and the
// history window's. Filled by those windows while they live.
struct TFramePeers {
    // ---- main window ----
    // The current format of the active document; null when none.
    std::function<TIconImageRec*()> ActiveImage;
    // Redraws the active document after its pixels changed from outside it.
    std::function<void()> RefreshActiveDocument;
    // Marks the active document modified (its caption gains " *").
    std::function<void()> MarkActiveModified;
    // The active document's formats; null when no document is active.
    std::function<TIconImageArray*()> ActiveFormats;
    // Appends a format to the active document, which becomes modified.
    std::function<void(const TIconImageRec& format)> AddFormatToActive;
    // Drops an open text frame of the active document without committing it.
    std::function<void()> DiscardActiveText;
    // True when this document window is the frame's active document.
    std::function<bool(const QWidget* document)> IsActiveDocument;
    std::function<void(bool canUndo, bool canRedo)> UndoRedoChanged;
    // The history or preview window was shown or hidden (the main window's check marks follow).
    std::function<void(bool shown)> HistoryShown;
    std::function<void(bool shown)> PreviewShown;
    std::function<void(bool shown)> LibraryShown;
    // Shows or hides the preview window, as its menu command does.
    std::function<void()> TogglePreview;
    std::function<void(const QString& path)> AddRecentFile;
    // The text-editing lock of the main window's commands.
    std::function<void(bool editing)> SetTextEditing;
    // The frame window itself, for centring dialogs over it.
    std::function<QWidget*()> MainWindow;
    // The tool changed: the active document commits or opens its text frame.
    std::function<void()> ToolChanged;
    // The colour, alpha or palette changed: previews, then the active document.
    std::function<void()> PaletteChanged;
    // The colour type of the active document's current format; 5 when no document is open.
    std::function<int32_t()> ActiveColorType;
    // Every open document commits its pending text.
    std::function<void()> CommitAllTexts;
    // The active document's text frame takes this place (centre, angle, height, width).
    std::function<void(int x, int y, int angle, int height, int width)> SetActiveTextFrame;
    // A key pressed on a tool window, for the active document's key handler.
    std::function<void(QKeyEvent* event)> DocumentKeyPress;
    // The main window's "Open Picture" dialog: true with the chosen file on OK.
    std::function<bool(QWidget* parent, QString& path)> OpenPictureDialog;
    // The program's one clipboard object.
    std::function<TQVClipboard*()> QVClipboard;
    // ---- main window, for the icon library ----
    // A new document window holding copies of these formats, named and linked as given; null
    // when there are no formats.
    std::function<QObject*(const TLibraryLink& link, const TIconImageArray& formats)> OpenLibraryDocument;
    // The add-format dialog preset to 48 x 48 with alpha and no formats to start from; on OK a new
    // document window with its format, named and linked as given; null on Cancel.
    std::function<QObject*(const TLibraryLink& link)> NewLibraryDocument;
    // Brings a document window to the front.
    std::function<void(QObject* document)> ActivateDocument;
    // Closes a document window, which asks its own question; false when it stays open.
    std::function<bool(QObject* document)> CloseDocument;
    // Gives a document window this library link (its file name untouched) and refreshes its caption.
    std::function<void(QObject* document, const TLibraryLink& link)> LinkDocument;
    // ---- history window ----
    std::function<void(TIconImageRec* format, const QString& caption)> AddSnapshot;
    // The step "New" of a format just read from an icon file, given where it was read from.
    std::function<void(TIconImageRec* format, const TIconImageSource& source)> AddOpenedSnapshot;
    std::function<void(TIconImageRec* format)> ShowTrackOf;
    // Forgets the tracks of these formats (by Id), all at once: an icon is closing.
    std::function<void(const std::vector<int32_t>& ids)> RemoveTracks;
    // False when the format could not be kept for undoing its deletion.
    std::function<bool(TIconImageRec* format)> AddToRecycle;
};
TFramePeers& FramePeers();

// The current-colour service of the colour window, asked by the painting tools, the tools window's
// previews and the document windows. Empty while there is no colour window.
struct TColorPeers {
    // Palette mode: the selected palette index; else 0 in the transparent state; else the colour.
    std::function<TColor()> GetColor;
    // 0 in the transparent state; else the alpha A as the grey A + A*256 + A*65536.
    std::function<TColor()> GetAlphaColor;
    // The colour type the window is set to (1..5).
    std::function<int32_t()> GetColorType;
    // The window's palette in palette mode; null in true-colour mode. Callers only read it.
    std::function<const TPalette*()> GetPalette;
    // Switches to a format's colour type, taking its palette entries when the counts agree.
    std::function<void(const TPalette& palette, int32_t colorType)> SetColorType;
    // Palette mode: selects entry value; true-colour mode: loads the colour's red, green and blue.
    std::function<void(TColor value)> SetColor;
    std::function<void(int alpha)> SetAlpha;
    // Appends a painted colour (never a palette index) to the colour history unless present.
    std::function<void(TColor color)> AddToHistory;
};
TColorPeers& ColorPeers();

// What the frame and the document windows ask of the tools window (its options themselves are
// read from ToolSettings() in model/tool_settings.h).
struct TToolsPeers {
    // The colour or palette changed: the tool previews are drawn again.
    std::function<void()> RefreshPreviews;
    // Shows the option page of a tool (and reports the tool change to the frame first).
    std::function<void(int toolId)> ShowToolPage;
    // The document mirrors its text frame into the text page (nothing is sent back).
    std::function<void(int x, int y, int angle, int height, int width)> SetTextPlacement;
    // The selection's thumbnail and numbers: Bounds in image pixels, the selected pixels' display
    // colours and mask from their origin; both null clears the thumbnail.
    std::function<void(const Rect& bounds, const Bitmap24* color, const Bitmap24* mask)> ShowRectSelection;
    std::function<void(const Rect& bounds, const Bitmap24* color, const Bitmap24* mask)> ShowFreeSelection;
    // What the bucket would fill: Rect of a trial fill (palette indices in the palette types).
    std::function<void(const Bitmap24& color, const Bitmap24& mask, const Rect& rect)> ShowBucketPreview;
    // The colour picker's readout: the colour under the mouse and its alpha 0..255.
    std::function<void(TColor color, int alpha)> ShowPickedColour;
    // ---- the tools window's own dialogs (gradient editor, font window) ----
    // The gradient editor, modal: true on OK with its enabled handles in nodes (they stay in the
    // editor for its next showing); false on Cancel, nodes untouched.
    std::function<bool(QWidget* parent, TNodeArray& nodes)> EditGradient;
    // The font window, modal, loaded with the text tool's text and font: true on OK with both
    // taken back from its sample; false on Cancel, both untouched.
    std::function<bool(QWidget* parent, QString& text, QFont& font)> ChooseFont;
};
TToolsPeers& ToolsPeers();
