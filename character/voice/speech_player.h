#pragma once

#include "character/format/manifest.h"
#include "character/voice/speech.h"

#include <QElapsedTimer>
#include <QFutureWatcher>
#include <QObject>
#include <QTimer>

namespace quorvel {

class SoundStream;

// Says one text at a time: synthesis on the speech thread, playback here on the one sound
// stream, and the written words revealed as their sound is played. The speech ends when its
// sound has been played out. Without a sound device, voice data, a working synthesis or one in
// time it stays silent for the text's reading time instead, so that whoever waits for the end of
// the speech goes on all the same.
//
// This is all the character knows of the voice: nothing else sees espeak-ng or the sound server.
class SpeechPlayer : public QObject
{
    Q_OBJECT
public:
    explicit SpeechPlayer(QObject *parent = nullptr);
    ~SpeechPlayer() override;

    // Synthesises a text that is to be said soon, so that say() finds its sound ready.
    void prepare(const QString &text, const VoiceSettings &voice);
    void say(const QString &text, const VoiceSettings &voice);
    // Silences the current speech at once; finished() does not come.
    void stop();
    bool isBusy() const { return m_busy; }
    bool isAudible() const { return m_audible; }

signals:
    void voiceStarted(); // sound (or silent reading) begins: the mouth may move
    void revealed(int characters); // the written text up to here has been said
    void finished();

private:
    QFuture<Utterance> synthesis(const QString &text, const VoiceSettings &voice);
    void startWith(const QFuture<Utterance> &future);
    void begin(const Utterance &utterance);
    void tick();
    void end();

    QFutureWatcher<Utterance> m_watcher;
    QList<std::pair<QString, QFuture<Utterance>>> m_prepared; // the last used last
    QTimer m_ticker;
    QTimer m_late; // the synthesis has not come in time
    QElapsedTimer m_clock;
    SoundStream *m_sound = nullptr;
    QString m_text;
    VoiceSettings m_voice;
    QList<WordMark> m_words;
    int m_nextWord = 0;
    int m_durationMs = 0;
    bool m_busy = false;
    bool m_audible = false;
};

// Where to reveal the written text up to once the word at [start, start + length) is said: the
// end of the written word it falls in, and the punctuation right after it.
int revealEnd(const QString &text, int start, int length);

// Word marks spread over a silent reading time, in proportion to where the words are written.
QList<WordMark> readingMarks(const QString &text, int durationMs);

} // namespace quorvel
