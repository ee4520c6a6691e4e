// Effect > Zoom (see the header).
#include "effects/zoom.h"

#include <algorithm>

#include <QApplication>
#include <QLabel>
#include <QLineEdit>


Tfrm_Zoom::Tfrm_Zoom(QWidget* parent) : Tfrm_Effect(QStringLiteral("frm_Zoom"), QStringLiteral("Zoom"), parent)
{
    TFormBuilder form(this);
    form.Label(QStringLiteral("lbl_zoom"), QStringLiteral("Zoom:"), 16, 20);
    cbb_zoom = new QComboBox(this);
    cbb_zoom->setObjectName(QStringLiteral("cbb_zoom"));
    cbb_zoom->setEditable(true);
    cbb_zoom->setInsertPolicy(QComboBox::NoInsert);
    // Only the text as typed counts: a completion from the list would apply "90%" while "9" is
    // being typed, and leave it applied under a refused "9%".
    cbb_zoom->setCompleter(nullptr);
    cbb_zoom->setGeometry(70, 16, 100, 24);
    cbb_zoom->setMaxVisibleItems(15);
    for (const char* item : {"250%", "200%", "180%", "150%", "120%", "100%", "90%", "80%", "70%", "60%", "50%", "40%",
                             "30%", "20%", "10%"})
        cbb_zoom->addItem(QString::fromLatin1(item));
    cbb_zoom->setCurrentIndex(5);
    cbb_zoom->setEditText(QStringLiteral("100%"));
    connect(cbb_zoom, &QComboBox::currentTextChanged, this, &Tfrm_Zoom::cbb_zoomChange);
    connect(cbb_zoom, &QComboBox::activated, this,
            [this](int index) { ChosenPercent = std::max(0, ZoomPercentOfText(cbb_zoom->itemText(index))); });
    FinishLayout(272, 56);
}

void Tfrm_Zoom::cbb_zoomChange(const QString& text)
{
    if (!Target) return;
    int p = ZoomPercentOfText(text);
    // A refused text shows the picture as it was before the typing: "260%" passes through "26",
    // which zooms, but must not leave that zoom behind under a text that is refused.
    if (p < 0) p = ChosenPercent;
    if (p == Percent) return;
    Percent = p;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    Apply();
    QApplication::restoreOverrideCursor();
}

void Tfrm_Zoom::ApplyEffect()
{
    if (Percent < 10 || Percent > 259) {
        CopyIconImage(&Backup, Target);
        PreviewStep();
        return;
    }
    ApplyZoomEffect(Sources(), *Target, Percent);
    PreviewStep();
}
