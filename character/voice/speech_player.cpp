#include "character/voice/speech_player.h"

#include "character/voice/sound_stream.h"

namespace quorvel {

namespace {

// Also how late the end of a sound is noticed, which the pupil hears as a pause before the next.
constexpr int kTickMs = 10;
// Only for a sink that stops reporting what it plays: the end normally comes from the sound.
constexpr int kStalledSinkMs = 2000;
// A synthesis takes milliseconds; a later one is stuck (see SpeechThread), and the text is said
// silently rather than waited for.
constexpr int kLateSynthesisMs = 1500;
// Texts synthesised ahead of their turn (their first sentence), or kept from before: the
// correction's opening words come back at every wrong answer, and a sentence ready in memory is
// heard at once.
constexpr int kPreparedTexts = 8;
// How long before the sound synthesised so far runs out the next sentence is asked for: its
// synthesis takes milliseconds, but the speech thread may be busy or the machine loaded.
constexpr int kAheadMs = 1000;

bool isWordCharacter(QChar c)
{
    return c.isLetterOrNumber() || c.isMark();
}

// A text's sentences, start and length, each with the spaces after it.
QList<std::pair<int, int>> sentencesOf(const QString &text)
{
    QList<std::pair<int, int>> sentences;
    const int size = int(text.size());
    int start = 0;
    for (int i = 0; i < size; ++i) {
        if (!QStringView(u".!?…").contains(text[i]) || i + 1 == size || !text[i + 1].isSpace())
            continue;
        while (i + 1 < size && text[i + 1].isSpace())
            ++i;
        if (i + 1 < size) {
            sentences.append({start, i + 1 - start});
            start = i + 1;
        }
    }
    sentences.append({start, size - start});
    return sentences;
}

// Sentence i of a text, and the ends of its sound where it meets no other sentence.
std::pair<QString, Trim> sentence(const QString &text, const QList<std::pair<int, int>> &sentences,
                                  qsizetype i)
{
    return {text.mid(sentences[i].first, sentences[i].second),
            Trim {i == 0, i == sentences.size() - 1}};
}

// Word marks spread over a silent reading time, in proportion to where the words are written.
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

SpeechPlayer::SpeechPlayer(const Events &events, QObject *parent)
    : QObject(parent)
    , m_events(events)
    , m_sound(new SoundStream(this))
{
    connect(m_sound, &SoundStream::failed, this, [this] { m_audible = false; });
    m_ticker.setInterval(kTickMs);
    connect(&m_ticker, &QTimer::timeout, this, &SpeechPlayer::tick);
    m_late.setSingleShot(true);
    m_late.setInterval(kLateSynthesisMs);
    connect(&m_late, &QTimer::timeout, this, [this] {
        Utterance late;
        late.problem = QStringLiteral("la sintesi è in ritardo");
        if (m_busy && !m_clock.isValid())
            begin(late);
    });
    connect(&m_watcher, &QFutureWatcher<Utterance>::finished, this,
            [this] { startWith(m_watcher.future()); });
    connect(&m_nextWatcher, &QFutureWatcher<Utterance>::finished, this,
            [this] { continueWith(m_nextWatcher.future()); });
}

SpeechPlayer::~SpeechPlayer()
{
    stop();
    for (auto &[key, future] : m_prepared)
        future.cancel();
    m_nextWatcher.future().cancel();
}

void SpeechPlayer::startWith(const QFuture<Utterance> &future)
{
    if (!m_busy || m_clock.isValid())
        return; // a speech that was stopped, or has begun, meanwhile
    if (future.isCanceled() || future.resultCount() == 0) {
        Utterance none;
        none.problem = QStringLiteral("sintesi annullata");
        begin(none);
    } else {
        begin(future.result());
    }
}

// The first sentence's.
QFuture<Utterance> SpeechPlayer::synthesis(const QString &text, const VoiceSettings &voice)
{
    const auto [first, trim] = sentence(text, sentencesOf(text), 0);
    const QString key = QStringLiteral("%1|%2|%3|%4|")
                            .arg(voice.language)
                            .arg(voice.rate)
                            .arg(voice.pitch)
                            .arg(trim.tail) // the text goes on after it, or not
        + first;
    for (qsizetype i = 0; i < m_prepared.size(); ++i) {
        if (m_prepared[i].first == key && !m_prepared[i].second.isCanceled()) {
            m_prepared.move(i, m_prepared.size() - 1);
            return m_prepared.last().second;
        }
    }
    if (m_prepared.size() >= kPreparedTexts)
        m_prepared.removeFirst();
    m_prepared.append({key, synthesiseInBackground(first, voice, trim)});
    return m_prepared.last().second;
}

void SpeechPlayer::prepare(const QString &text, const VoiceSettings &voice)
{
    synthesis(text, voice);
}

void SpeechPlayer::say(const QString &text, const VoiceSettings &voice)
{
    stop();
    m_text = text;
    m_voice = voice;
    m_busy = true;
    m_clock.invalidate();
    m_sentences = sentencesOf(text);
    m_synthesised = 1;
    m_watcher.setFuture(synthesis(text, voice));
    if (m_watcher.future().isFinished())
        startWith(m_watcher.future()); // the watcher's own report comes later and finds it begun
    else
        m_late.start();
}

void SpeechPlayer::stop()
{
    if (!m_busy)
        return;
    m_busy = false;
    m_late.stop();
    m_ticker.stop();
    m_nextWatcher.future().cancel();
    m_waitingForNext = false;
    m_clock.invalidate();
    m_sound->stop();
    m_audible = false;
}

void SpeechPlayer::begin(const Utterance &utterance)
{
    m_late.stop();
    m_nextWord = 0;
    if (utterance.hasSound()) {
        m_sampleRate = utterance.sampleRate;
        m_soundBytes = utterance.samples.size();
        m_durationMs = utterance.durationMs();
        m_words = utterance.words;
        // Silent for the same time if there is no way to be heard.
        m_audible = m_sound->play(utterance.samples, utterance.sampleRate);
    } else {
        m_synthesised = m_sentences.size(); // the whole text read silently
        m_durationMs = m_voice.readingMs(m_text);
        m_words = readingMarks(m_text, m_durationMs);
        m_audible = false;
    }
    m_clock.start();
    m_ticker.start();
    m_events.started();
    tick();
}

void SpeechPlayer::synthesiseNext()
{
    const auto [text, trim] = sentence(m_text, m_sentences, m_synthesised++);
    m_waitingForNext = true;
    m_nextWatcher.setFuture(synthesiseInBackground(text, m_voice, trim));
}

void SpeechPlayer::continueWith(const QFuture<Utterance> &future)
{
    if (!m_waitingForNext || !m_clock.isValid())
        return; // stopped meanwhile
    m_waitingForNext = false;
    const Utterance next
        = future.isCanceled() || future.resultCount() == 0 ? Utterance() : future.result();
    if (!next.hasSound() || next.sampleRate != m_sampleRate) {
        m_synthesised = m_sentences.size(); // the speech ends with what has been said
        return;
    }
    // It starts where the sound so far ends.
    const int start = m_sentences[m_synthesised - 1].first;
    for (const WordMark &word : next.words)
        m_words.append({m_durationMs + word.ms, start + word.start, word.length});
    m_soundBytes += next.samples.size();
    m_durationMs = int(m_soundBytes / 2 * 1000 / m_sampleRate);
    if (m_audible)
        m_sound->append(next.samples);
}

void SpeechPlayer::tick()
{
    const qint64 elapsed = m_clock.elapsed();
    const qint64 said = m_audible ? m_sound->playedMs() : elapsed;
    if (!m_waitingForNext && m_synthesised < m_sentences.size() && m_durationMs - said < kAheadMs)
        synthesiseNext();
    int reveal = -1;
    while (m_nextWord < m_words.size() && m_words[m_nextWord].ms <= said) {
        const WordMark &word = m_words[m_nextWord++];
        reveal = qMax(reveal, revealEnd(m_text, word.start, word.length));
    }
    if (reveal >= 0)
        m_events.revealed(reveal);
    const bool heard = m_audible ? (m_sound->isDone() || elapsed >= m_durationMs + kStalledSinkMs)
                                 : elapsed >= m_durationMs;
    // A sentence still to come is waited for, but not for ever: a late one (see SpeechThread) ends
    // the speech with what has been said.
    const bool more = m_waitingForNext || m_synthesised < m_sentences.size();
    if (heard && (!more || elapsed >= m_durationMs + kLateSynthesisMs))
        end();
}

void SpeechPlayer::end()
{
    m_ticker.stop();
    m_clock.invalidate();
    m_sound->stop();
    m_audible = false;
    m_busy = false;
    m_events.revealed(int(m_text.size()));
    // Called from a copy: it may destroy this player, and its events with it.
    const std::function<void()> finished = m_events.finished;
    finished();
}

} // namespace quorvel
