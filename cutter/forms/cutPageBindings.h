// The cut page's source reading and job components bound to the program's component
// instances (SourceReader, WmaSourceReader, OutputWriter, WmaOutputWriter, TagEditor,
// WmaTagReader), so the page shares them with playback and the merge page.
#pragma once

#include <memory>

#include "cutPageBase.h"

class TProgramComponents;

using TCutBindingsPtr = std::unique_ptr<TCutBindings, TCutBindingsDeleter>;

// Bindings over `components`, which must outlive them.
TCutBindingsPtr MakeCutBindings(TProgramComponents& components);
TCutServices ServicesOf(TCutBindings& bindings);
