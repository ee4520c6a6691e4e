// Window placement: the work-area rules, "position.cfg" and a real window that restores and saves.
#include <gtest/gtest.h>

#include <QApplication>
#include <QFile>
#include <QKeyEvent>

#include "platform/ini_file.h"
#include "platform/ui/work_area.h"
#include "support/test_support.h"
#include "workspace/base_form.h"

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
    {
        IniFile ini(file);
        ini.SetText(QStringLiteral("[frm_x]\nleft=-1\ntop=40\nwidth=0\nheight=-20\nWindowState=7\n"
                                   "[FRM_Y]\nLeft=5\nTop=6\nWidth=300\nHeight=200\nWindowState=2\n; a remark\n"));
        ASSERT_TRUE(ini.UpdateFile());
    }
    EXPECT_EQ(ReadPlacement(file, QStringLiteral("frm_x")), (TPlacement{-1, 40, -1, -1, -1}));
    EXPECT_EQ(ReadPlacement(file, QStringLiteral("frm_y")), (TPlacement{5, 6, 300, 200, 2}));

    ASSERT_TRUE(WritePlacement(file, QStringLiteral("frm_a"), TPlacement{10, 20, 300, 400, 0}));
    ASSERT_TRUE(WriteShowing(file, QStringLiteral("frm_a"), false));
    EXPECT_EQ(IniFile(file).ReadSection(QStringLiteral("frm_a")),
              (QStringList{"left", "top", "width", "height", "WindowState", "showing"}));
    EXPECT_FALSE(ReadShowing(file, QStringLiteral("frm_a"), true));
    EXPECT_TRUE(ReadShowing(file, QStringLiteral("frm_missing"), true));
    // Other sections stay as they were.
    EXPECT_EQ(ReadPlacement(file, QStringLiteral("frm_y")), (TPlacement{5, 6, 300, 200, 2}));
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
    ASSERT_TRUE(Store("frm_far", TPlacement{area.Right + 5000, area.Bottom + 5000, 200, 150, 0}));
    TestForm far(QStringLiteral("frm_far"));
    far.show();
    EXPECT_EQ(far.frameGeometry().topLeft(), QPoint(area.Right - 50, area.Bottom - 50));

    {
        IniFile ini(PositionFilePath());
        ini.SetText(QStringLiteral("[frm_test]\nleft=-1\ntop=%1\nwidth=-5\n").arg(area.Top + 33));
        ASSERT_TRUE(ini.UpdateFile());
    }
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
