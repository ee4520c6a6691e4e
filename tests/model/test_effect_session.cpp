// The rules every effect dialog follows, headless: nothing happens before a format is given, each
// change recomputes from the untouched backup, Cancel restores byte for byte with one redraw,
// the preview switched off shows the original and stops the redraws but not the computing, OK
// keeps what the values give, changes during a running preview coalesce, and a failure is
// reported instead of thrown.
#include <gtest/gtest.h>

#include <stdexcept>
#include <string>

#include "model/effect_session.h"
#include "support/effect_helpers.h"
#include "support/format_helpers.h"

namespace {

// A brightness session: the value is added to every channel, as the real dialog does.
class BrightnessSession : public TEffectSession {
public:
    int Value = 0;
    std::function<void()> DuringRun;  // called inside each computation, before it ends
    bool Throw = false;
    std::string Failure;
    int Failures = 0;

    void ApplyEffect() override
    {
        if (Throw) throw std::runtime_error("out of memory");
        ApplyBrightnessContrastEffect(Sources(), *Target, Value, 0);
        if (DuringRun) DuringRun();
        PreviewStep();
    }

    void Change(int v)
    {
        Value = v;
        Apply();
    }

protected:
    void ReportFailure(const std::string& text) override
    {
        Failure = text;
        ++Failures;
    }
};

// The target as the session should leave it for a brightness value.
TIconImageRec Brightened(const TIconImageRec& original, int value)
{
    return EffectResult(original, [value](const TEffectSources& s, TIconImageRec& t) {
        ApplyBrightnessContrastEffect(s, t, value, 0);
    });
}

struct Fixture {
    TIconImageRec original;
    TIconImageRec format;
    BrightnessSession session;
    int previews = 0;
    explicit Fixture(int32_t type = ctTrueAlpha) : original(PatternFormat(12, 9, type, 3)), format(original.Clone())
    {
        session.OnPreview = [this] { ++previews; };
    }
};

} // namespace

TEST(EffectSession, NothingHappensUntilAFormatIsGiven)
{
    Fixture f;
    f.session.Change(40);
    f.session.PreviewSwitched(false);
    f.session.PreviewSwitched(true);
    f.session.Finish(false);
    EXPECT_EQ(f.session.RunCount(), 0);
    EXPECT_EQ(f.previews, 0);
    EXPECT_FALSE(f.session.Begin(nullptr));
    EXPECT_EQ(f.session.Target, nullptr);
}

TEST(EffectSession, BackupAndTheWorkCopyOfAPaletteFormat)
{
    Fixture f(ctColors16);
    ASSERT_TRUE(f.session.Begin(&f.format));
    EXPECT_EQ(f.session.Target, &f.format);
    EXPECT_TRUE(SameFormat(f.session.Backup, f.original));
    const TIconImageRec& work = f.session.WorkCopy;
    EXPECT_EQ(work.ColorType, ctTrueAlpha);
    EXPECT_EQ(work.Palette.palNumEntries, 0);
    for (int y = 0; y < f.original.Height; ++y)
        for (int x = 0; x < f.original.Width; ++x) ASSERT_EQ(work.Bitmap->Pixel(x, y), ShownColor(f.original, x, y));
    EXPECT_TRUE(*work.Mask == *f.original.Mask);
    // Beginning computes nothing: OK untouched leaves the format as it was.
    f.session.Finish(true);
    EXPECT_EQ(f.session.RunCount(), 0);
    EXPECT_TRUE(SameFormat(f.format, f.original));
}

TEST(EffectSession, ChangesRecomputeFromTheBackupAndCancelRestoresWithOneRedraw)
{
    for (int32_t type : {ctTrueAlpha, ctTrueColor, ctColors256, ctColors16, ctColors2}) {
        SCOPED_TRACE(type);
        Fixture f(type);
        ASSERT_TRUE(f.session.Begin(&f.format));
        f.session.Change(90);
        f.session.Change(-30);
        f.session.Change(25);
        EXPECT_EQ(f.previews, 3);
        // Not 90 - 30 + 25 piled up: 25 from the original.
        EXPECT_TRUE(SameFormat(f.format, Brightened(f.original, 25)));
        EXPECT_TRUE(SameFormat(f.session.Backup, f.original));
        f.session.Finish(false);
        EXPECT_EQ(f.previews, 4);
        EXPECT_TRUE(SameFormat(f.format, f.original));
        // Closed: later changes reach nothing.
        f.session.Change(60);
        EXPECT_TRUE(SameFormat(f.format, f.original));
        EXPECT_EQ(f.session.RunCount(), 3);
    }
}

TEST(EffectSession, PreviewOffShowsTheOriginalAndOkStoresTheValues)
{
    Fixture f(ctColors256);
    ASSERT_TRUE(f.session.Begin(&f.format));
    f.session.Change(50);
    f.session.PreviewSwitched(false);
    EXPECT_EQ(f.previews, 2);
    EXPECT_TRUE(SameFormat(f.format, f.original));
    // OK right away: the format must hold what the dialog shows, not the original.
    f.session.Finish(true);
    EXPECT_EQ(f.previews, 2);
    EXPECT_TRUE(SameFormat(f.format, Brightened(f.original, 50)));

    Fixture g;
    ASSERT_TRUE(g.session.Begin(&g.format));
    g.session.PreviewSwitched(false);
    EXPECT_EQ(g.previews, 1);
    g.session.Change(-70);  // computes, shows nothing
    EXPECT_EQ(g.previews, 1);
    EXPECT_TRUE(SameFormat(g.format, Brightened(g.original, -70)));
    g.session.PreviewSwitched(true);
    EXPECT_EQ(g.previews, 2);
    g.session.Finish(true);
    EXPECT_EQ(g.session.RunCount(), 2);
    EXPECT_TRUE(SameFormat(g.format, Brightened(g.original, -70)));

    // Switched off before anything was computed, then OK: still the original.
    Fixture h;
    ASSERT_TRUE(h.session.Begin(&h.format));
    h.session.PreviewSwitched(false);
    h.session.Finish(true);
    EXPECT_EQ(h.session.RunCount(), 0);
    EXPECT_TRUE(SameFormat(h.format, h.original));
}

TEST(EffectSession, ChangesDuringARunCoalesceIntoOneMoreRunWithTheLastValue)
{
    Fixture f;
    ASSERT_TRUE(f.session.Begin(&f.format));
    int nested = 0;
    f.session.DuringRun = [&] {
        if (nested++ > 0) return;
        // A drag goes on while the first preview is drawn.
        for (int v : {11, 12, 13, 14}) f.session.Change(v);
    };
    f.session.Change(10);
    EXPECT_EQ(f.session.RunCount(), 2);
    EXPECT_EQ(f.previews, 2);
    EXPECT_TRUE(SameFormat(f.format, Brightened(f.original, 14)));
}

TEST(EffectSession, ClosingDuringARunKeepsOrRestoresWhatTheDialogSays)
{
    // Cancel from inside a running preview: the backup is put back and nothing computes after it.
    Fixture f;
    ASSERT_TRUE(f.session.Begin(&f.format));
    f.session.DuringRun = [&] {
        f.session.Value = 99;
        f.session.Apply();
        f.session.Finish(false);
    };
    f.session.Change(10);
    EXPECT_TRUE(f.session.Finished());
    EXPECT_EQ(f.session.RunCount(), 1);
    EXPECT_TRUE(SameFormat(f.format, f.original));

    // OK with a change still waiting: the waiting values are what is kept.
    Fixture g;
    ASSERT_TRUE(g.session.Begin(&g.format));
    bool once = false;
    g.session.DuringRun = [&] {
        if (once) return;
        once = true;
        g.session.Change(77);
        g.session.Finish(true);
    };
    g.session.Change(10);
    EXPECT_EQ(g.session.RunCount(), 2);
    EXPECT_TRUE(SameFormat(g.format, Brightened(g.original, 77)));
}

TEST(EffectSession, AFailureIsReportedAndTheBackupStays)
{
    Fixture f;
    ASSERT_TRUE(f.session.Begin(&f.format));
    f.session.Throw = true;
    EXPECT_NO_THROW(f.session.Change(20));
    EXPECT_EQ(f.session.Failures, 1);
    EXPECT_EQ(f.session.Failure, "out of memory");
    f.session.Throw = false;
    f.session.Change(30);
    EXPECT_TRUE(SameFormat(f.format, Brightened(f.original, 30)));
    f.session.Finish(false);
    EXPECT_TRUE(SameFormat(f.format, f.original));
}
