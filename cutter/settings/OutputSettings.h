// The stored output parameters of the four formats and the rules of the settings page
// that shows them: the value lists, their item texts and fallbacks, the rebuilding of the
// panel for a chosen format, and the change handlers. Viewing a format never changes a
// parameter; only the change handlers do.
#pragma once

#include <QString>
#include <QStringList>
#include <vector>

class IWmaFormatList;

// Page format indices of the format radio group.
enum TPageFormat { pfMp3 = 0, pfOggVorbis = 1, pfWav = 2, pfWma = 3 };

struct TOutputParams {
    int mp3Samplerate = 44100;
    int mp3Channel = 2;  // 1 Mono, 2 Stereo, 3 Joint Stereo, 4 Forced Joint Stereo, 5 Dual Channels
    int mp3Bitrate = 256;
    int oggSamplerate = 44100;
    int oggChannel = 2;
    int oggBitrate = 256;
    int pcmSamplerate = 44100;
    int pcmChannel = 2;  // 1 Mono, 2 Stereo
    int pcmSamplesize = 16;
    int wmaFormat = 39;
    int outFormat = pfMp3;

    bool operator==(const TOutputParams&) const = default;
};

// The texts of the format radio group, in order.
const QStringList& PageFormatNames();

// One pick-only box of the panel: its items and the selected index (-1: none).
struct TPanelBox {
    QStringList items;
    int selected = -1;
};

// What the panel shows for one page format.
struct TPanelView {
    int page = 0;  // 0: the three boxes, 1: the WMA quality box
    TPanelBox frequency, channel, third, wmaQuality;
    QString thirdLabel;  // "Bitrate:" or "Samplesize:"
    int thirdLabelLeft = 226;
};

// The panel for page format `format` from the stored parameters. For WMA the list is read
// from `wma` (FormatGroup 0, then every FormatIndex); a null list gives an empty box.
// Component errors propagate.
TPanelView BuildPanel(int format, const TOutputParams& params, IWmaFormatList* wma);

// The change handlers: the item chosen in a box becomes the parameter of `format`.
// Out-of-range indices (a box without selection) change nothing.
void FrequencyChosen(TOutputParams& params, int format, int index);
void ChannelChosen(TOutputParams& params, int format, int index);
void ThirdChosen(TOutputParams& params, int format, int index);
void WmaQualityChosen(TOutputParams& params, int index);

// When the encoder of `format` (MP3 or Ogg Vorbis) cannot honour the stored bitrate at the
// stored sample rate (and channels), the sentence that says which bitrate a job uses
// instead; empty when it is honoured and for the other formats.
QString BitrateNote(int format, const TOutputParams& params);

// The value lists behind the boxes, by page format (empty for WMA).
const std::vector<int>& SampleRateList(int format);
const std::vector<int>& ThirdList(int format);
const QStringList& ChannelNames(int format);
