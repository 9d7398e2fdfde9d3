// Format codes: the one-byte names of audio formats shared with the outside components,
// the classification of a file by its extension, and what each code means for a writer.
#pragma once

#include <QString>
#include <cstdint>

namespace workflow {

enum FormatCode : std::uint8_t { fcOggVorbis = 0, fcMp3 = 1, fcWma = 17, fcWav = 18, fcUnknown = 19 };

// The code of a path's extension (from the last "." of its file name, any letter case):
// ".wma" 17, ".mp3" 1, ".ogg" 0, ".wav" 18; anything else, or no extension, 19.
FormatCode FormatFromFileName(const QString& path);

// The file-type code that Create of the file writer takes: Ogg Vorbis 4, MP3 2, WAV 20;
// -1 for the codes that do not go through that writer (WMA, unknown).
int FileTypeCode(FormatCode code);

// ".ogg", ".mp3", ".wma", ".wav"; empty for 19 (no output path is formed).
QString FormatExtension(FormatCode code);

}  // namespace workflow

// The program's frame, pages and command line use the codes without the namespace.
using FormatCode = workflow::FormatCode;
using workflow::fcMp3;
using workflow::fcOggVorbis;
using workflow::fcUnknown;
using workflow::fcWav;
using workflow::fcWma;
using workflow::FileTypeCode;
using workflow::FormatExtension;
using workflow::FormatFromFileName;
