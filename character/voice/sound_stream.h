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
// The window's thread never waits for the server (see SoundServer): a sound starts when the
// stream is ready, and one whose stream is not ready in time, or fails, is reported failed. A
// connection that failed is dropped, and the next sound connects anew: the server may be back.
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

    // Starts a sound (signed 16-bit mono, native byte order) as soon as the stream is ready, and
    // drops what is left of the one before. False when it cannot be heard at all; failed() comes
    // when it turns out later.
    bool play(const QByteArray &samples, int sampleRate);
    // Continues the current sound with more of it, at its rate: written right after it, heard
    // without a gap if it comes before the server has played what it was given. Each piece is let
    // go of once written.
    void append(const QByteArray &samples);
    // Writes nothing more of the current sound (what the server holds, a few milliseconds, plays
    // out).
    void stop();

    // How much of the current sound has been played, in milliseconds.
    qint64 playedMs() const;
    // The whole of the current sound has been played.
    bool isDone() const;
    bool isPlaying() const { return m_ready && !m_sound.isEmpty(); }

signals:
    // The first samples of the sound went to the server.
    void started();
    // No server, one that does not answer in time, or the stream failed while playing: the sound
    // is not heard to its end.
    void failed();

private:
    void update();
    bool open();
    void begin();
    void fail();
    void close();
    void feed();
    qint64 playedBytes() const; // of the whole stream

    std::unique_ptr<SoundServer> m_server;
    pa_stream *m_stream = nullptr;
    bool m_ready = false; // m_stream can be written to
    QTimer m_feeder;
    QTimer m_rest;
    QTimer m_deadline;
    int m_sampleRate = 0;
    QByteArray m_sound; // the piece of the current sound being written
    QByteArray m_next; // the pieces appended after it
    qint64 m_before = 0; // bytes of the current sound in pieces written and let go of
    qint64 m_written = 0; // of the piece
    qint64 m_soundStart = 0; // where the current sound starts in the stream, in bytes
    qint64 m_streamBytes = 0; // written into the stream since it was opened
    std::atomic<bool> m_starved = false; // the server ran out of what was written
};

} // namespace quorvel
