#include "character/speech_player.h"

#include <QAudioDevice>
#include <QAudioFormat>
#include <QAudioSink>
#include <QBuffer>
#include <QMediaDevices>

namespace quorvel {

namespace {

constexpr int kTickMs = 40;
// How long to wait for a sink that stops reporting beyond the sound's own length.
constexpr int kSinkGraceMs = 2000;

bool isWordCharacter(QChar c)
{
    return c.isLetterOrNumber() || c.isMark();
}

} // namespace

int revealEnd(const QString &text, int start, int length)
{
    const int size = int(text.size());
    int end = qBound(0, start + qMax(length, 0), size);
    while (end < size && isWordCharacter(text[end]))
        ++end;
    while (end < size && !text[end].isSpace() && !isWordCharacter(text[end]))
        ++end;
    return end;
}

QList<WordMark> readingMarks(const QString &text, int durationMs)
{
    QList<WordMark> marks;
    const int size = int(text.size());
    for (int i = 0; i < size;) {
        if (!isWordCharacter(text[i])) {
            ++i;
            continue;
        }
        int end = i;
        while (end < size && isWordCharacter(text[end]))
            ++end;
        marks.append({int(qint64(durationMs) * i / size), i, end - i});
        i = end;
    }
    return marks;
}

SpeechPlayer::SpeechPlayer(QObject *parent)
    : QObject(parent)
{
    m_ticker.setInterval(kTickMs);
    connect(&m_ticker, &QTimer::timeout, this, &SpeechPlayer::tick);
    connect(&m_watcher, &QFutureWatcher<Utterance>::finished, this, [this] {
        if (!m_busy || m_clock.isValid())
            return; // a speech that was stopped meanwhile
        const QFuture<Utterance> future = m_watcher.future();
        if (future.isCanceled() || future.resultCount() == 0) {
            Utterance none;
            none.problem = QStringLiteral("sintesi annullata");
            begin(none);
        } else {
            begin(future.result());
        }
    });
}

SpeechPlayer::~SpeechPlayer()
{
    stop();
}

void SpeechPlayer::say(const QString &text, const VoiceSettings &voice)
{
    stop();
    m_text = text;
    m_voice = voice;
    m_busy = true;
    m_clock.invalidate();
    m_watcher.setFuture(synthesiseInBackground(text, voice));
}

void SpeechPlayer::stop()
{
    if (!m_busy)
        return;
    m_busy = false;
    m_watcher.future().cancel();
    m_ticker.stop();
    m_clock.invalidate();
    releaseAudio();
}

void SpeechPlayer::begin(const Utterance &utterance)
{
    m_nextWord = 0;
    m_audioDone = false;
    if (utterance.hasSound()) {
        m_durationMs = utterance.durationMs();
        m_words = utterance.words;
        startAudio(utterance); // silent for the same time if there is no way to be heard
    } else {
        m_durationMs = m_voice.readingMs(m_text);
        m_words = readingMarks(m_text, m_durationMs);
    }
    m_clock.start();
    m_ticker.start();
    emit voiceStarted();
    tick();
}

bool SpeechPlayer::startAudio(const Utterance &utterance)
{
    const QAudioDevice device = QMediaDevices::defaultAudioOutput();
    if (device.isNull())
        return false;
    QAudioFormat format;
    format.setSampleRate(utterance.sampleRate);
    format.setChannelCount(1);
    format.setSampleFormat(QAudioFormat::Int16);
    if (!device.isFormatSupported(format))
        return false;
    m_buffer = new QBuffer(this);
    m_buffer->setData(utterance.samples);
    m_buffer->open(QIODevice::ReadOnly);
    m_sink = new QAudioSink(device, format, this);
    connect(m_sink, &QAudioSink::stateChanged, this, [this](QAudio::State state) {
        if (state == QAudio::IdleState && m_buffer && m_buffer->atEnd())
            m_audioDone = true;
        else if (state == QAudio::StoppedState && m_sink && m_sink->error() != QAudio::NoError)
            QTimer::singleShot(0, this, [this] { releaseAudio(); }); // finish silently
    });
    m_sink->start(m_buffer);
    if (m_sink->error() != QAudio::NoError) {
        releaseAudio();
        return false;
    }
    return true;
}

void SpeechPlayer::releaseAudio()
{
    if (m_sink) {
        m_sink->disconnect(this);
        m_sink->stop();
        m_sink->deleteLater();
        m_sink = nullptr;
    }
    if (m_buffer) {
        m_buffer->deleteLater();
        m_buffer = nullptr;
    }
}

void SpeechPlayer::tick()
{
    const qint64 elapsed = m_clock.elapsed();
    int reveal = -1;
    while (m_nextWord < m_words.size() && m_words[m_nextWord].ms <= elapsed) {
        const WordMark &word = m_words[m_nextWord++];
        reveal = qMax(reveal, revealEnd(m_text, word.start, word.length));
    }
    if (reveal >= 0)
        emit revealed(reveal);
    const bool done = m_sink ? (m_audioDone || elapsed >= m_durationMs + kSinkGraceMs)
                             : elapsed >= m_durationMs;
    if (done)
        end();
}

void SpeechPlayer::end()
{
    m_ticker.stop();
    m_clock.invalidate();
    releaseAudio();
    m_busy = false;
    emit revealed(int(m_text.size()));
    emit finished();
}

} // namespace quorvel
