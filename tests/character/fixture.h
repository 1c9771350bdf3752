#pragma once

// A tiny character written into a temporary folder: a 100×200 viewBox, a red body with a
// transparent margin around it, a mouth overlay and a few short animations.

#include "character/agent.h"
#include "engine/runtime_error.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <QWidget>

#include <functional>
#include <memory>

namespace fixture {

// A valid manifest; tests derive broken ones from it by replacing a piece of its text.
inline const QByteArray kManifest = R"({"format": "quorvel-character", "version": 1, "id": "Tiny",
  "size": {"width": 50, "height": 100}, "viewBox": {"width": 100, "height": 200},
  "balloon": {"background": "white", "maxWidth": 200}, "voice": {"language": "it", "rate": 450},
  "images": {"body": "tiny/body.svg", "mouth": "tiny/mouth.svg"},
  "animations": {
    "Appear": {"frames": [{"layers": ["body"], "duration": 20},
                          {"layers": ["body", "mouth"], "duration": 20}]},
    "Rest": {"frames": [{"layers": ["body"], "duration": 200}], "loop": true},
    "Talk": {"frames": [{"layers": ["body", "mouth"], "duration": 30},
                        {"layers": ["body"], "duration": 30}], "loop": true},
    "Announce": {"frames": [{"layers": ["body", "mouth"], "duration": 40},
                            {"layers": ["body"], "duration": 40}]}},
  "roles": {"appear": "Appear", "idle": "Rest", "speak": "Talk"}})";

inline QByteArray manifestWith(const QByteArray &from, const QByteArray &to)
{
    return from.isEmpty() ? kManifest : QByteArray(kManifest).replace(from, to);
}

// The body fills x 20..80, y 20..180 of the 100×200 box in pure red.
inline const QByteArray kBody = R"(<svg xmlns="http://www.w3.org/2000/svg" viewBox="0 0 100 200">
  <rect x="20" y="20" width="60" height="160" fill="#ff0000"/></svg>)";
inline const QByteArray kMouth = R"(<svg xmlns="http://www.w3.org/2000/svg" viewBox="0 0 100 200">
  <rect x="40" y="60" width="20" height="10" fill="#000000"/></svg>)";

inline void write(const QString &path, const QByteArray &data)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    QVERIFY2(file.open(QIODevice::WriteOnly | QIODevice::Truncate), qPrintable(path));
    file.write(data);
}

// The pictures and the manifest, as dir/tiny.acs.
inline void writeCharacter(const QTemporaryDir &dir, const QByteArray &manifestText)
{
    write(dir.filePath("tiny/body.svg"), kBody);
    write(dir.filePath("tiny/mouth.svg"), kMouth);
    write(dir.filePath("tiny.acs"), manifestText);
}

// A control of its own with the tiny character, loaded as "Tiny" unless told otherwise.
struct Loaded
{
    QTemporaryDir dir;
    std::unique_ptr<quorvel::AgentControl> agent;

    // An owner puts him inside a window of the test's, as the game has him; the window must
    // outlive this.
    explicit Loaded(const QByteArray &manifest = kManifest, QWidget *owner = nullptr,
                    bool load = true)
    {
        writeCharacter(dir, manifest);
        agent = std::make_unique<quorvel::AgentControl>(QStringList {dir.path()}, owner);
        if (load)
            agent->Characters().Load("Tiny", "C:\\chars\\tiny.acs");
    }
    quorvel::CharacterHandle tiny() const { return agent->Characters().Item("Tiny"); }
};

// Counts the events of one kind a widget gets from the moment it is made, calling back on each.
struct EventCounter : QObject
{
    explicit EventCounter(QWidget *widget, QEvent::Type type = QEvent::Paint,
                          std::function<void()> onEvent = {})
        : type(type)
        , onEvent(std::move(onEvent))
    {
        widget->installEventFilter(this);
    }
    QEvent::Type type;
    std::function<void()> onEvent;
    int count = 0;
    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() == type && ++count && onEvent)
            onEvent();
        return false;
    }
};

// Checks that call throws the run-time error number, with the standard description followed by
// every fragment.
inline void expectError(const std::function<void()> &call, int number, const QStringList &fragments)
{
    try {
        call();
    } catch (const quorvel::RuntimeError &error) {
        const QString description = QString::fromStdString(error.description());
        const QString standard
            = QString::fromStdString(quorvel::RuntimeError::standardDescription(number));
        QVERIFY2(error.number() == number && description.startsWith(standard),
                 qPrintable(QStringLiteral("%1: %2").arg(error.number()).arg(description)));
        for (const QString &fragment : fragments)
            QVERIFY2(description.contains(fragment), qPrintable(description + " ≠ " + fragment));
        return;
    }
    QFAIL("no run-time error");
}

} // namespace fixture
