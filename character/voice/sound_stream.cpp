#include "character/voice/sound_stream.h"

#include <pulse/context.h>
#include <pulse/mainloop-api.h>
#include <pulse/operation.h>
#include <pulse/sample.h>
#include <pulse/stream.h>
#include <pulse/thread-mainloop.h>
#include <pulse/timeval.h>

#include <QCoreApplication>

#include <functional>
#include <utility>

namespace quorvel {

namespace {

// Small enough that a sound starts as soon as it is written and the tail of a stopped one is
// short; large enough to ride over a busy event loop.
constexpr int kBufferMs = 120;
constexpr int kFeedMs = 10;
// An open stream keeps the server's timing going even in silence, and the client's thread waking
// for it: once it has been silent this long it is closed.
constexpr int kRestMs = 2000;
// Connecting and opening a stream take tens of milliseconds; a server that has not answered by
// then is not waited for: the sound is not heard.
constexpr int kAnswerMs = 1500;

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

// The connection to the sound server. Everything that waits for the server happens on the client
// library's own thread, driven by its callbacks: connecting, and the replies. That thread never
// blocks on the server either (its sockets do not block), so the library's lock, which it holds
// only while it works, is never held while the server keeps it waiting. The window's thread hears
// of the state through `changed`, called on the library's thread, and takes the lock only for
// calls that return at once; at the end it disconnects and joins a thread that is polling. So
// whatever the server does (answer, die, or stop answering with its socket still open), no wait
// on it holds the window or the program's end.
class SoundServer
{
public:
    enum class State { Connecting, Ready, Failed };

    explicit SoundServer(std::function<void()> changed)
        : m_changed(std::move(changed))
        , m_name(QCoreApplication::applicationName().toUtf8())
    {
        m_loop = pa_threaded_mainloop_new();
        if (!m_loop || pa_threaded_mainloop_start(m_loop) < 0)
            return;
        // The client library reads its configuration (and the X server's properties) as it makes
        // the context: on its own thread as well.
        Locked locked(m_loop);
        pa_mainloop_api_once(pa_threaded_mainloop_get_api(m_loop), &SoundServer::connect, this);
        m_started = true;
    }

    ~SoundServer()
    {
        if (!m_loop)
            return;
        {
            Locked locked(m_loop);
            m_closing = true;
            if (m_context) {
                pa_context_set_state_callback(m_context, nullptr, nullptr);
                pa_context_disconnect(m_context);
                pa_context_unref(m_context);
            }
        }
        pa_threaded_mainloop_stop(m_loop);
        pa_threaded_mainloop_free(m_loop);
    }

    State state() const
    {
        if (!m_started)
            return State::Failed;
        Locked locked(m_loop);
        if (m_refused)
            return State::Failed;
        if (!m_context)
            return State::Connecting;
        const pa_context_state_t state = pa_context_get_state(m_context);
        if (state == PA_CONTEXT_READY)
            return State::Ready;
        return PA_CONTEXT_IS_GOOD(state) ? State::Connecting : State::Failed;
    }

    // With the lock held.
    pa_threaded_mainloop *loop() const { return m_loop; }
    pa_context *context() const { return m_context; }

private:
    static void connect(pa_mainloop_api *api, void *self)
    {
        auto *server = static_cast<SoundServer *>(self);
        if (server->m_closing)
            return;
        pa_context *context = pa_context_new(api, server->m_name.constData());
        if (context) {
            pa_context_set_state_callback(
                context,
                [](pa_context *, void *self) { static_cast<SoundServer *>(self)->m_changed(); },
                server);
            // A game does not start a sound server of its own: without one it is silent.
            if (pa_context_connect(context, nullptr, PA_CONTEXT_NOAUTOSPAWN, nullptr) == 0) {
                server->m_context = context;
                return;
            }
            pa_context_set_state_callback(context, nullptr, nullptr);
            pa_context_unref(context);
        }
        server->m_refused = true;
        server->m_changed();
    }

    std::function<void()> m_changed;
    QByteArray m_name;
    pa_threaded_mainloop *m_loop = nullptr;
    bool m_started = false;
    // Under the lock:
    pa_context *m_context = nullptr;
    bool m_refused = false;
    bool m_closing = false;
};

SoundStream::SoundStream(QObject *parent)
    : QObject(parent)
{
    m_feeder.setInterval(kFeedMs);
    connect(&m_feeder, &QTimer::timeout, this, &SoundStream::feed);
    m_rest.setSingleShot(true);
    m_rest.setInterval(kRestMs);
    connect(&m_rest, &QTimer::timeout, this, &SoundStream::close);
    m_deadline.setSingleShot(true);
    m_deadline.setInterval(kAnswerMs);
    connect(&m_deadline, &QTimer::timeout, this, [this] {
        // A connection made in time is kept even if its sound was stopped meanwhile.
        if (!m_ready && !(m_server && !m_stream && m_server->state() == SoundServer::State::Ready))
            fail();
    });
}

SoundStream::~SoundStream()
{
    close();
    m_server.reset(); // while its callbacks can still reach this object
}

bool SoundStream::play(const QByteArray &samples, int sampleRate)
{
    m_sound.clear();
    m_rest.stop();
    if (samples.isEmpty())
        return false;
    if (m_stream && m_sampleRate != sampleRate)
        close();
    m_sampleRate = sampleRate;
    m_sound = samples;
    m_next.clear();
    m_before = 0;
    m_written = 0;
    m_starved = false;
    if (m_ready) {
        begin();
        return true;
    }
    if (!m_server) {
        // Called on the library's thread; whatever it reports is looked at here.
        m_server = std::make_unique<SoundServer>([this] {
            QMetaObject::invokeMethod(this, &SoundStream::update, Qt::QueuedConnection);
        });
        if (m_server->state() == SoundServer::State::Failed) {
            m_server.reset();
            m_sound.clear();
            return false;
        }
    } else if (!m_stream && m_server->state() == SoundServer::State::Ready && !open()) {
        m_sound.clear();
        return false;
    }
    if (!m_deadline.isActive())
        m_deadline.start();
    return true;
}

// The server or the stream changed state.
void SoundStream::update()
{
    if (!m_server)
        return;
    const SoundServer::State server = m_server->state();
    pa_stream_state_t stream = PA_STREAM_UNCONNECTED;
    if (m_stream) {
        Locked locked(m_server->loop());
        stream = pa_stream_get_state(m_stream);
    }
    if (server == SoundServer::State::Failed || (m_stream && !PA_STREAM_IS_GOOD(stream))) {
        fail();
    } else if (server == SoundServer::State::Ready && !m_stream) {
        if (!m_sound.isEmpty() && !open())
            fail();
    } else if (stream == PA_STREAM_READY && !m_ready) {
        m_ready = true;
        m_deadline.stop();
        m_streamBytes = 0;
        if (m_sound.isEmpty())
            m_rest.start();
        else
            begin();
    }
}

bool SoundStream::open()
{
    Locked locked(m_server->loop());
    // espeak-ng's samples are in the machine's byte order.
    const pa_sample_spec format {PA_SAMPLE_S16NE, uint32_t(m_sampleRate), 1};
    pa_stream *stream = pa_stream_new(m_server->context(), "voice", &format, nullptr);
    if (!stream)
        return false;
    const auto changed = [](pa_stream *, void *self) {
        QMetaObject::invokeMethod(static_cast<SoundStream *>(self), &SoundStream::update,
                                  Qt::QueuedConnection);
    };
    pa_stream_set_state_callback(stream, changed, this);
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
    if (pa_stream_connect_playback(stream, nullptr, &buffer, flags, nullptr, nullptr) < 0) {
        release(stream);
        return false;
    }
    m_stream = stream;
    return true;
}

void SoundStream::begin()
{
    // Where the server's count of played bytes will stand when this sound begins: it may count
    // the silence between sounds or not, depending on the server.
    m_soundStart = qMax(m_streamBytes, playedBytes());
    feed();
    m_feeder.start();
}

// Drops the connection: the next sound makes a new one.
void SoundStream::fail()
{
    const bool playing = !m_sound.isEmpty();
    close();
    m_deadline.stop();
    m_server.reset();
    if (playing)
        emit failed();
}

void SoundStream::append(const QByteArray &samples)
{
    if (m_sound.isEmpty())
        return; // stopped, or failed
    m_next.append(samples);
    // The server may have run out meanwhile: the stream is not left to rest.
    if (m_ready && !m_feeder.isActive()) {
        m_rest.stop();
        m_feeder.start();
    }
}

void SoundStream::close()
{
    m_feeder.stop();
    m_rest.stop();
    m_sound.clear();
    m_next.clear();
    m_ready = false;
    if (!m_stream)
        return;
    {
        Locked locked(m_server->loop());
        release(m_stream);
    }
    m_stream = nullptr;
}

void SoundStream::stop()
{
    m_sound.clear();
    m_next.clear();
    if (m_ready)
        m_rest.start();
}

void SoundStream::feed()
{
    if (!m_ready || m_sound.isEmpty()) {
        m_feeder.stop();
        return;
    }
    if (m_written >= m_sound.size() && !m_next.isEmpty()) {
        m_before += m_sound.size();
        m_sound = std::exchange(m_next, {});
        m_written = 0;
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
        // (size_t) -1 once the stream has failed: update() is on its way.
        const qint64 room
            = qMin(qint64(pa_stream_writable_size(m_stream)), m_sound.size() - m_written)
            & ~qint64(1);
        if (room <= 0)
            return;
        if (pa_stream_write(m_stream, m_sound.constData() + m_written, size_t(room), nullptr, 0,
                            PA_SEEK_RELATIVE)
            < 0)
            return;
        first = m_written == 0 && m_before == 0;
        m_written += room;
        m_streamBytes += room;
        m_starved = false;
        // A sound shorter than what the server waits for before it starts playing. No operation
        // when the server does not wait (it plays at once) or the stream has just failed.
        if (m_written == m_sound.size() && m_next.isEmpty()) {
            if (pa_operation *trigger = pa_stream_trigger(m_stream, nullptr, nullptr))
                pa_operation_unref(trigger);
        }
    }
    if (first)
        emit started();
}

qint64 SoundStream::playedBytes() const
{
    if (!m_ready)
        return 0;
    Locked locked(m_server->loop());
    pa_usec_t played = 0;
    if (pa_stream_get_time(m_stream, &played) < 0)
        return 0;
    return qint64(pa_usec_to_bytes(played, pa_stream_get_sample_spec(m_stream)));
}

qint64 SoundStream::playedMs() const
{
    if (!m_ready || m_sound.isEmpty())
        return 0;
    const qint64 played
        = qBound(qint64(0), playedBytes() - m_soundStart, m_before + m_sound.size());
    return played * 1000 / (2 * qint64(m_sampleRate));
}

bool SoundStream::isDone() const
{
    if (!m_ready || m_sound.isEmpty() || m_written < m_sound.size() || !m_next.isEmpty())
        return false;
    return m_starved || playedBytes() >= m_soundStart + m_before + m_sound.size();
}

} // namespace quorvel
