#include "icons.h"

#include <QString>
#include <iterator>

// Outside any namespace: the macro declares the resource's registration function.
static void InitResources() { Q_INIT_RESOURCE(icons); }

QIcon DrawnIcon(TIconKind kind) {
    // The resources are linked from a static library: registered on first use.
    static const bool registered = (InitResources(), true);
    (void)registered;
    static const char* const names[] = {"cut", "merge", "settings", "website", "about", "program", "play", "stop"};
    static_assert(std::size(names) == static_cast<std::size_t>(TIconKind::Stop) + 1);
    return QIcon(QStringLiteral(":/icons/%1.svg").arg(QLatin1String(names[static_cast<int>(kind)])));
}
