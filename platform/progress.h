#pragma once
// Long passes report progress through an optional callback: minimum, maximum and position
// (0, 100 and row * 100 / height in most passes). An empty function means no report.
#include <functional>

#include <QString>

using ProgressCallback = std::function<void(int min, int max, int position)>;

// The cartoon engine's richer form: one bar for the pass that runs (0..100), one bar counting the
// finished passes, and a caption naming the pass. Hosts adapt their own widgets to these; the
// imaging code never sees a widget.
class ProgressBarTarget {
public:
    virtual ~ProgressBarTarget() = default;
    virtual void SetMaximum(int maximum) = 0;
    virtual void SetPosition(int position) = 0;
    // Advances the bar by the host's own step.
    virtual void StepIt() = 0;
};

class ProgressCaptionTarget {
public:
    virtual ~ProgressCaptionTarget() = default;
    virtual void SetCaption(const QString& text) = 0;
};

// Any of the three may be absent. The targets are borrowed: their owner keeps them alive while a
// pass runs.
struct ProgressTargets {
    ProgressBarTarget* PassProgress = nullptr;
    ProgressBarTarget* TotalProgress = nullptr;
    ProgressCaptionTarget* PassCaption = nullptr;

    void Caption(const QString& text) const
    {
        if (PassCaption) PassCaption->SetCaption(text);
    }
    // Position index * 100 / last on the pass bar. A pass over a single row or column has no
    // defined position (last is 0), so nothing is reported then; values are held to 0..100.
    void PassAt(long long index, long long last) const
    {
        if (!PassProgress || last <= 0) return;
        long long p = index * 100 / last;
        PassProgress->SetPosition(int(p < 0 ? 0 : (p > 100 ? 100 : p)));
    }
    void StepTotal() const
    {
        if (TotalProgress) TotalProgress->StepIt();
    }
};
