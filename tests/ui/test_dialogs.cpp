// The desktop dialog service: filters shown as written, the filter index both ways, the
// extension that follows the filter, and message-box answers.
#include <gtest/gtest.h>

#include <QComboBox>
#include <QFileDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

#include "platform/ui/dialogs.h"
#include "support/when_modal.h"

namespace {

QStringList ComboItems(QComboBox* combo)
{
    QStringList out;
    for (int i = 0; i < combo->count(); ++i) out << combo->itemText(i);
    return out;
}

} // namespace

TEST(Dialogs, ParsesFiltersIntoDescriptionsAndPatterns)
{
    const QVector<TFileFilter> f = ParseFileFilter(QStringLiteral("All(*.a, *.b)|*.a; *.b|Icons (*.ICO)|*.ico|dangling"));
    ASSERT_EQ(f.size(), 2);
    EXPECT_EQ(f[0].Description, QStringLiteral("All(*.a, *.b)"));
    EXPECT_EQ(f[0].Patterns, (QStringList{"*.a", "*.b"}));
    EXPECT_EQ(f[1].Description, QStringLiteral("Icons (*.ICO)"));
    EXPECT_EQ(f[1].Patterns, QStringList{"*.ico"});
}

TEST(Dialogs, FileDialogShowsFiltersAsWrittenAndReportsTheChoice)
{
    QTemporaryDir dir;
    TFileDialogRequest request;
    request.DialogKind = TFileDialogRequest::Kind::Save;
    request.Title = QStringLiteral("Save it");
    request.Filter = QStringLiteral("Icons (*.ICO)|*.ico|Bitmaps (*.BMP)|*.bmp|All(*.ico, *.bmp)|*.ico;*.bmp");
    request.FilterIndex = 2;
    request.InitialDir = dir.path();
    request.DefaultExtFollowsFilter = true;
    QStringList shown;
    QString title;
    WhenModal([&](QWidget* w) {
        auto* dialog = qobject_cast<QFileDialog*>(w);
        ASSERT_NE(dialog, nullptr);
        title = dialog->windowTitle();
        QComboBox* types = dialog->findChild<QComboBox*>(QStringLiteral("fileTypeCombo"));
        ASSERT_NE(types, nullptr);
        shown = ComboItems(types);
        EXPECT_EQ(types->currentIndex(), 1);
        // A bare name gets the extension of the filter chosen.
        dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))->setText(QStringLiteral("picture"));
        QMetaObject::invokeMethod(dialog, "accept");
    });
    ASSERT_TRUE(Dialogs().RunFileDialog(nullptr, request));
    EXPECT_EQ(title, QStringLiteral("Save it"));
    EXPECT_EQ(shown, (QStringList{"Icons (*.ICO)", "Bitmaps (*.BMP)", "All(*.ico, *.bmp)"}));
    EXPECT_EQ(request.FilterIndex, 2);
    EXPECT_EQ(request.FileName, QDir(dir.path()).filePath(QStringLiteral("picture.bmp")));
    EXPECT_EQ(request.Files, QStringList{request.FileName});
}

TEST(Dialogs, FilterPickedInTheDialogGivesItsExtensionAndIsReportedBack)
{
    // The combo shows descriptions only; a filter picked there must still be recognised.
    QTemporaryDir dir;
    TFileDialogRequest request;
    request.DialogKind = TFileDialogRequest::Kind::Save;
    request.Filter = QStringLiteral("Icons (*.ICO)|*.ico|Bitmaps (*.BMP)|*.bmp|PNG (*.PNG)|*.png");
    request.FilterIndex = 1;
    request.DefaultExt = QStringLiteral("ico");
    request.InitialDir = dir.path();
    request.DefaultExtFollowsFilter = true;
    WhenModal([&](QWidget* w) {
        auto* dialog = qobject_cast<QFileDialog*>(w);
        ASSERT_NE(dialog, nullptr);
        QComboBox* types = dialog->findChild<QComboBox*>(QStringLiteral("fileTypeCombo"));
        ASSERT_NE(types, nullptr);
        types->setFocus();
        QTest::keyClick(types, Qt::Key_Down);
        QTest::keyClick(types, Qt::Key_Down);
        EXPECT_EQ(types->currentIndex(), 2);
        dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))->setText(QStringLiteral("picture"));
        QMetaObject::invokeMethod(dialog, "accept");
    });
    ASSERT_TRUE(Dialogs().RunFileDialog(nullptr, request));
    EXPECT_EQ(request.FilterIndex, 3);
    EXPECT_EQ(request.FileName, QDir(dir.path()).filePath(QStringLiteral("picture.png")));
}

TEST(Dialogs, CancelledFileDialogAnswersFalse)
{
    TFileDialogRequest request;
    request.Filter = QStringLiteral("Icons(*.ico)|*.ico");
    WhenModal([](QWidget* w) { qobject_cast<QDialog*>(w)->reject(); });
    EXPECT_FALSE(Dialogs().RunFileDialog(nullptr, request));
    EXPECT_TRUE(request.Files.isEmpty());
}

TEST(Dialogs, MessageBoxesCarryCaptionTextAndButtons)
{
    QString text, caption;
    WhenModal([&](QWidget* w) {
        auto* box = qobject_cast<QMessageBox*>(w);
        ASSERT_NE(box, nullptr);
        text = box->text();
        caption = box->windowTitle();
        EXPECT_NE(box->button(QMessageBox::Cancel), nullptr);
        box->button(QMessageBox::No)->click();
    });
    EXPECT_EQ(MessageBox(nullptr, QStringLiteral("Save it?"), QStringLiteral("Save Icon"), TMsgButtons::YesNoCancel),
              TMsgResult::No);
    EXPECT_EQ(text, QStringLiteral("Save it?"));
    EXPECT_EQ(caption, QStringLiteral("Save Icon"));
}
