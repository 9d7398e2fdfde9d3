// The product's addresses and version, as the About box and the Website command show them.
// The addresses are this project's own placeholders.
#pragma once

#include <QString>
#include <QStringList>
#include <utility>
#include <vector>

inline const QString kProductWebAddress = QStringLiteral("https://www.tarvel-audio.example/cutter/");
inline const QString kProductSupportMail = QStringLiteral("support@tarvel-audio.example");
inline const QString kProductVersionText = QStringLiteral("Version 1.5");

// The "Software" menu: other programs of the same maker, each with its web page.
inline const std::vector<std::pair<QString, QString>>& OtherProducts() {
    static const std::vector<std::pair<QString, QString>> list{
        {QStringLiteral("Tarvel Free Audio Converter"), QStringLiteral("https://www.tarvel-audio.example/converter/")},
        {QStringLiteral("Tarvel Free Audio Recorder"), QStringLiteral("https://www.tarvel-audio.example/recorder/")},
        {QStringLiteral("Tarvel Free Tag Editor"), QStringLiteral("https://www.tarvel-audio.example/tags/")},
    };
    return list;
}
