#include "character/sound_stream.h"

#include <pulse/context.h>
#include <pulse/operation.h>
#include <pulse/sample.h>
#include <pulse/stream.h>
#include <pulse/thread-mainloop.h>
#include <pulse/timeval.h>

#include <QCoreApplication>

namespace quorvel {

namespace {

// Small enough that a sound starts as soon as it is written and the tail of a stopped one is
// short; large enough to ride over a busy event loop.
constexpr int kBufferMs = 120;
constexpr int kFeedMs = 10;
// An open stream keeps the server's timing going even in silence, and the client's thread waking
// for it: once it has been silent this long it is closed.
constexpr int kRestMs = 2000;

// Holds the client library's lock for a scope.
class Locked
{
public:
    explicit Locked(pa_threaded_mainloop *loop)
        : m_loop(loop)
    {
        pa_threaded_mainloop_lock(m_loop);
    }
    ~Locked() { pa_threaded_mainloop_unlock(m_loop); }
    Locked(const Locked &) = delete;
    Locked &operator=(const Locked &) = delete;

private:
    pa_threaded_mainloop *m_loop;
};

// Disconnects and lets go of a stream, its callbacks first, so that none reaches an object that is
// done with it. The caller holds the library's lock.
void release(pa_stream *stream)
{
    pa_stream_set_state_callback(stream, nullptr, nullptr);
    pa_stream_set_underflow_callback(stream, nullptr, nullptr);
    pa_stream_disconnect(stream);
    pa_stream_unref(stream);
}

} // namespace

// The connection to the sound server, on the client library's own thread; every call into the
// library is made holding its lock.
class SoundServer
{
public:
    SoundServer()
    {
        m_loop = pa_threaded_mainloop_new();
        if (!m_loop)
            return;
        m_context = pa_context_new(pa_threaded_mainloop_get_api(m_loop),
                                   qPrintable(QCoreApplication::applicationName()));
        if (!m_context)
            return;
        pa_context_set_state_callback(m_context, &SoundServer::signal<pa_context>, m_loop);
        if (pa_threaded_mainloop_start(m_loop) < 0)
            return;
        Locked locked(m_loop);
        // A game does not start a sound server of its own: without one it is silent.
        if (pa_context_connect(m_context, nullptr, PA_CONTEXT_NOAUTOSPAWN, nullptr) < 0)
            return;
        for (;;) {
            const pa_context_state_t state = pa_context_get_state(m_context);
            if (state == PA_CONTEXT_READY || !PA_CONTEXT_IS_GOOD(state))
                break;
            pa_threaded_mainloop_wait(m_loop);
        }
    }

    ~SoundServer()
    {
        if (m_loop)
            pa_threaded_mainloop_stop(m_loop);
        if (m_context) {
            pa_context_disconnect(m_context);
            pa_context_unref(m_context);
        }
        if (m_loop)
            pa_threaded_mainloop_free(m_loop);
    }

    bool isReady() const
    {
        if (!m_context)
            return false;
        Locked locked(m_loop);
        return pa_context_get_state(m_context) == PA_CONTEXT_READY;
    }

    pa_threaded_mainloop *loop() const { return m_loop; }
    pa_context *context() const { return m_context; }

    // Wakes whoever waits on the loop: a state change or a reply came.
    template<typename T> static void signal(T *, void *loop)
    {
        pa_threaded_mainloop_signal(static_cast<pa_threaded_mainloop *>(loop), 0);
    }

private:
    pa_threaded_mainloop *m_loop = nullptr;
    pa_context *m_context = nullptr;
};

SoundStream::SoundStream(QObject *parent)
    : QObject(parent)
{
    m_feeder.setInterval(kFeedMs);
    connect(&m_feeder, &QTimer::timeout, this, &SoundStream::feed);
    m_rest.setSingleShot(true);
    m_rest.setInterval(kRestMs);
    connect(&m_rest, &QTimer::timeout, this, &SoundStream::close);
}

SoundStream::~SoundStream()
{
    close();
}

bool SoundStream::open(int sampleRate)
{
    if (m_stream && m_sampleRate == sampleRate)
        return true;
    close();
    if (!m_server)
        m_server = std::make_unique<SoundServer>();
    if (!m_server->isReady()) {
        m_server.reset(); // tried again at the next sound: the server may have come meanwhile
        return false;
    }
    pa_threaded_mainloop *loop = m_server->loop();
    Locked locked(loop);
    // espeak-ng's samples are in the machine's byte order.
    const pa_sample_spec format {PA_SAMPLE_S16NE, uint32_t(sampleRate), 1};
    pa_stream *stream = pa_stream_new(m_server->context(), "voice", &format, nullptr);
    if (!stream)
        return false;
    pa_stream_set_state_callback(stream, &SoundServer::signal<pa_stream>, loop);
    // Called on the library's thread; the stream it reports on is only closed on this one, after
    // its callbacks are taken away under the same lock.
    pa_stream_set_underflow_callback(
        stream, [](pa_stream *, void *self) { static_cast<SoundStream *>(self)->m_starved = true; },
        this);
    pa_buffer_attr buffer;
    buffer.maxlength = uint32_t(-1);
    buffer.tlength = uint32_t(pa_usec_to_bytes(kBufferMs * PA_USEC_PER_MSEC, &format));
    buffer.prebuf = uint32_t(-1);
    buffer.minreq = uint32_t(-1);
    buffer.fragsize = uint32_t(-1);
    const auto flags = pa_stream_flags_t(PA_STREAM_INTERPOLATE_TIMING | PA_STREAM_AUTO_TIMING_UPDATE
                                         | PA_STREAM_ADJUST_LATENCY);
    if (pa_stream_connect_playback(stream, nullptr, &buffer, flags, nullptr, nullptr) == 0) {
        for (;;) {
            const pa_stream_state_t state = pa_stream_get_state(stream);
            if (state == PA_STREAM_READY || !PA_STREAM_IS_GOOD(state))
                break;
            pa_threaded_mainloop_wait(loop);
        }
    }
    if (pa_stream_get_state(stream) != PA_STREAM_READY) {
        release(stream);
        return false;
    }
    // A stream that fails later (the server goes away) is closed here, on the window's thread.
    pa_stream_set_state_callback(
        stream,
        [](pa_stream *stream, void *self) {
            if (!PA_STREAM_IS_GOOD(pa_stream_get_state(stream))) {
                QMetaObject::invokeMethod(
                    static_cast<SoundStream *>(self),
                    [sound = static_cast<SoundStream *>(self)] {
                        sound->close();
                        emit sound->failed();
                    },
                    Qt::QueuedConnection);
            }
        },
        this);
    m_stream = stream;
    m_sampleRate = sampleRate;
    m_streamBytes = 0;
    return true;
}

void SoundStream::close()
{
    m_feeder.stop();
    m_rest.stop();
    m_sound.clear();
    if (!m_stream)
        return;
    {
        Locked locked(m_server->loop());
        release(m_stream);
    }
    m_stream = nullptr;
}

bool SoundStream::play(const QByteArray &samples, int sampleRate)
{
    m_sound.clear();
    m_rest.stop();
    if (samples.isEmpty() || !open(sampleRate))
        return false;
    m_sound = samples;
    m_written = 0;
    // Where the server's count of played bytes will stand when this sound begins: it may count
    // the silence between sounds or not, depending on the server.
    m_soundStart = qMax(m_streamBytes, playedBytes());
    m_starved = false;
    feed();
    if (!m_stream)
        return false;
    m_feeder.start();
    return true;
}

void SoundStream::stop()
{
    m_sound.clear();
    if (m_stream)
        m_rest.start();
}

void SoundStream::feed()
{
    if (!m_stream || m_sound.isEmpty()) {
        m_feeder.stop();
        return;
    }
    if (m_written >= m_sound.size()) {
        // All written: wait for it to be heard, then rest.
        if (isDone()) {
            m_feeder.stop();
            m_rest.start();
        }
        return;
    }
    bool first = false;
    {
        Locked locked(m_server->loop());
        const qint64 room
            = qMin(qint64(pa_stream_writable_size(m_stream)), m_sound.size() - m_written)
            & ~qint64(1);
        if (room <= 0)
            return;
        if (pa_stream_write(m_stream, m_sound.constData() + m_written, size_t(room), nullptr, 0,
                            PA_SEEK_RELATIVE)
            < 0)
            return;
        first = m_written == 0;
        m_written += room;
        m_streamBytes += room;
        m_starved = false;
        // A sound shorter than what the server waits for before it starts playing. No operation
        // when the server does not wait (it plays at once) or the stream has just failed.
        if (m_written == m_sound.size()) {
            if (pa_operation *trigger = pa_stream_trigger(m_stream, nullptr, nullptr))
                pa_operation_unref(trigger);
        }
    }
    if (first)
        emit started();
}

qint64 SoundStream::playedBytes() const
{
    if (!m_stream)
        return 0;
    Locked locked(m_server->loop());
    pa_usec_t played = 0;
    if (pa_stream_get_time(m_stream, &played) < 0)
        return 0;
    return qint64(pa_usec_to_bytes(played, pa_stream_get_sample_spec(m_stream)));
}

qint64 SoundStream::playedMs() const
{
    if (!m_stream || m_sound.isEmpty())
        return 0;
    const qint64 played = qBound(qint64(0), playedBytes() - m_soundStart, qint64(m_sound.size()));
    return played * 1000 / (2 * qint64(m_sampleRate));
}

bool SoundStream::isDone() const
{
    if (!m_stream || m_sound.isEmpty() || m_written < m_sound.size())
        return false;
    return m_starved || playedBytes() >= m_soundStart + m_sound.size();
}

} // namespace quorvel
