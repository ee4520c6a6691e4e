#include "workspace/format_strip.h"

#include <algorithm>
#include <cstring>
#include <utility>
#include <vector>

#include <QApplication>
#include <QFont>
#include <QFontMetrics>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>

#include "imaging/compositing.h"
#include "imaging/imaging_state.h"
#include "model/document_model.h"
#include "platform/parallel.h"

// The strip picture itself: shows the canvas and reports presses and left-button drags.
class TStripImage : public QWidget {
public:
    explicit TStripImage(TFormatStrip* strip, QWidget* parent) : QWidget(parent), strip_(strip)
    {
        setObjectName(QStringLiteral("img_preview"));
        setAttribute(Qt::WA_OpaquePaintEvent);
    }

protected:
    void paintEvent(QPaintEvent* event) override
    {
        const QRect area = event->rect();
        strip_->CoverStrip(area.left(), area.right() + 1);
        strip_->DrawCells(std::max(0, area.left() / TFormatStrip::CellWidth), area.right() / TFormatStrip::CellWidth + 1);
        QPainter p(this);
        const QImage image = strip_->canvas_.ConstImage();
        p.drawImage(area, image, area.translated(-strip_->canvasFrom_, 0));
    }
    void mousePressEvent(QMouseEvent* event) override
    {
        emit strip_->CellPressed(int(event->position().x()));
    }
    void mouseMoveEvent(QMouseEvent* event) override
    {
        if (event->buttons() & Qt::LeftButton) emit strip_->CellPressed(int(event->position().x()));
    }

private:
    TFormatStrip* strip_;
};

TFormatStrip::TFormatStrip(QWidget* parent)
    : QWidget(parent), btnLeft_(new QToolButton(this)), btnRight_(new QToolButton(this)), panel_(new QFrame(this)),
      clip_(new QWidget(panel_)), image_(new TStripImage(this, clip_))
{
    btnLeft_->setObjectName(QStringLiteral("btn_ScrollLeft"));
    btnRight_->setObjectName(QStringLiteral("btn_ScrollRight"));
    btnLeft_->setArrowType(Qt::LeftArrow);
    btnRight_->setArrowType(Qt::RightArrow);
    btnLeft_->setFocusPolicy(Qt::NoFocus);
    btnRight_->setFocusPolicy(Qt::NoFocus);
    panel_->setObjectName(QStringLiteral("Panel1"));
    panel_->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    panel_->setLineWidth(1);
    // White like the strip picture, so that where the picture stands clear of the panel's left edge
    // (a tool window over that part) the strip still looks whole.
    clip_->setAutoFillBackground(true);
    QPalette ground = clip_->palette();
    ground.setColor(QPalette::Window, Qt::white);
    clip_->setPalette(ground);

    timer_.setInterval(TickMs);
    connect(&timer_, &QTimer::timeout, this, &TFormatStrip::TimerTick);
    connect(btnLeft_, &QToolButton::pressed, this, [this] { StartScroll(ScrollingLeft); });
    connect(btnRight_, &QToolButton::pressed, this, [this] { StartScroll(ScrollingRight); });
    connect(btnLeft_, &QToolButton::released, this, &TFormatStrip::StopScroll);
    connect(btnRight_, &QToolButton::released, this, &TFormatStrip::StopScroll);

    resize(2 * ButtonWidth + 394, 106);
    SizeCanvas();
}

TFormatStrip::~TFormatStrip() = default;

QWidget* TFormatStrip::StripImage() const { return image_; }

void TFormatStrip::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    LayoutChildren();
    KeepSelectedInView();
    DrawCellsInView();
}

void TFormatStrip::LayoutChildren()
{
    const int h = height();
    btnLeft_->setGeometry(0, 0, ButtonWidth, h);
    btnRight_->setGeometry(width() - ButtonWidth, 0, ButtonWidth, h);
    panel_->setGeometry(ButtonWidth, 0, std::max(0, width() - 2 * ButtonWidth), h);
    clip_->setGeometry(panel_->contentsRect());
    SizeCanvas();
}

int TFormatStrip::PanelWidth() const { return clip_->width(); }

TFormatStrip::Span TFormatStrip::VisibleSpan() const
{
    const int width = PanelWidth();
    const Span whole{0, width};
    if (!clip_->isVisible() || width <= 0) return whole;
    // The tool windows stay on top of the main window and its documents; in a maximized
    // document the tools window sits over the strip's first cells and its left arrow.
    const QRect panel(clip_->mapToGlobal(QPoint(0, 0)), clip_->size());
    std::vector<std::pair<int, int>> covered;
    const QWidget* own = window();
    for (QWidget* w : QApplication::topLevelWidgets()) {
        if (w == own || w->windowType() != Qt::Tool || !w->isVisible() || w->isMinimized()) continue;
        const QRect over = w->frameGeometry() & panel;
        if (!over.isEmpty()) covered.emplace_back(over.left() - panel.left(), over.right() + 1 - panel.left());
    }
    if (covered.empty()) return whole;
    std::sort(covered.begin(), covered.end());
    Span best{0, 0};
    int from = 0;
    for (const auto& [left, right] : covered) {
        if (left - from > best.To - best.From) best = {from, left};
        from = std::max(from, right);
    }
    if (width - from > best.To - best.From) best = {from, width};
    // A stretch narrower than a cell shows none: the strip then ignores the windows over it.
    return best.To - best.From >= CellWidth ? best : whole;
}

void TFormatStrip::SizeCanvas()
{
    const int width = std::max(PanelWidth(), cellCount_ * CellWidth);
    if (cellFormats_) {
        const int from = std::max(0, -left_);
        CoverStrip(from, from + PanelWidth());
    } else if (canvasFrom_ != 0 || canvas_.Width() != width || canvas_.Height() != ImageHeight) {
        if (canvasFrom_ != 0) canvas_ = Bitmap24();
        canvasFrom_ = 0;
        canvas_.SetSize(width, ImageHeight);
    }
    const int top = std::max(0, (clip_->height() - ImageHeight) / 2);
    image_->setGeometry(left_, top, std::max(width, 1), ImageHeight);
}

void TFormatStrip::CoverStrip(int from, int to)
{
    if (!cellFormats_) return;
    from = std::max(from, 0);
    to = std::max(to, from);
    const int first = std::max(0, from / CellWidth - 1);
    const int cells = std::max((PanelWidth() + CellWidth - 1) / CellWidth + 4, (to + CellWidth - 1) / CellWidth - first + 1);
    const int newFrom = first * CellWidth;
    // No wider than a bitmap can be: the part of a larger request past it is drawn once the
    // view moves there.
    const int newWidth = std::min(cells, Bitmap24::MaxSide / CellWidth) * CellWidth;
    if (canvas_.Height() == ImageHeight && canvas_.Width() == newWidth && canvasFrom_ <= from &&
        to <= canvasFrom_ + canvas_.Width())
        return;
    Bitmap24 moved(newWidth, ImageHeight, Bitmap24::UnsetPixels{});
    moved.Fill(0xFFFFFF);
    // What both stretches hold is kept; cells leaving the picture are drawn again when they return.
    const int keepFrom = std::max(newFrom, canvasFrom_);
    const int keepTo = std::min(newFrom + newWidth, canvasFrom_ + canvas_.Width());
    if (keepTo > keepFrom && canvas_.Height() == ImageHeight)
        for (int y = 0; y < ImageHeight; ++y)
            std::memcpy(moved.Row(y) + 3 * (keepFrom - newFrom), canvas_.Row(y) + 3 * (keepFrom - canvasFrom_),
                        size_t(keepTo - keepFrom) * 3);
    for (int i = 0; i < int(cellDrawn_.size()); ++i)
        if (i * CellWidth < keepFrom || (i + 1) * CellWidth > keepTo) cellDrawn_[size_t(i)] = 0;
    canvas_ = std::move(moved);
    canvasFrom_ = newFrom;
}

void TFormatStrip::SetCellCount(int count)
{
    cellCount_ = std::max(count, 0);
    SizeCanvas();
    cellDrawn_.resize(size_t(cellCount_), 0);
}

void TFormatStrip::Changed() { image_->update(); }

Bitmap24& TFormatStrip::Canvas()
{
    // The whole picture, every cell drawn: cells drawn as they come into view no longer are.
    if (cellFormats_) {
        CoverStrip(0, std::max(PanelWidth(), cellCount_ * CellWidth));
        DrawCells(0, cellCount_);
        cellFormats_ = nullptr;
        SizeCanvas();
    }
    return canvas_;
}

void TFormatStrip::BeginCells(const TIconImageArray& formats, int selected, bool paddedDepth, bool inView)
{
    // Sized as the strip will be drawn: the whole picture, or only the stretch around the panel.
    cellFormats_ = inView ? &formats : nullptr;
    SetCellCount(formats.Count());
    canvas_.Fill(0xFFFFFF);
    cellFormats_ = &formats;
    cellSelected_ = selected;
    cellPaddedDepth_ = paddedDepth;
    cellDrawn_.assign(size_t(cellCount_), 0);
}

void TFormatStrip::DrawCells(int from, int to)
{
    if (!cellFormats_) return;
    const TIconImageArray& formats = *cellFormats_;
    // Formats removed since they were shown leave their cells blank until the strip is drawn again.
    to = std::min({to, cellCount_, formats.Count(), (canvasFrom_ + canvas_.Width()) / CellWidth});
    std::vector<int> pending;
    for (int i = std::max(from, canvasFrom_ / CellWidth); i < to; ++i)
        if (!cellDrawn_[size_t(i)]) pending.push_back(i);
    if (pending.empty()) return;
    {
        QImage image = canvas_.Image();
        QPainter p(&image);
        p.setRenderHint(QPainter::Antialiasing, false);
        QFont font = p.font();
        font.setPixelSize(11); // 8 points at 96 dots per inch
        p.setFont(font);
        const QFontMetrics metrics(font);
        for (const int i : pending) {
            const TIconImageRec& f = formats[i];
            const int x0 = i * CellWidth - canvasFrom_;
            // GDI's rounded rectangle: right and bottom exclusive, a 15 x 15 corner ellipse.
            QPen pen(ToQColor(i == cellSelected_ ? 0x0000FF : 0x800000));
            pen.setWidth(3);
            p.setPen(pen);
            p.setBrush(ToQColor(Imaging().BackgroundColor));
            p.drawRoundedRect(QRectF(x0 + 5, 7, 64, 64), 7.5, 7.5);

            const QString label = FormatSizeLabel(f, cellPaddedDepth_);
            const int textWidth = metrics.horizontalAdvance(label);
            const QRect textRect(x0 + (CellWidth - textWidth) / 2, 77, textWidth, metrics.height());
            p.setPen(Qt::NoPen);
            p.fillRect(textRect, Qt::white);
            p.setPen(ToQColor(0x800000));
            p.drawText(textRect, Qt::AlignLeft | Qt::AlignTop, label);
        }
    }
    // Parked formats (a large icon's, not looked at yet) are decoded on all cores a few at a time,
    // into copies that go once drawn; the drawing itself shares one scale buffer.
    const size_t batch = 2 * ParallelThreads(pending.size(), 1);
    std::vector<TIconImageRec> read;
    for (size_t start = 0; start < pending.size(); start += batch) {
        const size_t count = std::min(batch, pending.size() - start);
        read.clear();
        read.resize(count);
        ParallelFor(count, ParallelThreads(count, 1), [&](size_t k) {
            const TIconImageRec& f = formats[pending[start + k]];
            if (f.IsParked()) read[k] = f.ReadingCopy();
        });
        for (size_t k = 0; k < count; ++k) {
            const int i = pending[start + k];
            Rect r = FormatThumbnailRect(formats, i);
            r.Left -= canvasFrom_;
            r.Right -= canvasFrom_;
            const TIconImageRec& f = formats[i].IsParked() ? read[k] : formats[i];
            if (!r.IsEmpty()) DrawIconImage(canvas_, r, Imaging().BackgroundColor, f);
            cellDrawn_[size_t(i)] = 1;
        }
    }
}

void TFormatStrip::DrawCellsInView()
{
    const int from = std::max(0, -left_);
    CoverStrip(from, from + PanelWidth());
    DrawCells(from / CellWidth, (from + PanelWidth() + CellWidth - 1) / CellWidth + 1);
}

void TFormatStrip::DrawFormats(const TIconImageArray& formats, int selected, bool paddedDepth)
{
    BeginCells(formats, selected, paddedDepth, false);
    DrawCells(0, cellCount_);
    cellFormats_ = nullptr; // the caller's formats may go now
    selected_ = selected;
    Changed();
}

void TFormatStrip::ShowFormats(const TIconImageArray& formats, int selected)
{
    BeginCells(formats, selected, true, true);
    DrawCellsInView();
    selected_ = selected;
    Changed();
}

void TFormatStrip::SetStripLeft(int left)
{
    left_ = left;
    image_->move(left_, image_->y());
    DrawCellsInView();
}

int TFormatStrip::GlideTarget(int index, int count, int panelWidth) { return GlideTarget(index, count, 0, panelWidth); }

int TFormatStrip::GlideTarget(int index, int count, int from, int to)
{
    int target = from + (to - from) / 2 - index * CellWidth;
    if (target + count * CellWidth < to) target = to - count * CellWidth;
    return std::min(target, from);
}

void TFormatStrip::GlideToCell(int index)
{
    selected_ = index;
    const Span span = VisibleSpan();
    GlideTo(GlideTarget(index, cellCount_, span.From, span.To));
}

void TFormatStrip::KeepSelectedInView()
{
    if (selected_ < 0 || selected_ >= cellCount_) return;
    const Span span = VisibleSpan();
    // A glide on its way to the selected cell heads for where the cell is clear now.
    if (mode_ == Gliding) {
        target_ = GlideTarget(selected_, cellCount_, span.From, span.To);
        return;
    }
    // No blank beyond the last cell while earlier cells are scrolled out, and no gap before the
    // first cell once nothing covers the panel's left part any more.
    int left = std::clamp(left_, std::min(span.From, span.To - cellCount_ * CellWidth), span.From);
    const int cell = left + selected_ * CellWidth;
    if (cell < span.From || cell + CellWidth > span.To) left = GlideTarget(selected_, cellCount_, span.From, span.To);
    if (left != left_) {
        EndMode();
        SetStripLeft(left);
    }
}

void TFormatStrip::GlideTo(int target)
{
    target_ = target;
    mode_ = Gliding;
    timer_.start();
}

void TFormatStrip::StartScroll(Mode mode)
{
    mode_ = mode;
    timer_.start();
}

void TFormatStrip::StopScroll() { EndMode(); }

void TFormatStrip::EndMode()
{
    mode_ = Idle;
    timer_.stop();
}

void TFormatStrip::TimerTick()
{
    switch (mode_) {
    case ScrollingLeft: {
        // Toward the first cell; never past it.
        const int end = VisibleSpan().From;
        if (left_ < end) {
            SetStripLeft(std::min(left_ + ScrollStep, end));
            return;
        }
        break;
    }
    case ScrollingRight: {
        // Toward the last cell, until its right end meets the panel's.
        const Span span = VisibleSpan();
        const int end = std::min(span.From, span.To - cellCount_ * CellWidth);
        if (left_ > end) {
            SetStripLeft(std::max(left_ - ScrollStep, end));
            return;
        }
        break;
    }
    case Gliding:
        if (left_ < target_ - GlideStep) {
            SetStripLeft(left_ + GlideStep);
            return;
        }
        if (left_ > target_ + GlideStep) {
            SetStripLeft(left_ - GlideStep);
            return;
        }
        SetStripLeft(target_);
        break;
    default:
        break;
    }
    EndMode();
}
