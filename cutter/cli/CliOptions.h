// The command line of tarvelcut, read without touching any component.
#pragma once

#include <QCommandLineParser>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <optional>
#include <vector>

#include "settings/OutputSettings.h"
#include "workflow/SegmentList.h"
#include "workflow/SilenceDetector.h"

namespace cli {

struct SegmentArg {
    std::int64_t start = 0, end = 0;  // ms
    QString name;                     // empty: the default name
};

struct CutOptions {
    QString source, outDir;
    std::optional<workflow::FormatCode> format;  // none: the stored page format
    std::vector<SegmentArg> segments;
    int pieces = 0;
    std::int64_t pieceLength = 0;  // ms
    std::optional<workflow::SilenceOptions> silence;  // split at silence
    bool silenceMiddles = false;                      // cut in the middle of each silence
    QString cueSheet, labelFile;                      // rows from a file of split points
    std::optional<QString> title, artist, album, genre, year;
    bool overwrite = false;
    bool copy = false;  // copy the audio where the output format is the source's
    std::optional<int> samplerate, channels, bitrate, samplesize, wmaFormat;
    int jobs = 0;  // segments written at once; 0: one per processor
    bool quiet = false;  // -q: no progress line
};

// A usage error, with the text for standard error.
struct UsageError {
    QString text;
};

// -h or --help among a command's arguments: the usage text is wanted, whatever else is there.
struct HelpRequest {};

// Reads one command's arguments (without the program's name) into parser, which has been
// given the command's own options; -q/--quiet and -h/--help are added here. Throws
// UsageError for an unknown option or a missing value, HelpRequest for -h/--help.
void ParseArguments(QCommandLineParser& parser, const QStringList& args);

// A whole number given to option; below 0 only when negative. Throws UsageError.
int ReadNumber(const QString& option, const QString& text, bool negative);

// The tag and quality options "cut" and "merge" share, and their reading into o; numbers
// below 0 are refused unless negativeNumbers.
void AddSharedOptions(QCommandLineParser& parser);
void ReadShared(const QCommandLineParser& parser, CutOptions& o, bool negativeNumbers);

// "03:25.120", "01:02:03.004", "12:34" or plain seconds ("75", "12.5"); nullopt when the
// text is none of them.
std::optional<std::int64_t> ParseTime(const QString& text);

// Reads the arguments after "cut"; throws UsageError.
CutOptions ParseCut(const QStringList& args);

// The stored output parameters with the command line's overrides for `format` applied.
TOutputParams ApplyOverrides(TOutputParams params, workflow::FormatCode format, const CutOptions& o);

}  // namespace cli
