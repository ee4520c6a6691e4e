#pragma once
// The confirmation shown before a format goes to the history's recycle bin: the format in a
// 48 x 48 picture over white and its size and depth. Made once at start-up; the document window
// and photo-to-icon run it for the format they are about to delete.
#include <QLabel>
#include <QPushButton>

#include "imaging/icon_image.h"
#include "platform/bitmap24.h"
#include "workspace/base_form.h"

// Where a format goes in the 48 x 48 picture: its own size centred when it fits, else the whole
// picture (stretched without keeping its proportions).
Rect DeleteImageTarget(int width, int height);

class Tfrm_DeleIconImage : public Tfrm_base {
    Q_OBJECT
public:
    static constexpr int ClientWidth = 235;
    static constexpr int ClientHeight = 180;
    static constexpr int PictureSize = 48;

    explicit Tfrm_DeleIconImage(QWidget* parent = nullptr);
    ~Tfrm_DeleIconImage() override;

    // The format the caller wants to delete; set before showing.
    const TIconImageRec* ImageToDelete = nullptr;

    // Shows the dialog modally for a format; true on OK. Without a format nothing shows and the
    // answer is no.
    bool Confirm(QWidget* parent, const TIconImageRec* format);

    void setVisible(bool visible) override;

    // The picture as last drawn.
    const Bitmap24& Picture() const { return picture_; }

    QLabel* Image1 = nullptr;
    QLabel* Label2 = nullptr;
    QPushButton* btn_OK = nullptr;
    QPushButton* btn_Cancel = nullptr;

private:
    void FormShow();

    Bitmap24 picture_{PictureSize, PictureSize};
};

// The one delete-format dialog while it exists.
extern Tfrm_DeleIconImage* frm_DeleIconImage;
