#include "platform/quantizer.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <bit>
#include <cmath>
#include <cstddef>
#include <cstring>
#include <functional>
#include <limits>
#include <memory>
#include <numeric>
#include <vector>

#include "platform/parallel.h"

namespace {

struct Colour3 {
    double r = 0, g = 0, b = 0;
};

double Dist2(const Colour3& a, double r, double g, double b)
{
    const double dr = a.r - r, dg = a.g - g, db = a.b - b;
    return dr * dr + dg * dg + db * db;
}

// Exact nearest-colour search. Colour space is split into cells of 32 x 32 x 32; the first query in
// a cell lists the entries that can be nearest to any point of it (those whose least distance to
// the cell is within the smallest greatest distance of any entry), nearest first, and queries walk
// that list only until the least distance alone exceeds the best found. Queries may come from
// several threads at once: whichever comes first to a cell makes its list for all; one that
// comes while the list is being made makes its own copy rather than wait. A list depends on the
// cell and the entries alone.
class NearestFinder {
public:
    NearestFinder() = default;

    // Starts over with new entries, at most 256 of them (a list key keeps the index in 8 bits).
    // The buffers stay: k-means makes a finder every round and the
    // effect dialogs quantise on every change, and fresh pages cost more than the lists in them.
    // `moved`, when given, holds how far each entry has moved since the caller's last search (see
    // OthersMoved).
    void Reset(const std::vector<Colour3>& entries, const std::vector<double>* moved = nullptr)
    {
        entries_.assign(entries.begin(), entries.end());
        constexpr size_t cells = size_t(Cells) * Cells * Cells;
        if (!state_) {
            state_ = std::make_unique<std::atomic<uint8_t>[]>(cells);
            cells_.resize(cells);
        }
        for (size_t c = 0; c < cells; ++c) state_[c].store(Empty, std::memory_order_relaxed);
        moved_ = moved;
        MakeSlabs();
    }

    // For a query point and the entry `own` it went to: the farthest any other entry of the
    // point's cell list has moved, and the cell's limit as a distance (not squared). Entries off
    // the list are farther from the point than the limit, moved or not.
    double OthersMoved(double r, double g, double b, int own, double& limitDistance)
    {
        const CellList& cell = Candidates(r, g, b);
        limitDistance = cell.limitRoot;
        const MostMoved& m = cell.moved;
        return own == m.who ? m.next : m.most;
    }

    // The index of the nearest entry; ties go to the lower index. Queries lie in 0..255.
    int Find(double r, double g, double b)
    {
        const std::vector<Candidate>& cand = Candidates(r, g, b).list;
        return Walk(cand.data(), 1, int(cand.size()), cand[0].index, Dist2(cand[0].at, r, g, b), r, g, b);
    }

    // As Find, starting from an entry that is likely nearest, at the given squared distance: the
    // walk stops as soon as the list's least distances pass it. The guess is one more contestant
    // under the same rule, so the winner is the same.
    int FindFrom(double r, double g, double b, int guess, double guessD)
    {
        const std::vector<Candidate>& cand = Candidates(r, g, b).list;
        return Walk(cand.data(), 0, int(cand.size()), guess, guessD, r, g, b);
    }

    // As Find, and also a lower bound on the squared distance to every other entry: the walk goes
    // on to the second nearest, and entries the cell's list leaves out are farther than its limit.
    int FindWithRunnerUp(double r, double g, double b, double& otherD)
    {
        const CellList& cell = Candidates(r, g, b);
        const Candidate* cand = cell.list.data();
        const int count = int(cell.list.size());
        int best = cand[0].index;
        double bestD = Dist2(cand[0].at, r, g, b);
        double second = std::numeric_limits<double>::infinity();
        for (int i = 1; i < count && cand[i].nearest <= second; ++i) {
            const double d = Dist2(cand[i].at, r, g, b);
            if (d < bestD || (d == bestD && cand[i].index < best)) {
                second = bestD;
                bestD = d;
                best = cand[i].index;
            } else {
                second = std::min(second, d);
            }
        }
        otherD = std::min(second, cell.limit);
        return best;
    }

private:
    static constexpr int Side = 32;
    static constexpr int Cells = 256 / Side;
    enum : uint8_t { Empty, Filling, Ready };
    struct Candidate {
        // At most the least squared distance from the entry to the cell, and never less than the
        // value of the candidates before it on the list.
        double nearest;
        int index;
        Colour3 at;  // a copy of the entry: the walk reads nothing else
    };
    struct MostMoved {
        double most = 0, next = 0;  // the greatest move on the cell's list, and the greatest of the rest
        int who = -1;               // the entry that made the greatest
    };
    struct CellList {
        std::vector<Candidate> list;
        double limit = 0;      // every entry off the list is farther than this from the whole cell
        double limitRoot = 0;  // its square root, when the entries' moves are given
        MostMoved moved;       // likewise
    };

    // Entries past the first whose least distance exceeds the best found are farther than it.
    static int Walk(const Candidate* cand, int from, int count, int best, double bestD, double r, double g, double b)
    {
        for (int i = from; i < count && cand[i].nearest <= bestD; ++i) {
            const double d = Dist2(cand[i].at, r, g, b);
            // Selected, not branched on: which entry wins is no better predicted than a coin.
            const bool better = (d < bestD) | ((d == bestD) & (cand[i].index < best));
            bestD = better ? d : bestD;
            best = better ? cand[i].index : best;
        }
        return best;
    }

    static int Cell(double v) { return std::clamp(int(v), 0, 255) / Side; }
    static size_t CellOf(double r, double g, double b)
    {
        return (size_t(Cell(r)) * Cells + size_t(Cell(g))) * Cells + size_t(Cell(b));
    }

    // The cell's list of candidates, nearest first; it is made on the first query in the cell.
    const CellList& Candidates(double r, double g, double b)
    {
        const size_t cell = CellOf(r, g, b);
        std::atomic<uint8_t>& state = state_[cell];
        if (state.load(std::memory_order_acquire) == Ready) return cells_[cell];
        uint8_t expected = Empty;
        if (state.compare_exchange_strong(expected, Filling, std::memory_order_acquire)) {
            Fill(cells_[cell], Cell(r), Cell(g), Cell(b));
            state.store(Ready, std::memory_order_release);
            return cells_[cell];
        }
        if (expected == Ready) return cells_[cell];
        // Another thread is making it: a copy of one's own is sooner than waiting. It lasts until
        // the thread's next query.
        thread_local CellList spare;
        Fill(spare, Cell(r), Cell(g), Cell(b));
        return spare;
    }

    // The least and greatest squared distance from every entry to every slab of cells along each
    // axis, so that filling a cell adds three numbers per entry instead of measuring the box again.
    // The sums below are taken in the same order as a direct measurement would take them.
    // They are kept in order of red, the order in which a cell's list visits the entries.
    void MakeSlabs()
    {
        const size_t n = entries_.size();
        byRed_.resize(n);
        std::iota(byRed_.begin(), byRed_.end(), 0);
        std::sort(byRed_.begin(), byRed_.end(), [&](int a, int b) { return entries_[size_t(a)].r < entries_[size_t(b)].r; });
        slabNear_.resize(3 * Cells * n);
        slabFar_.resize(3 * Cells * n);
        for (int a = 0; a < 3; ++a)
            for (int c = 0; c < Cells; ++c) {
                const double lo = double(c * Side), hi = lo + Side;
                double* nearOut = slabNear_.data() + (size_t(a) * Cells + size_t(c)) * n;
                double* farOut = slabFar_.data() + (size_t(a) * Cells + size_t(c)) * n;
                for (size_t i = 0; i < n; ++i) {
                    const Colour3& e = entries_[size_t(byRed_[i])];
                    const double v = a == 0 ? e.r : a == 1 ? e.g : e.b;
                    const double below = lo - v, above = v - hi;
                    const double nd = below > 0 ? below : above > 0 ? above : 0.0;
                    const double fd = std::max(std::abs(v - lo), std::abs(v - hi));
                    nearOut[i] = nd * nd;
                    farOut[i] = fd * fd;
                }
            }
        for (int c = 0; c < Cells; ++c) {
            const double mid = double(c * Side) + Side / 2;
            split_[size_t(c)] = size_t(std::partition_point(byRed_.begin(), byRed_.end(), [&](int i) {
                                           return entries_[size_t(i)].r < mid;
                                       }) - byRed_.begin());
        }
    }

    void Fill(CellList& cell, int cr, int cg, int cb) const
    {
        const size_t n = entries_.size();
        const double* nr = slabNear_.data() + size_t(cr) * n;
        const double* ng = slabNear_.data() + (size_t(Cells) + size_t(cg)) * n;
        const double* nb = slabNear_.data() + (size_t(2 * Cells) + size_t(cb)) * n;
        const double* fr = slabFar_.data() + size_t(cr) * n;
        const double* fg = slabFar_.data() + (size_t(Cells) + size_t(cg)) * n;
        const double* fb = slabFar_.data() + (size_t(2 * Cells) + size_t(cb)) * n;
        // Entries are visited outwards along red from the middle of the cell's slab, each way in
        // turn: both distances to the slab only grow on the way, and neither sum can fall below
        // its red part, so each way stops where the red part alone rules the rest out. What is
        // kept is sorted below into one order, whatever order it was found in.
        const int* byRed = byRed_.data();
        const size_t split = split_[size_t(cr)];
        double limit = std::numeric_limits<double>::infinity();
        const auto closer = [&](size_t j) {
            if (fr[j] >= limit) return false;
            limit = std::min(limit, fr[j] + fg[j] + fb[j]);
            return true;
        };
        for (size_t j = split; j < n && closer(j); ++j) {
        }
        for (size_t j = split; j-- > 0 && closer(j);) {
        }
        // The list is sorted on one number per entry: its least distance with the last 8 bits of
        // the mantissa cleared and its index put there. Cleared, a non-negative distance can only
        // fall, and it stays in order with the others, which is all a walk needs to stop early;
        // the winner of a walk does not depend on the order of candidates at equal distances.
        std::array<uint64_t, 256> order;
        size_t kept = 0;
        // Each visited entry is written to the next free slot, and the slot is taken only when the
        // entry is near enough: no branch on a test that goes either way at random. Fewer than
        // 256 entries come before any one, so the slot always exists.
        const auto keep = [&](size_t j) {
            if (nr[j] > limit) return false;
            const double nearest = nr[j] + ng[j] + nb[j];
            order[kept] = (std::bit_cast<uint64_t>(nearest) & ~uint64_t(0xFF)) | uint64_t(byRed[j]);
            kept += nearest <= limit;
            return true;
        };
        for (size_t j = split; j < n && keep(j); ++j) {
        }
        for (size_t j = split; j-- > 0 && keep(j);) {
        }
        std::sort(order.begin(), order.begin() + ptrdiff_t(kept));
        std::vector<Candidate>& list = cell.list;
        list.resize(kept);
        for (size_t k = 0; k < kept; ++k) {
            const auto index = int(order[k] & 0xFF);
            list[k] = {std::bit_cast<double>(order[k] & ~uint64_t(0xFF)), index, entries_[size_t(index)]};
        }
        cell.limit = limit;
        if (moved_) {
            cell.limitRoot = std::sqrt(limit);
            MostMoved& m = cell.moved;
            m = MostMoved{};
            for (const Candidate& c : list) {
                const double v = (*moved_)[size_t(c.index)];
                if (v > m.most) {
                    m.next = m.most;
                    m.most = v;
                    m.who = c.index;
                } else {
                    m.next = std::max(m.next, v);
                }
            }
        }
    }

    std::vector<Colour3> entries_;
    std::unique_ptr<std::atomic<uint8_t>[]> state_;
    std::vector<CellList> cells_;  // kept with their pages from one entry set to the next
    const std::vector<double>* moved_ = nullptr;
    std::vector<int> byRed_;                 // the entries in order of red
    std::array<size_t, Cells> split_{};      // the first in that order at or past each slab's middle
    std::vector<double> slabNear_, slabFar_;  // [axis][cell along it][entry in order of red]
};

// Calls work(from, end) on spans that together cover 0..n once, shared out over the cores when
// there is enough to pay for starting threads. Which thread takes a span changes nothing: each
// index is worked on alone. The runner's threads are parked between rounds and watch for the next
// one, so even a k-means round of a 256 x 256 picture is worth sharing over every core.
// The items come in order of colour, and the spans are handed out in strides through them, so
// threads that start together work in different parts of colour space: a finder's cell list is
// then rarely asked for by a second thread while the first is still making it.
void ForEachSpan(size_t n, const std::function<void(size_t, size_t)>& work)
{
    constexpr size_t Span = 512, PerThread = 2048, MostThreads = 8;
    const size_t spans = (n + Span - 1) / Span;
    const size_t threads = std::min(MostThreads, ParallelThreads(n, PerThread));
    if (threads <= 1 || spans <= 1) {
        ParallelForSpans(n, Span, 1, work);
        return;
    }
    // A stride near spans / threads that shares no factor with the count visits every span once.
    size_t stride = std::max<size_t>(1, spans / threads);
    while (std::gcd(stride, spans) != 1) ++stride;
    ParallelFor(spans, threads, [&](size_t i) {
        const size_t s = i * stride % spans;
        work(s * Span, std::min(n, (s + 1) * Span));
    });
}

// For each of up to 256 colours, the least squared distance to any other (infinity when alone).
// The colours are ordered by red, and the walk out from each one stops where the difference in red
// alone reaches the least distance found so far: no colour beyond it can come nearer. A minimum
// does not depend on the order its candidates come in, and a distance measured either way round
// squares the same differences, so the result is the same as measuring every pair.
void NearestOther(const std::vector<Colour3>& colours, double* least)
{
    const size_t n = colours.size();
    std::array<int, 256> order;
    std::iota(order.begin(), order.begin() + ptrdiff_t(n), 0);
    std::sort(order.begin(), order.begin() + ptrdiff_t(n),
              [&](int a, int b) { return colours[size_t(a)].r < colours[size_t(b)].r; });
    std::fill(least, least + n, std::numeric_limits<double>::infinity());
    for (size_t p = 0; p < n; ++p) {
        const size_t k = size_t(order[p]);
        const Colour3& a = colours[k];
        double best = least[k];
        const auto visit = [&](size_t q) {
            const size_t j = size_t(order[q]);
            const Colour3& b = colours[j];
            const double dr = a.r - b.r;
            if (dr * dr >= best) return false;
            const double d = Dist2(a, b.r, b.g, b.b);
            best = std::min(best, d);
            least[j] = std::min(least[j], d);
            return true;
        };
        for (size_t q = p + 1; q < n && visit(q); ++q) {
        }
        for (size_t q = p; q-- > 0 && visit(q);) {
        }
        least[k] = best;
    }
}

// The distinct colours of a picture with their counts, and its pixels in order of colour.
struct Histogram {
    std::vector<uint32_t> colour;  // r << 16 | g << 8 | b
    std::vector<uint32_t> count;
    std::vector<uint64_t> byColour;  // colour << 32 | the pixel's number
    std::vector<uint32_t> first;     // where each colour's pixels start in byColour, and the end
};

// What k-means clusters: each point stands for some pixels, by their number and the sums of their
// red, green and blue, and sits at their mean.
struct Points {
    std::vector<Colour3> at;
    std::vector<Colour3> sum;  // whole numbers, exact as doubles
    std::vector<double> weight;
};

// The pixels of the colours in one bucket: how many, and their red, green and blue summed.
struct Bucket {
    uint64_t r = 0, g = 0, b = 0, count = 0;
};

// Every buffer of one call, kept from call to call: the effect dialogs re-quantise on every change,
// and fresh pages for a few megabytes cost more than the work done in them.
struct Workspace {
    std::vector<uint64_t> sortA, sortB;
    std::vector<uint32_t> radixStart;
    std::unique_ptr<uint32_t[]> scanColour, scanFirst;  // the histogram's scan: colours and starts
    size_t scanSize = 0;
    Histogram histogram;
    std::vector<double> moments;
    Points points;
    std::vector<uint32_t> pointOf;  // for every distinct colour, the point it went into
    std::vector<Bucket> buckets;
    std::vector<int32_t> bucketTable;
    std::vector<int> assign;
    std::vector<int> to;
    std::vector<int16_t> owner;  // the first centre to try for each cell of 8 x 8 x 8 levels
    std::vector<int> guess;  // for every distinct colour, its cluster in k-means' last round
    std::vector<double> err;
    std::vector<double> lower;
    std::vector<size_t> worst;
    NearestFinder rounds, mapping;
};

uint32_t KeyOf(const uint8_t* p) { return uint32_t(p[2]) << 16 | uint32_t(p[1]) << 8 | uint32_t(p[0]); }

void BuildHistogram(const uint8_t* input, size_t pixels, Workspace& ws)
{
    // A stable radix sort of (colour, pixel) pairs on the 24 colour bits.
    std::vector<uint64_t>& a = ws.sortA;
    std::vector<uint64_t>& b = ws.sortB;
    a.resize(pixels);
    b.resize(pixels);
    // Two passes of 12 bits: one scatter over the pairs fewer than bytes would take, and the
    // counts still fit the first-level cache. Both passes' counts are taken with the keys.
    std::vector<uint32_t>& start = ws.radixStart;
    start.assign(2 * 4097, 0);
    uint32_t* low = start.data();
    uint32_t* high = low + 4097;
    for (size_t i = 0; i < pixels; ++i) {
        const uint32_t key = KeyOf(input + i * 3);
        a[i] = uint64_t(key) << 32 | uint64_t(i);
        ++low[(key & 0xFFF) + 1];
        ++high[(key >> 12) + 1];
    }
    for (uint32_t* counts : {low, high}) {
        for (size_t i = 1; i < 4097; ++i) counts[i] += counts[i - 1];
        const int shift = counts == low ? 32 : 44;
        for (uint64_t v : a) b[counts[size_t((v >> shift) & 0xFFF)]++] = v;
        a.swap(b);
    }
    // Every pair is written as a new colour and the slot taken only where the colour changes:
    // in a picture of near colours that is as good as a coin toss, no branch to predict.
    // (The slots are bare memory: zeroing a slot per pixel would cost as much as the scan.)
    if (ws.scanSize < pixels + 1) {
        ws.scanSize = pixels + 1;
        ws.scanColour = std::make_unique_for_overwrite<uint32_t[]>(ws.scanSize);
        ws.scanFirst = std::make_unique_for_overwrite<uint32_t[]>(ws.scanSize);
    }
    uint32_t* colour = ws.scanColour.get();
    uint32_t* first = ws.scanFirst.get();
    size_t colours = 0;
    uint64_t last = ~uint64_t(0);
    for (size_t i = 0; i < pixels; ++i) {
        const uint64_t key = a[i] >> 32;
        colour[colours] = uint32_t(key);
        first[colours] = uint32_t(i);
        colours += key != last;
        last = key;
    }
    first[colours] = uint32_t(pixels);
    Histogram& h = ws.histogram;
    h.colour.assign(colour, colour + colours);
    h.first.assign(first, first + colours + 1);
    h.count.resize(colours);
    for (size_t k = 0; k < colours; ++k) h.count[k] = first[k + 1] - first[k];
    h.byColour.swap(a);  // the sort takes the last call's buffer next time
}

Colour3 ToColour3(uint32_t key) { return {double(key >> 16 & 0xFF), double(key >> 8 & 0xFF), double(key & 0xFF)}; }

// Wu's colour quantizer: cumulative moments over a 32 x 32 x 32 grid, boxes cut where the summed
// variance falls most.
class WuCuts {
public:
    WuCuts(const Histogram& h, std::vector<double>& moments)
    {
        const size_t cells = size_t(S) * S * S;
        moments.assign(5 * cells, 0.0);
        wt_ = moments.data();
        mr_ = wt_ + cells;
        mg_ = mr_ + cells;
        mb_ = mg_ + cells;
        m2_ = mb_ + cells;
        for (size_t i = 0; i < h.colour.size(); ++i) {
            const uint32_t key = h.colour[i];
            const int r = int(key >> 16 & 0xFF), g = int(key >> 8 & 0xFF), b = int(key & 0xFF);
            const size_t at = Index((r >> 3) + 1, (g >> 3) + 1, (b >> 3) + 1);
            const double c = h.count[i];
            wt_[at] += c;
            mr_[at] += c * r;
            mg_[at] += c * g;
            mb_[at] += c * b;
            m2_[at] += c * double(r * r + g * g + b * b);
        }
        Cumulate();
    }

    // At most `wanted` box means, weighted by the pixels inside. `owner` gets for every cell of
    // 8 x 8 x 8 levels the mean of its box, -1 where the box is empty.
    std::vector<Colour3> Means(int wanted, std::vector<int16_t>& owner)
    {
        std::vector<Box> boxes(size_t(std::max(wanted, 1)));
        std::vector<double> variance(boxes.size(), 0.0);
        boxes[0] = Box{0, S - 1, 0, S - 1, 0, S - 1};
        int made = 1, next = 0;
        for (int i = 1; i < wanted; ++i) {
            if (CutBox(boxes[size_t(next)], boxes[size_t(i)])) {
                variance[size_t(next)] = Volume(boxes[size_t(next)]) > 1 ? Variance(boxes[size_t(next)]) : 0.0;
                variance[size_t(i)] = Volume(boxes[size_t(i)]) > 1 ? Variance(boxes[size_t(i)]) : 0.0;
                made = i + 1;
            } else {
                variance[size_t(next)] = 0.0;
                --i;
            }
            next = 0;
            double top = variance[0];
            for (int k = 1; k <= i; ++k)
                if (variance[size_t(k)] > top) {
                    top = variance[size_t(k)];
                    next = k;
                }
            if (top <= 0.0) break;
        }
        std::vector<Colour3> means;
        owner.assign(size_t(S - 1) * (S - 1) * (S - 1), -1);
        for (int i = 0; i < made; ++i) {
            const Box& box = boxes[size_t(i)];
            const double w = Vol(box, wt_);
            if (!(w > 0)) continue;
            const auto mean = int16_t(means.size());
            means.push_back({Vol(box, mr_) / w, Vol(box, mg_) / w, Vol(box, mb_) / w});
            for (int r = box.r0; r < box.r1; ++r)
                for (int g = box.g0; g < box.g1; ++g)
                    for (int b = box.b0; b < box.b1; ++b) owner[OwnerIndex(r, g, b)] = mean;
        }
        return means;
    }

    // The cell of `owner` that levels r, g, b fall in.
    static size_t OwnerOf(int r, int g, int b) { return OwnerIndex(r >> 3, g >> 3, b >> 3); }

private:
    static constexpr int S = 33;
    static size_t OwnerIndex(int r, int g, int b) { return (size_t(r) * (S - 1) + size_t(g)) * (S - 1) + size_t(b); }
    enum Dir { Red, Green, Blue };
    struct Box {
        int r0, r1, g0, g1, b0, b1;  // lower bounds exclusive, upper inclusive
    };
    using Moments = const double*;

    static size_t Index(int r, int g, int b) { return (size_t(r) * S + size_t(g)) * S + size_t(b); }
    static int Volume(const Box& x) { return (x.r1 - x.r0) * (x.g1 - x.g0) * (x.b1 - x.b0); }

    // The five moments go through one loop: five independent chains of additions keep the
    // processor busy where one would wait on each sum. Each moment's sums are as before.
    void Cumulate()
    {
        double* const v[5] = {wt_, mr_, mg_, mb_, m2_};
        for (int r = 1; r < S; ++r) {
            std::array<std::array<double, 5>, S> area{};
            for (int g = 1; g < S; ++g) {
                std::array<double, 5> line{};
                for (int b = 1; b < S; ++b) {
                    const size_t at = Index(r, g, b), below = Index(r - 1, g, b);
                    for (size_t m = 0; m < 5; ++m) {
                        line[m] += v[m][at];
                        area[size_t(b)][m] += line[m];
                        v[m][at] = v[m][below] + area[size_t(b)][m];
                    }
                }
            }
        }
    }

    static double Vol(const Box& x, const Moments& m)
    {
        return m[Index(x.r1, x.g1, x.b1)] - m[Index(x.r1, x.g1, x.b0)] - m[Index(x.r1, x.g0, x.b1)] +
               m[Index(x.r1, x.g0, x.b0)] - m[Index(x.r0, x.g1, x.b1)] + m[Index(x.r0, x.g1, x.b0)] +
               m[Index(x.r0, x.g0, x.b1)] - m[Index(x.r0, x.g0, x.b0)];
    }

    static double Bottom(const Box& x, Dir d, const Moments& m)
    {
        switch (d) {
        case Red:
            return -m[Index(x.r0, x.g1, x.b1)] + m[Index(x.r0, x.g1, x.b0)] + m[Index(x.r0, x.g0, x.b1)] -
                   m[Index(x.r0, x.g0, x.b0)];
        case Green:
            return -m[Index(x.r1, x.g0, x.b1)] + m[Index(x.r1, x.g0, x.b0)] + m[Index(x.r0, x.g0, x.b1)] -
                   m[Index(x.r0, x.g0, x.b0)];
        default:
            return -m[Index(x.r1, x.g1, x.b0)] + m[Index(x.r1, x.g0, x.b0)] + m[Index(x.r0, x.g1, x.b0)] -
                   m[Index(x.r0, x.g0, x.b0)];
        }
    }

    static double Top(const Box& x, Dir d, int pos, const Moments& m)
    {
        switch (d) {
        case Red:
            return m[Index(pos, x.g1, x.b1)] - m[Index(pos, x.g1, x.b0)] - m[Index(pos, x.g0, x.b1)] +
                   m[Index(pos, x.g0, x.b0)];
        case Green:
            return m[Index(x.r1, pos, x.b1)] - m[Index(x.r1, pos, x.b0)] - m[Index(x.r0, pos, x.b1)] +
                   m[Index(x.r0, pos, x.b0)];
        default:
            return m[Index(x.r1, x.g1, pos)] - m[Index(x.r1, x.g0, pos)] - m[Index(x.r0, x.g1, pos)] +
                   m[Index(x.r0, x.g0, pos)];
        }
    }

    double Variance(const Box& x) const
    {
        const double dr = Vol(x, mr_), dg = Vol(x, mg_), db = Vol(x, mb_), w = Vol(x, wt_);
        return w > 0 ? Vol(x, m2_) - (dr * dr + dg * dg + db * db) / w : 0.0;
    }

    double Maximize(const Box& x, Dir d, int first, int last, int& cut, double wr, double wg, double wb,
                    double ww) const
    {
        const double br = Bottom(x, d, mr_), bg = Bottom(x, d, mg_), bb = Bottom(x, d, mb_), bw = Bottom(x, d, wt_);
        double best = 0.0;
        cut = -1;
        for (int i = first; i < last; ++i) {
            double hr = br + Top(x, d, i, mr_), hg = bg + Top(x, d, i, mg_), hb = bb + Top(x, d, i, mb_);
            double hw = bw + Top(x, d, i, wt_);
            if (hw <= 0) continue;
            double score = (hr * hr + hg * hg + hb * hb) / hw;
            hr = wr - hr;
            hg = wg - hg;
            hb = wb - hb;
            hw = ww - hw;
            if (hw <= 0) continue;
            score += (hr * hr + hg * hg + hb * hb) / hw;
            if (score > best) {
                best = score;
                cut = i;
            }
        }
        return best;
    }

    bool CutBox(Box& a, Box& b) const
    {
        const double wr = Vol(a, mr_), wg = Vol(a, mg_), wb = Vol(a, mb_), ww = Vol(a, wt_);
        int cr, cg, cb;
        const double maxR = Maximize(a, Red, a.r0 + 1, a.r1, cr, wr, wg, wb, ww);
        const double maxG = Maximize(a, Green, a.g0 + 1, a.g1, cg, wr, wg, wb, ww);
        const double maxB = Maximize(a, Blue, a.b0 + 1, a.b1, cb, wr, wg, wb, ww);
        b.r1 = a.r1;
        b.g1 = a.g1;
        b.b1 = a.b1;
        if (maxR >= maxG && maxR >= maxB) {
            if (cr < 0) return false;
            b.r0 = a.r1 = cr;
            b.g0 = a.g0;
            b.b0 = a.b0;
        } else if (maxG >= maxR && maxG >= maxB) {
            b.g0 = a.g1 = cg;
            b.r0 = a.r0;
            b.b0 = a.b0;
        } else {
            b.b0 = a.b1 = cb;
            b.r0 = a.r0;
            b.g0 = a.g0;
        }
        return true;
    }

    double* wt_ = nullptr;
    double* mr_ = nullptr;
    double* mg_ = nullptr;
    double* mb_ = nullptr;
    double* m2_ = nullptr;
};

// Lloyd's k-means over the points, weighted by their pixels, starting from the given centres and
// growing to `wanted` clusters: an empty or missing cluster restarts at the point that is worst
// served. At most `maxRounds` rounds; it stops early once hardly any point changes cluster.
// With `overshoot` above 1, every round but the last moves each centre that many times the way
// to its cluster's mean: from a start on box means the centres creep the same way for many
// rounds, and overshooting gets there in fewer. Afterwards ws.assign holds each point's cluster
// in the last round.
std::vector<Colour3> RefineKMeans(const Points& pts, std::vector<Colour3> centres, int wanted, int maxRounds,
                                  double overshoot, Workspace& ws)
{
    const std::vector<int16_t>& owner = ws.owner;
    const std::vector<Colour3>& points = pts.at;
    const size_t n = points.size();
    std::vector<int>& assign = ws.assign;
    assign.assign(n, -1);
    std::vector<double>& err = ws.err;
    err.resize(n);  // filled only when a cluster needs restarting
    centres.resize(size_t(wanted), Colour3{-1e6, -1e6, -1e6});  // far away: empty until reseeded
    std::vector<double> reach(centres.size());
    // For every point, a lower bound on its distance (not squared) to every centre but its own.
    // A search sets it to the runner-up's distance; the next round lowers it by the farthest any
    // centre that could come near has moved. While the point's own centre stays nearer than that,
    // no other centre can have overtaken it and the search is skipped: most points keep their
    // centre from round to round, and a centre far away moving far does not matter.
    std::vector<double>& lower = ws.lower;
    lower.assign(n, 0.0);
    std::vector<Colour3> before = centres;
    // The sums of each cluster's pixels: whole numbers far below 2^53, so they are exact in any
    // order and only the points that change cluster need to move them.
    std::vector<double> sr(centres.size(), 0.0), sg = sr, sb = sr, sw = sr;
    std::vector<double> drift(centres.size(), 0.0), gap(centres.size()), gapBefore(centres.size());
    // Set where lower[] holds the squared distance to the point's centre in the last round and
    // the bound still has to be made from it with that round's gaps.
    std::vector<uint8_t> pending(n, 0);
    std::vector<int>& to = ws.to;  // each point's cluster found this round
    to.resize(n);
    for (int round = 0; round < maxRounds; ++round) {
        for (size_t k = 0; k < centres.size(); ++k)
            drift[k] = std::sqrt(Dist2(before[k], centres[k].r, centres[k].g, centres[k].b));
        before = centres;
        NearestFinder& finder = ws.rounds;
        finder.Reset(centres, &drift);
        // A point nearer to its centre than half the distance from that centre to any other
        // cannot have a nearer centre: no search needed.
        NearestOther(centres, reach.data());
        gapBefore.swap(gap);
        for (size_t k = 0; k < centres.size(); ++k) {
            reach[k] /= 4;
            gap[k] = 2 * std::sqrt(reach[k]);  // to the nearest other centre
        }
        // Overshooting centres move too far for a bound to clear a point again: the bounds pay
        // only for plain steps with a round to come.
        const bool bounds = overshoot == 1.0 && round + 1 < maxRounds;
        // Each point's search reads this round's centres and writes its own slots only, so the
        // points are shared out over the cores; the sums are then moved in the order of the points.
        const auto search = [&](size_t i) {
            const Colour3& p = points[i];
            int k = assign[i];
            double d = k >= 0 ? Dist2(centres[size_t(k)], p.r, p.g, p.b) : 0.0;
            if (k >= 0 && d < reach[size_t(k)]) {
                // The bound, gap - sqrt(d) by the triangle inequality, is worked out only when a
                // later round needs it: most points pass this test again.
                lower[i] = d;
                pending[i] = 1;
                to[i] = k;  // its centre stays
                return;
            } else if (k < 0) {
                // The first round: most points pass one of the tests next round, so the
                // runner-up is not worth its longer walk here. The search starts from the mean
                // of the point's box, most often the nearest.
                const int seed = owner[WuCuts::OwnerOf(int(p.r), int(p.g), int(p.b))];
                k = seed < 0 ? finder.Find(p.r, p.g, p.b)
                             : finder.FindFrom(p.r, p.g, p.b, seed, Dist2(centres[size_t(seed)], p.r, p.g, p.b));
                lower[i] = 0;
            } else if (!bounds) {
                // No later round can use a bound: the search starts from the point's own centre
                // and stops without looking for the runner-up. Nought is a bound that skips nothing.
                k = finder.FindFrom(p.r, p.g, p.b, k, d);
                lower[i] = 0;
            } else {
                if (pending[i]) {
                    lower[i] = gapBefore[size_t(k)] - std::sqrt(lower[i]);
                    pending[i] = 0;
                }
                double limitDistance;
                const double moved = finder.OthersMoved(p.r, p.g, p.b, k, limitDistance);
                lower[i] = std::min(lower[i] - moved, limitDistance);
                // The margin keeps rounding in the bound from ever deciding a near tie.
                const double clear = lower[i] - 1e-6;
                if (!(clear > 0 && d < clear * clear)) {
                    double otherD;
                    k = finder.FindWithRunnerUp(p.r, p.g, p.b, otherD);
                    lower[i] = std::sqrt(otherD);
                }
            }
            pending[i] = 0;
            to[i] = k;
        };
        ForEachSpan(n, [&](size_t from, size_t end) {
            for (size_t i = from; i < end; ++i) search(i);
        });
        size_t changed = 0;
        for (size_t i = 0; i < n; ++i) {
            const int k = to[i];
            if (k == assign[i]) continue;
            ++changed;
            const Colour3& s = pts.sum[i];
            const double w = pts.weight[i];
            if (assign[i] >= 0) {
                const size_t from = size_t(assign[i]);
                sr[from] -= s.r;
                sg[from] -= s.g;
                sb[from] -= s.b;
                sw[from] -= w;
            }
            assign[i] = k;
            sr[size_t(k)] += s.r;
            sg[size_t(k)] += s.g;
            sb[size_t(k)] += s.b;
            sw[size_t(k)] += w;
        }
        std::vector<size_t> empty;
        for (size_t k = 0; k < centres.size(); ++k)
            if (!(sw[k] > 0)) empty.push_back(k);
        // The round that ends the refinement leaves every centre at its cluster's mean.
        const bool last = round + 1 == maxRounds || (empty.empty() && changed * 500 <= n);
        const double step = last ? 1.0 : overshoot;
        for (size_t k = 0; k < centres.size(); ++k) {
            if (!(sw[k] > 0)) continue;
            const Colour3 mean = {sr[k] / sw[k], sg[k] / sw[k], sb[k] / sw[k]};
            const Colour3& from = before[k];
            centres[k] = step == 1.0 ? mean
                                     : Colour3{from.r + step * (mean.r - from.r), from.g + step * (mean.g - from.g),
                                               from.b + step * (mean.b - from.b)};
        }
        if (!empty.empty()) {
            // Restart each empty cluster at one of the worst served points, measured against
            // the centres of this round.
            for (size_t i = 0; i < n; ++i)
                err[i] = pts.weight[i] * Dist2(before[size_t(assign[i])], points[i].r, points[i].g, points[i].b);
            std::vector<size_t>& worst = ws.worst;
            worst.resize(n);
            std::iota(worst.begin(), worst.end(), size_t(0));
            const size_t take = std::min(empty.size(), n);
            std::partial_sort(worst.begin(), worst.begin() + ptrdiff_t(take), worst.end(),
                              [&](size_t a, size_t b) { return err[a] > err[b]; });
            for (size_t e = 0; e < take; ++e) {
                if (err[worst[e]] <= 0) break;
                centres[empty[e]] = points[worst[e]];
                err[worst[e]] = 0;
            }
            continue;
        }
        if (last) break;
    }
    return centres;
}

// Fills ws.points with what k-means is to cluster, and ws.pointOf with the point of every
// distinct colour. Up to a few thousand colours, as in icons, the points are the colours. More
// colours are gathered into buckets of 4 x 4 x 4 levels, each a point at its pixels' mean, and
// k-means on those comes close to k-means on the colours in a fraction of the time; colours too
// crowded for such buckets to leave a few points for every cluster take buckets of 2 x 2 x 2, and
// failing that are clustered as they are. Returns whether the points are buckets.
bool MakePoints(const Histogram& h, int wanted, Workspace& ws)
{
    constexpr size_t ExactColours = 4096;
    constexpr size_t PointsPerCluster = 4;
    const size_t n = h.colour.size();
    Points& pts = ws.points;
    ws.pointOf.resize(n);
    for (int shift = 2; shift >= 1 && n > ExactColours; --shift) {
        // The colours come sorted by red, then green, then blue, so the buckets of one span of red
        // are found in a table over green and blue alone; entries left from earlier spans point
        // before the span's first bucket.
        const int bits = 8 - shift;
        std::vector<int32_t>& table = ws.bucketTable;
        table.assign(size_t(1) << (2 * bits), -1);
        std::vector<Bucket>& buckets = ws.buckets;
        buckets.clear();
        uint32_t span = ~0u;
        int32_t spanStart = 0;
        for (size_t i = 0; i < n; ++i) {
            const uint32_t key = h.colour[i];
            const uint32_t r = key >> 16 & 0xFF, g = key >> 8 & 0xFF, b = key & 0xFF;
            if (r >> shift != span) {
                span = r >> shift;
                spanStart = int32_t(buckets.size());
            }
            int32_t& at = table[size_t(g >> shift) << bits | size_t(b >> shift)];
            if (at < spanStart) {
                at = int32_t(buckets.size());
                buckets.push_back({});
            }
            const uint64_t c = h.count[i];
            Bucket& bucket = buckets[size_t(at)];
            bucket.r += c * r;
            bucket.g += c * g;
            bucket.b += c * b;
            bucket.count += c;
            ws.pointOf[i] = uint32_t(at);
        }
        if (buckets.size() < PointsPerCluster * size_t(wanted)) continue;
        const size_t m = buckets.size();
        pts.at.resize(m);
        pts.sum.resize(m);
        pts.weight.resize(m);
        for (size_t k = 0; k < m; ++k) {
            const Bucket& bucket = buckets[k];
            const Colour3 sum = {double(bucket.r), double(bucket.g), double(bucket.b)};
            const double w = double(bucket.count);
            pts.sum[k] = sum;
            pts.weight[k] = w;
            pts.at[k] = {sum.r / w, sum.g / w, sum.b / w};
        }
        return true;
    }
    pts.at.resize(n);
    pts.sum.resize(n);
    pts.weight.resize(n);
    for (size_t i = 0; i < n; ++i) {
        const Colour3 c = ToColour3(h.colour[i]);
        const double w = h.count[i];
        pts.at[i] = c;
        pts.sum[i] = {w * c.r, w * c.g, w * c.b};
        pts.weight[i] = w;
        ws.pointOf[i] = uint32_t(i);
    }
    return false;
}

uint8_t ToByte(double v)
{
    if (!(v > 0)) return 0;
    if (v >= 255) return 255;
    return uint8_t(std::nearbyint(v));
}

// `guess`, when given, names for every distinct colour the entry it is likely to go to: its
// cluster in k-means' last round.
void MapNearest(const Histogram& h, const std::vector<Colour3>& pal, NearestFinder& finder, const int* guess,
                uint8_t* output)
{
    // A quarter of the squared distance from each entry to its nearest other: a colour nearer to
    // the entry than that is nearer to it than to any other, by the triangle inequality. Entries
    // and colours are whole numbers, so the comparison is exact, and strict, so there is no tie.
    std::array<double, 256> reach;
    reach.fill(0.0);
    if (guess) {
        NearestOther(pal, reach.data());
        for (size_t k = 0; k < pal.size(); ++k) reach[k] /= 4;
    }
    // Each colour's pixels are written with its entry as soon as it is found: no two colours
    // share a pixel.
    ForEachSpan(h.colour.size(), [&](size_t from, size_t end) {
        for (size_t i = from; i < end; ++i) {
            const Colour3 c = ToColour3(h.colour[i]);
            uint8_t index;
            if (guess && guess[i] >= 0) {
                const size_t k = size_t(guess[i]);
                const double d = Dist2(pal[k], c.r, c.g, c.b);
                index = uint8_t(d < reach[k] ? int(k) : finder.FindFrom(c.r, c.g, c.b, int(k), d));
            } else {
                index = uint8_t(finder.Find(c.r, c.g, c.b));
            }
            for (uint32_t j = h.first[i]; j < h.first[i + 1]; ++j) {
                uint8_t* px = output + size_t(uint32_t(h.byColour[j])) * 3;
                px[0] = 0;
                px[1] = 0;
                px[2] = index;
            }
        }
    });
}

void MapDithered(const uint8_t* input, uint8_t* output, int width, int height, const std::vector<Colour3>& pal,
                 NearestFinder& finder)
{
    // Errors in sixteenths, one spare slot at each end of the row.
    const size_t slots = (size_t(width) + 2) * 3;
    std::vector<int> cur(slots, 0), next(slots, 0);
    for (int y = 0; y < height; ++y) {
        std::fill(next.begin(), next.end(), 0);
        for (int x = 0; x < width; ++x) {
            const size_t at = size_t(y) * size_t(width) + size_t(x);
            const uint8_t* p = input + at * 3;
            int v[3];  // red, green, blue
            for (int c = 0; c < 3; ++c) {
                const int e = cur[(size_t(x) + 1) * 3 + size_t(c)];
                v[c] = std::clamp(int(p[2 - c]) + ((e + 8) >> 4), 0, 255);
            }
            const int k = finder.Find(v[0], v[1], v[2]);
            output[at * 3 + 2] = uint8_t(k);
            const double pv[3] = {pal[size_t(k)].r, pal[size_t(k)].g, pal[size_t(k)].b};
            for (int c = 0; c < 3; ++c) {
                const int e = v[c] - int(pv[c]);
                cur[(size_t(x) + 2) * 3 + size_t(c)] += e * 7;
                next[size_t(x) * 3 + size_t(c)] += e * 3;
                next[(size_t(x) + 1) * 3 + size_t(c)] += e * 5;
                next[(size_t(x) + 2) * 3 + size_t(c)] += e;
            }
        }
        cur.swap(next);
    }
}

}  // namespace

int32_t quantizer(const uint8_t* input, uint8_t* output, int32_t width, int32_t height, uint8_t* palette,
                  int32_t colors, int32_t dither, int32_t paletteMode)
{
    if (!input || !output || !palette || width <= 0 || height <= 0) return -1;
    const int wanted = std::clamp(colors, 1, 256);
    const size_t pixels = size_t(width) * size_t(height);
    thread_local Workspace ws;
    BuildHistogram(input, pixels, ws);
    const Histogram& h = ws.histogram;

    std::vector<Colour3> pal;
    const int* guess = nullptr;
    bool dithered = dither != 0;
    if (paletteMode == 0) {
        for (int i = 0; i < wanted; ++i) pal.push_back({double(palette[i * 3]), double(palette[i * 3 + 1]),
                                                         double(palette[i * 3 + 2])});
    } else {
        if (paletteMode == 1) dithered = false;
        if (h.colour.size() <= size_t(wanted)) {
            for (uint32_t key : h.colour) pal.push_back(ToColour3(key));
        } else {
            // Wu's cuts and the gathering of the points both read the histogram alone and write
            // apart, so with many colours they go side by side.
            // (The buffers are named here: inside the task, `ws` would be the helper's own.)
            std::vector<Colour3> start;
            bool buckets = false;
            Workspace& mine = ws;
            ParallelFor(2, h.colour.size() > 4096 ? 2 : 1, [&](size_t task) {
                if (task == 0)
                    start = WuCuts(h, mine.moments).Means(wanted, mine.owner);
                else
                    buckets = MakePoints(h, wanted, mine);
            });
            // Colours are refined until they settle, or for 10 rounds: later rounds move the
            // palette less and less, and the last few hundredths of a decibel are not worth their
            // time. Buckets get 3 rounds, the first two overshooting the means: on photographs
            // that ends about as near to where they would settle as 5 plain rounds.
            pal = RefineKMeans(ws.points, std::move(start), wanted, buckets ? 3 : 10, buckets ? 1.8 : 1.0, ws);
            for (Colour3& c : pal) c = {double(ToByte(c.r)), double(ToByte(c.g)), double(ToByte(c.b))};
            if (!dithered) {
                ws.guess.resize(h.colour.size());
                for (size_t i = 0; i < h.colour.size(); ++i) ws.guess[i] = ws.assign[ws.pointOf[i]];
                guess = ws.guess.data();
            }
        }
        for (size_t i = 0; i < pal.size(); ++i) {
            palette[i * 3] = uint8_t(pal[i].r);
            palette[i * 3 + 1] = uint8_t(pal[i].g);
            palette[i * 3 + 2] = uint8_t(pal[i].b);
        }
    }

    NearestFinder& finder = ws.mapping;
    finder.Reset(pal);
    if (dithered) {
        std::memset(output, 0, pixels * 3);
        MapDithered(input, output, width, height, pal, finder);
    } else
        MapNearest(h, pal, finder, guess, output);
    // Keep the buffers for icon-sized pictures only.
    if (pixels > (size_t(1) << 20)) ws = Workspace{};
    return 0;
}
