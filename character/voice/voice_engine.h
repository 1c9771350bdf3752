#pragma once

#include "character/format/manifest.h"

#include <QString>

class QObject;

#include <functional>

namespace quorvel {

// The border between the character and his voice module: plain C++, no signals, so that the
// module and the program need share nothing but Qt's own libraries.
class VoiceEngine
{
public:
    struct Events
    {
        std::function<void()> started; // sound (or silent reading) begins
        std::function<void(int)> revealed; // the written text up to here has been said
        std::function<void()> finished;
    };

    virtual ~VoiceEngine() = default;
    virtual void prepare(const QString &text, const VoiceSettings &voice) = 0;
    virtual void say(const QString &text, const VoiceSettings &voice) = 0;
    virtual void stop() = 0;
};

// owner: the QObject the engine's own objects hang from.
using CreateVoiceEngine = VoiceEngine *(const VoiceEngine::Events &events, QObject *owner);

} // namespace quorvel

// What the voice module exports, and what a program that links the voice in passes to
// Voice::useEngine.
extern "C" quorvel::VoiceEngine *
quorvel_create_voice_engine(const quorvel::VoiceEngine::Events &events, QObject *owner);
