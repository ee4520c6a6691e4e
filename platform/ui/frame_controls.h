#pragma once
// The controls that place a move-and-scale frame by numbers, in the windows that lay a picture
// through such a frame (photo to icon, paste): X and Y of the frame's top-left corner, a ratio
// lock, and a width and a height ratio, each a track bar with its spin edit. The window makes and
// lays out the controls and hands them over; this object keeps their rules:
//   - X and Y ask for a new frame when their text is a whole number;
//   - a ratio track bar at the position it last handled does nothing; otherwise its spin edit
//     follows and, with the lock on, the height ratio follows the width ratio; then a new frame;
//   - a ratio spin edit holding a whole number other than the last handled ratio moves its track;
//   - the lock disables the height ratio's caption, track bar and spin edit, and asks for a frame.
// Everything the window writes through Reset, SetCorner and Show is done with the rules detached,
// so filling the controls from the frame never places the frame again.
#include <QObject>

class QCheckBox;
class QLabel;
class TSpinEdit;
class TTrackBar;

class TFrameControls : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;

    TSpinEdit* spn_X = nullptr;
    TSpinEdit* spn_Y = nullptr;
    QCheckBox* chk_RatioLock = nullptr;
    QLabel* lbl_HRatio = nullptr;
    TTrackBar* trc_WRatio = nullptr;
    TSpinEdit* spn_WRatio = nullptr;
    TTrackBar* trc_HRatio = nullptr;
    TSpinEdit* spn_HRatio = nullptr;

    // The ratios the track bars' handlers took last.
    int LastWRatio = 0;
    int LastHRatio = 0;
    // False while the window writes the controls itself.
    bool EventsEnabled = true;

    // Wires the rules above once every control is set.
    void Connect();
    bool Locked() const;
    // Both ratios at `ratio`, the lock on and the height ratio disabled; the last ratios follow.
    void Reset(int ratio);
    void SetCorner(int x, int y);
    // Shows a frame's numbers; the last ratios follow them, so moving a track bar back to a value
    // it showed before still places the frame.
    void Show(int x, int y, int wRatio, int hRatio);

signals:
    // The controls ask for the frame they describe.
    void Apply();

private:
    void SetHeightEnabled(bool enabled);
};
