// Any bytes as grid.ini: reading never fails badly, and a layout that was read is written
// and read back unchanged.
#include <unistd.h>

#include <QFile>
#include <cstdint>
#include <cstdlib>

#include "settings/GridLayout.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QString tmp = qEnvironmentVariable("TMPDIR", QStringLiteral("/tmp"));
    static const QString in = tmp + QStringLiteral("/fuzz-grid-in-%1.ini").arg(getpid());
    static const QString out = tmp + QStringLiteral("/fuzz-grid-out-%1.ini").arg(getpid());
    {
        QFile f(in);
        if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate)) return 0;
        f.write(reinterpret_cast<const char*>(data), qint64(size));
    }
    const std::optional<TGridLayout> layout = ReadGridLayout(in);
    if (!layout) return 0;
    if (layout->columns.empty() || int(layout->columns.size()) > kMaxGridColumns) std::abort();
    if (!WriteGridLayout(out, *layout)) std::abort();
    const std::optional<TGridLayout> back = ReadGridLayout(out);
    if (!back || !(*back == *layout)) std::abort();
    return 0;
}
