// Effect > Filters (see the header).
#include "effects/filters.h"

#include <QLabel>

#include "platform/ui/dialogs.h"

Tfrm_Filters::Tfrm_Filters(QWidget* parent)
    : Tfrm_Effect(QStringLiteral("frm_Filters"), QStringLiteral("Filter"), parent)
{
    TFormBuilder form(this);
    form.Label(QStringLiteral("lbl_filters"), QStringLiteral("Filter"), 16, 12);
    cbb_filters = new QComboBox(this);
    cbb_filters->setObjectName(QStringLiteral("cbb_filters"));
    cbb_filters->setGeometry(16, 30, 240, 24);
    cbb_filters->setMaxVisibleItems(25);
    grp_Channels = form.Group(QStringLiteral("grp_Channels"), QStringLiteral("Channels"), QRect(16, 64, 240, 52));
    TFormBuilder inGroup = form.Inside(grp_Channels);
    chk_R = inGroup.Check(QStringLiteral("chk_R"), QStringLiteral("Red"), 12, 22, true);
    chk_G = inGroup.Check(QStringLiteral("chk_G"), QStringLiteral("Green"), 88, 22, true);
    chk_B = inGroup.Check(QStringLiteral("chk_B"), QStringLiteral("Blue"), 168, 22, true);
    connect(cbb_filters, &QComboBox::currentIndexChanged, this, &Tfrm_Filters::cbb_filtersChange);
    for (QCheckBox* c : {chk_R, chk_G, chk_B}) connect(c, &QCheckBox::clicked, this, [this] { Apply(); });
    FinishLayout(272, 124);
}

void Tfrm_Filters::FormShow()
{
    {
        const QSignalBlocker quiet(cbb_filters);
        cbb_filters->clear();
        for (const TFilterDef& f : FilterPresets) cbb_filters->addItem(QString::fromLatin1(f.Name));
        cbb_filters->setCurrentIndex(0);
    }
    if (Target && (Target->Width < 7 || Target->Height < 7)) {
        cbb_filters->setEnabled(false);
        btn_Ok->setEnabled(false);
        // The channel boxes would apply the first preset: they go too.
        grp_Channels->setEnabled(false);
        MessageBox(this, QStringLiteral("The width or height cannot be less 7."), QStringLiteral("Filter"));
    }
}

void Tfrm_Filters::cbb_filtersChange(int index)
{
    if (!Target || index < 0 || index == FilterIndex) return;
    FilterIndex = index;
    Apply();
}

void Tfrm_Filters::ApplyEffect()
{
    if (FilterIndex < 0 || FilterIndex >= FilterPresetCount) return;
    const TFilterDef& preset = FilterPresets[size_t(FilterIndex)];
    ApplyFilterEffect(Sources(), *Target, preset, chk_R->isChecked(), chk_G->isChecked(), chk_B->isChecked());
    FilterName = QString::fromLatin1(preset.Name);
    PreviewStep();
}
