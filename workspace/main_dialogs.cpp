// The main window's commands that run the small dialogs: File > New, File > Icon Properties and
// Help > About.
#include "workspace/main_form.h"

#include "workspace/dialogs/about_form.h"
#include "workspace/dialogs/add_new_image_form.h"
#include "workspace/childwin.h"
#include "workspace/dialogs/icon_property_form.h"

void Tfrm_main::NewIcon(const QString& name)
{
    if (!frm_add_new_image) return;
    // A new icon starts from 48 x 48 with alpha and offers no source format.
    frm_add_new_image->PresetNewImage(48, 48, ctTrueAlpha);
    const TIconImageRec* format = frm_add_new_image->Execute(nullptr, 0);
    if (!format) return;
    Tfrm_childwin* doc = CreateDocumentWindow();
    doc->AddImageFormat(*format);
    doc->Document().FileName = name;
    doc->UpdateCaption();
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
