#pragma once
// A horizontal strip of 80-pixel thumbnail cells in a clipping panel, with an arrow button on
// each side that scrolls it while held and a 10 ms timer that also glides it to a chosen cell.
// The document window's format strip uses it, and so can every other strip of cells (the
// add-format dialog's source strip, photo-to-icon's output formats and frames): the owner draws
// the cells into Canvas() (DrawFormats does the whole format strip) and listens to CellPressed.
//
// Layout: btn_ScrollLeft (17 px wide) | Panel1 (lowered, clips) holding img_preview | btn_ScrollRight.
// img_preview's left edge is the scroll position, 0 or negative; positive only while one of our
// tool windows lies over the panel's left part, so that the selected cell is not hidden under it.
#include <vector>

#include <QFrame>
#include <QTimer>
#include <QToolButton>
#include <QWidget>

#include "imaging/icon_image.h"
#include "platform/bitmap24.h"

class TStripImage;

class TFormatStrip : public QWidget {
    Q_OBJECT
public:
    static constexpr int CellWidth = 80;
    static constexpr int ImageHeight = 100;
    static constexpr int ButtonWidth = 17;
    static constexpr int ScrollStep = 5; // per tick while an arrow button is held
    static constexpr int GlideStep = 12; // per tick while gliding
    static constexpr int TickMs = 10;

    enum Mode { Idle = 0, ScrollingLeft = 1, ScrollingRight = 2, Gliding = 3 };

    explicit TFormatStrip(QWidget* parent = nullptr);
    ~TFormatStrip() override;

    // ---- cells ----
    // Number of cells the strip holds; the picture is as wide as they are (at least the panel),
    // so every cell can be scrolled to and picked.
    void SetCellCount(int count);
    int CellCount() const { return cellCount_; }
    // The picture to draw cells into: cell i spans x = i * 80 .. i * 80 + 79, 100 pixels high.
    // Call Changed() after drawing. Cells ShowFormats has not drawn yet are drawn first, and the
    // strip keeps the whole picture from then on.
    Bitmap24& Canvas();
    void Changed();
    // The whole strip of an icon's formats: a white picture; per format a rounded frame (red
    // for the selected one, navy otherwise) filled with the background colour, the label
    // "W x H : depth" and the thumbnail. With paddedDepth the depth reads "1 ", "4 ", "8 ", else
    // "1", "4", "8".
    void DrawFormats(const TIconImageArray& formats, int selected, bool paddedDepth = true);
    // The same strip (padded depths), but only the cells in view are drawn now and the others
    // as they come into view, from the formats as they are then: an icon of hundreds of formats
    // costs a handful of thumbnails, and the picture kept covers little more than the panel.
    // The strip keeps reading formats, so they must live as long as the strip or until the
    // next DrawFormats or ShowFormats.
    void ShowFormats(const TIconImageArray& formats, int selected);

    // ---- scrolling ----
    int StripLeft() const { return left_; } // img_preview.Left
    void SetStripLeft(int left);
    int StripMode() const { return mode_; }
    int StripTarget() const { return target_; }
    // Visible width of the strip panel.
    int PanelWidth() const;
    // The part of the panel a person can see, in panel x: [From, To). It is the whole panel
    // unless tool windows of ours (which stay on top) lie over it; then it is the widest stretch
    // they leave free, as long as a cell fits in it.
    struct Span {
        int From = 0;
        int To = 0;
    };
    Span VisibleSpan() const;
    // Where the strip glides to show cell `index`: centred when possible, never past either end.
    static int GlideTarget(int index, int count, int panelWidth);
    // The same within the visible stretch [from, to) of the panel.
    static int GlideTarget(int index, int count, int from, int to);
    // Glides (mode 3) to show cell `index`, which the strip keeps in view from then on: a resize
    // scrolls it back into view when it would leave it.
    void GlideToCell(int index);
    int SelectedCell() const { return selected_; }
    // After a resize, or the window moved on screen: the scroll position stays within its ends
    // and the selected cell in view, clear of the tool windows over the strip.
    void KeepSelectedInView();
    void GlideTo(int target);
    // One timer tick (Timer1Timer).
    void TimerTick();
    // The arrow buttons' press and release (mode 1 scrolls toward the first cell, 2 toward the
    // last; release stops).
    void StartScroll(Mode mode);
    void StopScroll();

    QToolButton* ScrollLeftButton() const { return btnLeft_; }
    QToolButton* ScrollRightButton() const { return btnRight_; }
    QFrame* Panel() const { return panel_; }
    QWidget* StripImage() const;
    QTimer* Timer() { return &timer_; }

signals:
    // A press on the strip, or a move with the left button held, at this strip x (picture
    // coordinates, the scroll position already added).
    void CellPressed(int stripX);

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    friend class TStripImage;
    void LayoutChildren();
    void SizeCanvas();
    // A white picture whose cells are all still to be drawn from formats, in view or all at once.
    void BeginCells(const TIconImageArray& formats, int selected, bool paddedDepth, bool inView);
    // Draws the cells in [from, to) that are still to be drawn.
    void DrawCells(int from, int to);
    // The cells the panel shows at the current scroll position.
    void DrawCellsInView();
    // While cells are drawn as they come into view, the picture holds only a stretch of whole
    // cells from strip x canvasFrom_ on: this moves it (keeping what is drawn in both) so that
    // it covers strip x [from, to), and to the panel's width plus a few cells.
    void CoverStrip(int from, int to);
    void EndMode();

    QToolButton* btnLeft_;
    QToolButton* btnRight_;
    QFrame* panel_;
    QWidget* clip_;
    TStripImage* image_;
    QTimer timer_;
    Bitmap24 canvas_;
    int cellCount_ = 0;
    int left_ = 0;
    int mode_ = Idle;
    int target_ = 0;
    int selected_ = -1;
    // What the cells not drawn yet are drawn from; null once every cell is drawn or the owner
    // draws the canvas itself.
    const TIconImageArray* cellFormats_ = nullptr;
    int cellSelected_ = -1;
    bool cellPaddedDepth_ = true;
    std::vector<char> cellDrawn_;
    int canvasFrom_ = 0; // strip x of the picture's first column
};
