#pragma once

#include <QByteArray>
#include <QObject>
#include <QTimer>

class QAudioSink;
class QIODevice;

namespace quorvel {

// One audio sink, and one stream on the sound server, for the sounds the character makes one
// after another: opening the first sink costs tens of milliseconds and a server connection,
// which the pupil would hear as a pause before each sentence. A stream silent for a while is
// closed, and opened again (a few milliseconds) for the next sound. Sounds are written in as the
// sink has room, and how much of the current one has been heard comes from what the server reports
// it has played.
class SoundStream : public QObject
{
    Q_OBJECT
public:
    explicit SoundStream(QObject *parent = nullptr);
    ~SoundStream() override;

    // Starts writing a sound (signed 16-bit mono) and drops what is left of the one before.
    // False when it cannot be heard: no output device, a format it refuses, a sink that fails.
    bool play(const QByteArray &samples, int sampleRate);
    // Writes nothing more of the current sound (what the sink holds, a few milliseconds, plays
    // out).
    void stop();

    // How much of the current sound has been played, in milliseconds.
    qint64 playedMs() const;
    // The whole of the current sound has been played.
    bool isDone() const;
    bool isPlaying() const { return m_sink && !m_sound.isEmpty(); }

signals:
    // The first samples of the sound went to the sink.
    void started();
    // The sink failed while playing: the sound is not heard to its end.
    void failed();

private:
    bool open(int sampleRate);
    void close();
    void feed();
    qint64 playedBytes() const; // of the whole stream

    QAudioSink *m_sink = nullptr;
    QIODevice *m_output = nullptr;
    QTimer m_feeder;
    QTimer m_rest;
    int m_sampleRate = 0;
    QByteArray m_sound;
    qint64 m_written = 0; // of the current sound
    qint64 m_soundStart = 0; // where the current sound starts in the stream, in bytes
    qint64 m_streamBytes = 0; // written into the stream since it was opened
    bool m_drained = false; // the sink ran dry after the last byte of the sound
};

} // namespace quorvel
