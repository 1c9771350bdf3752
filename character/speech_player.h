#pragma once

#include "character/manifest.h"
#include "character/speech.h"

#include <QElapsedTimer>
#include <QFutureWatcher>
#include <QObject>
#include <QTimer>

class QAudioSink;
class QBuffer;

namespace quorvel {

// Says one text at a time: synthesis on the speech thread, playback here on a Qt audio sink,
// and the written words revealed as their sound comes. Without a sound device, voice data or a
// working synthesis it stays silent for the text's reading time instead, so that whoever waits
// for the end of the speech goes on all the same.
class SpeechPlayer : public QObject
{
    Q_OBJECT
public:
    explicit SpeechPlayer(QObject *parent = nullptr);
    ~SpeechPlayer() override;

    void say(const QString &text, const VoiceSettings &voice);
    // Silences the current speech at once; finished() does not come.
    void stop();
    bool isBusy() const { return m_busy; }
    bool isAudible() const { return m_sink != nullptr; }

signals:
    void voiceStarted(); // sound (or silent reading) begins: the mouth may move
    void revealed(int characters); // the written text up to here has been said
    void finished();

private:
    void begin(const Utterance &utterance);
    bool startAudio(const Utterance &utterance);
    void releaseAudio();
    void tick();
    void end();

    QFutureWatcher<Utterance> m_watcher;
    QTimer m_ticker;
    QElapsedTimer m_clock;
    QAudioSink *m_sink = nullptr;
    QBuffer *m_buffer = nullptr;
    QString m_text;
    VoiceSettings m_voice;
    QList<WordMark> m_words;
    int m_nextWord = 0;
    int m_durationMs = 0;
    bool m_busy = false;
    bool m_audioDone = false;
};

// Where to reveal the written text up to once the word at [start, start + length) is said: the
// end of the written word it falls in, and the punctuation right after it.
int revealEnd(const QString &text, int start, int length);

// Word marks spread over a silent reading time, in proportion to where the words are written.
QList<WordMark> readingMarks(const QString &text, int durationMs);

} // namespace quorvel
