#include "character/sound_stream.h"

#include <QAudioDevice>
#include <QAudioFormat>
#include <QAudioSink>
#include <QMediaDevices>

namespace quorvel {

namespace {

// Small enough that a sound starts as soon as it is written and the tail of a stopped one is
// short; large enough to ride over a busy event loop.
constexpr int kBufferMs = 120;
constexpr int kFeedMs = 10;
// An open sink keeps a timer of Qt's ticking fifty times a second even in silence, and the sound
// server's thread waking for its timing: once it has been silent this long it is closed. The
// connection to the server stays, so the next sound opens a stream again in a few milliseconds.
constexpr int kRestMs = 2000;

} // namespace

SoundStream::SoundStream(QObject *parent)
    : QObject(parent)
{
    m_feeder.setInterval(kFeedMs);
    connect(&m_feeder, &QTimer::timeout, this, &SoundStream::feed);
    m_rest.setSingleShot(true);
    m_rest.setInterval(kRestMs);
    connect(&m_rest, &QTimer::timeout, this, [this] {
        if (m_sink && m_sink->state() == QAudio::IdleState)
            close();
    });
}

SoundStream::~SoundStream()
{
    close();
}

bool SoundStream::open(int sampleRate)
{
    if (m_sink && m_sampleRate == sampleRate)
        return true;
    close();
    const QAudioDevice device = QMediaDevices::defaultAudioOutput();
    if (device.isNull())
        return false;
    QAudioFormat format;
    format.setSampleRate(sampleRate);
    format.setChannelCount(1);
    format.setSampleFormat(QAudioFormat::Int16);
    if (!device.isFormatSupported(format))
        return false;
    m_sink = new QAudioSink(device, format, this);
    m_sink->setBufferSize(format.bytesForDuration(kBufferMs * 1000));
    m_output = m_sink->start();
    if (!m_output || m_sink->error() != QAudio::NoError) {
        close();
        return false;
    }
    m_sampleRate = sampleRate;
    m_streamBytes = 0;
    connect(m_sink, &QAudioSink::stateChanged, this, [this](QAudio::State state) {
        if (state == QAudio::IdleState && !m_sound.isEmpty() && m_written == m_sound.size()) {
            m_drained = true;
            m_rest.start();
        } else if (state == QAudio::StoppedState && m_sink->error() != QAudio::NoError)
            QTimer::singleShot(0, this, [this] {
                close();
                emit failed();
            });
    });
    return true;
}

void SoundStream::close()
{
    m_feeder.stop();
    m_rest.stop();
    m_sound.clear();
    if (m_sink) {
        m_sink->disconnect(this);
        m_sink->stop();
        m_sink->deleteLater();
        m_sink = nullptr;
        m_output = nullptr;
    }
}

bool SoundStream::play(const QByteArray &samples, int sampleRate)
{
    m_sound.clear();
    m_rest.stop();
    if (samples.isEmpty() || !open(sampleRate))
        return false;
    m_sound = samples;
    m_written = 0;
    m_drained = false;
    // Where the server's count of played bytes will stand when this sound begins: it may count
    // the silence between sounds or not, depending on the server.
    m_soundStart = qMax(m_streamBytes, playedBytes());
    feed();
    if (!m_sink)
        return false;
    m_feeder.start();
    return true;
}

void SoundStream::stop()
{
    m_feeder.stop();
    m_sound.clear();
}

void SoundStream::feed()
{
    if (!m_sink || m_written >= m_sound.size()) {
        m_feeder.stop();
        return;
    }
    const qint64 room = qMin(qint64(m_sink->bytesFree()), m_sound.size() - m_written) & ~qint64(1);
    if (room <= 0)
        return;
    const qint64 wrote = m_output->write(m_sound.constData() + m_written, room);
    if (wrote <= 0)
        return;
    const bool first = m_written == 0;
    m_written += wrote;
    m_streamBytes += wrote;
    if (first)
        emit started();
}

qint64 SoundStream::playedBytes() const
{
    if (!m_sink)
        return 0;
    return m_sink->format().bytesForDuration(m_sink->processedUSecs());
}

qint64 SoundStream::playedMs() const
{
    if (!m_sink || m_sound.isEmpty())
        return 0;
    const qint64 played = qBound(qint64(0), playedBytes() - m_soundStart, qint64(m_sound.size()));
    return m_sink->format().durationForBytes(qint32(played)) / 1000;
}

bool SoundStream::isDone() const
{
    if (!m_sink || m_sound.isEmpty() || m_written < m_sound.size())
        return false;
    return m_drained || playedBytes() >= m_soundStart + m_sound.size();
}

} // namespace quorvel
