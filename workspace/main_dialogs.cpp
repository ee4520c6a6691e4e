// The main window's commands that run the small dialogs: File > New, File > Icon Properties,
// Help > About, and the Effect commands' adjustment dialogs.
#include "workspace/main_form.h"

#include <memory>

#include "effects/blur.h"
#include "effects/brightness_contrast.h"
#include "effects/color_balance.h"
#include "effects/filters.h"
#include "effects/rotate.h"
#include "effects/saturation.h"
#include "effects/shadow.h"
#include "effects/sharpen.h"
#include "effects/stroke.h"
#include "effects/zoom.h"
#include "workspace/peers.h"

#include "workspace/dialogs/about_form.h"
#include "workspace/dialogs/add_new_image_form.h"
#include "workspace/childwin.h"
#include "workspace/dialogs/icon_property_form.h"

Tfrm_childwin* Tfrm_main::NewIcon(const QString& name)
{
    if (!frm_add_new_image) return nullptr;
    // A new icon starts from 48 x 48 with alpha and offers no source format.
    frm_add_new_image->PresetNewImage(48, 48, ctTrueAlpha);
    const TIconImageRec* format = frm_add_new_image->Execute(nullptr, 0);
    if (!format) return nullptr;
    Tfrm_childwin* doc = CreateDocumentWindow();
    doc->AddImageFormat(*format);
    doc->Document().FileName = name;
    doc->UpdateCaption();
    return doc;
}

void Tfrm_main::FileNew1Execute() { NewIcon(QStringLiteral("Icon%1").arg(DocumentCount() + 1)); }

void Tfrm_main::act_IconPropertiesExecute()
{
    Tfrm_childwin* doc = ActiveDocument();
    if (!doc) return;
    Tfrm_IconProperty dialog(this);
    dialog.Document = &doc->Document();
    dialog.exec();
}

void Tfrm_main::HelpAbout1Execute()
{
    if (frm_about) frm_about->exec();
}

void Tfrm_main::EffectDialogExecute(QAction* action)
{
    Tfrm_childwin* doc = ActiveDocument();
    TIconImageRec* format = ActiveImage();
    if (!doc || !format) return;
    std::unique_ptr<Tfrm_Effect> dialog;
    QString caption;
    if (action == act_effect_Contrast_Brightness) {
        dialog = std::make_unique<Tfrm_Brightness_Contrast>(this);
        caption = QStringLiteral("Brightness / Contrast");
    } else if (action == act_effect_ColorBalance) {
        dialog = std::make_unique<Tfrm_Color_Balance>(this);
        caption = QStringLiteral("Color Balance");
    } else if (action == act_effect_Saturation) {
        dialog = std::make_unique<Tfrm_Saturation>(this);
        caption = QStringLiteral("Saturation");
    } else if (action == act_effect_blur) {
        dialog = std::make_unique<Tfrm_Blur>(this);
        caption = QStringLiteral("Blur");
    } else if (action == act_effect_Sharpen) {
        dialog = std::make_unique<Tfrm_Sharpen>(this);
        caption = QStringLiteral("Sharpen");
    } else if (action == act_effect_filters) {
        dialog = std::make_unique<Tfrm_Filters>(this);
    } else if (action == act_effect_rotate) {
        dialog = std::make_unique<Tfrm_Rotate>(this);
        caption = QStringLiteral("Rotate");
    } else if (action == act_effect_Stroke) {
        dialog = std::make_unique<Tfrm_Stroke>(this);
        caption = QStringLiteral("Stroke");
    } else if (action == act_effect_Shadow) {
        dialog = std::make_unique<Tfrm_Shadow>(this);
        caption = QStringLiteral("Shadow");
    } else if (action == act_effect_zoom) {
        dialog = std::make_unique<Tfrm_Zoom>(this);
        caption = QStringLiteral("Zoom");
    } else {
        return;
    }
    // A preview changes the format's pixels only: no history track, tool previews or palette sync.
    dialog->OnPreview = [this] { RepaintActiveFormat(); };
    if (dialog->Execute(format) != Tfrm_Effect::mrOk) return;
    if (auto* filters = dynamic_cast<Tfrm_Filters*>(dialog.get()))
        caption = QStringLiteral("Filter: ") + filters->FilterName;
    // With Preview off the document has not shown the result yet.
    RefreshActiveDocument();
    if (const auto& snapshot = FramePeers().AddSnapshot) snapshot(format, caption);
    doc->SetModified(true);
}
