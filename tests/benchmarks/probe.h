#pragma once

// What the start-up probes tell the benchmark, one line each on standard
// output: "shown <peak MiB>" when their window is first painted, and so on.

#include <QCoreApplication>
#include <QEvent>
#include <QObject>
#include <QTextStream>
#include <QWidget>

#ifdef Q_OS_WIN
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
#include <psapi.h>
#else
#include <sys/resource.h>
#endif

inline double peakMemoryMiB()
{
#ifdef Q_OS_WIN
    PROCESS_MEMORY_COUNTERS counters{};
    GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof counters);
    return counters.PeakWorkingSetSize / (1024.0 * 1024.0);
#else
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss / 1024.0; // kilobytes on Linux
#endif
}

inline void tell(const QString &what)
{
    QTextStream(stdout) << what << ' ' << peakMemoryMiB() << Qt::endl;
}

// Says "shown" when the window has been painted for the first time.
class FirstPaint : public QObject
{
public:
    explicit FirstPaint(QWidget *window) { window->installEventFilter(this); }
    bool painted = false;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::Paint && !painted) {
            painted = true;
            // Let the window paint first, then report.
            watched->removeEventFilter(this);
            QCoreApplication::sendEvent(watched, event);
            tell(QStringLiteral("shown"));
            return true;
        }
        return false;
    }
};
