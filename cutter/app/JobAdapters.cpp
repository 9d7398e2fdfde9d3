#include "JobAdapters.h"

#include <stdexcept>

#include "tags/OggVorbis.h"
#include "tags/wmaTags.h"
#include "workflow/FormatCode.h"

namespace {

std::string U8(const QString& s) { return s.toStdString(); }

workflow::AudioBlock Take(TAudioBlock&& block) {
    workflow::AudioBlock out;
    *out.Get() = *block.Get();
    VariantInit(block.Get());  // ownership moved to `out`
    return out;
}

template <class Info>
workflow::StreamInfo InfoOf(Info&& i) {
    workflow::StreamInfo s;
    s.sampleRate = i.SampleRate();
    s.channels = i.Channels();
    s.sampleSize = i.SampleSize();
    s.compressRate = i.CompressRate();
    s.size = i.Size();
    s.duration = i.Duration();
    return s;
}

int BlockCount(std::int64_t count) {
    if (count < 0) return 0;
    return count > 0x7fffffff ? 0x7fffffff : static_cast<int>(count);
}

}  // namespace

void TFileReaderAdapter::Open(const QString& path) { f_.Open(U8(path)); }
void TFileReaderAdapter::SeekTime(std::int64_t ms) { f_.SeekTime(ms); }
void TFileReaderAdapter::SeekUnits(std::int64_t) {
    throw std::logic_error("the file reader seeks by time only");
}
workflow::AudioBlock TFileReaderAdapter::Read(std::int64_t count) { return Take(f_.Read(BlockCount(count))); }
void TFileReaderAdapter::Close() { f_.Close(); }
workflow::StreamInfo TFileReaderAdapter::Info() { return InfoOf(f_.AudioInfo()); }
std::int64_t TFileReaderAdapter::Position() { return f_.AudioInfo().Position(); }

void TWmaReaderAdapter::Open(const QString& path) { f_.Open(U8(path)); }
void TWmaReaderAdapter::SeekTime(std::int64_t ms) { f_.SeekTime(ms); }
void TWmaReaderAdapter::SeekUnits(std::int64_t units) { f_.SeekUnits(units); }
workflow::AudioBlock TWmaReaderAdapter::Read(std::int64_t count) { return Take(f_.Read(BlockCount(count))); }
void TWmaReaderAdapter::Close() { f_.Close(); }
workflow::StreamInfo TWmaReaderAdapter::Info() { return InfoOf(f_.AudioInfo()); }
std::int64_t TWmaReaderAdapter::Position() { return f_.AudioInfo().Position(); }

void TFileWriterAdapter::Create(const QString& path, workflow::FormatCode format) {
    f_.Create(U8(path), FileTypeCode(format));
}
void TFileWriterAdapter::Write(const workflow::AudioBlock& block) { f_.Write(*block.Get()); }
void TFileWriterAdapter::Close() { f_.Close(); }

void TWmaWriterAdapter::Create(const QString& path, workflow::FormatCode) { f_.Create(U8(path)); }
void TWmaWriterAdapter::Write(const workflow::AudioBlock& block) { f_.Write(*block.Get()); }
void TWmaWriterAdapter::Close() { f_.Close(); }

void TTagWriterAdapter::WriteTags(workflow::FormatCode format, const QString& path, const workflow::TagValues& tags) {
    const std::string file = U8(path);
    switch (format) {
        case workflow::fcMp3: {
            editor_.SetTagType(1);
            editor_.ReadFromFile(file);
            editor_.SetPropertyByName(u"Title", tags.title.toStdU16String());
            editor_.SetPropertyByName(u"Artist", tags.artist.toStdU16String());
            editor_.SetPropertyByName(u"Album", tags.album.toStdU16String());
            editor_.SetPropertyByName(u"Genre", tags.genre.toStdU16String());
            editor_.SetYear(tags.year.trimmed().toInt());
            if (tags.comment) editor_.SetPropertyByName(u"Comments", tags.comment->toStdU16String());
            if (tags.track) editor_.SetTrack(tags.track->trimmed().toInt());
            if (!editor_.WriteToFile(file)) throw std::runtime_error("Unable to write the tags of " + file);
            break;
        }
        case workflow::fcOggVorbis: {
            TOggVorbis ogg;
            if (!ogg.LoadFromFile(file)) throw std::runtime_error("Unable to read the Ogg Vorbis file " + file);
            // An output its reader finds not valid (too short to measure) is left untagged.
            if (!ogg.IsValidStream()) break;
            ogg.TagTitle = U8(tags.title);
            ogg.TagArtist = U8(tags.artist);
            ogg.TagAlbum = U8(tags.album);
            ogg.TagGenre = U8(tags.genre);
            ogg.TagDate = U8(tags.year);
            if (tags.comment) ogg.TagComment = U8(*tags.comment);
            if (tags.track) ogg.TagTrack = static_cast<std::uint16_t>(ParseTrackNumber(U8(*tags.track)));
            if (!ogg.WriteTags(file)) throw std::runtime_error("Unable to write the tags of " + file);
            break;
        }
        case workflow::fcWma: {
            TTagsData data;
            data.TitleText = U8(tags.title);
            data.AuthorText = U8(tags.artist);
            data.AlbumTitleText = U8(tags.album);
            data.GenreText = U8(tags.genre);
            data.YearText = U8(tags.year);
            if (tags.comment) data.DescriptionText = tags.comment->toStdU16String();
            if (tags.track) data.TrackNumberText = U8(*tags.track);
            if (!WriteWmaTags(file, data)) throw std::runtime_error("Unable to write the tags of " + file);
            break;
        }
        default:
            break;  // WAV and unknown: no tags
    }
}

workflow::SourceTags ReadSourceTags(TAudioFileInformation3& editor, TAudioFileWMAInformation3& wmaReader,
                                    const QString& path, workflow::FormatCode in) {
    workflow::SourceTags t;
    const auto q = [](const std::u16string& s) { return QString::fromStdU16String(s); };
    if (in == workflow::fcWma) {
        wmaReader.ReadFromFile(U8(path));
        t = {q(wmaReader.Title()), q(wmaReader.Artist()), q(wmaReader.Album()), q(wmaReader.Genre()), QString()};
        if (wmaReader.Year() > 0) t.year = QString::number(wmaReader.Year());
    } else {
        editor.SetTagType(1);
        bool read = editor.ReadFromFile(U8(path));
        // An MP3 whose main tag holds nothing is read again with the second tag kind.
        if (in == workflow::fcMp3 && path.endsWith(QStringLiteral(".mp3"), Qt::CaseInsensitive) &&
            editor.Artist().empty() && editor.Title().empty() && editor.Album().empty() && editor.Track() == 0 &&
            editor.Year() == 0) {
            editor.SetTagType(2);
            read = editor.ReadFromFile(U8(path));
        }
        if (read) {
            t = {q(editor.Title()), q(editor.Artist()), q(editor.Album()), q(editor.Genre()), QString()};
            if (editor.Year() > 0) t.year = QString::number(editor.Year());
        }
    }
    return t;
}
