#include "workspace/base_form.h"

#include <QApplication>
#include <QPointer>
#include <QTimer>
#include <QWidget>
#include <QWindow>

#include "platform/app_paths.h"
#include "platform/ini_file.h"
#include "platform/ui/work_area.h"

namespace {

const QString kLeft = QStringLiteral("left");
const QString kTop = QStringLiteral("top");
const QString kWidth = QStringLiteral("width");
const QString kHeight = QStringLiteral("height");
const QString kWindowState = QStringLiteral("WindowState");
const QString kShowing = QStringLiteral("showing");

// Frame sizes the window manager adds around the client area (zero until it has told us).
QSize FrameExtra(const QWidget* w)
{
    const QRect outer = w->frameGeometry();
    const QRect inner = w->geometry();
    return QSize(outer.width() - inner.width(), outer.height() - inner.height());
}

// A modal window must stand above every window, but the window manager keeps the stay-on-top
// tool windows above any ordinary window, modal or not. So while a modal window shows, the tool
// windows lose their "above" state (on their native windows only: the widgets keep their flags,
// and a later change of flags brings it back), and they get it back when the last modal one goes.
class TModalWatch : public QObject {
public:
    using QObject::QObject;

    static void Install()
    {
        static QPointer<TModalWatch> watch;
        if (watch || !qApp) return;
        watch = new TModalWatch(qApp);
        qApp->installEventFilter(watch);
    }

    bool eventFilter(QObject* object, QEvent* event) override
    {
        const QEvent::Type type = event->type();
        if (type != QEvent::Show && type != QEvent::Hide) return false;
        auto* widget = qobject_cast<QWidget*>(object);
        if (!widget || !widget->isWindow()) return false;
        Update();
        // A window being hidden may still count as visible while its event is delivered.
        QMetaObject::invokeMethod(this, &TModalWatch::Update, Qt::QueuedConnection);
        return false;
    }

    static void Update()
    {
        const QWidgetList windows = QApplication::topLevelWidgets();
        bool modalShowing = false;
        for (QWidget* w : windows)
            if (w->isVisible() && w->isModal()) modalShowing = true;
        for (QWidget* w : windows) {
            if (!(w->windowFlags() & Qt::WindowStaysOnTopHint) || w->isModal()) continue;
            QWindow* native = w->windowHandle();
            if (native && native->flags().testFlag(Qt::WindowStaysOnTopHint) == modalShowing)
                native->setFlag(Qt::WindowStaysOnTopHint, !modalShowing);
        }
    }
};

} // namespace

int ExecOver(QDialog& dialog, QWidget* owner)
{
    QWindow* over = owner ? owner->window()->windowHandle() : nullptr;
    if (over) {
        dialog.winId();
        dialog.windowHandle()->setTransientParent(over);
    }
    const int result = dialog.exec();
    if (over && dialog.windowHandle()) dialog.windowHandle()->setTransientParent(nullptr);
    return result;
}

QString PositionFilePath() { return AppPaths::SettingsFile(QStringLiteral("position.cfg")); }

TPlacement ReadPlacement(const QString& file, const QString& section)
{
    const IniFile& ini = SharedIniFile(file);
    TPlacement p;
    p.Left = ini.ReadInteger(section, kLeft, -1);
    p.Top = ini.ReadInteger(section, kTop, -1);
    p.Width = ini.ReadInteger(section, kWidth, -1);
    p.Height = ini.ReadInteger(section, kHeight, -1);
    p.WindowState = ini.ReadInteger(section, kWindowState, -1);
    if (p.Width <= 0) p.Width = -1;
    if (p.Height <= 0) p.Height = -1;
    if (p.WindowState < 0 || p.WindowState > 2) p.WindowState = -1;
    return p;
}

bool WritePlacement(const QString& file, const QString& section, const TPlacement& placement)
{
    IniFile& ini = SharedIniFile(file);
    ini.WriteInteger(section, kLeft, placement.Left);
    ini.WriteInteger(section, kTop, placement.Top);
    ini.WriteInteger(section, kWidth, placement.Width);
    ini.WriteInteger(section, kHeight, placement.Height);
    ini.WriteInteger(section, kWindowState, placement.WindowState);
    return true;
}

bool ReadShowing(const QString& file, const QString& section, bool defaultValue)
{
    return SharedIniFile(file).ReadBool(section, kShowing, defaultValue);
}

bool WriteShowing(const QString& file, const QString& section, bool showing)
{
    SharedIniFile(file).WriteBool(section, kShowing, showing);
    return true;
}

bool SavePositionFile(QString* error)
{
    IniFile& ini = SharedIniFile(PositionFilePath());
    return !ini.Modified() || ini.UpdateFile(error);
}

TBaseFormCore::TBaseFormCore(QWidget* self) : PositionFile(PositionFilePath()), self_(self)
{
    if (self->windowFlags() & Qt::WindowStaysOnTopHint) TModalWatch::Install();
}

bool TBaseFormCore::IsSizeable() const { return self_->minimumSize() != self_->maximumSize(); }

TPlacement TBaseFormCore::CurrentPlacement() const
{
    const Qt::WindowStates state = self_->windowState();
    TPlacement p;
    p.WindowState = (state & Qt::WindowMinimized) ? 1 : (state & Qt::WindowMaximized) ? 2 : 0;
    QRect outer = self_->frameGeometry();
    if (p.WindowState != 0) {
        const QRect normal = self_->normalGeometry();
        if (normal.isValid()) {
            const QSize extra = FrameExtra(self_);
            const int frameLeft = self_->geometry().x() - self_->frameGeometry().x();
            const int frameTop = self_->geometry().y() - self_->frameGeometry().y();
            outer = QRect(normal.x() - frameLeft, normal.y() - frameTop, normal.width() + extra.width(),
                          normal.height() + extra.height());
        }
    }
    p.Left = outer.x();
    p.Top = outer.y();
    p.Width = outer.width();
    p.Height = outer.height();
    return p;
}

void TBaseFormCore::SetOuterGeometry(const QRect& outer)
{
    const QSize extra = FrameExtra(self_);
    adjusting_ = true;
    if (outer.size() != self_->frameGeometry().size())
        self_->resize(qMax(1, outer.width() - extra.width()), qMax(1, outer.height() - extra.height()));
    self_->move(outer.topLeft());
    adjusting_ = false;
}

bool TBaseFormCore::HasStoredPosition() const
{
    if (!RememberPlacement || PositionFile.isEmpty()) return false;
    const TPlacement p = ReadPlacement(PositionFile, self_->objectName());
    return p.Left != -1 || p.Top != -1;
}

void TBaseFormCore::SavePlacement()
{
    // A window that was never on screen carries no placement of the user's.
    if (!RememberPlacement || PositionFile.isEmpty() || !shownOnce_) return;
    WritePlacement(PositionFile, self_->objectName(), CurrentPlacement());
}

void TBaseFormCore::RestorePlacement()
{
    if (!RememberPlacement || PositionFile.isEmpty()) return;
    const TPlacement p = ReadPlacement(PositionFile, self_->objectName());
    // With its native window made, the platform can tell the frame's size where it knows it already.
    self_->createWinId();

    const Qt::WindowStates designed = self_->windowState();
    Qt::WindowStates target = designed;
    if (p.WindowState == 0) target = designed & ~(Qt::WindowMinimized | Qt::WindowMaximized);
    if (p.WindowState == 1) target = (designed & ~Qt::WindowMaximized) | Qt::WindowMinimized;
    if (p.WindowState == 2) target = (designed & ~Qt::WindowMinimized) | Qt::WindowMaximized;

    const bool sizeable = IsSizeable();
    const bool givesSize = sizeable && (p.Width != -1 || p.Height != -1);
    if (p.Left != -1 || p.Top != -1 || givesSize) {
        // The rectangle is set in the normal state, so it is what the window returns to.
        if (designed & (Qt::WindowMinimized | Qt::WindowMaximized))
            self_->setWindowState(designed & ~(Qt::WindowMinimized | Qt::WindowMaximized));
        const QRect outer = self_->frameGeometry();
        const QSize extra = FrameExtra(self_);
        // Whatever the file says, the title bar lands on the work area (a title bar at least 50
        // pixels high while the window manager has not told its frame yet).
        const int titleHeight = qMax(50, self_->geometry().y() - outer.y());
        const Rect area = WorkAreaOf(self_);
        const QRect placed = PlaceOnWorkArea(p.Left != -1 ? p.Left : outer.x(), p.Top != -1 ? p.Top : outer.y(),
                                             sizeable && p.Width != -1 ? p.Width : outer.width(),
                                             sizeable && p.Height != -1 ? p.Height : outer.height(), titleHeight,
                                             sizeable, area);
        int x = placed.x();
        int y = placed.y();
        const int w = placed.width();
        const int h = placed.height();
        if (SnapToEdges) SnapToWorkArea(x, y, w, h, area);
        adjusting_ = true;
        if (givesSize) self_->resize(qMax(1, w - extra.width()), qMax(1, h - extra.height()));
        self_->move(x, y);
        adjusting_ = false;
        pendingOuter_ = extra.isNull() ? QRect(x, y, w, h) : QRect();
        pendingSize_ = givesSize;
    }
    if (self_->windowState() != target) self_->setWindowState(target);
}

void TBaseFormCore::ApplyPendingPlacement()
{
    if (!pendingOuter_.isValid() || adjusting_) return;
    // A maximized or minimized window is not moved: that would bring it back to normal.
    if (self_->windowState() & (Qt::WindowMinimized | Qt::WindowMaximized | Qt::WindowFullScreen)) {
        pendingOuter_ = QRect();
        return;
    }
    const QSize extra = FrameExtra(self_);
    if (extra.isNull()) return;
    const QRect outer = pendingOuter_;
    pendingOuter_ = QRect();
    adjusting_ = true;
    if (pendingSize_)
        self_->resize(qMax(1, outer.width() - extra.width()), qMax(1, outer.height() - extra.height()));
    self_->move(outer.topLeft());
    adjusting_ = false;
}

void TBaseFormCore::AfterShow()
{
    // The window manager tells the frame's size some time after the window is mapped, with no
    // event of its own: look for it for a short while.
    framePolls_ = 0;
    ApplyPendingPlacement();
    if (!pendingOuter_.isValid()) return;
    QTimer* timer = new QTimer(self_);
    timer->setInterval(20);
    QObject::connect(timer, &QTimer::timeout, timer, [this, timer] {
        ApplyPendingPlacement();
        if (!pendingOuter_.isValid() || ++framePolls_ >= 50) {
            pendingOuter_ = QRect();
            timer->deleteLater();
            timer->stop();
        }
    });
    timer->start();
}

void TBaseFormCore::PositionChanging()
{
    if (adjusting_ || !self_->isVisible()) return;
    if (self_->windowState() & (Qt::WindowMinimized | Qt::WindowMaximized | Qt::WindowFullScreen)) return;
    ApplyPendingPlacement();

    const QRect outer = self_->frameGeometry();
    int x = outer.x();
    int y = outer.y();
    const Rect area = WorkAreaOf(self_);
    KeepOnWorkArea(x, y, outer.width(), outer.height(), area);
    if (SnapToEdges) SnapToWorkArea(x, y, outer.width(), outer.height(), area);
    if (x == outer.x() && y == outer.y()) return;
    adjusting_ = true;
    self_->move(x, y);
    adjusting_ = false;
}
