#include "mergePageBindings.h"

#include "app/JobAdapters.h"
#include "app/ProgramComponents.h"
#include "tags/OggVorbis.h"
#include "tags/wmaTags.h"

#include <stdexcept>

using namespace workflow;

namespace {

std::u16string U16(const QString& s) { return s.toStdU16String(); }
QString Q(const std::u16string& s) { return QString::fromStdU16String(s); }
std::string U8(const QString& s) { return s.toStdString(); }

// The number a numeric edit shows ("1,234", "(5)").
int ShownNumber(const QString& text) {
    QString digits;
    for (QChar c : text)
        if (c.isDigit())
            digits += c;
    const int v = digits.toInt();
    return text.contains(QLatin1Char('(')) || text.startsWith(QLatin1Char('-')) ? -v : v;
}

class TTags : public TagWriter {
public:
    explicit TTags(TAudioFileInformation3& editor) : editor_(editor) {}
    void WriteTags(workflow::FormatCode code, const QString& path, const TagValues& t) override {
        const QString track = t.track.value_or(QString());
        const QString comment = t.comment.value_or(QString());
        if (code == workflow::fcOggVorbis) {
            TOggVorbis ogg;
            if (ogg.LoadFromFile(U8(path)) && ogg.IsValidStream()) {
                ogg.TagTitle = U8(t.title);
                ogg.TagArtist = U8(t.artist);
                ogg.TagAlbum = U8(t.album);
                ogg.TagGenre = U8(t.genre);
                ogg.TagDate = U8(t.year);
                ogg.TagTrack = std::uint16_t(ShownNumber(track));
                ogg.TagComment = U8(comment);
                // The job reports what could not be stored (a comment too long for the rewrite).
                if (!ogg.WriteTags(U8(path))) throw std::runtime_error("Unable to write the tags of " + U8(path));
            }
        } else if (code == workflow::fcMp3) {
            editor_.SetPropertyByName(u"Title", U16(t.title));
            editor_.SetPropertyByName(u"Artist", U16(t.artist));
            editor_.SetPropertyByName(u"Album", U16(t.album));
            editor_.SetPropertyByName(u"Genre", U16(t.genre));
            editor_.SetPropertyByName(u"Comments", U16(comment));
            bool ok = false;
            const int year = t.year.toInt(&ok);
            editor_.SetYear(ok ? year : 0);
            editor_.SetTrack(ShownNumber(track));
            editor_.WriteToFile(U8(path));
        } else if (code == workflow::fcWma) {
            TTagsData data;
            data.TitleText = U8(t.title);
            data.AuthorText = U8(t.artist);
            data.AlbumTitleText = U8(t.album);
            data.GenreText = U8(t.genre);
            data.YearText = U8(t.year);
            data.TrackNumberText = U8(track);
            data.DescriptionText = U16(comment.left(255));
            try {
                WriteWmaTags(U8(path), data);
            } catch (...) {
            }
        }
    }

private:
    TAudioFileInformation3& editor_;
};

template <class Info>
void TakeInfo(Info info, MediaFacts& f) {
    f.formatTag = info.FormatTag();
    f.duration = info.Duration();
    f.sampleRate = info.SampleRate();
    f.bitrate = info.Bitrate();
    f.channels = info.Channels();
    f.size = info.Size();
}

template <class Reader>
void TakeTags(Reader& r, MediaFacts& f) {
    f.title = Q(r.Title());
    f.artist = Q(r.Artist());
    f.album = Q(r.Album());
    f.genre = Q(r.Genre());
    f.comment = Q(r.Comments());
    f.track = r.Track();
    f.year = r.Year();
}

class TMedia : public MediaInspector {
public:
    explicit TMedia(TProgramComponents::TWrappers& w) : w_(w) {}
    int SourceFormatTag(const QString& path) override {
        w_.SourceReader.Open(U16(path));
        const int tag = w_.SourceReader.AudioInfo().FormatTag();
        w_.SourceReader.Close();
        return tag;
    }
    void CloseSource() override { w_.SourceReader.Close(); }
    void OpenSource(const QString& path) override { w_.SourceReader.Open(U16(path)); }
    bool ReadTags(const QString& path, int tagType, MediaFacts& f) override {
        w_.TagEditor.SetTagType(tagType);
        if (!w_.TagEditor.ReadFromFile(U8(path)))
            return false;
        TakeInfo(w_.TagEditor.AudioInfo(), f);
        TakeTags(w_.TagEditor, f);
        return true;
    }
    MediaFacts ReadTagsAgain(const QString& path) override {
        MediaFacts f;
        w_.TagEditor.ReadFromFile(U8(path));
        TakeInfo(w_.TagEditor.AudioInfo(), f);
        return f;
    }
    MediaFacts ReadWma(const QString& path) override {
        MediaFacts f;
        w_.WmaTagReader.ReadFromFile(U8(path));
        TakeInfo(w_.WmaTagReader.AudioInfo(), f);
        TakeTags(w_.WmaTagReader, f);
        return f;
    }

private:
    TProgramComponents::TWrappers& w_;
};

}  // namespace

class TMergeBindings {
public:
    explicit TMergeBindings(TProgramComponents::TWrappers& w)
        : adapters(w), tags(w.TagEditor), media(w) {}
    TJobAdapters adapters;
    TTags tags;  // the merge page's tags carry track and comment too
    TMedia media;
};

void TMergeBindingsDeleter::operator()(TMergeBindings* b) const { delete b; }

TMergeBindingsPtr MakeMergeBindings(TProgramComponents& components) {
    return TMergeBindingsPtr(new TMergeBindings(components.Wrappers));
}

TMergeServices ServicesOf(TMergeBindings& b) {
    TMergeServices s;
    s.media = &b.media;
    s.job = b.adapters.Components();
    s.job.tags = &b.tags;
    return s;
}
