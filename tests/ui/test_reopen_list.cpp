// The recent-files list and its file "tavrin.cfg".
#include <gtest/gtest.h>

#include "platform/ini_file.h"
#include "support/test_support.h"
#include "workspace/reopen_list.h"

namespace {
QString Cfg(const ScopedAppDir& dir) { return dir.FilePath(QStringLiteral("tavrin.cfg")); }
} // namespace

TEST(ReopenList, KeepsTheTenNewestNewestFirst)
{
    ScopedAppDir dir;
    TReopenList list;
    EXPECT_EQ(list.ConfigPath(), Cfg(dir));
    for (int i = 0; i < 11; ++i) list.Add(QStringLiteral("/icons/%1.ico").arg(i));
    ASSERT_EQ(list.Count(), 10);
    EXPECT_EQ(list.Get(0), QStringLiteral("/icons/10.ico"));
    EXPECT_EQ(list.Get(9), QStringLiteral("/icons/1.ico"));
    for (int i = 0; i < 10; ++i) EXPECT_NE(list.Get(i), QStringLiteral("/icons/0.ico"));
}

TEST(ReopenList, APresentPathStaysWhereItIsButCaseMakesANewEntry)
{
    ScopedAppDir dir;
    TReopenList list;
    list.Add(QStringLiteral("/a.ico"));
    list.Add(QStringLiteral("/b.ico"));
    list.Add(QStringLiteral("/c.ico"));
    list.Add(QStringLiteral("/a.ico"));
    EXPECT_EQ(list.Count(), 3);
    EXPECT_EQ(list.Get(2), QStringLiteral("/a.ico"));
    list.Add(QStringLiteral("/A.ico"));
    EXPECT_EQ(list.Count(), 4);
    EXPECT_EQ(list.Get(0), QStringLiteral("/A.ico"));
}

TEST(ReopenList, RemoveClosesTheGapAndGetChecksBothBounds)
{
    ScopedAppDir dir;
    TReopenList list;
    list.Add(QStringLiteral("/a.ico"));
    list.Add(QStringLiteral("/b.ico"));
    list.Add(QStringLiteral("/c.ico"));
    list.Remove(QStringLiteral("/b.ico"));
    list.Remove(QStringLiteral("/not-there.ico"));
    ASSERT_EQ(list.Count(), 2);
    EXPECT_EQ(list.Get(0), QStringLiteral("/c.ico"));
    EXPECT_EQ(list.Get(1), QStringLiteral("/a.ico"));
    EXPECT_EQ(list.Get(2), QString());
    EXPECT_EQ(list.Get(-1), QString());
    EXPECT_EQ(list.Get(1000000), QString());
}

TEST(ReopenList, AGapEndsTheListAndEveryKeyIsWrittenBack)
{
    ScopedAppDir dir;
    {
        IniFile ini(Cfg(dir));
        ini.SetText(QStringLiteral("[Reopen]\n0=C:\\icons\\a,b.ico\n1=/x/y & z.ico\n3=/lost.ico\n"));
        ASSERT_TRUE(ini.UpdateFile());
    }
    {
        TReopenList list;
        ASSERT_EQ(list.Count(), 2);
        EXPECT_EQ(list.Get(0), QStringLiteral("C:\\icons\\a,b.ico"));
        EXPECT_EQ(list.Get(1), QStringLiteral("/x/y & z.ico"));
    }
    const IniFile ini(Cfg(dir));
    EXPECT_EQ(ini.ReadString(QStringLiteral("reopen"), QStringLiteral("0")), QStringLiteral("C:\\icons\\a,b.ico"));
    for (int k = 2; k < 10; ++k) {
        EXPECT_TRUE(ini.ValueExists(QStringLiteral("reopen"), QString::number(k))) << k;
        EXPECT_EQ(ini.ReadString(QStringLiteral("reopen"), QString::number(k)), QString()) << k;
    }
}

TEST(ReopenList, AMissingFileGivesAnEmptyList)
{
    ScopedAppDir dir;
    TReopenList list;
    EXPECT_EQ(list.Count(), 0);
    EXPECT_EQ(list.Get(0), QString());
}
