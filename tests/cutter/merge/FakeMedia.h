// A stand-in for the file components: facts per path, a log of the calls.
#pragma once

#include <QMap>
#include <QStringList>
#include <stdexcept>

#include "MergeList.h"

struct FakeMedia : workflow::MediaInspector {
    QMap<QString, workflow::MediaFacts> first;   // tag type 1 (and the source reader's tag)
    QMap<QString, workflow::MediaFacts> second;  // tag type 2
    QStringList failing;                         // paths whose open raises
    QStringList log;
    int tagType = 1;

    int SourceFormatTag(const QString& path) override {
        log << "tag " + path;
        if (failing.contains(path))
            throw std::runtime_error("cannot open");
        return first.value(path).formatTag;
    }
    void CloseSource() override { log << QStringLiteral("close"); }
    void OpenSource(const QString& path) override {
        log << "open " + path;
        if (failing.contains(path))
            throw std::runtime_error("cannot open");
    }
    bool ReadTags(const QString& path, int type, workflow::MediaFacts& facts) override {
        tagType = type;
        log << QStringLiteral("read %1 %2").arg(type).arg(path);
        const auto& map = type == 2 ? second : first;
        if (!map.contains(path))
            return false;
        facts = map.value(path);
        return true;
    }
    workflow::MediaFacts ReadTagsAgain(const QString& path) override {
        return tagType == 2 ? second.value(path) : first.value(path);
    }
    workflow::MediaFacts ReadWma(const QString& path) override {
        log << "wma " + path;
        if (failing.contains(path))
            throw std::runtime_error("cannot open");
        return first.value(path);
    }
};
