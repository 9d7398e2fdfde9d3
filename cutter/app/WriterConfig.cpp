#include "WriterConfig.h"

#include <exception>

bool ConfigureWriter(FormatCode code, const TOutputParams& p, TWriterTargets t, IUserInterface& ui) {
    try {
        switch (code) {
        case fcOggVorbis:
            t.outputWriter.SetOggFormat(p.oggSamplerate, p.oggChannel, p.oggBitrate, -1, -1, -1);
            break;
        case fcMp3:
            // The bitrate comes before the channel mode in this call.
            t.outputWriter.SetMp3Format(p.mp3Samplerate, p.mp3Bitrate, p.mp3Channel);
            break;
        case fcWma:
            t.wmaFormatSettings.SetFormatGroup(0);
            t.wmaFormatSettings.SetFormatIndex(p.wmaFormat);
            t.wmaOutputWriter.SetFormat(t.wmaFormatSettings);
            break;
        case fcWav:
            t.outputWriter.SetWavFormat(p.pcmSamplerate, p.pcmChannel, p.pcmSamplesize, 0);
            break;
        default:
            break;
        }
    } catch (const std::exception& e) {
        ui.ShowMessage(QString::fromUtf8(e.what()), AppTitle);
        return false;
    }
    return true;
}
