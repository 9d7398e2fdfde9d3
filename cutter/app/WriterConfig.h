// Hands the stored output parameters to the writer of a format, before its Create.
#pragma once

#include "app/ComponentInterfaces.h"
#include "app/UserInterface.h"
#include "settings/OutputSettings.h"
#include "workflow/FormatCode.h"

struct TWriterTargets {
    IAudioWriterFormat& outputWriter;  // Ogg Vorbis, MP3, WAV
    IWmaWriterFormat& wmaOutputWriter;
    IWmaFormatList& wmaFormatSettings;
};

// Configures the writer of `code` from `params` as they stand (nothing is checked against
// the settings page's lists). A component error is shown to `ui` in a plain message box
// captioned with the program's title and the answer is false; unknown codes touch no
// writer and answer true.
bool ConfigureWriter(FormatCode code, const TOutputParams& params, TWriterTargets targets, IUserInterface& ui);
