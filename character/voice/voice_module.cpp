// The voice module: the character's voice (espeak-ng, the sound server's client) behind
// VoiceEngine.
#include "character/voice/speech_player.h"
#include "character/voice/voice_engine.h"

namespace {

class Engine : public quorvel::VoiceEngine
{
public:
    Engine(const Events &events, QObject *owner)
        : m_player(new quorvel::SpeechPlayer(owner))
    {
        QObject::connect(m_player, &quorvel::SpeechPlayer::voiceStarted, m_player, events.started);
        QObject::connect(m_player, &quorvel::SpeechPlayer::revealed, m_player, events.revealed);
        QObject::connect(m_player, &quorvel::SpeechPlayer::finished, m_player, events.finished);
    }
    ~Engine() override { delete m_player; }
    void prepare(const QString &text, const quorvel::VoiceSettings &voice) override
    {
        m_player->prepare(text, voice);
    }
    void say(const QString &text, const quorvel::VoiceSettings &voice) override
    {
        m_player->say(text, voice);
    }
    void stop() override { m_player->stop(); }

private:
    quorvel::SpeechPlayer *m_player;
};

} // namespace

extern "C" Q_DECL_EXPORT quorvel::VoiceEngine *
quorvel_create_voice_engine(const quorvel::VoiceEngine::Events &events, QObject *owner)
{
    return new Engine(events, owner);
}
