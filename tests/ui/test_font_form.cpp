// The font window driven as a person would: the face list, the size field with text out of its
// range, the style toggles, the sample text, and the result reaching the tools window through its
// peer entry; faces that are not installed and a machine with no fonts at all.
#include <gtest/gtest.h>

#include <QComboBox>
#include <QFontDatabase>
#include <QFontInfo>
#include <QSet>
#include <QAbstractItemView>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QToolButton>
#include <algorithm>
#include <memory>

#include "model/font_families.h"
#include "model/tool_settings.h"
#include "platform/ui/spin_edit.h"
#include "support/scripted_dialogs.h"
#include "support/test_support.h"
#include "support/ui_helpers.h"
#include "support/when_modal.h"
#include "workspace/font_form.h"
#include "workspace/peers.h"
#include "workspace/tools_panel.h"

namespace {

class FontFormTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ToolsPeers() = TToolsPeers{};
        form = std::make_unique<Tfrm_font>();
    }
    void TearDown() override
    {
        form.reset();
        ToolsPeers() = TToolsPeers{};
    }

    QStringList Items() const
    {
        QStringList out;
        for (int i = 0; i < form->cmb_TextFont->count(); ++i) out << form->cmb_TextFont->itemText(i);
        return out;
    }
    void Type(QWidget* field, const QString& text)
    {
        QLineEdit* edit = qobject_cast<QLineEdit*>(field);
        if (!edit) edit = field->findChild<QLineEdit*>();
        edit->selectAll();
        if (text.isEmpty()) QTest::keyClick(edit, Qt::Key_Backspace);
        else QTest::keyClicks(edit, text);
    }
    QFont Sample() const { return form->edt_FontSample->font(); }
    // Shows the window over a sample font, without a modal loop.
    void Open(const QFont& font)
    {
        form->edt_FontSample->setFont(font);
        form->show();
    }

    ScopedAppDir appDir;
    ScriptedDialogs dialogs;
    std::unique_ptr<Tfrm_font> form;
};

QFont Font(const QString& face, int size, bool bold = false, bool italic = false, bool underline = false)
{
    QFont f;
    f.setFamily(face);
    f.setPointSize(size);
    f.setBold(bold);
    f.setItalic(italic);
    f.setUnderline(underline);
    return f;
}

} // namespace

TEST_F(FontFormTest, LayoutAndTheSortedFaceList)
{
    EXPECT_EQ(form->objectName(), QStringLiteral("frm_font"));
    EXPECT_TRUE(form->windowTitle().isEmpty());
    EXPECT_EQ(form->size(), QSize(259, 236));
    EXPECT_EQ(form->edt_FontSample->text(), QStringLiteral("Hello"));
    EXPECT_EQ(form->edt_FontSample->size(), QSize(241, 105));
    EXPECT_EQ(form->spn_TextSize->MinValue(), 3);
    EXPECT_EQ(form->spn_TextSize->MaxValue(), 999);
    EXPECT_EQ(form->spn_TextSize->Value(), 8);
    for (QToolButton* b : {form->btn_TextB, form->btn_TextI, form->btn_TextU}) {
        EXPECT_EQ(b->size(), QSize(23, 22));
        EXPECT_TRUE(b->isCheckable());
        EXPECT_FALSE(b->isChecked());
    }
    EXPECT_EQ(form->BitBtn1->text(), QStringLiteral("OK"));
    EXPECT_EQ(form->BitBtn2->text(), QStringLiteral("Cancel"));
    // Its place is kept in its own section of "position.cfg".
    form->show();
    // Each style button shows its letter in its style once the window has been shown.
    for (QToolButton* b : {form->btn_TextB, form->btn_TextI, form->btn_TextU}) EXPECT_FALSE(b->icon().isNull());
    form->hide();
    EXPECT_EQ(ReadPlacement(PositionFilePath(), QStringLiteral("frm_font")).Height, form->frameGeometry().height());

    // Every installed family once by its plain name, sorted without regard to case: no foundry
    // tags, and the generic names the font system stands in with only when such a font exists.
    // A family is installed when its name finds a font of that family (of whichever foundry).
    const auto installed = [](const QString& face) {
        return PlainFontFamilies({QFontInfo(QFont(face)).family()}).value(0) == face;
    };
    const QStringList items = Items();
    EXPECT_FALSE(items.isEmpty());
    EXPECT_EQ(items.size(), QSet<QString>(items.begin(), items.end()).size());
    for (const QString& f : items) {
        EXPECT_FALSE(f.contains(QLatin1Char('['))) << f.toStdString();
        EXPECT_TRUE(installed(f)) << f.toStdString();
    }
    for (const QString& f : QFontDatabase::families()) {
        if (QFontDatabase::isPrivateFamily(f)) continue;
        const QString plain = PlainFontFamilies({f}).value(0);
        if (installed(plain)) EXPECT_TRUE(items.contains(plain)) << plain.toStdString();
    }
    EXPECT_TRUE(items.contains(QStringLiteral("DejaVu Sans")));
    for (int i = 1; i < items.size(); ++i)
        EXPECT_LE(QString::compare(items[i - 1], items[i], Qt::CaseInsensitive), 0) << items[i].toStdString();

    // Sorted as a sorted list sorts: case is ignored first, then decides ties.
    form->FillFontList({QStringLiteral("beta"), QStringLiteral("Gamma"), QStringLiteral("alpha"), QStringLiteral("Beta")});
    EXPECT_EQ(Items(), (QStringList{"alpha", "Beta", "beta", "Gamma"}));
}

TEST_F(FontFormTest, ResultThroughThePeerEntry)
{
    ASSERT_TRUE(ToolsPeers().ChooseFont);
    form->FillFontList({QStringLiteral("alpha"), QStringLiteral("Beta"), QStringLiteral("beta"), QStringLiteral("Gamma")});
    QString text = QStringLiteral("Abc");
    QFont font = Font(QStringLiteral("beta"), 12, false, true);
    WhenModal([this](QWidget* modal) {
        EXPECT_EQ(modal, form.get());
        // The window shows the text tool's font: the face matched exactly, case and all.
        EXPECT_EQ(form->cmb_TextFont->currentText(), QStringLiteral("beta"));
        EXPECT_EQ(form->spn_TextSize->Value(), 12);
        EXPECT_FALSE(form->btn_TextB->isChecked());
        EXPECT_TRUE(form->btn_TextI->isChecked());
        EXPECT_EQ(form->edt_FontSample->text(), QStringLiteral("Abc"));
        // Bold on, size 20, the next face, a new text.
        QTest::mouseClick(form->btn_TextB, Qt::LeftButton);
        Type(form->spn_TextSize, QStringLiteral("20"));
        QTest::keyClick(form->cmb_TextFont, Qt::Key_Down);
        Type(form->edt_FontSample, QStringLiteral("Hi there"));
        QTest::mouseClick(form->BitBtn1, Qt::LeftButton);
    });
    ASSERT_TRUE(ToolsPeers().ChooseFont(nullptr, text, font));
    EXPECT_EQ(text, QStringLiteral("Hi there"));
    EXPECT_EQ(font.family(), QStringLiteral("Gamma"));
    EXPECT_EQ(font.pointSize(), 20);
    EXPECT_TRUE(font.bold());
    EXPECT_TRUE(font.italic());
    EXPECT_FALSE(font.underline());

    // Cancel: the caller's text and font stay; the sample keeps the changes until the next showing.
    WhenModal([this](QWidget*) {
        EXPECT_EQ(form->cmb_TextFont->currentText(), QStringLiteral("Gamma"));
        QTest::mouseClick(form->btn_TextU, Qt::LeftButton);
        Type(form->edt_FontSample, QStringLiteral("Gone"));
        QTest::mouseClick(form->BitBtn2, Qt::LeftButton);
    });
    EXPECT_FALSE(ToolsPeers().ChooseFont(nullptr, text, font));
    EXPECT_EQ(text, QStringLiteral("Hi there"));
    EXPECT_FALSE(font.underline());
    EXPECT_TRUE(Sample().underline());
    EXPECT_EQ(form->edt_FontSample->text(), QStringLiteral("Gone"));

    // The entry goes with the window.
    form.reset();
    EXPECT_FALSE(ToolsPeers().ChooseFont);
}

TEST_F(FontFormTest, SizeTypedOutOfRange)
{
    Open(Font(QStringLiteral("alpha"), 10));
    EXPECT_EQ(form->spn_TextSize->Value(), 10);
    Type(form->spn_TextSize, QStringLiteral("2000"));
    EXPECT_EQ(Sample().pointSize(), 999);
    Type(form->spn_TextSize, QStringLiteral("1"));
    EXPECT_EQ(Sample().pointSize(), 3);
    Type(form->spn_TextSize, QStringLiteral("50"));
    EXPECT_EQ(Sample().pointSize(), 50);
    // An empty field or one holding letters leaves the size as it was.
    Type(form->spn_TextSize, QString());
    EXPECT_EQ(Sample().pointSize(), 50);
    form->spn_TextSize->SetText(QStringLiteral("ab"));
    EXPECT_EQ(Sample().pointSize(), 50);
    // A number with more digits than any integer holds reads as the largest size.
    Type(form->spn_TextSize, QStringLiteral("99999999999999999999"));
    EXPECT_EQ(Sample().pointSize(), 999);
    form->reject();
}

TEST_F(FontFormTest, StyleButtonsToggleOneStyleEach)
{
    Open(Font(QStringLiteral("alpha"), 10, false, false, true));
    EXPECT_TRUE(form->btn_TextU->isChecked());
    QTest::mouseClick(form->btn_TextB, Qt::LeftButton);
    EXPECT_TRUE(Sample().bold());
    QTest::mouseClick(form->btn_TextI, Qt::LeftButton);
    QTest::mouseClick(form->btn_TextB, Qt::LeftButton);
    EXPECT_FALSE(Sample().bold());
    EXPECT_FALSE(form->btn_TextB->isChecked());
    EXPECT_TRUE(Sample().italic());
    EXPECT_TRUE(Sample().underline());
    QTest::mouseClick(form->btn_TextU, Qt::LeftButton);
    EXPECT_FALSE(Sample().underline());
    EXPECT_TRUE(Sample().italic());
    form->reject();
}

TEST_F(FontFormTest, AFaceThatIsNotInstalled)
{
    form->FillFontList({QStringLiteral("alpha"), QStringLiteral("Gamma")});
    // Filling selects the sample's face only when it is there.
    form->edt_FontSample->setFont(Font(QStringLiteral("Gamma"), 9));
    form->FillFontList({QStringLiteral("alpha"), QStringLiteral("Gamma")});
    EXPECT_EQ(form->cmb_TextFont->currentText(), QStringLiteral("Gamma"));
    form->edt_FontSample->setFont(Font(QStringLiteral("No Such Face"), 9));
    form->FillFontList({QStringLiteral("alpha"), QStringLiteral("Gamma")});
    EXPECT_EQ(form->cmb_TextFont->currentIndex(), -1);

    // Showing: a face differing in case or only a prefix of an entry is no match; no entry is
    // selected and the sample keeps its face.
    form->cmb_TextFont->setCurrentIndex(1);
    QString text = QStringLiteral("T");
    QFont font = Font(QStringLiteral("gamma"), 14);
    WhenModal([this](QWidget*) {
        EXPECT_EQ(form->cmb_TextFont->currentIndex(), -1);
        EXPECT_EQ(Sample().family(), QStringLiteral("gamma"));
        EXPECT_EQ(form->spn_TextSize->Value(), 14);
        QTest::mouseClick(form->BitBtn1, Qt::LeftButton);
    });
    ASSERT_TRUE(form->Execute(nullptr, text, font));
    EXPECT_EQ(font.family(), QStringLiteral("gamma"));
    font.setFamily(QStringLiteral("Gam"));
    WhenModal([this](QWidget*) { QTest::mouseClick(form->BitBtn1, Qt::LeftButton); });
    ASSERT_TRUE(form->Execute(nullptr, text, font));
    EXPECT_EQ(font.family(), QStringLiteral("Gam"));
    EXPECT_EQ(form->cmb_TextFont->currentIndex(), -1);
    // An installed face shown after one that is not is selected again.
    font.setFamily(QStringLiteral("alpha"));
    WhenModal([this](QWidget*) {
        EXPECT_EQ(form->cmb_TextFont->currentText(), QStringLiteral("alpha"));
        QTest::mouseClick(form->BitBtn1, Qt::LeftButton);
    });
    ASSERT_TRUE(form->Execute(nullptr, text, font));
}

// The text tool starts with the toolkit's default font, whose generic family name ("Sans Serif")
// is no installed font: the window shows no face selected until one is chosen.
TEST_F(FontFormTest, TheDefaultFontShowsNoFaceUnlessInstalled)
{
    QString text = QStringLiteral("Abc");
    QFont font;
    const bool installed = QFontInfo(font).family() == font.family();
    WhenModal([&](QWidget*) {
        if (installed)
            EXPECT_EQ(form->cmb_TextFont->currentText(), font.family());
        else
            EXPECT_EQ(form->cmb_TextFont->currentIndex(), -1);
        form->cmb_TextFont->showPopup();
        SaveShot(form->cmb_TextFont->view()->window(), "font_list");
        form->cmb_TextFont->hidePopup();
        SaveShot(form.get(), "font_window");
        // Choosing the first face takes it.
        QTest::keyClick(form->cmb_TextFont, Qt::Key_Home);
        QTest::mouseClick(form->BitBtn1, Qt::LeftButton);
    });
    ASSERT_TRUE(form->Execute(nullptr, text, font));
    EXPECT_EQ(font.family(), form->cmb_TextFont->itemText(0));
}

TEST_F(FontFormTest, NoFontsInstalled)
{
    form->FillFontList({});
    EXPECT_EQ(form->cmb_TextFont->count(), 0);
    EXPECT_EQ(form->cmb_TextFont->currentIndex(), -1);
    QString text = QStringLiteral("Abc");
    QFont font = Font(QStringLiteral("Whatever"), 30, true);
    WhenModal([this](QWidget*) {
        QTest::keyClick(form->cmb_TextFont, Qt::Key_Down);
        QTest::keyClick(form->cmb_TextFont, Qt::Key_Up);
        QTest::mouseClick(form->btn_TextI, Qt::LeftButton);
        QTest::mouseClick(form->BitBtn1, Qt::LeftButton);
    });
    ASSERT_TRUE(form->Execute(nullptr, text, font));
    EXPECT_EQ(font.family(), QStringLiteral("Whatever"));
    EXPECT_EQ(font.pointSize(), 30);
    EXPECT_TRUE(font.bold());
    EXPECT_TRUE(font.italic());
    EXPECT_EQ(text, QStringLiteral("Abc"));
}

// In the program: the text page's "Font" button runs this window and takes its font and text.
TEST_F(MainWindowTest, TheToolsWindowsFontButtonRunsTheWindow)
{
    auto* tools = qobject_cast<Tfrm_tools_panel*>(main->ToolsWindow.data());
    ASSERT_NE(tools, nullptr);
    auto window = std::make_unique<Tfrm_font>();
    QTest::mouseClick(tools->btn_Text, Qt::LeftButton);
    const int size = ToolSettings().TextFont.pointSize();
    WhenModal([&](QWidget* modal) {
        EXPECT_EQ(modal, window.get());
        EXPECT_EQ(window->edt_FontSample->text(), ToolSettings().TextText);
        EXPECT_EQ(window->spn_TextSize->Value(), std::clamp(size, 3, 999));
        QTest::mouseClick(window->btn_TextU, Qt::LeftButton);
        window->edt_FontSample->selectAll();
        QTest::keyClicks(window->edt_FontSample, QStringLiteral("Sign"));
        QTest::mouseClick(window->BitBtn1, Qt::LeftButton);
    });
    QTest::mouseClick(tools->btn_Font, Qt::LeftButton);
    EXPECT_TRUE(ToolSettings().TextFont.underline());
    EXPECT_EQ(ToolSettings().TextText, QStringLiteral("Sign"));
    EXPECT_EQ(tools->edt_TextText->text(), QStringLiteral("Sign"));
    window.reset();
}
