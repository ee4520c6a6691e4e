// Window placement: the work-area rules, "position.cfg" and a real window that restores and saves.
#include <gtest/gtest.h>

#include <QApplication>
#include <QFile>

#include "platform/ini_file.h"
#include "platform/ui/work_area.h"
#include "support/test_support.h"
#include "workspace/base_form.h"

namespace {

const Rect kArea = MakeRect(0, 0, 1280, 1000);

struct Pos {
    int x, y;
};

Pos Keep(int x, int y, int w, int h, bool snap)
{
    KeepOnWorkArea(x, y, w, h, kArea);
    if (snap) SnapToWorkArea(x, y, w, h, kArea);
    return {x, y};
}

} // namespace

TEST(WorkArea, KeepsFiftyPixelsInside)
{
    // Dragged almost entirely off the right edge: the left edge stays 50 pixels inside.
    EXPECT_EQ(Keep(1270, 100, 300, 200, false).x, 1230);
    // Off the left and top: 50 pixels of the window stay visible.
    const Pos p = Keep(-1000, -1000, 300, 200, false);
    EXPECT_EQ(p.x, -250);
    EXPECT_EQ(p.y, -150);
    // Off the bottom.
    EXPECT_EQ(Keep(100, 2000, 300, 200, false).y, 950);
    // Inside: unchanged.
    const Pos q = Keep(100, 120, 300, 200, false);
    EXPECT_EQ(q.x, 100);
    EXPECT_EQ(q.y, 120);
}

TEST(WorkArea, ConflictingBoundsTheLaterRuleWins)
{
    // A work area narrower than 100 pixels makes both horizontal rules apply: the right one wins.
    int x = -500, y = 0;
    KeepOnWorkArea(x, y, 10, 10, MakeRect(0, 0, 60, 60));
    EXPECT_EQ(x, 10);
}

TEST(WorkArea, SnapsWithinFifteenPixelsOnly)
{
    EXPECT_EQ(Keep(14, 300, 200, 100, true).x, 0);
    EXPECT_EQ(Keep(15, 300, 200, 100, true).x, 15);
    EXPECT_EQ(Keep(-14, 300, 200, 100, true).x, 0);
    // Right edge: 1280 - 200 = 1080; 14 away snaps, 15 does not.
    EXPECT_EQ(Keep(1066, 300, 200, 100, true).x, 1080);
    EXPECT_EQ(Keep(1065, 300, 200, 100, true).x, 1065);
    EXPECT_EQ(Keep(300, 10, 200, 100, true).y, 0);
    EXPECT_EQ(Keep(300, 889, 200, 100, true).y, 900);
    // Without snapping nothing moves.
    EXPECT_EQ(Keep(14, 300, 200, 100, false).x, 14);
}

TEST(PositionFile, ReadsAbsentAndImpossibleValuesAsAbsent)
{
    ScopedAppDir dir;
    const QString file = PositionFilePath();
    EXPECT_EQ(file, dir.FilePath(QStringLiteral("position.cfg")));
    EXPECT_EQ(ReadPlacement(file, QStringLiteral("frm_x")), TPlacement{});

    IniFile ini(file);
    ini.SetText(QStringLiteral("[frm_x]\nleft=-1\ntop=40\nwidth=0\nheight=-20\nWindowState=7\n"
                               "[FRM_Y]\nLeft=5\nTop=6\nWidth=300\nHeight=200\nWindowState=2\n"));
    ASSERT_TRUE(ini.UpdateFile());
    const TPlacement x = ReadPlacement(file, QStringLiteral("frm_x"));
    EXPECT_EQ(x.Left, -1);
    EXPECT_EQ(x.Top, 40);
    EXPECT_EQ(x.Width, -1);
    EXPECT_EQ(x.Height, -1);
    EXPECT_EQ(x.WindowState, -1);
    EXPECT_EQ(ReadPlacement(file, QStringLiteral("frm_y")), (TPlacement{5, 6, 300, 200, 2}));
}

TEST(PositionFile, WritesTheFiveKeysInOrderAndKeepsOtherSections)
{
    ScopedAppDir dir;
    const QString file = PositionFilePath();
    {
        IniFile ini(file);
        ini.SetText(QStringLiteral("[frm_other]\nleft=1\n; a remark\n"));
        ASSERT_TRUE(ini.UpdateFile());
    }
    ASSERT_TRUE(WritePlacement(file, QStringLiteral("frm_a"), TPlacement{10, 20, 300, 400, 0}));
    ASSERT_TRUE(WriteShowing(file, QStringLiteral("frm_a"), false));
    const QStringList keys = IniFile(file).ReadSection(QStringLiteral("frm_a"));
    EXPECT_EQ(keys, (QStringList{"left", "top", "width", "height", "WindowState", "showing"}));
    EXPECT_FALSE(ReadShowing(file, QStringLiteral("frm_a"), true));
    EXPECT_TRUE(ReadShowing(file, QStringLiteral("frm_missing"), true));
    EXPECT_EQ(IniFile(file).ReadString(QStringLiteral("frm_other"), QStringLiteral("left")), QStringLiteral("1"));
    EXPECT_TRUE(IniFile(file).Text().contains(QStringLiteral("; a remark")));
}

namespace {
class TestForm : public Tfrm_base {
public:
    explicit TestForm(const QString& name) : Tfrm_base(name) {}
    // Sets the outer size, whatever frame the platform draws.
    void ResizeOuter(int w, int h)
    {
        createWinId();
        resize(w - (frameGeometry().width() - width()), h - (frameGeometry().height() - height()));
    }
};
} // namespace

TEST(BaseForm, RestoresOnShowAndSavesOnHide)
{
    ScopedAppDir dir;
    const Rect area = WorkAreaOf(nullptr);
    ASSERT_GT(area.Width(), 400);
    ASSERT_TRUE(WritePlacement(PositionFilePath(), QStringLiteral("frm_test"),
                               TPlacement{area.Left + 30, area.Top + 40, 250, 180, 0}));
    TestForm form(QStringLiteral("frm_test"));
    form.show();
    EXPECT_EQ(form.frameGeometry(), QRect(area.Left + 30, area.Top + 40, 250, 180));

    form.move(area.Left + 60, area.Top + 70);
    form.ResizeOuter(220, 160);
    form.hide();
    EXPECT_EQ(ReadPlacement(PositionFilePath(), QStringLiteral("frm_test")),
              (TPlacement{area.Left + 60, area.Top + 70, 220, 160, 0}));

    // Shown again: restored again, every time.
    form.move(area.Left + 5, area.Top + 5);
    form.show();
    EXPECT_EQ(form.frameGeometry().topLeft(), QPoint(area.Left + 60, area.Top + 70));
}

TEST(BaseForm, RestoredPositionsStayOnTheWorkArea)
{
    ScopedAppDir dir;
    const Rect area = WorkAreaOf(nullptr);
    ASSERT_TRUE(WritePlacement(PositionFilePath(), QStringLiteral("frm_test"),
                               TPlacement{area.Right + 5000, area.Bottom + 5000, 200, 150, 0}));
    TestForm form(QStringLiteral("frm_test"));
    form.show();
    EXPECT_EQ(form.frameGeometry().topLeft(), QPoint(area.Right - 50, area.Bottom - 50));
}

TEST(BaseForm, AbsentKeysLeaveTheDesignedPlacement)
{
    ScopedAppDir dir;
    const Rect area = WorkAreaOf(nullptr);
    {
        IniFile ini(PositionFilePath());
        ini.SetText(QStringLiteral("[frm_test]\nleft=-1\ntop=%1\nwidth=-5\n").arg(area.Top + 33));
        ASSERT_TRUE(ini.UpdateFile());
    }
    TestForm form(QStringLiteral("frm_test"));
    form.ResizeOuter(210, 140);
    form.move(area.Left + 77, area.Top + 10);
    form.show();
    EXPECT_EQ(form.frameGeometry(), QRect(area.Left + 77, area.Top + 33, 210, 140));
}

TEST(BaseForm, FixedSizeWindowsKeepTheirDesignedSizeButSaveIt)
{
    ScopedAppDir dir;
    const Rect area = WorkAreaOf(nullptr);
    ASSERT_TRUE(WritePlacement(PositionFilePath(), QStringLiteral("frm_fixed"),
                               TPlacement{area.Left + 20, area.Top + 20, 500, 500, 0}));
    TestForm form(QStringLiteral("frm_fixed"));
    form.ResizeOuter(120, 90);
    form.setFixedSize(form.size());
    form.show();
    EXPECT_EQ(form.frameGeometry(), QRect(area.Left + 20, area.Top + 20, 120, 90));
    form.close();
    EXPECT_EQ(ReadPlacement(PositionFilePath(), QStringLiteral("frm_fixed")),
              (TPlacement{area.Left + 20, area.Top + 20, 120, 90, 0}));
}

TEST(BaseForm, SnapsToolWindowsWhileMovingAndKeepsEveryWindowReachable)
{
    ScopedAppDir dir;
    const Rect area = WorkAreaOf(nullptr);
    TestForm tool(QStringLiteral("frm_tool"));
    tool.SnapToEdges = true;
    tool.ResizeOuter(150, 100);
    tool.show();
    tool.move(area.Left + 14, area.Top + 200);
    EXPECT_EQ(tool.frameGeometry().x(), area.Left);
    tool.move(area.Left + 15, area.Top + 200);
    EXPECT_EQ(tool.frameGeometry().x(), area.Left + 15);

    TestForm plain(QStringLiteral("frm_plain"));
    plain.ResizeOuter(150, 100);
    plain.show();
    plain.move(area.Left + 14, area.Top + 200);
    EXPECT_EQ(plain.frameGeometry().x(), area.Left + 14);
    plain.move(area.Right + 300, area.Top + 200);
    EXPECT_EQ(plain.frameGeometry().x(), area.Right - 50);
}

TEST(BaseForm, ForgetfulWindowsAndNeverShownWindowsWriteNothing)
{
    ScopedAppDir dir;
    {
        TestForm form(QStringLiteral("frm_never"));
    }
    {
        TestForm form(QStringLiteral("frm_forget"));
        form.RememberPlacement = false;
        form.show();
        form.hide();
    }
    EXPECT_FALSE(QFile::exists(PositionFilePath()));
}

TEST(BaseForm, SavesOnceMoreWhenDestroyed)
{
    ScopedAppDir dir;
    const Rect area = WorkAreaOf(nullptr);
    {
        TestForm form(QStringLiteral("frm_d"));
        form.ResizeOuter(200, 150);
        form.show();
        form.move(area.Left + 90, area.Top + 80);
    }
    EXPECT_EQ(ReadPlacement(PositionFilePath(), QStringLiteral("frm_d")),
              (TPlacement{area.Left + 90, area.Top + 80, 200, 150, 0}));
}

TEST(BaseForm, EscapeDoesNotDismissAModelessToolWindow)
{
    ScopedAppDir dir;
    TestForm form(QStringLiteral("frm_esc"));
    form.show();
    QKeyEvent esc(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
    QApplication::sendEvent(&form, &esc);
    EXPECT_TRUE(form.isVisible());
}
