#include "cutPageBindings.h"

#include "app/JobAdapters.h"
#include "app/ProgramComponents.h"

namespace {

template <class Info>
TSourceInfo InfoOf(Info info) {
    TSourceInfo s;
    s.duration = info.Duration();
    s.bitrate = info.Bitrate();
    s.channels = info.Channels();
    s.sampleRate = info.SampleRate();
    s.size = info.Size();
    return s;
}

// Opens the source, takes its stream facts and closes it; a failing call raises and so
// leaves the steps after it undone.
TSourceInfo ReadInfo(TProgramComponents::TWrappers& w, const QString& path, workflow::FormatCode code) {
    const std::string file = path.toStdString();
    if (code == workflow::fcWma) {
        w.WmaSourceReader.Open(file);
        const TSourceInfo s = InfoOf(w.WmaSourceReader.AudioInfo());
        w.WmaSourceReader.Close();
        return s;
    }
    w.SourceReader.Open(file);
    const TSourceInfo s = InfoOf(w.SourceReader.AudioInfo());
    w.SourceReader.Close();
    return s;
}

}  // namespace

class TCutBindings {
public:
    explicit TCutBindings(TProgramComponents::TWrappers& w)
        : wrappers(w), adapters(w) {}
    TProgramComponents::TWrappers& wrappers;
    TJobAdapters adapters;
};

void TCutBindingsDeleter::operator()(TCutBindings* b) const { delete b; }

TCutBindingsPtr MakeCutBindings(TProgramComponents& components) {
    return TCutBindingsPtr(new TCutBindings(components.Wrappers));
}

TCutServices ServicesOf(TCutBindings& b) {
    TCutServices s;
    s.readInfo = [&b](const QString& path, workflow::FormatCode code) { return ReadInfo(b.wrappers, path, code); };
    s.readTags = [&b](const QString& path, workflow::FormatCode code) {
        return ReadSourceTags(b.wrappers.TagEditor, b.wrappers.WmaTagReader, path, code);
    };
    s.job = b.adapters.Components();
    return s;
}
