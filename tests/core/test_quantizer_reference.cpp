// The quantizer against a frozen copy of itself: the implementation as it stood before its
// speed work on effect previews, kept below verbatim in its own namespace. Every speed-up must be
// exact, so each case here compares the palette and every output byte with the copy's, on
// pictures of the kinds the program quantises: blurred and filtered photographs, noise, icons of
// few colours, crowded colours that take the finer buckets, and palettes with equal entries.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <limits>
#include <numeric>
#include <random>
#include <string>
#include <vector>

#include "platform/quantizer.h"

namespace reference {

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
// that list only until the least distance alone exceeds the best found.
class NearestFinder {
public:
    NearestFinder() = default;

    // Starts over with new entries. The buffers stay: k-means makes a finder every round and the
    // effect dialogs quantise on every change, and fresh pages cost more than the lists in them.
    // `moved`, when given, holds how far each entry has moved since the caller's last search (see
    // OthersMoved).
    void Reset(const std::vector<Colour3>& entries, const std::vector<double>* moved = nullptr)
    {
        entries_.assign(entries.begin(), entries.end());
        const size_t cells = size_t(Cells) * Cells * Cells;
        start_.assign(cells, -1);
        count_.assign(cells, 0);
        limit_.assign(cells, 0.0);
        moved_ = moved;
        if (moved_) {
            movedMost_.resize(cells);
            limitRoot_.resize(cells);
        }
        pool_.clear();
        slabNear_.clear();
        slabFar_.clear();
    }

    // For a query point and the entry `own` it went to: the farthest any other entry of the
    // point's cell list has moved, and the cell's limit as a distance (not squared). Entries off
    // the list are farther from the point than the limit, moved or not.
    double OthersMoved(double r, double g, double b, int own, double& limitDistance)
    {
        const Candidate* cand;
        Candidates(r, g, b, cand);
        const size_t cell = CellOf(r, g, b);
        limitDistance = limitRoot_[cell];
        const MostMoved& m = movedMost_[cell];
        return own == m.who ? m.next : m.most;
    }

    // The index of the nearest entry; ties go to the lower index. Queries lie in 0..255.
    int Find(double r, double g, double b)
    {
        const Candidate* cand;
        const int count = Candidates(r, g, b, cand);
        int best = cand[0].index;
        double bestD = Dist2(cand[0].at, r, g, b);
        for (int i = 1; i < count && cand[i].nearest <= bestD; ++i) {
            const double d = Dist2(cand[i].at, r, g, b);
            if (d < bestD || (d == bestD && cand[i].index < best)) {
                bestD = d;
                best = cand[i].index;
            }
        }
        return best;
    }

    // As Find, and also a lower bound on the squared distance to every other entry: the walk goes
    // on to the second nearest, and entries the cell's list leaves out are farther than its limit.
    int FindWithRunnerUp(double r, double g, double b, double& otherD)
    {
        const Candidate* cand;
        const int count = Candidates(r, g, b, cand);
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
        otherD = std::min(second, limit_[CellOf(r, g, b)]);
        return best;
    }

private:
    static constexpr int Side = 32;
    static constexpr int Cells = 256 / Side;
    struct Candidate {
        double nearest;  // least squared distance from the entry to the cell
        int index;
        Colour3 at;  // a copy of the entry: the walk reads nothing else
    };

    static int Cell(double v) { return std::clamp(int(v), 0, 255) / Side; }
    static size_t CellOf(double r, double g, double b)
    {
        return (size_t(Cell(r)) * Cells + size_t(Cell(g))) * Cells + size_t(Cell(b));
    }

    // The cell's list of candidates, nearest first; it is made on the first query in the cell.
    int Candidates(double r, double g, double b, const Candidate*& cand)
    {
        const size_t cell = CellOf(r, g, b);
        if (start_[cell] < 0) Fill(cell, Cell(r), Cell(g), Cell(b));
        cand = pool_.data() + start_[cell];
        return count_[cell];
    }

    // The least and greatest squared distance from every entry to every slab of cells along each
    // axis, so that filling a cell adds three numbers per entry instead of measuring the box again.
    // The sums below are taken in the same order as a direct measurement would take them.
    void MakeSlabs()
    {
        const size_t n = entries_.size();
        slabNear_.resize(3 * Cells * n);
        slabFar_.resize(3 * Cells * n);
        for (int a = 0; a < 3; ++a)
            for (int c = 0; c < Cells; ++c) {
                const double lo = double(c * Side), hi = lo + Side;
                double* nearOut = slabNear_.data() + (size_t(a) * Cells + size_t(c)) * n;
                double* farOut = slabFar_.data() + (size_t(a) * Cells + size_t(c)) * n;
                for (size_t i = 0; i < n; ++i) {
                    const double v = a == 0 ? entries_[i].r : a == 1 ? entries_[i].g : entries_[i].b;
                    const double below = lo - v, above = v - hi;
                    const double nd = below > 0 ? below : above > 0 ? above : 0.0;
                    const double fd = std::max(std::abs(v - lo), std::abs(v - hi));
                    nearOut[i] = nd * nd;
                    farOut[i] = fd * fd;
                }
            }
    }

    void Fill(size_t cell, int cr, int cg, int cb)
    {
        const size_t n = entries_.size();
        if (slabNear_.empty()) MakeSlabs();
        const double* nr = slabNear_.data() + size_t(cr) * n;
        const double* ng = slabNear_.data() + (size_t(Cells) + size_t(cg)) * n;
        const double* nb = slabNear_.data() + (size_t(2 * Cells) + size_t(cb)) * n;
        const double* fr = slabFar_.data() + size_t(cr) * n;
        const double* fg = slabFar_.data() + (size_t(Cells) + size_t(cg)) * n;
        const double* fb = slabFar_.data() + (size_t(2 * Cells) + size_t(cb)) * n;
        double limit = std::numeric_limits<double>::infinity();
        nearest_.resize(n);
        for (size_t i = 0; i < n; ++i) {
            nearest_[i] = nr[i] + ng[i] + nb[i];
            limit = std::min(limit, fr[i] + fg[i] + fb[i]);
        }
        const size_t first = pool_.size();
        for (size_t i = 0; i < n; ++i)
            if (nearest_[i] <= limit) pool_.push_back({nearest_[i], int(i), entries_[i]});
        std::sort(pool_.begin() + ptrdiff_t(first), pool_.end(), [](const Candidate& a, const Candidate& b) {
            return a.nearest < b.nearest || (a.nearest == b.nearest && a.index < b.index);
        });
        start_[cell] = int32_t(first);
        limit_[cell] = limit;
        if (moved_) {
            limitRoot_[cell] = std::sqrt(limit);
            MostMoved& m = movedMost_[cell];
            m = MostMoved{};
            for (size_t i = first; i < pool_.size(); ++i) {
                const double v = (*moved_)[size_t(pool_[i].index)];
                if (v > m.most) {
                    m.next = m.most;
                    m.most = v;
                    m.who = pool_[i].index;
                } else {
                    m.next = std::max(m.next, v);
                }
            }
        }
        count_[cell] = int32_t(pool_.size() - first);
    }

    std::vector<Colour3> entries_;
    std::vector<int32_t> start_;
    std::vector<int32_t> count_;
    std::vector<double> limit_;
    struct MostMoved {
        double most = 0, next = 0;  // the greatest move on the cell's list, and the greatest of the rest
        int who = -1;               // the entry that made the greatest
    };
    const std::vector<double>* moved_ = nullptr;
    std::vector<MostMoved> movedMost_;
    std::vector<double> limitRoot_;  // the square root of limit_, taken once per cell
    std::vector<Candidate> pool_;
    std::vector<double> nearest_;
    std::vector<double> slabNear_, slabFar_;  // [axis][cell along it][entry]
};

// The distinct colours of a picture with their counts, and for every pixel the number of its colour.
struct Histogram {
    std::vector<uint32_t> colour;  // r << 16 | g << 8 | b
    std::vector<uint32_t> count;
    std::vector<uint32_t> ofPixel;
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
    Histogram histogram;
    std::vector<double> moments;
    Points points;
    std::vector<uint32_t> pointOf;  // for every distinct colour, the point it went into
    std::vector<Bucket> buckets;
    std::vector<int32_t> bucketTable;
    std::vector<int> assign;
    std::vector<int> guess;  // for every distinct colour, its cluster in k-means' last round
    std::vector<double> err;
    std::vector<double> lower;
    std::vector<size_t> worst;
    std::vector<uint8_t> indexOf;
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
    for (size_t i = 0; i < pixels; ++i) a[i] = uint64_t(KeyOf(input + i * 3)) << 32 | uint64_t(i);
    // Two passes of 12 bits: one scatter over the pairs fewer than bytes would take, and the
    // counts still fit the first-level cache.
    std::vector<uint32_t>& start = ws.radixStart;
    for (int shift = 32; shift < 56; shift += 12) {
        start.assign(4097, 0);
        for (uint64_t v : a) ++start[size_t((v >> shift) & 0xFFF) + 1];
        for (size_t i = 1; i < start.size(); ++i) start[i] += start[i - 1];
        for (uint64_t v : a) b[start[size_t((v >> shift) & 0xFFF)]++] = v;
        a.swap(b);
    }
    Histogram& h = ws.histogram;
    h.colour.clear();
    h.count.clear();
    h.ofPixel.resize(pixels);
    for (size_t i = 0; i < pixels; ++i) {
        const uint32_t key = uint32_t(a[i] >> 32);
        if (h.colour.empty() || h.colour.back() != key) {
            h.colour.push_back(key);
            h.count.push_back(0);
        }
        ++h.count.back();
        h.ofPixel[size_t(uint32_t(a[i]))] = uint32_t(h.colour.size() - 1);
    }
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

    // At most `wanted` box means, weighted by the pixels inside.
    std::vector<Colour3> Means(int wanted)
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
        for (int i = 0; i < made; ++i) {
            const Box& box = boxes[size_t(i)];
            const double w = Vol(box, wt_);
            if (w > 0) means.push_back({Vol(box, mr_) / w, Vol(box, mg_) / w, Vol(box, mb_) / w});
        }
        return means;
    }

private:
    static constexpr int S = 33;
    enum Dir { Red, Green, Blue };
    struct Box {
        int r0, r1, g0, g1, b0, b1;  // lower bounds exclusive, upper inclusive
    };
    using Moments = const double*;

    static size_t Index(int r, int g, int b) { return (size_t(r) * S + size_t(g)) * S + size_t(b); }
    static int Volume(const Box& x) { return (x.r1 - x.r0) * (x.g1 - x.g0) * (x.b1 - x.b0); }

    void Cumulate()
    {
        for (double* v : {wt_, mr_, mg_, mb_, m2_}) {
            for (int r = 1; r < S; ++r) {
                std::array<double, S> area{};
                for (int g = 1; g < S; ++g) {
                    double line = 0;
                    for (int b = 1; b < S; ++b) {
                        line += v[Index(r, g, b)];
                        area[size_t(b)] += line;
                        v[Index(r, g, b)] = v[Index(r - 1, g, b)] + area[size_t(b)];
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
    for (int round = 0; round < maxRounds; ++round) {
        for (size_t k = 0; k < centres.size(); ++k)
            drift[k] = std::sqrt(Dist2(before[k], centres[k].r, centres[k].g, centres[k].b));
        before = centres;
        NearestFinder& finder = ws.rounds;
        finder.Reset(centres, &drift);
        // A point nearer to its centre than half the distance from that centre to any other
        // cannot have a nearer centre: no search needed.
        std::fill(reach.begin(), reach.end(), std::numeric_limits<double>::infinity());
        for (size_t k = 0; k < centres.size(); ++k)
            for (size_t j = k + 1; j < centres.size(); ++j) {
                const double d = Dist2(centres[k], centres[j].r, centres[j].g, centres[j].b);
                reach[k] = std::min(reach[k], d);
                reach[j] = std::min(reach[j], d);
            }
        gapBefore.swap(gap);
        for (size_t k = 0; k < centres.size(); ++k) {
            reach[k] /= 4;
            gap[k] = 2 * std::sqrt(reach[k]);  // to the nearest other centre
        }
        size_t changed = 0;
        for (size_t i = 0; i < n; ++i) {
            const Colour3& p = points[i];
            int k = assign[i];
            double d = k >= 0 ? Dist2(centres[size_t(k)], p.r, p.g, p.b) : 0.0;
            if (k >= 0 && d < reach[size_t(k)]) {
                // The bound, gap - sqrt(d) by the triangle inequality, is worked out only when a
                // later round needs it: most points pass this test again.
                lower[i] = d;
                pending[i] = 1;
                continue;  // its centre stays
            } else if (k < 0) {
                // The first round: most points pass one of the tests next round, so the
                // runner-up is not worth its longer walk here.
                k = finder.Find(p.r, p.g, p.b);
                d = Dist2(centres[size_t(k)], p.r, p.g, p.b);
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
                    d = Dist2(centres[size_t(k)], p.r, p.g, p.b);
                    lower[i] = std::sqrt(otherD);
                }
            }
            pending[i] = 0;
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
                uint8_t* output, size_t pixels, std::vector<uint8_t>& indexOf)
{
    // A quarter of the squared distance from each entry to its nearest other: a colour nearer to
    // the entry than that is nearer to it than to any other, by the triangle inequality. Entries
    // and colours are whole numbers, so the comparison is exact, and strict, so there is no tie.
    std::array<double, 256> reach;
    reach.fill(0.0);
    if (guess) {
        reach.fill(std::numeric_limits<double>::infinity());
        for (size_t k = 0; k < pal.size(); ++k)
            for (size_t j = k + 1; j < pal.size(); ++j) {
                const double d = Dist2(pal[k], pal[j].r, pal[j].g, pal[j].b) / 4;
                reach[k] = std::min(reach[k], d);
                reach[j] = std::min(reach[j], d);
            }
    }
    indexOf.resize(h.colour.size());
    for (size_t i = 0; i < h.colour.size(); ++i) {
        const Colour3 c = ToColour3(h.colour[i]);
        if (guess && guess[i] >= 0) {
            const size_t k = size_t(guess[i]);
            if (Dist2(pal[k], c.r, c.g, c.b) < reach[k]) {
                indexOf[i] = uint8_t(k);
                continue;
            }
        }
        indexOf[i] = uint8_t(finder.Find(c.r, c.g, c.b));
    }
    for (size_t i = 0; i < pixels; ++i) output[i * 3 + 2] = indexOf[h.ofPixel[i]];
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
            WuCuts wu(h, ws.moments);
            // Colours are refined until they settle, or for 10 rounds: later rounds move the
            // palette less and less, and the last few hundredths of a decibel are not worth their
            // time. Buckets get 3 rounds, the first two overshooting the means: on photographs
            // that ends about as near to where they would settle as 5 plain rounds.
            const bool buckets = MakePoints(h, wanted, ws);
            pal = RefineKMeans(ws.points, wu.Means(wanted), wanted, buckets ? 3 : 10, buckets ? 1.8 : 1.0, ws);
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

    std::memset(output, 0, pixels * 3);
    NearestFinder& finder = ws.mapping;
    finder.Reset(pal);
    if (dithered)
        MapDithered(input, output, width, height, pal, finder);
    else
        MapNearest(h, pal, finder, guess, output, pixels, ws.indexOf);
    // Keep the buffers for icon-sized pictures only.
    if (pixels > (size_t(1) << 20)) ws = Workspace{};
    return 0;
}

}  // namespace reference

namespace {

struct Picture {
    int width = 0, height = 0;
    std::vector<uint8_t> bgr;
};

uint8_t Clamp(int v) { return uint8_t(std::clamp(v, 0, 255)); }

// Random values at a coarse grid, blended bilinearly and grained: a stand-in for blurred and
// filtered photographs, with tens of thousands of near colours at 256 x 256.
Picture Smooth(int w, int h, uint32_t seed, int grid, int grain)
{
    std::mt19937 gen(seed);
    const int gw = w / grid + 2, gh = h / grid + 2;
    std::vector<int> knots(size_t(gw) * size_t(gh) * 3);
    for (int& v : knots) v = int(gen() % 256);
    Picture p{w, h, std::vector<uint8_t>(size_t(w) * size_t(h) * 3)};
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const int gx = x / grid, gy = y / grid, fx = x % grid, fy = y % grid;
            uint8_t* px = p.bgr.data() + (size_t(y) * size_t(w) + size_t(x)) * 3;
            for (int c = 0; c < 3; ++c) {
                const auto at = [&](int i, int j) { return knots[(size_t(j) * size_t(gw) + size_t(i)) * 3 + size_t(c)]; };
                const int top = at(gx, gy) * (grid - fx) + at(gx + 1, gy) * fx;
                const int bottom = at(gx, gy + 1) * (grid - fx) + at(gx + 1, gy + 1) * fx;
                const int v = (top * (grid - fy) + bottom * fy) / (grid * grid);
                const int noise = grain ? int(gen() % uint32_t(2 * grain + 1)) - grain : 0;
                px[c] = Clamp(v + noise);
            }
        }
    return p;
}

// Raw engine words only: the distributions of <random> differ between libraries.
Picture Noise(int w, int h, uint32_t seed, uint32_t mask)
{
    std::mt19937 gen(seed);
    Picture p{w, h, std::vector<uint8_t>(size_t(w) * size_t(h) * 3)};
    for (size_t i = 0; i < p.bgr.size(); i += 3) {
        const uint32_t v = gen() & mask;
        p.bgr[i] = uint8_t(v);
        p.bgr[i + 1] = uint8_t(v >> 8);
        p.bgr[i + 2] = uint8_t(v >> 16);
    }
    return p;
}

// A few flat colours, as in icons, with an anti-aliased edge between them.
Picture Flat(int w, int h, uint32_t seed, int colours)
{
    std::mt19937 gen(seed);
    std::vector<uint32_t> set(static_cast<size_t>(colours));
    for (uint32_t& c : set) c = gen() & 0xFFFFFF;
    Picture p{w, h, std::vector<uint8_t>(size_t(w) * size_t(h) * 3)};
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const uint32_t c = set[size_t((x / 5 + y / 3 + (x * y) % 7) % colours)];
            uint8_t* px = p.bgr.data() + (size_t(y) * size_t(w) + size_t(x)) * 3;
            px[0] = uint8_t(c);
            px[1] = uint8_t(c >> 8);
            px[2] = uint8_t(c >> 16);
        }
    return p;
}

// A mode-0 palette of random entries, every fourth a repeat of the one before.
std::vector<uint8_t> FixedPalette(uint32_t seed)
{
    std::mt19937 gen(seed);
    std::vector<uint8_t> pal(768);
    for (size_t i = 0; i < 256; ++i)
        for (size_t c = 0; c < 3; ++c) pal[i * 3 + c] = i % 4 == 3 ? pal[(i - 1) * 3 + c] : uint8_t(gen());
    return pal;
}

// Quantises with both and expects the same return value, palette and output, byte for byte.
void ExpectSame(const Picture& p, int colours, int dither, int mode, const std::vector<uint8_t>& start, const std::string& what)
{
    std::vector<uint8_t> palA = start, palB = start;
    std::vector<uint8_t> outA(p.bgr.size(), 0xAB), outB(p.bgr.size(), 0xCD);
    const int a = quantizer(p.bgr.data(), outA.data(), p.width, p.height, palA.data(), colours, dither, mode);
    const int b = reference::quantizer(p.bgr.data(), outB.data(), p.width, p.height, palB.data(), colours, dither, mode);
    const std::string at = what + ", " + std::to_string(colours) + " colours, dither " + std::to_string(dither) +
                           ", mode " + std::to_string(mode);
    EXPECT_EQ(a, b) << at;
    EXPECT_TRUE(palA == palB) << at << ": palettes differ";
    EXPECT_TRUE(outA == outB) << at << ": pixels differ";
}

void ExpectSameAllWays(const Picture& p, const std::string& what, uint32_t seed)
{
    const std::vector<uint8_t> fixed = FixedPalette(seed);
    for (int colours : {256, 255, 64, 16, 2})
        for (int mode : {2, 1}) ExpectSame(p, colours, 0, mode, fixed, what);
    ExpectSame(p, 256, 1, 2, fixed, what);
    ExpectSame(p, 256, 0, 0, fixed, what);
    ExpectSame(p, 16, 1, 0, fixed, what);
}

TEST(QuantizerReference, PhotographLikePreviews)
{
    for (uint32_t seed = 1; seed <= 6; ++seed) {
        const Picture p = Smooth(256, 256, seed, 16 + int(seed % 3) * 24, int(seed % 4));
        ExpectSameAllWays(p, "smooth " + std::to_string(seed), seed);
    }
}

TEST(QuantizerReference, SmallAndOddPictures)
{
    for (uint32_t seed = 1; seed <= 12; ++seed) {
        const int w = 1 + int(seed * 7 % 64), h = 1 + int(seed * 13 % 48);
        ExpectSameAllWays(Smooth(w, h, seed, 4, 2), "small smooth " + std::to_string(seed), seed);
        ExpectSameAllWays(Noise(w, h, seed, 0xFFFFFF), "small noise " + std::to_string(seed), seed);
        ExpectSameAllWays(Flat(w, h, seed, 2 + int(seed % 9)), "flat " + std::to_string(seed), seed);
    }
}

// Wide noise takes the coarse buckets; noise on few levels crowds too many colours into them
// and takes the finer ones or the exact colours; a few hundred colours take the exact path.
TEST(QuantizerReference, NoiseOfManyAndOfCrowdedColours)
{
    const uint32_t masks[] = {0xFFFFFF, 0x3F3F3F, 0x1F1F1F, 0x0F1F0F, 0x070F07, 0xE0E0E0};
    for (size_t i = 0; i < std::size(masks); ++i)
        ExpectSameAllWays(Noise(128 + int(i) * 16, 96, uint32_t(i + 40), masks[i]), "noise " + std::to_string(i),
                          uint32_t(i));
}

// The effect previews quantise over and over in one thread: the kept buffers must not carry
// anything from one picture to the next, whatever the order of sizes and paths.
TEST(QuantizerReference, RepeatedCallsOfChangingPictures)
{
    const std::vector<uint8_t> fixed = FixedPalette(99);
    for (uint32_t seed = 0; seed < 10; ++seed) {
        const Picture p = seed % 3 == 0 ? Smooth(200, 180, seed, 40, 3)
                          : seed % 3 == 1 ? Noise(40, 40, seed, 0x7F7F7F)
                                          : Flat(64, 64, seed, 12);
        ExpectSame(p, 256, 0, 2, fixed, "sequence " + std::to_string(seed));
    }
}

}  // namespace
