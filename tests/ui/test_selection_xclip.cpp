// A selection copied in Tavrin is read by another program through the X11 clipboard: xclip asks
// for image/png and gets the selected pixels' colours with their transparency as alpha. The copy
// runs in a child run of this binary on a private Xvfb; the test is skipped only when no X server
// can start.
#include <gtest/gtest.h>

#include <QEventLoop>
#include <QImage>
#include <QProcess>
#include <QStandardPaths>
#include <QTest>
#include <QTimer>

#include "model/selection.h"
#include "support/ui_helpers.h"
#include "support/x11_session.h"

namespace {

// Runs a program while this process keeps serving its own clipboard (a blocking wait would
// leave the program waiting for us). The stop timer only ends a hung program.
QByteArray RunServing(const QString& program, const QStringList& args, int& exitCode)
{
    QProcess p;
    QEventLoop loop;
    QObject::connect(&p, &QProcess::finished, &loop, &QEventLoop::quit);
    QObject::connect(&p, &QProcess::errorOccurred, &loop, &QEventLoop::quit);
    QTimer stop;
    stop.setSingleShot(true);
    QObject::connect(&stop, &QTimer::timeout, &loop, &QEventLoop::quit);
    p.start(program, args);
    stop.start(60000);
    if (p.state() != QProcess::NotRunning) loop.exec();
    if (p.state() != QProcess::NotRunning) {
        p.kill();
        p.waitForFinished(5000);
    }
    exitCode = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    return p.readAllStandardOutput();
}

class SelectionXclipTest : public MainWindowTest {};

} // namespace

TEST(SelectionOnX11, CopiedSelectionIsReadByXclipAsPngWithAlpha)
{
    if (QStandardPaths::findExecutable(QStringLiteral("xclip")).isEmpty())
        FAIL() << "xclip is not installed (scripts/deps.sh installs it)";
    TX11Session x;
    QString why;
    if (!x.Start(why)) GTEST_SKIP() << "no X server could start: " << why.toStdString();
    const TChildRun run = RunChildTest(QStringLiteral("SelectionXclipTest.DISABLED_CopyInTavrinReadWithXclip"), x.Display());
    ASSERT_TRUE(run.Finished) << run.Output.toStdString();
    EXPECT_EQ(run.ExitCode, 0) << run.Output.toStdString();
    EXPECT_TRUE(run.Output.contains(QStringLiteral("[  PASSED  ] 1 test"))) << run.Output.toStdString();
}

// The child's part, run on the X server by the test above.
TEST_F(SelectionXclipTest, DISABLED_CopyInTavrinReadWithXclip)
{
    if (qEnvironmentVariableIsEmpty("TAVRIN_X11_CHILD")) GTEST_SKIP() << "runs inside the X session of SelectionOnX11";
    ASSERT_EQ(QGuiApplication::platformName(), QStringLiteral("xcb"));
    Tfrm_childwin* doc = NewDocument(QStringLiteral("x.ico"), {PatternFormat(8, 6, ctTrueAlpha)});
    const TIconImageRec& f = *doc->CurrentImage(); // copying leaves its pixels as they are
    DocumentPeers().CurrentToolId = [] { return int(tiLasso); };
    QCoreApplication::processEvents();
    const int z = doc->ZoomFactor();

    // A lasso triangle: its bounds hold unselected pixels too.
    QWidget* canvas = doc->PaintBox1;
    // (QTest takes a null point for the widget's centre.)
    QTest::mousePress(canvas, Qt::LeftButton, {}, QPoint(1, 1));
    QTest::mouseMove(canvas, QPoint(8 * z, 1));
    QTest::mouseMove(canvas, QPoint(8 * z, 6 * z));
    QTest::mouseRelease(canvas, Qt::LeftButton, {}, QPoint(8 * z, 6 * z));
    ASSERT_TRUE(doc->HasSelection());
    Bitmap24 selected;
    ASSERT_EQ(RenderSelectionMask(doc->Document(), selected), MakeRect(0, 0, 8, 6));
    main->UpdateEditCommands();
    ASSERT_TRUE(main->act_EditCopy->isEnabled());
    main->act_EditCopy->trigger();

    int exitCode = -1;
    const QByteArray png = RunServing(QStringLiteral("xclip"),
                                      {QStringLiteral("-selection"), QStringLiteral("clipboard"), QStringLiteral("-t"),
                                       QStringLiteral("image/png"), QStringLiteral("-o")},
                                      exitCode);
    ASSERT_EQ(exitCode, 0);
    const QImage image = QImage::fromData(png, "PNG").convertToFormat(QImage::Format_ARGB32);
    ASSERT_EQ(image.size(), QSize(8, 6));
    ASSERT_TRUE(image.hasAlphaChannel());
    int in = 0, out = 0;
    for (int y = 0; y < 6; ++y)
        for (int x = 0; x < 8; ++x) {
            const QRgb p = image.pixel(x, y);
            if (selected.Byte0(x, y) == 255) {
                ++in;
                const TColor c = f.Bitmap->Pixel(x, y);
                EXPECT_EQ(qAlpha(p), 255 - f.Mask->Byte0(x, y)) << x << "," << y;
                if (qAlpha(p) != 0) EXPECT_EQ(qRgb(qRed(p), qGreen(p), qBlue(p)), qRgb(ColorR(c), ColorG(c), ColorB(c))) << x << "," << y;
            } else {
                ++out;
                EXPECT_EQ(qAlpha(p), 0) << x << "," << y;
            }
        }
    EXPECT_GT(in, 10);
    EXPECT_GT(out, 10);
}
