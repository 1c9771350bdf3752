#pragma once

#include "character/format/manifest.h"
#include "character/voice/voice_engine.h"

#include <QList>
#include <QObject>
#include <QTimer>

#include <memory>

namespace quorvel {

// The character's voice as he knows it. The voice itself is a module (its pieces: CMakeLists.txt
// here) loaded at run time the first time he speaks: espeak-ng and the sound server's client
// bring seventeen libraries that a program linking them loads and initialises before it can show
// its first window. Texts prepared before that are synthesised once the module is there. Without
// the module he is silent: the balloon shows for the text's reading time.
class Voice : public QObject
{
    Q_OBJECT
public:
    explicit Voice(QObject *parent = nullptr);
    ~Voice() override;

    void prepare(const QString &text, const VoiceSettings &voice);
    void say(const QString &text, const VoiceSettings &voice, bool aloud = true);
    // Silences the current speech at once; finished() does not come.
    void stop();

    // For a program that links the voice in (tests, benchmarks): no module is loaded.
    static void useEngine(CreateVoiceEngine *create);

signals:
    void voiceStarted();
    void revealed(int characters);
    void finished();

private:
    VoiceEngine *engine();

    std::unique_ptr<VoiceEngine> m_engine;
    bool m_tried = false;
    QList<std::pair<QString, VoiceSettings>> m_prepared;
    QTimer m_silence; // speaking without a voice
};

} // namespace quorvel
