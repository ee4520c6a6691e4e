#pragma once
// "Add a New Image Format": asks for the size and colour depth of a new format and can build it
// from an existing format of the icon, resampled and reduced (BuildNewFormat). Made once at
// start-up; the document window's add button, File > New and photo-to-icon run it modally and
// read NewImage after OK. The last choice is the starting choice of the next run.
#include <QButtonGroup>
#include <QCheckBox>
#include <QGroupBox>
#include <QPushButton>
#include <QRadioButton>

#include "imaging/icon_image.h"
#include "workspace/base_form.h"

class TFormatStrip;
class TSpinEdit;

class Tfrm_add_new_image : public Tfrm_base {
    Q_OBJECT
public:
    static constexpr int ClientWidth = 440;
    static constexpr int ClientHeight = 481;

    explicit Tfrm_add_new_image(QWidget* parent = nullptr);
    ~Tfrm_add_new_image() override;

    // The result: size, colour type and palette, and either no bitmaps (a blank format) or
    // bitmaps of exactly the format's size. It belongs to the dialog and stays valid until the
    // next run; callers copy it.
    TIconImageRec NewImage;
    // The source format's index in SourceImages.
    int32_t SourceIndex = 0;
    // The icon's formats, a view set for one run and dropped when the dialog closes; never
    // changed through it. Null or empty: the dialog offers no source.
    const TIconImageArray* SourceImages = nullptr;

    // Runs the dialog modally over an icon's formats (null for none) with a source preselected.
    // Returns NewImage on OK, null on Cancel.
    const TIconImageRec* Execute(const TIconImageArray* formats, int sourceIndex);
    // Sets the starting choice of the next run (File > New starts from 48 x 48 with alpha).
    void PresetNewImage(int width, int height, int32_t colorType);

    void setVisible(bool visible) override;
    void done(int result) override;

    // ---- handlers ----
    void BitBtn1Click();
    void spn_wChange();
    void spn_hChange();
    void img_previewMouseDown(int x);

    // ---- controls ----
    QGroupBox* grp_size = nullptr;
    QRadioButton* rad_16x16 = nullptr;
    QRadioButton* rad_24x24 = nullptr;
    QRadioButton* rad_32x32 = nullptr;
    QRadioButton* rad_48x48 = nullptr;
    QRadioButton* rad_256x256 = nullptr;
    QRadioButton* rad_custom = nullptr;
    TSpinEdit* spn_w = nullptr;
    TSpinEdit* spn_h = nullptr;
    QGroupBox* grp_colors = nullptr;
    QRadioButton* rad_32bits = nullptr;
    QRadioButton* rad_24bits = nullptr;
    QRadioButton* rad_8bits = nullptr;
    QRadioButton* rad_4bits = nullptr;
    QRadioButton* rad_1bit = nullptr;
    QCheckBox* chk_BaseImage = nullptr;
    // BitBtn3 | pan_preview with img_preview | BitBtn4, and Timer1 that scrolls it.
    TFormatStrip* pan_preview = nullptr;
    QPushButton* BitBtn1 = nullptr;
    QPushButton* BitBtn2 = nullptr;

    // The size and depth radios in the order of NewFormatSizePresets (then "Custom:") and of
    // NewFormatColorTypes.
    QList<QRadioButton*> SizeRadios() const;
    QList<QRadioButton*> DepthRadios() const;

private:
    void FormShow();
    void DrawFormatStrip();

    QButtonGroup sizeGroup_;
    QButtonGroup depthGroup_;
};

// The one add-format dialog while it exists.
extern Tfrm_add_new_image* frm_add_new_image;
