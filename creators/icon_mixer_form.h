#pragma once
// The "Icons Mixer" dialog: every open icon is a layer in a list; the tool buttons move, flip,
// turn and zoom the selected layer, the opacity bar fades it, and the view shows the mix of every
// size all layers share. The rules are TIconMixer's (model/icon_mixer.h); this window shows them
// and routes the clicks. It reads the documents' formats and never changes them: on OK it hands
// the mixed formats and the caption to whoever runs it, which makes the new document.
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QScrollArea>
#include <QSize>
#include <QToolButton>
#include <vector>

#include "imaging/icon_image.h"
#include "model/icon_mixer.h"
#include "platform/bitmap24.h"
#include "platform/color.h"
#include "workspace/base_form.h"

class QFrame;
class QGroupBox;
class TQV_Angle;

class Tfrm_icon_mixer : public Tfrm_base {
    Q_OBJECT
public:
    static constexpr int ClientWidth = 590;
    static constexpr int ClientHeight = 426;
    static constexpr int BarWidth = 135;
    static constexpr int BarHeight = 20;
    static constexpr int ViewWidth = 364;

    explicit Tfrm_icon_mixer(QWidget* parent = nullptr);
    ~Tfrm_icon_mixer() override;

    // One open document, in the main window's child-window order; added before the dialog shows.
    void AddDocument(const QString& name, const TIconImageArray& images);

    // After OK: one 32-bit format per shared size, and the new document's caption. Empty when
    // nothing could be mixed.
    TIconImageArray Result;
    QString ResultCaption;

    // The colour behind the mixes.
    TColor MixBackground = 0xFFFFFF;
    TIconMixer& Mixer() { return mixer_; }
    // The view as last drawn.
    const Bitmap24& ViewPicture() const { return view_; }
    // The layer selected in the list, -1 for none.
    int SelectedItem() const;

    QGroupBox* grp_icons = nullptr;
    QFrame* pnl1 = nullptr;
    QToolButton* btn_orderUp = nullptr;
    QToolButton* btn_orverDown = nullptr;
    QListWidget* lsv_Icon = nullptr;
    QGroupBox* grp_tools = nullptr;
    QToolButton* btn_up = nullptr;
    QToolButton* btn_down = nullptr;
    QToolButton* btn_left = nullptr;
    QToolButton* btn_right = nullptr;
    QToolButton* btn_flipH = nullptr;
    QToolButton* btn_flipV = nullptr;
    QToolButton* btn_rotateLeft = nullptr;
    QToolButton* btn_rotateRight = nullptr;
    TQV_Angle* ang_angle = nullptr;
    QToolButton* btn_zoomIn = nullptr;
    QToolButton* btn_zoomOut = nullptr;
    QFrame* pnl2 = nullptr;
    QLabel* img_transparent = nullptr;
    QLabel* img_arrow = nullptr;
    QLabel* lab_A = nullptr;
    QScrollArea* scrlbx_view = nullptr;
    QLabel* img_view = nullptr;
    QPushButton* btn_Ok = nullptr;
    QPushButton* Btn_Cancel = nullptr;
    QPushButton* btn_seleceAll = nullptr;
    QPushButton* btn_Clean = nullptr;

    // The steps of the dialog, public for the tests that drive it.
    void FormShow();
    void DrawMix();
    void DrawOpacityBar();
    void ShowOpacity(int v);
    // A press or left-button move at X (bar coordinates) on the opacity bar.
    void OpacityAt(int x, int y);
    void btn_OkClick();

    void setVisible(bool visible) override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // Runs a layer setting on the selected item and re-mixes when it changed something.
    template <class Change>
    void ChangeSelected(Change change);
    void MoveSelected(int step);
    void RelayItems();
    void ListSelectionChanged();
    void AngleReleased();
    void SetPickerAngle(int angle);
    // Fills the view with the ground and writes each size's label under its square.
    void DrawViewFrame(const std::vector<QSize>& sizes);

    struct Source {
        QString Name;
        const TIconImageArray* Images;
    };
    std::vector<Source> sources_;
    TIconMixer mixer_;
    Bitmap24 view_;
    bool shown_ = false;
    // What the view's frame was last drawn for.
    bool framed_ = false;
    std::vector<QSize> framedSizes_;
    TColor framedBackground_ = 0;
};
