// The voice module's entry point, which the character's voice (voice.h) looks up once it has
// loaded the module.
#include "character/voice/speech_player.h"

extern "C" Q_DECL_EXPORT quorvel::VoiceEngine *
quorvel_create_voice_engine(const quorvel::VoiceEngine::Events &events, QObject *owner)
{
    return new quorvel::SpeechPlayer(events, owner);
}
