#include "PeakCache.h"

#include <QCryptographicHash>
#include <QDataStream>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QtEndian>
#include <stdexcept>

#include "SegmentEntries.h"

namespace workflow {

namespace {

constexpr quint32 kMagic = 0x4B505754;  // "TWPK"
constexpr quint32 kVersion = 1;

struct SourceKey {
    QString path;
    qint64 size = -1;
    qint64 modified = 0;  // ms since the epoch
};

SourceKey KeyOf(const QString& source) {
    const QFileInfo fi(source);
    return {fi.absoluteFilePath(), fi.exists() ? fi.size() : -1, fi.lastModified().toMSecsSinceEpoch()};
}

QByteArray Checksum(const QByteArray& payload) { return QCryptographicHash::hash(payload, QCryptographicHash::Sha1); }

}  // namespace

QString DefaultPeakCacheDir() {
    QString base = qEnvironmentVariable("XDG_CACHE_HOME");
    if (base.isEmpty() || !QDir::isAbsolutePath(base)) base = QDir::homePath() + QStringLiteral("/.cache");
    return base + QStringLiteral("/TarvelCutter/peaks");
}

QString PeakCache::EntryPath(const QString& source) const {
    const QByteArray id =
        QCryptographicHash::hash(QFileInfo(source).absoluteFilePath().toUtf8(), QCryptographicHash::Sha1).toHex();
    return dir_ + QLatin1Char('/') + QString::fromLatin1(id) + QStringLiteral(".peaks");
}

bool PeakCache::Load(const QString& source, PeakData& out) const {
    const SourceKey key = KeyOf(source);
    if (key.size < 0) return false;
    QFile f(EntryPath(source));
    if (!f.open(QIODevice::ReadOnly)) return false;
    const QByteArray all = f.readAll();
    if (all.size() < 20) return false;
    const QByteArray payload = all.left(all.size() - 20);
    if (Checksum(payload) != all.right(20)) return false;

    QDataStream in(payload);
    in.setVersion(QDataStream::Qt_6_0);
    quint32 magic = 0, version = 0;
    SourceKey stored;
    qint32 rate = 0, bucket = 0;
    qint64 frames = 0, buckets = 0;
    in >> magic >> version >> stored.path >> stored.size >> stored.modified >> rate >> bucket >> frames >> buckets;
    if (in.status() != QDataStream::Ok || magic != kMagic || version != kVersion) return false;
    if (stored.path != key.path || stored.size != key.size || stored.modified != key.modified) return false;
    if (rate <= 0 || bucket <= 0 || frames < 0 || buckets != (frames + bucket - 1) / bucket) return false;
    const qint64 at = in.device()->pos();
    if (payload.size() - at != buckets * 4) return false;
    PeakData d;
    d.sampleRate = rate;
    d.bucketFrames = bucket;
    d.frames = frames;
    d.lo.resize(size_t(buckets));
    d.hi.resize(size_t(buckets));
    // The arrays are stored whole, little-endian: an hour of audio loads in milliseconds.
    qFromLittleEndian<qint16>(payload.constData() + at, buckets, d.lo.data());
    qFromLittleEndian<qint16>(payload.constData() + at + buckets * 2, buckets, d.hi.data());
    d.complete = true;
    out = std::move(d);
    return true;
}

bool PeakCache::Save(const QString& source, const PeakData& d) const {
    const SourceKey key = KeyOf(source);
    if (!d.complete || key.size < 0 || d.sampleRate <= 0 || d.lo.size() != d.hi.size()) return false;
    QByteArray payload;
    {
        QDataStream out(&payload, QIODevice::WriteOnly);
        out.setVersion(QDataStream::Qt_6_0);
        out << kMagic << kVersion << key.path << key.size << key.modified << qint32(d.sampleRate)
            << qint32(d.bucketFrames) << qint64(d.frames) << qint64(d.Buckets());
        if (out.status() != QDataStream::Ok) return false;
    }
    const qsizetype head = payload.size();
    const qsizetype n = qsizetype(d.lo.size());
    payload.resize(head + n * 4);
    qToLittleEndian<qint16>(d.lo.data(), n, payload.data() + head);
    qToLittleEndian<qint16>(d.hi.data(), n, payload.data() + head + n * 2);
    if (!QDir().mkpath(dir_)) return false;
    payload.append(Checksum(payload));
    try {
        SaveFileAtomically(EntryPath(source), payload);
    } catch (const std::exception&) {  // a cache that cannot be saved is built again next time
        return false;
    }
    return true;
}

}  // namespace workflow
