// Window placement: the work-area rules, "position.cfg", a real window that restores and saves,
// and the first layout of the tool windows.
#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QKeyEvent>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QScrollBar>
#include <QMessageBox>
#include <QTest>
#include <QTimer>
#include <QWindow>

#include "app/app_windows.h"
#include "iconfiles/file_access.h"
#include "platform/ini_file.h"
#include "platform/ui/work_area.h"
#include "support/format_helpers.h"
#include "support/scripted_dialogs.h"
#include "support/test_support.h"
#include "workspace/base_form.h"
#include "workspace/main_form.h"

TEST(WorkArea, KeepsFiftyPixelsInsideAndSnapsWithinFifteen)
{
    const Rect area = MakeRect(0, 0, 1280, 1000);
    const struct {
        int x, y, w, h;
        bool snap;
        QPoint kept;
    } cases[] = {
        // Dragged almost off the right edge: the left edge stays 50 pixels inside.
        {1270, 100, 300, 200, false, {1230, 100}},
        // Off the left and top, and off the bottom: 50 pixels of the window stay visible.
        {-1000, -1000, 300, 200, false, {-250, -150}},
        {100, 2000, 300, 200, false, {100, 950}},
        {100, 120, 300, 200, false, {100, 120}},
        // 14 pixels from an edge snap to it, 15 do not (the right edge is met at 1280 - 200).
        {14, 300, 200, 100, true, {0, 300}},
        {15, 300, 200, 100, true, {15, 300}},
        {-14, 300, 200, 100, true, {0, 300}},
        {1066, 300, 200, 100, true, {1080, 300}},
        {1065, 300, 200, 100, true, {1065, 300}},
        {300, 10, 200, 100, true, {300, 0}},
        {300, 889, 200, 100, true, {300, 900}},
        {14, 300, 200, 100, false, {14, 300}},
    };
    for (const auto& c : cases) {
        int x = c.x, y = c.y;
        KeepOnWorkArea(x, y, c.w, c.h, area);
        if (c.snap) SnapToWorkArea(x, y, c.w, c.h, area);
        EXPECT_EQ(QPoint(x, y), c.kept) << c.x << "," << c.y << (c.snap ? " snapped" : "");
    }
    // A work area narrower than 100 pixels makes both horizontal rules apply: the right one wins.
    int x = -500, y = 0;
    KeepOnWorkArea(x, y, 10, 10, MakeRect(0, 0, 60, 60));
    EXPECT_EQ(x, 10);
}

TEST(PositionFile, ReadsImpossibleValuesAsAbsentAndWritesTheKeysInOrder)
{
    ScopedAppDir dir;
    const QString file = PositionFilePath();
    EXPECT_EQ(file, dir.FilePath(QStringLiteral("position.cfg")));
    EXPECT_EQ(ReadPlacement(file, QStringLiteral("frm_x")), TPlacement{});
    SharedIniFile(file).SetText(QStringLiteral("[frm_x]\nleft=-1\ntop=40\nwidth=0\nheight=-20\nWindowState=7\n"
                                               "[FRM_Y]\nLeft=5\nTop=6\nWidth=300\nHeight=200\nWindowState=2\n; a remark\n"));
    EXPECT_EQ(ReadPlacement(file, QStringLiteral("frm_x")), (TPlacement{-1, 40, -1, -1, -1}));
    EXPECT_EQ(ReadPlacement(file, QStringLiteral("frm_y")), (TPlacement{5, 6, 300, 200, 2}));

    ASSERT_TRUE(WritePlacement(file, QStringLiteral("frm_a"), TPlacement{10, 20, 300, 400, 0}));
    ASSERT_TRUE(WriteShowing(file, QStringLiteral("frm_a"), false));
    EXPECT_EQ(SharedIniFile(file).ReadSection(QStringLiteral("frm_a")),
              (QStringList{"left", "top", "width", "height", "WindowState", "showing"}));
    EXPECT_FALSE(ReadShowing(file, QStringLiteral("frm_a"), true));
    EXPECT_TRUE(ReadShowing(file, QStringLiteral("frm_missing"), true));
    // Other sections stay as they were, also in the file written at the end.
    EXPECT_EQ(ReadPlacement(file, QStringLiteral("frm_y")), (TPlacement{5, 6, 300, 200, 2}));
    ASSERT_TRUE(SavePositionFile());
    EXPECT_TRUE(IniFile(file).Text().contains(QStringLiteral("; a remark")));
}

namespace {

class TestForm : public Tfrm_base {
public:
    explicit TestForm(const QString& name, int outerWidth = 0, int outerHeight = 0) : Tfrm_base(name)
    {
        if (outerWidth > 0) ResizeOuter(outerWidth, outerHeight);
    }
    // Sets the outer size, whatever frame the platform draws.
    void ResizeOuter(int w, int h)
    {
        createWinId();
        resize(w - (frameGeometry().width() - width()), h - (frameGeometry().height() - height()));
    }
};

class BaseFormTest : public ::testing::Test {
protected:
    static bool Store(const char* name, const TPlacement& p)
    {
        return WritePlacement(PositionFilePath(), QLatin1String(name), p);
    }
    static TPlacement Stored(const char* name) { return ReadPlacement(PositionFilePath(), QLatin1String(name)); }
    QRect At(int dx, int dy, int w, int h) const { return QRect(area.Left + dx, area.Top + dy, w, h); }

    ScopedAppDir dir;
    const Rect area = WorkAreaOf(nullptr);
};

} // namespace

TEST_F(BaseFormTest, RestoresOnEveryShowAndSavesTheOuterRectangleOnHideAndDestruction)
{
    ASSERT_GT(area.Width(), 400);
    ASSERT_TRUE(Store("frm_test", TPlacement{area.Left + 30, area.Top + 40, 250, 180, 0}));
    {
        TestForm form(QStringLiteral("frm_test"));
        form.show();
        EXPECT_EQ(form.frameGeometry(), At(30, 40, 250, 180));

        form.move(area.Left + 60, area.Top + 70);
        form.ResizeOuter(220, 160);
        form.hide();
        EXPECT_EQ(Stored("frm_test"), (TPlacement{area.Left + 60, area.Top + 70, 220, 160, 0}));
        form.move(area.Left + 5, area.Top + 5);
        form.show();
        EXPECT_EQ(form.frameGeometry(), At(60, 70, 220, 160));
        // Destroyed while showing, it saves once more.
        form.move(area.Left + 90, area.Top + 80);
    }
    EXPECT_EQ(Stored("frm_test"), (TPlacement{area.Left + 90, area.Top + 80, 220, 160, 0}));
}

TEST_F(BaseFormTest, RestoredPositionsStayOnTheWorkAreaAndAbsentKeysLeaveTheDesign)
{
    // Far off, the whole title bar comes back (50 pixels of it while the frame is unknown).
    ASSERT_TRUE(Store("frm_far", TPlacement{area.Right + 5000, area.Bottom + 5000, 200, 150, 0}));
    TestForm far(QStringLiteral("frm_far"));
    far.show();
    const int title = qMax(50, far.geometry().y() - far.frameGeometry().y());
    EXPECT_EQ(far.frameGeometry().topLeft(), QPoint(area.Right - 200, area.Bottom - title));

    SharedIniFile(PositionFilePath()).SetText(QStringLiteral("[frm_test]\nleft=-1\ntop=%1\nwidth=-5\n").arg(area.Top + 33));
    TestForm form(QStringLiteral("frm_test"), 210, 140);
    form.move(area.Left + 77, area.Top + 10);
    form.show();
    EXPECT_EQ(form.frameGeometry(), At(77, 33, 210, 140));
}

TEST_F(BaseFormTest, FixedSizeWindowsKeepTheirDesignedSizeButSaveIt)
{
    ASSERT_TRUE(Store("frm_fixed", TPlacement{area.Left + 20, area.Top + 20, 500, 500, 0}));
    TestForm form(QStringLiteral("frm_fixed"), 120, 90);
    form.setFixedSize(form.size());
    form.show();
    EXPECT_EQ(form.frameGeometry(), At(20, 20, 120, 90));
    form.close();
    EXPECT_EQ(Stored("frm_fixed"), (TPlacement{area.Left + 20, area.Top + 20, 120, 90, 0}));
}

TEST_F(BaseFormTest, SnapsToolWindowsWhileMovingAndKeepsEveryWindowReachable)
{
    TestForm tool(QStringLiteral("frm_tool"), 150, 100);
    tool.SnapToEdges = true;
    tool.show();
    tool.move(area.Left + 14, area.Top + 200);
    EXPECT_EQ(tool.frameGeometry().x(), area.Left);
    tool.move(area.Left + 15, area.Top + 200);
    EXPECT_EQ(tool.frameGeometry().x(), area.Left + 15);

    TestForm plain(QStringLiteral("frm_plain"), 150, 100);
    plain.show();
    plain.move(area.Left + 14, area.Top + 200);
    EXPECT_EQ(plain.frameGeometry().x(), area.Left + 14);
    plain.move(area.Right + 300, area.Top + 200);
    EXPECT_EQ(plain.frameGeometry().x(), area.Right - 50);
    // Escape does not dismiss a modeless window.
    QKeyEvent esc(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
    QApplication::sendEvent(&plain, &esc);
    EXPECT_TRUE(plain.isVisible());
}

TEST_F(BaseFormTest, ForgetfulWindowsAndNeverShownWindowsWriteNothing)
{
    {
        TestForm never(QStringLiteral("frm_never"));
        TestForm forget(QStringLiteral("frm_forget"));
        forget.RememberPlacement = false;
        forget.show();
        forget.hide();
    }
    EXPECT_FALSE(QFile::exists(PositionFilePath()));
}

TEST(WorkArea, RestoredPlacesKeepTheWholeTitleBarOnTheWorkAreaWhateverTheValues)
{
    const Rect area = MakeRect(0, 30, 1280, 1000);
    const qint64 big = 2147483647;
    const struct {
        qint64 x, y, w, h;
        bool sizeable;
        QRect placed;
    } cases[] = {
        {100, 200, 300, 400, true, {100, 200, 300, 400}},
        // Above the top or left of the work area: the title bar comes down and right onto it.
        {-5000, -5000, 300, 400, true, {0, 30, 300, 400}},
        {-2147483648LL, -2147483648LL, 300, 400, true, {0, 30, 300, 400}},
        // Past the right edge the whole width comes back; past the bottom the title bar does.
        {1200, 990, 300, 400, true, {980, 976, 300, 400}},
        // Sizes past the work area shrink to it; a fixed size stays, its title bar's start visible.
        {big, big, big, big, true, {0, 976, 1280, 970}},
        {big, big, big, big, false, {0, 976, 1 << 24, 1 << 24}},
        {10, 40, 2000, 200, false, {0, 40, 2000, 200}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(PlaceOnWorkArea(c.x, c.y, c.w, c.h, 24, c.sizeable, area), c.placed) << c.x << "," << c.y;

    // The moving rules take the same values without overflowing.
    int x = int(big), y = int(big);
    KeepOnWorkArea(x, y, int(big), int(big), area);
    SnapToWorkArea(x, y, int(big), int(big), area);
    EXPECT_EQ(QPoint(x, y), QPoint(1230, 950));
}

namespace {

// Every window of the program whose placement is kept, as their sections name them.
const char* const kSections[] = {"frm_main", "frm_tools_panel", "frm_color_panel", "frm_history", "frm_Icon_Lib",
                                 "frm_preview", "frm_about", "frm_font", "frm_Paste", "frm_Zoom"};

QString HostileSection(const char* name, const QString& left, const QString& top, const QString& size)
{
    return QStringLiteral("[%1]\nleft=%2\ntop=%3\nwidth=%4\nheight=%4\nWindowState=0\nshowing=1\n")
        .arg(QLatin1String(name), left, top, size);
}

} // namespace

TEST_F(BaseFormTest, HostileAndHugeSettingsStartQuicklyWithEveryTitleBarOnTheWorkArea)
{
    ASSERT_GT(area.Width(), 400);
    const QString max = QStringLiteral("2147483647"), min = QStringLiteral("-2147483648");
    const struct {
        const char* what;
        QString left, top, size;
        qint64 padding; // bytes of junk after the sections
    } files[] = {
        {"largest values", max, max, max, 0},
        {"smallest values", min, min, QStringLiteral("400"), 0},
        {"negative", QStringLiteral("-3000"), QStringLiteral("-700"), QStringLiteral("300"), 0},
        {"far", QStringLiteral("99999"), QStringLiteral("99999"), QStringLiteral("99999"), 0},
        {"50 MB", QStringLiteral("-3000"), QStringLiteral("-700"), QStringLiteral("300"), 50 * 1024 * 1024},
    };
    for (const auto& f : files) {
        SCOPED_TRACE(f.what);
        ScopedAppDir own;
        QByteArray text;
        for (const char* section : kSections) text += HostileSection(section, f.left, f.top, f.size).toUtf8();
        text += QByteArray(f.padding, ';');
        ASSERT_TRUE(WriteBytes(PositionFilePath(), text));

        QElapsedTimer clock;
        clock.start();
        std::vector<std::unique_ptr<TestForm>> forms;
        for (const char* section : kSections) {
            forms.push_back(std::make_unique<TestForm>(QLatin1String(section), 250, 180));
            forms.back()->show();
        }
        for (const auto& form : forms) {
            const QRect outer = form->frameGeometry();
            const int title = qMax(1, form->geometry().y() - outer.y());
            EXPECT_GE(outer.left(), area.Left) << form->objectName().toStdString();
            EXPECT_LE(outer.left() + outer.width(), area.Right) << form->objectName().toStdString();
            EXPECT_GE(outer.top(), area.Top) << form->objectName().toStdString();
            EXPECT_LE(outer.top() + title, area.Bottom) << form->objectName().toStdString();
        }
        forms.clear(); // each saves its placement
        EXPECT_TRUE(SavePositionFile());
        // Loose: a healthy run takes a fraction of a second even under the sanitizers.
        EXPECT_LT(clock.elapsed(), 10000);

        // The oversized file was taken as absent and is now a sound one holding every window.
        EXPECT_LT(QFileInfo(PositionFilePath()).size(), IniFile::MaxFileSize);
        const TPlacement kept = ReadPlacement(PositionFilePath(), QStringLiteral("frm_history"));
        EXPECT_EQ(IniFile(PositionFilePath()).ReadInteger(QStringLiteral("frm_history"), QStringLiteral("left"), -1),
                  kept.Left);
    }
}

TEST_F(BaseFormTest, PositionFileIsReadOnceAndWrittenOnceAtTheEnd)
{
    const QString file = PositionFilePath();
    ASSERT_TRUE(WriteBytes(file, HostileSection("frm_a", QString::number(area.Left + 40), QString::number(area.Top + 50),
                                                QStringLiteral("200"))
                                     .toUtf8() +
                                     HostileSection("frm_b", QString::number(area.Left + 60), QString::number(area.Top + 70),
                                                    QStringLiteral("210"))
                                         .toUtf8()));
    TestForm a(QStringLiteral("frm_a"));
    a.show();
    EXPECT_EQ(a.frameGeometry(), At(40, 50, 200, 200));
    // The file changes under the running program: it is not read again, nor written before the end.
    ASSERT_TRUE(WriteBytes(file, "[frm_b]\nleft=0\ntop=0\nwidth=50\nheight=50\n"));
    TestForm b(QStringLiteral("frm_b"));
    b.show();
    EXPECT_EQ(b.frameGeometry(), At(60, 70, 210, 210));
    b.move(area.Left + 90, area.Top + 100);
    b.hide();
    a.hide();
    EXPECT_EQ(IniFile(file).ReadInteger(QStringLiteral("frm_b"), QStringLiteral("left"), -1), 0);
    EXPECT_EQ(&SharedIniFile(file), &SharedIniFile(PositionFilePath()));

    ASSERT_TRUE(SavePositionFile());
    const IniFile written(file);
    EXPECT_EQ(written.ReadInteger(QStringLiteral("frm_b"), QStringLiteral("left"), -1), area.Left + 90);
    EXPECT_EQ(written.ReadInteger(QStringLiteral("frm_a"), QStringLiteral("top"), -1), area.Top + 50);
    // Nothing changed since: the end writes nothing more.
    ASSERT_TRUE(QFile::remove(file));
    ASSERT_TRUE(SavePositionFile());
    EXPECT_FALSE(QFile::exists(file));
}

namespace {

// The five tool windows of a running program, with their outer rectangles.
std::vector<std::pair<QWidget*, QRect>> ToolWindowPlaces(Tfrm_main& main)
{
    std::vector<std::pair<QWidget*, QRect>> out;
    for (QWidget* w : {main.ToolsWindow.data(), main.ColorWindow.data(), main.HistoryWindow.data(),
                       main.LibraryWindow.data(), main.PreviewWindow.data()})
        if (w) out.emplace_back(w, w->frameGeometry());
    return out;
}

} // namespace

TEST(FirstLayout, ToolWindowsNeitherOverlapNorLeaveTheWorkArea)
{
    ScopedAppDir dir;
    ScriptedDialogs dialogs;
    Tfrm_main* main = AppWindows::CreateApplicationWindows({});
    main->show();
    main->act_icon_lib->trigger();
    main->act_Preview_window->trigger();
    const Rect a = WorkAreaOf(main);
    const QRect area(a.Left, a.Top, a.Width(), a.Height());
    const auto places = ToolWindowPlaces(*main);
    ASSERT_EQ(places.size(), 5u);
    for (size_t i = 0; i < places.size(); ++i) {
        const std::string name = places[i].first->objectName().toStdString();
        EXPECT_TRUE(places[i].first->isVisible()) << name;
        EXPECT_TRUE(area.contains(places[i].second)) << name;
        for (size_t j = i + 1; j < places.size(); ++j)
            EXPECT_FALSE(places[i].second.intersects(places[j].second))
                << name << " and " << places[j].first->objectName().toStdString();
    }
    EXPECT_TRUE(main->close());
    AppWindows::FreeAll();
}

// Counts how often the watched widgets are shown.
class ShowCounter : public QObject {
public:
    int shows = 0;
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == QEvent::Show) ++shows;
        return false;
    }
};

TEST(FirstLayout, AnIconOpenedAtStartLandsCentredInTheMaximizedFrame)
{
    ScopedAppDir dir;
    ScriptedDialogs dialogs;
    const QString icon = dir.FilePath(QStringLiteral("start.ico"));
    {
        TIconImageArray formats;
        formats.Add() = SolidFormat(32, 32, ctTrueAlpha, 0x3050A0, 0);
        TIconFileAccess access;
        ASSERT_EQ(access.SaveIconFile(icon, formats), 0);
    }
    Tfrm_main* main = AppWindows::CreateApplicationWindows({icon});
    const QRect designedNormal = main->normalGeometry();
    ShowCounter scrollBarShows;
    for (QScrollBar* bar : main->MdiArea()->findChildren<QScrollBar*>()) bar->installEventFilter(&scrollBarShows);
    main->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(main));
    QTest::qWait(50);

    ASSERT_EQ(main->DocumentCount(), 1);
    EXPECT_TRUE(main->isMaximized());
    // The frame's normal rectangle, the one it returns to, is still the designed one.
    EXPECT_EQ(main->normalGeometry(), designedNormal);
    // The document was placed in the frame at the size it keeps: centred, and the frame's area
    // never needed a scroll bar.
    const QMdiSubWindow* sub = main->MdiArea()->subWindowList().value(0);
    ASSERT_TRUE(sub);
    const QSize area = main->MdiArea()->size();
    ASSERT_GE(area.width(), sub->width());
    ASSERT_GE(area.height(), sub->height());
    EXPECT_LE(std::abs(sub->x() - (area.width() - sub->width()) / 2), 2);
    EXPECT_LE(std::abs(sub->y() - (area.height() - sub->height()) / 2), 2);
    EXPECT_EQ(scrollBarShows.shows, 0);
    for (QWidget* w : {main->ToolsWindow.data(), main->ColorWindow.data(), main->HistoryWindow.data()})
        EXPECT_TRUE(w && w->isVisible());
    EXPECT_TRUE(main->close());
    AppWindows::FreeAll();
}

TEST(FirstLayout, AHostileFiftyMegabytePositionFileStartsQuicklyWithEveryWindowReachable)
{
    ScopedAppDir dir;
    ScriptedDialogs dialogs;
    QByteArray text;
    for (const char* section : kSections)
        text += HostileSection(section, QStringLiteral("2147483647"), QStringLiteral("-2147483648"),
                               QStringLiteral("2147483647"))
                    .toUtf8();
    text += QByteArray(50 * 1024 * 1024, '\n');
    ASSERT_TRUE(WriteBytes(PositionFilePath(), text));

    QElapsedTimer clock;
    clock.start();
    Tfrm_main* main = AppWindows::CreateApplicationWindows({});
    main->show();
    const Rect a = WorkAreaOf(main);
    for (const auto& [w, outer] : ToolWindowPlaces(*main)) {
        if (!w->isVisible()) continue;
        const std::string name = w->objectName().toStdString();
        EXPECT_GE(outer.left(), a.Left) << name;
        EXPECT_LE(outer.left() + outer.width(), a.Right) << name;
        EXPECT_GE(outer.top(), a.Top) << name;
        EXPECT_LT(outer.top(), a.Bottom - 24) << name;
    }
    EXPECT_TRUE(main->close());
    AppWindows::FreeAll();
    // Loose: a healthy start and exit take well under a second even under the sanitizers.
    EXPECT_LT(clock.elapsed(), 10000);
    EXPECT_LT(QFileInfo(PositionFilePath()).size(), IniFile::MaxFileSize);
}

TEST(StayOnTop, AModalWindowStandsAboveEveryToolWindowWhileItShows)
{
    ScopedAppDir dir;
    TestForm owner(QStringLiteral("frm_owner"), 300, 200);
    owner.show();
    Tfrm_base tool(QStringLiteral("frm_tool"), &owner, Qt::Tool | Qt::WindowStaysOnTopHint);
    tool.show();
    auto above = [&tool] { return tool.windowHandle()->flags().testFlag(Qt::WindowStaysOnTopHint); };
    ASSERT_TRUE(above());

    // A modal dialog of our own and a plain message box: both run above the tool window.
    bool aboveWhileDialog = true, aboveWhileBox = true;
    QDialog dialog(&owner);
    QTimer::singleShot(0, &dialog, [&] {
        QCoreApplication::processEvents();
        aboveWhileDialog = above();
        QMessageBox box(QMessageBox::Information, QStringLiteral("t"), QStringLiteral("m"), QMessageBox::Ok, &dialog);
        QTimer::singleShot(0, &box, [&] {
            QCoreApplication::processEvents();
            aboveWhileBox = above();
            box.accept();
        });
        box.exec();
        // Its own modal parent still shows: the tool window stays down.
        QCoreApplication::processEvents();
        EXPECT_FALSE(above());
        dialog.accept();
    });
    ExecOver(dialog, &owner);
    QCoreApplication::processEvents();
    EXPECT_FALSE(aboveWhileDialog);
    EXPECT_FALSE(aboveWhileBox);
    EXPECT_TRUE(above());
    // The widget keeps its flags throughout, and a modeless window changes nothing.
    EXPECT_TRUE(tool.windowFlags() & Qt::WindowStaysOnTopHint);
    TestForm modeless(QStringLiteral("frm_modeless"), 100, 100);
    modeless.show();
    QCoreApplication::processEvents();
    EXPECT_TRUE(above());
}
