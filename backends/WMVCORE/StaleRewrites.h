// Leftovers of header rewrites that were killed before the rewriter saved safely: it wrote
// "<target>.XXXXXX" (six random letters and digits) and renamed it over the target, so a
// kill left that file beside it. Such names are also what a user may give a copy, so a file
// is removed only when it is clearly one of those leftovers.
#pragma once

#include <string>

namespace wmvcore {

// Removes, beside target, the regular files "<target>.XXXXXX" whose suffix is six letters
// and digits that do not read as a word or a number ("backup", "OLD", "Before", "000001"
// are kept), that begin with an ASF header object, and whose bytes after that header are
// a prefix of the target's own bytes after its header (a rewrite of this very file).
// Returns how many were removed.
int RemoveStaleRewrites(const std::string& target);

}  // namespace wmvcore
