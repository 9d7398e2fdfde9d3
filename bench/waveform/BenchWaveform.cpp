// Loads a source into the cut page of a real main window (offscreen) and runs the event
// loop until its overview is complete. A 1 ms timer measures the longest time the loop
// did not come round; the source's own loading (reading its information and tags) is
// timed apart. Then the source is chosen again, which the peak cache serves.
// usage: bench_waveform SOURCE CACHE_DIR   (components registered in PLATFORM_REGISTRY_DIR)
#include <QApplication>
#include <QElapsedTimer>
#include <QTimer>
#include <cstdio>
#include <ctime>
#include <vector>

#include "app/ComponentSet.h"
#include "cutPage.h"
#include "cutWaveform.h"
#include "mainForm.h"
#include "settings/AppPaths.h"

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: bench_waveform SOURCE CACHE_DIR\n");
        return 2;
    }
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const QString source = QString::fromLocal8Bit(argv[1]);
    TfrmMain w(CreateProgramComponents(), DefaultAppPaths());
    w.show();
    w.Start();
    TCutWaveform* wave = w.tabSplit->findChild<TCutWaveform*>();
    if (!wave) return 1;
    wave->SetCacheDir(QString::fromLocal8Bit(argv[2]));
    // The window's first paint (fonts, styles) belongs to start-up, not to the overview.
    w.grab();
    for (int i = 0; i < 20; ++i) app.processEvents();

    // Wall time between ticks, and the main thread's processor time between them: on a
    // busy machine the first also counts the time the process waited for a core.
    const auto cpuMs = [] {
        timespec t{};
        clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
        return t.tv_sec * 1000.0 + t.tv_nsec / 1e6;
    };
    double lastCpu = cpuMs(), longestCpu = 0;
    qint64 longest = 0;
    QElapsedTimer lastTick, total;
    QTimer watch;
    watch.setInterval(1);
    watch.setTimerType(Qt::PreciseTimer);
    std::vector<qint64> stalls;  // gaps above 20 ms, for a look at their spread
    QObject::connect(&watch, &QTimer::timeout, [&] {
        const qint64 gap = lastTick.restart();
        const double cpu = cpuMs();
        longestCpu = std::max(longestCpu, cpu - lastCpu);
        lastCpu = cpu;
        longest = std::max(longest, gap);
        if (gap > 20) stalls.push_back(gap);
    });

    for (const char* round : {"first", "cached"}) {
        longest = 0;
        longestCpu = 0;
        stalls.clear();
        QElapsedTimer load;
        load.start();
        total.start();
        if (!w.tabSplit->LoadSource(source)) return 1;
        const qint64 loadMs = load.elapsed();
        lastTick.start();
        lastCpu = cpuMs();
        watch.start();
        QEventLoop loop;
        QObject::connect(wave, &TCutWaveform::PeaksComplete, &loop, &QEventLoop::quit);
        if (!wave->Peaks().complete) loop.exec();
        watch.stop();
        const double seconds = total.elapsed() / 1000.0;
        std::printf("%s: complete %.2f s (source loading %lld ms), longest event loop stall %lld ms "
                    "(%.1f ms of processor time), longest slice %lld ms, %lld buckets\n",
                    round, seconds, static_cast<long long>(loadMs), static_cast<long long>(longest), longestCpu,
                    static_cast<long long>(wave->LongestSliceMs()), static_cast<long long>(wave->Peaks().Buckets()));
        std::printf("  gaps above 20 ms: %zu", stalls.size());
        for (std::size_t i = 0; i < stalls.size() && i < 12; ++i) std::printf(" %lld", static_cast<long long>(stalls[i]));
        std::printf("\n");
        std::fflush(stdout);
    }
    return 0;
}
