// The recent-files list and its file "tavrin.cfg".
#include <gtest/gtest.h>

#include <QFileInfo>

#include "platform/ini_file.h"
#include "support/test_support.h"
#include "model/reopen_list.h"

namespace {
QStringList Entries(const TReopenList& list)
{
    QStringList out;
    for (int i = 0; i < list.Count(); ++i) out << list.Get(i);
    return out;
}
} // namespace

TEST(ReopenList, KeepsTheTenNewestAndAPresentPathKeepsItsPlace)
{
    ScopedAppDir dir;
    TReopenList list;
    EXPECT_EQ(list.ConfigPath(), dir.FilePath(QStringLiteral("tavrin.cfg")));
    EXPECT_EQ(list.Count(), 0); // no file yet
    EXPECT_EQ(list.Get(0), QString());
    for (int i = 0; i < 11; ++i) list.Add(QStringLiteral("/%1.ico").arg(i));
    EXPECT_EQ(Entries(list), (QStringList{"/10.ico", "/9.ico", "/8.ico", "/7.ico", "/6.ico", "/5.ico", "/4.ico",
                                          "/3.ico", "/2.ico", "/1.ico"}));
    list.Add(QStringLiteral("/5.ico"));
    EXPECT_EQ(list.Get(5), QStringLiteral("/5.ico"));
    // Case makes another path.
    list.Add(QStringLiteral("/10.ICO"));
    EXPECT_EQ(list.Get(0), QStringLiteral("/10.ICO"));
    EXPECT_EQ(list.Get(1), QStringLiteral("/10.ico"));

    list.Remove(QStringLiteral("/9.ico"));
    list.Remove(QStringLiteral("/not-there.ico"));
    EXPECT_EQ(list.Count(), 9);
    EXPECT_EQ(list.Get(2), QStringLiteral("/8.ico"));
    for (int index : {9, -1, 1000000}) EXPECT_EQ(list.Get(index), QString()) << index;
}

TEST(ReopenList, AGapEndsTheListAndEveryKeyIsWrittenBack)
{
    ScopedAppDir dir;
    const QString cfg = dir.FilePath(QStringLiteral("tavrin.cfg"));
    {
        IniFile ini(cfg);
        ini.SetText(QStringLiteral("[Reopen]\n0=C:\\icons\\a,b.ico\n1=/x/y & z.ico\n3=/lost.ico\n"));
        ASSERT_TRUE(ini.UpdateFile());
    }
    EXPECT_EQ(Entries(TReopenList()), (QStringList{"C:\\icons\\a,b.ico", "/x/y & z.ico"}));
    const IniFile ini(cfg);
    EXPECT_EQ(ini.ReadString(QStringLiteral("reopen"), QStringLiteral("0")), QStringLiteral("C:\\icons\\a,b.ico"));
    for (int k = 2; k < 10; ++k) {
        EXPECT_TRUE(ini.ValueExists(QStringLiteral("reopen"), QString::number(k))) << k;
        EXPECT_EQ(ini.ReadString(QStringLiteral("reopen"), QString::number(k)), QString()) << k;
    }
}

TEST(ReopenList, AnOversizedFileIsAnEmptyListAndIsRewrittenSound)
{
    ScopedAppDir dir;
    const QString cfg = dir.FilePath(QStringLiteral("tavrin.cfg"));
    ASSERT_TRUE(WriteBytes(cfg, "[reopen]\n0=/a.ico\n" + QByteArray(2 * IniFile::MaxFileSize, '\n')));
    {
        TReopenList list;
        EXPECT_EQ(list.Count(), 0);
        list.Add(QStringLiteral("/b.ico"));
    }
    EXPECT_LT(QFileInfo(cfg).size(), 1000);
    EXPECT_EQ(Entries(TReopenList()), QStringList{"/b.ico"});
}
