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
#include <time.h>
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

#ifdef Q_OS_WIN
inline double milliseconds(FILETIME t)
{
    return (quint64(t.dwHighDateTime) << 32 | t.dwLowDateTime) / 1e4;
}
#endif

// The processor time the process has taken so far, all its threads.
inline double processCpuMs()
{
#ifdef Q_OS_WIN
    FILETIME created, ended, kernel, user;
    GetProcessTimes(GetCurrentProcess(), &created, &ended, &kernel, &user);
    return milliseconds(kernel) + milliseconds(user);
#else
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    const auto ms = [](timeval t) { return t.tv_sec * 1e3 + t.tv_usec / 1e3; };
    return ms(usage.ru_utime) + ms(usage.ru_stime);
#endif
}

// The processor time the calling thread has taken so far.
inline double threadCpuMs()
{
#ifdef Q_OS_WIN
    FILETIME created, ended, kernel, user;
    GetThreadTimes(GetCurrentThread(), &created, &ended, &kernel, &user);
    return milliseconds(kernel) + milliseconds(user);
#else
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return now.tv_sec * 1e3 + now.tv_nsec / 1e6;
#endif
}

inline void tell(const QString &what)
{
    QTextStream(stdout) << what << ' ' << peakMemoryMiB() << Qt::endl;
}

// Says "shown" when the window has been painted for the first time, and then
// "cpu <ms>" with the processor time taken until then: steadier than the wall
// time on a busy machine.
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
            tell(QStringLiteral("cpu ") + QString::number(processCpuMs(), 'f', 1));
            return true;
        }
        return false;
    }
};
