#pragma once
// The about box (Help > About): the program's icon, name and version, and its home page as a
// link. Made once at start-up and shown modally.
#include <QLabel>
#include <QPushButton>
#include <QString>

#include "workspace/base_form.h"

// The version of the running program: "major.minor" (short) or "major.minor.release.build".
// The build records it; a program built without it gives the empty text.
QString GetFileVersionText(bool shortForm);
// "Version: %s (Build %s)" with the short and the full version.
QString AboutVersionLine();

// A label that opens its link with the desktop's associated program when clicked: its own text
// unless a link is set (a local page shows its name, not the path where it lies on this machine).
class TLinkLabel : public QLabel {
    Q_OBJECT
public:
    explicit TLinkLabel(QWidget* parent = nullptr);
    void SetLink(const QString& text, const QString& link);
    QString Link() const { return link_.isEmpty() ? text() : link_; }

protected:
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    QString link_;
};

class Tfrm_about : public Tfrm_base {
    Q_OBJECT
public:
    static constexpr int ClientWidth = 300;
    static constexpr int ClientHeight = 222;

    explicit Tfrm_about(QWidget* parent = nullptr);
    ~Tfrm_about() override;

    void setVisible(bool visible) override;
    // The one button is both the default and the cancel button: Escape and the close box answer OK.
    void reject() override { accept(); }

    QLabel* ProgramIcon = nullptr;
    QLabel* lab_ProductName = nullptr;
    QLabel* lab_Version = nullptr;
    TLinkLabel* lab_Comments = nullptr;
    QPushButton* OKButton = nullptr;

private:
    void FormShow();
};

// The one about box while it exists.
extern Tfrm_about* frm_about;
