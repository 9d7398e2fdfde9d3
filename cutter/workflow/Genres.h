// The genre names offered by the segment grid and the merge page, in their fixed order.
#pragma once

#include <QStringList>

namespace workflow {

const QStringList& GenreList();  // 148 names

}  // namespace workflow
