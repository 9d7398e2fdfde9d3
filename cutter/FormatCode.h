// The program's format codes are the workflow's; these names let the frame use them
// without the namespace.
#pragma once

#include "workflow/FormatCode.h"

using FormatCode = workflow::FormatCode;
using workflow::fcMp3;
using workflow::fcOggVorbis;
using workflow::fcUnknown;
using workflow::fcWav;
using workflow::fcWma;
using workflow::FileTypeCode;
using workflow::FormatExtension;
using workflow::FormatFromFileName;
