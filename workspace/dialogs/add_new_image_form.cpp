#include "workspace/dialogs/add_new_image_form.h"

#include <QLabel>

#include "platform/ui/form_builder.h"
#include "platform/ui/spin_edit.h"
#include "workspace/peers.h"
#include "workspace/format_strip.h"
#include "model/new_format.h"

Tfrm_add_new_image* frm_add_new_image = nullptr;

Tfrm_add_new_image::Tfrm_add_new_image(QWidget* parent)
    : Tfrm_base(QStringLiteral("frm_add_new_image"), parent, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint)
{
    frm_add_new_image = this;
    setWindowTitle(QStringLiteral("Add a New Image Format"));
    setFixedSize(ClientWidth, ClientHeight);

    TFormBuilder form(this);
    grp_size = form.Group(QStringLiteral("grp_size"), QStringLiteral("Icon Size"), QRect(8, 8, ClientWidth - 16, 112));
    TFormBuilder sizes = form.Inside(grp_size);
    rad_16x16 = sizes.Radio(QStringLiteral("rad_16x16"), QStringLiteral("16 x 16"), 16, 26);
    rad_24x24 = sizes.Radio(QStringLiteral("rad_24x24"), QStringLiteral("24 x 24"), 150, 26);
    rad_32x32 = sizes.Radio(QStringLiteral("rad_32x32"), QStringLiteral("32 x 32"), 284, 26);
    rad_48x48 = sizes.Radio(QStringLiteral("rad_48x48"), QStringLiteral("48 x 48"), 16, 52);
    rad_256x256 = sizes.Radio(QStringLiteral("rad_256x256"), QStringLiteral("256 x 256"), 150, 52);
    rad_custom = sizes.Radio(QStringLiteral("rad_custom"), QStringLiteral("Custom:"), 16, 80);
    spn_w = sizes.Spin(QStringLiteral("spn_w"), 1, 256, 60, QRect(150, 77, 64, 24));
    sizes.Label(QString(), QStringLiteral("x"), QRect(220, 77, 12, 24), Qt::AlignCenter);
    spn_h = sizes.Spin(QStringLiteral("spn_h"), 1, 256, 60, QRect(238, 77, 64, 24));
    for (QRadioButton* r : SizeRadios()) sizeGroup_.addButton(r);

    grp_colors = form.Group(QStringLiteral("grp_colors"), QStringLiteral("Icon Colors"), QRect(8, 128, ClientWidth - 16, 108));
    TFormBuilder depths = form.Inside(grp_colors);
    rad_32bits = depths.Radio(QStringLiteral("rad_32bits"), QStringLiteral("True Color + Alpha (32 bits)"), 16, 26);
    rad_24bits = depths.Radio(QStringLiteral("rad_24bits"), QStringLiteral("True Color  (24 bits)"), 16, 52);
    rad_8bits = depths.Radio(QStringLiteral("rad_8bits"), QStringLiteral("256 Colors (8 bits)"), 16, 78);
    rad_4bits = depths.Radio(QStringLiteral("rad_4bits"), QStringLiteral("16 Colors (4 bits)"), 240, 26);
    rad_1bit = depths.Radio(QStringLiteral("rad_1bit"), QStringLiteral("2 Colors (1 bit)"), 240, 52);
    for (QRadioButton* r : DepthRadios()) depthGroup_.addButton(r);

    chk_BaseImage = form.Check(QStringLiteral("chk_BaseImage"), QStringLiteral("Creation based on the following image:"), 8, 248);

    // The strip panel is 396 pixels wide between two 17-pixel buttons.
    pan_preview = new TFormatStrip(this);
    pan_preview->setObjectName(QStringLiteral("pan_preview"));
    pan_preview->setGeometry(5, 274, 2 * TFormatStrip::ButtonWidth + 396, 106);
    pan_preview->ScrollLeftButton()->setObjectName(QStringLiteral("BitBtn3"));
    pan_preview->ScrollRightButton()->setObjectName(QStringLiteral("BitBtn4"));
    pan_preview->Timer()->setObjectName(QStringLiteral("Timer1"));
    connect(pan_preview, &TFormatStrip::CellPressed, this, &Tfrm_add_new_image::img_previewMouseDown);

    const TButtonRow buttons = form.Buttons(QStringLiteral("BitBtn1"), QStringLiteral("BitBtn2"), QString(),
                                            ClientWidth - 2 * (75 + 10), ClientHeight - 40);
    BitBtn1 = buttons.Ok;
    BitBtn2 = buttons.Cancel;

    connect(BitBtn1, &QPushButton::clicked, this, &Tfrm_add_new_image::BitBtn1Click);
    connect(spn_w, &TSpinEdit::Changed, this, &Tfrm_add_new_image::spn_wChange);
    connect(spn_h, &TSpinEdit::Changed, this, &Tfrm_add_new_image::spn_hChange);

    // The first run starts from 16 x 16 in true colour.
    NewImage.Width = 16;
    NewImage.Height = 16;
    NewImage.ColorType = ctTrueColor;

    DocumentPeers().AddFormatDialog = [this](QWidget*, TIconImageArray& formats, int currentIndex) {
        return Execute(&formats, currentIndex);
    };
}

Tfrm_add_new_image::~Tfrm_add_new_image()
{
    if (frm_add_new_image != this) return;
    frm_add_new_image = nullptr;
    DocumentPeers().AddFormatDialog = nullptr;
}

QList<QRadioButton*> Tfrm_add_new_image::SizeRadios() const
{
    return {rad_16x16, rad_24x24, rad_32x32, rad_48x48, rad_256x256, rad_custom};
}

QList<QRadioButton*> Tfrm_add_new_image::DepthRadios() const
{
    return {rad_32bits, rad_24bits, rad_8bits, rad_4bits, rad_1bit};
}

const TIconImageRec* Tfrm_add_new_image::Execute(const TIconImageArray* formats, int sourceIndex)
{
    SourceImages = formats;
    SourceIndex = sourceIndex;
    return exec() == QDialog::Accepted ? &NewImage : nullptr;
}

void Tfrm_add_new_image::PresetNewImage(int width, int height, int32_t colorType)
{
    NewImage = TIconImageRec{};
    NewImage.Width = width;
    NewImage.Height = height;
    NewImage.ColorType = colorType;
}

void Tfrm_add_new_image::setVisible(bool visible)
{
    const bool showing = visible && !isVisible();
    Tfrm_base::setVisible(visible);
    if (showing) FormShow();
}

void Tfrm_add_new_image::done(int result)
{
    pan_preview->StopScroll();
    Tfrm_base::done(result);
    // The formats belong to their document, which may close before the next run.
    SourceImages = nullptr;
}

void Tfrm_add_new_image::FormShow()
{
    const bool hasSource = SourceImages && !SourceImages->IsEmpty();
    chk_BaseImage->setEnabled(hasSource);
    if (!hasSource) chk_BaseImage->setChecked(false);

    const int preset = NewFormatSizePreset(NewImage.Width, NewImage.Height);
    if (preset >= 0) {
        SizeRadios().at(preset)->setChecked(true);
    } else {
        rad_custom->setChecked(true);
        spn_w->SetValue(NewImage.Width);
        spn_h->SetValue(NewImage.Height);
    }
    const auto depth = std::find(NewFormatColorTypes.begin(), NewFormatColorTypes.end(), NewImage.ColorType);
    if (depth != NewFormatColorTypes.end()) DepthRadios().at(int(depth - NewFormatColorTypes.begin()))->setChecked(true);

    // The strip opens where the source cell can be seen.
    const int count = SourceImages ? SourceImages->Count() : 0;
    pan_preview->SetCellCount(count);
    pan_preview->SetStripLeft(TFormatStrip::GlideTarget(std::clamp(SourceIndex, 0, std::max(count - 1, 0)), count,
                                                        pan_preview->PanelWidth()));
    DrawFormatStrip();
}

void Tfrm_add_new_image::DrawFormatStrip()
{
    static const TIconImageArray none;
    pan_preview->DrawFormats(SourceImages ? *SourceImages : none, SourceIndex, false);
}

void Tfrm_add_new_image::img_previewMouseDown(int x)
{
    if (!SourceImages || x < 0) return;
    const int i = x / TFormatStrip::CellWidth;
    if (!SourceImages->IsValidIndex(i)) return;
    SourceIndex = i;
    DrawFormatStrip();
}

void Tfrm_add_new_image::spn_wChange() { rad_custom->setChecked(true); }

void Tfrm_add_new_image::spn_hChange() { rad_custom->setChecked(true); }

void Tfrm_add_new_image::BitBtn1Click()
{
    int width = 16, height = 16;
    const int preset = int(SizeRadios().indexOf(qobject_cast<QRadioButton*>(sizeGroup_.checkedButton())));
    if (preset >= 0 && preset < int(NewFormatSizePresets.size())) {
        width = height = NewFormatSizePresets[size_t(preset)];
    } else if (rad_custom->isChecked()) {
        width = spn_w->Value();
        height = spn_h->Value();
    }
    const int depth = int(DepthRadios().indexOf(qobject_cast<QRadioButton*>(depthGroup_.checkedButton())));
    const int32_t colorType = depth >= 0 ? NewFormatColorTypes[size_t(depth)] : ctTrueAlpha;

    const TIconImageRec* source = chk_BaseImage->isChecked() ? SourceFormatAt(SourceImages, SourceIndex) : nullptr;
    BuildNewFormat(NewImage, width, height, colorType, source);
    accept();
}
