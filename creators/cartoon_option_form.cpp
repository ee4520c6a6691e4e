// The cartoon-options window; see cartoon_option_form.h.
#include "creators/cartoon_option_form.h"

#include <QPixmap>

#include "imaging/compositing.h"
#include "imaging/imaging_state.h"
#include "model/document_model.h"
#include "platform/app_paths.h"
#include "platform/ui/dialogs.h"
#include "platform/ui/form_builder.h"
#include "platform/ui/spin_edit.h"

namespace {

struct RowDef {
    int Row;
    bool ColoringPage;
    const char* Caption;
    const char* TrackName;
    const char* SpinName;
    int Min, Max, Default;
};

// Top to bottom as the pages show them. "Darkness:" holds the value subtracted from the edges
// and "Detail:" the edge multiplier: the captions are the ones users know.
constexpr RowDef Rows[] = {
    {Tfrm_CartoonOption::rDetail, false, "Darkness:", "Trc_Detail", "Spn_Detail", 0, 1024, 115},
    {Tfrm_CartoonOption::rDarkness, false, "Detail:", "Trc_Darkness", "Spn_Darkness", 1, 256, 68},
    {Tfrm_CartoonOption::rSketchSmooth, false, "Smooth:", "Trc_SketchSmooth", "Spn_SketchSmooth", 0, 100, 5},
    {Tfrm_CartoonOption::rThreshold, false, "Threshold:", "Trc_Threshold", "Spn_Threshold", 0, 254, 0},
    {Tfrm_CartoonOption::rDarkness2, false, "Strength:", "Trc_Darkness2", "Spn_Darkness2", 0, 255, 0},
    {Tfrm_CartoonOption::rColorReducer, true, "Reducer:", "trc_ColorReducer", "Spn_ColorReducer", 1, 254, 1},
    {Tfrm_CartoonOption::rSaturation, true, "Saturation:", "Trc_Saturation", "Spn_Saturation", -127, 127, 0},
    {Tfrm_CartoonOption::rContrast, true, "Contrast:", "Trc_Contrast", "Spn_Contrast", -255, 255, 0},
    {Tfrm_CartoonOption::rBrightness, true, "Brightness:", "Trc_Brightness", "Spn_Brightness", -255, 255, 0},
    {Tfrm_CartoonOption::rBorderBlur, true, "Blur:", "Trc_BorderBlur", "Spn_BorderBlur", 0, 255, 25},
    {Tfrm_CartoonOption::rRed, true, "Red:", "Trc_Red", "Spn_Red", -255, 255, 0},
    {Tfrm_CartoonOption::rGreen, true, "Green:", "Trc_Green", "Spn_Green", -255, 255, 0},
    {Tfrm_CartoonOption::rBlue, true, "Blue:", "Trc_Blue", "Spn_Blue", -255, 255, 0},
};

constexpr int RowStep = 40;
constexpr int TrackLeft = 86;
constexpr int TrackWidth = 136;
constexpr int SpinLeft = 226;

} // namespace

Tfrm_CartoonOption::Tfrm_CartoonOption(QWidget* parent, const QString& presetPath)
    : Tfrm_base(QStringLiteral("frm_CartoonOption"), parent)
{
    setWindowTitle(QStringLiteral("More Cartoon Options"));
    setFixedSize(ClientWidth, ClientHeight);
    MakeControls();

    auto& peers = CartoonPeers();
    peers.Render = [this](TIconImageArray* formats, const Bitmap24* master, const Rect& cropDest, bool enabled) {
        Formats = formats;
        Master = master;
        CropDest = cropDest;
        CartoonEnabled = enabled;
        RenderIconImages();
    };
    peers.ShowModal = [this](TIconImageArray* formats) {
        Formats = formats;
        exec();
    };
    peers.State = [this] { return ControlState(); };
    peers.Write = [this](TCartoonControl control, int value) { WriteControl(control, value); };

    LoadPreset(presetPath.isEmpty() ? AppPaths::AssetPath(QStringLiteral("cartoon3.set")) : presetPath);
}

Tfrm_CartoonOption::~Tfrm_CartoonOption()
{
    auto& peers = CartoonPeers();
    peers.Render = nullptr;
    peers.ShowModal = nullptr;
    peers.State = nullptr;
    peers.Write = nullptr;
}

void Tfrm_CartoonOption::MakeControls()
{
    TFormBuilder form(this);
    pgc_Options = new QTabWidget(this);
    pgc_Options->setObjectName(QStringLiteral("pgc_Options"));
    pgc_Options->setGeometry(8, 8, 300, 414);
    tab_LineDrawing = new QWidget;
    tab_LineDrawing->setObjectName(QStringLiteral("tab_LineDrawing"));
    tab_Coloring = new QWidget;
    tab_Coloring->setObjectName(QStringLiteral("tab_Coloring"));
    pgc_Options->addTab(tab_LineDrawing, QStringLiteral("Line Drawing"));
    pgc_Options->addTab(tab_Coloring, QStringLiteral("Coloring"));

    TFormBuilder line = form.Inside(tab_LineDrawing);
    TFormBuilder color = form.Inside(tab_Coloring);
    Chk_DrawSketch = line.Check(QStringLiteral("Chk_DrawSketch"), QStringLiteral("Line Drawing"), 12, 10, true);
    Chk_DrawColor = color.Check(QStringLiteral("Chk_DrawColor"), QStringLiteral("Color"), 12, 10, false);

    int lineY = 44, colorY = 44;
    for (const RowDef& def : Rows) {
        TFormBuilder& page = def.ColoringPage ? color : line;
        int& y = def.ColoringPage ? colorY : lineY;
        if (def.Row == rThreshold) {
            Chk_Remain = line.Check(QStringLiteral("Chk_Remain"), QStringLiteral("Remain Dark Area"), 12, y, false);
            y += 32;
        }
        const QString suffix = QString::fromLatin1(def.TrackName).mid(4);
        const TTrackRow row = page.TrackRow(suffix, QString(), def.Min, def.Max, def.Default,
                                            QRect(TrackLeft, y, TrackWidth, 24), SpinLeft, false);
        row.Track->setObjectName(QString::fromLatin1(def.TrackName));
        row.Spin->setObjectName(QString::fromLatin1(def.SpinName));
        QLabel* label = page.Label(QStringLiteral("lbl_") + suffix, QString::fromLatin1(def.Caption),
                                   QRect(8, y, TrackLeft - 12, 24), Qt::AlignRight | Qt::AlignVCenter);
        RowLabel[def.Row] = label;
        RowTrack[def.Row] = row.Track;
        RowSpin[def.Row] = row.Spin;
        const int r = def.Row;
        // The bar's own start, not 0: a preset value the bar clamps to 0 must still reach the
        // number box, which a change to the value already recorded skips.
        last_[r] = row.Track->Position();
        connect(row.Track, &TTrackBar::Changed, this, [this, r] { TrackChanged(r); });
        connect(row.Spin, &TSpinEdit::Changed, this, [this, r] { SpinChanged(r); });
        y += RowStep;
    }
    for (int r : {int(rThreshold), int(rDarkness2), int(rColorReducer), int(rSaturation), int(rContrast),
                  int(rBrightness), int(rBorderBlur), int(rRed), int(rGreen), int(rBlue)})
        SetRowEnabled(r, false);

    connect(Chk_Remain, &QCheckBox::toggled, this, [this] { Chk_RemainClick(); });
    connect(Chk_DrawSketch, &QCheckBox::toggled, this, [this] { Chk_DrawSketchClick(); });
    connect(Chk_DrawColor, &QCheckBox::toggled, this, [this] { Chk_DrawColorClick(); });

    grp_Preview = form.Group(QStringLiteral("grp_Preview"), QString(), QRect(318, 8, 274, 278));
    Image1 = new QLabel(grp_Preview);
    Image1->setObjectName(QStringLiteral("Image1"));
    Image1->setGeometry(9, 14, 256, 256);
    QPixmap blank(256, 256);
    blank.fill(Qt::white);
    Image1->setPixmap(blank);

    cmb_IconImage = new QComboBox(this);
    cmb_IconImage->setObjectName(QStringLiteral("cmb_IconImage"));
    cmb_IconImage->setGeometry(318, 296, 150, 24);
    connect(cmb_IconImage, &QComboBox::currentIndexChanged, this, [this](int index) {
        if (index >= 0) RenderIconImages();
    });

    btn_OK = form.Buttons(QStringLiteral("btn_OK"), QString(), QString(), 517, 397).Ok;
    connect(btn_OK, &QPushButton::clicked, this, &QDialog::accept);
}

void Tfrm_CartoonOption::LoadPreset(const QString& path)
{
    TCartoonOptions preset;
    if (!LoadCartoonOptionsFile(path, preset)) {
        // The window works on with its layout's values and a record of zeros.
        MessageBox(this, QStringLiteral("The configuration file cartoon3.set cann't be opened."),
                   QStringLiteral("Tavrin"));
        return;
    }
    render_.Preset = preset;
    loadingPreset_ = true;
    render_.Preset.DrawSketch = 1;
    render_.Preset.DrawColor = 0;
    Chk_DrawSketch->setChecked(true);
    Chk_DrawColor->setChecked(false);
    const TCartoonOptions& o = render_.Preset;
    RowTrack[rDetail]->SetPosition(o.Detail);
    RowTrack[rDarkness]->SetPosition(o.Darkness);
    RowTrack[rSketchSmooth]->SetPosition(o.SketchSmooth);
    Chk_Remain->setChecked(o.RemainDarkArea != 0);
    RowTrack[rThreshold]->SetPosition(o.Threshold);
    RowTrack[rDarkness2]->SetPosition(o.Strength);
    RowTrack[rBrightness]->SetPosition(o.Brightness);
    RowTrack[rContrast]->SetPosition(o.Contrast);
    RowTrack[rSaturation]->SetPosition(o.Saturation);
    RowTrack[rBorderBlur]->SetPosition(o.Blur);
    RowTrack[rRed]->SetPosition(o.Red);
    RowTrack[rGreen]->SetPosition(o.Green);
    RowTrack[rBlue]->SetPosition(o.Blue);
    RowTrack[rColorReducer]->SetPosition(o.ColorReducer);
    // Read only while the window is made, before any picture is open: nothing to render yet.
    loadingPreset_ = false;
}

void Tfrm_CartoonOption::TrackChanged(int row)
{
    const int position = RowTrack[row]->Position();
    if (position == last_[row]) return;
    RowSpin[row]->SetValue(position);
    last_[row] = position;
    RequestUpdate();
}

void Tfrm_CartoonOption::SpinChanged(int row)
{
    // Any text that is not empty counts; one that is no number stands for the minimum.
    if (RowSpin[row]->Text().trimmed().isEmpty()) return;
    const int value = RowSpin[row]->Value();
    if (value != RowTrack[row]->Position()) RowTrack[row]->SetPosition(value);
}

void Tfrm_CartoonOption::SetRowEnabled(int row, bool enabled)
{
    RowLabel[row]->setEnabled(enabled);
    RowTrack[row]->setEnabled(enabled);
    RowSpin[row]->setEnabled(enabled);
}

void Tfrm_CartoonOption::Chk_RemainClick()
{
    const bool on = Chk_Remain->isEnabled() && Chk_Remain->isChecked();
    SetRowEnabled(rThreshold, on);
    SetRowEnabled(rDarkness2, on);
    RequestUpdate();
}

void Tfrm_CartoonOption::Chk_DrawSketchClick()
{
    const bool on = Chk_DrawSketch->isEnabled() && Chk_DrawSketch->isChecked();
    SetRowEnabled(rDetail, on);
    SetRowEnabled(rDarkness, on);
    SetRowEnabled(rSketchSmooth, on);
    Chk_Remain->setEnabled(on);
    Chk_RemainClick();
}

void Tfrm_CartoonOption::Chk_DrawColorClick()
{
    const bool on = Chk_DrawColor->isChecked();
    for (int r : {int(rColorReducer), int(rSaturation), int(rContrast), int(rBrightness), int(rBorderBlur), int(rRed),
                  int(rGreen), int(rBlue)})
        SetRowEnabled(r, on);
    RequestUpdate();
}

void Tfrm_CartoonOption::RequestUpdate()
{
    // Before photo to icon exists (during start-up) there is nothing to render.
    if (loadingPreset_) return;
    if (const auto& update = CartoonPeers().UpdateIconImages) update();
}

TCartoonSettings Tfrm_CartoonOption::Settings() const
{
    TCartoonSettings s;
    s.DrawSketch = Chk_DrawSketch->isChecked();
    s.DrawColor = Chk_DrawColor->isChecked();
    s.RemainDarkArea = Chk_Remain->isChecked();
    s.Detail = RowTrack[rDetail]->Position();
    s.Darkness = RowTrack[rDarkness]->Position();
    s.SketchSmooth = RowTrack[rSketchSmooth]->Position();
    s.Threshold = RowTrack[rThreshold]->Position();
    s.Strength = RowTrack[rDarkness2]->Position();
    s.ColorReducer = RowTrack[rColorReducer]->Position();
    s.Saturation = RowTrack[rSaturation]->Position();
    s.Contrast = RowTrack[rContrast]->Position();
    s.Brightness = RowTrack[rBrightness]->Position();
    s.Blur = RowTrack[rBorderBlur]->Position();
    s.Red = RowTrack[rRed]->Position();
    s.Green = RowTrack[rGreen]->Position();
    s.Blue = RowTrack[rBlue]->Position();
    return s;
}

TCartoonControlState Tfrm_CartoonOption::ControlState() const
{
    TCartoonControlState c;
    c.DrawSketch = Chk_DrawSketch->isChecked();
    c.DrawColor = Chk_DrawColor->isChecked();
    c.Remain = Chk_Remain->isChecked();
    c.DetailPosition = RowTrack[rDetail]->Position();
    c.DarknessPosition = RowTrack[rDarkness]->Position();
    c.ThresholdPosition = RowTrack[rThreshold]->Position();
    c.ReducerPosition = RowTrack[rColorReducer]->Position();
    c.DetailValue = RowSpin[rDetail]->Value();
    c.DarknessValue = RowSpin[rDarkness]->Value();
    c.ThresholdValue = RowSpin[rThreshold]->Value();
    c.ReducerValue = RowSpin[rColorReducer]->Value();
    c.DetailEnabled = RowTrack[rDetail]->isEnabled();
    c.DarknessEnabled = RowTrack[rDarkness]->isEnabled();
    c.ThresholdEnabled = RowTrack[rThreshold]->isEnabled();
    return c;
}

void Tfrm_CartoonOption::WriteControl(TCartoonControl control, int value)
{
    switch (control) {
    case TCartoonControl::DrawSketch: Chk_DrawSketch->setChecked(value != 0); break;
    case TCartoonControl::DrawColor: Chk_DrawColor->setChecked(value != 0); break;
    case TCartoonControl::Remain: Chk_Remain->setChecked(value != 0); break;
    case TCartoonControl::Detail: RowTrack[rDetail]->SetPosition(value); break;
    case TCartoonControl::Darkness: RowTrack[rDarkness]->SetPosition(value); break;
    case TCartoonControl::Threshold: RowTrack[rThreshold]->SetPosition(value); break;
    case TCartoonControl::Reducer: RowTrack[rColorReducer]->SetPosition(value); break;
    }
}

void Tfrm_CartoonOption::RenderIconImages()
{
    if (!Formats || !Master || Formats->IsEmpty()) return;
    render_.RenderIconImages(*Formats, *Master, CropDest, CartoonEnabled, Settings());
    DrawPreview();
}

void Tfrm_CartoonOption::DrawPreview()
{
    const TIconImageRec* f = Formats ? Formats->At(cmb_IconImage->currentIndex()) : nullptr;
    if (!f) return;
    Bitmap24 canvas(256, 256);
    const int left = (256 - f->Width) / 2, top = (256 - f->Height) / 2;
    DrawIconImage(canvas, MakeRect(left, top, left + f->Width, top + f->Height), Imaging().BackgroundColor, *f);
    Image1->setPixmap(QPixmap::fromImage(canvas.ToQImage()));
}

void Tfrm_CartoonOption::setVisible(bool visible)
{
    const bool showing = visible && !isVisible();
    Tfrm_base::setVisible(visible);
    if (!showing) return;
    for (int r = 0; r < RowCount; ++r) last_[r] = RowTrack[r]->Position();
    if (Formats && !Formats->IsEmpty()) {
        const QSignalBlocker block(cmb_IconImage);
        cmb_IconImage->clear();
        for (int i = 0; i < Formats->Count(); ++i) cmb_IconImage->addItem(FormatSizeLabel((*Formats)[i]));
        cmb_IconImage->setCurrentIndex(0);
        RenderIconImages();
    }
    pgc_Options->setCurrentWidget(tab_LineDrawing);
}

void Tfrm_CartoonOption::done(int result)
{
    Tfrm_base::done(result);
    Formats = nullptr;
}
