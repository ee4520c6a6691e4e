#pragma once
// The text tool's font window: face, size, bold, italic and underline, shown on a sample field
// the user may also edit. The sample's font and text are the result; the window keeps nothing
// else. Made once at start-up (its face list and style glyphs wait for its first show); the tools window runs it modally through ToolsPeers().ChooseFont,
// loading the sample with the text tool's text and font first and taking both back after OK.
#include <QStringList>

#include "workspace/base_form.h"

class QComboBox;
class QFont;
class QLineEdit;
class QPushButton;
class QToolButton;
class TSpinEdit;

class Tfrm_font : public Tfrm_base {
    Q_OBJECT
public:
    static constexpr int ClientWidth = 259;
    static constexpr int ClientHeight = 236;

    explicit Tfrm_font(QWidget* parent = nullptr);
    ~Tfrm_font() override;

    // The installed font families, each once by its plain name; private system families and the
    // font system's generic stand-in names left out.
    static QStringList ScreenFontFaces();
    // Fills the face list with these faces, sorted as a sorted list box sorts (case-insensitive),
    // and selects the sample's face when it is among them (none otherwise).
    void FillFontList(const QStringList& faces);

    // Runs the window modally over Owner (may be null) with this text and font; on OK both are
    // taken back from the sample.
    bool Execute(QWidget* owner, QString& text, QFont& font);

    void setVisible(bool visible) override;

    // ---- handlers ----
    void cmb_TextFontChange();
    void spn_TextSizeChange();
    void btn_TextBClick();
    void btn_TextIClick();
    void btn_TextUClick();

    // ---- controls ----
    QComboBox* cmb_TextFont = nullptr;
    TSpinEdit* spn_TextSize = nullptr;
    QToolButton* btn_TextB = nullptr;
    QToolButton* btn_TextI = nullptr;
    QToolButton* btn_TextU = nullptr;
    QLineEdit* edt_FontSample = nullptr;
    QPushButton* BitBtn1 = nullptr;
    QPushButton* BitBtn2 = nullptr;

private:
    void FormShow();
    // The first entry whose text is the face exactly (case counts); -1 when none.
    int FaceIndex(const QString& face) const;
    // Applies a change to the sample's font.
    template <class Change>
    void ChangeSampleFont(Change change);

    // Set while the window itself writes its controls, so their handlers stay quiet.
    bool syncing_ = false;
    // The installed faces are listed on first show unless a list was given before.
    bool facesFilled_ = false;
};

// The one font window while it exists.
extern Tfrm_font* frm_font;
