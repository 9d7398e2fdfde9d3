// Readers and writers that count in plain units (one unit per millisecond, one byte per
// unit), for driving the jobs without codecs.
#pragma once

#include <stdexcept>

#include <QFile>
#include <QMap>
#include <QRegularExpression>
#include <QStringList>
#include <cstring>

#include "AudioIo.h"
#include "JobHost.h"

namespace fakes {

using namespace workflow;

struct FakeReader : AudioReader {
    QMap<QString, std::int64_t> durations;  // path -> ms (= units = bytes)
    std::int64_t stopShortAt = -1;          // the reader stops advancing here
    QString open;
    std::int64_t pos = 0, size = 0;
    int reads = 0, opens = 0;

    void Open(const QString& path) override {
        if (!durations.contains(path)) throw std::runtime_error("cannot open");
        open = path;
        size = durations[path];
        pos = 0;
        ++opens;
    }
    void SeekTime(std::int64_t ms) override { pos = std::min(ms, size); }
    void SeekUnits(std::int64_t u) override { pos = std::min(u, size); }
    AudioBlock Read(std::int64_t count) override {
        ++reads;
        AudioBlock b;
        std::int64_t n = std::max<std::int64_t>(0, std::min(count, size - pos));
        if (stopShortAt >= 0 && pos + n > stopShortAt) n = std::max<std::int64_t>(0, stopShortAt - pos);
        if (n == 0) return b;
        SAFEARRAY* sa = SafeArrayCreateVector(VT_UI1, 0, static_cast<ULONG>(n));
        void* data = nullptr;
        SafeArrayAccessData(sa, &data);
        std::memset(data, 'a', static_cast<size_t>(n));
        SafeArrayUnaccessData(sa);
        b.Get()->vt = VT_ARRAY | VT_UI1;
        b.Get()->parray = sa;
        pos += n;
        return b;
    }
    void Close() override { open.clear(); }
    StreamInfo Info() override { return {1000, 1, 8, 1.0, size, size}; }
    std::int64_t Position() override { return pos; }
};

// The jobs write "<target>.tmp.<pid>" and rename it; the fakes count by the target's name.
inline QString TargetOf(QString path) { return path.remove(QRegularExpression(QStringLiteral("\\.tmp\\.\\d+$"))); }

struct FakeWriter : AudioWriter {
    QString path;  // the file being written (a temporary name)
    QMap<QString, std::int64_t> written;
    QStringList created;
    void Create(const QString& p, FormatCode) override {
        path = p;
        created << TargetOf(p);
        written[TargetOf(p)] = 0;
        QFile f(p);
        // As the writer components do, a file that cannot be made raises the error.
        if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate))
            throw std::runtime_error("Cannot create " + p.toStdString() + ": " + f.errorString().toStdString());
    }
    void Write(const AudioBlock& b) override {
        if (b.Empty()) return;
        written[TargetOf(path)] += b.Get()->parray->rgsabound[0].cElements;
    }
    void Close() override {
        QFile f(path);
        if (f.open(QIODevice::WriteOnly | QIODevice::Truncate)) f.write(QByteArray(written[TargetOf(path)], 'a'));
    }
};

struct FakeTags : TagWriter {
    QStringList tagged;
    QList<TagValues> values;
    QString refuse;  // a path whose tags cannot be stored
    void WriteTags(FormatCode, const QString& path, const TagValues& t) override {
        if (!refuse.isEmpty() && TargetOf(path) == refuse)
            throw std::runtime_error("Unable to write the tags of " + path.toStdString());
        tagged << TargetOf(path);
        values << t;
    }
};

struct FakeHost : JobHost {
    int progressShown = 0, progressClosed = 0;
    bool cancelled = false;
    int cancelAfterEvents = -1;  // sets the flag after this many event rounds
    int events = 0;
    bool answer = true;
    QStringList questions, infos, messages, explored, labels, totals;
    void BeginProgress(const QString&) override {
        ++progressShown;
        cancelled = false;
    }
    void EndProgress() override { ++progressClosed; }
    void SetFileLabel(const QString& t) override { labels << t; }
    void SetFileProgress(int) override {}
    void SetTotal(const QString& l, int) override { totals << l; }
    void ProcessEvents() override {
        if (cancelAfterEvents >= 0 && ++events >= cancelAfterEvents) cancelled = true;
    }
    bool Cancelled() const override { return cancelled; }
    bool AskYesNo(const QString&, const QString& t) override {
        questions << t;
        return answer;
    }
    void ShowInformation(const QString& c, const QString& t) override { infos << c + "|" + t; }
    void ShowMessage(const QString& t) override { messages << t; }
    void ExploreFolder(const QString& f) override { explored << f; }
};

}  // namespace fakes
