#pragma once

#include "character/format/manifest.h"
#include "character/voice/synthesis.h"
#include "character/voice/voice_engine.h"

#include <QElapsedTimer>
#include <QFutureWatcher>
#include <QObject>
#include <QTimer>

namespace quorvel {

class SoundStream;

// Says one text at a time: synthesis on the speech thread, playback here on the one sound
// stream, and the written words revealed as their sound is played. The speech ends when its
// sound has been played out. A text is synthesised a sentence at a time, each shortly before the
// one before it has been heard: only those two are in memory, not the sound of the whole speech.
// Without a sound device, voice data, a working synthesis or one in time it stays silent for the
// text's reading time instead, so that whoever waits for the end of the speech goes on all the
// same.
//
// The voice module's engine: nothing else sees espeak-ng or the sound server.
class SpeechPlayer
    : public QObject
    , public VoiceEngine
{
    Q_OBJECT
public:
    // The events come from this object's thread.
    explicit SpeechPlayer(const Events &events, QObject *parent = nullptr);
    ~SpeechPlayer() override;

    void prepare(const QString &text, const VoiceSettings &voice) override;
    void say(const QString &text, const VoiceSettings &voice) override;
    void stop() override;

private:
    QFuture<Utterance> synthesis(const QString &text, const VoiceSettings &voice);
    void startWith(const QFuture<Utterance> &future);
    void begin(const Utterance &utterance);
    void synthesiseNext();
    void continueWith(const QFuture<Utterance> &future);
    void tick();
    void end();

    Events m_events;
    QFutureWatcher<Utterance> m_watcher;
    QFutureWatcher<Utterance> m_nextWatcher; // the sentence after those synthesised
    QList<std::pair<QString, QFuture<Utterance>>> m_prepared; // the last used last
    QTimer m_ticker;
    QTimer m_late; // the synthesis has not come in time
    QElapsedTimer m_clock;
    SoundStream *m_sound = nullptr;
    QString m_text;
    VoiceSettings m_voice;
    QList<std::pair<int, int>> m_sentences; // start and length in m_text
    qsizetype m_synthesised = 0; // sentences whose synthesis has been asked for
    bool m_waitingForNext = false;
    int m_sampleRate = 0;
    qint64 m_soundBytes = 0; // of the sentences synthesised
    QList<WordMark> m_words;
    int m_nextWord = 0;
    int m_durationMs = 0;
    bool m_busy = false;
    bool m_audible = false;
};

// Where to reveal the written text up to once the word at [start, start + length) is said: the
// end of the written word it falls in, and the punctuation right after it.
int revealEnd(const QString &text, int start, int length);

} // namespace quorvel
