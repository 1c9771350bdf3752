#pragma once

// A tiny character written into a temporary folder: a 100×200 viewBox, a red body with a
// transparent margin around it and a mouth overlay, and a handful of short animations.

#include "engine/runtime_error.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <QTest>

#include <functional>

namespace fixture {

inline QString svg(const QString &shapes, const QString &viewBox = QStringLiteral("0 0 100 200"))
{
    return QStringLiteral("<svg xmlns=\"http://www.w3.org/2000/svg\" viewBox=\"%1\">%2</svg>")
        .arg(viewBox, shapes);
}

inline QJsonObject frame(const QStringList &layers, int duration)
{
    return {{"layers", QJsonArray::fromStringList(layers)}, {"duration", duration}};
}

inline QJsonObject animation(const QJsonArray &frames, bool loop = false)
{
    QJsonObject object {{"frames", frames}};
    if (loop)
        object.insert("loop", true);
    return object;
}

inline QJsonObject manifest()
{
    return {
        {"format", "quorvel-character"},
        {"version", 1},
        {"id", "Tiny"},
        {"size", QJsonObject {{"width", 50}, {"height", 100}}},
        {"viewBox", QJsonObject {{"width", 100}, {"height", 200}}},
        {"balloon", QJsonObject {{"background", "#ffffff"}, {"maxWidth", 200}}},
        {"voice", QJsonObject {{"language", "it"}, {"rate", 450}}},
        {"images", QJsonObject {{"body", "tiny/body.svg"}, {"mouth", "tiny/mouth.svg"}}},
        {"animations",
         QJsonObject {
             {"Appear", animation({frame({"body"}, 20), frame({"body", "mouth"}, 20)})},
             {"Rest", animation({frame({"body"}, 200)}, true)},
             {"Talk", animation({frame({"body", "mouth"}, 30), frame({"body"}, 30)}, true)},
             {"Announce", animation({frame({"body", "mouth"}, 30), frame({"body"}, 30)})},
             {"congratulate_2", animation({frame({"body"}, 20)})},
         }},
        {"roles", QJsonObject {{"appear", "Appear"}, {"idle", "Rest"}, {"speak", "Talk"}}},
    };
}

// The body fills x 20..80, y 20..180 of the 100×200 box in pure red.
inline const QString kBody
    = svg(QStringLiteral("<rect x=\"20\" y=\"20\" width=\"60\" height=\"160\" fill=\"#ff0000\"/>"));
inline const QString kMouth
    = svg(QStringLiteral("<rect x=\"40\" y=\"60\" width=\"20\" height=\"10\" fill=\"#000000\"/>"));

inline void write(const QString &path, const QByteArray &data)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    QVERIFY2(file.open(QIODevice::WriteOnly | QIODevice::Truncate), qPrintable(path));
    file.write(data);
}

// Writes the pictures and the manifest (as "tiny.acs" unless told otherwise) into dir.
inline QString writeCharacter(const QTemporaryDir &dir, const QJsonObject &object = manifest(),
                              const QString &fileName = QStringLiteral("tiny.acs"))
{
    write(dir.filePath("tiny/body.svg"), kBody.toUtf8());
    write(dir.filePath("tiny/mouth.svg"), kMouth.toUtf8());
    const QString path = dir.filePath(fileName);
    write(path, QJsonDocument(object).toJson());
    return path;
}

inline QString merlinFolder()
{
    return QStringLiteral(QUORVEL_SOURCE_CHARACTERS);
}

// Runs call and checks that it throws the run-time error number whose description contains
// every fragment.
inline void expectError(const std::function<void()> &call, int number, const QStringList &fragments)
{
    try {
        call();
    } catch (const quorvel::RuntimeError &error) {
        const QString description = QString::fromStdString(error.description());
        QVERIFY2(error.number() == number,
                 qPrintable(QStringLiteral("%1: %2").arg(error.number()).arg(description)));
        const QString standard
            = QString::fromStdString(quorvel::RuntimeError::standardDescription(number));
        QVERIFY2(description.startsWith(standard), qPrintable(description));
        for (const QString &fragment : fragments)
            QVERIFY2(description.contains(fragment), qPrintable(description + " ≠ " + fragment));
        return;
    }
    QFAIL("no run-time error");
}

} // namespace fixture
