// Output names made safe for the file system, shared by the cut and merge jobs.
#pragma once

#include <QString>

namespace workflow {

// "<" and ">" removed, "/" -> "_", ":" "*" "?" -> blank, "|" -> "-", '"' removed.
// The backslash is kept as it is.
QString SafeName(const QString& name);

}  // namespace workflow
