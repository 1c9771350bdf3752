#pragma once

#include <QByteArray>
#include <QObject>
#include <QTimer>

#include <atomic>
#include <memory>

struct pa_stream;

namespace quorvel {

class SoundServer;

// One stream on the sound server for the sounds the character makes one after another: the
// first connection costs tens of milliseconds, which the pupil would hear as a pause before each
// sentence. A stream silent for a while is closed, and opened again (a few milliseconds) for the
// next sound; the connection stays. Sounds are written in as the stream has room, and how much of
// the current one has been heard comes from what the server reports it has played.
//
// PulseAudio's own client library, which espeak-ng already brings into the process, and which
// Qt Multimedia would only wrap, bringing Qt Network and Kerberos with it. Desktops that run
// PipeWire serve the same protocol.
class SoundStream : public QObject
{
    Q_OBJECT
public:
    explicit SoundStream(QObject *parent = nullptr);
    ~SoundStream() override;

    // Starts writing a sound (signed 16-bit mono, native byte order) and drops what is left of
    // the one before. False when it cannot be heard: no sound server, or one that refuses the
    // stream.
    bool play(const QByteArray &samples, int sampleRate);
    // Writes nothing more of the current sound (what the server holds, a few milliseconds, plays
    // out).
    void stop();

    // How much of the current sound has been played, in milliseconds.
    qint64 playedMs() const;
    // The whole of the current sound has been played.
    bool isDone() const;
    bool isPlaying() const { return m_stream && !m_sound.isEmpty(); }

signals:
    // The first samples of the sound went to the server.
    void started();
    // The stream failed while playing: the sound is not heard to its end.
    void failed();

private:
    bool open(int sampleRate);
    void close();
    void feed();
    qint64 playedBytes() const; // of the whole stream

    std::unique_ptr<SoundServer> m_server;
    pa_stream *m_stream = nullptr;
    QTimer m_feeder;
    QTimer m_rest;
    int m_sampleRate = 0;
    QByteArray m_sound;
    qint64 m_written = 0; // of the current sound
    qint64 m_soundStart = 0; // where the current sound starts in the stream, in bytes
    qint64 m_streamBytes = 0; // written into the stream since it was opened
    std::atomic<bool> m_starved = false; // the server ran out of what was written
};

} // namespace quorvel
