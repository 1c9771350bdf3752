#pragma once

#include "character/format/manifest.h"

#include <QString>

#include <functional>

class QObject;

namespace quorvel {

// What the character's voice (Voice) speaks through: the voice module's SpeechPlayer. Plain C++,
// no signals, so that the module and the program need share nothing but Qt's own libraries.
class VoiceEngine
{
public:
    struct Events
    {
        std::function<void()> started; // sound (or silent reading) begins: the mouth may move
        std::function<void(int)> revealed; // the written text up to here has been said
        std::function<void()> finished; // may destroy the engine
    };

    virtual ~VoiceEngine() = default;
    // Synthesises a text that is to be said soon, so that say() finds its sound ready.
    virtual void prepare(const QString &text, const VoiceSettings &voice) = 0;
    virtual void say(const QString &text, const VoiceSettings &voice) = 0;
    // Silences the current speech at once; finished does not come.
    virtual void stop() = 0;
};

// owner: the QObject the engine hangs from.
using CreateVoiceEngine = VoiceEngine *(const VoiceEngine::Events &events, QObject *owner);

} // namespace quorvel

// What the voice module exports, and what a program that links the voice in passes to
// Voice::useEngine.
extern "C" quorvel::VoiceEngine *
quorvel_create_voice_engine(const quorvel::VoiceEngine::Events &events, QObject *owner);
