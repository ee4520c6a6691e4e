#pragma once
// A private X server for the tests that need a real clipboard shared with other programs: an Xvfb
// started on a free display (the server picks it and reports it), stopped when the session goes.
// The tests run their X11 part in a child run of the same test binary on the xcb platform, since
// the test process itself is on the offscreen platform:
//
//     TX11Session x;
//     QString why;
//     if (!x.Start(why)) GTEST_SKIP() << "no X server could start: " << why.toStdString();
//     TChildRun run = RunChildTest("Fixture.DISABLED_Child", x.Display());
#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QProcess>
#include <QProcessEnvironment>
#include <QStandardPaths>
#include <QString>
#include <QStringList>

class TX11Session {
public:
    TX11Session() = default;
    TX11Session(const TX11Session&) = delete;
    TX11Session& operator=(const TX11Session&) = delete;
    ~TX11Session()
    {
        if (server_.state() == QProcess::NotRunning) return;
        server_.terminate();
        if (!server_.waitForFinished(5000)) server_.kill();
        server_.waitForFinished(5000);
    }

    // Starts the server; false with the reason when none can start.
    bool Start(QString& why)
    {
        const QString xvfb = QStandardPaths::findExecutable(QStringLiteral("Xvfb"));
        if (xvfb.isEmpty()) {
            why = QStringLiteral("Xvfb is not installed");
            return false;
        }
        // -displayfd 1: the server writes the display number it took to its standard output.
        server_.setProcessChannelMode(QProcess::SeparateChannels);
        server_.start(xvfb, {QStringLiteral("-displayfd"), QStringLiteral("1"), QStringLiteral("-nolisten"),
                             QStringLiteral("tcp"), QStringLiteral("-screen"), QStringLiteral("0"),
                             QStringLiteral("640x480x24")});
        if (!server_.waitForStarted(10000)) {
            why = QStringLiteral("Xvfb did not start: ") + server_.errorString();
            return false;
        }
        QByteArray out;
        const QDeadlineTimer deadline(20000);
        while (!out.contains('\n') && !deadline.hasExpired() && server_.state() == QProcess::Running) {
            server_.waitForReadyRead(200);
            out += server_.readAllStandardOutput();
        }
        bool ok = false;
        const int number = out.trimmed().toInt(&ok);
        if (!ok) {
            why = QStringLiteral("Xvfb reported no display: ") + QString::fromLocal8Bit(server_.readAllStandardError()).trimmed();
            return false;
        }
        display_ = QStringLiteral(":%1").arg(number);
        return true;
    }
    QString Display() const { return display_; }

private:
    QProcess server_;
    QString display_;
};

// What a child run of the test binary left.
struct TChildRun {
    int ExitCode = -1;
    bool Finished = false;
    QString Output;
};

// Runs one test of this binary (disabled ones included) on the xcb platform of the display;
// TAVRIN_X11_CHILD is set in the child's environment.
inline TChildRun RunChildTest(const QString& filter, const QString& display)
{
    QProcess child;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("DISPLAY"), display);
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
    env.insert(QStringLiteral("TAVRIN_X11_CHILD"), QStringLiteral("1"));
    // The xcb platform's D-Bus connection keeps a buffer to the end: not a leak of ours.
    const QString asan = env.value(QStringLiteral("ASAN_OPTIONS"));
    if (!asan.contains(QStringLiteral("detect_leaks")))
        env.insert(QStringLiteral("ASAN_OPTIONS"), asan.isEmpty() ? QStringLiteral("detect_leaks=0") : asan + QStringLiteral(":detect_leaks=0"));
    child.setProcessEnvironment(env);
    child.setProcessChannelMode(QProcess::MergedChannels);
    child.start(QCoreApplication::applicationFilePath(),
                {QStringLiteral("--gtest_also_run_disabled_tests"), QStringLiteral("--gtest_filter=") + filter});
    TChildRun run;
    run.Finished = child.waitForFinished(120000);
    if (!run.Finished) child.kill(), child.waitForFinished(5000);
    run.Output = QString::fromLocal8Bit(child.readAll());
    run.ExitCode = child.exitStatus() == QProcess::NormalExit ? child.exitCode() : -1;
    return run;
}
